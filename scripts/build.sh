#!/usr/bin/env bash
# Builds everything, then runs the demo game under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/compile.sh
echo
echo "tesmaclient.dll and tesmaclient.pdb are in build/win32/bin, its import libraries in build/win32/lib:"
echo "tesmaclient.lib for MSVC-style linkers, libtesmaclient.dll.a for MinGW's"
echo
scripts/demo.sh build/win32
