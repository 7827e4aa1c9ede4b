#!/usr/bin/env python3
"""Turns the JSON results of the native benchmarks into docs/performance.md.

Each benchmark name ends in what was measured (HashTable, UnicodeString, ...)
or a baseline; the rest of the name is the case. Figures are medians of the
interleaved repetitions; a ratio is our time over the baseline's time, so
below 1 is faster than the baseline."""
import argparse
import json
import platform
import subprocess

OURS = {"HashTable", "UnicodeString", "Compose"}


def machine():
    model, cores = "unknown", "?"
    try:
        for line in subprocess.run(["lscpu"], capture_output=True, text=True).stdout.splitlines():
            key, _, value = line.partition(":")
            if key.strip() == "Model name":
                model = value.strip()
            elif key.strip() == "CPU(s)":
                cores = value.strip()
    except OSError:
        pass
    return f"{model}, {cores} logical cores, {platform.system()} {platform.release()}"


def load(paths):
    medians, context = {}, {}
    for path in paths:
        with open(path) as f:
            data = json.load(f)
        context = data.get("context", context)
        for b in data["benchmarks"]:
            if b.get("run_type") == "aggregate" and b.get("aggregate_name") != "median":
                continue
            name = b.get("run_name", b["name"])
            case, _, impl = name.rpartition("/")
            medians.setdefault(case, {})[impl] = b
    return medians, context


def unit_time(b):
    """Nanoseconds per item: per entry or operation for the maps, per byte of
    UTF-8 for the codecs, per call otherwise."""
    if "items_per_second" in b:
        return 1e9 / b["items_per_second"]
    if "bytes_per_second" in b:
        return 1e9 / b["bytes_per_second"]
    scale = {"ns": 1, "us": 1e3, "ms": 1e6, "s": 1e9}[b.get("time_unit", "ns")]
    return b["real_time"] * scale


def fmt(x):
    return f"{x:.3g}" if x < 100 else f"{x:.0f}"


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--command", required=True)
    parser.add_argument("--chart-data", required=True)
    parser.add_argument("results", nargs="+")
    args = parser.parse_args()
    medians, context = load(args.results)

    goals = []  # (goal, worst ratio, limit)

    def ratio(case, ours, baseline):
        m = medians.get(case, {})
        if ours not in m or baseline not in m:
            return None
        return unit_time(m[ours]) / unit_time(m[baseline])

    out = ["# Performance", "",
           "Measured by `" + args.command + "` (native, g++ -O2, no sanitizers): each figure is the median of "
           "5 interleaved repetitions of Google Benchmark, every baseline measured in the same run. A ratio is "
           "our time over the baseline's time: below 1 is faster.", "",
           f"Machine: {machine()}. Run: {context.get('date', '?')}, load average at start "
           f"{', '.join(f'{x:.2f}' for x in context.get('load_avg', []))}.", "",
           "The machine's two cores are shared with other work, so single figures move by 10-20 % from run to "
           "run; the ratios, whose two sides are interleaved, move less.", ""]

    # Hash table.
    out += ["## Request table (`HashTable<unsigned, Listener*>`)", "",
            "ns per operation; slots per live entry after filling (Find) or in the steady state (cycle).", "",
            "| case | HashTable | std::unordered_map | ratio | tsl::robin_map | absl::flat_hash_map | slots/entry (ours, unordered, robin, absl) |",
            "|---|---|---|---|---|---|---|"]
    worst = {"find": 0, "insert": 0, "remove": 0, "cycle": 0}
    for case in sorted(c for c in medians if c.startswith("Hash")):
        m = medians[case]
        if "HashTable" not in m:
            continue
        r = ratio(case, "HashTable", "std::unordered_map")
        kind = ("find" if "Find" in case else "insert" if "Insert" in case else "remove" if "Remove" in case
                else "cycle")
        worst[kind] = max(worst[kind], r)
        slots = ", ".join(fmt(m[i].get("SlotsPerEntry", 0)) if "SlotsPerEntry" in m[i] else "-"
                          for i in ("HashTable", "std::unordered_map", "tsl::robin_map", "absl::flat_hash_map") if i in m)
        out.append(f"| {case} | {fmt(unit_time(m['HashTable']))} | {fmt(unit_time(m['std::unordered_map']))} | "
                   f"**{r:.2f}** | {fmt(unit_time(m['tsl::robin_map']))} | {fmt(unit_time(m['absl::flat_hash_map']))} | {slots} |")
    goals += [("Find (hit and miss) at most 1.0 x std::unordered_map", worst["find"], 1.0),
              ("Insert at most 1.5 x std::unordered_map", worst["insert"], 1.5),
              ("Remove at most 1.5 x std::unordered_map", worst["remove"], 1.5),
              ("Request cycle (N = 1, 8, 64) at most 1.0 x std::unordered_map", worst["cycle"], 1.0)]

    # Codecs.
    out += ["", "## UTF-8 and UTF-16 (`UnicodeString`)", "",
            "MB of UTF-8 per second. UnicodeString decodes into the string and encodes its buffer; iconv and the "
            "hand loop convert directly.", "", "![text throughput](text-throughput.png)", "",
            "| case | UnicodeString | iconv | hand loop | ratio to iconv | ratio to hand loop |", "|---|---|---|---|---|---|"]
    worst_iconv, worst_hand = 0, 0
    chart = []
    for case in sorted(c for c in medians if c.startswith("Utf")):
        m = medians[case]
        mbs = {k: v["bytes_per_second"] / 1e6 for k, v in m.items()}
        ri, rh = ratio(case, "UnicodeString", "iconv"), ratio(case, "UnicodeString", "hand-loop")
        worst_iconv, worst_hand = max(worst_iconv, ri), max(worst_hand, rh)
        out.append(f"| {case} | {mbs['UnicodeString']:.0f} | {mbs['iconv']:.0f} | {mbs['hand-loop']:.0f} | "
                   f"**{ri:.2f}** | **{rh:.2f}** |")
        if "/1MB" in case:
            direction, script, _ = case.split("/")
            label = script + (" 8>16" if direction == "Utf8ToUtf16" else " 16>8")
            chart.append(f'"{label}" {mbs["UnicodeString"]:.0f} {mbs["iconv"]:.0f} {mbs["hand-loop"]:.0f}')
    with open(args.chart_data, "w") as f:
        f.write("\n".join(chart) + "\n")
    goals += [("Codecs at least iconv's throughput on every text", worst_iconv, 1.0),
              ("Codecs within 2 x the hand loop", worst_hand, 2.0)]
    repeated = medians.get("RepeatedGetUtf16", {})

    # Searching, replacing, the message.
    out += ["", "## Searching, replacing and the installation message", "",
            "| case | ours | baseline | ratio |", "|---|---|---|---|"]
    for case, base in (("ReplaceAll/100in1MB", "std::u32string"), ("Find/33in1MB", "std::u32string")):
        m = medians.get(case, {})
        if "UnicodeString" in m and base in m:
            r = ratio(case, "UnicodeString", base)
            out.append(f"| {case} | {fmt(unit_time(m['UnicodeString']) / 1e3)} µs | "
                       f"{fmt(unit_time(m[base]) / 1e3)} µs ({base}) | **{r:.2f}** |")
            goals.append((f"{case.split('/')[0]} within {3 if 'Replace' in case else 2} x {base}", r,
                          3.0 if "Replace" in case else 2.0))
    message = medians.get("InstallationErrorString/2", {}).get("Compose")
    if message:
        ns = unit_time(message)
        out.append(f"| GetInstallationErrorString(2, \"de-DE\") | {fmt(ns)} ns | 1000 ns (target) | **{ns / 1000:.2f}** |")
        goals.append(("GetInstallationErrorString under 1 µs", ns / 1000, 1.0))
    if "RepeatedGetUtf16" in medians.get("", {}):
        ns = unit_time(medians[""]["RepeatedGetUtf16"])
        out += ["", f"A repeated `GetUtf16` of an unchanged 60-byte string costs {fmt(ns)} ns: the buffer is "
                "handed out again without encoding."]

    out += ["", "## Goals", "", "| goal | worst ratio | verdict |", "|---|---|---|"]
    for goal, r, limit in goals:
        verdict = "met" if r <= limit else f"missed by {100 * (r / limit - 1):.0f} %"
        out.append(f"| {goal} | {r:.2f} | {verdict} |")
    with open(__file__.replace("bench-report.py", "bench-notes.md")) as f:
        out += ["", f.read().rstrip()]
    print("\n".join(out))


if __name__ == "__main__":
    main()
