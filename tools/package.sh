#!/usr/bin/env bash
# Builds the Debian package zelvon_<version>_<arch>.deb from a build folder:
# installs the build into a staging root below /usr, adds the copyright file
# and the changelog, computes the library dependencies with dpkg-shlibdeps,
# builds the package with dpkg-deb and checks it with lintian, failing on
# any lintian error. Installs the Debian tools it needs, only those missing.
# Usage: tools/package.sh [BUILD_DIR] [OUT_DIR]   (default build, BUILD_DIR/package)
set -euo pipefail
cd "$(dirname "$0")/.."

BUILD_DIR=${1:-build}
OUT_DIR=${2:-$BUILD_DIR/package}

TOOLS=(dpkg-dev lintian help2man gzip binutils desktop-file-utils appstream)
source tools/install_missing.sh
install_missing "${TOOLS[@]}"

if [ ! -f "$BUILD_DIR/CMakeCache.txt" ]; then
  bash tools/setup.sh "$BUILD_DIR"
else
  cmake --build "$BUILD_DIR" -j "$(nproc)"
fi

upstream=$(sed -n 's/^CMAKE_PROJECT_VERSION:[A-Z]*=//p' "$BUILD_DIR/CMakeCache.txt")
version=$(dpkg-parsechangelog -l packaging/debian/changelog -S Version)
if [ "${version%-*}" != "$upstream" ]; then
  echo "package.sh: packaging/debian/changelog is at $version but the project is at $upstream;" \
       "add a changelog entry for $upstream" >&2
  exit 1
fi
arch=$(dpkg --print-architecture)

stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
root=$stage/root
DESTDIR=$root cmake --install "$BUILD_DIR" --prefix /usr --strip >/dev/null

doc=$root/usr/share/doc/zelvon
mkdir -p "$doc"
cp packaging/debian/copyright "$doc/copyright"
gzip -9n -c packaging/debian/changelog > "$doc/changelog.Debian.gz"

# Debian's modes, whatever the build folder's umask made.
find "$root" -type d -exec chmod 0755 {} +
find "$root" -type f -exec chmod 0644 {} +
chmod 0755 "$root"/usr/bin/*

# dpkg-shlibdeps wants to stand in a source package: give it a minimal one.
mkdir -p "$stage/debian"
printf 'Source: zelvon\n\nPackage: zelvon\nArchitecture: any\n' > "$stage/debian/control"
shlibs=$(cd "$stage" && dpkg-shlibdeps -O root/usr/bin/* 2>/dev/null | sed -n 's/^shlibs:Depends=//p')
if [ -z "$shlibs" ]; then
  echo "package.sh: dpkg-shlibdeps found no library dependencies" >&2
  exit 1
fi

mkdir -p "$root/DEBIAN"
installed_size=$(du -sk --exclude=DEBIAN "$root" | cut -f1)
cat > "$root/DEBIAN/control" <<EOF
Package: zelvon
Version: $version
Architecture: $arch
Maintainer: Tervane <zelvon@tervane.example>
Installed-Size: $installed_size
Depends: $shlibs
Recommends: dbus-user-session
Section: net
Priority: optional
Homepage: https://www.tervane.example/zelvon/
Description: watch software products on the Wareloft store for new versions
 Zelvon keeps a watch list of software products sold on the Wareloft store,
 downloads each product's store page, reads name, company, version, date
 and description from it, and marks a product new when the store's version
 differs from the one you acknowledged.
 .
 The package holds the window (zelvon), the command-line front end
 (zelvon-cli) with systemd user units for a daily check, and a local demo
 store (zelvon-demo-store) to try it against.
EOF
(cd "$root" && find . -type f ! -path './DEBIAN/*' -printf '%P\0' | LC_ALL=C sort -z | xargs -0 md5sum) \
  > "$root/DEBIAN/md5sums"
chmod 0644 "$root/DEBIAN/control" "$root/DEBIAN/md5sums"

mkdir -p "$OUT_DIR"
deb=$OUT_DIR/zelvon_${version}_${arch}.deb
rm -f "$OUT_DIR"/zelvon_*.deb
dpkg-deb --root-owner-group -Zxz --build "$root" "$deb" >/dev/null

# Errors fail the package; warnings are shown.
lintian_out=$stage/lintian.txt
lintian --fail-on error "$deb" > "$lintian_out" 2>&1 || {
  cat "$lintian_out" >&2
  echo "package.sh: lintian found errors in $deb" >&2
  exit 1
}
cat "$lintian_out"
echo "$deb"
