#!/usr/bin/env bash
# Plays game teams adopting a release: builds the MSVC-mode and the MinGW
# sample game, each from the release archive alone, registers the archive's
# development launcher with its own command, runs each game's whole session
# under Wine and unregisters the launcher again.
#   consumer-test.sh ARCHIVE WORK_DIR
# WINEPREFIX names the prefix.
set -euo pipefail
archive=$1 work=$2
scripts="$(dirname "$(realpath "$0")")/../../scripts"
for sample in msvc mingw; do
    release=$("$scripts/build-sample.sh" $sample "$archive" "$work/$sample")
done

# Save games go to a folder of the test's own, as Wine shows it (Z: is /).
export TESMA_DEVLAUNCHER_SAVES="Z:${work//\//\\}\\saves"
"$scripts/wine-run.sh" "$release/tools/devlauncher/tesma-devlauncher.exe" register >/dev/null
failed=0
for sample in msvc mingw; do
    echo "== the $sample sample"
    status=0
    # msvcrt ends lines with CR LF.
    "$scripts/wine-run.sh" "$work/$sample/build/sample_game.exe" | tr -d "\r" | tee "$work/$sample/session.log" || status=$?
    if [ $status -ne 0 ] || ! grep -q "^session complete" "$work/$sample/session.log"; then
        echo "FAILED: the $sample sample's session (exit status $status)"
        failed=1
    fi
done
"$scripts/wine-run.sh" "$release/tools/devlauncher/tesma-devlauncher.exe" unregister >/dev/null
exit $failed
