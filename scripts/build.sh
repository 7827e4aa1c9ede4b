#!/usr/bin/env bash
# Builds everything, then runs the demo game under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/compile.sh
echo
echo "the release archive is $(echo build/win32/tesmaclient-*.zip)"
echo
scripts/demo.sh build/win32
