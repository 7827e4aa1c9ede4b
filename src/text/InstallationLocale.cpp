#include "text/InstallationLocale.h"

#include <cstring>

namespace kz {
namespace text {

namespace {

// Each language has one message, so its entry is also the exact match.
// Norwegian's macrolanguage and Nynorsk read the Bokmål text.
struct LanguageEntry {
    const char* language;
    const char* tag;
};
const LanguageEntry kLanguages[] = {
    {"cs", "cs-CZ"}, {"da", "da-DK"}, {"de", "de-DE"}, {"en", "en-US"}, {"es", "es-ES"},
    {"fi", "fi-FI"}, {"fr", "fr-FR"}, {"hu", "hu-HU"}, {"it", "it-IT"}, {"ja", "ja-JP"},
    {"ko", "ko-KO"}, {"nb", "nb-NO"}, {"no", "nb-NO"}, {"nn", "nb-NO"}, {"nl", "nl-NL"},
    {"pl", "pl-PL"}, {"pt", "pt-PT"}, {"ru", "ru-RU"}, {"sv", "sv-SE"},
};
const char kFallback[] = "en-US";
const char kSimplifiedChinese[] = "zh-CN";
const char kTraditionalChinese[] = "zh-TW";

// Longer than any subtag we compare; longer subtags match nothing.
const unsigned kSubtagCapacity = 9;

struct Subtag {
    char text[kSubtagCapacity] = {};
    unsigned length = 0;
    bool letters = true;
    bool digits = true;

    bool Is(const char* other) const { return std::strcmp(text, other) == 0; }
};

bool IsSeparator(char c)
{
    return c == '-' || c == '_';
}

// A POSIX tag's codeset (".UTF-8") and modifier ("@euro") end it.
bool EndsTag(char c)
{
    return c == 0 || c == '.' || c == '@';
}

// Reads the subtag at *cursor, lowercased, and moves past its separator.
Subtag NextSubtag(const char*& cursor)
{
    Subtag subtag;
    for (; !EndsTag(*cursor) && !IsSeparator(*cursor); ++cursor) {
        char c = *cursor;
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
        subtag.letters = subtag.letters && c >= 'a' && c <= 'z';
        subtag.digits = subtag.digits && c >= '0' && c <= '9';
        if (subtag.length + 1 < kSubtagCapacity)
            subtag.text[subtag.length] = c;
        ++subtag.length;
    }
    if (subtag.length + 1 > kSubtagCapacity)
        subtag.text[0] = 0; // too long to be anything we know
    if (IsSeparator(*cursor))
        ++cursor;
    return subtag;
}

const char* MatchChinese(const Subtag& script, const Subtag& region)
{
    if (script.length != 0)
        return script.Is("hant") ? kTraditionalChinese : kSimplifiedChinese;
    if (region.Is("tw") || region.Is("hk") || region.Is("mo"))
        return kTraditionalChinese;
    return kSimplifiedChinese;
}

} // namespace

const char* MatchInstallationLocale(const char* tag)
{
    if (tag == nullptr)
        return kFallback;
    const char* cursor = tag;
    const Subtag language = NextSubtag(cursor);
    // The first script (four letters) and region (two letters or three digits)
    // count; variants and extensions do not.
    Subtag script;
    Subtag region;
    while (!EndsTag(*cursor)) {
        const Subtag subtag = NextSubtag(cursor);
        if (script.length == 0 && region.length == 0 && subtag.letters && subtag.length == 4)
            script = subtag;
        else if (region.length == 0 && ((subtag.letters && subtag.length == 2) || (subtag.digits && subtag.length == 3)))
            region = subtag;
    }

    if (language.Is("zh"))
        return MatchChinese(script, region);
    for (const LanguageEntry& entry : kLanguages) {
        if (language.Is(entry.language))
            return entry.tag;
    }
    return kFallback;
}

} // namespace text
} // namespace kz
