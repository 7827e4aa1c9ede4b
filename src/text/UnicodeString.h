#pragma once

#include "containers/HybridArray.h"
#include "containers/IArray.h"
#include "containers/StandardDataHelper.h"

#include <cstdint>
#include <string>

namespace kz {
namespace text {

// A text held as a sequence of Unicode code points, converted to and from UTF-8
// and UTF-16 at the edges of the library.
//
// Lengths, indices and positions count code points from 0. Where a pointer and
// a length are taken, a length of -1 means "up to the first 0 element, which is
// not taken"; any other non-negative length is exact, so embedded 0 elements
// are kept. A negative length other than -1 counts as 0.
//
// The decoders accept code points up to 0x10FFFD; malformed input leaves the
// text empty. Content set with SetCodePoints, AppendCodePoint or AppendChar is
// stored as given, whatever its value.
//
// GetUtf8, GetUtf16 and GetCodePoints encode the text into a buffer of the
// string's own and return that buffer: the pointer stays valid until the next
// call of the same accessor or the string's destruction. A buffer is encoded
// again only once the content has changed since it was last written.
// Since even the accessors write, a string belongs to one thread at a time.
//
// 8-bit characters (Find, FindLast, AppendChar, Split) are widened as signed
// 8-bit values, so only 0x00 to 0x7F can equal a decoded code point.
class UnicodeString {
public:
    UnicodeString() {}
    // Copies the content; the new string's buffers start empty.
    UnicodeString(const UnicodeString& other);
    // Malformed input gives the empty text.
    explicit UnicodeString(const char* utf8, int length = -1);
    // The string's bytes with its size as the explicit length.
    explicit UnicodeString(const std::string& utf8);
    explicit UnicodeString(const unsigned short* utf16, int length = -1);
    // Each wchar_t is one UTF-16 unit. Where wchar_t is wider than 16 bits, an
    // element above 0xFFFF is malformed.
    explicit UnicodeString(const wchar_t* text, int length = -1);
    explicit UnicodeString(const unsigned int* codePoints, int length = -1);

    // Replaces the content; the buffers stay as they were. Assigning a string to
    // itself changes nothing.
    UnicodeString& operator=(const UnicodeString& other);

    // Return false, with the content emptied, on malformed input.
    bool SetUtf8(const char* text, int length);
    bool SetUtf16(const unsigned short* text, int length);
    // Stores the values unchanged; a null pointer gives the empty text. Always true.
    bool SetCodePoints(const unsigned int* values, int length);
    void Clear();

    unsigned GetLength() const;
    // 0 for the empty text whatever the index; otherwise the index must be
    // below the length (FatalError).
    unsigned int GetAt(unsigned index) const;
    // Values above 0x10FFFF are left out; 0xD800 to 0xDFFF get their three-byte form.
    const char* GetUtf8();
    // Values above 0x10FFFF are left out; 0xD800 to 0xDFFF, which have no
    // UTF-16 form, become U+FFFD.
    const unsigned short* GetUtf16();
    // The content followed by a 0 element.
    const unsigned int* GetCodePoints();
    // The UTF-8 bytes up to the first 0 byte.
    std::string ToStdString();

    // Appending a string to itself doubles it.
    UnicodeString& Append(const UnicodeString& other);
    UnicodeString& operator+=(const UnicodeString& other);
    // 0 is ignored.
    UnicodeString& AppendCodePoint(unsigned int value);
    UnicodeString& AppendChar(const char* character);
    // Decimal text as the C runtime formats it: "%llu", "%llu", "%d", "%f".
    UnicodeString& AppendNumber(unsigned long long value);
    UnicodeString& AppendNumber(unsigned int value);
    UnicodeString& AppendNumber(int value);
    UnicodeString& AppendNumber(double value);

    bool operator==(const UnicodeString& other) const;
    bool operator!=(const UnicodeString& other) const;
    // Code point by code point as unsigned values; a prefix orders first.
    bool operator<(const UnicodeString& other) const;
    bool StartsWith(const UnicodeString& other) const;
    bool EndsWith(const UnicodeString& other) const;
    // Lowest index at or after start, or -1. An empty what is never found.
    int Find(char c, unsigned start = 0) const;
    int Find(const UnicodeString& what, unsigned start) const;
    // Highest index, or -1.
    int FindLast(char c) const;

    // Code points from index from to to - 1, to clamped to the length. Code
    // points of value 0 are left out.
    UnicodeString SubString(unsigned from, unsigned to) const;
    UnicodeString SubString(unsigned from) const;
    UnicodeString operator+(const UnicodeString& other) const;

    // Replaces the first occurrence of what at or after *position (0 for null)
    // and moves *position past the inserted text. False, with nothing changed,
    // when there is none. Code points of value 0 outside the occurrence are
    // dropped from the text.
    bool Replace(const UnicodeString& what, const UnicodeString& with, int* position = nullptr);
    // Every occurrence, as repeated Replace calls would leave it when each
    // search resumes right after the text just inserted: an inserted text is
    // never searched again, and code points of value 0 outside the last
    // inserted text are dropped. One pass over the text.
    bool ReplaceAll(const UnicodeString& what, const UnicodeString& with);

    // True for the empty text.
    bool IsDigits() const;
    bool IsWhitespace() const;
    // 0x0, 0x9 to 0xD, 0x20, 0xA0, 0x180E, 0x2000 to 0x200A, 0x2028, 0x2029,
    // 0x202F, 0x205F and 0x3000.
    static bool IsWhitespaceCodePoint(unsigned int c);
    // "0" to "9" alone.
    static bool IsDigitCodePoint(unsigned int c);

    UnicodeString Trimmed() const;
    // ASCII letters only.
    UnicodeString ToLower() const;
    UnicodeString ToUpper() const;

    // Adds the pieces between separators, empty ones included. False, with
    // nothing added, for the empty text or when there is no separator.
    bool Split(char separator, kz::common::IArray<UnicodeString>& pieces) const;
    // Adds the non-empty pieces between occurrences of separator; true when
    // pieces holds any element afterwards.
    bool Tokenize(const UnicodeString& separator, kz::common::IArray<UnicodeString>& pieces) const;

    // Parsers of the trimmed text. Anything but the digits makes the result 0,
    // which cannot be told from a parsed 0.
    // Wraps on overflow.
    std::uint64_t ToUInt64() const;
    // 0 above 0xFFFFFFFF.
    std::uint32_t ToUInt32() const;
    // 0 above 0xFFFF.
    std::uint16_t ToUInt16() const;
    // An optional "-"; -2147483647 to 2147483647, anything else 0.
    std::int32_t ToInt32() const;
    // Digits and A to F in either case, no "0x"; wraps on overflow.
    std::uint32_t HexToUInt32() const;

private:
    template <typename T>
    using Array = kz::common::HybridArray<T, 0, kz::common::StandardDataHelper<T>>;

    // Bits of m_current: which buffers still show the content.
    enum : unsigned char { kUtf8Current = 1, kUtf16Current = 2, kCodePointsCurrent = 4 };

    // Every change of the content goes through here first.
    Array<unsigned int>& Content()
    {
        m_current = 0;
        return m_content;
    }
    // The content's block; Data is not const in the array's interface.
    const unsigned int* Points() const { return const_cast<Array<unsigned int>&>(m_content).Data(); }

    // Replaces the content with text decoded by decode, which writes at most
    // one code point per unit and returns their number, or kMalformedText.
    template <typename Unit, typename Decoder>
    bool DecodeInto(const Unit* text, int length, Decoder decode);
    template <typename Unit>
    bool DecodeUtf16Into(const Unit* text, int length);
    void AppendWithoutZeros(const unsigned int* values, unsigned count);

    Array<unsigned int> m_content;
    Array<char> m_utf8;
    Array<unsigned short> m_utf16;
    Array<unsigned int> m_codePoints;
    unsigned char m_current = 0;
};

} // namespace text
} // namespace kz
