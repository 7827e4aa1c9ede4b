#!/usr/bin/env python3
"""Turns the benchmark results into docs/performance.md.

Native results are Google Benchmark JSON files. Each benchmark name ends in
what was measured (HashTable, UnicodeString, ...) or a baseline; the rest of
the name is the case. Figures are medians of the interleaved repetitions, in
CPU time; a ratio is our time over the baseline's, so below 1 is faster.

The Wine result is the output of dll_forward_bench.exe: one line per case
with its name, our median ns, the baseline's median ns, the ratio and the
baseline's name."""
import argparse
import json
import os
import platform
import subprocess

MAPS = ("HashTable", "std::unordered_map", "tsl::robin_map", "absl::flat_hash_map")


def first_line(command):
    try:
        out = subprocess.run(command, capture_output=True, text=True).stdout.strip()
        return out.splitlines()[0] if out else "not installed"
    except OSError:
        return "not installed"


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
    emulated = os.path.exists("/proc/sys/fs/binfmt_misc/qemu-i386")
    return [
        f"- CPU: {model}, {cores} logical cores; kernel {platform.system()} {platform.release()}",
        f"- native compiler: {first_line(['g++', '--version'])}",
        f"- DLL compiler: {first_line(['clang', '--version'])} for i686-w64-mingw32, linked by lld; "
        "game and stand-in launcher: the same clang in MSVC mode",
        f"- Wine: {first_line(['wine', '--version'])}"
        + (f", its 32-bit code emulated by {first_line(['qemu-i386-static', '--version'])} (the kernel cannot "
           "run 32-bit programs): the Wine figures are emulated timings, meaningful only as ratios between "
           "the two sides measured in the same process" if emulated else ""),
    ]


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


def load_wine(path):
    rows, rounds = [], "?"
    if not path or not os.path.exists(path):
        return rows, rounds
    with open(path) as f:
        for line in f:
            if line.startswith("#"):
                rounds = line.rsplit("(", 1)[-1].split()[0]
                continue
            parts = line.split()
            if len(parts) == 5:
                rows.append((parts[0], float(parts[1]), float(parts[2]), float(parts[3]), parts[4]))
    return rows, rounds


def load_channel(path):
    """channel_bench.exe's output: {case: median ns}, its rounds and its comment lines."""
    rows, rounds, notes = {}, "?", []
    if not path or not os.path.exists(path):
        return rows, rounds, notes
    with open(path) as f:
        for line in f:
            line = line.strip()
            if line.startswith("# case"):
                rounds = line.rsplit("(", 1)[-1].split()[0]
            elif line.startswith("#"):
                notes.append(line.lstrip("# "))
            elif len(line.split()) == 2 and "/" in line.split()[0]:
                # A case's line; the registration script's own line has no "/".
                name, ns = line.split()
                rows[name] = float(ns)
    return rows, rounds, notes


def unit_time(b):
    """CPU nanoseconds per item: per entry or operation for the maps, per byte
    of UTF-8 for the codecs, per call otherwise."""
    if "items_per_second" in b:
        return 1e9 / b["items_per_second"]
    if "bytes_per_second" in b:
        return 1e9 / b["bytes_per_second"]
    scale = {"ns": 1, "us": 1e3, "ms": 1e6, "s": 1e9}[b.get("time_unit", "ns")]
    return b["cpu_time"] * scale


def fmt(x):
    return f"{x:.3g}" if x < 100 else f"{x:.0f}"


class Goals:
    def __init__(self):
        self.rows = []

    def add(self, goal, cases, limit):
        """cases: (name, ratio) pairs; the goal is met when every ratio is at most limit."""
        cases = [(n, r) for n, r in cases if r is not None]
        if not cases:
            self.rows.append((goal, None, limit, "not measured"))
            return
        name, worst = max(cases, key=lambda c: c[1])
        missed = [n for n, r in cases if r > limit]
        if not missed:
            verdict = "met"
        else:
            verdict = (f"**missed** by {100 * (worst / limit - 1):.0f} % at worst ({name}); "
                       f"{len(missed)} of {len(cases)} cases above")
        self.rows.append((goal, worst, limit, verdict))

    def table(self):
        out = ["| goal | worst ratio | limit | verdict |", "|---|---|---|---|"]
        # In the order of their numbers; stable within one number.
        for goal, worst, limit, verdict in sorted(self.rows, key=lambda row: int(row[0][1:row[0].index(")")])):
            out.append(f"| {goal} | {'-' if worst is None else f'{worst:.2f}'} | {limit:g} | {verdict} |")
        return out


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--command", required=True)
    parser.add_argument("--chart-data", required=True)
    parser.add_argument("--repetitions", default="5")
    parser.add_argument("--wine", help="output of dll_forward_bench.exe")
    parser.add_argument("--channel", help="output of channel_bench.exe")
    parser.add_argument("results", nargs="+")
    args = parser.parse_args()
    medians, context = load(args.results)
    wine, wine_rounds = load_wine(args.wine)
    goals = Goals()

    def ratio(case, ours, baseline):
        m = medians.get(case, {})
        if ours not in m or baseline not in m:
            return None
        return unit_time(m[ours]) / unit_time(m[baseline])

    body = []

    # Request table.
    body += ["## Request table (`HashTable<unsigned, Listener*>`)", "",
             "ns per operation (per entry for Insert, Remove and Refill, per request for the cycle); the ratio is "
             "to `std::unordered_map`. Slots per live entry: after filling (Find, Refill) or in the steady state "
             "(cycle). Refill inserts and removes again keys a map held before, so the table keeps its slots "
             "and seed and `std::unordered_map` its buckets: insertion and removal without the growth.", "",
             "| case | HashTable | std::unordered_map | ratio | tsl::robin_map | absl::flat_hash_map | "
             "slots/entry (ours, unordered, robin, absl) |",
             "|---|---|---|---|---|---|---|"]
    kinds = {"Find": [], "Insert": [], "Remove": [], "RequestCycle": [], "Refill": []}
    order = ("HashFindHit", "HashFindMiss", "HashInsert", "HashRemove", "HashRefill", "HashRequestCycle")
    cases = sorted((c for c in medians if c.startswith("Hash") and "HashTable" in medians[c]),
                   key=lambda c: (order.index(c.split("/")[0]), int(c.split("/")[1]), c))
    for case in cases:
        m = medians[case]
        r = ratio(case, "HashTable", "std::unordered_map")
        kind = next(k for k in kinds if k in case.split("/")[0])
        kinds[kind].append((case, r))
        slots = ", ".join(fmt(m[i]["SlotsPerEntry"]) if i in m and "SlotsPerEntry" in m[i] else "-" for i in MAPS)
        times = [fmt(unit_time(m[i])) if i in m else "-" for i in MAPS]
        body.append(f"| {case} | {times[0]} | {times[1]} | **{r:.2f}** | {times[2]} | {times[3]} | {slots} |")
    goals.add("(1) Find, hit and miss, 10 to 10,000 entries, sequential and random keys: at most 1.0 x "
              "std::unordered_map", kinds["Find"], 1.0)
    goals.add("(1) Insert: at most 1.5 x std::unordered_map", kinds["Insert"], 1.5)
    goals.add("(1) Remove: at most 1.5 x std::unordered_map", kinds["Remove"], 1.5)
    goals.add("(2) Request cycle, N = 1, 8, 64 pending, natively: at most 1.0 x std::unordered_map",
              kinds["RequestCycle"], 1.0)

    floor = medians.get("HashArithmetic", {})
    if "HashWord1+HashWord2" in floor and "std::hash" in floor:
        ours, theirs = unit_time(floor["HashWord1+HashWord2"]), unit_time(floor["std::hash"])
        body += ["", f"The two specified hashes of one key cost {fmt(ours)} ns together "
                 f"(`HashArithmetic`), `std::hash<unsigned>` with the prime modulo of `std::unordered_map` "
                 f"{fmt(theirs)} ns."]

    # Codecs.
    body += ["", "## UTF-8 and UTF-16 (`UnicodeString`)", "",
             "MB of UTF-8 per second (CPU time). UnicodeString decodes into the string and encodes its buffer "
             "(`SetUtf8` then `GetUtf16`, `SetUtf16` then `GetUtf8`); iconv and the hand loop convert "
             "directly. Ratios are times: UnicodeString's over the other's.", "",
             "![text throughput](text-throughput.png)", "",
             "| case | UnicodeString | iconv | hand loop | ratio to iconv | ratio to hand loop |",
             "|---|---|---|---|---|---|"]
    to_iconv, to_hand, chart = [], [], []
    for case in sorted((c for c in medians if c.startswith("Utf")), key=lambda c: (c.split("/")[2], c)):
        m = medians[case]
        mbs = {k: v["bytes_per_second"] / 1e6 for k, v in m.items()}
        ri, rh = ratio(case, "UnicodeString", "iconv"), ratio(case, "UnicodeString", "hand-loop")
        to_iconv.append((case, ri))
        to_hand.append((case, rh))
        body.append(f"| {case} | {mbs['UnicodeString']:.0f} | {mbs['iconv']:.0f} | {mbs['hand-loop']:.0f} | "
                    f"**{ri:.2f}** | **{rh:.2f}** |")
        if "/1MB" in case:
            direction, script, _ = case.split("/")
            label = script + (" 8>16" if direction == "Utf8ToUtf16" else " 16>8")
            chart.append(f'"{label}" {mbs["UnicodeString"]:.0f} {mbs["iconv"]:.0f} {mbs["hand-loop"]:.0f}')
    with open(args.chart_data, "w") as f:
        f.write("\n".join(sorted(chart)) + "\n")
    goals.add("(3) Codecs, five scripts, 1 MB and 60 B, both directions: at least iconv's throughput", to_iconv, 1.0)
    goals.add("(3) Codecs: within 2 x the hand loop", to_hand, 2.0)
    small = medians.get("RepeatedGetUtf16/60B", {}).get("UnicodeString")
    large = medians.get("RepeatedGetUtf16/1MB", {}).get("UnicodeString")
    if small and large:
        encode = medians.get("Utf16ToUtf8/latin1/1MB", {}).get("UnicodeString")
        body += ["", f"A repeated `GetUtf16` of an unchanged string costs {fmt(unit_time(small))} ns for 60 bytes "
                 f"and {fmt(unit_time(large))} ns for 1 MB: the buffer is handed out again without encoding."]
        goals.add("(3) Repeated GetUtf16 of an unchanged string encodes nothing (1 MB costs at most 2 x 60 B)",
                  [("RepeatedGetUtf16/1MB", unit_time(large) / unit_time(small) / 2)], 1.0)

    # Searching and replacing.
    body += ["", "## Searching and replacing (`UnicodeString`)", "",
             "| case | UnicodeString | std::u32string | ratio |", "|---|---|---|---|"]
    for case, limit, goal in (("ReplaceAll/100in1MB", 3.0, "(4) ReplaceAll of 100 occurrences in 1 MB: within 3 x "
                               "a one-pass std::u32string version"),
                              ("Find/33in1MB", 2.0, "(4) Find in 1 MB: within 2 x std::u32string::find")):
        m = medians.get(case, {})
        if "UnicodeString" in m and "std::u32string" in m:
            r = ratio(case, "UnicodeString", "std::u32string")
            body.append(f"| {case} | {fmt(unit_time(m['UnicodeString']) / 1e3)} µs | "
                        f"{fmt(unit_time(m['std::u32string']) / 1e3)} µs | **{r:.2f}** |")
            goals.add(goal, [(case, r)], limit)

    # Binding and the message.
    body += ["", "## Binding and the installation message", "",
             "The binding (registry read, load, 22 look-ups, release) against system calls that answer at once "
             "without recording, beside the same steps written by hand against the same calls.", "",
             "| case | ours | baseline | ratio |", "|---|---|---|---|"]
    m = medians.get("Binding", {})
    if "LauncherApi" in m and "by-hand" in m:
        r = ratio("Binding", "LauncherApi", "by-hand")
        body.append(f"| Binding | {fmt(unit_time(m['LauncherApi']))} ns | {fmt(unit_time(m['by-hand']))} ns "
                    f"(by hand) | **{r:.2f}** |")
        goals.add("(6) Binding: no slower than the same steps by hand", [("Binding", r)], 1.0)
    m = medians.get("BindingPath", {})
    if "UnicodeString" in m and "std::u16string" in m:
        r = ratio("BindingPath", "UnicodeString", "std::u16string")
        body.append(f"| its path built as a UnicodeString | {fmt(unit_time(m['UnicodeString']))} ns | "
                    f"{fmt(unit_time(m['std::u16string']))} ns (std::u16string) | **{r:.2f}** |")
    message = medians.get("InstallationErrorString/1", {}).get("TesmaClient")
    if message:
        ns = unit_time(message)
        body.append(f"| TesmaClient::GetInstallationErrorString(\"de-DE\"), error 1 | {fmt(ns)} ns | "
                    f"1000 ns (target) | **{ns / 1000:.2f}** |")
        goals.add("(6) GetInstallationErrorString of a non-zero number: under 1 µs natively",
                  [("GetInstallationErrorString", ns / 1000)], 1.0)

    # The DLL under Wine.
    body += ["", "## Through the DLL, under Wine", ""]
    if wine:
        body += [f"`dll_forward_bench.exe`, built as a game is built (clang in MSVC mode, -O2), calls "
                 f"`tesmaclient.dll` (the shipped build) bound to the stand-in launcher built in MSVC mode. Each "
                 f"case runs both sides in the same process in alternating order; figures are medians of "
                 f"{wine_rounds} rounds, in emulated ns. Forward: the client's method beside a direct call of the "
                 f"launcher's entry point through GetProcAddress on the same dovtesmaapi_r2.dll. Floor: that direct "
                 f"call with the two atomic read-modify-writes around it that count a call in progress, the least a "
                 f"forward that keeps the release safe costs. RoundTrip: `GetLoginDetails` answered from inside "
                 f"the request (inline) or, with N requests pending, one request, `Update` and the launcher's "
                 f"answer to the request N frames old per frame (later/N), beside the same pattern on a router of "
                 f"the game's own: a robin-hood open-addressing map written in the benchmark (tsl::robin_map's "
                 f"scheme: power-of-two buckets, identity hash, half load), since tsl::robin_map needs a C++ "
                 f"library that MSVC-mode programs here lack.", "",
                 "| case | through the DLL | baseline | ratio | baseline |", "|---|---|---|---|---|"]
        forwards, trips = [], []
        for name, ours, base, r, base_name in wine:
            body.append(f"| {name} | {fmt(ours)} ns | {fmt(base)} ns | **{r:.2f}** | {base_name} |")
            if name.startswith("Forward/"):
                forwards.append((name, r))
            elif name.startswith("RoundTrip/"):
                trips.append((name, r))
        goals.add("(5) Update and GetRequestUniqueId through the DLL: at most 1.5 x a direct call (Wine)",
                  forwards, 1.5)
        goals.add("(2) Request round trip through the DLL, inline and later: at most 2 x a robin-map router (Wine)",
                  trips, 2.0)
    else:
        body += ["Not run: no Windows test build (build/windows-tests)."]

    # A 64-bit game through the host.
    body += ["", "## A 64-bit game through its host, under Wine", ""]
    channel, channel_rounds, channel_notes = load_channel(args.channel)
    if channel:
        body += ["`channel_bench.exe`, a 64-bit program, starts a 32-bit echo and times a round trip of 16 bytes "
                 "each of the three ways a 64-bit process can reach a 32-bit one (an anonymous pipe each way, a pair "
                 "of auto-reset events, two sequence words in shared memory that each side spins on), then the "
                 "round trips `tesmaclient64.dll` makes through `tesmaclient-host.exe` to the development launcher: "
                 "an `Update` with no answer and `GetRequestUniqueId`, called back to back so that the host is "
                 f"spinning. Medians of {channel_rounds} rounds. 64-bit Wine code runs natively; the 32-bit side "
                 "runs natively or under qemu, as the machine line above says.", "",
                 "| case | per round trip |", "|---|---|"]
        for name, ns in channel.items():
            body.append(f"| {name} | {fmt(ns / 1e3)} µs |")
        body += [""] + [f"- {note}" for note in channel_notes]
        hosted = [(name, ns / 5000) for name, ns in channel.items() if name.endswith("/tesmaclient64")]
        goals.add("(7) Update and a synchronous forward of a 64-bit game through the host: within 5 µs (Wine)",
                  hosted, 1.0)
    else:
        body += ["Not run: no 64-bit Windows test build (build/windows-tests64)."]

    out = ["# Performance", "",
           f"Written by `{args.command}` from the results of one run. Native benchmarks: g++ -O2, no sanitizers, "
           f"Google Benchmark, each figure the median of {args.repetitions} interleaved repetitions "
           "(`--benchmark_enable_random_interleaving`) in CPU time, every baseline measured in the same run. A "
           "ratio is our time over the baseline's time: below 1 is faster.", "",
           "Machine:", ""] + machine() + [
           "", f"Run: {context.get('date', '?')}, load average at the start "
           f"{', '.join(f'{x:.2f}' for x in context.get('load_avg', []))}. The machine's two cores were shared "
           "with other work (builds and a fuzzing campaign of other engineers), so single figures move by 10-30 % "
           "from run to run; the ratios, whose two sides are interleaved, move less.", "",
           "## Goals", ""] + goals.table() + [""] + body
    notes = os.path.join(os.path.dirname(os.path.abspath(__file__)), "bench-notes.md")
    with open(notes) as f:
        out += ["", f.read().rstrip()]
    print("\n".join(out))


if __name__ == "__main__":
    main()
