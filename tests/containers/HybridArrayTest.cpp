#include "containers/HybridArray.h"

#include "ExpectFatalError.h"
#include "MallocCounter.h"

#include <gtest/gtest.h>

#include <string>

using kz::common::HybridArray;
using kz::common::IArray;

namespace {

std::string Contents(const IArray<char>& array)
{
    std::string text;
    for (unsigned i = 0; i < array.Count(); ++i)
        text += array.At(i);
    return text;
}

// An array holding text, grown one Add at a time.
struct CharArray : HybridArray<char> {
    explicit CharArray(const std::string& text = "")
    {
        for (char c : text)
            Add(c);
    }
};

} // namespace

TEST(HybridArrayGrowth, NewArrayHoldsNoBlock)
{
    EXPECT_EQ(0u, MallocsOf([] { HybridArray<unsigned int> array; }));
    HybridArray<unsigned int> array;
    EXPECT_EQ(0u, array.Count());
    EXPECT_EQ(0u, array.Capacity());
    EXPECT_NE(nullptr, array.Data());
}

TEST(HybridArrayGrowth, SingleAddsDoubleCapacityWhenFull)
{
    const unsigned expectedCapacity[9] = {1, 2, 4, 4, 8, 8, 8, 8, 16};
    const unsigned expectedMallocs[9] = {1, 1, 1, 0, 1, 0, 0, 0, 1};
    const unsigned expectedFrees[9] = {0, 1, 1, 0, 1, 0, 0, 0, 1};
    HybridArray<unsigned int> array;
    for (unsigned i = 0; i < 9; ++i) {
        unsigned index = 0;
        HeapCalls calls = HeapCallsOf([&] { index = array.Add(100 + i); });
        EXPECT_EQ(i, index);
        EXPECT_EQ(expectedMallocs[i], calls.mallocs) << "count " << i + 1;
        EXPECT_EQ(expectedFrees[i], calls.frees) << "count " << i + 1;
        EXPECT_EQ(expectedCapacity[i], array.Capacity()) << "count " << i + 1;
    }
    const unsigned expected[9] = {100, 101, 102, 103, 104, 105, 106, 107, 108};
    for (unsigned i = 0; i < 9; ++i)
        EXPECT_EQ(expected[i], array.At(i));
}

TEST(HybridArrayGrowth, ReserveRoundsUpToPowerOfTwo)
{
    HybridArray<unsigned int> array;
    EXPECT_EQ(1u, MallocsOf([&] { array.Reserve(5); }));
    EXPECT_EQ(8u, array.Capacity());
    EXPECT_EQ(0u, array.Count());
    EXPECT_EQ(0u, MallocsOf([&] { array.Reserve(3); array.Reserve(8); }));
    EXPECT_EQ(8u, array.Capacity());
    array.Reserve(9);
    EXPECT_EQ(16u, array.Capacity());
}

TEST(HybridArrayGrowth, NothingToHoldAllocatesNothing)
{
    const unsigned items[2] = {1, 2};
    HybridArray<unsigned int> array;
    EXPECT_EQ(0u, MallocsOf([&] { array.Reserve(0); array.AddRange(items, 0); }));
    EXPECT_EQ(0u, array.Count());
    EXPECT_EQ(0u, array.Capacity());
}

TEST(HybridArrayGrowth, AddRangeAllocatesOnceForTheWholeRange)
{
    const unsigned short items[5] = {10, 20, 30, 40, 50};
    HybridArray<unsigned short> array;
    array.Add(5);
    EXPECT_EQ(1u, MallocsOf([&] { array.AddRange(items, 5); }));
    EXPECT_EQ(8u, array.Capacity());
    ASSERT_EQ(6u, array.Count());
    const unsigned short expected[6] = {5, 10, 20, 30, 40, 50};
    for (unsigned i = 0; i < 6; ++i)
        EXPECT_EQ(expected[i], array.At(i));
}

TEST(HybridArrayGrowth, ClearKeepsCapacityForRefilling)
{
    CharArray array("abcde");
    array.Clear();
    EXPECT_EQ(0u, array.Count());
    EXPECT_EQ(8u, array.Capacity());
    EXPECT_EQ(0u, MallocsOf([&] { EXPECT_EQ(0u, array.Add('x')); }));
    EXPECT_EQ("x", Contents(array));
}

TEST(HybridArrayGrowth, DestructionReleasesTheBlock)
{
    HeapCalls calls = HeapCallsOf([] { CharArray array("abc"); });
    EXPECT_EQ(3u, calls.mallocs);
    EXPECT_EQ(3u, calls.frees);
    calls = HeapCallsOf([] {
        IArray<unsigned int>* array = new HybridArray<unsigned int>();
        array->Add(1);
        delete array;
    });
    EXPECT_EQ(1u, calls.mallocs);
    EXPECT_EQ(1u, calls.frees);
}

TEST(HybridArrayRemoval, RemoveAtKeepsOrder)
{
    CharArray array("abcd");
    array.RemoveAt(1);
    EXPECT_EQ("acd", Contents(array));
    array.RemoveAt(2);
    EXPECT_EQ("ac", Contents(array));
    EXPECT_EQ(4u, array.Capacity());
}

TEST(HybridArrayRemoval, RemoveAtUnorderedMovesLastIntoPlace)
{
    CharArray array("abcd");
    array.RemoveAtUnordered(1);
    EXPECT_EQ("adc", Contents(array));
    array.RemoveAtUnordered(2);
    EXPECT_EQ("ad", Contents(array));
}

TEST(HybridArrayRemoval, RemoveFirstShiftsTheRestToTheFront)
{
    CharArray array("abcd");
    array.RemoveFirst(0);
    EXPECT_EQ("abcd", Contents(array));
    array.RemoveFirst(2);
    EXPECT_EQ("cd", Contents(array));
}

TEST(HybridArrayRemoval, RemoveFirstOfAtLeastCountEmptiesAndKeepsCapacity)
{
    for (unsigned count : {4u, 9u}) {
        CharArray array("abcd");
        array.RemoveFirst(count);
        EXPECT_EQ(0u, array.Count()) << "RemoveFirst(" << count << ")";
        EXPECT_EQ(4u, array.Capacity()) << "RemoveFirst(" << count << ")";
    }
}

TEST(HybridArrayRemoval, TruncateShortensButNeverLengthens)
{
    CharArray array("abcd");
    array.Truncate(5);
    EXPECT_EQ("abcd", Contents(array));
    array.Truncate(2);
    EXPECT_EQ("ab", Contents(array));
    EXPECT_EQ(4u, array.Capacity());
}

TEST(HybridArrayRemoval, PopLastReturnsTheLastElement)
{
    CharArray array("ab");
    EXPECT_EQ('b', array.PopLast());
    EXPECT_EQ("a", Contents(array));
}

TEST(HybridArrayAssignment, ShorterSourceReplacesAllElements)
{
    CharArray target("vwxyz");
    CharArray source("abc");
    EXPECT_EQ(0u, MallocsOf([&] { target = source; }));
    EXPECT_EQ("abc", Contents(target));
    EXPECT_EQ(8u, target.Capacity());
    EXPECT_EQ("abc", Contents(source));
}

TEST(HybridArrayAssignment, TargetGetsItsOwnBlock)
{
    CharArray source("ab");
    HybridArray<char> target;
    const IArray<char>& view = source;
    target = view;
    EXPECT_NE(source.Data(), target.Data());
    target.At(0) = 'x';
    EXPECT_EQ("xb", Contents(target));
    EXPECT_EQ("ab", Contents(source));
}

TEST(HybridArrayBounds, AtCountStops)
{
    CharArray array;
    EXPECT_FATAL_ERROR(array.At(0));
    array.Add('a');
    array.Add('b');
    EXPECT_FATAL_ERROR(array.At(2));
    const CharArray& constant = array;
    EXPECT_FATAL_ERROR(constant.At(2));
}

TEST(HybridArrayBounds, RemoveOutOfRangeStops)
{
    CharArray array("ab");
    EXPECT_FATAL_ERROR(array.RemoveAt(2));
    EXPECT_FATAL_ERROR(array.RemoveAtUnordered(2));
}

TEST(HybridArrayBounds, PopLastOnEmptyStops)
{
    CharArray array;
    EXPECT_FATAL_ERROR(array.PopLast());
    array.Add('a');
    array.PopLast();
    EXPECT_FATAL_ERROR(array.PopLast());
}
