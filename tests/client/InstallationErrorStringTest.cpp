// The installation message through the DLL under Wine. Each suite runs in a
// process of its own: a binding that loaded nothing lasts for its process, so
// the library is found and released before the last case's binding fails.

#include "kz/tesmaclient/TesmaClient.h"

#include "WindowsTestSupport.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

using kz::tesmaclient::TesmaClient;
using namespace testsupport;

namespace {

const std::u16string FirstLine = u"Dovrix Game Lancher: \n";

const char* const Tags[] = {"cs-CZ", "da-DK", "de-DE", "en-US", "es-ES", "fi-FI", "fr-FR", "hu-HU", "it-IT", "ja-JP",
                            "ko-KO", "nb-NO", "nl-NL", "pl-PL", "pt-PT", "ru-RU", "sv-SE", "zh-CN", "zh-TW"};

std::u16string Message(TesmaClient& client, const char* locale)
{
    const unsigned short* text = client.GetInstallationErrorString(locale);
    std::u16string result;
    for (; *text != 0; ++text)
        result.push_back(char16_t(*text));
    return result;
}

bool EndsWith(const std::u16string& text, const std::u16string& end)
{
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

} // namespace

TEST(InstallationErrorString, BoundLauncherGivesTheEmptyTextForAnyLocale)
{
    SetInstallDir(LauncherDirectory(L"launcher-full"));
    TesmaClient client;
    ASSERT_EQ(0u, client.GetInstallationErrorNum());
    for (const char* locale : {"en-US", "xx-XX", static_cast<const char*>(nullptr)}) {
        const unsigned short* text = client.GetInstallationErrorString(locale);
        ASSERT_NE(nullptr, text);
        EXPECT_EQ(0, text[0]);
    }
}

TEST(InstallationErrorString, IncompleteLauncherSaysErrorThree)
{
    SetInstallDir(LauncherDirectory(L"launcher-incomplete"));
    TesmaClient client;
    ASSERT_EQ(3u, client.GetInstallationErrorNum());
    EXPECT_TRUE(EndsWith(Message(client, "en-US"), u"Error code is 3.\r"));
    EXPECT_TRUE(EndsWith(Message(client, "pl-PL"), u"Kod b\u0142\u0119du: 3\r"));
    EXPECT_TRUE(EndsWith(Message(client, "ja-JP"), u"\u30a8\u30e9\u30fc\u30b3\u30fc\u30c9\u306f 3 \u3067\u3059\u3002\r"));
    EXPECT_TRUE(EndsWith(Message(client, "ko-KO"), u"3\uc785\ub2c8\ub2e4. \r"));
}

TEST(InstallationErrorString, UnloadableLauncherSaysErrorTwo)
{
    SetInstallDir(LauncherDirectory(L"launcher-empty"));
    TesmaClient client;
    ASSERT_EQ(2u, client.GetInstallationErrorNum());
    EXPECT_TRUE(EndsWith(Message(client, "en-US"), u"Error code is 2.\r"));
}

TEST(InstallationErrorStringWithoutLauncher, MissingLauncherSaysErrorOne)
{
    RemoveLauncherKey();
    TesmaClient client;
    ASSERT_EQ(1u, client.GetInstallationErrorNum());
    EXPECT_EQ(FirstLine + u"There was a problem starting your game, the Dovrix Game Launcher was not found. Please "
                          u"try re-installing the game. Error code is 1.\r",
              Message(client, "en-US"));
}

TEST(InstallationErrorStringWithoutLauncher, EveryTagHasAMessageOfItsOwn)
{
    RemoveLauncherKey();
    TesmaClient client;
    std::set<std::u16string> messages;
    for (const char* tag : Tags) {
        const std::u16string text = Message(client, tag);
        SCOPED_TRACE(tag);
        EXPECT_EQ(0u, text.find(FirstLine));
        EXPECT_GT(text.size(), FirstLine.size() + 20);
        EXPECT_EQ(std::u16string::npos, text.find(u"__REPLACE__"));
        EXPECT_EQ(text.find(u'1'), text.rfind(u'1'));
        EXPECT_NE(std::u16string::npos, text.find(u'1'));
        EXPECT_TRUE(EndsWith(text, u"\r"));
        messages.insert(text);
    }
    EXPECT_EQ(19u, messages.size());
}

TEST(InstallationErrorStringWithoutLauncher, OtherTagsGiveTheFirstLineAlone)
{
    RemoveLauncherKey();
    TesmaClient client;
    for (const char* tag : {"en-us", "en", "EN-US", "en_US", "en-US ", "ko-KR", "no-NO", "", "\xC3\x28",
                            static_cast<const char*>(nullptr)})
        EXPECT_EQ(FirstLine, Message(client, tag)) << (tag != nullptr ? tag : "(null)");
}

TEST(InstallationErrorStringWithoutLauncher, EachCallReplacesTheLastText)
{
    RemoveLauncherKey();
    TesmaClient client;
    const std::u16string german = Message(client, "de-DE");
    EXPECT_TRUE(EndsWith(german, u"Fehlercode: 1.\r"));
    const std::u16string french = Message(client, "fr-FR");
    EXPECT_EQ(FirstLine + u"Un probl\u00e8me est survenu lors du lancement de votre jeu. Le lanceur Dovrix n'a pas "
                          u"pu \u00eatre trouv\u00e9. Veuillez essayer de r\u00e9installer le jeu. Code erreur 1.\r",
              french);
    EXPECT_EQ(french, Message(client, "fr-FR"));
}
