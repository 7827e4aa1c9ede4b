#!/usr/bin/env bash
# Runs one Windows program under Wine in the prefix named by WINEPREFIX, bounded
# in time and with stdin from /dev/null, so a stuck program cannot hang a run.
set -u
: "${WINEPREFIX:?WINEPREFIX must name the test prefix}"
export WINEDEBUG=${WINEDEBUG:--all}
# Where 32-bit programs run under qemu-user (see install-deps.sh), Wine needs
# the emulated address space reserved up front to place its shared data.
export QEMU_RESERVED_VA=${QEMU_RESERVED_VA:-0xffff0000}
exec timeout --kill-after=10 "${TESMA_WINE_TIMEOUT:-600}" wine "$@" </dev/null
