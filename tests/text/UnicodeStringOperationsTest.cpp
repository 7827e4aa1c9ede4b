#include "TextTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <csignal>
#include <iterator>
#include <vector>

TEST(Reading, GetAtOfEmptyTextIsZeroAndPastEndStops)
{
    EXPECT_EQ(0u, UnicodeString().GetAt(12345));
    UnicodeString text = Text("ab");
    EXPECT_EQ(0x62u, text.GetAt(1));
    EXPECT_EXIT(text.GetAt(2), ::testing::KilledBySignal(SIGILL), ""); // FatalError
}

TEST(Appending, CodePointsCharactersAndItself)
{
    const char high = static_cast<char>(0xE9);
    UnicodeString text;
    text.AppendCodePoint(0x41).AppendCodePoint(0).AppendChar("z").AppendChar(&high);
    EXPECT_EQ((Points{0x41, 0x7A, 0xFFFFFFE9}), CodePoints(text));

    text = Text("abc");
    // Each doubling moves the content to a larger block while it is read.
    for (int i = 0; i < 7; ++i)
        text += text;
    EXPECT_EQ(384u, text.GetLength());
    EXPECT_EQ("abcabc", Utf8Of(text.SubString(378)));
}

TEST(Assignment, CopiesContentAndSurvivesSelf)
{
    UnicodeString source = Text("abc");
    UnicodeString copy(source);
    source.AppendCodePoint(0x64);
    UnicodeString& alias = copy;
    copy = alias;
    EXPECT_EQ("abc", copy.ToStdString());
}

TEST(NumberText, EachOverload)
{
    EXPECT_EQ("4294967295", Utf8Of(UnicodeString().AppendNumber(4294967295u)));
    EXPECT_EQ("18446744073709551615", Utf8Of(UnicodeString().AppendNumber(18446744073709551615ull)));
    EXPECT_EQ("-7", Utf8Of(UnicodeString().AppendNumber(-7)));
    EXPECT_EQ("-2147483648", Utf8Of(UnicodeString().AppendNumber(INT_MIN)));
    EXPECT_EQ("1.500000", Utf8Of(UnicodeString().AppendNumber(1.5)));
    EXPECT_EQ("code 0", Utf8Of(Text("code ").AppendNumber(0u)));
}

TEST(Ordering, PrefixesAndUnsignedCodePoints)
{
    EXPECT_TRUE(UnicodeString() < Text("a"));
    EXPECT_FALSE(Text("a") < UnicodeString());
    EXPECT_FALSE(UnicodeString() < UnicodeString());
    EXPECT_TRUE(Text("ab") < Text("abc"));
    EXPECT_FALSE(Text("abd") < Text("abc"));
    EXPECT_TRUE(Text("abc") < Text("abd"));
    EXPECT_FALSE(Text("abc") < Text("abc"));
    const unsigned int widened[] = {0xFFFFFFE9};
    EXPECT_TRUE(Text("\xF4\x8F\xBF\xBD") < UnicodeString(widened, 1));
    EXPECT_TRUE(Text("ab") != Text("abc"));
    EXPECT_FALSE(UnicodeString("a\0", 2) == Text("a"));
}

TEST(Search, EndsAndCharacters)
{
    UnicodeString text = Text("abcabc");
    EXPECT_TRUE(text.StartsWith(Text("abca")));
    EXPECT_TRUE(text.EndsWith(UnicodeString()));
    EXPECT_FALSE(text.EndsWith(Text("ab")));
    EXPECT_FALSE(Text("ab").EndsWith(Text("xab")));
    EXPECT_EQ(4, text.Find('b', 2));
    EXPECT_EQ(-1, text.Find('b', 6));
    EXPECT_EQ(0, Text("abc").FindLast('a'));
    EXPECT_EQ(-1, UnicodeString().FindLast('a'));
    EXPECT_EQ(-1, Text("\xC3\xA9").Find(static_cast<char>(0xE9))); // widened as signed
}

TEST(Search, Texts)
{
    EXPECT_EQ(1, Text("aab").Find(Text("ab"), 0));
    EXPECT_EQ(3, Text("abxab").Find(Text("ab"), 1));
    EXPECT_EQ(-1, Text("aab").Find(UnicodeString(), 0));
    EXPECT_EQ(-1, Text("abxab").Find(Text("abc"), 0));
    EXPECT_EQ(-1, Text("abc").Find(Text("c"), 3));
}

TEST(SubText, RangesClampingAndZeros)
{
    UnicodeString text = Text("abc");
    EXPECT_EQ("", Utf8Of(text.SubString(2, 1)));
    EXPECT_EQ("bc", Utf8Of(text.SubString(1, 100)));
    EXPECT_EQ("", Utf8Of(text.SubString(3)));
    EXPECT_EQ("", Utf8Of(text.SubString(4)));
    EXPECT_EQ("abab", Utf8Of(text.SubString(0, 2) + text.SubString(0, 2)));
    EXPECT_EQ((Points{0x61, 0x62}), CodePoints(UnicodeString("a\0b", 3).SubString(0)));
}

TEST(Replacement, FirstOccurrenceFromPosition)
{
    UnicodeString text = Text("x__REPLACE__y");
    int position = 0;
    EXPECT_TRUE(text.Replace(Text("__REPLACE__"), Text("12"), &position));
    EXPECT_EQ("x12y", text.ToStdString());
    EXPECT_EQ(3, position);

    text = Text("a-a-a");
    position = 1;
    EXPECT_TRUE(text.Replace(Text("a"), UnicodeString(), &position));
    EXPECT_EQ("a--a", text.ToStdString());
    EXPECT_EQ(2, position);

    // The string itself as the replacement: the position is past the old text.
    text = Text("xAy");
    position = 0;
    EXPECT_TRUE(text.Replace(Text("A"), text, &position));
    EXPECT_EQ("xxAyy", text.ToStdString());
    EXPECT_EQ(4, position);

    // Zeros before the occurrence are dropped: the position still lands right
    // after the inserted text, so a loop of Replace reaches the next "a".
    const unsigned int values[] = {0, 0x61, 0x61};
    text = UnicodeString(values, 3);
    position = 0;
    EXPECT_TRUE(text.Replace(Text("a"), Text("b"), &position));
    EXPECT_EQ((Points{0x62, 0x61}), CodePoints(text));
    EXPECT_EQ(1, position);
}

TEST(Replacement, NothingChangesWithoutOccurrence)
{
    UnicodeString text = Text("abc");
    int position = 2;
    EXPECT_FALSE(text.Replace(Text("ab"), Text("X"), &position));
    EXPECT_EQ(2, position);
    EXPECT_FALSE(text.Replace(UnicodeString(), Text("X")));
    EXPECT_FALSE(text.Replace(Text("abcd"), Text("X")));
    EXPECT_FALSE(text.ReplaceAll(Text("#"), Text("X")));
    EXPECT_EQ("abc", text.ToStdString());
}

TEST(Replacement, AllWithoutRevisitingInsertedText)
{
    UnicodeString text = Text("aXa");
    EXPECT_TRUE(text.ReplaceAll(Text("a"), Text("aa")));
    EXPECT_EQ("aaXaa", text.ToStdString());
    text = Text("1,2,,3");
    EXPECT_TRUE(text.ReplaceAll(Text(","), Text("; ")));
    EXPECT_EQ("1; 2; ; 3", text.ToStdString());
}

TEST(Replacement, AllLeavesNoOccurrenceAfterDroppedZeros)
{
    // The first replacement drops the zero before the second "a"; the next
    // search must still start right after the inserted text.
    const unsigned int values[] = {0, 0x61, 0, 0x61};
    UnicodeString text(values, 4);
    EXPECT_TRUE(text.ReplaceAll(Text("a"), Text("b")));
    EXPECT_EQ((Points{0x62, 0x62}), CodePoints(text));
}

namespace {

// ReplaceAll by its definition: Replace again and again, each search starting
// right after the text just inserted; Replace keeps only the code points of
// the inserted text and drops every other 0.
bool ReplaceAllModel(Points& text, const Points& what, const Points& with)
{
    auto dropZeros = [](Points::const_iterator from, Points::const_iterator to) {
        Points kept;
        std::copy_if(from, to, std::back_inserter(kept), [](unsigned int c) { return c != 0; });
        return kept;
    };
    bool any = false;
    std::size_t start = 0;
    while (!what.empty() && start + what.size() <= text.size()) {
        auto found = std::search(text.begin() + start, text.end(), what.begin(), what.end());
        if (found == text.end())
            break;
        Points next = dropZeros(text.begin(), found);
        next.insert(next.end(), with.begin(), with.end());
        start = next.size();
        Points rest = dropZeros(found + what.size(), text.end());
        next.insert(next.end(), rest.begin(), rest.end());
        text = next;
        any = true;
    }
    return any;
}

} // namespace

TEST(Replacement, AllAgreesWithRepeatedReplaceOnEverySmallText)
{
    // Every text of up to six code points over 0, a and b.
    const unsigned int alphabet[] = {0, 0x61, 0x62};
    const std::vector<Points> whats = {{0x61}, {0x61, 0x62}, {0x61, 0}, {0}, {0x61, 0x61}, {}};
    const std::vector<Points> withs = {{}, {0x62}, {0x61}, {0, 0x62}, {0x62, 0x61, 0}, {0x61, 0x61}};
    for (unsigned length = 0; length <= 6; ++length) {
        unsigned combinations = 1;
        for (unsigned i = 0; i < length; ++i)
            combinations *= 3;
        for (unsigned n = 0; n < combinations; ++n) {
            Points original;
            for (unsigned i = 0, rest = n; i < length; ++i, rest /= 3)
                original.push_back(alphabet[rest % 3]);
            for (const Points& what : whats) {
                for (const Points& with : withs) {
                    Points expected = original;
                    bool expectedResult = ReplaceAllModel(expected, what, with);
                    UnicodeString text(original.data(), static_cast<int>(original.size()));
                    bool result = text.ReplaceAll(UnicodeString(what.data(), static_cast<int>(what.size())),
                                                  UnicodeString(with.data(), static_cast<int>(with.size())));
                    ASSERT_EQ(expectedResult, result) << "text " << n << " of length " << length;
                    ASSERT_EQ(expected, CodePoints(text)) << "text " << n << " of length " << length;
                }
            }
        }
    }
}
