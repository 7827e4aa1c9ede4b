// UTF-8 and UTF-16 decoding and encoding of UnicodeString against the plain
// conversions of ReferenceCodecs.h, with explicit lengths and with -1; and the
// round trip decode, encode, decode.
//
// The input is read three ways: as UTF-8 bytes, as little-endian UTF-16 units
// and as 32-bit code point values.

#include "FuzzCheck.h"
#include "ReferenceCodecs.h"

#include "text/UnicodeString.h"

#include <cstring>
#include <string>
#include <vector>

using kz::text::UnicodeString;
using reference::CodePoints;

namespace {

CodePoints Content(const UnicodeString& text)
{
    CodePoints values;
    for (unsigned i = 0; i < text.GetLength(); ++i)
        values.push_back(text.GetAt(i));
    return values;
}

// The decoded content must be the reference's, or empty with false when the
// reference finds the input malformed.
void CheckDecoded(bool result, const UnicodeString& text, const std::optional<CodePoints>& expected)
{
    FUZZ_CHECK(result == expected.has_value());
    FUZZ_CHECK(Content(text) == (expected ? *expected : CodePoints()));
}

// GetUtf8, GetUtf16 and GetCodePoints of text against the reference encodings
// of its content, each with its terminating 0.
void CheckEncoded(UnicodeString& text)
{
    const CodePoints content = Content(text);
    std::vector<unsigned char> utf8 = reference::EncodeUtf8(content);
    utf8.push_back(0);
    FUZZ_CHECK(std::memcmp(text.GetUtf8(), utf8.data(), utf8.size()) == 0);
    std::vector<std::uint16_t> utf16 = reference::EncodeUtf16(content);
    utf16.push_back(0);
    FUZZ_CHECK(std::memcmp(text.GetUtf16(), utf16.data(), utf16.size() * 2) == 0);
    CodePoints points = content;
    points.push_back(0);
    FUZZ_CHECK(std::memcmp(text.GetCodePoints(), points.data(), points.size() * 4) == 0);
}

// Every code point the decoders can produce is encoded and decoded back to
// itself; only surrogate values, which have no UTF-16 form, come back from
// UTF-16 as U+FFFD.
void CheckRoundTrip(UnicodeString& text)
{
    const CodePoints content = Content(text);
    const char* utf8 = text.GetUtf8();
    const std::size_t bytes = reference::EncodeUtf8(content).size();
    UnicodeString again;
    FUZZ_CHECK(again.SetUtf8(utf8, static_cast<int>(bytes)));
    FUZZ_CHECK(Content(again) == content);

    CodePoints viaUtf16 = content;
    for (std::uint32_t& c : viaUtf16) {
        if (c >= 0xD800 && c <= 0xDFFF)
            c = 0xFFFD;
    }
    const unsigned short* utf16 = text.GetUtf16();
    const std::size_t units = reference::EncodeUtf16(content).size();
    FUZZ_CHECK(again.SetUtf16(utf16, static_cast<int>(units)));
    FUZZ_CHECK(Content(again) == viaUtf16);
}

void FuzzUtf8(const std::uint8_t* data, std::size_t size)
{
    const char* bytes = reinterpret_cast<const char*>(data);
    const std::optional<CodePoints> expected = reference::DecodeUtf8(data, size);

    // A string that held text loses it on malformed input.
    UnicodeString text("held", -1);
    CheckDecoded(text.SetUtf8(bytes, static_cast<int>(size)), text, expected);
    CheckEncoded(text);
    if (expected)
        CheckRoundTrip(text);
    CheckDecoded(expected.has_value(), UnicodeString(std::string(bytes, size)), expected);

    // Another alignment for the eight-byte ASCII path.
    if (size > 1) {
        UnicodeString shifted;
        CheckDecoded(shifted.SetUtf8(bytes + 1, static_cast<int>(size - 1)), shifted,
                     reference::DecodeUtf8(data + 1, size - 1));
    }

    std::string terminated(bytes, size);
    const std::size_t upToZero = reference::LengthUpToZero(data, size);
    UnicodeString untilZero;
    CheckDecoded(untilZero.SetUtf8(terminated.c_str(), -1), untilZero, reference::DecodeUtf8(data, upToZero));
}

void FuzzUtf16(const std::uint8_t* data, std::size_t size)
{
    std::vector<unsigned short> units(size / 2 + 1, 0); // a 0 unit after the input's
    for (std::size_t i = 0; i < size / 2; ++i)
        units[i] = static_cast<unsigned short>(data[2 * i] | data[2 * i + 1] << 8);
    const std::size_t count = size / 2;
    const std::optional<CodePoints> expected = reference::DecodeUtf16(units.data(), count);

    UnicodeString text("held", -1);
    CheckDecoded(text.SetUtf16(units.data(), static_cast<int>(count)), text, expected);
    CheckEncoded(text);
    if (expected) {
        // Well-formed UTF-16 comes back unit for unit.
        FUZZ_CHECK(std::memcmp(text.GetUtf16(), units.data(), (count + 1) * 2) == 0);
        CheckRoundTrip(text);
    }

    const std::optional<CodePoints> expectedUpToZero =
        reference::DecodeUtf16(units.data(), reference::LengthUpToZero(units.data(), count));
    UnicodeString untilZero;
    CheckDecoded(untilZero.SetUtf16(units.data(), -1), untilZero, expectedUpToZero);

    std::vector<wchar_t> wide(units.begin(), units.end());
    CheckDecoded(expected.has_value(), UnicodeString(wide.data(), static_cast<int>(count)), expected);
    CheckDecoded(expectedUpToZero.has_value(), UnicodeString(wide.data(), -1), expectedUpToZero);
}

// Any 32-bit value may be content: encoders leave out what lies above 0x10FFFF.
void FuzzCodePoints(const std::uint8_t* data, std::size_t size)
{
    CodePoints values(size / 4 + 1, 0);
    std::memcpy(values.data(), data, size / 4 * 4);
    const std::size_t count = size / 4;

    UnicodeString text;
    FUZZ_CHECK(text.SetCodePoints(values.data(), static_cast<int>(count)));
    FUZZ_CHECK(Content(text) == CodePoints(values.begin(), values.begin() + count));
    CheckEncoded(text);

    UnicodeString untilZero(values.data(), -1);
    FUZZ_CHECK(Content(untilZero) ==
               CodePoints(values.begin(), values.begin() + reference::LengthUpToZero(values.data(), count)));
    CheckEncoded(untilZero);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzUtf8(data, size);
    FuzzUtf16(data, size);
    FuzzCodePoints(data, size);
    return 0;
}
