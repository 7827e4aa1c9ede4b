#!/usr/bin/env bash
# Registers the development launcher with its own command, runs one Windows
# program under Wine against it, and with --unregister removes the
# registration afterwards, first rewritten as a person may have typed the same
# folder (another case, '/', a trailing separator), which Windows takes for
# it. With --together FOLDER it empties that folder and runs the program as two
# processes at once. Wine tests share the registry, so each run registers
# again rather than trust a registration made by an earlier test.
#   run-registered.sh [--unregister] [--together FOLDER] LAUNCHER_DIR PROGRAM [ARGUMENTS...]
set -u
unregister=0 together=
if [ "$1" = --unregister ]; then unregister=1; shift; fi
if [ "$1" = --together ]; then together=$2; shift 2; fi
launcher_dir=$1; shift
run="$(dirname "$0")/../../scripts/wine-run.sh"
"$run" "$launcher_dir/tesma-devlauncher.exe" register || exit 1
if [ -n "$together" ]; then
    rm -rf "$together"
    output=$(mktemp -d)
    "$run" "$@" >"$output/1" 2>&1 & first=$!
    "$run" "$@" >"$output/2" 2>&1 & second=$!
    wait $first; status=$?
    wait $second; other=$?
    [ $status = 0 ] && status=$other
    cat "$output/1" "$output/2"
    rm -rf "$output"
else
    "$run" "$@"
    status=$?
fi
if [ $unregister = 1 ]; then
    typed="Z:${launcher_dir^^}\\"
    "$run" reg add 'HKLM\SOFTWARE\Dovrix\Launcher' /v InstallDir /t REG_SZ /d "$typed" /f /reg:32 >/dev/null \
        || exit 1
    "$run" "$launcher_dir/tesma-devlauncher.exe" unregister || exit 1
fi
exit $status
