#!/usr/bin/env bash
# Builds targets of a configured build directory on two cores, telling which
# build it is and then one line per ten steps instead of one per step;
# compiler messages pass unchanged. (A shell loop, not awk: mawk reads a pipe
# in blocks and would hold the lines back.)
#   build-targets.sh BUILD_DIR TARGET...
set -euo pipefail
build=$1
shift
echo "  building $* in $build"
cmake --build "$build" -j2 --target "$@" | while IFS= read -r line; do
    if [[ $line =~ ^\[([0-9]+)/([0-9]+)\]\  ]]; then
        step=${BASH_REMATCH[1]} steps=${BASH_REMATCH[2]}
        ((step % 10 == 0 || step == steps)) && echo "  step $step/$steps"
    elif [[ $line != "ninja: no work to do." ]]; then
        echo "$line"
    fi
done
