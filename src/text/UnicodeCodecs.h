#pragma once

#include <cstdint>
#include <cstring>
#include <type_traits>

namespace kz {
namespace text {

// The conversions of UnicodeString over plain buffers, with fast paths for
// runs of ASCII (and, in UTF-16, of units below the surrogates). A decoder
// writes at most one code point per input element into an output the caller
// sized for that. An encoder writes into an output of limited room and stops
// before the first value whose form no longer fits, so that the caller can
// grow the output and carry on: one pass, without measuring the text first.

const std::uint32_t kMalformedText = 0xFFFFFFFFu;
const unsigned int kMaxDecodedCodePoint = 0x10FFFD;
const unsigned int kMaxEncodedCodePoint = 0x10FFFF;

// The number of code points written, or kMalformedText.
std::uint32_t DecodeUtf8(const unsigned char* bytes, std::uint32_t count, unsigned int* out);

// Encode values[0, count) into out, which has room for room elements; return
// the number of elements written and set taken to the number of values
// encoded. Values above 0x10FFFF are taken and left out.
std::uint32_t EncodeUtf8(const unsigned int* values, std::uint32_t count, char* out, std::uint32_t room,
                         std::uint32_t& taken);
// Values 0xD800 to 0xDFFF, which have no UTF-16 form, become U+FFFD.
std::uint32_t EncodeUtf16(const unsigned int* values, std::uint32_t count, unsigned short* out, std::uint32_t room,
                          std::uint32_t& taken);

// Copies the leading units below 0xD800, each widened to a code point; returns
// how many.
std::uint32_t WidenUnitsBelowSurrogates(const unsigned short* units, std::uint32_t count, unsigned int* out);

// The number of code points written, or kMalformedText. Unit may be wider than
// 16 bits (wchar_t); an element above 0xFFFF is then malformed.
template <typename Unit>
std::uint32_t DecodeUtf16(const Unit* units, std::uint32_t count, unsigned int* out)
{
    std::uint32_t n = 0;
    std::uint32_t i = 0;
    while (i < count) {
        if constexpr (std::is_same<Unit, unsigned short>::value) {
            // Stops only at a unit of 0xD800 or above, which is taken below.
            const std::uint32_t run = WidenUnitsBelowSurrogates(units + i, count - i, out + n);
            i += run;
            n += run;
            if (i == count)
                break;
        }
        unsigned long u = static_cast<unsigned long>(units[i]);
        if (u < 0xD800) {
            out[n++] = static_cast<unsigned int>(u);
            ++i;
            continue;
        }
        if (u > 0xFFFF)
            return kMalformedText;
        if (u > 0xDFFF) {
            out[n++] = static_cast<unsigned int>(u);
            ++i;
            continue;
        }
        if (i + 1 >= count)
            return kMalformedText;
        unsigned long low = static_cast<unsigned long>(units[i + 1]);
        if (low < 0xDC00 || low > 0xDFFF)
            return kMalformedText;
        // A pair led by a low half lands at 0x110000 or above and is refused here too.
        unsigned int value = static_cast<unsigned int>((((u - 0xD800) << 10) | (low - 0xDC00)) + 0x10000);
        if (value > kMaxDecodedCodePoint)
            return kMalformedText;
        out[n++] = value;
        i += 2;
    }
    return n;
}

} // namespace text
} // namespace kz
