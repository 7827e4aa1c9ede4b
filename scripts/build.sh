#!/usr/bin/env bash
# Builds everything, then runs the demo game under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/progress.sh
scripts/install-deps.sh 2>&1 | relay "installing packages"
# Wine makes its prefix while the compilers run: seconds here, minutes under qemu.
export WINEPREFIX=$PWD/build/windows-tests/wineprefix
mkdir -p build/windows-tests
scripts/wine-prefix.sh start >/dev/null 2>&1 &
prefix=$!
trap 'kill $prefix 2>/dev/null || true; scripts/wine-prefix.sh stop' EXIT
scripts/compile.sh
if kill -0 $prefix 2>/dev/null; then
    echo "== waiting for Wine to make its prefix"
    heartbeat $prefix "making the Wine prefix"
    wait $prefix || true
fi
echo
echo "the release archive is $(echo build/release/tesmaclient-*.zip)"
echo
scripts/demo.sh 2>&1 | relay "running the demo"
