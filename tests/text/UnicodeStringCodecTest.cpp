#include "TextTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <utility>

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

namespace {

// Plain decoders and encoders written from the rules, one element at a time,
// against which the string's fast paths (runs of ASCII taken eight bytes at a
// time) are checked.
Points ReferenceUtf8(const std::string& bytes)
{
    Points values;
    std::size_t i = 0;
    while (i < bytes.size()) {
        unsigned int b = static_cast<unsigned char>(bytes[i++]);
        if (b == 0xC0 || b == 0xC1 || b >= 0xF5)
            return kMalformed;
        if (b <= 0x7F) {
            values.push_back(b);
            continue;
        }
        unsigned int length = (b & 0xE0) == 0xC0 ? 2 : (b & 0xF0) == 0xE0 ? 3 : (b & 0xF8) == 0xF0 ? 4 : 0;
        if (length == 0)
            return kMalformed;
        unsigned int value = b & (0xFF >> (length + 1));
        for (unsigned int k = 1; k < length; ++k) {
            if (i == bytes.size() || (static_cast<unsigned char>(bytes[i]) & 0x80) == 0)
                return kMalformed;
            value = (value << 6) | (static_cast<unsigned char>(bytes[i++]) & 0x3F);
        }
        if ((length == 3 && value < 0x800) || (length == 4 && (value < 0x10000 || value > 0x10FFFD)))
            return kMalformed;
        values.push_back(value);
    }
    return values;
}

std::string ReferenceEncodeUtf8(const Points& values)
{
    std::string bytes;
    for (unsigned int c : values) {
        int n = c < 0x80 ? 1 : c < 0x800 ? 2 : c < 0x10000 ? 3 : c <= 0x10FFFF ? 4 : 0;
        const unsigned char leads[] = {0, 0, 0xC0, 0xE0, 0xF0};
        for (int k = 0; k < n; ++k) {
            unsigned int part = (c >> (6 * (n - 1 - k))) & (k == 0 ? 0xFF : 0x3F);
            bytes.push_back(static_cast<char>(k == 0 ? (n == 1 ? c : leads[n] | part) : 0x80 | part));
        }
    }
    return bytes;
}

std::string Utf8Bytes(UnicodeString& text)
{
    return std::string(text.GetUtf8());
}

// Checks one byte string, alone and inside runs of ASCII that put it at every
// place of an eight-byte block and in each quarter of a sixteen-byte one.
void ExpectSameDecoding(const std::string& bytes)
{
    for (std::size_t before : {0, 3, 7, 12}) {
        std::string padded = std::string(before, 'p') + bytes + std::string(17 - before, 'q');
        Points expected = ReferenceUtf8(padded);
        ASSERT_EQ(expected, DecodeUtf8(padded)) << testing::PrintToString(padded);
        if (expected == kMalformed)
            continue;
        UnicodeString text(expected.data(), static_cast<int>(expected.size()));
        std::string encoded = ReferenceEncodeUtf8(expected);
        ASSERT_EQ(encoded.substr(0, encoded.find('\0')), Utf8Bytes(text)) << testing::PrintToString(padded);
    }
}

} // namespace

TEST(CodecFastPaths, Utf8AgreesWithPlainDecoding)
{
    const unsigned char tails[] = {0x00, 0x41, 0x7F, 0x80, 0x8F, 0x90, 0x9F, 0xA0, 0xBF, 0xC0, 0xFF};
    for (unsigned int lead = 0; lead < 0x100; ++lead) {
        ExpectSameDecoding(std::string(1, static_cast<char>(lead)));
        for (unsigned int second = 0; second < 0x100; ++second) {
            std::string pair = {static_cast<char>(lead), static_cast<char>(second)};
            ExpectSameDecoding(pair);
            if (lead < 0xE0)
                continue;
            for (unsigned char third : tails) {
                ExpectSameDecoding(pair + static_cast<char>(third));
                if (lead >= 0xF0) {
                    for (unsigned char fourth : {0x41, 0x80, 0xBF})
                        ExpectSameDecoding(pair + static_cast<char>(third) + static_cast<char>(fourth));
                }
            }
        }
    }
}

TEST(CodecFastPaths, Utf16AgreesWithPlainCoding)
{
    // Every pair of units from the classes the decoder tells apart, inside ASCII
    // long enough for the eight-unit blocks of the fast paths.
    const unsigned short classes[] = {0x0000, 0x0041, 0x007F, 0x0080, 0x07FF, 0x0800, 0xD7FF, 0xD800,
                                      0xDBFF, 0xDC00, 0xDFFF, 0xE000, 0xFFFD, 0xFFFF};
    for (unsigned short first : classes) {
        for (unsigned short second : classes) {
            for (unsigned before : {0, 1, 2, 7, 9}) {
                Units16 units(before, 0x61);
                units.push_back(first);
                units.push_back(second);
                units.insert(units.end(), 14, 0x7A);
                // The plain rules: a high or low half must be followed by a low half.
                Points expected;
                for (std::size_t i = 0; i < units.size(); ++i) {
                    unsigned int u = units[i];
                    if (u < 0xD800 || u > 0xDFFF) {
                        expected.push_back(u);
                    } else if (i + 1 < units.size() && units[i + 1] >= 0xDC00 && units[i + 1] <= 0xDFFF &&
                               ((u - 0xD800) << 10 | (units[i + 1] - 0xDC00)) + 0x10000 <= 0x10FFFD) {
                        expected.push_back(((u - 0xD800) << 10 | (units[i + 1] - 0xDC00)) + 0x10000);
                        ++i;
                    } else {
                        expected = kMalformed;
                        break;
                    }
                }
                ASSERT_EQ(expected, DecodeUtf16(units)) << std::hex << first << ' ' << second;
                // The same units stored as code points: lone surrogates encode as U+FFFD.
                Points values(units.begin(), units.end());
                UnicodeString stored(values.data(), static_cast<int>(values.size()));
                Units16 replaced;
                for (unsigned short u : units)
                    replaced.push_back(u >= 0xD800 && u <= 0xDFFF ? 0xFFFD : u);
                replaced.resize(std::find(replaced.begin(), replaced.end(), 0) - replaced.begin());
                ASSERT_EQ(replaced, Units(stored.GetUtf16())) << std::hex << first << ' ' << second;
                if (expected == kMalformed)
                    continue;
                UnicodeString text(expected.data(), static_cast<int>(expected.size()));
                Units16 encoded;
                for (unsigned int c : expected) {
                    if (c > 0xFFFF) {
                        encoded.push_back(static_cast<unsigned short>(0xD800 + ((c - 0x10000) >> 10)));
                        encoded.push_back(static_cast<unsigned short>(0xDC00 + (c & 0x3FF)));
                    } else {
                        encoded.push_back(static_cast<unsigned short>(c));
                    }
                }
                encoded.resize(std::find(encoded.begin(), encoded.end(), 0) - encoded.begin());
                ASSERT_EQ(encoded, Units(text.GetUtf16())) << std::hex << first << ' ' << second;
            }
        }
    }
}

TEST(EncodedBuffers, FollowEveryChangeOfTheContent)
{
    // Buffers are encoded again only after a change: each change must be seen.
    const std::vector<std::pair<const char*, std::function<void(UnicodeString&)>>> changes = {
        {"SetUtf8", [](UnicodeString& s) { s.SetUtf8("xy", -1); }},
        {"malformed SetUtf8", [](UnicodeString& s) { s.SetUtf8("\x80", -1); }},
        {"SetUtf16", [](UnicodeString& s) { const unsigned short u[] = {0x78, 0}; s.SetUtf16(u, -1); }},
        {"SetCodePoints", [](UnicodeString& s) { const unsigned int v[] = {0x1F600, 0}; s.SetCodePoints(v, -1); }},
        {"Clear", [](UnicodeString& s) { s.Clear(); }},
        {"assignment", [](UnicodeString& s) { s = Text("\xC3\xA9"); }},
        {"Append", [](UnicodeString& s) { s.Append(Text("d")); }},
        {"Append itself", [](UnicodeString& s) { s.Append(s); }},
        {"AppendCodePoint", [](UnicodeString& s) { s.AppendCodePoint(0x64); }},
        {"AppendChar", [](UnicodeString& s) { s.AppendChar("d"); }},
        {"AppendNumber", [](UnicodeString& s) { s.AppendNumber(7); }},
        {"Replace", [](UnicodeString& s) { s.Replace(Text("b"), Text("XY")); }},
        {"ReplaceAll", [](UnicodeString& s) { s.ReplaceAll(Text("b"), Text("XY")); }},
    };
    for (const auto& change : changes) {
        UnicodeString text = Text("abc");
        text.GetUtf8();
        text.GetUtf16();
        text.GetCodePoints();
        change.second(text);
        UnicodeString fresh(text); // a copy starts with empty buffers
        EXPECT_EQ(fresh.ToStdString(), text.ToStdString()) << change.first;
        EXPECT_EQ(Units(fresh.GetUtf16()), Units(text.GetUtf16())) << change.first;
        const unsigned int* values = text.GetCodePoints();
        EXPECT_EQ(CodePoints(fresh), Points(values, values + text.GetLength())) << change.first;
    }
    // Unchanged content hands out the same buffer again.
    UnicodeString text = Text("abc");
    const unsigned short* units = text.GetUtf16();
    EXPECT_EQ(units, text.GetUtf16());
}
