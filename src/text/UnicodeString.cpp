#include "text/UnicodeString.h"


namespace kz {
namespace text {

namespace {

const unsigned int kMaxDecoded = 0x10FFFD;
const unsigned int kMaxEncoded = 0x10FFFF;
const unsigned short kReplacementCharacter = 0xFFFD;

unsigned int Widen(char c)
{
    return static_cast<unsigned int>(static_cast<int>(static_cast<signed char>(c)));
}

template <typename T>
unsigned LengthUpToZero(const T* text)
{
    unsigned n = 0;
    while (text[n] != 0)
        ++n;
    return n;
}

// Resolves the -1 convention; false when there is nothing to read.
template <typename T>
bool ResolveLength(const T* text, int length, unsigned& count)
{
    if (text == nullptr)
        return false;
    if (length == -1)
        count = LengthUpToZero(text);
    else
        count = length > 0 ? static_cast<unsigned>(length) : 0;
    return count != 0;
}

template <typename Unit>
bool FitsUtf16Unit(Unit u)
{
    if constexpr (sizeof(Unit) > sizeof(unsigned short))
        return static_cast<unsigned long>(u) <= 0xFFFF;
    else
        return true;
}

// Shared by the UTF-16 and the wide-character input; a unit type wider than 16
// bits may hold values that are no UTF-16 unit at all.
template <typename Unit>
bool DecodeUtf16(const Unit* text, int length, kz::common::IArray<unsigned int>& content)
{
    content.Clear();
    unsigned count = 0;
    if (!ResolveLength(text, length, count))
        return true;
    content.Reserve(count);

    bool halfPending = false;
    unsigned int high = 0;
    for (unsigned i = 0; i < count; ++i) {
        if (!FitsUtf16Unit(text[i])) {
            content.Clear();
            return false;
        }
        unsigned int u = static_cast<unsigned int>(text[i]);
        unsigned int value;
        if (!halfPending) {
            if (u >= 0xD800 && u <= 0xDFFF) {
                high = (u - 0xD800) << 10;
                halfPending = true;
                continue;
            }
            value = u;
        } else {
            if (u < 0xDC00 || u > 0xDFFF) {
                content.Clear();
                return false;
            }
            value = (high | (u - 0xDC00)) + 0x10000;
            halfPending = false;
        }
        // Also refuses a pair led by a low half, which lands at 0x110000 or above.
        if (value > kMaxDecoded) {
            content.Clear();
            return false;
        }
        content.Add(value);
    }
    if (halfPending) {
        content.Clear();
        return false;
    }
    return true;
}

} // namespace

UnicodeString::UnicodeString(const UnicodeString& other)
{
    m_content = other.m_content;
}

UnicodeString::UnicodeString(const char* utf8, int length)
{
    SetUtf8(utf8, length);
}

UnicodeString::UnicodeString(const unsigned short* utf16, int length)
{
    SetUtf16(utf16, length);
}

UnicodeString::UnicodeString(const wchar_t* text, int length)
{
    DecodeUtf16(text, length, m_content);
}

UnicodeString::UnicodeString(const unsigned int* codePoints, int length)
{
    SetCodePoints(codePoints, length);
}

UnicodeString& UnicodeString::operator=(const UnicodeString& other)
{
    // The array's assignment would empty the content before reading it.
    if (&other != this)
        m_content = other.m_content;
    return *this;
}

bool UnicodeString::SetUtf8(const char* text, int length)
{
    m_content.Clear();
    unsigned count = 0;
    if (!ResolveLength(text, length, count))
        return true;
    m_content.Reserve(count);
    // Malformed input drops what was decoded before it as well.
    auto malformed = [this] {
        m_content.Resize(0);
        return false;
    };

    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(text);
    unsigned int value = 0;
    unsigned int sequenceLength = 0;
    unsigned int pending = 0; // continuation bytes still expected
    for (unsigned i = 0; i < count; ++i) {
        unsigned int b = bytes[i];
        if (pending == 0) {
            if (b == 0xC0 || b == 0xC1 || b >= 0xF5)
                return malformed();
            if (b <= 0x7F) {
                m_content.Add(b);
                continue;
            }
            if ((b & 0xE0) == 0xC0) {
                value = (b & 0x1F) << 6;
                sequenceLength = 2;
            } else if ((b & 0xF0) == 0xE0) {
                value = (b & 0x0F) << 12;
                sequenceLength = 3;
            } else if ((b & 0xF8) == 0xF0) {
                value = (b & 0x07) << 18;
                sequenceLength = 4;
            } else {
                return malformed();
            }
            pending = sequenceLength - 1;
            continue;
        }
        // The top bit alone marks a continuation byte.
        if ((b & 0x80) == 0)
            return malformed();
        --pending;
        value |= (b & 0x3F) << (6 * pending);
        if (pending != 0)
            continue;
        bool overlong = (sequenceLength == 3 && value < 0x800) || (sequenceLength == 4 && value < 0x10000);
        if (overlong || value > kMaxDecoded)
            return malformed();
        m_content.Add(value);
    }
    if (pending != 0)
        return malformed();
    return true;
}

bool UnicodeString::SetUtf16(const unsigned short* text, int length)
{
    return DecodeUtf16(text, length, m_content);
}

bool UnicodeString::SetCodePoints(const unsigned int* values, int length)
{
    m_content.Clear();
    unsigned count = 0;
    if (ResolveLength(values, length, count))
        m_content.AddRange(values, count);
    return true;
}

void UnicodeString::Clear()
{
    m_content.Clear();
}

unsigned UnicodeString::GetLength() const
{
    return m_content.Count();
}

unsigned int UnicodeString::GetAt(unsigned index) const
{
    if (m_content.Count() == 0)
        return 0;
    return m_content.At(index);
}

const char* UnicodeString::GetUtf8()
{
    m_utf8.Clear();
    m_utf8.Reserve(m_content.Count());
    for (unsigned i = 0; i < m_content.Count(); ++i) {
        unsigned int c = m_content.At(i);
        if (c <= 0x7F) {
            m_utf8.Add(static_cast<char>(c));
        } else if (c <= 0x7FF) {
            m_utf8.Add(static_cast<char>(0xC0 | (c >> 6)));
            m_utf8.Add(static_cast<char>(0x80 | (c & 0x3F)));
        } else if (c <= 0xFFFF) {
            m_utf8.Add(static_cast<char>(0xE0 | (c >> 12)));
            m_utf8.Add(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            m_utf8.Add(static_cast<char>(0x80 | (c & 0x3F)));
        } else if (c <= kMaxEncoded) {
            m_utf8.Add(static_cast<char>(0xF0 | (c >> 18)));
            m_utf8.Add(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
            m_utf8.Add(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            m_utf8.Add(static_cast<char>(0x80 | (c & 0x3F)));
        }
    }
    m_utf8.Add(0);
    return m_utf8.Data();
}

const unsigned short* UnicodeString::GetUtf16()
{
    m_utf16.Clear();
    m_utf16.Reserve(m_content.Count());
    for (unsigned i = 0; i < m_content.Count(); ++i) {
        unsigned int c = m_content.At(i);
        if (c <= 0xFFFF) {
            // A lone surrogate value has no UTF-16 form; hand out well-formed text.
            bool surrogate = c >= 0xD800 && c <= 0xDFFF;
            m_utf16.Add(surrogate ? kReplacementCharacter : static_cast<unsigned short>(c));
        } else if (c <= kMaxEncoded) {
            m_utf16.Add(static_cast<unsigned short>(0xD800 + ((c - 0x10000) >> 10)));
            m_utf16.Add(static_cast<unsigned short>(0xDC00 + (c & 0x3FF)));
        }
    }
    m_utf16.Add(0);
    return m_utf16.Data();
}

const unsigned int* UnicodeString::GetCodePoints()
{
    m_codePoints.Clear();
    m_codePoints.AddAll(m_content);
    m_codePoints.Add(0);
    return m_codePoints.Data();
}

UnicodeString& UnicodeString::Append(const UnicodeString& other)
{
    if (&other == this) {
        // Growth may release the block that the source range lies in.
        UnicodeString copy(other);
        m_content.AddAll(copy.m_content);
    } else {
        m_content.AddAll(other.m_content);
    }
    return *this;
}

UnicodeString& UnicodeString::operator+=(const UnicodeString& other)
{
    return Append(other);
}

UnicodeString& UnicodeString::AppendCodePoint(unsigned int value)
{
    if (value != 0)
        m_content.Add(value);
    return *this;
}

UnicodeString& UnicodeString::AppendChar(const char* character)
{
    return AppendCodePoint(Widen(*character));
}

namespace {

// Decimal digits of value, as "%llu" gives them, written without the C
// runtime's formatter (whose locale support the DLL would otherwise carry).
UnicodeString Decimal(unsigned long long value, bool negative)
{
    char text[24];
    char* first = text + sizeof text;
    *--first = 0;
    do {
        *--first = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value != 0);
    if (negative)
        *--first = '-';
    return UnicodeString(first, -1);
}

} // namespace

UnicodeString& UnicodeString::AppendNumber(unsigned long long value)
{
    return Append(Decimal(value, false));
}

UnicodeString& UnicodeString::AppendNumber(unsigned int value)
{
    return Append(Decimal(value, false));
}

UnicodeString& UnicodeString::AppendNumber(int value)
{
    // The magnitude of INT_MIN does not fit an int; it does an unsigned long long.
    const unsigned long long magnitude =
        value < 0 ? 0ull - static_cast<unsigned long long>(static_cast<long long>(value)) : value;
    return Append(Decimal(magnitude, value < 0));
}

bool UnicodeString::operator==(const UnicodeString& other) const
{
    if (m_content.Count() != other.m_content.Count())
        return false;
    for (unsigned i = 0; i < m_content.Count(); ++i) {
        if (m_content.At(i) != other.m_content.At(i))
            return false;
    }
    return true;
}

bool UnicodeString::operator!=(const UnicodeString& other) const
{
    return !(*this == other);
}

bool UnicodeString::operator<(const UnicodeString& other) const
{
    unsigned length = m_content.Count();
    unsigned otherLength = other.m_content.Count();
    if (otherLength == 0)
        return false;
    if (length == 0)
        return true;
    for (unsigned i = 0; i < length && i < otherLength; ++i) {
        unsigned int a = m_content.At(i);
        unsigned int b = other.m_content.At(i);
        if (a != b)
            return a < b;
    }
    return length < otherLength;
}

bool UnicodeString::StartsWith(const UnicodeString& other) const
{
    unsigned n = other.m_content.Count();
    if (n > m_content.Count())
        return false;
    for (unsigned i = 0; i < n; ++i) {
        if (m_content.At(i) != other.m_content.At(i))
            return false;
    }
    return true;
}

bool UnicodeString::EndsWith(const UnicodeString& other) const
{
    unsigned n = other.m_content.Count();
    if (n > m_content.Count())
        return false;
    unsigned offset = m_content.Count() - n;
    for (unsigned i = 0; i < n; ++i) {
        if (m_content.At(offset + i) != other.m_content.At(i))
            return false;
    }
    return true;
}

int UnicodeString::Find(char c, unsigned start) const
{
    unsigned int value = Widen(c);
    for (unsigned i = start; i < m_content.Count(); ++i) {
        if (m_content.At(i) == value)
            return static_cast<int>(i);
    }
    return -1;
}

int UnicodeString::Find(const UnicodeString& what, unsigned start) const
{
    unsigned length = m_content.Count();
    unsigned whatLength = what.m_content.Count();
    if (whatLength == 0 || whatLength > length || start >= length)
        return -1;
    for (unsigned p = start; p < length; ++p) {
        unsigned matched = 0;
        while (matched < whatLength) {
            if (p + matched >= length)
                return -1; // later candidates are shorter still
            if (m_content.At(p + matched) != what.m_content.At(matched))
                break;
            ++matched;
        }
        if (matched == whatLength)
            return static_cast<int>(p);
    }
    return -1;
}

int UnicodeString::FindLast(char c) const
{
    unsigned int value = Widen(c);
    for (unsigned i = m_content.Count(); i > 0; --i) {
        if (m_content.At(i - 1) == value)
            return static_cast<int>(i - 1);
    }
    return -1;
}

UnicodeString UnicodeString::SubString(unsigned from, unsigned to) const
{
    UnicodeString result;
    unsigned length = m_content.Count();
    if (from > length || from >= to)
        return result;
    if (to > length)
        to = length;
    for (unsigned i = from; i < to; ++i)
        result.AppendCodePoint(m_content.At(i));
    return result;
}

UnicodeString UnicodeString::SubString(unsigned from) const
{
    return SubString(from, m_content.Count());
}

UnicodeString UnicodeString::operator+(const UnicodeString& other) const
{
    UnicodeString result;
    result.Append(*this);
    result.Append(other);
    return result;
}

bool UnicodeString::Replace(const UnicodeString& what, const UnicodeString& with, int* position)
{
    int start = position != nullptr ? *position : 0;
    UnicodeString copy(*this);
    unsigned length = copy.GetLength();
    unsigned whatLength = what.GetLength();
    if (start < 0 || static_cast<unsigned long long>(start) + whatLength > length)
        return false;
    int p = copy.Find(what, static_cast<unsigned>(start));
    if (p == -1)
        return false;
    unsigned found = static_cast<unsigned>(p);
    // Read before *this changes: with may be this very string.
    const int withLength = static_cast<int>(with.GetLength());
    UnicodeString replaced = copy.SubString(0, found) + with + copy.SubString(found + whatLength, length);
    *this = replaced;
    if (position != nullptr)
        *position = p + withLength;
    return true;
}

bool UnicodeString::ReplaceAll(const UnicodeString& what, const UnicodeString& with)
{
    int position = 0;
    bool any = false;
    while (Replace(what, with, &position))
        any = true;
    return any;
}

} // namespace text
} // namespace kz
