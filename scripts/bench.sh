#!/usr/bin/env bash
# Builds the native benchmarks in a release configuration (no sanitizers, -O2)
# in build/bench, runs them with interleaved repetitions and writes
# docs/performance.md and docs/text-throughput.png from the results.
#
#   scripts/bench.sh            full run (about 15 minutes on 2 cores)
#   scripts/bench.sh --quick    each benchmark briefly, no report: proves they run
set -euo pipefail
cd "$(dirname "$0")/.."

quick=false
[ "${1:-}" = "--quick" ] && quick=true

packages=(cmake ninja-build g++ libbenchmark-dev libabsl-dev robin-map-dev gnuplot-nox python3)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    sudo=
    [ "$(id -u)" -eq 0 ] || sudo=sudo
    echo "installing: ${missing[*]}"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}" >/dev/null
fi

build=build/bench
cmake -S . -B "$build" -G Ninja -DTESMA_SANITIZE=OFF -DCMAKE_BUILD_TYPE=Release \
      -DCMAKE_CXX_FLAGS_RELEASE="-O2 -DNDEBUG" >/dev/null
cmake --build "$build" -j2 --target hashtable_bench text_bench
programs=("$build/bench/hashtable_bench" "$build/bench/text_bench")

if $quick; then
    for program in "${programs[@]}"; do
        "$program" --benchmark_min_time=0.0001 >/dev/null
        echo "$(basename "$program"): ran"
    done
    exit 0
fi

results="$build/results"
mkdir -p "$results"
for program in "${programs[@]}"; do
    "$program" --benchmark_repetitions=5 --benchmark_enable_random_interleaving=true \
               --benchmark_min_time=0.2 --benchmark_report_aggregates_only=true \
               --benchmark_out="$results/$(basename "$program").json" --benchmark_out_format=json
done
python3 scripts/bench-report.py --command "scripts/bench.sh" --chart-data "$results/text-throughput.dat" \
        "$results"/*.json > docs/performance.md
gnuplot -e "data='$results/text-throughput.dat'; output='docs/text-throughput.png'" scripts/bench-chart.gp
echo "wrote docs/performance.md and docs/text-throughput.png"
