// When the launcher library is released and what outlives it, natively: the
// stand-in is linked in, the fake system calls count the releases, and the
// sanitizers see any use of freed memory. The same program builds under
// ThreadSanitizer for the threaded case.

#include "kz/tesmaclient/TesmaClient.h"

#include "FakeSystem.h"
#include "RecordingListener.h"
#include "Standin.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

using kz::tesmaclient::SavegameInfo;
using kz::tesmaclient::SavegameReader;
using kz::tesmaclient::TesmaClient;
using testsupport::Fake;
using testsupport::RecordingListener;

TEST(ClientLifetime, LastClientDestroyedInsideAnInlineAnswerIsReleasedWhenTheRequestReturns)
{
    auto standin = testsupport::InstallFullStandin();
    TesmaClient* client = new TesmaClient;
    RecordingListener game;
    unsigned releasesInside = 99;
    game.OnAnswer = [&](const testsupport::Answer&) {
        delete client;
        releasesInside = Fake().Frees;
    };
    standin->AnswerInside(standin::GetLoginDetails, 1, 2, 3);
    client->GetLoginDetails(7, &game);
    ASSERT_EQ(1u, game.Answers.size());
    EXPECT_EQ(0u, releasesInside) << "the launcher's code was still running";
    EXPECT_EQ(1u, Fake().Frees);
}

TEST(ClientLifetime, AnswersForADestroyedClientAreDroppedWhileAnotherKeepsTheLauncher)
{
    auto standin = testsupport::InstallFullStandin();
    TesmaClient keeper;
    auto gone = std::make_unique<TesmaClient>();
    RecordingListener game;
    gone->GetLoginDetails(1, &game);
    gone->GetSavegameList(2, &game, 0);
    gone.reset();
    EXPECT_EQ(0, standin->Answer(standin::GetLoginDetails, 1));
    EXPECT_EQ(0, standin->Answer(standin::GetSavegameList, 2, 0, 0));
    EXPECT_TRUE(game.Answers.empty());
    EXPECT_EQ(0u, Fake().Frees);
}

TEST(ClientLifetime, SavegameObjectsOfAnEndedBindingStayQuietAfterARebind)
{
    auto standin = testsupport::InstallFullStandin();
    auto client = std::make_unique<TesmaClient>();
    RecordingListener game;
    client->GetSavegameList(1, &game, 0);
    client->GetSavegameReader(2, &game, 0, 0);
    ASSERT_EQ(1, standin->Answer(standin::GetSavegameList, 1, reinterpret_cast<standin::Word>(standin->List()), 2));
    ASSERT_EQ(1, standin->Answer(standin::GetSavegameReader, 2, 0, 0x5000));
    auto* infos = static_cast<SavegameInfo*>(game.Answers[0].Object);
    auto* reader = static_cast<SavegameReader*>(game.Answers[1].Object);
    standin->SetResult(standin::SaveGameInfoGetProductId, 700);
    ASSERT_EQ(700u, infos[1].GetProductId());

    client.reset();
    client = std::make_unique<TesmaClient>();
    ASSERT_EQ(2u, Fake().Loads.size()) << "the new client bound anew";
    const size_t calls = standin->Calls().size();
    EXPECT_EQ(nullptr, infos[0].GetName());
    EXPECT_EQ(0xFFFFFFFFu, infos[1].GetProductId());
    EXPECT_EQ(0xFFFFFFFFu, infos[0].GetSavegameId());
    EXPECT_EQ(0u, infos[1].GetSize());
    char buffer[4];
    reader->Read(3, nullptr, 0, buffer, sizeof buffer);
    reader->Close();
    EXPECT_EQ(calls, standin->Calls().size()) << "nothing reached the launcher";
}

TEST(ClientLifetime, ClientsComingAndGoingOnEightThreadsKeepTheLibraryWhileAnyLives)
{
    auto standin = testsupport::InstallFullStandin();
    static const unsigned short key[] = {'k', 0};
    std::atomic<bool> go{false};
    std::atomic<unsigned> unbound{0};
    std::vector<std::thread> threads;
    for (unsigned t = 0; t < 8; ++t)
        threads.emplace_back([&] {
            while (!go.load())
                std::this_thread::yield();
            for (unsigned i = 0; i < 300; ++i) {
                TesmaClient client;
                // The stand-in answers with a text of its own only while bound.
                if (client.GetInstallationErrorNum() != 0 || client.GetLocText(key, "en-US") == key)
                    ++unbound;
            }
        });
    go.store(true);
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(0u, unbound.load());
    EXPECT_GE(Fake().Frees, 1u);
    EXPECT_EQ(Fake().Loads.size(), Fake().Frees) << "every binding was released after its last client";
}
