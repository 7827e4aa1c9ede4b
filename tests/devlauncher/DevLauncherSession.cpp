#include "DevLauncherSession.h"

#include "RecordingListener.h"

#include <gtest/gtest.h>

#include <vector>

using kz::tesmaclient::SavegameInfo;
using kz::tesmaclient::SavegameReader;
using kz::tesmaclient::SavegameWriter;
using kz::tesmaclient::TesmaClient;

namespace testsupport {

namespace {

class ByteListener : public kz::tesmaclient::ISavegameReadListener, public kz::tesmaclient::ISavegameWriteListener {
public:
    // requestId, status, bytes.
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

} // namespace

std::u16string Utf16(const unsigned short* text)
{
    std::u16string result;
    for (; text != nullptr && *text != 0; ++text)
        result.push_back(char16_t(*text));
    return result;
}

void WriteSlot(TesmaClient& client)
{
    ASSERT_EQ(0u, client.GetInstallationErrorNum());
    RecordingListener game;
    ByteListener bytes;
    const unsigned writeId = client.GetRequestUniqueId();
    client.GetSavegameWriter(writeId, &game, SessionProduct, 0, false);
    EXPECT_TRUE(game.Answers.empty()) << "answered before Update";
    client.Update();
    ASSERT_EQ(1u, game.Answers.size());
    EXPECT_EQ(writeId, game.Answers[0].RequestId);
    EXPECT_EQ(1u, game.Answers[0].Values[0]) << "the new save game's id";
    auto* writer = static_cast<SavegameWriter*>(game.Answers[0].Object);
    unsigned short name[] = {'S', 'l', 'o', 't', 0};
    EXPECT_TRUE(writer->SetName(name));
    char data[] = "progress";
    const unsigned dataId = client.GetRequestUniqueId();
    writer->Write(dataId, &bytes, data, 8);
    writer->Close(true);
    EXPECT_TRUE(bytes.Reports.empty()) << "answered before Update";
    client.Update();
    EXPECT_EQ((std::vector<std::vector<unsigned>>{{dataId, 0, 8}}), bytes.Reports);
}

void ReadSlotBackAndRemoveIt(TesmaClient& client)
{
    ASSERT_EQ(0u, client.GetInstallationErrorNum());
    RecordingListener game;
    ByteListener bytes;
    client.GetSavegameList(client.GetRequestUniqueId(), &game, SessionProduct);
    client.Update();
    ASSERT_EQ(1u, game.Answers.size());
    ASSERT_EQ(1u, game.Answers[0].Values[0]);
    auto* infos = static_cast<SavegameInfo*>(game.Answers[0].Object);
    EXPECT_EQ(u"Slot", Utf16(infos[0].GetName()));
    EXPECT_EQ(SessionProduct, infos[0].GetProductId());
    EXPECT_EQ(1u, infos[0].GetSavegameId());
    EXPECT_EQ(8u, infos[0].GetSize());

    client.GetSavegameReader(client.GetRequestUniqueId(), &game, SessionProduct, infos[0].GetSavegameId());
    client.Update();
    ASSERT_EQ(2u, game.Answers.size());
    EXPECT_EQ(8u, game.Answers[1].Values[0]) << "the save game's size";
    auto* reader = static_cast<SavegameReader*>(game.Answers[1].Object);
    char readBack[9] = {};
    reader->Read(client.GetRequestUniqueId(), &bytes, 0, readBack, 8);
    client.Update();
    reader->Close();
    EXPECT_STREQ("progress", readBack);

    client.RemoveSavegame(client.GetRequestUniqueId(), &game, SessionProduct, 1);
    client.GetSavegameList(client.GetRequestUniqueId(), &game, SessionProduct);
    client.Update();
    ASSERT_EQ(4u, game.Answers.size());
    EXPECT_EQ(0u, game.Answers[2].Values[0]) << "not removed";
    EXPECT_EQ(0u, game.Answers[3].Values[0]) << "the removed save game is still listed";
}

} // namespace testsupport
