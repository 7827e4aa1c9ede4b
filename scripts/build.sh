#!/usr/bin/env bash
# Builds everything, then runs the demo game under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/compile.sh
echo
echo "tesmaclient.dll and its import library tesmaclient.lib are in build/win32/bin"
echo
scripts/demo.sh build/win32
