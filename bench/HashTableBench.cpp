// Insert and lookup cost of the request tables, and how large they grow, for
// request numbers handed out in sequence (what games usually do) and at random.
#include "containers/HashTable.h"

#include <benchmark/benchmark.h>

#include <random>
#include <vector>

namespace {

struct Listener {
    int id;
};

Listener g_listeners[64];

using Table = kz::common::HashTable<unsigned int, Listener*>;

std::vector<unsigned> SequentialKeys(unsigned n)
{
    std::vector<unsigned> keys(n);
    for (unsigned i = 0; i < n; ++i)
        keys[i] = i + 1;
    return keys;
}

std::vector<unsigned> RandomKeys(unsigned n)
{
    std::mt19937 random(12345u);
    std::vector<unsigned> keys(n);
    for (unsigned& key : keys)
        key = random();
    return keys;
}

void InsertAll(Table& table, const std::vector<unsigned>& keys)
{
    for (unsigned key : keys)
        table.Insert(key, &g_listeners[key % 64]);
}

void ReportSize(benchmark::State& state, const Table& table)
{
    state.counters["Entries"] = table.GetEntryCount();
    state.counters["Slots"] = table.SlotCount();
    state.counters["Seed"] = table.GetSeed();
    state.counters["SlotBytes"] = double(table.SlotCount()) * sizeof(Table::KeyItem);
}

void Insert(benchmark::State& state, const std::vector<unsigned>& keys)
{
    for (auto _ : state) {
        Table table;
        InsertAll(table, keys);
        benchmark::DoNotOptimize(table.GetEntryCount());
        state.PauseTiming();
        ReportSize(state, table);
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * keys.size());
}

void Find(benchmark::State& state, const std::vector<unsigned>& keys)
{
    Table table;
    InsertAll(table, keys);
    Listener* found = nullptr;
    for (auto _ : state) {
        for (unsigned key : keys) {
            table.Find(key, found);
            benchmark::DoNotOptimize(found);
        }
    }
    ReportSize(state, table);
    state.SetItemsProcessed(state.iterations() * keys.size());
}

void BM_InsertSequential(benchmark::State& state) { Insert(state, SequentialKeys(unsigned(state.range(0)))); }
void BM_InsertRandom(benchmark::State& state) { Insert(state, RandomKeys(unsigned(state.range(0)))); }
void BM_FindSequential(benchmark::State& state) { Find(state, SequentialKeys(unsigned(state.range(0)))); }
void BM_FindRandom(benchmark::State& state) { Find(state, RandomKeys(unsigned(state.range(0)))); }

// The request routing's pattern: each request number is inserted when the
// request goes out and found and removed when its answer comes, with a few
// requests pending at any time.
void BM_RequestCycle(benchmark::State& state)
{
    const unsigned pending = unsigned(state.range(0));
    const unsigned requests = 100000;
    for (auto _ : state) {
        Table table;
        Listener* found = nullptr;
        for (unsigned id = 1; id <= requests; ++id) {
            table.Insert(id, &g_listeners[id % 64]);
            if (id > pending) {
                table.Find(id - pending, found);
                table.Remove(id - pending);
            }
        }
        benchmark::DoNotOptimize(found);
        state.PauseTiming();
        ReportSize(state, table);
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * requests);
}

} // namespace

BENCHMARK(BM_InsertSequential)->Arg(1000)->Arg(100000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_InsertRandom)->Arg(1000)->Arg(100000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FindSequential)->Arg(1000)->Arg(100000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FindRandom)->Arg(1000)->Arg(100000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RequestCycle)->Arg(1)->Arg(8)->Arg(64)->Unit(benchmark::kMicrosecond);
