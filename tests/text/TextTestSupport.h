#pragma once

#include "containers/IArray.h"
#include "text/UnicodeString.h"

#include <string>
#include <vector>

using kz::text::UnicodeString;
using Points = std::vector<unsigned int>;
using Units16 = std::vector<unsigned short>;

// HybridArray never runs its elements' destructors and would leak the strings'
// heap blocks, so the pieces of a split go into a vector.
class StringVector : public kz::common::IArray<UnicodeString> {
public:
    void AddRange(const UnicodeString* items, unsigned n) override { m_items.insert(m_items.end(), items, items + n); }
    unsigned Add(const UnicodeString& item) override
    {
        m_items.push_back(item);
        return Count() - 1;
    }
    void RemoveAt(unsigned index) override { m_items.erase(m_items.begin() + index); }
    void RemoveAtUnordered(unsigned index) override { m_items.erase(m_items.begin() + index); }
    void RemoveFirst(unsigned n) override { m_items.erase(m_items.begin(), m_items.begin() + (n < Count() ? n : Count())); }
    UnicodeString PopLast() override
    {
        UnicodeString last = m_items.back();
        m_items.pop_back();
        return last;
    }
    void Clear() override { m_items.clear(); }
    void Truncate(unsigned n) override { m_items.resize(n < Count() ? n : Count()); }
    void Reserve(unsigned capacity) override { m_items.reserve(capacity); }
    unsigned Count() const override { return static_cast<unsigned>(m_items.size()); }
    UnicodeString* Data() override { return m_items.data(); }
    const UnicodeString& At(unsigned index) const override { return m_items.at(index); }
    UnicodeString& At(unsigned index) override { return m_items.at(index); }

    std::vector<std::string> Texts()
    {
        std::vector<std::string> texts;
        for (UnicodeString& item : m_items)
            texts.push_back(item.ToStdString());
        return texts;
    }

private:
    std::vector<UnicodeString> m_items;
};

inline UnicodeString Text(const char* utf8)
{
    return UnicodeString(utf8, -1);
}

inline std::string Utf8Of(UnicodeString text)
{
    return text.ToStdString();
}

inline Points CodePoints(const UnicodeString& text)
{
    Points values;
    for (unsigned i = 0; i < text.GetLength(); ++i)
        values.push_back(text.GetAt(i));
    return values;
}

// The units of a NUL-terminated UTF-16 text, terminator excluded.
inline Units16 Units(const unsigned short* text)
{
    Units16 units;
    while (*text != 0)
        units.push_back(*text++);
    return units;
}
