#!/usr/bin/env bash
# Builds everything, then runs the demo game under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
# Wine makes its prefix while the compilers run: seconds here, minutes under qemu.
export WINEPREFIX=$PWD/build/windows-tests/wineprefix
mkdir -p build/windows-tests
scripts/wine-prefix.sh start >/dev/null 2>&1 &
prefix=$!
trap 'kill $prefix 2>/dev/null || true; scripts/wine-prefix.sh stop' EXIT
scripts/compile.sh
wait $prefix || true
echo
echo "the release archive is $(echo build/release/tesmaclient-*.zip)"
echo
scripts/demo.sh
