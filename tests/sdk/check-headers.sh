#!/usr/bin/env bash
# Each public header compiles on its own, without a warning, in every C++
# standard from C++11 on, with GCC and clang, natively, for MinGW and in MSVC
# mode (where the classes are imported from the DLL).
#   check-headers.sh INCLUDE_DIR
set -uo pipefail
include=$1
compilers=("g++" "clang++" "i686-w64-mingw32-g++-win32" "clang++ --target=i686-pc-windows-msvc -fms-extensions")
failed=0
for header in "$include"/kz/tesmaclient/*.h; do
    name=kz/tesmaclient/$(basename "$header")
    for compiler in "${compilers[@]}"; do
        for standard in 11 14 17 20; do
            if ! echo "#include \"$name\"" | $compiler -std=c++$standard -Wall -Wextra -Wpedantic -Werror \
                    -I"$include" -x c++ -fsyntax-only -; then
                echo "FAILED: $name with $compiler -std=c++$standard"
                failed=1
            fi
        done
    done
done
[ $failed -eq 0 ] && echo "every header compiles alone: ${#compilers[@]} compilers, C++11 to C++20"
exit $failed
