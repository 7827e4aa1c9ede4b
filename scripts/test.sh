#!/usr/bin/env bash
# Builds everything and runs every test: the Windows ones under Wine (the DLL
# benchmark among them, briefly), the native ones under AddressSanitizer and
# UBSan, the threaded client cases again under ThreadSanitizer, each fuzz
# target for a short while, the native tests again under valgrind, and the
# native benchmarks once each. No time is judged. It ends with a table of the
# stages and a last line "N passed, M failed", and fails when anything did.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/progress.sh
# Beyond the build's own packages the stages install their tools: all of
# them up front, named, so that no stage stops to install.
# shellcheck disable=SC2046 # one word per package
mapfile -t packages < <(printf '%s\n' $(scripts/fuzz.sh --packages) $(scripts/valgrind.sh --packages) \
                                       $(scripts/bench.sh --packages) $(tests/sdk/check-csharp.sh --packages) | sort -u)
echo "== the tests need these packages beyond the build's, installed first where missing: ${packages[*]}"
scripts/install-packages.sh "${packages[@]}" 2>&1 | relay "installing packages"

logs=build/test-logs
mkdir -p $logs
rm -f $logs/*

# One row per stage. What counts: a ctest stage, ctest's own counts of
# tests; valgrind, one per program run under memcheck (its tests and
# memcheck's findings both pass); benchmarks, one per program run once; fuzz,
# one per target (failed: the run ended with a finding, a crash, a leak or a
# timeout); the build, one. A stage that failed without a count of its own
# counts one failure, so that no failure goes unseen in the last line.
rows=()
passed=0 failed=0 status=0
# record STAGE WHAT PASSED FAILED FINDINGS SECONDS EXIT_STATUS
record() {
    local stage=$1 what=$2 pass=$3 fail=$4 findings=$5 seconds=$6 exit=$7
    if ((exit != 0 && fail == 0)); then
        fail=1
    fi
    ((fail == 0)) || status=1
    passed=$((passed + pass)) failed=$((failed + fail))
    rows+=("$(printf '%-12s %-44s %7s %7s %-12s %8s' "$stage" "$what" "$pass" "$fail" "$findings" "$seconds")")
}
# ctest_counts LOG: "passed failed" from ctest's summary line, "0 0" without one.
ctest_counts() {
    sed -n 's/.*tests passed, \([0-9]*\) tests\{0,1\} failed out of \([0-9]*\).*/\2 \1/p' "$1" |
        awk '{ print $1 - $2, $2; found = 1 } END { if (!found) print 0, 0 }'
}
# ended LOG: when the background stage writing LOG ended (its heartbeat noted it).
ended() {
    cat "$1.end" 2>/dev/null || date +%s
}
summary() {
    echo
    echo "== summary"
    printf '%-12s %-44s %7s %7s %-12s %8s\n' stage "what ran" passed failed findings seconds
    printf '%s\n' "${rows[@]}"
    echo "$passed passed, $failed failed"
}

# stage NAME COMMAND...: runs COMMAND in the foreground, its output shown and
# kept in $logs/NAME.log; leaves its exit status in stage_status and its
# seconds in stage_seconds.
stage() {
    local name=$1 start
    shift
    start=$(date +%s)
    stage_status=0
    "$@" 2>&1 | tee $logs/$name.log | relay "in the $name stage" || stage_status=$?
    stage_seconds=$(($(date +%s) - start))
}

echo "== building"
stage build scripts/compile.sh
record build "compile.sh: release(64), windows-tests(64), native" $((stage_status == 0)) 0 - $stage_seconds $stage_status
if ((stage_status != 0)); then
    summary
    exit 1
fi

# The Windows tests (one Wine process after another) and the fuzz targets
# (niced, one at a time) each keep about one core busy: they run beside the
# native stages, their output kept for the end, a line of their progress
# every 15 seconds.
echo "== beside the stages below: the Windows tests under Wine and the fuzz targets (their output comes at the end)"
started=$(date +%s)
# The 64-bit programs share the prefix and its registry: they run after the
# others, in the same background job, with a log of their own.
{ status32=0 status64=0
  ctest --preset windows-tests >$logs/wine.log 2>&1 || status32=$?
  date +%s >$logs/wine32.end
  echo $status32 >$logs/wine32.status
  ctest --preset windows-tests64 >$logs/wine64.log 2>&1 || status64=$?
  echo $status64 >$logs/wine64.status
  ((status32 == 0 && status64 == 0)); } &
wine=$!
heartbeat $wine "Windows tests under Wine" $logs/wine.log
wine_heartbeat=$heartbeat_pid
fuzz_seconds=25
scripts/fuzz.sh $fuzz_seconds >$logs/fuzz.log 2>&1 &
fuzz=$!
heartbeat $fuzz "fuzz targets" $logs/fuzz.log
fuzz_heartbeat=$heartbeat_pid
# Whatever happens, no wineserver outlives the run.
trap 'kill $wine $fuzz 2>/dev/null || true; WINEPREFIX=$PWD/build/windows-tests/wineprefix wineserver -k >/dev/null 2>&1 || true' EXIT

echo "== native tests"
stage native ctest --preset native
read -r pass fail < <(ctest_counts $logs/native.log)
record native "ctest: native tests, ASan and UBSan" "$pass" "$fail" - $stage_seconds $stage_status

echo "== clients on several threads under ThreadSanitizer"
# (Each step chained: set -e does not stop a function called on the left of ||.)
tsan() {
    cmake --preset native-tsan >/dev/null && cmake --build --preset native-tsan && ctest --preset native-tsan
}
stage tsan tsan
read -r pass fail < <(ctest_counts $logs/tsan.log)
record tsan "ctest: threaded client cases, TSan" "$pass" "$fail" - $stage_seconds $stage_status

echo "== native tests under valgrind"
stage valgrind scripts/valgrind.sh
pass=$(grep -c '^[a-z0-9_]*: ok;' $logs/valgrind.log || true)
fail=$(grep -c '^[a-z0-9_]*: FAILED' $logs/valgrind.log || true)
record valgrind "native test programs under memcheck" "$pass" "$fail" - $stage_seconds $stage_status

echo "== native benchmarks, once each (the DLL benchmark runs with the Windows tests)"
stage bench scripts/bench.sh --quick --no-wine
pass=$(grep -c ': ran$' $logs/bench.log || true)
record bench "benchmark programs, each once" "$pass" 0 - $stage_seconds $stage_status

echo "== fuzz targets, briefly (scripts/fuzz.sh SECONDS for longer)"
fuzz_status=0
wait $fuzz || fuzz_status=$?
wait $fuzz_heartbeat || true
cat $logs/fuzz.log
pass=$(grep -c "^[a-z0-9_]*: ${fuzz_seconds}s, .*no findings" $logs/fuzz.log || true)
fail=$(grep -c '^[a-z0-9_]*: FINDING' $logs/fuzz.log || true)
findings="no findings"
((fail == 0)) || findings="$fail found"
record fuzz "fuzz targets, ${fuzz_seconds} s each" "$pass" "$fail" "$findings" \
       $(($(ended $logs/fuzz.log) - started)) $fuzz_status

echo "== Windows tests under Wine"
wine_status=0
wait $wine || wine_status=$?
wait $wine_heartbeat || true
cat $logs/wine.log $logs/wine64.log
read -r pass fail < <(ctest_counts $logs/wine.log)
read -r pass64 fail64 < <(ctest_counts $logs/wine64.log)
# Each row fails on its own count and its own status; a job that ended
# before writing a status (killed) fails the row it was in.
wine32_end=$(cat $logs/wine32.end 2>/dev/null || ended $logs/wine.log)
record wine "ctest: Windows tests under Wine" "$pass" "$fail" - $((wine32_end - started)) \
       "$(cat $logs/wine32.status 2>/dev/null || echo $wine_status)"
record wine64 "ctest: 64-bit Windows tests under Wine" "$pass64" "$fail64" - \
       $(($(ended $logs/wine.log) - wine32_end)) "$(cat $logs/wine64.status 2>/dev/null || echo $wine_status)"

summary
exit $status
