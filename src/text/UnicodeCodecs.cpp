#include "text/UnicodeCodecs.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace kz {
namespace text {

namespace {

const std::uint64_t kHighBits = 0x8080808080808080ull;

// Elements converted one by one after a block of them failed the fast path.
const std::uint32_t kPlainStretch = 16;

bool IsContinuation(unsigned int b)
{
    return (b & 0x80) != 0; // the top bit alone, by design
}

#if defined(__SSE2__)
// Sixteen values at a time, where the compiler targets SSE2 (always on
// x86-64; the i686 build asks for it, and cmake/check-fast-paths.sh proves
// the shipped DLL holds these loops).

// Lanes holding an unsigned value below limit are all ones.
__m128i Below(__m128i values, unsigned int limit)
{
    const __m128i sign = _mm_set1_epi32(static_cast<int>(0x80000000u));
    return _mm_cmplt_epi32(_mm_xor_si128(values, sign), _mm_set1_epi32(static_cast<int>(limit ^ 0x80000000u)));
}

__m128i Load(const void* p)
{
    return _mm_loadu_si128(static_cast<const __m128i*>(p));
}

void Store(void* p, __m128i v)
{
    _mm_storeu_si128(static_cast<__m128i*>(p), v);
}
#endif

// The fast paths: whole blocks of ASCII (or of UTF-16 units below the
// surrogates) at a time, as long as the output has room. Each returns the
// number of elements taken, possibly 0.

std::uint32_t WidenAscii(const unsigned char* bytes, std::uint32_t count, unsigned int* out)
{
    std::uint32_t i = 0;
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    while (count - i >= 16) {
        const __m128i block = Load(bytes + i);
        if (_mm_movemask_epi8(block) != 0)
            break;
        const __m128i low = _mm_unpacklo_epi8(block, zero);
        const __m128i high = _mm_unpackhi_epi8(block, zero);
        Store(out + i, _mm_unpacklo_epi16(low, zero));
        Store(out + i + 4, _mm_unpackhi_epi16(low, zero));
        Store(out + i + 8, _mm_unpacklo_epi16(high, zero));
        Store(out + i + 12, _mm_unpackhi_epi16(high, zero));
        i += 16;
    }
#endif
    while (count - i >= 8) {
        std::uint64_t word;
        std::memcpy(&word, bytes + i, sizeof word);
        if ((word & kHighBits) != 0)
            break;
        for (unsigned k = 0; k < 8; ++k)
            out[i + k] = bytes[i + k];
        i += 8;
    }
    return i;
}

std::uint32_t NarrowAscii(const unsigned int* values, std::uint32_t count, char* out, std::uint32_t room)
{
    std::uint32_t i = 0;
#if defined(__SSE2__)
    while (count - i >= 16 && room - i >= 16) {
        const __m128i a = Load(values + i);
        const __m128i b = Load(values + i + 4);
        const __m128i c = Load(values + i + 8);
        const __m128i d = Load(values + i + 12);
        if (_mm_movemask_epi8(Below(_mm_or_si128(_mm_or_si128(a, b), _mm_or_si128(c, d)), 0x80)) != 0xFFFF)
            break;
        Store(out + i, _mm_packus_epi16(_mm_packs_epi32(a, b), _mm_packs_epi32(c, d)));
        i += 16;
    }
#endif
    while (count - i >= 4 && room - i >= 4 && (values[i] | values[i + 1] | values[i + 2] | values[i + 3]) <= 0x7F) {
        for (unsigned k = 0; k < 4; ++k)
            out[i + k] = static_cast<char>(values[i + k]);
        i += 4;
    }
    return i;
}

std::uint32_t NarrowBelowSurrogates(const unsigned int* values, std::uint32_t count, unsigned short* out,
                                    std::uint32_t room)
{
    std::uint32_t i = 0;
#if defined(__SSE2__)
    // Values below 0xD800 fit a signed 16-bit lane once 0x8000 is taken off.
    const __m128i half32 = _mm_set1_epi32(0x8000);
    const __m128i half16 = _mm_set1_epi16(static_cast<short>(0x8000));
    while (count - i >= 8 && room - i >= 8) {
        const __m128i a = Load(values + i);
        const __m128i b = Load(values + i + 4);
        if (_mm_movemask_epi8(_mm_and_si128(Below(a, 0xD800), Below(b, 0xD800))) != 0xFFFF)
            break;
        const __m128i packed = _mm_packs_epi32(_mm_sub_epi32(a, half32), _mm_sub_epi32(b, half32));
        Store(out + i, _mm_add_epi16(packed, half16));
        i += 8;
    }
#else
    (void)values;
    (void)count;
    (void)out;
    (void)room;
#endif
    return i;
}

// Decodes the UTF-8 sequence that starts with b = bytes[i] into value and
// moves i past it; false, with i left alone, when it is malformed.
bool DecodeSequence(unsigned int b, const unsigned char* bytes, std::uint32_t count, std::uint32_t& i,
                    unsigned int& value)
{
    if (b <= 0x7F) {
        value = b;
        ++i;
    } else if (b < 0xC2 || b >= 0xF5) {
        return false; // a stray continuation byte, C0, C1, or F5 and above
    } else if (b < 0xE0) {
        if (count - i < 2 || !IsContinuation(bytes[i + 1]))
            return false;
        value = ((b & 0x1F) << 6) | (bytes[i + 1] & 0x3F);
        i += 2;
    } else if (b < 0xF0) {
        if (count - i < 3 || !IsContinuation(bytes[i + 1]) || !IsContinuation(bytes[i + 2]))
            return false;
        value = ((b & 0x0F) << 12) | ((bytes[i + 1] & 0x3F) << 6) | (bytes[i + 2] & 0x3F);
        if (value < 0x800)
            return false;
        i += 3;
    } else {
        if (count - i < 4 || !IsContinuation(bytes[i + 1]) || !IsContinuation(bytes[i + 2]) ||
            !IsContinuation(bytes[i + 3]))
            return false;
        value = ((b & 0x07) << 18) | ((bytes[i + 1] & 0x3F) << 12) | ((bytes[i + 2] & 0x3F) << 6) |
                (bytes[i + 3] & 0x3F);
        if (value < 0x10000 || value > kMaxDecodedCodePoint)
            return false;
        i += 4;
    }
    return true;
}

// The loop of the converters below over input[0, count), i and n being where
// they stand in their input and output. Where the element at i is plain,
// fast(i, n) converts a run of elements at once and returns its length; after
// a block failed the fast path (a run of 0), the next is tried only
// kPlainStretch elements later, so that other scripts do not pay for the
// tries. Every other element e goes through one(e, i, n), which moves i and n
// past it, or returns false to stop there. The callers' lambdas are inlined:
// the loop runs as fast as written out in each.
template <typename Element, typename Plain, typename Fast, typename One>
inline void ConvertInRuns(const Element* input, std::uint32_t count, std::uint32_t& i, std::uint32_t& n, Plain plain,
                          Fast fast, One one)
{
    std::uint32_t plainUntil = 0;
    while (i < count) {
        unsigned int e = input[i];
        if (plain(e) && i >= plainUntil) {
            const std::uint32_t run = fast(i, n);
            i += run;
            n += run;
            if (run == 0)
                plainUntil = i + kPlainStretch;
            if (i == count)
                break;
            e = input[i];
        }
        if (!one(e, i, n))
            break;
    }
}

} // namespace

std::uint32_t DecodeUtf8(const unsigned char* bytes, std::uint32_t count, unsigned int* out)
{
    std::uint32_t i = 0;
    std::uint32_t n = 0;
    ConvertInRuns(
        bytes, count, i, n, [](unsigned int b) { return b <= 0x7F; },
        [&](std::uint32_t at, std::uint32_t to) { return WidenAscii(bytes + at, count - at, out + to); },
        [&](unsigned int b, std::uint32_t& at, std::uint32_t& to) {
            unsigned int value;
            if (!DecodeSequence(b, bytes, count, at, value))
                return false;
            out[to++] = value;
            return true;
        });
    // Only a malformed sequence stops it early.
    return i == count ? n : kMalformedText;
}

std::uint32_t WidenUnitsBelowSurrogates(const unsigned short* units, std::uint32_t count, unsigned int* out)
{
    std::uint32_t i = 0;
#if defined(__SSE2__)
    // Units compared as signed after taking 0x8000 off: below 0xD800 is below 0x5800.
    const __m128i half = _mm_set1_epi16(static_cast<short>(0x8000));
    const __m128i limit = _mm_set1_epi16(0x5800);
    const __m128i zero = _mm_setzero_si128();
    while (count - i >= 8) {
        const __m128i block = Load(units + i);
        if (_mm_movemask_epi8(_mm_cmplt_epi16(_mm_xor_si128(block, half), limit)) != 0xFFFF)
            break;
        Store(out + i, _mm_unpacklo_epi16(block, zero));
        Store(out + i + 4, _mm_unpackhi_epi16(block, zero));
        i += 8;
    }
#endif
    while (i < count && units[i] < 0xD800) {
        out[i] = units[i];
        ++i;
    }
    return i;
}

std::uint32_t EncodeUtf8(const unsigned int* values, std::uint32_t count, char* out, std::uint32_t room,
                         std::uint32_t& taken)
{
    std::uint32_t i = 0;
    std::uint32_t n = 0;
    ConvertInRuns(
        values, count, i, n, [](unsigned int c) { return c <= 0x7F; },
        [&](std::uint32_t at, std::uint32_t to) { return NarrowAscii(values + at, count - at, out + to, room - to); },
        [&](unsigned int c, std::uint32_t& at, std::uint32_t& to) {
            // Values above 0x10FFFF count 1 + 1 + 1 + 1 - 4: nothing.
            const std::uint32_t length = 1 + (c > 0x7F) + (c > 0x7FF) + (c > 0xFFFF) - 4 * (c > kMaxEncodedCodePoint);
            if (room - to < length)
                return false;
            if (c <= 0x7F) {
                out[to++] = static_cast<char>(c);
            } else if (c <= 0x7FF) {
                out[to++] = static_cast<char>(0xC0 | (c >> 6));
                out[to++] = static_cast<char>(0x80 | (c & 0x3F));
            } else if (c <= 0xFFFF) {
                out[to++] = static_cast<char>(0xE0 | (c >> 12));
                out[to++] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
                out[to++] = static_cast<char>(0x80 | (c & 0x3F));
            } else if (c <= kMaxEncodedCodePoint) {
                out[to++] = static_cast<char>(0xF0 | (c >> 18));
                out[to++] = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
                out[to++] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
                out[to++] = static_cast<char>(0x80 | (c & 0x3F));
            }
            ++at;
            return true;
        });
    taken = i;
    return n;
}

std::uint32_t EncodeUtf16(const unsigned int* values, std::uint32_t count, unsigned short* out, std::uint32_t room,
                          std::uint32_t& taken)
{
    std::uint32_t i = 0;
    std::uint32_t n = 0;
    ConvertInRuns(
        values, count, i, n, [](unsigned int) { return true; },
        [&](std::uint32_t at, std::uint32_t to) {
            return NarrowBelowSurrogates(values + at, count - at, out + to, room - to);
        },
        [&](unsigned int c, std::uint32_t& at, std::uint32_t& to) {
            if (c <= 0xFFFF) {
                if (to == room)
                    return false;
                // A lone surrogate value has no UTF-16 form; hand out well-formed text.
                out[to++] = c >= 0xD800 && c <= 0xDFFF ? 0xFFFD : static_cast<unsigned short>(c);
            } else if (c <= kMaxEncodedCodePoint) {
                if (room - to < 2)
                    return false;
                out[to++] = static_cast<unsigned short>(0xD800 + ((c - 0x10000) >> 10));
                out[to++] = static_cast<unsigned short>(0xDC00 + (c & 0x3FF));
            }
            ++at;
            return true;
        });
    taken = i;
    return n;
}

} // namespace text
} // namespace kz
