#!/usr/bin/env bash
# Builds everything and runs every test: the native ones under AddressSanitizer
# and UBSan, the threaded client case again under ThreadSanitizer, each fuzz
# target for a short while, the native tests again under valgrind, the Windows
# ones under Wine (the DLL benchmark among them, briefly); then the native
# benchmarks once each. No time is judged.
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
echo "== building the client tests under ThreadSanitizer"
cmake -S . -B build/tsan -G Ninja -DTESMA_TSAN=ON >/dev/null
cmake --build build/tsan --target client_lifetime_tests

# Whatever happens, no wineserver outlives the run.
trap 'WINEPREFIX=$PWD/build/win32/wineprefix wineserver -k >/dev/null 2>&1 || true' EXIT
status=0
echo "== native tests"
ctest --test-dir build/native --output-on-failure -j2 || status=1
echo "== clients on several threads under ThreadSanitizer"
build/tsan/tests/client/client_lifetime_tests --gtest_filter='ClientLifetime.*:ClientLifetimeKeptLoaded.*' || status=1
echo "== fuzz targets, briefly (scripts/fuzz.sh SECONDS for longer)"
scripts/fuzz.sh 25 || status=1
echo "== native tests under valgrind"
scripts/valgrind.sh || status=1
echo "== Windows tests under Wine"
ctest --test-dir build/win32 --output-on-failure || status=1
echo "== native benchmarks, once each (the DLL benchmark ran with the Windows tests)"
scripts/bench.sh --quick --no-wine || status=1
exit $status
