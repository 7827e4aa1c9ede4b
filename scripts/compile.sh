#!/usr/bin/env bash
# Installs what is missing, then configures and builds through the presets of
# CMakePresets.json: release64 (tesmaclient64.dll), then release (tesmaclient.dll,
# the development launcher, the release archive with both libraries and its
# installed package build/release/sdk), then windows-tests and windows-tests64
# (the Windows test programs of each bits, against that package); beside them
# native (everything portable, under ASan and UBSan).
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/progress.sh
scripts/install-deps.sh 2>&1 | relay "installing packages"
# build PRESET: configures and builds it.
build() {
    cmake --preset "$1" >/dev/null
    cmake --build --preset "$1"
}
mkdir -p build
echo "== building the native preset (build/native) beside the others; its output comes at the end"
build native >build/native.log 2>&1 &
native=$!
heartbeat $native "building the native preset" build/native.log
trap 'kill $native 2>/dev/null || true' EXIT
for preset in release64 release windows-tests windows-tests64; do
    echo "== building the $preset preset (build/$preset)"
    build $preset 2>&1 | relay "building the $preset preset"
done
status=0
wait $native || status=$?
wait $heartbeat_pid || true
echo "== the native preset (build/native)"
cat build/native.log
exit $status
