#pragma once

// Plain conversions written straight from the rules of the text type, one
// element at a time and without fast paths, for the fuzz targets to hold the
// library's codecs against.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace reference {

using CodePoints = std::vector<std::uint32_t>;

// Malformed input gives no text at all.
inline std::optional<CodePoints> DecodeUtf8(const unsigned char* bytes, std::size_t count)
{
    CodePoints out;
    std::size_t i = 0;
    while (i < count) {
        std::uint32_t b = bytes[i++];
        std::uint32_t value;
        unsigned more;
        if (b == 0xC0 || b == 0xC1 || b >= 0xF5)
            return std::nullopt;
        if (b <= 0x7F) {
            out.push_back(b);
            continue;
        }
        if ((b & 0xE0) == 0xC0) {
            value = b & 0x1F;
            more = 1;
        } else if ((b & 0xF0) == 0xE0) {
            value = b & 0x0F;
            more = 2;
        } else if ((b & 0xF8) == 0xF0) {
            value = b & 0x07;
            more = 3;
        } else {
            return std::nullopt;
        }
        for (unsigned k = 0; k < more; ++k) {
            if (i == count || (bytes[i] & 0x80) == 0) // only the top bit marks a continuation
                return std::nullopt;
            value = (value << 6) | (bytes[i++] & 0x3F);
        }
        if (more == 2 && value < 0x800)
            return std::nullopt;
        if (more == 3 && (value < 0x10000 || value > 0x10FFFD))
            return std::nullopt;
        out.push_back(value); // surrogate values from three bytes are let in
    }
    return out;
}

inline std::optional<CodePoints> DecodeUtf16(const std::uint16_t* units, std::size_t count)
{
    CodePoints out;
    bool pending = false;
    std::uint32_t high = 0;
    for (std::size_t i = 0; i < count; ++i) {
        std::uint32_t u = units[i];
        if (!pending) {
            if (u >= 0xD800 && u <= 0xDFFF) {
                pending = true;
                high = (u - 0xD800) << 10;
                continue;
            }
            out.push_back(u);
            continue;
        }
        if (u < 0xDC00 || u > 0xDFFF)
            return std::nullopt;
        std::uint32_t value = (high | (u - 0xDC00)) + 0x10000;
        pending = false;
        if (value > 0x10FFFD)
            return std::nullopt;
        out.push_back(value);
    }
    if (pending)
        return std::nullopt;
    return out;
}

inline std::vector<unsigned char> EncodeUtf8(const CodePoints& values)
{
    std::vector<unsigned char> out;
    for (std::uint32_t c : values) {
        if (c <= 0x7F) {
            out.push_back(static_cast<unsigned char>(c));
        } else if (c <= 0x7FF) {
            out.push_back(static_cast<unsigned char>(0xC0 | (c >> 6)));
            out.push_back(static_cast<unsigned char>(0x80 | (c & 0x3F)));
        } else if (c <= 0xFFFF) {
            out.push_back(static_cast<unsigned char>(0xE0 | (c >> 12)));
            out.push_back(static_cast<unsigned char>(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(static_cast<unsigned char>(0x80 | (c & 0x3F)));
        } else if (c <= 0x10FFFF) {
            out.push_back(static_cast<unsigned char>(0xF0 | (c >> 18)));
            out.push_back(static_cast<unsigned char>(0x80 | ((c >> 12) & 0x3F)));
            out.push_back(static_cast<unsigned char>(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(static_cast<unsigned char>(0x80 | (c & 0x3F)));
        }
    }
    return out;
}

// The library writes U+FFFD for a lone surrogate value, which has no UTF-16 form.
inline std::vector<std::uint16_t> EncodeUtf16(const CodePoints& values)
{
    std::vector<std::uint16_t> out;
    for (std::uint32_t c : values) {
        if (c >= 0xD800 && c <= 0xDFFF) {
            out.push_back(0xFFFD);
        } else if (c <= 0xFFFF) {
            out.push_back(static_cast<std::uint16_t>(c));
        } else if (c <= 0x10FFFF) {
            out.push_back(static_cast<std::uint16_t>(0xD800 + ((c - 0x10000) >> 10)));
            out.push_back(static_cast<std::uint16_t>(0xDC00 + (c & 0x3FF)));
        }
    }
    return out;
}

// The elements before the first 0: what a length of -1 takes.
template <typename T>
std::size_t LengthUpToZero(const T* text, std::size_t count)
{
    std::size_t n = 0;
    while (n < count && text[n] != 0)
        ++n;
    return n;
}

} // namespace reference
