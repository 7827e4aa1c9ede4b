#!/usr/bin/env bash
# Plays a game team adopting a release: builds a sample game from the release
# archive alone, registers the archive's development launcher with its own
# command, runs the game's whole session under Wine and unregisters the
# launcher again.
#   consumer-test.sh msvc|mingw ARCHIVE WORK_DIR
# WINEPREFIX names the prefix.
set -euo pipefail
sample=$1 archive=$2 work=$3
scripts="$(dirname "$(realpath "$0")")/../../scripts"
release=$("$scripts/build-sample.sh" "$sample" "$archive" "$work")

# Save games go to a folder of the test's own, as Wine shows it (Z: is /).
export TESMA_DEVLAUNCHER_SAVES="Z:${work//\//\\}\\saves"
"$scripts/wine-run.sh" "$release/tools/devlauncher/tesma-devlauncher.exe" register >/dev/null
status=0
"$scripts/wine-run.sh" "$work/build/sample_game.exe" | tee "$work/session.log" || status=$?
"$scripts/wine-run.sh" "$release/tools/devlauncher/tesma-devlauncher.exe" unregister >/dev/null
[ $status -eq 0 ] || { echo "the sample game failed with $status"; exit 1; }
grep -qx "session complete" "$work/session.log" || { echo "the session did not complete"; exit 1; }
