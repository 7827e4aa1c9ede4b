#!/usr/bin/env bash
# Plays game teams adopting a release, from the release archive alone:
# - the MSVC-mode and the MinGW sample game through the CMake package (MinGW
#   with the archive's toolchain file);
# - the first game of the archive's README.md, taken from its text, built with
#   its MinGW command line (-ltesmaclient -luser32 -static, warning-free under
#   -Wall -Wextra) and through its CMakeLists.txt, with the toolchain file and
#   in MSVC mode;
# - every file its READMEs name is in the archive;
# - its C header compiles as C89 and C++98, its C# declarations with mcs;
# - the same samples and the README's game built for 64 bits, changed only by
#   the toolchain file, with the three files of bin64 beside them.
# Then it registers the archive's development launcher with its own command,
# runs every game under Wine, unregisters the launcher and runs the README's
# game once more without one. The README's game also compares the loaded
# DLL's version with its headers'; both must be the archive's.
#   consumer-test.sh ARCHIVE WORK_DIR
# WINEPREFIX names the prefix.
set -euo pipefail
archive=$1 work=$2
scripts="$(dirname "$(realpath "$0")")/../../scripts"
for sample in msvc mingw; do
    release=$("$scripts/build-sample.sh" $sample "$archive" "$work/$sample")
    "$scripts/build-sample.sh" $sample "$archive" "$work/$sample-64" 64 >/dev/null
done
failed=0
fail() { echo "FAILED: $*"; failed=1; }

# Every relative path the READMEs name, outside the C++ example (which the
# compiler checks), as they write them ($SDK/lib/..., %SDK%\lib\...,
# `lib/...`): in the SDK folder, the README's own folder or include/. The
# commands' build folders and registry keys aside.
readme=$release/README.md
named=0
for doc in "$readme" "$release/samples/README.md" "$release/tools/devlauncher/README.md"; do
    while read -r path; do
        named=$((named + 1))
        compgen -G "$release/$path" >/dev/null || compgen -G "$(dirname "$doc")/$path" >/dev/null \
            || compgen -G "$release/include/$path" >/dev/null \
            || fail "${doc#"$release/"} names $path, which is not in the archive"
    done < <(awk '$0 == "```cpp" { skip = 1 } !skip { print } $0 == "```" { skip = 0 }' "$doc" \
             | sed -E 's/(\$SDK\/|%SDK%\\)/ /g' \
             | grep -oE '(^|[^A-Za-z0-9_./\\$%:-])[A-Za-z0-9_.+-]+[/\\][A-Za-z0-9_./\\*+-]*' \
             | sed -E 's/^[^A-Za-z0-9_.+-]//; s/\\/\//g; s/[.]+$//' | grep -vE '^(build|HKEY_[A-Z_]+)/' | sort -u)
done
echo "the READMEs name $named paths in the archive"

# The README's first block of a language, such as cpp.
fenced() { awk -v lang="$1" '$0 == "```" lang && !done { on = 1; next } on && $0 == "```" { on = 0; done = 1 } on' "$readme"; }
game=$work/readme
rm -rf "$game"
mkdir -p "$game/cmdline"
fenced cpp > "$game/game.cpp"
fenced cmake > "$game/CMakeLists.txt"
fenced sh > "$game/cmdline/build.sh"
grep -q -- '-L"$SDK/lib/mingw" -ltesmaclient -luser32 -static' "$game/cmdline/build.sh" \
    || fail "the README's MinGW command line does not link with -L\"\$SDK/lib/mingw\" -ltesmaclient -luser32 -static"
cp "$game/game.cpp" "$game/cmdline/"
(cd "$game/cmdline" && SDK=$release bash -e build.sh) >"$game/cmdline/build.log" 2>&1 \
    || { cat "$game/cmdline/build.log"; fail "the README's MinGW command line"; }
[ ! -s "$game/cmdline/build.log" ] || { cat "$game/cmdline/build.log"; fail "the README's game builds with warnings"; }
# cmake_game BUILD CMAKE_ARGS...: the README's game through its CMakeLists.txt.
cmake_game() {
    local build=$game/$1
    shift
    { cmake -S "$game" -B "$build" -G Ninja "$@" && cmake --build "$build"; } >"$build.log" 2>&1 \
        || { cat "$build.log"; fail "the README's game through CMake ($build)"; }
}
# With the archive's toolchain file the package is found without a path.
cmake_game mingw -DCMAKE_TOOLCHAIN_FILE="$release/toolchains/i686-w64-mingw32.cmake"
cmake_game msvc -DCMAKE_TOOLCHAIN_FILE="$(realpath "$scripts/../cmake/msvc-mode-i686.cmake")" \
    -DCMAKE_PREFIX_PATH="$release"

# The archive's C header as an older C or C++ game includes it, and its C#
# declarations as a C# game compiles them.
for language in c89 c++98; do
    echo '#include "kz/tesmaclient/tesmaclient_c.h"' | i686-w64-mingw32-gcc-win32 -x "${language%%[0-9]*}" \
        -std="$language" -Wall -Wextra -Wpedantic -Werror -I"$release/include" -fsyntax-only - \
        || fail "the archive's tesmaclient_c.h as $language"
done
command -v mcs >/dev/null || fail "mcs is missing: scripts/test.sh installs mono's C# compiler"
mcs -target:library -warnaserror+ -out:"$work/Tesmaclient.dll" "$release/bindings/csharp/Tesmaclient.cs" \
    || fail "the archive's C# declarations"

# The README's game for 64 bits: only the toolchain file differs.
cmake_game mingw64 -DCMAKE_TOOLCHAIN_FILE="$release/toolchains/x86_64-w64-mingw32.cmake"
for file in tesmaclient64.dll tesmaclient.dll; do
    [ -e "$game/mingw64/$file" ] || fail "the README's 64-bit game has no $file beside it"
done

# The README's game prints the DLL's version and the headers'.
IFS=. read -r major minor patch <<<"${release##*/tesmaclient-}"
version=$((major * 10000 + minor * 100 + patch))
# run NAME EXE EXPECTED_LINE: one process under Wine; msvcrt ends lines with CR LF.
run() {
    local name=$1 exe=$2 expected=$3 status=0
    echo "== $name"
    "$scripts/wine-run.sh" "$exe" | tr -d "\r" | tee "$work/$name.log" || status=$?
    [ $status -eq 0 ] && grep -q "$expected" "$work/$name.log" || fail "$name (exit status $status)"
}

# Without a display the README's game's window returns at once; with one it
# would wait for a click.
unset DISPLAY WAYLAND_DISPLAY
# Save games go to a folder of the test's own, as Wine shows it (Z: is /).
export TESMA_DEVLAUNCHER_SAVES="Z:${work//\//\\}\\saves"
"$scripts/wine-run.sh" "$release/tools/devlauncher/tesma-devlauncher.exe" register >/dev/null
for sample in msvc mingw; do
    run "$sample-sample" "$work/$sample/build/sample_game.exe" "^session complete"
done
run readme-with-launcher "$game/cmdline/game.exe" "^signed in: 1, account 1000"
# The same games for 64 bits, each through a host of its own that reaches the
# launcher registered for 32-bit games, as launchers register.
for sample in msvc mingw; do
    run "$sample-sample-64" "$work/$sample-64/build/sample_game.exe" "^session complete"
done
run readme64-with-launcher "$game/mingw64/game.exe" "^signed in: 1, account 1000"
"$scripts/wine-run.sh" "$release/tools/devlauncher/tesma-devlauncher.exe" unregister >/dev/null
run readme-without-launcher "$game/msvc/game.exe" "^no launcher (installation error 1)"
# The host's binding finds no launcher: the 64-bit game is told so.
run readme64-without-launcher "$game/mingw64/game.exe" "^no launcher (installation error 1)"
for name in readme-with-launcher readme-without-launcher; do
    grep -qx "tesmaclient.dll $version, headers $version" "$work/$name.log" \
        || fail "$name: the DLL's and the headers' version are not both $version"
done
exit $failed
