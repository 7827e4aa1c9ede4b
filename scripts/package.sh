#!/usr/bin/env bash
# Builds the product alone (no tests, no Wine): the release preset writes the
# release archive build/release/tesmaclient-<version>.zip, checked file by file.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake --preset release >/dev/null
cmake --build --preset release
