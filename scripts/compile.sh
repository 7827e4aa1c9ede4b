#!/usr/bin/env bash
# Installs what is missing, then configures and builds both configurations:
# build/win32 (tesmaclient.dll, the stand-in launcher, the Windows test
# programs) and build/native (everything portable, under ASan and UBSan).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
# The toolchain counts only when the directory is first configured.
cmake -S . -B build/win32 -G Ninja --no-warn-unused-cli -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake >/dev/null
cmake --build build/win32
cmake -S . -B build/native -G Ninja >/dev/null
cmake --build build/native
