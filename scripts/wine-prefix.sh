#!/usr/bin/env bash
# wine-prefix.sh start|stop: creates the test prefix and keeps one wineserver
# for it, detached from our output, so that later Wine programs do not leave a
# server holding the test runner's pipes; stop ends that server.
set -u
: "${WINEPREFIX:?WINEPREFIX must name the test prefix}"
export WINEDEBUG=${WINEDEBUG:--all}
# No Mono or Gecko: the tests need neither, and their installers would prompt.
export WINEDLLOVERRIDES="mscoree,mshtml="
export QEMU_RESERVED_VA=${QEMU_RESERVED_VA:-0xffff0000} # see wine-run.sh
case "${1:-}" in
start)
    mkdir -p "$WINEPREFIX"
    wineserver -p >/dev/null 2>&1 </dev/null &
    sleep 1
    # Boots the prefix here, creating it the first time, so that Wine's
    # services start detached from our output; started by a test's program
    # instead, they would keep its output open and hang the test runner.
    if [ -f "$WINEPREFIX/system.reg" ]; then
        timeout 900 wineboot >/dev/null 2>&1 </dev/null
    else
        # 64-bit Windows, as players have it: 32-bit programs run under WoW64
        # and read the 32-bit registry view.
        WINEARCH=win64 timeout 900 wineboot --init >/dev/null 2>&1 </dev/null
    fi
    exit 0
    ;;
stop)
    wineserver -k >/dev/null 2>&1 </dev/null
    exit 0
    ;;
*)
    echo "usage: wine-prefix.sh start|stop" >&2
    exit 2
    ;;
esac
