// The request table against the maps a game programmer would pick: lookups that
// hit and miss, insertion, removal and the request cycle, at the sizes the
// client sees and beyond, with request numbers handed out in sequence (what
// games usually do) and at random. Names end in the map measured, so each
// figure has its baselines beside it from the same run.
#include "MapAdapters.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <memory>
#include <random>
#include <string>
#include <unordered_set>
#include <vector>

namespace {

Listener g_listeners[64];

Listener* ListenerFor(unsigned key) { return &g_listeners[key % 64]; }

// Keys that are stored, and as many that are not, visited in a shuffled order
// so that neither the table's nor the map's layout follows the visiting order.
struct KeySet {
    std::vector<unsigned> present;
    std::vector<unsigned> absent;
};

KeySet MakeKeys(unsigned n, bool sequential)
{
    KeySet keys;
    std::mt19937 random(12345u);
    if (sequential) {
        for (unsigned i = 1; i <= n; ++i) {
            keys.present.push_back(i);
            keys.absent.push_back(n + i);
        }
    } else {
        std::unordered_set<unsigned> seen;
        while (seen.size() < 2 * std::size_t(n)) {
            unsigned key = random();
            if (seen.insert(key).second)
                (keys.present.size() < n ? keys.present : keys.absent).push_back(key);
        }
    }
    return keys;
}

std::vector<unsigned> Shuffled(std::vector<unsigned> keys)
{
    std::shuffle(keys.begin(), keys.end(), std::mt19937(777u));
    return keys;
}

template <typename Map>
void Fill(Map& map, const std::vector<unsigned>& keys)
{
    for (unsigned key : keys)
        map.Insert(key, ListenerFor(key));
}

template <typename Map>
void ReportSize(benchmark::State& state, const Map& map)
{
    state.counters["SlotsPerEntry"] = map.Entries() > 0 ? map.Slots() / map.Entries() : 0;
}

template <typename Map>
void Find(benchmark::State& state, unsigned n, bool sequential, bool hit)
{
    KeySet keys = MakeKeys(n, sequential);
    Map map;
    Fill(map, keys.present);
    std::vector<unsigned> probes = Shuffled(hit ? keys.present : keys.absent);
    Listener* found = nullptr;
    unsigned hits = 0;
    for (auto _ : state) {
        for (unsigned key : probes)
            hits += map.Find(key, found);
        benchmark::DoNotOptimize(found);
    }
    benchmark::DoNotOptimize(hits);
    ReportSize(state, map);
    state.SetItemsProcessed(state.iterations() * probes.size());
}

// Fills a new map with n entries; the cost per entry includes all growth.
template <typename Map>
void Insert(benchmark::State& state, unsigned n, bool sequential)
{
    std::vector<unsigned> keys = MakeKeys(n, sequential).present;
    for (auto _ : state) {
        Map map;
        Fill(map, keys);
        benchmark::DoNotOptimize(map);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * keys.size());
}

// Empties maps of n entries in shuffled order; the filling is not timed. Small
// maps are emptied in batches of about 4,096 entries, so that the pausing of
// the clock is not what is measured.
template <typename Map>
void Remove(benchmark::State& state, unsigned n, bool sequential)
{
    std::vector<unsigned> keys = MakeKeys(n, sequential).present;
    std::vector<unsigned> order = Shuffled(keys);
    const unsigned batch = std::max(1u, 4096u / n);
    for (auto _ : state) {
        state.PauseTiming();
        {
            std::unique_ptr<Map[]> maps(new Map[batch]);
            for (unsigned m = 0; m < batch; ++m)
                Fill(maps[m], keys);
            state.ResumeTiming();
            for (unsigned m = 0; m < batch; ++m) {
                for (unsigned key : order)
                    maps[m].Remove(key);
            }
            benchmark::DoNotOptimize(maps.get());
            benchmark::ClobberMemory();
            state.PauseTiming(); // the maps' destruction is not removal
        }
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * keys.size() * batch);
}

// Inserts n keys into a map that held them before and removes them again:
// the table keeps its slots and seed, the standard map its buckets, so this is
// insertion and removal without the growth.
template <typename Map>
void Refill(benchmark::State& state, unsigned n, bool sequential)
{
    std::vector<unsigned> keys = MakeKeys(n, sequential).present;
    Map map;
    Fill(map, keys);
    for (unsigned key : keys)
        map.Remove(key);
    for (auto _ : state) {
        Fill(map, keys);
        for (unsigned key : keys)
            map.Remove(key);
        benchmark::ClobberMemory();
    }
    state.counters["SlotsPerEntry"] = map.Slots() / n;
    state.SetItemsProcessed(state.iterations() * keys.size());
}

// The request routing's pattern: each request number is inserted when the
// request goes out and found and removed when its answer comes, with pending
// requests outstanding. One map lives through the whole run, as a client's does.
template <typename Map>
void RequestCycle(benchmark::State& state, unsigned pending)
{
    Map map;
    unsigned id = 1;
    Listener* found = nullptr;
    for (; id <= pending; ++id)
        map.Insert(id, ListenerFor(id));
    for (auto _ : state) {
        map.Insert(id, ListenerFor(id));
        if (map.Find(id - pending, found))
            map.Remove(id - pending);
        benchmark::DoNotOptimize(found);
        ++id;
    }
    ReportSize(state, map);
    state.SetItemsProcessed(state.iterations());
}

// The bare arithmetic of a lookup's positions: the two specified hashes of a
// key under a real table's seed, beside std::hash and the prime modulo that
// std::unordered_map takes of it.
void HashArithmeticTable(benchmark::State& state)
{
    std::vector<unsigned> keys = Shuffled(MakeKeys(1000, false).present);
    unsigned seed = 10;
    for (auto _ : state) {
        unsigned sum = 0;
        for (unsigned key : keys)
            sum += (kz::common::HashWord1(key, seed) & 1023) + (kz::common::HashWord2(key, seed) & 1023);
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * keys.size());
}

void HashArithmeticStd(benchmark::State& state)
{
    std::vector<unsigned> keys = Shuffled(MakeKeys(1000, false).present);
    std::size_t buckets = 1031;
    benchmark::DoNotOptimize(buckets); // a run-time prime, as the map's bucket count is
    for (auto _ : state) {
        std::size_t sum = 0;
        for (unsigned key : keys)
            sum += std::hash<unsigned>()(key) % buckets;
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * keys.size());
}

const char* Keys(bool sequential) { return sequential ? "sequential" : "random"; }

template <typename Map>
void RegisterMap()
{
    std::string suffix = std::string("/") + Map::Name;
    for (bool sequential : {true, false}) {
        for (unsigned n : {10u, 100u, 1000u, 10000u}) {
            std::string size = "/" + std::to_string(n) + "/" + Keys(sequential);
            benchmark::RegisterBenchmark(("HashFindHit" + size + suffix).c_str(), Find<Map>, n, sequential, true);
            benchmark::RegisterBenchmark(("HashFindMiss" + size + suffix).c_str(), Find<Map>, n, sequential, false);
            benchmark::RegisterBenchmark(("HashInsert" + size + suffix).c_str(), Insert<Map>, n, sequential);
            benchmark::RegisterBenchmark(("HashRemove" + size + suffix).c_str(), Remove<Map>, n, sequential);
            benchmark::RegisterBenchmark(("HashRefill" + size + suffix).c_str(), Refill<Map>, n, sequential);
        }
    }
    for (unsigned pending : {1u, 8u, 64u})
        benchmark::RegisterBenchmark(("HashRequestCycle/" + std::to_string(pending) + suffix).c_str(),
                                     RequestCycle<Map>, pending);
}

const int g_registered = [] {
    benchmark::RegisterBenchmark("HashArithmetic/HashWord1+HashWord2", HashArithmeticTable);
    benchmark::RegisterBenchmark("HashArithmetic/std::hash", HashArithmeticStd);
    RegisterMap<TesmaMap>();
    RegisterMap<StdMap>();
    RegisterMap<RobinMap>();
    RegisterMap<AbslMap>();
    return 0;
}();

} // namespace
