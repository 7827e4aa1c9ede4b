#!/usr/bin/env bash
# Packs the product configuration's install tree into the release archive and
# checks it: exactly the files of the list, a DLL that carries its version
# and names its PDB, and the PDB beside it.
#   make-release.sh CPACK PRODUCT_BUILD_DIR ARCHIVE FILE_LIST
set -euo pipefail
cpack=$1 product=$2 archive=$3 list=$4
fail() { echo "make-release: $*" >&2; exit 1; }

(cd "$product" && "$cpack" -G ZIP >cpack.log) || { cat "$product/cpack.log"; fail "cpack failed"; }
[ -f "$archive" ] || fail "cpack did not write $archive"

top=$(basename "$archive" .zip)
version=${top#tesmaclient-}
unzip -Z1 "$archive" | grep -v '/$' | sed "s|^$top/||" | sort > "$product/release-files.txt"
sort "$list" | diff -u - "$product/release-files.txt" >&2 || fail "the archive's files differ from $list (+ archive)"

check=$product/release-check
rm -rf "$check"
mkdir -p "$check"
unzip -q "$archive" "$top/bin/*" -d "$check"
# Each tool's whole output first: grep -q would end the pipe early.
dll=$check/$top/bin/tesmaclient.dll
strings -el "$dll" > "$check/strings.txt"
grep -qx "$version" "$check/strings.txt" || fail "tesmaclient.dll carries no version resource for $version"
llvm-readobj --coff-debug-directory "$dll" > "$check/debug-directory.txt"
grep -q 'PDBFileName: tesmaclient\.pdb' "$check/debug-directory.txt" || fail "tesmaclient.dll names no tesmaclient.pdb"
llvm-pdbutil dump -publics "$check/$top/bin/tesmaclient.pdb" > "$check/publics.txt"
grep -q 'TesmaClient' "$check/publics.txt" || fail "tesmaclient.pdb holds no symbols of the library"
echo "release archive: $archive"
