#!/usr/bin/env bash
# Builds the libFuzzer targets of tests/fuzz with clang under ASan and UBSan
# (build/fuzz) and runs each in turn, niced, on one core, starting from its
# checked-in corpus and from what earlier runs added (build/fuzz/corpus).
# Any finding (a failed check, a sanitizer report, a leak, a timeout, memory
# exhaustion) fails the run and names the input that caused it.
#
#   scripts/fuzz.sh [SECONDS [TARGET...]]   each target (or those named) for
#                                           SECONDS (default 30)
#   scripts/fuzz.sh --coverage              source coverage of each target's code over
#                                           its corpus, from a build instrumented for it
#                                           (build/fuzz-coverage)
set -euo pipefail
cd "$(dirname "$0")/.."

targets=(unicode_codec_fuzzer unicode_text_fuzzer hash_table_fuzzer hybrid_array_fuzzer request_routing_fuzzer
         relay_call_fuzzer relay_reply_fuzzer)

packages=(cmake ninja-build clang llvm libclang-rt-14-dev)
[ "${1:-}" = --packages ] && { echo "${packages[@]}"; exit 0; }
scripts/install-packages.sh "${packages[@]}"

# configure PRESET: the preset's build, in build/PRESET.
configure() {
    cmake --preset "$1" >/dev/null
    # Not niced: each run lasts its SECONDS however busy the machine is, so the
    # sooner they start the sooner a test run that waits for them ends.
    scripts/build-targets.sh "build/$1" "${targets[@]}"
}

if [ "${1:-}" = "--coverage" ]; then
    # The code each target is there to exercise.
    declare -A sources=(
        [unicode_codec_fuzzer]="src/text/UnicodeCodecs.cpp src/text/UnicodeCodecs.h"
        [unicode_text_fuzzer]="src/text/UnicodeString.cpp src/text/UnicodeStringParsing.cpp src/text/UnicodeStringLibraryConversions.cpp"
        [hash_table_fuzzer]="src/containers/HashTable.h src/containers/HashBytes.h src/containers/HashBytes.cpp"
        [hybrid_array_fuzzer]="src/containers/HybridArray.h src/containers/StandardDataHelper.h"
        [request_routing_fuzzer]="src/client/RequestRouting.cpp src/client/TesmaClientPimpl.h"
        [relay_call_fuzzer]="src/launcher/relay/RelayCodec.cpp"
        [relay_reply_fuzzer]="src/launcher/relay/RelayCodec.cpp"
    )
    build=build/fuzz-coverage
    configure fuzz-coverage
    rm -rf "$build/profiles"
    mkdir -p "$build/profiles"
    printf '%-24s %9s %16s %16s %16s\n' target inputs regions functions lines
    for target in "${targets[@]}"; do
        corpus=(tests/fuzz/corpus/$target)
        [ -d build/fuzz/corpus/$target ] && corpus+=(build/fuzz/corpus/$target)
        inputs=$(find "${corpus[@]}" -type f | wc -l)
        LLVM_PROFILE_FILE="$build/profiles/$target.profraw" nice -n 10 "$build/tests/fuzz/$target" -runs=0 \
            "${corpus[@]}" >"$build/profiles/$target.log" 2>&1
        llvm-profdata merge -o "$build/profiles/$target.profdata" "$build/profiles/$target.profraw"
        # TOTAL: regions, missed, cover, functions, missed, cover, lines, missed, cover, ...
        llvm-cov report "$build/tests/fuzz/$target" -instr-profile="$build/profiles/$target.profdata" \
            ${sources[$target]} | awk -v t="$target" -v n="$inputs" '$1 == "TOTAL" {
                printf "%-24s %9d %7s of %6d %7s of %6d %7s of %6d\n", t, n, $4, $2, $7, $5, $10, $8 }'
    done
    echo "per file: llvm-cov report $build/tests/fuzz/TARGET -instr-profile=$build/profiles/TARGET.profdata"
    exit 0
fi

seconds=${1:-30}
[ $# -gt 1 ] && targets=("${@:2}")
build=build/fuzz
configure fuzz
mkdir -p "$build/findings" "$build/logs"
status=0
for target in "${targets[@]}"; do
    corpus=$build/corpus/$target
    mkdir -p "$corpus"
    log=$build/logs/$target.log
    # The seeds, regression inputs among them, run first in every run.
    if ! nice -n 10 "$build/tests/fuzz/$target" -max_total_time="$seconds" -timeout=30 -rss_limit_mb=2048 \
            -print_final_stats=1 -artifact_prefix="$build/findings/$target-" \
            "$corpus" "tests/fuzz/corpus/$target" >"$log" 2>&1; then
        status=1
        echo "$target: FINDING (log: $log)"
        grep -E 'check failed|ERROR: |SUMMARY: ' "$log" | head -5 | sed 's/^/    /'
        sed -n "s|.*Test unit written to \(.*\)|    input: \1|p" "$log"
        continue
    fi
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
    speed=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log")
    cov=$(grep -E '^#[0-9]+' "$log" | tail -1 | grep -oE 'cov: [0-9]+ ft: [0-9]+' || true)
    echo "$target: ${seconds}s, $runs runs ($speed/s), $cov, corpus $(find "$corpus" -type f | wc -l) inputs, no findings"
done
if [ $status -ne 0 ]; then
    echo "fuzzing found faults: reproduce with $build/tests/fuzz/TARGET INPUT" >&2
else
    echo "no findings in ${#targets[@]} targets"
fi
exit $status
