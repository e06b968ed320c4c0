#!/bin/sh
# Writes a help2man include file with a COMMANDS section: every zelvon-cli
# command's own --help, so the manual page shows each command's options as
# the program declares them.
# Usage: command-pages.sh ZELVON_CLI OUTPUT
set -eu
cli=$1
out=$2
{
  echo "[COMMANDS]"
  "$cli" --help | sed -n 's/^  \([a-z][a-z-]*\)\( .*\)\{0,1\}$/\1/p' | while read -r command; do
    echo ".SS $command"
    echo ".nf"
    # Backslashes and leading dots are roff's own.
    "$cli" "$command" --help | sed -e 's/\\/\\e/g' -e 's/^\./\\\&./'
    echo ".fi"
  done
} > "$out.tmp"
mv "$out.tmp" "$out"
