#!/usr/bin/env bash
# The C# save-game session under mono. The program goes beside the native
# library, where mono's DllImport("tesmaclient.dll") finds libtesmaclient.so;
# its save games go to a folder of their own, removed afterwards.
#   run-savegame-session.sh DECLARATIONS_CS SESSION_CS LIBRARY
set -euo pipefail
declarations=$1 session=$2 library=$3
program=$(dirname "$library")/SavegameSession.exe
mcs -warnaserror+ -out:"$program" "$declarations" "$session"
saves=$(mktemp -d)
trap 'rm -rf "$saves"' EXIT
mono "$program" "$saves/saves"
