#!/usr/bin/env bash
# The C# save-game session under mono, a 64-bit process. The program goes to
# a fresh folder with the native library alone, where mono's
# DllImport("tesmaclient64.dll") finds libtesmaclient64.so and no library of
# another name is at hand; its save games go there too, removed afterwards.
#   run-savegame-session.sh DECLARATIONS_CS SESSION_CS LIBRARY
set -euo pipefail
declarations=$1 session=$2 library=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
ln -s "$(realpath "$library")" "$work/"
mcs -warnaserror+ -out:"$work/SavegameSession.exe" "$declarations" "$session"
mono "$work/SavegameSession.exe" "$work/saves"
