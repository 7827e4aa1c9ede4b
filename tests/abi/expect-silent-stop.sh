#!/usr/bin/env bash
# Runs a Windows program under Wine and passes when it ended with the given
# exit code and printed nothing at all.   expect-silent-stop.sh CODE PROGRAM [ARG...]
set -u
code=$1
shift
output=$("$(dirname "$0")/../../scripts/wine-run.sh" "$@" 2>&1)
status=$?
echo "exit code $status, expected $code"
[ -z "$output" ] || { echo "printed:"; echo "$output"; exit 1; }
[ "$status" -eq "$code" ]
