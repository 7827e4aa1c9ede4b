// HashTable driven by arbitrary insert, find and remove sequences against
// std::unordered_map. After every step: the slot count is 2 to the power of the
// seed, every key sits at one of its two positions under the plain byte hashes
// (which the table computes inline, with a mask), no key is held twice, and the
// entry count is the model's size.

#include "FuzzCheck.h"

#include "containers/HashBytes.h"
#include "containers/HashTable.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <unordered_map>
#include <unordered_set>
#include <vector>

using kz::common::HashBytes1;
using kz::common::HashBytes2;

namespace {

using Table = kz::common::HashTable<unsigned int, unsigned int>;
using Model = std::unordered_map<unsigned int, unsigned int>;

unsigned Position1(unsigned int key, const Table& table)
{
    return HashBytes1(&key, table.GetSeed(), 4) % table.SlotCount();
}

unsigned Position2(unsigned int key, const Table& table)
{
    return HashBytes2(&key, table.GetSeed(), 4) % table.SlotCount();
}

void CheckInvariants(const Table& table, const Model& model)
{
    FUZZ_CHECK(table.GetSeed() < 32 && table.SlotCount() == 1u << table.GetSeed());
    std::unordered_set<unsigned int> keys;
    for (unsigned i = 0; i < table.SlotCount(); ++i) {
        const Table::KeyItem& slot = table.Slot(i);
        if (!slot.Used)
            continue;
        FUZZ_CHECK(Position1(slot.Key, table) == i || Position2(slot.Key, table) == i);
        FUZZ_CHECK(keys.insert(slot.Key).second);
        auto expected = model.find(slot.Key);
        FUZZ_CHECK(expected != model.end() && expected->second == slot.Value);
    }
    FUZZ_CHECK(keys.size() == model.size());
    FUZZ_CHECK(table.GetEntryCount() == model.size());
}

// The used slots, to see that a step moved nothing it had no business moving.
std::vector<Table::KeyItem> UsedSlots(const Table& table)
{
    std::vector<Table::KeyItem> slots;
    for (unsigned i = 0; i < table.SlotCount(); ++i)
        slots.push_back(table.Slot(i).Used ? table.Slot(i) : Table::KeyItem());
    return slots;
}

bool SameSlots(const std::vector<Table::KeyItem>& before, const Table& table, unsigned except)
{
    for (unsigned i = 0; i < before.size(); ++i) {
        if (i == except)
            continue;
        const Table::KeyItem& now = table.Slot(i);
        if (now.Used != before[i].Used || (now.Used && (now.Key != before[i].Key || now.Value != before[i].Value)))
            return false;
    }
    return true;
}

void Insert(Table& table, Model& model, unsigned int key, unsigned int value)
{
    const bool present = model.count(key) != 0;
    const unsigned slots = table.SlotCount();
    const unsigned seed = table.GetSeed();
    const unsigned first = Position1(key, table);
    const bool firstFree = !table.Slot(first).Used;
    table.Insert(key, value);
    model[key] = value;
    if (present || firstFree) {
        // An overwrite, or a key whose first slot is free: no walk, no rehash.
        FUZZ_CHECK(table.SlotCount() == slots && table.GetSeed() == seed);
        if (!present) {
            FUZZ_CHECK(table.Slot(first).Used && table.Slot(first).Key == key);
        }
    }
}

void Remove(Table& table, Model& model, unsigned int key)
{
    const unsigned slots = table.SlotCount();
    const unsigned seed = table.GetSeed();
    const std::vector<Table::KeyItem> before = UsedSlots(table);
    unsigned removedAt = slots;
    for (unsigned i = 0; i < slots; ++i) {
        if (table.Slot(i).Used && table.Slot(i).Key == key)
            removedAt = i;
    }
    table.Remove(key);
    model.erase(key);
    // Nothing shrinks and no other entry moves.
    FUZZ_CHECK(table.SlotCount() == slots && table.GetSeed() == seed);
    FUZZ_CHECK(SameSlots(before, table, removedAt));
}

void Find(const Table& table, const Model& model, unsigned int key)
{
    const unsigned int untouched = 0xA5A5A5A5u;
    unsigned int value = untouched;
    const bool found = table.Find(key, value);
    auto expected = model.find(key);
    FUZZ_CHECK(found == (expected != model.end()));
    FUZZ_CHECK(value == (found ? expected->second : untouched));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider input(data, size);
    // Operations mostly draw on a few keys of the input's choosing, so that
    // they meet again; the rest bring new keys.
    std::vector<unsigned int> pool(input.ConsumeIntegralInRange<std::size_t>(1, 24));
    for (unsigned int& key : pool)
        key = input.ConsumeIntegral<unsigned int>();

    Table table;
    Model model;
    for (unsigned steps = 0; steps < 256 && input.remaining_bytes() != 0; ++steps) {
        const std::uint8_t op = input.ConsumeIntegral<std::uint8_t>();
        const std::uint8_t pick = input.ConsumeIntegral<std::uint8_t>();
        const unsigned int key = pick < 0xE0 ? pool[pick % pool.size()] : input.ConsumeIntegral<unsigned int>();
        switch (op % 8) {
        case 0:
        case 1:
        case 2:
            Insert(table, model, key, input.ConsumeIntegral<unsigned int>());
            break;
        case 3:
        case 4:
            Remove(table, model, key);
            break;
        case 5:
        case 6:
            Find(table, model, key);
            break;
        default: {
            // The inline word hashes against the byte hashes, seeds of every size included.
            const unsigned int seed = input.ConsumeIntegral<unsigned int>();
            FUZZ_CHECK(kz::common::StandardHashHelper<unsigned int>::Hash1(key, seed) == HashBytes1(&key, seed, 4));
            FUZZ_CHECK(kz::common::StandardHashHelper<unsigned int>::Hash2(key, seed) == HashBytes2(&key, seed, 4));
            break;
        }
        }
        CheckInvariants(table, model);
    }
    for (const auto& entry : model)
        Find(table, model, entry.first);
    return 0;
}
