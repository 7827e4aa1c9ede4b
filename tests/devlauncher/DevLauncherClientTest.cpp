// A whole session as a game plays it: the client binds the development
// launcher's 22 entry points (linked in natively, found through the fake
// system calls) and the game writes, lists, reads back and removes a save game.

#include "kz/tesmaclient/TesmaClient.h"

#include "FakeSystem.h"
#include "RecordingListener.h"

#include "launcher/EntryPoints.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

// The entry points as Exports.cpp defines them.
namespace kz {
extern "C" {
#define DEVLAUNCHER_DECLARE(field, name, result, parameters) result KzTesmadll##field parameters noexcept;
KZ_LAUNCHER_ENTRY_POINTS(DEVLAUNCHER_DECLARE)
#undef DEVLAUNCHER_DECLARE
}
} // namespace kz

using kz::tesmaclient::SavegameInfo;
using kz::tesmaclient::SavegameReader;
using kz::tesmaclient::SavegameWriter;
using kz::tesmaclient::TesmaClient;
using testsupport::AnswerKind;
using testsupport::Fake;

namespace {

class ByteListener : public kz::tesmaclient::ISavegameReadListener, public kz::tesmaclient::ISavegameWriteListener {
public:
    std::vector<std::vector<unsigned>> Reports;

    bool OnSavegameRead(unsigned id, unsigned a, unsigned b) override { return Report(id, a, b); }
    bool OnSavegameWrite(unsigned id, unsigned a, unsigned b) override { return Report(id, a, b); }

private:
    bool Report(unsigned id, unsigned a, unsigned b)
    {
        Reports.push_back({id, a, b});
        return true;
    }
};

std::u16string Text(const unsigned short* text)
{
    std::u16string result;
    for (; text != nullptr && *text != 0; ++text)
        result.push_back(char16_t(*text));
    return result;
}

TEST(DevLauncherThroughTheClient, GameWritesListsReadsBackAndRemovesASavegame)
{
    char pattern[] = "/tmp/devlauncher-client-XXXXXX";
    ASSERT_NE(nullptr, mkdtemp(pattern));
    const std::string saves = std::string(pattern) + "/saves";
    // Read once, by the first entry-point call below.
    setenv("TESMA_DEVLAUNCHER_SAVES", saves.c_str(), 1);
    testsupport::ResetFake();
    Fake().SetInstallDir(u"C:\\DevLauncher");
#define DEVLAUNCHER_EXPORT(field, name, result, parameters)                                                    \
    Fake().Symbols[name] = reinterpret_cast<kz::SystemCalls::AnyFunction>(&kz::KzTesmadll##field);
    KZ_LAUNCHER_ENTRY_POINTS(DEVLAUNCHER_EXPORT)
#undef DEVLAUNCHER_EXPORT

    TesmaClient client;
    ASSERT_EQ(0u, client.GetInstallationErrorNum());
    testsupport::RecordingListener game;
    ByteListener bytes;
    constexpr unsigned Product = 12;

    const unsigned writeId = client.GetRequestUniqueId();
    client.GetSavegameWriter(writeId, &game, Product, 0, false);
    EXPECT_TRUE(game.Answers.empty()) << "answered before Update";
    client.Update();
    ASSERT_EQ(1u, game.Answers.size());
    EXPECT_EQ(writeId, game.Answers[0].RequestId);
    EXPECT_EQ(1u, game.Answers[0].Values[0]) << "the new save game's id";
    auto* writer = static_cast<SavegameWriter*>(game.Answers[0].Object);
    unsigned short name[] = {'S', 'l', 'o', 't', 0};
    EXPECT_TRUE(writer->SetName(name));
    char data[] = "progress";
    writer->Write(client.GetRequestUniqueId(), &bytes, data, 8);
    writer->Close(true);
    client.Update();
    ASSERT_EQ(1u, bytes.Reports.size());
    EXPECT_EQ(0u, bytes.Reports[0][1]);
    EXPECT_EQ(8u, bytes.Reports[0][2]);
    EXPECT_TRUE(std::filesystem::exists(saves + "/catalog.bin")) << "not in the folder the environment named";

    client.GetSavegameList(client.GetRequestUniqueId(), &game, Product);
    client.Update();
    ASSERT_EQ(AnswerKind::SavegameList, game.Answers.back().Kind);
    ASSERT_EQ(1u, game.Answers.back().Values[0]);
    auto* infos = static_cast<SavegameInfo*>(game.Answers.back().Object);
    EXPECT_EQ(u"Slot", Text(infos[0].GetName()));
    EXPECT_EQ(Product, infos[0].GetProductId());
    EXPECT_EQ(1u, infos[0].GetSavegameId());
    EXPECT_EQ(8u, infos[0].GetSize());

    client.GetSavegameReader(client.GetRequestUniqueId(), &game, Product, infos[0].GetSavegameId());
    client.Update();
    ASSERT_EQ(AnswerKind::SavegameReader, game.Answers.back().Kind);
    EXPECT_EQ(8u, game.Answers.back().Values[0]) << "the save game's size";
    auto* reader = static_cast<SavegameReader*>(game.Answers.back().Object);
    char readBack[9] = {};
    reader->Read(client.GetRequestUniqueId(), &bytes, 0, readBack, 8);
    client.Update();
    reader->Close();
    EXPECT_STREQ("progress", readBack);

    client.RemoveSavegame(client.GetRequestUniqueId(), &game, Product, 1);
    client.GetSavegameList(client.GetRequestUniqueId(), &game, Product);
    client.Update();
    ASSERT_EQ(AnswerKind::RemoveSavegame, game.Answers[game.Answers.size() - 2].Kind);
    EXPECT_EQ(0u, game.Answers[game.Answers.size() - 2].Values[0]);
    EXPECT_EQ(0u, game.Answers.back().Values[0]) << "the removed save game is still listed";

    unsigned short key[] = {'D', 'E', 'V', 'L', 'A', 'U', 'N', 'C', 'H', 'E', 'R', '_', 'N', 'A', 'M', 'E', 0};
    EXPECT_EQ(u"Entwicklungs-Launcher", Text(client.GetLocText(key, "de-DE")));
    std::filesystem::remove_all(pattern);
}

} // namespace
