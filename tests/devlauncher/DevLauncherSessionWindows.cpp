// The session's two halves as two game processes under Wine, against the
// development launcher that its own command registered: the second process
// finds the save game the first wrote.

#include "DevLauncherSession.h"
#include "RecordingListener.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <set>

using kz::tesmaclient::SavegameInfo;
using kz::tesmaclient::SavegameWriter;
using kz::tesmaclient::TesmaClient;

TEST(DevLauncherSession, WriteASavegame)
{
    TesmaClient client;
    testsupport::WriteSlot(client);
}

TEST(DevLauncherSession, ReadItBackInANewProcessAndRemoveIt)
{
    TesmaClient client;
    testsupport::ReadSlotBackAndRemoveIt(client);
}

// Run as two processes at once on one emptied folder, as two copies of a game
// in a multiplayer test: each writes a new save game, then waits until it
// lists both.
TEST(DevLauncherSession, TwoGamesWriteNewSavegamesOnOneFolder)
{
    constexpr unsigned Product = testsupport::SessionProduct + 1;
    TesmaClient client;
    ASSERT_EQ(0u, client.GetInstallationErrorNum());
    testsupport::RecordingListener game;
    client.GetSavegameWriter(client.GetRequestUniqueId(), &game, Product, 0, false);
    client.Update();
    ASSERT_EQ(1u, game.Answers.size());
    auto* writer = static_cast<SavegameWriter*>(game.Answers[0].Object);
    ASSERT_NE(nullptr, writer);
    char data[] = "copy";
    writer->Write(client.GetRequestUniqueId(), nullptr, data, 4);
    writer->Close(true);

    std::set<unsigned> ids;
    // The other process may start a minute later where Wine runs under qemu.
    for (int wait = 0; wait < 2400 && ids.size() < 2; ++wait, Sleep(100)) {
        game.Answers.clear();
        client.GetSavegameList(client.GetRequestUniqueId(), &game, Product);
        client.Update();
        ASSERT_EQ(1u, game.Answers.size());
        auto* infos = static_cast<SavegameInfo*>(game.Answers[0].Object);
        ids.clear();
        for (unsigned i = 0; i < game.Answers[0].Values[0]; ++i)
            ids.insert(infos[i].GetSavegameId());
    }
    EXPECT_EQ((std::set<unsigned>{1, 2}), ids);
}
