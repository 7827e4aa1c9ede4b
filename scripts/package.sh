#!/usr/bin/env bash
# Builds the product alone (no tests, no Wine) and writes the release archive
# build/release/tesmaclient-<version>.zip, checked file by file.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build/release -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/clang-i686-mingw.cmake \
      -DTESMACLIENT_BUILD_TESTS=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build/release
version=$(sed -nE 's/^CMAKE_PROJECT_VERSION:STATIC=(.*)$/\1/p' build/release/CMakeCache.txt)
bash cmake/make-release.sh "$(command -v cpack)" build/release "$PWD/build/release/tesmaclient-$version.zip" \
     cmake/package/release-files.txt
