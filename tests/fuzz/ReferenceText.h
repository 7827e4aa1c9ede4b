#pragma once

// The text operations over plain vectors of code points, written from their
// rules, for UnicodeTextFuzzer to compare the library's results with.

#include <algorithm>
#include <cstdint>
#include <vector>

namespace reference {

using Text = std::vector<std::uint32_t>;

// An 8-bit character as the text type widens it: as a signed value.
inline std::uint32_t Widen(char c)
{
    return static_cast<std::uint32_t>(static_cast<int>(static_cast<signed char>(c)));
}

inline Text WithoutZeros(Text::const_iterator from, Text::const_iterator to)
{
    Text kept;
    std::copy_if(from, to, std::back_inserter(kept), [](std::uint32_t c) { return c != 0; });
    return kept;
}

inline int Find(const Text& text, const Text& what, unsigned start)
{
    if (what.empty() || what.size() > text.size() || start >= text.size())
        return -1;
    auto found = std::search(text.begin() + start, text.end(), what.begin(), what.end());
    return found == text.end() ? -1 : static_cast<int>(found - text.begin());
}

inline int FindChar(const Text& text, char c, unsigned start)
{
    for (std::size_t i = start; i < text.size(); ++i) {
        if (text[i] == Widen(c))
            return static_cast<int>(i);
    }
    return -1;
}

inline int FindLastChar(const Text& text, char c)
{
    for (std::size_t i = text.size(); i > 0; --i) {
        if (text[i - 1] == Widen(c))
            return static_cast<int>(i - 1);
    }
    return -1;
}

inline Text SubString(const Text& text, unsigned from, unsigned to)
{
    if (from > text.size() || from >= to)
        return Text();
    to = std::min<unsigned>(to, static_cast<unsigned>(text.size()));
    return WithoutZeros(text.begin() + from, text.begin() + to);
}

// One replacement from *position: the kept parts lose their zeros and the
// position moves to the first index after the inserted text.
inline bool Replace(Text& text, const Text& what, const Text& with, int* position)
{
    const long long start = position != nullptr ? *position : 0;
    if (start < 0 || static_cast<unsigned long long>(start) + what.size() > text.size())
        return false;
    const int p = Find(text, what, static_cast<unsigned>(start));
    if (p == -1)
        return false;
    Text next = WithoutZeros(text.begin(), text.begin() + p);
    next.insert(next.end(), with.begin(), with.end());
    const int after = static_cast<int>(next.size());
    const Text rest = WithoutZeros(text.begin() + p + what.size(), text.end());
    next.insert(next.end(), rest.begin(), rest.end());
    text = next;
    if (position != nullptr)
        *position = after;
    return true;
}

// Replace over and over, each search starting right after the text just
// inserted, in the new text.
inline bool ReplaceAll(Text& text, const Text& what, const Text& with)
{
    bool any = false;
    std::size_t start = 0;
    while (!what.empty() && start + what.size() <= text.size()) {
        auto found = std::search(text.begin() + start, text.end(), what.begin(), what.end());
        if (found == text.end())
            break;
        Text next = WithoutZeros(text.begin(), found);
        next.insert(next.end(), with.begin(), with.end());
        start = next.size();
        const Text rest = WithoutZeros(found + what.size(), text.end());
        next.insert(next.end(), rest.begin(), rest.end());
        text = next;
        any = true;
    }
    return any;
}

inline bool IsWhitespace(std::uint32_t c)
{
    static const std::uint32_t spaces[] = {0x0,    0x9,    0xA,    0xB,    0xC,    0xD,    0x20,   0xA0,
                                           0x180E, 0x2000, 0x2001, 0x2002, 0x2003, 0x2004, 0x2005, 0x2006,
                                           0x2007, 0x2008, 0x2009, 0x200A, 0x2028, 0x2029, 0x202F, 0x205F,
                                           0x3000};
    return std::find(std::begin(spaces), std::end(spaces), c) != std::end(spaces);
}

inline Text Trimmed(const Text& text)
{
    auto first = std::find_if_not(text.begin(), text.end(), IsWhitespace);
    if (first == text.end())
        return Text();
    auto last = std::find_if_not(text.rbegin(), text.rend(), IsWhitespace).base();
    return WithoutZeros(first, last);
}

// Split at a character; false, with nothing added, without a separator.
inline bool Split(const Text& text, char separator, std::vector<Text>& pieces)
{
    if (std::find(text.begin(), text.end(), Widen(separator)) == text.end())
        return false;
    auto start = text.begin();
    for (auto it = text.begin(); it != text.end(); ++it) {
        if (*it == Widen(separator)) {
            pieces.push_back(WithoutZeros(start, it));
            start = it + 1;
        }
    }
    pieces.push_back(WithoutZeros(start, text.end()));
    return true;
}

// Split at a text through an accumulator of the non-zero code points.
inline bool Tokenize(const Text& text, const Text& separator, std::vector<Text>& pieces)
{
    Text accumulator;
    auto endsWithSeparator = [&] {
        return separator.size() <= accumulator.size() &&
               std::equal(separator.begin(), separator.end(), accumulator.end() - separator.size());
    };
    for (std::uint32_t c : text) {
        if (c != 0)
            accumulator.push_back(c);
        if (accumulator == separator) {
            accumulator.clear();
        } else if (endsWithSeparator()) {
            pieces.emplace_back(accumulator.begin(), accumulator.end() - separator.size());
            accumulator.clear();
        }
    }
    if (!accumulator.empty() && accumulator != separator)
        pieces.push_back(accumulator);
    return !pieces.empty();
}

inline std::uint64_t ToUInt64(const Text& text)
{
    std::uint64_t value = 0;
    for (std::uint32_t c : Trimmed(text)) {
        if (c < 0x30 || c > 0x39)
            return 0;
        value = value * 10 + (c - 0x30);
    }
    return value;
}

inline std::uint32_t ToUInt32(const Text& text)
{
    const std::uint64_t value = ToUInt64(text);
    return value > 0xFFFFFFFFu ? 0 : static_cast<std::uint32_t>(value);
}

inline std::uint16_t ToUInt16(const Text& text)
{
    const std::uint64_t value = ToUInt64(text);
    return value > 0xFFFF ? 0 : static_cast<std::uint16_t>(value);
}

inline std::int32_t ToInt32(const Text& text)
{
    Text rest = Trimmed(text);
    const bool negative = !rest.empty() && rest[0] == 0x2D;
    if (negative)
        rest.erase(rest.begin());
    const std::uint32_t magnitude = ToUInt32(rest);
    if (magnitude > 0x7FFFFFFF)
        return 0;
    return negative ? -static_cast<std::int32_t>(magnitude) : static_cast<std::int32_t>(magnitude);
}

inline std::uint32_t HexToUInt32(const Text& text)
{
    std::uint32_t value = 0;
    for (std::uint32_t c : Trimmed(text)) {
        std::uint32_t digit;
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

} // namespace reference
