#include "LocTexts.h"

#include <cstring>
#include <string>
#include <vector>

namespace devlauncher {

namespace {

struct LocText {
    const char* Key;
    const char* Locale;
    const char16_t* Text;
};

const LocText Table[] = {
    {"DEVLAUNCHER_NAME", "en-US", u"Development launcher"},
    {"DEVLAUNCHER_NAME", "de-DE", u"Entwicklungs-Launcher"},
    {"DEVLAUNCHER_NAME", "fr-FR", u"Lanceur de développement"},
    {"DEVLAUNCHER_OFFLINE", "en-US", u"Offline: save games stay on this computer."},
    {"DEVLAUNCHER_OFFLINE", "de-DE", u"Offline: Spielstände bleiben auf diesem Computer."},
    {"DEVLAUNCHER_OFFLINE", "fr-FR", u"Hors ligne : les sauvegardes restent sur cet ordinateur."},
    {"DEVLAUNCHER_SAVED", "en-US", u"Game saved."},
    {"DEVLAUNCHER_SAVED", "de-DE", u"Spiel gespeichert."},
    {"DEVLAUNCHER_SAVED", "fr-FR", u"Partie sauvegardée."},
};
constexpr size_t TableSize = sizeof Table / sizeof Table[0];

// The texts in the launcher's own type, made once: the exported type is
// unsigned short, which a char16_t literal may not be read as.
const std::vector<unsigned short>& Converted(size_t index)
{
    static const std::vector<std::vector<unsigned short>> texts = [] {
        std::vector<std::vector<unsigned short>> all;
        for (const LocText& entry : Table) {
            std::vector<unsigned short> text;
            for (const char16_t* unit = entry.Text; *unit != 0; ++unit)
                text.push_back(static_cast<unsigned short>(*unit));
            text.push_back(0);
            all.push_back(std::move(text));
        }
        return all;
    }();
    return texts[index];
}

bool KeyEquals(const unsigned short* key, const char* ascii)
{
    for (; *ascii != 0; ++key, ++ascii)
        if (*key != static_cast<unsigned char>(*ascii))
            return false;
    return *key == 0;
}

// Index of key in locale, or TableSize.
size_t Find(const unsigned short* key, const std::string& locale, bool languageOnly)
{
    for (size_t i = 0; i < TableSize; ++i) {
        if (!KeyEquals(key, Table[i].Key))
            continue;
        const std::string candidate = Table[i].Locale;
        if (languageOnly ? candidate.compare(0, 2, locale, 0, 2) == 0 : candidate == locale)
            return i;
    }
    return TableSize;
}

} // namespace

const unsigned short* FindLocText(const unsigned short* key, const char* locale)
{
    if (key == nullptr)
        return nullptr;
    const std::string wanted = locale != nullptr ? locale : "";
    size_t found = Find(key, wanted, false);
    if (found == TableSize && wanted.size() >= 2)
        found = Find(key, wanted, true);
    if (found == TableSize)
        found = Find(key, "en-US", false);
    return found == TableSize ? nullptr : Converted(found).data();
}

} // namespace devlauncher
