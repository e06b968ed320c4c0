#!/usr/bin/env bash
# Builds the libFuzzer targets (fuzz/, with clang, ASan and UBSan) into
# build-fuzz/ and runs each for SECONDS (default 60) on a scratch copy of
# its seeds: the committed corpus in fuzz/corpus/<target>/ plus the shipped
# files of appdata/ that the target reads. The committed corpus never grows.
# Fails on any finding (a broken property, a crash, a sanitizer report, a
# hang); the input that caused it is kept in build-fuzz/findings/.
# Usage: tools/fuzz.sh [SECONDS] [TARGET...]
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$PWD

SECONDS_EACH=${1:-60}
shift || true
if ! [[ "$SECONDS_EACH" =~ ^[1-9][0-9]*$ ]]; then
  echo "usage: tools/fuzz.sh [SECONDS] [TARGET...]" >&2
  exit 2
fi

ALL_TARGETS=(xml_document script_xml entities contained_path ini_file scrambled_file
             extraction_script template transformer list_file update_document)
TARGETS=("${ALL_TARGETS[@]}")
[ $# -eq 0 ] || TARGETS=("$@")

CXX_FUZZ=${CXX_FUZZ:-clang++-14}
if ! command -v "$CXX_FUZZ" >/dev/null; then
  echo "$CXX_FUZZ not found: run tools/setup.sh (it installs clang-14 and libclang-rt-14-dev)" >&2
  exit 2
fi
cmake -S fuzz -B build-fuzz -G Ninja -DCMAKE_CXX_COMPILER="$CXX_FUZZ" >/dev/null
cmake --build build-fuzz -j "$(nproc)"

# The shipped files each target starts from (relative to appdata/).
seeds_of() {
  case "$1" in
    xml_document) echo data/*.xml scripts/scripts.txt help/*.htm ;;
    script_xml | extraction_script) echo data/*.xml ;;
    entities) echo help/*.htm ;;
    scrambled_file) echo scrambled/*.nrt scripts/whatsNew.nrt ;;
    template | transformer) echo scripts/*.nrt scrambled/*.nrt ;;
  esac
}
# Extra options per target: the dictionary, and a shorter input for the
# update, whose every listed file costs a pause.
options_of() {
  case "$1" in
    xml_document | script_xml | extraction_script | list_file) echo "-dict=$ROOT/fuzz/dict/markup.dict" ;;
    update_document) echo "-dict=$ROOT/fuzz/dict/markup.dict -max_len=512" ;;
    template | transformer) echo "-dict=$ROOT/fuzz/dict/template.dict" ;;
    entities) echo "-dict=$ROOT/fuzz/dict/entities.dict" ;;
  esac
}

export ASAN_OPTIONS=${ASAN_OPTIONS:-abort_on_error=1:detect_leaks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
mkdir -p build-fuzz/findings build-fuzz/logs
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

failed=0
summary=()
for target in "${TARGETS[@]}"; do
  binary=build-fuzz/fuzz_$target
  if [ ! -x "$binary" ]; then
    echo "unknown target: $target" >&2
    exit 2
  fi
  corpus=$scratch/$target
  mkdir -p "$corpus"
  cp fuzz/corpus/"$target"/* "$corpus"/ 2>/dev/null || true
  for seed in $(cd appdata && seeds_of "$target"); do
    # The transformer's first byte chooses plain (even) or scrambled (odd).
    if [ "$target" = transformer ]; then
      { printf 'P'; cat "appdata/$seed"; } >"$corpus/appdata-$(basename "$seed")"
    else
      cp "appdata/$seed" "$corpus/appdata-$(basename "$seed")"
    fi
  done
  log=build-fuzz/logs/$target.log
  result=ok
  # shellcheck disable=SC2046
  if ! (cd "$scratch" && "$ROOT/$binary" -max_total_time="$SECONDS_EACH" -timeout=25 -max_len=4096 \
        -print_final_stats=1 -artifact_prefix="$ROOT/build-fuzz/findings/$target-" \
        $(options_of "$target") "$corpus") >"$log" 2>&1; then
    result="FINDING (see $log and build-fuzz/findings/)"
    failed=1
  fi
  runs=$(grep -o 'stat::number_of_executed_units: [0-9]*' "$log" | awk '{print $2}' | tail -1 || true)
  line=$(printf '%-18s %10s executions  %s' "$target" "${runs:-?}" "$result")
  echo "$line"
  summary+=("$line")
done

echo
echo "Fuzzing, $SECONDS_EACH s per target:"
printf '  %s\n' "${summary[@]}"
if [ "$failed" -ne 0 ]; then
  grep -h -A3 'BROKEN PROPERTY\|ERROR: \|SUMMARY: ' build-fuzz/logs/*.log | head -40 >&2 || true
  exit 1
fi
