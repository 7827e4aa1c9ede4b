#!/usr/bin/env bash
# Runs every native test program under valgrind's memcheck, from a build
# without sanitizers (build/valgrind): no memory error, no definite or
# indirect leak. The save-game objects the library hands to the game are
# never freed by design and are suppressed (tests/client/savegame-objects-valgrind.supp).
#
# Programs that take over the heap run unchanged: containers_tests and
# launcher_instance_tests link malloc through wrappers of their own
# (--wrap=malloc), which call the real malloc, the very one valgrind replaces,
# so valgrind sees every block and the tests still count what they count. The
# death tests (FatalError's stop) run in gtest's "threadsafe" style: the child
# re-executes the program, which valgrind does not follow, so it ends by its
# SIGILL natively and quietly. In the default "fast" style the child is a fork
# still under valgrind, which reports its fatal signal at length and whose
# findings could not fail the run anyway.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(cmake ninja-build g++ googletest valgrind)
[ "${1:-}" = --packages ] && { echo "${packages[@]}"; exit 0; }
scripts/install-packages.sh "${packages[@]}"

build=build/valgrind
cmake --preset valgrind >/dev/null
# Every native test but the scripts (label "script") is a program of the same name.
mapfile -t programs < <(ctest --test-dir "$build" -N -LE script | sed -n 's/^ *Test *#[0-9]*: //p')
scripts/build-targets.sh "$build" "${programs[@]}"

mkdir -p "$build/logs"
# check PROGRAM: one program under memcheck, then a line of its results; fails
# when the program or valgrind found a fault.
check() {
    local program=$1 path log run seconds=0 result status=0
    path=$(find "$build/tests" -type f -name "$program" -perm -u+x | head -1)
    log=$build/logs/$program
    valgrind --error-exitcode=99 --leak-check=full --show-leak-kinds=definite,indirect \
        --errors-for-leak-kinds=definite,indirect --suppressions=tests/client/savegame-objects-valgrind.supp \
        --log-file="$log.valgrind" "$path" --gtest_death_test_style=threadsafe >"$log.out" 2>&1 &
    run=$!
    # A program can take minutes under valgrind: every 30 seconds, how far it got.
    while kill -0 $run 2>/dev/null; do
        sleep 1
        if ((++seconds % 30 == 0)) && kill -0 $run 2>/dev/null; then
            echo "  $program: $(grep -c '^\[       OK \]' "$log.out") tests passed after $seconds s"
        fi
    done
    if wait $run; then
        result=ok
    else
        result="FAILED (see $log.out and $log.valgrind)"
        status=1
    fi
    tests=$(sed -n 's/^\[==========\] \([0-9]*\) tests\{0,1\} from.*ran.*/\1/p' "$log.out")
    errors=$(sed -n 's/.*ERROR SUMMARY: \([0-9]*\) errors.*/\1/p' "$log.valgrind")
    lost=$(sed -n 's/.*definitely lost: \([0-9,]*\) bytes.*/\1/p' "$log.valgrind")
    indirect=$(sed -n 's/.*indirectly lost: \([0-9,]*\) bytes.*/\1/p' "$log.valgrind")
    suppressed=$(sed -n 's/.*suppressed: \([0-9,]*\) bytes in \([0-9,]*\) blocks.*/\1 bytes in \2 blocks/p' "$log.valgrind")
    echo "$program: $result; ${tests:-?} tests, ${errors:-?} errors, definitely lost ${lost:-0} bytes," \
         "indirectly lost ${indirect:-0} bytes, suppressed ${suppressed:-nothing}"
    return $status
}

# Two programs at a time, one per core. (Not `wait -n`: it misses a job that
# ended before it was called.)
status=0
running=()
# Waits until one of the running programs has ended and takes its status.
take_one() {
    while :; do
        for i in "${!running[@]}"; do
            if ! kill -0 "${running[i]}" 2>/dev/null; then
                wait "${running[i]}" || status=1
                unset 'running[i]'
                return
            fi
        done
        sleep 1
    done
}
for program in "${programs[@]}"; do
    ((${#running[@]} < 2)) || take_one
    check "$program" &
    running+=($!)
done
for pid in "${running[@]}"; do
    wait "$pid" || status=1
done
exit $status
