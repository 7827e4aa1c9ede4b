#include "text/UnicodeString.h"

#include "text/UnicodeCodecs.h"

#include <algorithm>
#include <cstring>

namespace kz {
namespace text {

namespace {

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

// Encodes count values into buffer, followed by a 0 element, and returns its
// block. The buffer first gets room for count elements (the text's length),
// then doubles whenever the encoded form runs out of room, so that its
// capacity and allocations are those of the plain element-wise encoding.
template <typename T, typename Encoder>
T* EncodeInto(kz::common::HybridArray<T, 0, kz::common::StandardDataHelper<T>>& buffer, const unsigned int* values,
              unsigned count, Encoder encode)
{
    buffer.Clear();
    buffer.Reserve(count);
    std::uint32_t taken = 0;
    std::uint32_t written = 0;
    for (;;) {
        std::uint32_t took = 0;
        written += encode(values + taken, count - taken, buffer.Data() + written, buffer.Capacity() - written, took);
        taken += took;
        if (taken == count && written < buffer.Capacity())
            break;
        buffer.Resize(written); // growth keeps what was written
        buffer.Reserve(buffer.Capacity() + 1);
    }
    buffer.Resize(written + 1);
    buffer.Data()[written] = 0;
    return buffer.Data();
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
    DecodeUtf16Into(text, length);
}

UnicodeString::UnicodeString(const unsigned int* codePoints, int length)
{
    SetCodePoints(codePoints, length);
}

UnicodeString& UnicodeString::operator=(const UnicodeString& other)
{
    // The array's assignment would empty the content before reading it.
    if (&other != this)
        Content() = other.m_content;
    return *this;
}

template <typename Unit, typename Decoder>
bool UnicodeString::DecodeInto(const Unit* text, int length, Decoder decode)
{
    Array<unsigned int>& content = Content();
    content.Clear();
    unsigned count = 0;
    if (!ResolveLength(text, length, count))
        return true;
    // At most one code point per unit: decode straight into the block, which
    // holds as much as reserving room for count code points gives.
    content.Resize(count);
    std::uint32_t n = decode(text, count, content.Data());
    if (n == kMalformedText) {
        // Malformed input drops what was decoded before it as well.
        content.Clear();
        return false;
    }
    content.Truncate(n);
    return true;
}

bool UnicodeString::SetUtf8(const char* text, int length)
{
    return DecodeInto(text, length, [](const char* bytes, std::uint32_t count, unsigned int* out) {
        return DecodeUtf8(reinterpret_cast<const unsigned char*>(bytes), count, out);
    });
}

template <typename Unit>
bool UnicodeString::DecodeUtf16Into(const Unit* text, int length)
{
    return DecodeInto(text, length, [](const Unit* units, std::uint32_t count, unsigned int* out) {
        return DecodeUtf16(units, count, out);
    });
}

bool UnicodeString::SetUtf16(const unsigned short* text, int length)
{
    return DecodeUtf16Into(text, length);
}

bool UnicodeString::SetCodePoints(const unsigned int* values, int length)
{
    Array<unsigned int>& content = Content();
    content.Clear();
    unsigned count = 0;
    if (ResolveLength(values, length, count))
        content.AddRange(values, count);
    return true;
}

void UnicodeString::Clear()
{
    Content().Clear();
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
    if ((m_current & kUtf8Current) == 0) {
        EncodeInto(m_utf8, Points(), m_content.Count(), EncodeUtf8);
        m_current |= kUtf8Current;
    }
    return m_utf8.Data();
}

const unsigned short* UnicodeString::GetUtf16()
{
    if ((m_current & kUtf16Current) == 0) {
        EncodeInto(m_utf16, Points(), m_content.Count(), EncodeUtf16);
        m_current |= kUtf16Current;
    }
    return m_utf16.Data();
}

const unsigned int* UnicodeString::GetCodePoints()
{
    if ((m_current & kCodePointsCurrent) == 0) {
        m_codePoints.Clear();
        m_codePoints.AddAll(m_content);
        m_codePoints.Add(0);
        m_current |= kCodePointsCurrent;
    }
    return m_codePoints.Data();
}

UnicodeString& UnicodeString::Append(const UnicodeString& other)
{
    if (&other == this) {
        // Growth may release the block that the source range lies in.
        UnicodeString copy(other);
        Content().AddAll(copy.m_content);
    } else {
        Content().AddAll(other.m_content);
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
        Content().Add(value);
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
    const unsigned int* text = Points();
    for (unsigned i = start; i < m_content.Count(); ++i) {
        if (text[i] == value)
            return static_cast<int>(i);
    }
    return -1;
}

namespace {

// The first occurrence of what in text at or after start, or length when
// there is none: a scan for what's first code point, then a comparison of the rest.
unsigned Search(const unsigned int* text, unsigned length, const unsigned int* what, unsigned whatLength, unsigned start)
{
    if (whatLength == 0 || whatLength > length)
        return length;
    const unsigned int first = what[0];
    const std::size_t restBytes = (whatLength - 1) * sizeof(unsigned int);
    const unsigned last = length - whatLength; // the last index where what still fits
    for (unsigned p = start; p <= last; ++p) {
        if (text[p] == first && std::memcmp(text + p + 1, what + 1, restBytes) == 0)
            return p;
    }
    return length;
}

bool ContainsZero(const unsigned int* values, unsigned count)
{
    // Blocks without an early exit, which the compiler turns into vector code.
    const unsigned kBlock = 64;
    unsigned i = 0;
    for (; count - i >= kBlock; i += kBlock) {
        unsigned zeros = 0;
        for (unsigned k = 0; k < kBlock; ++k)
            zeros |= values[i + k] == 0;
        if (zeros != 0)
            return true;
    }
    for (; i < count; ++i) {
        if (values[i] == 0)
            return true;
    }
    return false;
}

} // namespace

int UnicodeString::Find(const UnicodeString& what, unsigned start) const
{
    unsigned length = m_content.Count();
    if (start >= length)
        return -1;
    unsigned p = Search(Points(), length, what.Points(), what.m_content.Count(), start);
    return p == length ? -1 : static_cast<int>(p);
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
    UnicodeString prefix = copy.SubString(0, found);
    // The first index after the inserted text: the prefix has lost its zeros.
    const int after = static_cast<int>(prefix.GetLength()) + withLength;
    UnicodeString replaced = prefix + with + copy.SubString(found + whatLength, length);
    *this = replaced;
    if (position != nullptr)
        *position = after;
    return true;
}

void UnicodeString::AppendWithoutZeros(const unsigned int* values, unsigned count)
{
    Array<unsigned int>& content = Content();
    unsigned from = 0;
    for (unsigned i = 0; i < count; ++i) {
        if (values[i] == 0) {
            content.AddRange(values + from, i - from);
            from = i + 1;
        }
    }
    content.AddRange(values + from, count - from);
}

bool UnicodeString::ReplaceAll(const UnicodeString& what, const UnicodeString& with)
{
    if (&what == this || &with == this) {
        UnicodeString whatCopy(what);
        UnicodeString withCopy(with);
        return ReplaceAll(whatCopy, withCopy);
    }
    const unsigned length = m_content.Count();
    const unsigned whatLength = what.m_content.Count();
    const unsigned withLength = with.m_content.Count();
    const unsigned int* text = Points();
    const unsigned first = Search(text, length, what.Points(), whatLength, 0);
    if (first == length)
        return false;

    // Without zeros to drop, a replacement no longer than what it replaces
    // is done in place: the result never overtakes the text still to be
    // searched, and no new block (whose first touch is costly) is taken.
    if (withLength <= whatLength && !ContainsZero(text, length) && !ContainsZero(with.Points(), withLength)) {
        unsigned int* data = Content().Data();
        unsigned written = first;
        unsigned read = first; // at an occurrence
        while (read < length) {
            std::memcpy(data + written, with.Points(), withLength * sizeof(unsigned int));
            written += withLength;
            read += whatLength;
            const unsigned next = Search(data, length, what.Points(), whatLength, read);
            std::memmove(data + written, data + read, (next - read) * sizeof(unsigned int));
            written += next - read;
            read = next;
        }
        Content().Truncate(written);
        return true;
    }

    // The first replacement drops the zeros of everything but the inserted
    // text, so later searches run over the rest of the text without its zeros.
    const unsigned int* tail = text + first + whatLength;
    unsigned tailLength = length - first - whatLength;
    UnicodeString rest;
    if (std::find(tail, tail + tailLength, 0u) != tail + tailLength) {
        rest.AppendWithoutZeros(tail, tailLength);
        tail = rest.Points();
        tailLength = rest.m_content.Count();
    }

    UnicodeString result;
    result.m_content.Reserve(length);
    result.AppendWithoutZeros(text, first);
    unsigned from = 0;
    for (;;) {
        unsigned next = Search(tail, tailLength, what.Points(), whatLength, from);
        if (next == tailLength) {
            // The last inserted text keeps its zeros: no later replacement cut it.
            result.m_content.AddRange(with.Points(), withLength);
            result.m_content.AddRange(tail + from, tailLength - from);
            break;
        }
        result.AppendWithoutZeros(with.Points(), withLength);
        result.m_content.AddRange(tail + from, next - from);
        from = next + whatLength;
    }
    *this = result;
    return true;
}

} // namespace text
} // namespace kz
