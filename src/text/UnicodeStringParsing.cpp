// Trimming, case mapping, number parsing and splitting of UnicodeString.
#include "text/UnicodeString.h"

namespace kz {
namespace text {

bool UnicodeString::IsWhitespaceCodePoint(unsigned int c)
{
    return c == 0x0 || (c >= 0x9 && c <= 0xD) || c == 0x20 || c == 0xA0 || c == 0x180E
        || (c >= 0x2000 && c <= 0x200A) || c == 0x2028 || c == 0x2029 || c == 0x202F || c == 0x205F
        || c == 0x3000;
}

bool UnicodeString::IsDigitCodePoint(unsigned int c)
{
    return c >= 0x30 && c <= 0x39;
}

bool UnicodeString::IsDigits() const
{
    for (unsigned i = 0; i < m_content.Count(); ++i) {
        if (!IsDigitCodePoint(m_content.At(i)))
            return false;
    }
    return true;
}

bool UnicodeString::IsWhitespace() const
{
    for (unsigned i = 0; i < m_content.Count(); ++i) {
        if (!IsWhitespaceCodePoint(m_content.At(i)))
            return false;
    }
    return true;
}

UnicodeString UnicodeString::Trimmed() const
{
    unsigned length = m_content.Count();
    unsigned first = 0;
    while (first < length && IsWhitespaceCodePoint(m_content.At(first)))
        ++first;
    if (first == length)
        return UnicodeString();
    unsigned end = length;
    while (IsWhitespaceCodePoint(m_content.At(end - 1)))
        --end;
    return SubString(first, end);
}

UnicodeString UnicodeString::ToLower() const
{
    UnicodeString result(*this);
    for (unsigned i = 0; i < result.m_content.Count(); ++i) {
        unsigned int& c = result.m_content.At(i);
        if (c >= 0x41 && c <= 0x5A)
            c += 0x20;
    }
    return result;
}

UnicodeString UnicodeString::ToUpper() const
{
    UnicodeString result(*this);
    for (unsigned i = 0; i < result.m_content.Count(); ++i) {
        unsigned int& c = result.m_content.At(i);
        if (c >= 0x61 && c <= 0x7A)
            c -= 0x20;
    }
    return result;
}

bool UnicodeString::Split(char separator, kz::common::IArray<UnicodeString>& pieces) const
{
    unsigned length = m_content.Count();
    if (length == 0)
        return false;
    unsigned int value = static_cast<unsigned int>(static_cast<int>(static_cast<signed char>(separator)));
    unsigned pieceStart = 0;
    bool found = false;
    for (unsigned i = 0; i < length; ++i) {
        if (m_content.At(i) != value)
            continue;
        // The piece is complete before it is added, so elements the caller left
        // in the array are never overwritten.
        pieces.Add(SubString(pieceStart, i));
        pieceStart = i + 1;
        found = true;
    }
    if (!found)
        return false;
    pieces.Add(SubString(pieceStart, length));
    return true;
}

bool UnicodeString::Tokenize(const UnicodeString& separator, kz::common::IArray<UnicodeString>& pieces) const
{
    unsigned separatorLength = separator.GetLength();
    UnicodeString accumulator;
    for (unsigned i = 0; i < m_content.Count(); ++i) {
        accumulator.AppendCodePoint(m_content.At(i));
        if (accumulator == separator) {
            accumulator.Clear();
        } else if (accumulator.EndsWith(separator)) {
            pieces.Add(accumulator.SubString(0, accumulator.GetLength() - separatorLength));
            accumulator.Clear();
        }
    }
    if (accumulator.GetLength() != 0 && accumulator != separator)
        pieces.Add(accumulator);
    return pieces.Count() != 0;
}

std::uint64_t UnicodeString::ToUInt64() const
{
    UnicodeString digits = Trimmed();
    std::uint64_t value = 0;
    for (unsigned i = 0; i < digits.GetLength(); ++i) {
        unsigned int c = digits.GetAt(i);
        if (!IsDigitCodePoint(c))
            return 0;
        value = value * 10 + (c - 0x30);
    }
    return value;
}

std::uint32_t UnicodeString::ToUInt32() const
{
    std::uint64_t value = ToUInt64();
    return value > 0xFFFFFFFFu ? 0 : static_cast<std::uint32_t>(value);
}

std::uint16_t UnicodeString::ToUInt16() const
{
    std::uint64_t value = ToUInt64();
    return value > 0xFFFF ? 0 : static_cast<std::uint16_t>(value);
}

std::int32_t UnicodeString::ToInt32() const
{
    UnicodeString text = Trimmed();
    bool negative = text.GetAt(0) == 0x2D;
    if (negative)
        text = text.SubString(1);
    std::uint32_t magnitude = text.ToUInt32();
    if (magnitude > 0x7FFFFFFF)
        return 0;
    std::int32_t value = static_cast<std::int32_t>(magnitude);
    return negative ? -value : value;
}

std::uint32_t UnicodeString::HexToUInt32() const
{
    UnicodeString digits = Trimmed();
    std::uint32_t value = 0;
    for (unsigned i = 0; i < digits.GetLength(); ++i) {
        unsigned int c = digits.GetAt(i);
        unsigned int digit;
        if (c >= 0x30 && c <= 0x39)
            digit = c - 0x30;
        else if (c >= 0x41 && c <= 0x46)
            digit = c - 0x41 + 10;
        else if (c >= 0x61 && c <= 0x66)
            digit = c - 0x61 + 10;
        else
            return 0;
        value = value * 16 + digit;
    }
    return value;
}

} // namespace text
} // namespace kz
