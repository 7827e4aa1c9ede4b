#include "TextTestSupport.h"

#include <gtest/gtest.h>

using Texts = std::vector<std::string>;

TEST(CharacterClasses, ExactMembers)
{
    for (unsigned int c : {0x0u, 0x9u, 0xDu, 0x20u, 0xA0u, 0x180Eu, 0x2000u, 0x200Au, 0x2028u, 0x2029u, 0x202Fu, 0x205Fu, 0x3000u})
        EXPECT_TRUE(UnicodeString::IsWhitespaceCodePoint(c)) << std::hex << c;
    for (unsigned int c : {0x8u, 0xEu, 0x85u, 0x1680u, 0x200Bu, 0xFEFFu})
        EXPECT_FALSE(UnicodeString::IsWhitespaceCodePoint(c)) << std::hex << c;
    EXPECT_FALSE(UnicodeString::IsDigitCodePoint(0x2F));
    EXPECT_FALSE(UnicodeString::IsDigitCodePoint(0x3A));
    EXPECT_TRUE(UnicodeString().IsDigits());
    EXPECT_FALSE(Text("12 3").IsDigits());
    EXPECT_TRUE(Text(" \t\r\n\xE3\x80\x80").IsWhitespace());
}

TEST(Trimming, BothEndsOnly)
{
    EXPECT_EQ("a b", Utf8Of(Text("  \ta b\r\n").Trimmed()));
    EXPECT_EQ("", Utf8Of(Text(" \t\r\n ").Trimmed()));
    EXPECT_EQ("x", Utf8Of(Text("\xC2\xA0x\xE2\x80\xAF").Trimmed()));
    EXPECT_EQ(2u, Text("\xC2\x85x").Trimmed().GetLength());
}

TEST(CaseMapping, AsciiLettersOnly)
{
    EXPECT_EQ("en-us @[`{\xC3\x89", Utf8Of(Text("EN-us @[`{\xC3\x89").ToLower()));
    EXPECT_EQ("EN-US @[`{\xC3\xA9", Utf8Of(Text("EN-us @[`{\xC3\xA9").ToUpper()));
}

TEST(NumberParsing, UnsignedLimits)
{
    EXPECT_EQ(42u, Text(" 42\t").ToUInt64());
    EXPECT_EQ(0u, Text("12a").ToUInt64());
    EXPECT_EQ(0u, Text("").ToUInt64());
    EXPECT_EQ(0u, Text("1 000").ToUInt64());
    EXPECT_EQ(0u, Text("18446744073709551616").ToUInt64()); // wraps
    EXPECT_EQ(4294967295u, Text("4294967295").ToUInt32());
    EXPECT_EQ(0u, Text("4294967297").ToUInt32()); // refused, not cut to 32 bits
    EXPECT_EQ(65535u, Text("65535").ToUInt16());
    EXPECT_EQ(0u, Text("65536").ToUInt16());
    EXPECT_EQ(0u, Text("65537").ToUInt16());
}

TEST(NumberParsing, SignedLimits)
{
    EXPECT_EQ(-42, Text(" -42 ").ToInt32());
    EXPECT_EQ(-2147483647, Text("-2147483647").ToInt32());
    EXPECT_EQ(0, Text("-2147483648").ToInt32());
    EXPECT_EQ(0, Text("2147483648").ToInt32());
    EXPECT_EQ(0, Text("+5").ToInt32());
    EXPECT_EQ(-5, Text("- 5").ToInt32()); // the magnitude is trimmed again
}

TEST(NumberParsing, Hexadecimal)
{
    EXPECT_EQ(255u, Text("ff").HexToUInt32());
    EXPECT_EQ(0xDEADBEEFu, Text(" DeadBeef ").HexToUInt32());
    EXPECT_EQ(0u, Text("0x10").HexToUInt32());
    EXPECT_EQ(0u, Text("fg").HexToUInt32());
    EXPECT_EQ(0u, Text("100000000").HexToUInt32()); // wraps
}

TEST(Splitting, SeparatorsAtEndsAndSideBySide)
{
    for (const auto& [text, pieces] : std::vector<std::pair<const char*, Texts>>{
             {"a,,b", {"a", "", "b"}}, {",a", {"", "a"}}, {"a,", {"a", ""}}, {",", {"", ""}}}) {
        StringVector result;
        EXPECT_TRUE(Text(text).Split(',', result)) << text;
        EXPECT_EQ(pieces, result.Texts()) << text;
    }
}

TEST(Splitting, AppendsOnlyWhenSeparatorFound)
{
    StringVector pieces;
    EXPECT_FALSE(Text("abc").Split(',', pieces));
    EXPECT_FALSE(UnicodeString().Split(',', pieces));
    EXPECT_EQ(0u, pieces.Count());
    pieces.Add(Text("old"));
    EXPECT_TRUE(Text("x;y").Split(';', pieces));
    EXPECT_EQ((Texts{"old", "x", "y"}), pieces.Texts());
}

TEST(Tokenizing, DropsEmptyPieces)
{
    StringVector pieces;
    EXPECT_TRUE(Text(",,a,,b,,").Tokenize(Text(","), pieces));
    EXPECT_EQ((Texts{"a", "b"}), pieces.Texts());
    pieces.Clear();
    EXPECT_TRUE(Text("one::two:three::").Tokenize(Text("::"), pieces));
    EXPECT_EQ((Texts{"one", "two:three"}), pieces.Texts());
}

TEST(Tokenizing, ResultCountsEarlierElements)
{
    StringVector pieces;
    EXPECT_FALSE(Text(",,,").Tokenize(Text(","), pieces));
    pieces.Add(Text("old"));
    EXPECT_TRUE(Text(",,").Tokenize(Text(","), pieces));
    EXPECT_EQ((Texts{"old"}), pieces.Texts());
}
