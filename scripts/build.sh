#!/usr/bin/env bash
# Builds tesmaclient.dll with everything around it (build/win32) and the native
# configuration (build/native), then runs the demo game under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build/win32 -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake >/dev/null
cmake --build build/win32
cmake -S . -B build/native -G Ninja >/dev/null
cmake --build build/native
echo
echo "tesmaclient.dll and its import library tesmaclient.lib are in build/win32/bin"
echo
scripts/demo.sh build/win32
