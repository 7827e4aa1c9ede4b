#!/usr/bin/env bash
# Builds everything and runs every test: the Windows ones under Wine (the DLL
# benchmark among them, briefly), beside them the native ones under
# AddressSanitizer and UBSan, the threaded client cases again under
# ThreadSanitizer, each fuzz target for a short while and the native tests
# again under valgrind; then the native benchmarks once each. No time is judged.
set -euo pipefail
cd "$(dirname "$0")/.."
# Beyond the build's own packages the stages install their tools: all of
# them up front, named, so that no stage stops to install.
# shellcheck disable=SC2046 # one word per package
mapfile -t packages < <(printf '%s\n' $(scripts/fuzz.sh --packages) $(scripts/valgrind.sh --packages) \
                                       $(scripts/bench.sh --packages) $(tests/sdk/check-csharp.sh --packages) | sort -u)
echo "== the tests need these packages beyond the build's, installed first where missing: ${packages[*]}"
scripts/install-packages.sh "${packages[@]}"
scripts/compile.sh

# The Windows tests run one Wine process after another, mostly on one core
# (under qemu each takes about a minute): the native stages run beside them.
# Whatever happens, no wineserver outlives the run.
wine_log=build/windows-tests/test.log
echo "== Windows tests under Wine, beside the native stages (their output comes at the end)"
ctest --preset windows-tests >"$wine_log" 2>&1 &
wine=$!
trap 'kill $wine 2>/dev/null; WINEPREFIX=$PWD/build/windows-tests/wineprefix wineserver -k >/dev/null 2>&1 || true' EXIT

status=0
echo "== native tests"
ctest --preset native || status=1
echo "== clients on several threads under ThreadSanitizer"
cmake --preset native-tsan >/dev/null
cmake --build --preset native-tsan
ctest --preset native-tsan || status=1
echo "== fuzz targets, briefly (scripts/fuzz.sh SECONDS for longer)"
scripts/fuzz.sh 25 || status=1
echo "== native tests under valgrind"
scripts/valgrind.sh || status=1
echo "== native benchmarks, once each (the DLL benchmark runs with the Windows tests)"
scripts/bench.sh --quick --no-wine || status=1

echo "== Windows tests under Wine"
wait $wine || status=1
cat "$wine_log"
exit $status
