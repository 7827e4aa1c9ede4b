#!/usr/bin/env bash
# Fails when tesmaclient.def drifts from the public header or the DLL drifts
# from tesmaclient.def, then writes the import definitions for the two import
# libraries.
#   check-exports.sh DEF MSVC_OBJ DLL OUT_DIR
set -euo pipefail
def=$1 obj=$2 dll=$3 out=$4
fail() { echo "check-exports: $*" >&2; exit 1; }

# "msvc-name"=gnu-name pairs from the .def.
grep -E '^\s*"' "$def" | sed -E 's/^\s*"([^"]+)"=([^ ]+)\s*$/\1 \2/' > "$out/pairs.txt"
cut -d' ' -f1 "$out/pairs.txt" | sort > "$out/def-names.txt"
[ "$(sort -u "$out/def-names.txt" | wc -l)" -eq "$(wc -l < "$out/def-names.txt")" ] || fail "duplicate name in $def"

# What an MSVC-mode compile of the header demands.
llvm-nm --undefined-only "$obj" | sed -nE 's/^\s*U __imp_(.*)$/\1/p' | sort > "$out/msvc-names.txt"
if ! diff -u "$out/msvc-names.txt" "$out/def-names.txt" > "$out/names.diff"; then
    cat "$out/names.diff" >&2
    fail "the exports in $def differ from what the public header demands (- header, + def)"
fi

# Both sides of each pair must name the same member with the same parameters.
# A constructor is exported through kz::tesmaclient::abi::Construct<Class>,
# which takes the object and returns it as MSVC's callers expect; GCC-built
# callers reach the same export under the constructor's own name.
signature() { sed -E 's/\b(class|struct) //g; s/\(void\)/()/; s/ //g'; }
: > "$out/gnu-pairs.txt"
while read -r msvc gnu; do
    left=$(llvm-undname "$msvc" | tail -n +2 | sed -E 's/^[a-z]+: //; s/^.*__thiscall //' | signature)
    right=$(echo "_$gnu" | i686-w64-mingw32-c++filt | signature)
    caller=$gnu
    if [[ $left =~ ^(.*)::([A-Za-z_0-9]+)::([A-Za-z_0-9]+)\(\)$ ]] && [ "${BASH_REMATCH[2]}" = "${BASH_REMATCH[3]}" ]; then
        scope=${BASH_REMATCH[1]} class=${BASH_REMATCH[2]}
        left="$scope::abi::Construct$class($scope::$class*)"
        caller=_ZN
        for part in ${scope//::/ } $class; do caller+="${#part}$part"; done
        caller+=C1Ev
    fi
    [ "$left" = "$right" ] || fail "$msvc is mapped to a different member: $left vs $right"
    echo "$caller $msvc" >> "$out/gnu-pairs.txt"
done < "$out/pairs.txt"

# The DLL exports exactly the .def's names and imports only system libraries.
i686-w64-mingw32-objdump -p "$dll" > "$out/dll-headers.txt"
sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' "$out/dll-headers.txt" | sed -nE 's/^\s*\[\s*[0-9]+\] (.*)$/\1/p' \
    | sort > "$out/dll-names.txt"
diff -u "$out/def-names.txt" "$out/dll-names.txt" >&2 || fail "the DLL's export table differs from $def"
imports=$(sed -nE 's/^\s*DLL Name: (.*)$/\1/p' "$out/dll-headers.txt" | sort | tr '\n' ' ')
[ "$imports" = "ADVAPI32.dll KERNEL32.dll msvcrt.dll " ] || fail "the DLL imports $imports"

# Import definitions: decorated names for MSVC-style linkers, GCC's names
# aliased to them for our own GCC-built programs.
{ echo "LIBRARY tesmaclient.dll"; echo "EXPORTS"; sed -E 's/^/    "/; s/$/"/' "$out/def-names.txt"; } \
    > "$out/imports-msvc.def"
{ echo "LIBRARY tesmaclient.dll"; echo "EXPORTS"; awk '{ print "    " $1 " == " $2 }' "$out/gnu-pairs.txt"; } \
    > "$out/imports-gnu.def"
