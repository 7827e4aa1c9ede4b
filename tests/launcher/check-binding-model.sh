#!/usr/bin/env bash
# Checks the binding protocol's model with spin: exhaustively as the code is,
# and with each step of the protocol removed in turn, which must break the
# property named for it (1 freed under a call, 2 freed client state reached,
# 3 deadlock, 4 leak, 5 listener after its client's destruction; see
# BindingProtocol.pml).
#   check-binding-model.sh SOURCE_DIR SCRATCH_DIR
set -uo pipefail
model=$1/tests/launcher/BindingProtocol.pml
scratch=$2
# name, spin flags, the property that must break (none: must pass).
variants=(
    "clean||none"
    "NO_RETIRE|-DNO_RETIRE|2"
    "NO_INPROGRESS|-DNO_INPROGRESS|1"
    "NO_OWNTHREAD|-DNO_OWNTHREAD|3"
    "NO_RECHECK|-DNO_RECHECK|1"
    "UNLOCKED_UNLINK|-DUNLOCKED_UNLINK|2"
    "CHECK_FIRST|-DCHECK_FIRST|1"
    "LOCKED_FREE|-DLOCKED_FREE|3"
    "NO_RELEASE_WAIT|-DNO_RELEASE_WAIT|4"
    "COUNT_ANY|-DCOUNT_ANY|2"
    "NO_FORGET|-DNO_FORGET|5"
    "NO_RETIRE_WAIT|-DNO_RETIRE_WAIT|5"
    "WAIT_OWN|-DWAIT_OWN|3"
    "RETIRED_FIRST|-DRETIRED_FIRST|2"
    "UNLOCKED_LIST|-DUNLOCKED_LIST|2"
    "TAKE_FIRST|-DTAKE_FIRST|2"
    "NO_LOADED_CHECK|-DNO_LOADED_CHECK|2"
    "NO_DETACH_WAIT|-DNO_DETACH_WAIT|2"
)

# Runs one variant in its own directory; writes its verdict to result.
check() {
    local dir=$scratch/$1 flags=$2 found depth
    rm -rf "$dir" && mkdir -p "$dir" && cd "$dir" || return
    if ! spin $flags -a "$model" >spin.log 2>&1 || ! gcc -O0 -DSAFETY -DCOLLAPSE -o pan pan.c 2>gcc.log; then
        echo "unbuilt 0 0" >result
        return
    fi
    ./pan -m100000 >pan.log 2>&1
    if grep -q "errors: 0" pan.log && ! grep -q "Search not completed\|depth too small" pan.log; then
        found=none
    elif grep -q "invalid end state (at" pan.log; then
        found=3
    elif grep -q "assertion violated.*leak" pan.log; then
        found=4
    elif grep -q "assertion violated.*destroyReturned" pan.log; then
        found=5
    elif grep -q "assertion violated.*pstate" pan.log; then
        found=2
    elif grep -q "assertion violated.*\(inCall\|mapped\)" pan.log; then
        found=1
    else
        found=unknown
    fi
    depth=$(grep -m1 -o "at depth [0-9]*" pan.log | awk '{print $3}')
    echo "$found $(grep -m1 'states, stored' pan.log | awk '{print $1}') ${depth:-0}" >result
}

names=()
for v in "${variants[@]}"; do
    IFS='|' read -r name flags expected <<<"$v"
    names+=("$name")
    while [ "$(jobs -rp | wc -l)" -ge 2 ]; do wait -n; done
    check "$name" "$flags" &
done
wait

describe() {
    case $1 in
        none) echo "clean" ;;
        1) echo "property 1 broken: the library freed or entered under a call" ;;
        2) echo "property 2 broken: an answer reached a freed Pimpl" ;;
        3) echo "property 3 broken: deadlock" ;;
        4) echo "property 4 broken: library or Pimpl left at the end" ;;
        5) echo "property 5 broken: a listener ran after its client's destruction returned" ;;
        unbuilt) echo "the model does not build" ;;
        *) echo "$1" ;;
    esac
}
failed=0
for v in "${variants[@]}"; do
    IFS='|' read -r name flags expected <<<"$v"
    read -r found states depth <"$scratch/$name/result"
    line="$name: $(describe "$found") ($states states"
    [ "$found" = none ] || line="$line, at depth $depth"
    line="$line)"
    if [ "$found" != "$expected" ]; then
        line="$line -- FAILED, expected: $(describe "$expected") (see $scratch/$name)"
        failed=1
    fi
    echo "$line"
done
exit $failed
