#include "text/UnicodeCodecs.h"

namespace kz {
namespace text {

namespace {

const std::uint64_t kHighBits = 0x8080808080808080ull;

bool IsContinuation(unsigned int b)
{
    return (b & 0x80) != 0; // the top bit alone, by design
}

} // namespace

std::uint32_t DecodeUtf8(const unsigned char* bytes, std::uint32_t count, unsigned int* out)
{
    std::uint32_t n = 0;
    std::uint32_t i = 0;
    while (i < count) {
        // Texts are mostly ASCII: take eight bytes at a time while no top bit is set.
        while (count - i >= 8) {
            std::uint64_t word;
            std::memcpy(&word, bytes + i, sizeof word);
            if ((word & kHighBits) != 0)
                break;
            for (unsigned k = 0; k < 8; ++k)
                out[n + k] = bytes[i + k];
            i += 8;
            n += 8;
        }
        if (i == count)
            break;
        unsigned int b = bytes[i];
        if (b <= 0x7F) {
            out[n++] = b;
            ++i;
            continue;
        }
        unsigned int value;
        if (b < 0xC2 || b >= 0xF5) {
            return kMalformedText; // a stray continuation byte, C0, C1, or F5 and above
        } else if (b < 0xE0) {
            if (count - i < 2 || !IsContinuation(bytes[i + 1]))
                return kMalformedText;
            value = ((b & 0x1F) << 6) | (bytes[i + 1] & 0x3F);
            i += 2;
        } else if (b < 0xF0) {
            if (count - i < 3 || !IsContinuation(bytes[i + 1]) || !IsContinuation(bytes[i + 2]))
                return kMalformedText;
            value = ((b & 0x0F) << 12) | ((bytes[i + 1] & 0x3F) << 6) | (bytes[i + 2] & 0x3F);
            if (value < 0x800)
                return kMalformedText;
            i += 3;
        } else {
            if (count - i < 4 || !IsContinuation(bytes[i + 1]) || !IsContinuation(bytes[i + 2]) ||
                !IsContinuation(bytes[i + 3]))
                return kMalformedText;
            value = ((b & 0x07) << 18) | ((bytes[i + 1] & 0x3F) << 12) | ((bytes[i + 2] & 0x3F) << 6) |
                    (bytes[i + 3] & 0x3F);
            if (value < 0x10000 || value > kMaxDecodedCodePoint)
                return kMalformedText;
            i += 4;
        }
        out[n++] = value;
    }
    return n;
}

std::uint32_t EncodedUtf8Length(const unsigned int* values, std::uint32_t count)
{
    std::uint32_t length = 0;
    for (std::uint32_t i = 0; i < count; ++i) {
        unsigned int c = values[i];
        // Values above 0x10FFFF count 1 + 1 + 1 + 1 - 4: nothing.
        length += 1 + (c > 0x7F) + (c > 0x7FF) + (c > 0xFFFF) - 4 * (c > kMaxEncodedCodePoint);
    }
    return length;
}

void EncodeUtf8(const unsigned int* values, std::uint32_t count, char* out)
{
    std::uint32_t i = 0;
    while (i < count) {
        while (count - i >= 4 && (values[i] | values[i + 1] | values[i + 2] | values[i + 3]) <= 0x7F) {
            for (unsigned k = 0; k < 4; ++k)
                out[k] = static_cast<char>(values[i + k]);
            out += 4;
            i += 4;
        }
        if (i == count)
            break;
        unsigned int c = values[i++];
        if (c <= 0x7F) {
            *out++ = static_cast<char>(c);
        } else if (c <= 0x7FF) {
            *out++ = static_cast<char>(0xC0 | (c >> 6));
            *out++ = static_cast<char>(0x80 | (c & 0x3F));
        } else if (c <= 0xFFFF) {
            *out++ = static_cast<char>(0xE0 | (c >> 12));
            *out++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            *out++ = static_cast<char>(0x80 | (c & 0x3F));
        } else if (c <= kMaxEncodedCodePoint) {
            *out++ = static_cast<char>(0xF0 | (c >> 18));
            *out++ = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            *out++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            *out++ = static_cast<char>(0x80 | (c & 0x3F));
        }
    }
}

std::uint32_t EncodedUtf16Length(const unsigned int* values, std::uint32_t count)
{
    std::uint32_t length = 0;
    for (std::uint32_t i = 0; i < count; ++i) {
        unsigned int c = values[i];
        length += 1 + (c > 0xFFFF) - 2 * (c > kMaxEncodedCodePoint);
    }
    return length;
}

void EncodeUtf16(const unsigned int* values, std::uint32_t count, unsigned short* out)
{
    for (std::uint32_t i = 0; i < count; ++i) {
        unsigned int c = values[i];
        if (c < 0xD800) {
            *out++ = static_cast<unsigned short>(c);
        } else if (c <= 0xFFFF) {
            // A lone surrogate value has no UTF-16 form; hand out well-formed text.
            *out++ = c <= 0xDFFF ? 0xFFFD : static_cast<unsigned short>(c);
        } else if (c <= kMaxEncodedCodePoint) {
            *out++ = static_cast<unsigned short>(0xD800 + ((c - 0x10000) >> 10));
            *out++ = static_cast<unsigned short>(0xDC00 + (c & 0x3FF));
        }
    }
}

} // namespace text
} // namespace kz
