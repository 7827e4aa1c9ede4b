#!/usr/bin/env bash
# The C# declarations compile with Debian's mono-mcs, declare exactly the
# functions the C header declares, each __cdecl, and every callback delegate
# is __cdecl. Its packages serve tests/csharp as well, which runs them.
#   check-csharp.sh C_HEADER CSHARP_FILE OUT_DIR  |  check-csharp.sh --packages
set -euo pipefail
[ "${1:-}" = --packages ] && { echo mono-mcs mono-runtime; exit 0; }
header=$1 csharp=$2 out=$3
mkdir -p "$out"
fail() { echo "check-csharp: $*" >&2; exit 1; }
mcs -target:library -warnaserror+ -out:"$out/Tesmaclient.dll" "$csharp" || fail "$csharp does not compile"
"$(dirname "$0")/../../cmake/c-functions.sh" "$header" > "$out/header-functions.txt"
sed -nE 's/.*EntryPoint = "(tesmaclient_[a-z0-9_]+)".*/\1/p' "$csharp" | LC_ALL=C sort > "$out/csharp-functions.txt"
diff -u "$out/header-functions.txt" "$out/csharp-functions.txt" >&2 \
    || fail "the functions of $csharp differ from those of $header (- header, + C#)"
imports=$(grep -c 'DllImport(' "$csharp")
cdecl_imports=$(grep -c 'DllImport(Dll, CallingConvention = CallingConvention.Cdecl, EntryPoint = "' "$csharp")
[ "$imports" = "$cdecl_imports" ] || fail "$((imports - cdecl_imports)) imports are not __cdecl with an EntryPoint"
delegates=$(grep -c 'public delegate' "$csharp")
cdecl_delegates=$(grep -c 'UnmanagedFunctionPointer(CallingConvention.Cdecl)' "$csharp")
callbacks=$(grep -c '_callback)(' "$header")
[ "$delegates" = "$cdecl_delegates" ] && [ "$delegates" = "$callbacks" ] \
    || fail "$delegates delegates, $cdecl_delegates of them __cdecl, for $callbacks callback types"
echo "C#: $(wc -l < "$out/csharp-functions.txt") functions as the header declares them, $delegates __cdecl callbacks"
