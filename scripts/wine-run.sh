#!/usr/bin/env bash
# Runs one Windows program under Wine in the prefix named by WINEPREFIX, bounded
# in time and with stdin from /dev/null, so a stuck program cannot hang a run.
set -u
: "${WINEPREFIX:?WINEPREFIX must name the test prefix}"
export WINEDEBUG=${WINEDEBUG:--all}
exec timeout --kill-after=10 "${TESMA_WINE_TIMEOUT:-120}" wine "$@" </dev/null
