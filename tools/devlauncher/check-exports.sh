#!/usr/bin/env bash
# Fails when the development launcher's DLL exports anything but the 22 entry
# points the client binds, each under its plain name.
#   check-exports.sh OBJDUMP DLL ENTRY_POINTS_HEADER
set -euo pipefail
objdump=$1 dll=$2 header=$3
expected=$(grep -oE '"KzTesmadll[A-Za-z]+"' "$header" | tr -d '"' | sort)
actual=$("$objdump" -p "$dll" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' |
         sed -nE 's/^\s*\[ *[0-9]+\] (.+)$/\1/p' | sort)
if [ "$expected" != "$actual" ]; then
    diff -u <(echo "$expected") <(echo "$actual") >&2 || true
    echo "check-exports: $dll does not export exactly the 22 entry points (- expected, + exported)" >&2
    exit 1
fi
