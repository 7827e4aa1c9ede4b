#include "TextTestSupport.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

// Stands for "refused, content empty" in the expectations below.
const Points kMalformed = {0xBAD0BAD};

Points DecodeUtf8(const std::string& bytes)
{
    UnicodeString text = Text("previous");
    bool ok = text.SetUtf8(bytes.data(), static_cast<int>(bytes.size()));
    if (!ok && text.GetLength() == 0)
        return kMalformed;
    EXPECT_TRUE(ok);
    return CodePoints(text);
}

Points DecodeUtf16(const Units16& units)
{
    UnicodeString text = Text("previous");
    bool ok = text.SetUtf16(units.data(), static_cast<int>(units.size()));
    if (!ok && text.GetLength() == 0)
        return kMalformed;
    EXPECT_TRUE(ok);
    return CodePoints(text);
}

Points EncodeUtf8(unsigned int value)
{
    UnicodeString text(&value, 1);
    Points bytes;
    for (const char* p = text.GetUtf8(); *p != 0; ++p)
        bytes.push_back(static_cast<unsigned char>(*p));
    return bytes;
}

Units16 EncodeUtf16(unsigned int value)
{
    UnicodeString text(&value, 1);
    return Units(text.GetUtf16());
}

} // namespace

TEST(Utf8Decoding, AcceptedSequences)
{
    EXPECT_EQ((Points{0x41, 0x7F}), DecodeUtf8("A\x7F"));
    EXPECT_EQ((Points{0xE9}), DecodeUtf8("\xC3\xA9"));
    EXPECT_EQ((Points{0x1F600}), DecodeUtf8("\xF0\x9F\x98\x80"));
    EXPECT_EQ((Points{0x10FFFD}), DecodeUtf8("\xF4\x8F\xBF\xBD"));
    EXPECT_EQ((Points{0xD800}), DecodeUtf8("\xED\xA0\x80")); // surrogate values pass in three bytes
    EXPECT_EQ(Points{}, DecodeUtf8(""));
}

TEST(Utf8Decoding, ContinuationIsAnyByteWithTopBit)
{
    EXPECT_EQ((Points{0x20AC}), DecodeUtf8("\xE2\xC2\xAC"));
    EXPECT_EQ((Points{0xFF}), DecodeUtf8("\xC3\xFF"));
}

TEST(Utf8Decoding, RefusesOverlongAndOutOfRange)
{
    for (const char* bytes : {"\xC1\xBF", "\xE0\x9F\xBF", "\xF0\x8F\xBF\xBF", "\xF4\x8F\xBF\xBE", "\xF4\x8F\xBF\xBF",
             "\xF4\x90\x80\x80", "\xF5\x80\x80\x80", "\xFF"})
        EXPECT_EQ(kMalformed, DecodeUtf8(bytes)) << bytes;
    EXPECT_EQ(kMalformed, DecodeUtf8(std::string("\xC0\x80", 2)));
}

TEST(Utf8Decoding, RefusesStrayAndTruncatedSequences)
{
    for (const char* bytes : {"\x80", "\xBF", "ab\x80", "\xC3\x28", "\xE2\x82", "\xF0\x9F\x98", "ok\xC3"})
        EXPECT_EQ(kMalformed, DecodeUtf8(bytes)) << bytes;
    // The explicit length ends the sequence although the buffer goes on.
    UnicodeString text;
    EXPECT_FALSE(text.SetUtf8("x\xC3\xA9", 2));
}

TEST(Utf8Decoding, LengthRules)
{
    EXPECT_EQ((Points{0x61, 0, 0x62}), CodePoints(UnicodeString("a\0b", 3)));
    EXPECT_EQ((Points{0x61}), CodePoints(UnicodeString("a\0b", -1)));
    EXPECT_EQ((Points{0x61, 0, 0x62}), CodePoints(UnicodeString(std::string("a\0b", 3))));
    UnicodeString text = Text("abc");
    EXPECT_TRUE(text.SetUtf8(nullptr, 5));
    EXPECT_EQ(0u, text.GetLength());
}

TEST(Utf8Encoding, ShortestFormsAndLimits)
{
    EXPECT_EQ((Points{0xDF, 0xBF}), EncodeUtf8(0x7FF));
    EXPECT_EQ((Points{0xE0, 0xA0, 0x80}), EncodeUtf8(0x800));
    EXPECT_EQ((Points{0xED, 0xA0, 0x80}), EncodeUtf8(0xD800));
    EXPECT_EQ((Points{0xF4, 0x8F, 0xBF, 0xBF}), EncodeUtf8(0x10FFFF));
    EXPECT_EQ(Points{}, EncodeUtf8(0x110000));
    const unsigned int values[] = {0x61, 0xFFFFFFFF, 0, 0x62};
    EXPECT_EQ("a", UnicodeString(values, 4).ToStdString()); // stops at the 0 byte
}

TEST(Utf16Decoding, PairsAndLoneHalves)
{
    EXPECT_EQ((Points{0x1F600}), DecodeUtf16({0xD83D, 0xDE00}));
    EXPECT_EQ((Points{0x10FFFD}), DecodeUtf16({0xDBFF, 0xDFFD}));
    EXPECT_EQ((Points{0x41, 0xFFFF, 0x10000}), DecodeUtf16({0x41, 0xFFFF, 0xD800, 0xDC00}));
    for (const Units16& units : std::vector<Units16>{
             {0xDE00}, {0x41, 0xD83D}, {0xD83D, 0x0041}, {0xD800, 0xE000}, {0xDC00, 0xDC00}, {0xDBFF, 0xDFFE}, {0xDBFF, 0xDFFF}})
        EXPECT_EQ(kMalformed, DecodeUtf16(units)) << std::hex << units[0] << ' ' << units.back();
}

TEST(Utf16Decoding, LengthRulesAndWideCharacters)
{
    const unsigned short units[] = {0x61, 0, 0x62, 0};
    EXPECT_EQ((Points{0x61, 0, 0x62}), CodePoints(UnicodeString(units, 3)));
    EXPECT_EQ((Points{0x61}), CodePoints(UnicodeString(units, -1)));
    UnicodeString text = Text("abc");
    EXPECT_TRUE(text.SetUtf16(nullptr, 7));
    EXPECT_EQ(0u, text.GetLength());

    EXPECT_EQ("C:\\Dovrix", UnicodeString(L"C:\\Dovrix", -1).ToStdString());
    const wchar_t pair[] = {static_cast<wchar_t>(0xD83D), static_cast<wchar_t>(0xDE00), 0};
    EXPECT_EQ((Points{0x1F600}), CodePoints(UnicodeString(pair, 2)));
#if WCHAR_MAX > 0xFFFF
    const wchar_t wide[] = {L'a', static_cast<wchar_t>(0x1F600), 0};
    EXPECT_EQ(0u, UnicodeString(wide, -1).GetLength()); // not one UTF-16 unit
#endif
}

TEST(Utf16Encoding, UnitsPairsAndReplacement)
{
    EXPECT_EQ((Units16{0x00E9}), Units(Text("\xC3\xA9").GetUtf16()));
    EXPECT_EQ((Units16{0xFFFF}), EncodeUtf16(0xFFFF));
    EXPECT_EQ((Units16{0xD83D, 0xDE00}), EncodeUtf16(0x1F600));
    EXPECT_EQ((Units16{0xDBFF, 0xDFFF}), EncodeUtf16(0x10FFFF));
    EXPECT_EQ(Units16{}, EncodeUtf16(0x110000));
    // Surrogate values have no UTF-16 form of their own.
    EXPECT_EQ((Units16{0xD7FF}), EncodeUtf16(0xD7FF));
    EXPECT_EQ((Units16{0xFFFD}), EncodeUtf16(0xD800));
    EXPECT_EQ((Units16{0xFFFD}), EncodeUtf16(0xDFFF));
    EXPECT_EQ((Units16{0xE000}), EncodeUtf16(0xE000));
}

TEST(EncodedBuffers, ShowTheTextOfTheirCall)
{
    UnicodeString text = Text("ab");
    const unsigned int* values = text.GetCodePoints();
    EXPECT_EQ((Points{0x61, 0x62, 0}), Points(values, values + 3));
    const unsigned short* units = text.GetUtf16();
    text.AppendCodePoint(0x63);
    EXPECT_EQ((Units16{0x61, 0x62}), Units(units));
    EXPECT_EQ((Units16{0x61, 0x62, 0x63}), Units(text.GetUtf16()));
}

TEST(CodecRoundTrip, EveryAcceptedCodePoint)
{
    UnicodeString fromUtf8;
    UnicodeString fromUtf16;
    for (unsigned int c = 1; c <= 0x10FFFD; ++c) {
        // An encoder of the test's own, so the decoder is not checked against itself.
        unsigned char bytes[4];
        int n = c < 0x80 ? 1 : c < 0x800 ? 2 : c < 0x10000 ? 3 : 4;
        const unsigned char leads[] = {0, 0xC0, 0xE0, 0xF0};
        bytes[0] = static_cast<unsigned char>(n == 1 ? c : leads[n - 1] | (c >> (6 * (n - 1))));
        for (int i = 1; i < n; ++i)
            bytes[i] = static_cast<unsigned char>(0x80 | ((c >> (6 * (n - 1 - i))) & 0x3F));

        ASSERT_TRUE(fromUtf8.SetUtf8(reinterpret_cast<const char*>(bytes), n)) << std::hex << c;
        ASSERT_EQ((Points{c}), CodePoints(fromUtf8)) << std::hex << c;
        ASSERT_EQ(0, std::memcmp(bytes, fromUtf8.GetUtf8(), n)) << std::hex << c;
        const unsigned short* units = fromUtf8.GetUtf16();
        if (c >= 0xD800 && c <= 0xDFFF) {
            ASSERT_EQ(0xFFFD, units[0]);
            continue;
        }
        ASSERT_TRUE(fromUtf16.SetUtf16(units, -1)) << std::hex << c;
        ASSERT_EQ((Points{c}), CodePoints(fromUtf16)) << std::hex << c;
    }
}
