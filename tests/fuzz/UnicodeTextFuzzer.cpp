// The operations of UnicodeString over arbitrary texts and arguments, each
// against ReferenceText.h, on one string changed step by step. After every step
// the content must equal the model's, and a buffer an accessor handed out must
// still show the text of that moment until the same accessor is called again.

#include "FuzzCheck.h"
#include "ReferenceCodecs.h"
#include "ReferenceText.h"
#include "../text/TextTestSupport.h"

#include "text/UnicodeString.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cinttypes>
#include <optional>
#include <cstring>
#include <string>
#include <vector>


namespace {

// Few distinct code points, so that searches hit: zeros, whitespace, digits,
// hexadecimal letters, separators, a sign, and values beyond ASCII and beyond
// Unicode.
std::uint32_t CodePoint(FuzzedDataProvider& input)
{
    static const std::uint32_t alphabet[] = {0,    'a', 'b', ',', ' ', '-', '0', '7', '9', 'F', 'f', 'A', '\t',
                                             0x3000, 0xE9, 0x1F600};
    const std::uint8_t pick = input.ConsumeIntegral<std::uint8_t>();
    if (pick >= 0xF8)
        return input.ConsumeIntegral<std::uint32_t>();
    return alphabet[pick % 16];
}

Points MakeText(FuzzedDataProvider& input, std::size_t maxLength)
{
    Points text(input.ConsumeIntegralInRange<std::size_t>(0, maxLength));
    for (std::uint32_t& c : text)
        c = CodePoint(input);
    return text;
}

UnicodeString Make(const Points& text)
{
    return UnicodeString(text.data(), static_cast<int>(text.size()));
}

Points Content(const UnicodeString& text)
{
    Points values;
    for (unsigned i = 0; i < text.GetLength(); ++i)
        values.push_back(text.GetAt(i));
    return values;
}

char Character(FuzzedDataProvider& input)
{
    static const char characters[] = {'a', ',', '-', ' ', '\0', '\x80', '\xE9', '0'};
    const std::uint8_t pick = input.ConsumeIntegral<std::uint8_t>();
    return pick >= 0xF0 ? static_cast<char>(input.ConsumeIntegral<std::uint8_t>()) : characters[pick % 8];
}

// A buffer handed out by an accessor and what it showed then.
struct HandedOut {
    const void* Pointer = nullptr;
    std::vector<unsigned char> Bytes;

    void Keep(const void* pointer, const void* expected, std::size_t size)
    {
        FUZZ_CHECK(std::memcmp(pointer, expected, size) == 0);
        Pointer = pointer;
        Bytes.assign(static_cast<const unsigned char*>(expected), static_cast<const unsigned char*>(expected) + size);
    }
    void CheckUnchanged() const
    {
        if (Pointer != nullptr)
            FUZZ_CHECK(std::memcmp(Pointer, Bytes.data(), Bytes.size()) == 0);
    }
};

struct Subject {
    UnicodeString String;
    Points Model;
    HandedOut Utf8, Utf16, Points;
};

void CheckPieces(StringVector& pieces, const std::vector<Points>& expected)
{
    FUZZ_CHECK(pieces.Count() == expected.size());
    for (unsigned i = 0; i < pieces.Count(); ++i)
        FUZZ_CHECK(Content(pieces.At(i)) == expected[i]);
}

void AppendNumber(FuzzedDataProvider& input, Subject& s)
{
    char formatted[400];
    UnicodeString alone;
    switch (input.ConsumeIntegralInRange(0, 3)) {
    case 0: {
        const unsigned long long value = input.ConsumeIntegral<unsigned long long>();
        std::snprintf(formatted, sizeof formatted, "%llu", value);
        s.String.AppendNumber(value);
        alone.AppendNumber(value);
        FUZZ_CHECK(alone.ToUInt64() == value);
        break;
    }
    case 1: {
        const unsigned int value = input.ConsumeIntegral<unsigned int>();
        std::snprintf(formatted, sizeof formatted, "%u", value);
        s.String.AppendNumber(value);
        alone.AppendNumber(value);
        FUZZ_CHECK(alone.ToUInt32() == value);
        break;
    }
    case 2: {
        const int value = input.ConsumeIntegral<int>();
        std::snprintf(formatted, sizeof formatted, "%d", value);
        s.String.AppendNumber(value);
        alone.AppendNumber(value);
        FUZZ_CHECK(alone.ToInt32() == (value == INT32_MIN ? 0 : value));
        break;
    }
    default: {
        double value;
        const std::uint64_t bits = input.ConsumeIntegral<std::uint64_t>();
        std::memcpy(&value, &bits, sizeof value);
        std::snprintf(formatted, sizeof formatted, "%f", value);
        s.String.AppendNumber(value);
        break;
    }
    }
    for (const char* c = formatted; *c != 0; ++c)
        s.Model.push_back(static_cast<unsigned char>(*c));
}

void Step(FuzzedDataProvider& input, Subject& s)
{
    UnicodeString& text = s.String;
    Points& model = s.Model;
    const unsigned length = static_cast<unsigned>(model.size());
    const int operation = input.ConsumeIntegralInRange(0, 20);
    switch (operation) {
    case 0: {
        // From UTF-8 or UTF-16, with the explicit length or up to the first 0.
        const std::string bytes = input.ConsumeRandomLengthString(16);
        const bool untilZero = input.ConsumeBool();
        std::optional<Points> decoded;
        bool result;
        if (input.ConsumeBool()) {
            const std::size_t n = untilZero ? reference::LengthUpToZero(bytes.data(), bytes.size()) : bytes.size();
            decoded = reference::DecodeUtf8(reinterpret_cast<const unsigned char*>(bytes.data()), n);
            result = text.SetUtf8(bytes.c_str(), untilZero ? -1 : static_cast<int>(bytes.size()));
        } else {
            const std::size_t count = bytes.size() / 2;
            std::vector<unsigned short> units(count + 1, 0);
            for (std::size_t i = 0; i < count; ++i)
                units[i] = static_cast<unsigned short>(static_cast<unsigned char>(bytes[2 * i]) |
                                                       static_cast<unsigned char>(bytes[2 * i + 1]) << 8);
            const std::size_t n = untilZero ? reference::LengthUpToZero(units.data(), count) : count;
            decoded = reference::DecodeUtf16(units.data(), n);
            result = text.SetUtf16(units.data(), untilZero ? -1 : static_cast<int>(count));
        }
        FUZZ_CHECK(result == decoded.has_value());
        model = decoded ? *decoded : Points();
        break;
    }
    case 1: {
        Points values = MakeText(input, 12);
        if (input.ConsumeBool()) {
            FUZZ_CHECK(text.SetCodePoints(values.data(), static_cast<int>(values.size())));
        } else {
            values.push_back(0);
            FUZZ_CHECK(text.SetCodePoints(values.data(), -1));
            values.resize(reference::LengthUpToZero(values.data(), values.size()));
        }
        model = values;
        break;
    }
    case 2:
        if (input.ConsumeBool()) {
            const Points other = MakeText(input, 8);
            text.Append(Make(other));
            model.insert(model.end(), other.begin(), other.end());
        } else {
            text += text;
            const Points copy = model;
            model.insert(model.end(), copy.begin(), copy.end());
        }
        break;
    case 3: {
        const std::uint32_t value = CodePoint(input);
        text.AppendCodePoint(value);
        if (value != 0)
            model.push_back(value);
        break;
    }
    case 4: {
        const char c = Character(input);
        text.AppendChar(&c);
        if (c != 0)
            model.push_back(reference::Widen(c));
        break;
    }
    case 5:
        AppendNumber(input, s);
        break;
    case 6:
    case 7: {
        // The string itself may be what is replaced or what replaces it; only
        // while it is short, since the model's ReplaceAll takes time that
        // grows with the square of the result.
        const int alias = length <= 32 ? input.ConsumeIntegralInRange(0, 3) : 3;
        const Points what = alias == 0 ? model : MakeText(input, 3);
        const Points with = alias == 1 ? model : MakeText(input, 4);
        const UnicodeString whatText = Make(what);
        const UnicodeString withText = Make(with);
        const UnicodeString& whatArgument = alias == 0 ? text : whatText;
        const UnicodeString& withArgument = alias == 1 ? text : withText;
        if (operation == 7) {
            const bool expected = reference::ReplaceAll(model, what, with);
            FUZZ_CHECK(text.ReplaceAll(whatArgument, withArgument) == expected);
            break;
        }
        const bool usePosition = input.ConsumeBool();
        int position = input.ConsumeIntegralInRange<int>(-2, static_cast<int>(length) + 2);
        int expectedPosition = position;
        const bool expected = reference::Replace(model, what, with, usePosition ? &expectedPosition : nullptr);
        FUZZ_CHECK(text.Replace(whatArgument, withArgument, usePosition ? &position : nullptr) == expected);
        FUZZ_CHECK(position == expectedPosition);
        break;
    }
    case 8:
        if (input.ConsumeBool()) {
            model = MakeText(input, 12);
            text = Make(model);
        } else {
            UnicodeString& self = text;
            text = self;
        }
        break;
    case 9:
        text.Clear();
        model.clear();
        break;
    case 10: {
        const unsigned from = input.ConsumeIntegralInRange<unsigned>(0, length + 2);
        const bool bounded = input.ConsumeBool();
        const unsigned to = input.ConsumeIntegralInRange<unsigned>(0, length + 2);
        const Points expected = bounded ? reference::SubString(model, from, to) : reference::SubString(model, from, length);
        text = bounded ? text.SubString(from, to) : text.SubString(from);
        model = expected;
        break;
    }
    case 11:
        switch (input.ConsumeIntegralInRange(0, 2)) {
        case 0:
            text = text.Trimmed();
            model = reference::Trimmed(model);
            break;
        case 1:
            text = text.ToLower();
            for (std::uint32_t& c : model)
                c += c >= 'A' && c <= 'Z' ? 0x20 : 0;
            break;
        default:
            text = text.ToUpper();
            for (std::uint32_t& c : model)
                c -= c >= 'a' && c <= 'z' ? 0x20 : 0;
            break;
        }
        break;
    case 12: {
        const char c = Character(input);
        const unsigned start = input.ConsumeIntegralInRange<unsigned>(0, length + 2);
        FUZZ_CHECK(text.Find(c, start) == reference::FindChar(model, c, start));
        FUZZ_CHECK(text.Find(c) == reference::FindChar(model, c, 0));
        FUZZ_CHECK(text.FindLast(c) == reference::FindLastChar(model, c));
        break;
    }
    case 13: {
        const Points what = MakeText(input, 4);
        const unsigned start = input.ConsumeIntegralInRange<unsigned>(0, length + 2);
        FUZZ_CHECK(text.Find(Make(what), start) == reference::Find(model, what, start));
        break;
    }
    case 14: {
        const Points other = input.ConsumeBool() ? MakeText(input, 8) : Points(model.begin(), model.begin() + length / 2);
        const UnicodeString o = Make(other);
        FUZZ_CHECK((text == o) == (model == other));
        FUZZ_CHECK((text != o) == (model != other));
        FUZZ_CHECK((text < o) == std::lexicographical_compare(model.begin(), model.end(), other.begin(), other.end()));
        FUZZ_CHECK(text.StartsWith(o) ==
                   (other.size() <= length && std::equal(other.begin(), other.end(), model.begin())));
        FUZZ_CHECK(text.EndsWith(o) ==
                   (other.size() <= length && std::equal(other.begin(), other.end(), model.end() - other.size())));
        break;
    }
    case 15: {
        const char separator = Character(input);
        StringVector pieces;
        std::vector<Points> expected;
        FUZZ_CHECK(text.Split(separator, pieces) == reference::Split(model, separator, expected));
        CheckPieces(pieces, expected);
        break;
    }
    case 16: {
        const Points separator = MakeText(input, 3);
        StringVector pieces;
        std::vector<Points> expected;
        // Tokenize adds to what the array holds already.
        if (input.ConsumeBool()) {
            pieces.Add(UnicodeString());
            expected.push_back(Points());
        }
        FUZZ_CHECK(text.Tokenize(Make(separator), pieces) == reference::Tokenize(model, separator, expected));
        CheckPieces(pieces, expected);
        break;
    }
    case 17:
        FUZZ_CHECK(text.ToUInt64() == reference::ToUInt64(model));
        FUZZ_CHECK(text.ToUInt32() == reference::ToUInt32(model));
        FUZZ_CHECK(text.ToUInt16() == reference::ToUInt16(model));
        FUZZ_CHECK(text.ToInt32() == reference::ToInt32(model));
        FUZZ_CHECK(text.HexToUInt32() == reference::HexToUInt32(model));
        FUZZ_CHECK(text.IsDigits() == std::all_of(model.begin(), model.end(), [](std::uint32_t c) {
                       return c >= '0' && c <= '9';
                   }));
        FUZZ_CHECK(text.IsWhitespace() == std::all_of(model.begin(), model.end(), reference::IsWhitespace));
        break;
    case 18: {
        std::vector<unsigned char> utf8 = reference::EncodeUtf8(model);
        utf8.push_back(0);
        if (input.ConsumeBool()) {
            s.Utf8.Keep(text.GetUtf8(), utf8.data(), utf8.size());
        } else {
            // Goes through the UTF-8 buffer, and stops at the first 0 byte.
            const std::string copy = text.ToStdString();
            s.Utf8.Keep(text.GetUtf8(), utf8.data(), utf8.size());
            FUZZ_CHECK(copy == std::string(reinterpret_cast<const char*>(utf8.data())));
        }
        break;
    }
    case 19: {
        std::vector<std::uint16_t> utf16 = reference::EncodeUtf16(model);
        utf16.push_back(0);
        s.Utf16.Keep(text.GetUtf16(), utf16.data(), utf16.size() * 2);
        break;
    }
    default: {
        Points points = model;
        points.push_back(0);
        s.Points.Keep(text.GetCodePoints(), points.data(), points.size() * 4);
        break;
    }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider input(data, size);
    Subject s;
    s.Model = MakeText(input, 16);
    s.String = Make(s.Model);
    for (unsigned steps = 0; steps < 200 && input.remaining_bytes() != 0; ++steps) {
        Step(input, s);
        FUZZ_CHECK(Content(s.String) == s.Model);
        if (s.Model.empty())
            FUZZ_CHECK(s.String.GetAt(12345) == 0);
        s.Utf8.CheckUnchanged();
        s.Utf16.CheckUnchanged();
        s.Points.CheckUnchanged();
        // Replacements and doubling can grow the text fast.
        if (s.Model.size() > 2048) {
            s.String.Clear();
            s.Model.clear();
        }
    }
    return 0;
}
