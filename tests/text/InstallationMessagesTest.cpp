#include "TextTestSupport.h"

#include "text/InstallationErrorString.h"
#include "text/InstallationLocale.h"
#include "text/InstallationMessages.h"

#include <gtest/gtest.h>

#include <fstream>

using kz::text::ComposeInstallationErrorString;
using kz::text::InstallationMessages;

namespace {

const std::string kFirstLine = "Dovrix Game Lancher: \n";

struct Expected {
    std::string tag;
    std::string message;
};

// installation_messages.txt: one "tag<TAB>message" per line in UTF-8, in table
// order, with \r and \n written as those two-character escapes.
std::vector<Expected> ReadExpectedMessages()
{
    std::vector<Expected> messages;
    std::ifstream file(TEXT_TEST_MESSAGES_FILE, std::ios::binary);
    for (std::string line; std::getline(file, line);) {
        std::size_t tab = line.find('\t');
        Expected entry{line.substr(0, tab), ""};
        for (std::size_t i = tab + 1; i < line.size(); ++i) {
            bool escape = line[i] == '\\' && i + 1 < line.size();
            entry.message += !escape ? line[i] : line[++i] == 'r' ? '\r' : line[i] == 'n' ? '\n' : line[i];
        }
        messages.push_back(entry);
    }
    return messages;
}

// A decoder of the test's own for well-formed UTF-8 of the Basic Multilingual
// Plane, so the table is not checked with the code under test.
Units16 Utf8ToUtf16(const std::string& text)
{
    Units16 units;
    for (std::size_t i = 0; i < text.size(); ++i) {
        unsigned int b = static_cast<unsigned char>(text[i]);
        int more = b < 0x80 ? 0 : b < 0xE0 ? 1 : 2;
        unsigned int value = b & (more == 0 ? 0x7F : more == 1 ? 0x1F : 0x0F);
        for (; more > 0; --more)
            value = (value << 6) | (static_cast<unsigned char>(text[++i]) & 0x3F);
        units.push_back(static_cast<unsigned short>(value));
    }
    return units;
}

std::string Compose(unsigned int errorNumber, const char* locale)
{
    return UnicodeString(ComposeInstallationErrorString(errorNumber, locale), -1).ToStdString();
}

bool EndsWith(const std::string& text, const std::string& ending)
{
    return text.size() >= ending.size() && text.compare(text.size() - ending.size(), ending.size(), ending) == 0;
}

} // namespace

TEST(InstallationMessageTable, EqualsExpectedTextsUnitForUnit)
{
    std::vector<Expected> expected = ReadExpectedMessages();
    ASSERT_EQ(19u, expected.size());
    ASSERT_EQ(19u, kz::text::kInstallationMessageCount);
    for (unsigned i = 0; i < 19; ++i) {
        EXPECT_EQ(Utf8ToUtf16(expected[i].tag), Units(InstallationMessages[i].tag)) << expected[i].tag;
        EXPECT_EQ(Utf8ToUtf16(expected[i].message), Units(InstallationMessages[i].message)) << expected[i].tag;
    }
    EXPECT_NE(std::string::npos, expected[11].message.find("funnet.  Pr")); // nb-NO
    EXPECT_TRUE(EndsWith(expected[10].message, ". \r"));                    // ko-KO
}

TEST(InstallationMessageTable, LookupIsExact)
{
    for (const kz::text::InstallationMessage& entry : InstallationMessages)
        EXPECT_EQ(entry.message, kz::text::FindInstallationMessage(entry.tag));
    const unsigned short lower[] = {'e', 'n', '-', 'u', 's', 0};
    const unsigned short longer[] = {'e', 'n', '-', 'U', 'S', ' ', 0};
    EXPECT_EQ(nullptr, kz::text::FindInstallationMessage(lower));
    EXPECT_EQ(nullptr, kz::text::FindInstallationMessage(longer));
}

TEST(InstallationErrorText, NoErrorGivesEmptyTextForAnyLocale)
{
    for (const char* locale : {"en-US", "xx-XX", static_cast<const char*>(nullptr)})
        EXPECT_EQ(0, ComposeInstallationErrorString(0, locale)[0]);
}

TEST(InstallationErrorText, EnglishCarriesTheNumber)
{
    const std::string english = kFirstLine + "There was a problem starting your game, the Dovrix Game Launcher was not found. "
                                             "Please try re-installing the game. Error code is ";
    EXPECT_EQ(english + "1.\r", Compose(1, "en-US"));
    EXPECT_EQ(english + "2.\r", Compose(2, "en-US"));
    EXPECT_EQ(english + "3.\r", Compose(3, "en-US"));
}

TEST(InstallationErrorText, EndingsAroundTheNumber)
{
    EXPECT_TRUE(EndsWith(Compose(3, "pl-PL"), "Kod b\xC5\x82\xC4\x99" "du: 3\r"));
    EXPECT_TRUE(EndsWith(Compose(3, "ja-JP"), " 3 \xE3\x81\xA7\xE3\x81\x99\xE3\x80\x82\r"));
    EXPECT_TRUE(EndsWith(Compose(3, "ko-KO"), " 3\xEC\x9E\x85\xEB\x8B\x88\xEB\x8B\xA4. \r"));
}

TEST(InstallationErrorText, EveryMessageTakesTheNumberOnce)
{
    std::vector<Expected> expected = ReadExpectedMessages();
    ASSERT_EQ(19u, expected.size());
    for (const Expected& entry : expected) {
        std::string text = Compose(2, entry.tag.c_str());
        EXPECT_EQ(std::string::npos, text.find("__REPLACE__")) << entry.tag;
        // No message holds a digit of its own.
        std::size_t digit = text.find_first_of("0123456789");
        EXPECT_EQ('2', text[digit]) << entry.tag;
        EXPECT_EQ(std::string::npos, text.find_first_of("0123456789", digit + 1)) << entry.tag;
        std::string message = entry.message;
        EXPECT_EQ(kFirstLine + message.replace(message.find("__REPLACE__"), 11, "2"), text) << entry.tag;
    }
}

TEST(InstallationErrorText, UnknownMalformedOrNullLocaleGivesFirstLineAlone)
{
    for (const char* tag : {"en-us", "en", "EN-US", "en_US", "en-US ", "ko-KR", "no-NO", "", "en-US\xC3", "\xC0\xA5"})
        EXPECT_EQ(kFirstLine, Compose(2, tag)) << '"' << tag << '"';
    EXPECT_EQ(kFirstLine, Compose(1, nullptr));
}

TEST(InstallationErrorText, LaterCallReplacesEarlierText)
{
    ASSERT_TRUE(EndsWith(Compose(1, "de-DE"), "Fehlercode: 1.\r"));
    std::string french = Compose(1, "fr-FR");
    EXPECT_TRUE(EndsWith(french, "Veuillez essayer de r\xC3\xA9installer le jeu. Code erreur 1.\r"));
    EXPECT_EQ(std::string::npos, french.find("Spiel"));
    EXPECT_EQ(french, Compose(1, "fr-FR"));
    Compose(1, "de-DE");
    EXPECT_EQ(kFirstLine, Compose(1, "xx")); // nothing of the longer text shows past the end
}

TEST(InstallationLocaleMatch, FitsEveryTagToOneTheTableHolds)
{
    const struct {
        const char* tag;
        const char* expected;
    } cases[] = {
        // Case and separator aside, each table tag is itself.
        {"fr-fr", "fr-FR"}, {"JA_jp", "ja-JP"}, {"ko-KO", "ko-KO"}, {"zh_tw", "zh-TW"}, {"ZH-cn", "zh-CN"},
        // The language's listed region, with or without a region or script.
        {"fr-CA", "fr-FR"}, {"fr", "fr-FR"}, {"pt-BR", "pt-PT"}, {"en", "en-US"}, {"en-GB", "en-US"},
        {"en_AU", "en-US"}, {"ko-KR", "ko-KO"}, {"de-AT", "de-DE"}, {"de-CH-1996", "de-DE"}, {"sv-FI", "sv-SE"},
        {"sr-Latn-RS", "en-US"}, {"es-419", "es-ES"}, {"ru-Cyrl-RU", "ru-RU"},
        // Chinese by script, else by region.
        {"zh-Hant", "zh-TW"}, {"zh-HK", "zh-TW"}, {"zh-MO", "zh-TW"}, {"zh_Hant_HK", "zh-TW"}, {"zh", "zh-CN"},
        {"zh-Hans", "zh-CN"}, {"zh-SG", "zh-CN"}, {"zh-Hans-TW", "zh-CN"}, {"zh-Hant-CN", "zh-TW"},
        // Norwegian in all its forms reads Bokmal.
        {"nb", "nb-NO"}, {"no", "nb-NO"}, {"nn", "nb-NO"}, {"nn-NO", "nb-NO"}, {"no_NO", "nb-NO"},
        // POSIX locales as a game on Wine or Linux may hold them.
        {"de_DE.UTF-8", "de-DE"}, {"fr_FR@euro", "fr-FR"}, {"pt_BR.utf8", "pt-PT"},
        // Whole subtags only: a language beginning like a listed one is not it.
        {"fil-PH", "en-US"}, {"frr", "en-US"}, {"nds-DE", "en-US"}, {"e", "en-US"}, {"english", "en-US"},
        {"dede-DE", "en-US"}, {"german-de", "en-US"},
        // Nothing to go by.
        {nullptr, "en-US"}, {"", "en-US"}, {"-", "en-US"}, {"_DE", "en-US"}, {"xx-YY", "en-US"},
        {"C", "en-US"}, {"\xC3\xA9s-ES", "en-US"},
    };
    for (const auto& c : cases) {
        const char* match = kz::text::MatchInstallationLocale(c.tag);
        EXPECT_STREQ(c.expected, match) << (c.tag != nullptr ? c.tag : "(null)");
        EXPECT_NE(nullptr, kz::text::FindInstallationMessage(match)) << match;
    }
    // Every tag of the table, as GetInstallationErrorString takes it.
    for (const kz::text::InstallationMessage& entry : InstallationMessages) {
        std::string tag;
        for (const unsigned short* unit = entry.tag; *unit != 0; ++unit)
            tag.push_back(static_cast<char>(*unit));
        EXPECT_STREQ(tag.c_str(), kz::text::MatchInstallationLocale(tag.c_str()));
    }
}
