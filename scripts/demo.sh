#!/usr/bin/env bash
# Builds the MSVC-mode sample game from the release archive, as a game team
# would, and runs it under Wine twice: without a launcher, then with the
# development launcher registered by its own command. It runs in the Windows
# tests' prefix, so that Wine makes one prefix for both.
set -euo pipefail
here=$(dirname "$(realpath "$0")")
build=$(realpath "$here/../build")
export WINEPREFIX=$build/windows-tests/wineprefix WINEDEBUG=-all
export QEMU_RESERVED_VA=${QEMU_RESERVED_VA:-0xffff0000} # see wine-run.sh
archive=$(echo "$build"/release/tesmaclient-*.zip)
work=$build/demo

echo "== building the sample game from $(basename "$archive")"
release=$("$here/build-sample.sh" msvc "$archive" "$work")
trap '"$here/wine-prefix.sh" stop' EXIT
echo "== starting Wine"
"$here/wine-prefix.sh" start
devlauncher() { "$here/wine-run.sh" "$release/tools/devlauncher/tesma-devlauncher.exe" "$@" >/dev/null 2>&1 || true; }

echo
echo "== the game without a launcher"
# The 32-bit registry view, which a 32-bit game reads on 64-bit Windows.
timeout 300 wine reg delete 'HKLM\Software\Dovrix\Launcher' /f /reg:32 </dev/null >/dev/null 2>&1 || true
"$here/wine-run.sh" "$work/build/sample_game.exe"

echo
echo "== the game with the development launcher registered"
devlauncher register
TESMA_DEVLAUNCHER_SAVES="Z:${work//\//\\}\\saves" "$here/wine-run.sh" "$work/build/sample_game.exe"
devlauncher unregister
