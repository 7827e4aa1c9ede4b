// A whole session as a game plays it: the client binds the development
// launcher's 22 entry points (linked in natively, found through the fake
// system calls) and the game writes, lists, reads back and removes a save game.

#include "DevLauncherInstalled.h"
#include "DevLauncherSession.h"
#include "FakeSystem.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

using kz::tesmaclient::TesmaClient;
using testsupport::Fake;

namespace {

TEST(DevLauncherThroughTheClient, GameWritesListsReadsBackAndRemovesASavegame)
{
    char pattern[] = "/tmp/devlauncher-client-XXXXXX";
    ASSERT_NE(nullptr, mkdtemp(pattern));
    const std::string saves = std::string(pattern) + "/saves";
    // Read once, by the first entry-point call below.
    setenv("TESMA_DEVLAUNCHER_SAVES", saves.c_str(), 1);
    testsupport::InstallDevLauncher();

    {
        TesmaClient client;
        testsupport::WriteSlot(client);
    }
    EXPECT_TRUE(std::filesystem::exists(saves + "/catalog.bin")) << "not in the folder the environment named";
    {
        TesmaClient client;
        testsupport::ReadSlotBackAndRemoveIt(client);
        unsigned short key[] = {'D', 'E', 'V', 'L', 'A', 'U', 'N', 'C', 'H', 'E', 'R', '_', 'N', 'A', 'M', 'E', 0};
        EXPECT_EQ(u"Entwicklungs-Launcher", testsupport::Utf16(client.GetLocText(key, "de-DE")));
    }
    std::filesystem::remove_all(pattern);
}

} // namespace
