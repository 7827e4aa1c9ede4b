#!/usr/bin/env bash
# Builds the native benchmarks in a release configuration (no sanitizers, -O2)
# in build/bench and the DLL benchmark in the Windows tests' build (build/windows-tests),
# runs them with interleaved repetitions and writes docs/performance.md and
# docs/text-throughput.png from the results.
#
#   scripts/bench.sh                     full run (about 25 minutes on 2 cores)
#   scripts/bench.sh --quick [--no-wine] each benchmark once, briefly, no report: proves
#                                        they run; --no-wine leaves the DLL benchmark out
#                                        (the Windows tests run it briefly too)
#
# The DLL benchmark runs under Wine; without the MinGW cross compiler and Wine
# it is left out (scripts/install-deps.sh installs them).
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(cmake ninja-build g++ libbenchmark-dev libabsl-dev robin-map-dev gnuplot-nox python3)
quick=false
wine=true
for argument in "$@"; do
    case "$argument" in
    --quick) quick=true ;;
    --no-wine) wine=false ;;
    --packages) echo "${packages[@]}"; exit 0 ;;
    *) echo "usage: bench.sh [--quick [--no-wine]]" >&2; exit 2 ;;
    esac
done

scripts/install-packages.sh "${packages[@]}"

build=build/bench
cmake --preset bench >/dev/null
scripts/build-targets.sh "$build" hashtable_bench text_bench launcher_bench
programs=("$build/bench/hashtable_bench" "$build/bench/text_bench" "$build/bench/launcher_bench")

# The Windows test build, as scripts/compile.sh makes it, when its tools are here.
win32=build/windows-tests
wine_bench=
if $wine && command -v i686-w64-mingw32-g++-win32 >/dev/null && command -v wine >/dev/null; then
    [ -f "$win32/build.ninja" ] || scripts/compile.sh
    scripts/build-targets.sh "$win32" dll_forward_bench
    wine_bench="$win32/bin/dll_forward_bench.exe"
fi
# The 64-bit one, against the development launcher the installed package holds.
win64=build/windows-tests64
channel_bench=
if [ -n "$wine_bench" ] && command -v x86_64-w64-mingw32-g++-win32 >/dev/null; then
    [ -f "$win64/build.ninja" ] || scripts/compile.sh
    scripts/build-targets.sh "$win64" channel_bench
    channel_bench="$win64/bin/channel_bench.exe"
fi

# One process under Wine in the Windows build's prefix; its wineserver is ended
# whatever happens.
export WINEPREFIX=$PWD/$win32/wineprefix
run_wine_bench() {
    trap 'scripts/wine-prefix.sh stop' EXIT
    scripts/wine-prefix.sh start
    scripts/wine-run.sh "$wine_bench" "$@"
    if [ -n "$channel_bench" ]; then
        tests/devlauncher/run-registered.sh "$PWD/build/release/sdk/tools/devlauncher" "$channel_bench" \
            --require-host "$@" > "$channel_out"
    fi
}
channel_out=/dev/null

if $quick; then
    for program in "${programs[@]}"; do
        # Google Benchmark's context (the machine, and that Debian built the
        # library itself without optimization) goes to stderr: shown only on failure.
        "$program" --benchmark_min_time=0.0001 >/dev/null 2>"$build/quick.log" || { cat "$build/quick.log"; exit 1; }
        echo "$(basename "$program"): ran"
    done
    if [ -n "$wine_bench" ]; then
        run_wine_bench --quick >/dev/null
        echo "$(basename "$wine_bench")${channel_bench:+, $(basename "$channel_bench")}: ran under Wine"
    fi
    exit 0
fi

results="$build/results"
rm -rf "$results"
mkdir -p "$results"
repetitions=7
for program in "${programs[@]}"; do
    "$program" --benchmark_repetitions=$repetitions --benchmark_enable_random_interleaving=true \
               --benchmark_min_time=0.1 --benchmark_report_aggregates_only=true \
               --benchmark_out="$results/$(basename "$program").json" --benchmark_out_format=json >/dev/null
    echo "$(basename "$program"): done"
done
wine_results=
if [ -n "$wine_bench" ]; then
    channel_out="$results/channel_bench.txt"
    run_wine_bench > "$results/dll_forward_bench.txt"
    wine_results="$results/dll_forward_bench.txt"
    echo "$(basename "$wine_bench"): done"
fi
mkdir -p docs
python3 scripts/bench-report.py --command "scripts/bench.sh" --repetitions $repetitions \
        --chart-data "$results/text-throughput.dat" ${wine_results:+--wine "$wine_results"} \
        ${channel_bench:+--channel "$results/channel_bench.txt"} \
        "$results"/*.json > docs/performance.md
gnuplot -e "data='$results/text-throughput.dat'; output='docs/text-throughput.png'" scripts/bench-chart.gp
echo "wrote docs/performance.md and docs/text-throughput.png"
