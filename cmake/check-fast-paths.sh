#!/usr/bin/env bash
# Fails when the shipped DLL lacks the text codecs' SSE2 fast paths, as it
# would if the library were compiled for a CPU without SSE2: each codec
# function the DLL holds, found in the PDB, must use SSE2 instructions.
#   check-fast-paths.sh DLL PDB
set -euo pipefail
dll=$1 pdb=$2
fail() { echo "check-fast-paths: $*" >&2; exit 1; }

# The codecs with fast paths; their helpers with the loops are inlined. The
# 64-bit library, whose host reads the registry, links fewer of them.
functions=(kz::text::DecodeUtf8 kz::text::WidenUnitsBelowSurrogates kz::text::EncodeUtf16)
checked=0

symbols=$(llvm-pdbutil dump -symbols "$pdb")
# Section addresses as loaded (image base included), by section number.
sections=$(llvm-objdump -h "$dll" | awk '$1 ~ /^[0-9]+$/ { print $1 + 1, $4 }')

for function in "${functions[@]}"; do
    # "S_GPROC32 ... `name`", then a line with "addr = SECTION:OFFSET, code size = SIZE".
    read -r section offset size < <(sed -nE "/S_GPROC32 .*\`$function\`/{n;s/.*addr = ([0-9]+):([0-9]+), code size = ([0-9]+).*/\1 \2 \3/p}" \
        <<<"$symbols") || continue
    section=$((10#$section))
    base=$(awk -v n="$section" '$1 == n { print $2 }' <<<"$sections")
    [ -n "$base" ] || fail "$dll has no section $section for $function"
    start=$((16#$base + offset))
    code=$(llvm-objdump -d --no-show-raw-insn --start-address=$start --stop-address=$((start + size)) "$dll")
    # Blocks loaded and stored by movdqu and tested by packed-integer
    # instructions on XMM registers (pmovmskb, pcmpgtd, ...): both are SSE2's.
    grep -qE '\smovdqu\s.*%xmm' <<<"$code" ||
        fail "$function in $dll has no movdqu: its SSE2 fast path is missing"
    grep -qE '\sp[a-z]+\s.*%xmm' <<<"$code" ||
        fail "$function in $dll has no packed-integer SSE2 instruction: its fast path is missing"
    checked=$((checked + 1))
done
[ $checked -ge 2 ] || fail "$pdb holds $checked of the codecs ${functions[*]}"
