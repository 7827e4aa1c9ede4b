#include "containers/HashTable.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <unordered_map>
#include <unordered_set>

namespace {

using Table = kz::common::HashTable<unsigned int, unsigned int>;
using Helper = kz::common::StandardHashHelper<unsigned int>;
using Model = std::unordered_map<unsigned int, unsigned int>;

bool AtOneOfItsPositions(const Table& table, unsigned index, unsigned key)
{
    unsigned n = table.SlotCount();
    return index == Helper::Hash1(key, table.GetSeed()) % n || index == Helper::Hash2(key, table.GetSeed()) % n;
}

// Every used slot sits at one of its key's positions, holds the model's value,
// and no key appears twice; the used slots are exactly the model's entries.
void ExpectFullInvariants(const Table& table, const Model& model, unsigned op)
{
    std::unordered_set<unsigned int> seen;
    unsigned used = 0;
    for (unsigned i = 0; i < table.SlotCount(); ++i) {
        const Table::KeyItem& slot = table.Slot(i);
        if (!slot.Used)
            continue;
        ++used;
        ASSERT_TRUE(AtOneOfItsPositions(table, i, slot.Key)) << "op " << op << " slot " << i << " key " << slot.Key;
        ASSERT_TRUE(seen.insert(slot.Key).second) << "op " << op << " key twice: " << slot.Key;
        auto entry = model.find(slot.Key);
        ASSERT_NE(model.end(), entry) << "op " << op << " stray key " << slot.Key;
        ASSERT_EQ(entry->second, slot.Value) << "op " << op << " key " << slot.Key;
    }
    ASSERT_EQ(model.size(), used) << "op " << op;
    ASSERT_EQ(used, table.GetEntryCount()) << "op " << op;
}

} // namespace

// A million mixed operations against std::unordered_map. Keys come half from
// a small range (many overwrites and hitting removes) and half from a large one
// (growth); some removes aim at a recently inserted key so that large keys
// leave too. The table ends with about 100,000 entries in 2^18 slots, so a
// full scan of the slots after every operation would dominate the run under
// ASan: each operation gets the cheap checks (its result, EntryCount, 2^Seed
// slots, the touched key's position), the full invariants run after every
// rehash, when entries have moved, and otherwise once every SlotCount()
// operations (at least 256), which keeps their cost to about one slot per
// operation while a small table is still checked often.
TEST(HashTableModel, MillionMixedOperationsAgreeWithUnorderedMap)
{
    std::mt19937 random(20240611u);
    auto nextKey = [&random]() -> unsigned {
        std::uint32_t bits = random();
        return (bits & 1u) ? (bits >> 1) % 32u : (bits >> 1) % (1u << 20);
    };

    Table table;
    Model model;
    unsigned recent[64] = {};
    unsigned recentNext = 0;
    unsigned rehashes = 0, overwrites = 0, hitRemoves = 0, hitFinds = 0;
    const unsigned operations = 1000000;

    for (unsigned op = 0; op < operations; ++op) {
        unsigned seedBefore = table.GetSeed();
        unsigned choice = random() % 100u;
        unsigned key;
        if (choice < 35) {
            key = nextKey();
            unsigned value = op;
            overwrites += model.count(key) != 0;
            table.Insert(key, value);
            model[key] = value;
            recent[recentNext++ % 64] = key;
        } else if (choice < 60) {
            key = nextKey();
            unsigned value = 0xdeadbeefu;
            bool found = table.Find(key, value);
            auto entry = model.find(key);
            ASSERT_EQ(entry != model.end(), found) << "op " << op << " find " << key;
            ASSERT_EQ(found ? entry->second : 0xdeadbeefu, value) << "op " << op << " find " << key;
            hitFinds += found;
        } else {
            key = choice < 85 ? nextKey() : recent[random() % 64u];
            hitRemoves += model.erase(key);
            table.Remove(key);
            unsigned value = 0;
            ASSERT_FALSE(table.Find(key, value)) << "op " << op << " removed " << key;
        }

        ASSERT_EQ(model.size(), table.GetEntryCount()) << "op " << op;
        ASSERT_GE(table.GetSeed(), seedBefore) << "op " << op;
        ASSERT_LT(table.GetSeed(), 32u) << "op " << op;
        ASSERT_EQ(1u << table.GetSeed(), table.SlotCount()) << "op " << op;
        auto entry = model.find(key);
        if (entry != model.end()) {
            unsigned n = table.SlotCount();
            unsigned i1 = Helper::Hash1(key, table.GetSeed()) % n;
            unsigned i2 = Helper::Hash2(key, table.GetSeed()) % n;
            const Table::KeyItem& first = table.Slot(i1);
            const Table::KeyItem& second = table.Slot(i2);
            bool atFirst = first.Used && first.Key == key && first.Value == entry->second;
            bool atSecond = second.Used && second.Key == key && second.Value == entry->second;
            ASSERT_TRUE(atFirst || atSecond) << "op " << op << " key " << key;
        }

        unsigned interval = table.SlotCount() > 256 ? table.SlotCount() : 256;
        if (table.GetSeed() != seedBefore || op % interval == 0) {
            rehashes += table.GetSeed() - seedBefore;
            ExpectFullInvariants(table, model, op);
            if (HasFatalFailure())
                return;
        }
    }
    ExpectFullInvariants(table, model, operations);

    // The run must have exercised what it claims to check.
    EXPECT_GE(rehashes, 12u);
    EXPECT_GT(overwrites, 10000u);
    EXPECT_GT(hitRemoves, 10000u);
    EXPECT_GT(hitFinds, 10000u);
    EXPECT_GT(model.size(), 1000u);
}
