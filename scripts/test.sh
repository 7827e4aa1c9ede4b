#!/usr/bin/env bash
# Builds everything and runs every test: the Windows ones under Wine (the DLL
# benchmark among them, briefly), the native ones under AddressSanitizer and
# UBSan, the threaded client cases again under ThreadSanitizer, each fuzz
# target for a short while, the native tests again under valgrind, and the
# native benchmarks once each. No time is judged.
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

# The Windows tests (one Wine process after another) and the fuzz targets
# (niced, one at a time) each keep about one core busy: they run beside the
# native stages, their output kept for the end.
logs=build/test-logs
mkdir -p $logs
echo "== beside the stages below: the Windows tests under Wine and the fuzz targets (their output comes at the end)"
ctest --preset windows-tests >$logs/windows-tests.log 2>&1 &
wine=$!
scripts/fuzz.sh 25 >$logs/fuzz.log 2>&1 &
fuzz=$!
# Whatever happens, no wineserver outlives the run.
trap 'kill $wine $fuzz 2>/dev/null || true; WINEPREFIX=$PWD/build/windows-tests/wineprefix wineserver -k >/dev/null 2>&1 || true' EXIT

status=0
echo "== native tests"
ctest --preset native || status=1
echo "== clients on several threads under ThreadSanitizer"
cmake --preset native-tsan >/dev/null
cmake --build --preset native-tsan
ctest --preset native-tsan || status=1
echo "== native tests under valgrind"
scripts/valgrind.sh || status=1
echo "== native benchmarks, once each (the DLL benchmark runs with the Windows tests)"
scripts/bench.sh --quick --no-wine || status=1

echo "== fuzz targets, briefly (scripts/fuzz.sh SECONDS for longer)"
wait $fuzz || status=1
cat $logs/fuzz.log
echo "== Windows tests under Wine"
wait $wine || status=1
cat $logs/windows-tests.log
exit $status
