#!/usr/bin/env bash
# Plays game teams adopting a release, from the release archive alone:
# - the MSVC-mode and the MinGW sample game through the CMake package (MinGW
#   with the archive's toolchain file);
# - the first game of the archive's README.md, taken from its text, built with
#   its MinGW command line (-ltesmaclient -static, warning-free under -Wall
#   -Wextra) and through its CMakeLists.txt with the toolchain file;
# - every file its READMEs name is in the archive;
# - a 64-bit project's configuration ends in the package's plain refusal.
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
done
failed=0
fail() { echo "FAILED: $*"; failed=1; }

# Every path under one of the archive's folders, as its READMEs write them
# ($SDK/lib/..., %SDK%\lib\..., `lib/...`), and its two top-level files.
readme=$release/README.md
named=$(sed -E 's/(\$SDK\/|%SDK%\\)/ /g' "$readme" "$release/samples/README.md" \
    | grep -oE '(^|[^A-Za-z0-9_./\\-])(bin|include|lib|samples|toolchains|tools)[/\\][A-Za-z0-9_./\\*+-]*' \
    | sed -E 's/^[^a-z]//; s/\\/\//g; s/[.]+$//' | sort -u)
for path in $named README.md CHANGELOG.md; do
    # shellcheck disable=SC2086 # a path may be a pattern
    compgen -G "$release/$path" >/dev/null || fail "a README names $path, which is not in the archive"
done
echo "the READMEs name $(wc -w <<<"$named") paths in the archive"

# The README's first block of a language, such as cpp.
fenced() { awk -v lang="$1" '$0 == "```" lang && !done { on = 1; next } on && $0 == "```" { on = 0; done = 1 } on' "$readme"; }
game=$work/readme
rm -rf "$game"
mkdir -p "$game/cmdline"
fenced cpp > "$game/game.cpp"
fenced cmake > "$game/CMakeLists.txt"
fenced sh > "$game/cmdline/build.sh"
grep -q -- '-L"$SDK/lib/mingw" -ltesmaclient -static' "$game/cmdline/build.sh" \
    || fail "the README's MinGW command line does not link with -L\"\$SDK/lib/mingw\" -ltesmaclient -static"
cp "$game/game.cpp" "$game/cmdline/"
(cd "$game/cmdline" && SDK=$release bash -e build.sh) >"$game/cmdline/build.log" 2>&1 \
    || { cat "$game/cmdline/build.log"; fail "the README's MinGW command line"; }
[ ! -s "$game/cmdline/build.log" ] || { cat "$game/cmdline/build.log"; fail "the README's game builds with warnings"; }
toolchain=$release/toolchains/i686-w64-mingw32.cmake
{ cmake -S "$game" -B "$game/build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" && cmake --build "$game/build"; } \
    >"$game/build.log" 2>&1 || { cat "$game/build.log"; fail "the README's game through CMake"; }

# A 64-bit project: configuring is enough, with clang for 64-bit Windows.
if cmake -S "$game" -B "$game/x64" -G Ninja -DCMAKE_SYSTEM_NAME=Windows -DCMAKE_CXX_COMPILER=clang++ \
        -DCMAKE_CXX_COMPILER_TARGET=x86_64-w64-windows-gnu -DCMAKE_TRY_COMPILE_TARGET_TYPE=STATIC_LIBRARY \
        -DCMAKE_PREFIX_PATH="$release" >"$game/x64.log" 2>&1; then
    fail "a 64-bit project found the package"
elif ! tr -s ' \n' ' ' <"$game/x64.log" | grep -q "tesmaclient is a 32-bit library; this project builds for 64-bit"; then
    cat "$game/x64.log"
    fail "a 64-bit project was not told why"
fi

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

# Save games go to a folder of the test's own, as Wine shows it (Z: is /).
export TESMA_DEVLAUNCHER_SAVES="Z:${work//\//\\}\\saves"
"$scripts/wine-run.sh" "$release/tools/devlauncher/tesma-devlauncher.exe" register >/dev/null
for sample in msvc mingw; do
    run "$sample-sample" "$work/$sample/build/sample_game.exe" "^session complete"
done
run readme-with-launcher "$game/cmdline/game.exe" "^signed in: 1, account 1000"
"$scripts/wine-run.sh" "$release/tools/devlauncher/tesma-devlauncher.exe" unregister >/dev/null
run readme-without-launcher "$game/build/game.exe" "^no launcher (installation error 1)"
for name in readme-with-launcher readme-without-launcher; do
    grep -qx "tesmaclient.dll $version, headers $version" "$work/$name.log" \
        || fail "$name: the DLL's and the headers' version are not both $version"
done
exit $failed
