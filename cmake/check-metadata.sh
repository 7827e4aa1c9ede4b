#!/usr/bin/env bash
# Fails when what Windows and its debuggers read about the shipped DLL is
# missing or wrong: the version resource must carry the project's version, and
# the debug directory must name the PDB beside the DLL, by file name only, with
# that PDB's GUID and age, so a debugger accepts it as the DLL's own.
#   check-metadata.sh DLL PDB VERSION
set -euo pipefail
dll=$1 pdb=$2 version=$3
fail() { echo "check-metadata: $*" >&2; exit 1; }
source "$(dirname "$0")/pe-target.sh"
pe_target "$dll"

# The version resource, decoded back into resource script.
resources=$($mingw-windres -J coff -O rc -i "$dll")
[ "$(grep -c ' VERSIONINFO$' <<<"$resources")" -eq 1 ] || fail "the DLL has no single version resource"
IFS=. read -r major minor patch <<<"$version"
expect() { grep -qxF -- "$1" <<<"$resources" || fail "the version resource lacks: $1"; }
expect " FILEVERSION $major, $minor, $patch, 0"
expect " PRODUCTVERSION $major, $minor, $patch, 0"
expect "      VALUE \"FileVersion\", \"$version\""
expect "      VALUE \"ProductVersion\", \"$version\""
expect "      VALUE \"ProductName\", \"tesmaclient\""
expect "      VALUE \"OriginalFilename\", \"$(basename "$dll")\""

# The debug directory's CodeView entry against the PDB's own identity. The
# directory holds the GUID's bytes; the PDB prints it as a Windows GUID, whose
# first three fields are little-endian.
directory=$(llvm-readobj --coff-debug-directory "$dll")
named=$(sed -nE 's/^\s*PDBFileName: (.*)$/\1/p' <<<"$directory")
[ "$named" = "$(basename "$pdb")" ] || fail "the DLL's debug directory names '$named', not $(basename "$pdb")"
read -r -a b <<<"$(sed -nE 's/^\s*PDBGUID: \((.*)\)$/\1/p' <<<"$directory")"
[ "${#b[@]}" -eq 16 ] || fail "the DLL's debug directory has no PDB GUID"
guid="{${b[3]}${b[2]}${b[1]}${b[0]}-${b[5]}${b[4]}-${b[7]}${b[6]}-${b[8]}${b[9]}-${b[*]:10:6}}"
guid=${guid// /}
age=$(sed -nE 's/^\s*PDBAge: (.*)$/\1/p' <<<"$directory")
summary=$(llvm-pdbutil dump -summary "$pdb")
grep -qxF "  GUID: $guid" <<<"$summary" || fail "$pdb is not the DLL's PDB (the DLL wants GUID $guid)"
grep -qxF "  Age: $age" <<<"$summary" || fail "$pdb is not the DLL's PDB (the DLL wants age $age)"
