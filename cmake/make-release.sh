#!/usr/bin/env bash
# Installs the product configuration into BUILD_DIR/stage/tesmaclient-<version>
# (BUILD_DIR/sdk names it: the installed package the Windows tests find), packs
# that tree into the release archive and checks it: exactly the files of the
# list, a DLL that carries its version and names its PDB, and the PDB beside it.
#   make-release.sh BUILD_DIR ARCHIVE FILE_LIST
set -euo pipefail
build=$1 archive=$2 list=$3
fail() { echo "make-release: $*" >&2; exit 1; }
top=$(basename "$archive" .zip)
version=${top#tesmaclient-}

# A fresh install tree, so that no file of an earlier build stays; sdk/ names it.
rm -rf "$build/stage" "$build/sdk"
cmake --install "$build" --prefix "$build/stage/$top" >"$build/install.log" \
    || { cat "$build/install.log"; fail "install failed"; }
ln -s "stage/$top" "$build/sdk"
rm -f "$archive"
(cd "$build/stage" && cmake -E tar cf "$archive" --format=zip "$top") || fail "could not write $archive"

unzip -Z1 "$archive" | grep -v '/$' | sed "s|^$top/||" | sort > "$build/release-files.txt"
sort "$list" | diff -u - "$build/release-files.txt" >&2 || fail "the archive's files differ from $list (+ archive)"

check=$build/release-check
rm -rf "$check"
mkdir -p "$check"
unzip -q "$archive" "$top/bin/*" "$top/bin64/*" -d "$check" 2>/dev/null || unzip -q "$archive" "$top/bin/*" -d "$check"
# Each tool's whole output first: grep -q would end the pipe early.
for name in bin/tesmaclient bin64/tesmaclient64; do
    dll=$check/$top/$name.dll
    [ -e "$dll" ] || continue
    base=$(basename "$name")
    strings -el "$dll" > "$check/$base-strings.txt"
    grep -qx "$version" "$check/$base-strings.txt" || fail "$base.dll carries no version resource for $version"
    llvm-readobj --coff-debug-directory "$dll" > "$check/$base-debug-directory.txt"
    grep -q "PDBFileName: $base\\.pdb" "$check/$base-debug-directory.txt" || fail "$base.dll names no $base.pdb"
    llvm-pdbutil dump -publics "$check/$top/$name.pdb" > "$check/$base-publics.txt"
    grep -q 'TesmaClient' "$check/$base-publics.txt" || fail "$base.pdb holds no symbols of the library"
done
# The 32-bit library the host runs on is this release's own.
if [ -e "$check/$top/bin64/tesmaclient.dll" ]; then
    cmp -s "$check/$top/bin/tesmaclient.dll" "$check/$top/bin64/tesmaclient.dll" \
        || fail "bin64/tesmaclient.dll is not bin/tesmaclient.dll"
fi
echo "release archive: $archive"
