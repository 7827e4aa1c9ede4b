#!/usr/bin/env bash
# Each public header compiles on its own, without a warning, in every C++
# standard from C++11 on, with GCC and clang, natively, for MinGW and in MSVC
# mode (where the classes are imported from the DLL); the C interface's header,
# and those it includes, also as C89, C99, C11, C++98 and C++03; for a 64-bit Windows target
# the headers refuse, saying why.
#   check-headers.sh INCLUDE_DIR...   (the sources' and the generated headers)
set -uo pipefail
includes=() headers=()
for dir in "$@"; do
    includes+=("-I$dir")
    headers+=("$dir"/kz/tesmaclient/*.h)
done
compilers=("g++" "clang++" "i686-w64-mingw32-g++-win32" "clang++ --target=i686-pc-windows-msvc -fms-extensions")
failed=0
for header in "${headers[@]}"; do
    name=kz/tesmaclient/$(basename "$header")
    for compiler in "${compilers[@]}"; do
        for standard in 11 14 17 20; do
            if ! echo "#include \"$name\"" | $compiler -std=c++$standard -Wall -Wextra -Wpedantic -Werror \
                    "${includes[@]}" -x c++ -fsyntax-only -; then
                echo "FAILED: $name with $compiler -std=c++$standard"
                failed=1
            fi
        done
    done
done
c_compilers=("gcc" "clang" "i686-w64-mingw32-gcc-win32" "clang --target=i686-pc-windows-msvc -fms-extensions")
for compiler in "${c_compilers[@]}"; do
    for standard in 89 99 11; do
        if ! echo '#include "kz/tesmaclient/tesmaclient_c.h"' | $compiler -std=c$standard -Wall -Wextra -Wpedantic \
                -Werror "${includes[@]}" -x c -fsyntax-only -; then
            echo "FAILED: kz/tesmaclient/tesmaclient_c.h with $compiler -std=c$standard"
            failed=1
        fi
    done
done
# The C interface's header compiles as C++ before C++11 too, as older
# compilers (Visual C++ before 2015) take it.
for compiler in "g++" "clang++ --target=i686-pc-windows-msvc -fms-extensions"; do
    for standard in 98 03; do
        if ! echo '#include "kz/tesmaclient/tesmaclient_c.h"' | $compiler -std=c++$standard -Wall -Wextra \
                -Wpedantic -Werror "${includes[@]}" -x c++ -fsyntax-only -; then
            echo "FAILED: kz/tesmaclient/tesmaclient_c.h with $compiler -std=c++$standard"
            failed=1
        fi
    done
done
# 64-bit Windows games include the same headers (tesmaclient64.dll).
for target in x86_64-pc-windows-msvc x86_64-w64-mingw32; do
    for header in TesmaClient.h tesmaclient_c.h; do
        if ! echo "#include \"kz/tesmaclient/$header\"" | clang++ --target=$target "${includes[@]}" \
                -Wall -Wextra -Werror -x c++ -fsyntax-only -; then
            echo "FAILED: kz/tesmaclient/$header for $target"
            failed=1
        fi
    done
done
[ $failed -eq 0 ] && echo "every header compiles alone: ${#compilers[@]} compilers, C++11 to C++20;" \
                          "the C interface's as C89 to C11 and C++98 too; both for 64-bit Windows as well"
exit $failed
