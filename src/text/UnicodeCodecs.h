#pragma once

#include <cstdint>
#include <cstring>

namespace kz {
namespace text {

// The conversions of UnicodeString over plain buffers, with fast paths for
// runs of ASCII (and, in UTF-16, of units below the surrogates). The caller
// sizes the output: a decoder writes at most one code point per input
// element, an encoder exactly the length its Encoded*Length function gives.

const std::uint32_t kMalformedText = 0xFFFFFFFFu;
const unsigned int kMaxDecodedCodePoint = 0x10FFFD;
const unsigned int kMaxEncodedCodePoint = 0x10FFFF;

// The number of code points written, or kMalformedText.
std::uint32_t DecodeUtf8(const unsigned char* bytes, std::uint32_t count, unsigned int* out);

std::uint32_t EncodedUtf8Length(const unsigned int* values, std::uint32_t count);
void EncodeUtf8(const unsigned int* values, std::uint32_t count, char* out);

std::uint32_t EncodedUtf16Length(const unsigned int* values, std::uint32_t count);
// Values 0xD800 to 0xDFFF, which have no UTF-16 form, become U+FFFD.
void EncodeUtf16(const unsigned int* values, std::uint32_t count, unsigned short* out);

// The number of code points written, or kMalformedText. Unit may be wider than
// 16 bits (wchar_t); an element above 0xFFFF is then malformed.
template <typename Unit>
std::uint32_t DecodeUtf16(const Unit* units, std::uint32_t count, unsigned int* out)
{
    std::uint32_t n = 0;
    std::uint32_t i = 0;
    while (i < count) {
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
