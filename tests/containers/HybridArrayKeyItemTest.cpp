#include "containers/HashTable.h"
#include "containers/HybridArray.h"

#include "MallocCounter.h"

#include <gtest/gtest.h>

#include <string>

using kz::common::HybridArray;
using Item = kz::common::HashTable<unsigned int, int*>::KeyItem;

namespace {

int g_values[8];

// Keys of the slots, "-" for an unused one; each used slot must still carry
// the value that belongs to its key.
std::string Keys(const HybridArray<Item>& array)
{
    std::string text;
    for (unsigned i = 0; i < array.Count(); ++i) {
        const Item& item = array.At(i);
        if (!item.Used) {
            text += '-';
            continue;
        }
        text += std::to_string(item.Key);
        EXPECT_EQ(&g_values[item.Key], item.Value) << "key " << item.Key;
    }
    return text;
}

void Fill(HybridArray<Item>& array, unsigned count)
{
    for (unsigned key = 1; key <= count; ++key)
        array.Add(Item(key, &g_values[key]));
}

} // namespace

TEST(HybridArrayKeyItems, ResizeMakesUnusedSlots)
{
    HybridArray<Item> array;
    EXPECT_EQ(1u, MallocsOf([&] { array.Resize(3); }));
    EXPECT_EQ(3u, array.Count());
    EXPECT_EQ(4u, array.Capacity());
    EXPECT_EQ("---", Keys(array));
}

TEST(HybridArrayKeyItems, GrowthCarriesSlotsOver)
{
    HybridArray<Item> array;
    Fill(array, 3);
    array.Resize(5);
    EXPECT_EQ(8u, array.Capacity());
    EXPECT_EQ("123--", Keys(array));
}

TEST(HybridArrayKeyItems, RemovalsCopyElementWise)
{
    HybridArray<Item> array;
    Fill(array, 6);
    array.RemoveAt(1);
    EXPECT_EQ("13456", Keys(array));
    array.RemoveAtUnordered(0);
    EXPECT_EQ("6345", Keys(array));
    array.RemoveFirst(2);
    EXPECT_EQ("45", Keys(array));
    Item last = array.PopLast();
    EXPECT_TRUE(last.Used);
    EXPECT_EQ(5u, last.Key);
    EXPECT_EQ(&g_values[5], last.Value);
    EXPECT_EQ("4", Keys(array));
}

TEST(HashTableKeyItem, ConstructorsSetTheUsedFlag)
{
    EXPECT_FALSE(Item().Used);
    Item item(7, &g_values[7]);
    EXPECT_TRUE(item.Used);
    EXPECT_EQ(7u, item.Key);
    EXPECT_EQ(&g_values[7], item.Value);
}

TEST(HashTableKeyItem, CopyOfUsedSlotCopiesEverything)
{
    Item source(3, &g_values[3]);
    Item constructed(source);
    Item assigned(6, &g_values[6]);
    assigned = source;
    for (const Item* copy : {&constructed, &assigned}) {
        EXPECT_TRUE(copy->Used);
        EXPECT_EQ(3u, copy->Key);
        EXPECT_EQ(&g_values[3], copy->Value);
    }
}

TEST(HashTableKeyItem, CopyOfUnusedSlotLeavesTheKeyAlone)
{
    Item source(2, &g_values[2]);
    source.Used = false;
    Item constructed(source);
    EXPECT_FALSE(constructed.Used);
    EXPECT_EQ(&g_values[2], constructed.Value);

    Item assigned(6, &g_values[6]);
    assigned = source;
    EXPECT_FALSE(assigned.Used);
    EXPECT_EQ(&g_values[2], assigned.Value);
    EXPECT_EQ(6u, assigned.Key);
}
