#!/usr/bin/env bash
# Runs the demo game under Wine twice: without a launcher installed, then with
# the stand-in launcher registered.   demo.sh [build dir]
set -euo pipefail
build=$(realpath "${1:-build/win32}")
here=$(dirname "$(realpath "$0")")
export WINEPREFIX=$build/wineprefix WINEDEBUG=-all
export QEMU_RESERVED_VA=${QEMU_RESERVED_VA:-0xffff0000} # see wine-run.sh
trap '"$here/wine-prefix.sh" stop' EXIT
"$here/wine-prefix.sh" start

key='HKLM\Software\Dovrix\Launcher'
# The 32-bit view of the registry, which a 32-bit game reads on 64-bit Windows.
reg() { timeout 300 wine reg "$@" /reg:32 </dev/null >/dev/null 2>&1 || true; }
# Wine shows the Unix file system as drive Z:.
windows_path() { local path=${1//\//\\}; echo "Z:$path"; }

echo "== without a launcher"
reg delete "$key" /f
"$here/wine-run.sh" "$build/bin/demo_game.exe"

echo
echo "== with the stand-in launcher registered"
reg add "$key" /v InstallDir /t REG_SZ /d "$(windows_path "$build/bin/launcher-full")" /f
"$here/wine-run.sh" "$build/bin/demo_game.exe"
reg delete "$key" /f
