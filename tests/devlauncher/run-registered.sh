#!/usr/bin/env bash
# Registers the development launcher with its own command, runs one Windows
# program under Wine against it, and with --unregister removes the
# registration afterwards. Wine tests share the registry, so each run registers
# again rather than trust a registration made by an earlier test.
#   run-registered.sh [--unregister] LAUNCHER_DIR PROGRAM [ARGUMENTS...]
set -u
unregister=0
if [ "$1" = --unregister ]; then unregister=1; shift; fi
launcher_dir=$1; shift
run="$(dirname "$0")/../../scripts/wine-run.sh"
"$run" "$launcher_dir/tesma-devlauncher.exe" register || exit 1
"$run" "$@"
status=$?
if [ $unregister = 1 ]; then
    "$run" "$launcher_dir/tesma-devlauncher.exe" unregister || exit 1
fi
exit $status
