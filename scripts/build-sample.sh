#!/usr/bin/env bash
# Builds a sample game the way a game team would: from the release archive
# alone, unpacked into WORK_DIR, through the CMake package. Prints the
# unpacked release folder; the game is WORK_DIR/build/sample_game.exe. BITS
# (32 unless given) picks the toolchain file, and nothing else changes.
#   build-sample.sh msvc|mingw ARCHIVE WORK_DIR [32|64]
set -euo pipefail
sample=$1 archive=$2 work=$3 bits=${4:-32}
here=$(dirname "$(realpath "$0")")
[[ $sample =~ ^(msvc|mingw)$ ]] || { echo "build-sample.sh: no sample $sample" >&2; exit 2; }

rm -rf "$work"
mkdir -p "$work"
(cd "$work" && cmake -E tar xf "$archive")
release=$(echo "$work"/tesmaclient-*)
# MSVC mode on Linux is our own; MinGW takes the archive's toolchain file,
# whose usual cross settings search packages inside the find root only.
arch=i686
[ "$bits" = 32 ] || arch=x86_64
toolchain=$here/../cmake/msvc-mode-$arch.cmake
[ "$sample" = msvc ] || toolchain=$release/toolchains/$arch-w64-mingw32.cmake
cmake -S "$release/samples/$sample" -B "$work/build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
      -DCMAKE_TOOLCHAIN_FILE="$(realpath "$toolchain")" -DCMAKE_PREFIX_PATH="$release" >"$work/build.log" 2>&1 \
    && cmake --build "$work/build" >>"$work/build.log" 2>&1 \
    || { cat "$work/build.log" >&2; exit 1; }
echo "$release"
