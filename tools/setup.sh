#!/usr/bin/env bash
# Installs the Debian packages Zelvon needs to build, test and run, but only
# those that are missing, then configures and builds the tree in build/.
# Usage: tools/setup.sh [BUILD_DIR] [extra cmake args...]
set -euo pipefail
cd "$(dirname "$0")/.."

PACKAGES=(
  build-essential cmake ninja-build pkg-config
  libcurl4-openssl-dev libssl-dev openssl nettle-dev
  nlohmann-json3-dev libcpp-httplib-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  qt6-base-dev xvfb xauth dbus
  tinyproxy curl ccache
  clang-14 libclang-rt-14-dev
  libsystemd-dev libcli11-dev help2man desktop-file-utils appstream dpkg-dev bash-completion lintian
  libicu-dev
)

source tools/install_missing.sh
install_missing "${PACKAGES[@]}"

BUILD_DIR=${1:-build}
shift || true
cmake -S . -B "$BUILD_DIR" -G Ninja "$@" >/dev/null
cmake --build "$BUILD_DIR" -j "$(nproc)"
