#!/usr/bin/env bash
# Fails when tesmaclient.def drifts from the public header or the DLL drifts
# from tesmaclient.def, then writes the import definitions for the two import
# libraries: MSVC's decorated names, and GCC's names.
#   check-exports.sh DEF MSVC_OBJ GNU_OBJ DLL OUT_DIR C_HEADER
set -euo pipefail
def=$1 msvc_obj=$2 gnu_obj=$3 dll=$4 out=$5 c_header=$6
fail() { echo "check-exports: $*" >&2; exit 1; }
source "$(dirname "$0")/pe-target.sh"
pe_target "$dll"

# "exported-name our-symbol" lines from the .def: the quoted MSVC names, each
# mapped to our symbol; GCC's names, exported as our symbol of that name
# unless mapped. C names are exported as they are, to both kinds of caller.
grep -E '^\s*"' "$def" | sed -E 's/^\s*"([^"]+)"=([^ ]+)\s*$/\1 \2/' > "$out/msvc-pairs.txt"
grep -E '^\s*_Z' "$def" | sed -E 's/^\s*([^= ]+)\s*$/\1=\1/; s/^\s*([^= ]+)=([^ ]+)\s*$/\1 \2/' > "$out/gnu-pairs.txt"
{ grep -E '^\s+[A-Za-z][A-Za-z0-9_]*\s*$' "$def" || true; } | tr -d ' \t' > "$out/c-names.txt"
cut -d' ' -f1 "$out/msvc-pairs.txt" | sort - "$out/c-names.txt" > "$out/def-msvc-names.txt"
cut -d' ' -f1 "$out/gnu-pairs.txt" | sort - "$out/c-names.txt" > "$out/def-gnu-names.txt"
cut -d' ' -f1 "$out/msvc-pairs.txt" "$out/gnu-pairs.txt" | sort - "$out/c-names.txt" > "$out/def-names.txt"
[ "$(sort -u "$out/def-names.txt" | wc -l)" -eq "$(wc -l < "$out/def-names.txt")" ] || fail "duplicate name in $def"

# What a compile of the header demands, in MSVC mode and by MinGW's GCC (whose
# symbols carry i386's leading underscore, which export names do not; in MSVC
# mode only C names carry it, decorated names start with '?'; x86_64 has none).
llvm-nm --undefined-only "$msvc_obj" | sed -nE 's/^\s*U __imp_(.*)$/\1/p' | sed -E 's/^_//' | sort \
    > "$out/msvc-names.txt"
llvm-nm --undefined-only "$gnu_obj" | sed -nE "s/^\s*U __imp_$underscore(.*)\$/\1/p" | sort > "$out/gnu-names.txt"
# The objects use every function the C header declares: none was left out.
"$(dirname "$0")/c-functions.sh" "$c_header" > "$out/c-header-names.txt"
missing=$(LC_ALL=C comm -23 "$out/c-header-names.txt" <(LC_ALL=C sort "$out/msvc-names.txt") | tr '\n' ' ')
[ -z "$missing" ] || fail "UseEveryExport.cpp leaves out functions of $c_header: $missing"
for compiler in msvc gnu; do
    if ! diff -u "$out/$compiler-names.txt" "$out/def-$compiler-names.txt" > "$out/$compiler-names.diff"; then
        cat "$out/$compiler-names.diff" >&2
        fail "the $compiler exports in $def differ from what the public header demands (- header, + def)"
    fi
done

# Each export must reach the member it names, with the same parameters. A
# constructor is exported through kz::tesmaclient::abi::Construct<Class>,
# which takes the object and returns it as MSVC's callers expect; GCC's
# callers, complete-object (C1) and base-object (C2) alike, ignore the result.
signature() { sed -E 's/\b(class|struct) //g; s/ ?__ptr64//g; s/\(void\)/()/; s/ //g'; }
reached() {
    local member=$1
    if [[ $member =~ ^(.*)::([A-Za-z_0-9]+)::([A-Za-z_0-9]+)\(\)$ ]] && [ "${BASH_REMATCH[2]}" = "${BASH_REMATCH[3]}" ]; then
        member="${BASH_REMATCH[1]}::abi::Construct${BASH_REMATCH[2]}(${BASH_REMATCH[1]}::${BASH_REMATCH[2]}*)"
    fi
    echo "$member"
}
demangle() { echo "$underscore$1" | $mingw-c++filt | signature; }
while read -r msvc ours; do
    # Members are __thiscall on i386, everything __cdecl on x86_64; what precedes is access and result.
    member=$(llvm-undname "$msvc" | tail -n +2 | sed -E 's/^[a-z]+: //; s/^.*(__thiscall|__cdecl) //' | signature)
    [ "$(reached "$member")" = "$(demangle "$ours")" ] || fail "$msvc is mapped to a different member: $(demangle "$ours")"
done < "$out/msvc-pairs.txt"
while read -r gnu ours; do
    [ "$(reached "$(demangle "$gnu")")" = "$(demangle "$ours")" ] || fail "$gnu is mapped to a different member: $(demangle "$ours")"
done < "$out/gnu-pairs.txt"

# The DLL exports exactly the .def's names, both sets, and imports only system libraries.
$mingw-objdump -p "$dll" > "$out/dll-headers.txt"
sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' "$out/dll-headers.txt" | sed -nE 's/^\s*\[\s*[0-9]+\] (.*)$/\1/p' \
    | sort > "$out/dll-names.txt"
diff -u "$out/def-names.txt" "$out/dll-names.txt" >&2 || fail "the DLL's export table differs from $def"
imports=$(sed -nE 's/^\s*DLL Name: (.*)$/\1/p' "$out/dll-headers.txt" | sort | tr '\n' ' ')
[ "$imports" = "ADVAPI32.dll KERNEL32.dll msvcrt.dll " ] || fail "the DLL imports $imports"

# Import definitions, each with the names its linkers' callers use.
for compiler in msvc gnu; do
    { echo "LIBRARY $(basename "$dll")"; echo "EXPORTS"; sed -E 's/^/    "/; s/$/"/' "$out/$compiler-names.txt"; } \
        > "$out/imports-$compiler.def"
done
