#!/usr/bin/env bash
# Builds the product alone (no tests, no Wine): the release64 preset the 64-bit
# library, then the release preset the release archive
# build/release/tesmaclient-<version>.zip with both, checked file by file.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
for preset in release64 release; do
    cmake --preset $preset >/dev/null
    cmake --build --preset $preset
done
