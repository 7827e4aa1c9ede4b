#!/usr/bin/env bash
# Fails when the shipped DLL carries more runtime than the library needs: an
# import beyond the expected list, a thread-local-storage callback beyond the
# C runtime start-up's two, POSIX thread code, or code that throws.
#   check-runtime.sh DLL EXPECTED_IMPORTS PDB
set -euo pipefail
dll=$1 expected=$2 pdb=$3
fail() { echo "check-runtime: $*" >&2; exit 1; }
source "$(dirname "$0")/pe-target.sh"
pe_target "$dll"

# Every imported function, as "DLL function", against the committed list.
actual=$($mingw-objdump -p "$dll" | awk '
    /^\tDLL Name: / { dll = $3; next }
    /^\tvma:/ { next }
    dll != "" && NF == 0 { dll = ""; next }
    dll != "" && NF >= 3 { print dll, $3 }' | sort)
if ! diff -u <(grep -v '^#' "$expected" | sort) <(echo "$actual") >&2; then
    fail "the DLL's imports differ from $expected (- expected, + DLL)"
fi

# The TLS callbacks: a null-terminated array of addresses, read from the
# section dump word by word (little-endian words print byte-reversed), an
# address every pointer/4 words.
callbacks=$(llvm-readobj --coff-tls-directory "$dll" | sed -nE 's/^\s*AddressOfCallBacks: 0x([0-9A-Fa-f]+)$/\1/p')
count=$(llvm-objdump -s "$dll" | awk -v start=$((16#${callbacks:-0})) -v words=$((pointer / 4)) '
    function value(hex,   i, v) { v = 0; for (i = 1; i <= length(hex); i++) v = v * 16 + index("0123456789abcdef", substr(hex, i, 1)) - 1; return v }
    start != 0 && NF >= 2 && $1 ~ /^[0-9a-f]+$/ {
        address = value($1)
        for (i = 2; i <= 5 && $i ~ /^[0-9a-f]+$/; i++) {
            if (address >= start && !done) {
                nonzero = nonzero || $i != "00000000"
                if (++word == words) { if (nonzero) count++; else done = 1; word = 0; nonzero = 0 }
            }
            address += length($i) / 2
        }
    }
    END { print count + 0 }')
[ "$count" -eq 2 ] || fail "the DLL registers $count TLS callbacks, not the C runtime start-up's 2"

# The public symbols of the PDB, which lists everything linked in, the
# static runtimes' code too.
publics=$(llvm-pdbutil dump -publics "$pdb" | sed -nE 's/^.*S_PUB32 .*`(.*)`$/\1/p')
grep -q "^${underscore}_ZN2kz11tesmaclient" <<<"$publics" || fail "$pdb has no public symbols of the library"
u=$underscore
if grep -E "^(${u}pthread_|${u}__cxa_throw|${u}_Unwind_RaiseException|${u}__cxa_begin_catch)" <<<"$publics" >&2; then
    fail "the DLL carries POSIX thread or exception-throwing code"
fi
