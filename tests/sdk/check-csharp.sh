#!/usr/bin/env bash
# The C# declarations compile with Debian's mono-mcs and hold one declaration
# set per library, Dll32 for tesmaclient.dll and Dll64 for tesmaclient64.dll:
# each declares exactly the functions the C header declares, each __cdecl,
# and the two differ in the library's name alone. Every public function of
# Native passes its arguments, in order, to the function of its own name in
# both sets, the 64-bit one when the process is 64-bit. Every callback
# delegate is __cdecl. Its packages serve tests/csharp as well, which runs them.
#   check-csharp.sh C_HEADER CSHARP_FILE OUT_DIR  |  check-csharp.sh --packages
set -euo pipefail
[ "${1:-}" = --packages ] && { echo mono-mcs mono-runtime; exit 0; }
header=$1 csharp=$2 out=$3
mkdir -p "$out"
fail() { echo "check-csharp: $*" >&2; exit 1; }
mcs -target:library -warnaserror+ -out:"$out/Tesmaclient.dll" "$csharp" || fail "$csharp does not compile"
"$(dirname "$0")/../../cmake/c-functions.sh" "$header" > "$out/header-functions.txt"
for set in Dll32:tesmaclient.dll Dll64:tesmaclient64.dll; do
    class=${set%%:*} library=${set#*:}
    awk -v class="$class" '$0 ~ "class " class "$" { on = 1 } on { print } on && /^ *}$/ { exit }' "$csharp" \
        > "$out/$class.cs"
    grep -qxF "            private const string Dll = \"$library\";" "$out/$class.cs" \
        || fail "no declaration set $class for $library"
    sed -nE 's/.*EntryPoint = "(tesmaclient_[a-z0-9_]+)".*/\1/p' "$out/$class.cs" | LC_ALL=C sort \
        > "$out/$class-functions.txt"
    diff -u "$out/header-functions.txt" "$out/$class-functions.txt" >&2 \
        || fail "the functions of $class differ from those of $header (- header, + C#)"
done
diff -u --label Dll32 --label Dll64 <(sed 1,3d "$out/Dll32.cs") <(sed 1,3d "$out/Dll64.cs") >&2 \
    || fail "the declarations for tesmaclient.dll and tesmaclient64.dll differ (- Dll32, + Dll64)"
imports=$(grep -c 'DllImport(' "$csharp")
cdecl_imports=$(grep -c 'DllImport(Dll, CallingConvention = CallingConvention.Cdecl, EntryPoint = "' "$csharp")
[ "$imports" = "$cdecl_imports" ] || fail "$((imports - cdecl_imports)) imports are not __cdecl with an EntryPoint"
# Native's functions, one a line: the declarations' signatures and the
# dispatchers' signatures, each dispatcher with its calls of both sets.
perl -0777 -ne '
    s{//[^\n]*}{}g; s/\[MarshalAs\([^)]*\)\] //g; s/\s+/ /g;
    my ($native) = /public static class Native \{(.*?)private static class Dll32/ or die "no class Native\n";
    my ($declared) = /private static class Dll32 \{(.*?)\}/;
    print "declared $1 $2($3)\n" while $declared =~ /public static extern (\w+) (\w+)\(([^)]*)\);/g;
    while ($native =~ /public static (\w+) (\w+)\(([^)]*)\) \{ ([^{}]*?) \}/g) {
        my ($type, $name, $params, $body) = ($1, $2, $3, $4);
        my $args = join ", ", map { /^(ref )?\S+ (\w+)$/ ? ($1 // "") . $2 : "?" } split /, /, $params;
        my $expected = $type eq "void" ? "if (Is64) Dll64.$name($args); else Dll32.$name($args);"
                                       : "return Is64 ? Dll64.$name($args) : Dll32.$name($args);";
        print "declared $type $name($params)\n";
        print $body eq $expected ? "dispatched $name\n" : "misdispatched $name: $body\n";
    }' "$csharp" | LC_ALL=C sort > "$out/native.txt"
functions=$(grep -c '^declared' "$out/native.txt" || true)
[ "$functions" -gt 0 ] && [ "$(grep -c '^dispatched' "$out/native.txt")" -eq $((functions / 2)) ] \
    && [ -z "$(grep '^declared' "$out/native.txt" | uniq -u)" ] \
    || { grep -v '^dispatched' "$out/native.txt" | uniq -u >&2
         fail "Native's functions and the declarations differ, or a function calls others than its own"; }
delegates=$(grep -c 'public delegate' "$csharp")
cdecl_delegates=$(grep -c 'UnmanagedFunctionPointer(CallingConvention.Cdecl)' "$csharp")
callbacks=$(grep -c '_callback)(' "$header")
[ "$delegates" = "$cdecl_delegates" ] && [ "$delegates" = "$callbacks" ] \
    || fail "$delegates delegates, $cdecl_delegates of them __cdecl, for $callbacks callback types"
echo "C#: $(wc -l < "$out/Dll32-functions.txt") functions as the header declares them for each library," \
     "$((functions / 2)) of Native calling the library of the process's width, $delegates __cdecl callbacks"
