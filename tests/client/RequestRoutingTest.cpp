// Asynchronous requests through the client and the stand-in launcher: what
// reaches the launcher, and which answers reach which game listener. Built
// natively (stand-in linked in, under the sanitizers) and for Windows (the real
// DLL and the stand-in library under Wine).

#include "kz/tesmaclient/TesmaClient.h"

#include "RecordingListener.h"
#include "Standin.h"

#include <gtest/gtest.h>

#include <memory>
#include <set>

using kz::tesmaclient::SavegameInfo;
using kz::tesmaclient::SavegameReader;
using kz::tesmaclient::SavegameWriter;
using kz::tesmaclient::TesmaClient;
using standin::Word;
using testsupport::AnswerKind;
using testsupport::RecordingListener;

namespace {

template <typename T>
Word AsWord(T* pointer)
{
    return reinterpret_cast<Word>(pointer);
}

class Routing : public ::testing::Test {
protected:
    void SetUp() override
    {
        standin = testsupport::InstallFullStandin();
        standin->SetSession(0x5E55);
        client = std::make_unique<TesmaClient>();
        ASSERT_EQ(0u, client->GetInstallationErrorNum());
    }

    void TearDown() override
    {
        client.reset();
        standin.reset();
    }

    // The listener the client handed the launcher with its last request of entry.
    Word LauncherListener(standin::Entry entry)
    {
        auto calls = standin->CallsTo(entry);
        return calls.empty() ? 0 : calls.back().Arguments[2];
    }

    std::unique_ptr<testsupport::Standin> standin;
    std::unique_ptr<TesmaClient> client;
    RecordingListener game;
};

using RequestForwarding = Routing;
using AnswerRouting = Routing;
using SavegameAnswers = Routing;
using SavegameForwards = Routing;

} // namespace

TEST_F(RequestForwarding, EveryRequestPassesSessionNumberOwnListenerAndValues)
{
    client->GetLoginDetails(1, &game);
    client->GetTesmaServer(2, &game, 3, 0xFFFFFFFF);
    client->GetSavegameReader(4, &game, 5, 6);
    client->GetSavegameWriter(7, &game, 8, 9, true);
    client->GetSavegameList(10, &game, 11);
    client->RemoveSavegame(12, &game, 13, 14);
    client->GetNetworkTraffic(0xFFFFFFFF, &game);

    const std::vector<standin::Call> calls = standin->Calls();
    ASSERT_EQ(8u, calls.size());
    const standin::Entry expected[] = {standin::GetLoginDetails, standin::GetTesmaServer,
                                       standin::GetSavegameReader, standin::GetSavegameWriter,
                                       standin::GetSavegameList,  standin::RemoveSavegame,
                                       standin::GetNetworkTraffic};
    const Word numbers[] = {1, 2, 4, 7, 10, 12, 0xFFFFFFFF};
    std::set<Word> launcherListeners;
    for (unsigned i = 0; i < 7; ++i) {
        const standin::Call& call = calls[i + 1];
        EXPECT_EQ(expected[i], call.EntryPoint);
        EXPECT_EQ(0x5E55u, call.Arguments[0]);
        EXPECT_EQ(numbers[i], call.Arguments[1]);
        EXPECT_NE(0u, call.Arguments[2]);
        EXPECT_NE(AsWord(static_cast<kz::tesmaclient::IGetLoginDetailsListener*>(&game)), call.Arguments[2]);
        launcherListeners.insert(call.Arguments[2]);
    }
    EXPECT_EQ(7u, launcherListeners.size()) << "each request kind has a listener of its own";
    EXPECT_EQ(3u, calls[2].Arguments[3]);
    EXPECT_EQ(0xFFFFFFFFu, calls[2].Arguments[4]);
    // The writer's flag comes after its two values.
    EXPECT_EQ(6u, calls[4].ArgumentCount);
    EXPECT_EQ(8u, calls[4].Arguments[3]);
    EXPECT_EQ(9u, calls[4].Arguments[4]);
    EXPECT_EQ(1u, calls[4].Arguments[5]);
    EXPECT_EQ(11u, calls[5].Arguments[3]);
    EXPECT_EQ(13u, calls[6].Arguments[3]);
    EXPECT_EQ(14u, calls[6].Arguments[4]);
    EXPECT_TRUE(game.Answers.empty());
}

TEST_F(RequestForwarding, WithoutSessionNothingIsFiledOrCalled)
{
    client.reset();
    standin->Reset();
    standin->SetSession(0);
    client = std::make_unique<TesmaClient>();
    client->GetLoginDetails(1, &game);
    client->GetSavegameList(2, &game, 3);
    client->GetNetworkTraffic(3, &game);
    ASSERT_EQ(1u, standin->Calls().size());
    EXPECT_EQ(standin::GetSession, standin->Calls()[0].EntryPoint);
    EXPECT_EQ(-1, standin->Answer(standin::GetLoginDetails, 1));
    EXPECT_TRUE(game.Answers.empty());
}

TEST_F(AnswerRouting, AnswersCarryTheirValuesBitForBit)
{
    client->GetLoginDetails(5, &game);
    client->GetNetworkTraffic(6, &game);
    client->GetTesmaServer(7, &game, 0, 0);
    client->RemoveSavegame(8, &game, 0, 0);
    EXPECT_EQ(1, standin->Answer(standin::GetLoginDetails, 5, 0xFFFFFFFF, 0x80000000, 1));
    EXPECT_EQ(1, standin->Answer(standin::GetNetworkTraffic, 6, 10, 20, 30, 0xDEADBEEF));
    game.Result = false;
    EXPECT_EQ(0, standin->Answer(standin::GetTesmaServer, 7, 0x7F000001));
    EXPECT_EQ(0, standin->Answer(standin::RemoveSavegame, 8, 42));

    ASSERT_EQ(4u, game.Answers.size());
    EXPECT_EQ(AnswerKind::LoginDetails, game.Answers[0].Kind);
    EXPECT_EQ(5u, game.Answers[0].RequestId);
    EXPECT_EQ(0xFFFFFFFFu, game.Answers[0].Values[0]);
    EXPECT_EQ(0x80000000u, game.Answers[0].Values[1]);
    EXPECT_EQ(1u, game.Answers[0].Values[2]);
    EXPECT_EQ(AnswerKind::NetworkTraffic, game.Answers[1].Kind);
    const unsigned traffic[] = {10, 20, 30, 0xDEADBEEF};
    EXPECT_TRUE(std::equal(traffic, traffic + 4, game.Answers[1].Values));
    EXPECT_EQ(AnswerKind::TesmaServer, game.Answers[2].Kind);
    EXPECT_EQ(0x7F000001u, game.Answers[2].Values[0]);
    EXPECT_EQ(AnswerKind::RemoveSavegame, game.Answers[3].Kind);
    EXPECT_EQ(42u, game.Answers[3].Values[0]);
}

TEST_F(AnswerRouting, AnswerFromInsideTheRequestReachesTheListener)
{
    standin->AnswerInside(standin::GetTesmaServer, 99);
    client->GetTesmaServer(3, &game, 1, 2);
    ASSERT_EQ(1u, game.Answers.size());
    EXPECT_EQ(3u, game.Answers[0].RequestId);
    EXPECT_EQ(99u, game.Answers[0].Values[0]);
    EXPECT_EQ(0, standin->Answer(standin::GetTesmaServer, 3)) << "answered once already";
}

TEST_F(AnswerRouting, SecondRequestUnderAPendingNumberReplacesTheListener)
{
    RecordingListener first;
    client->GetSavegameList(7, &first, 0);
    client->GetSavegameList(7, &game, 0);
    EXPECT_EQ(1, standin->Answer(standin::GetSavegameList, 7, AsWord(standin->List()), 0));
    EXPECT_EQ(0, standin->Answer(standin::GetSavegameList, 7, AsWord(standin->List()), 0));
    EXPECT_TRUE(first.Answers.empty());
    ASSERT_EQ(1u, game.Answers.size());
}

TEST_F(AnswerRouting, OneNumberPendingInTwoKindsReachesEachListener)
{
    RecordingListener server;
    client->GetLoginDetails(4, &game);
    client->GetTesmaServer(4, &server, 0, 0);
    EXPECT_EQ(1, standin->Answer(standin::GetTesmaServer, 4, 2));
    EXPECT_EQ(1, standin->Answer(standin::GetLoginDetails, 4, 1, 1, 1));
    ASSERT_EQ(1u, server.Answers.size());
    EXPECT_EQ(AnswerKind::TesmaServer, server.Answers[0].Kind);
    ASSERT_EQ(1u, game.Answers.size());
    EXPECT_EQ(AnswerKind::LoginDetails, game.Answers[0].Kind);
}

TEST_F(AnswerRouting, ListenerThatRequestsAgainGetsTheLaterAnswer)
{
    game.OnAnswer = [&](const testsupport::Answer& answer) {
        if (game.Answers.size() == 1)
            client->GetLoginDetails(answer.RequestId, &game);
    };
    client->GetLoginDetails(9, &game);
    EXPECT_EQ(1, standin->Answer(standin::GetLoginDetails, 9, 1));
    EXPECT_EQ(1, standin->Answer(standin::GetLoginDetails, 9, 2));
    EXPECT_EQ(0, standin->Answer(standin::GetLoginDetails, 9, 3));
    ASSERT_EQ(2u, game.Answers.size());
    EXPECT_EQ(1u, game.Answers[0].Values[0]);
    EXPECT_EQ(2u, game.Answers[1].Values[0]);
}

TEST_F(AnswerRouting, UnknownNumberReturnsFalseAndLeavesPendingOnesAlone)
{
    client->GetSavegameReader(1, &game, 0, 0);
    EXPECT_EQ(0, standin->Answer(standin::GetSavegameReader, 2, 0, 0x1234));
    EXPECT_TRUE(game.Answers.empty());
    EXPECT_EQ(1, standin->Answer(standin::GetSavegameReader, 1, 0, 0x1234));
    EXPECT_EQ(1u, game.Answers.size());
}

TEST_F(AnswerRouting, RequestWithoutListenerIsForwardedAndItsAnswerDropped)
{
    client->RemoveSavegame(3, nullptr, 1, 2);
    client->GetSavegameList(4, nullptr, 0);
    EXPECT_EQ(1u, standin->CallsTo(standin::RemoveSavegame).size());
    EXPECT_EQ(0, standin->Answer(standin::RemoveSavegame, 3, 0));
    EXPECT_EQ(0, standin->Answer(standin::GetSavegameList, 4, AsWord(standin->List()), 3));
}

TEST_F(AnswerRouting, PendingRequestsAreDroppedWithTheClient)
{
    client->GetLoginDetails(1, &game);
    const standin::Word own = LauncherListener(standin::GetLoginDetails);
    ASSERT_NE(0u, own);
    client.reset();
    client = std::make_unique<TesmaClient>();
    // The new client knows nothing of the old one's numbers.
    client->GetLoginDetails(2, &game);
    EXPECT_EQ(0, standin->Answer(standin::GetLoginDetails, 1));
    EXPECT_TRUE(game.Answers.empty());
}

TEST_F(SavegameAnswers, ReaderAndWriterWrapTheLauncherHandles)
{
    client->GetSavegameReader(1, &game, 0, 0);
    client->GetSavegameWriter(2, &game, 0, 0, false);
    EXPECT_EQ(1, standin->Answer(standin::GetSavegameReader, 1, 5, 0xAAAA));
    EXPECT_EQ(1, standin->Answer(standin::GetSavegameWriter, 2, 6, 0xBBBB));
    ASSERT_EQ(2u, game.Answers.size());
    EXPECT_EQ(5u, game.Answers[0].Values[0]);
    EXPECT_EQ(6u, game.Answers[1].Values[0]);
    auto* reader = static_cast<SavegameReader*>(game.Answers[0].Object);
    auto* writer = static_cast<SavegameWriter*>(game.Answers[1].Object);
    ASSERT_NE(nullptr, reader);
    ASSERT_NE(nullptr, writer);
    reader->Close();
    writer->Close(true);
    // Opened by the launcher; closing leaves that as it was.
    EXPECT_TRUE(reader->IsOpen());
    EXPECT_TRUE(writer->IsOpen());
    auto closes = standin->CallsTo(standin::SaveGameReaderClose);
    ASSERT_EQ(1u, closes.size());
    EXPECT_EQ(0xAAAAu, closes[0].Arguments[0]);
    auto writerCloses = standin->CallsTo(standin::SaveGameWriterClose);
    ASSERT_EQ(1u, writerCloses.size());
    EXPECT_EQ(0xBBBBu, writerCloses[0].Arguments[0]);
    EXPECT_EQ(1u, writerCloses[0].Arguments[1]);
}

TEST_F(SavegameAnswers, ZeroReaderHandleGivesAnObjectThatDoesNothing)
{
    client->GetSavegameReader(1, &game, 0, 0);
    EXPECT_EQ(1, standin->Answer(standin::GetSavegameReader, 1, 0, 0));
    client->GetSavegameWriter(2, &game, 0, 0, false);
    EXPECT_EQ(1, standin->Answer(standin::GetSavegameWriter, 2, 2, 0));
    ASSERT_EQ(2u, game.Answers.size());
    auto* reader = static_cast<SavegameReader*>(game.Answers[0].Object);
    ASSERT_NE(nullptr, reader);
    // What the game tells a refused open by.
    EXPECT_FALSE(reader->IsOpen());
    EXPECT_FALSE(static_cast<SavegameWriter*>(game.Answers[1].Object)->IsOpen());
    char buffer[4];
    reader->Read(1, nullptr, 2, buffer, 4);
    reader->Close();
    EXPECT_TRUE(standin->CallsTo(standin::SaveGameReaderRead).empty());
    EXPECT_TRUE(standin->CallsTo(standin::SaveGameReaderClose).empty());
}

TEST_F(SavegameAnswers, ListEntriesReferToTheLauncherElementsInPlace)
{
    const unsigned* list = standin->List();
    client->GetSavegameList(3, &game, 0);
    EXPECT_EQ(1, standin->Answer(standin::GetSavegameList, 3, AsWord(list), 3));
    ASSERT_EQ(1u, game.Answers.size());
    EXPECT_EQ(3u, game.Answers[0].Values[0]);
    auto* infos = static_cast<SavegameInfo*>(game.Answers[0].Object);
    ASSERT_NE(nullptr, infos);
    // The array-new block begins with the count: one 32-bit word on the target.
    EXPECT_EQ(3u, reinterpret_cast<const std::size_t*>(infos)[-1]);
    EXPECT_EQ(sizeof(void*), sizeof(SavegameInfo));

    standin->SetResult(standin::SaveGameInfoGetSize, 4096);
    for (unsigned i = 0; i < 3; ++i) {
        infos[i].GetName();
        infos[i].GetProductId();
        infos[i].GetSavegameId();
        EXPECT_EQ(4096u, infos[i].GetSize());
    }
    const standin::Entry entries[] = {standin::SaveGameInfoGetName, standin::SaveGameInfoGetProductId,
                                      standin::SaveGameInfoGetSavegameId, standin::SaveGameInfoGetSize};
    for (standin::Entry entry : entries) {
        auto calls = standin->CallsTo(entry);
        ASSERT_EQ(3u, calls.size());
        EXPECT_EQ(AsWord(list), calls[0].Arguments[0]);
        EXPECT_EQ(AsWord(list) + 4, calls[1].Arguments[0]);
        EXPECT_EQ(AsWord(list) + 8, calls[2].Arguments[0]);
    }
}

TEST_F(SavegameAnswers, EmptyListStillGivesAnObject)
{
    client->GetSavegameList(3, &game, 0);
    EXPECT_EQ(1, standin->Answer(standin::GetSavegameList, 3, AsWord(standin->List()), 0));
    ASSERT_EQ(1u, game.Answers.size());
    EXPECT_NE(nullptr, game.Answers[0].Object);
    EXPECT_EQ(0u, game.Answers[0].Values[0]);
}

TEST_F(SavegameForwards, ArgumentsAndResultsPassUnchanged)
{
    client->GetSavegameReader(1, &game, 0, 0);
    client->GetSavegameWriter(2, &game, 0, 0, false);
    client->GetSavegameList(3, &game, 0);
    standin->Answer(standin::GetSavegameReader, 1, 0, 0x100);
    standin->Answer(standin::GetSavegameWriter, 2, 0, 0x200);
    standin->Answer(standin::GetSavegameList, 3, AsWord(standin->List()), 1);
    ASSERT_EQ(3u, game.Answers.size());
    auto* reader = static_cast<SavegameReader*>(game.Answers[0].Object);
    auto* writer = static_cast<SavegameWriter*>(game.Answers[1].Object);
    auto* info = static_cast<SavegameInfo*>(game.Answers[2].Object);
    auto* readListener = reinterpret_cast<kz::tesmaclient::ISavegameReadListener*>(0x1111);
    auto* writeListener = reinterpret_cast<kz::tesmaclient::ISavegameWriteListener*>(0x2222);
    char buffer[16];
    unsigned short name[] = {'n', 0};

    reader->Close();
    reader->Read(21, readListener, 22, buffer, 23);
    standin->SetResult(standin::SaveGameWriterSetName, 0);
    EXPECT_FALSE(writer->SetName(name));
    standin->SetResult(standin::SaveGameWriterSetName, 1);
    EXPECT_TRUE(writer->SetName(name));
    writer->Write(31, writeListener, buffer, 32);
    writer->Close(false);
    static const unsigned short launcherName[] = {'x', 0};
    standin->SetResult(standin::SaveGameInfoGetName, AsWord(launcherName));
    standin->SetResult(standin::SaveGameInfoGetProductId, 0xFFFFFFFE);
    standin->SetResult(standin::SaveGameInfoGetSavegameId, 77);
    EXPECT_EQ(launcherName, info->GetName());
    EXPECT_EQ(0xFFFFFFFEu, info->GetProductId());
    EXPECT_EQ(77u, info->GetSavegameId());

    auto read = standin->CallsTo(standin::SaveGameReaderRead);
    ASSERT_EQ(1u, read.size());
    const Word readArgs[] = {0x100, 21, 0x1111, 22, AsWord(buffer), 23};
    EXPECT_TRUE(std::equal(readArgs, readArgs + 6, read[0].Arguments)) << "Read after Close keeps the handle";
    auto setName = standin->CallsTo(standin::SaveGameWriterSetName);
    ASSERT_EQ(2u, setName.size());
    EXPECT_EQ(0x200u, setName[1].Arguments[0]);
    EXPECT_EQ(AsWord(name), setName[1].Arguments[1]);
    auto write = standin->CallsTo(standin::SaveGameWriterWrite);
    ASSERT_EQ(1u, write.size());
    const Word writeArgs[] = {0x200, 31, 0x2222, AsWord(buffer), 32};
    EXPECT_TRUE(std::equal(writeArgs, writeArgs + 5, write[0].Arguments));
    auto close = standin->CallsTo(standin::SaveGameWriterClose);
    ASSERT_EQ(1u, close.size());
    EXPECT_EQ(0u, close[0].Arguments[1]);
}
