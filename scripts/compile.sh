#!/usr/bin/env bash
# Installs what is missing, then configures and builds through the presets of
# CMakePresets.json: release (tesmaclient.dll, the development launcher, the
# release archive and its installed package build/release/sdk), windows-tests
# (the stand-in launcher and the Windows test programs, against that package)
# and native (everything portable, under ASan and UBSan).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
for preset in release windows-tests native; do
    echo "== building the $preset preset (build/$preset)"
    cmake --preset $preset >/dev/null
    cmake --build --preset $preset
done
