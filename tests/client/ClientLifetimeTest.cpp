// When the launcher library is released and what outlives it, natively: the
// stand-in is linked in, the fake system calls count the releases, and the
// sanitizers see any use of freed memory. The same program builds under
// ThreadSanitizer for the threaded cases.
//
// The launcher answers here as it does on the game's thread, inside an Update
// or a request, except in the last cases: an answer from outside any call
// stands for one from a thread of the launcher's own, which keeps the library
// loaded for the rest of the process.

#include "kz/tesmaclient/TesmaClient.h"
#include "kz/tesmaclient/tesmaclient_c.h"

#include "FakeSystem.h"
#include "RecordingListener.h"
#include "Standin.h"

#include <gtest/gtest.h>

#include "text/InstallationErrorString.h"

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <thread>
#include <vector>

using kz::tesmaclient::SavegameInfo;
using kz::tesmaclient::SavegameReader;
using kz::tesmaclient::TesmaClient;
using testsupport::AnswerKind;
using testsupport::Fake;
using testsupport::FakeSystem;
using testsupport::RecordingListener;

namespace {

standin::Entry EntryOf(AnswerKind kind)
{
    return standin::Entry(standin::GetLoginDetails + unsigned(kind));
}

// Allocates and frees blocks of many sizes, so that freed memory is handed out
// again before a late answer could reach it.
void ChurnHeap()
{
    std::vector<void*> blocks;
    for (unsigned round = 0; round < 4; ++round)
        for (std::size_t size = 8; size <= 1024; size += 8)
            blocks.push_back(std::malloc(size));
    for (void* block : blocks)
        std::free(block);
}

// The bytes the sanitizer's heap holds for the program; 0 without a
// sanitizer, where the heap's level cannot be read.
extern "C" std::size_t __sanitizer_get_current_allocated_bytes() __attribute__((weak));
std::size_t HeapLevel()
{
    return __sanitizer_get_current_allocated_bytes != nullptr ? __sanitizer_get_current_allocated_bytes() : 0;
}

// The same without what the fake records of each binding.
std::size_t HeapLevelWithoutRecords()
{
    FakeSystem& fake = Fake();
    decltype(fake.KeyOpens)().swap(fake.KeyOpens);
    decltype(fake.Queries)().swap(fake.Queries);
    decltype(fake.Loads)().swap(fake.Loads);
    decltype(fake.Lookups)().swap(fake.Lookups);
    return HeapLevel();
}

// Waits until flag is set by another thread; false after a generous while, so
// that a thread that never gets there fails the case instead of hanging it.
bool AwaitFlag(const std::atomic<bool>& flag)
{
    for (unsigned i = 0; i < 20000 && !flag.load(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return flag.load();
}

} // namespace

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
    EXPECT_EQ(0, standin->AnswerDuringUpdate(keeper, standin::GetLoginDetails, 1));
    EXPECT_EQ(0, standin->AnswerDuringUpdate(keeper, standin::GetSavegameList, 2, 0, 0));
    EXPECT_TRUE(game.Answers.empty());
    EXPECT_EQ(0u, Fake().Frees);
}

// The C interface's adapters: each callback gets its user pointer and hands
// its result to the launcher; those owed to a destroyed C client are freed
// with it (LeakSanitizer) and never reached (AddressSanitizer), also under a
// number that a replaced request left behind.
TEST(ClientLifetime, CCallbacksReturnToTheLauncherAndDieWithTheirClient)
{
    auto standin = testsupport::InstallFullStandin();
    TesmaClient keeper;
    struct Calls {
        unsigned Count = 0;
        int Result = 0;
    } taken, refused, owed;
    taken.Result = 1;
    auto onServer = [](void* user, unsigned int, unsigned int) -> int {
        Calls& calls = *static_cast<Calls*>(user);
        ++calls.Count;
        return calls.Result;
    };
    tesmaclient_client* client = tesmaclient_create();
    tesmaclient_get_tesma_server(client, 1, onServer, &taken, 0, 0);
    tesmaclient_get_tesma_server(client, 2, onServer, &refused, 0, 0);
    EXPECT_EQ(1, standin->AnswerDuringUpdate(keeper, standin::GetTesmaServer, 1));
    EXPECT_EQ(0, standin->AnswerDuringUpdate(keeper, standin::GetTesmaServer, 2));
    EXPECT_EQ(1u, taken.Count);
    EXPECT_EQ(1u, refused.Count);

    tesmaclient_get_tesma_server(client, 3, onServer, &owed, 0, 0);
    tesmaclient_get_tesma_server(client, 3, onServer, &owed, 0, 0);
    tesmaclient_get_tesma_server(client, 4, onServer, &owed, 0, 0);
    tesmaclient_destroy(client);
    ChurnHeap();
    EXPECT_EQ(0, standin->AnswerDuringUpdate(keeper, standin::GetTesmaServer, 3));
    EXPECT_EQ(0, standin->AnswerDuringUpdate(keeper, standin::GetTesmaServer, 4));
    EXPECT_EQ(0u, owed.Count);
}

TEST(ClientLifetime, SavegameObjectsOfAnEndedBindingStayQuietAfterARebind)
{
    auto standin = testsupport::InstallFullStandin();
    auto client = std::make_unique<TesmaClient>();
    RecordingListener game;
    client->GetSavegameList(1, &game, 0);
    client->GetSavegameReader(2, &game, 0, 0);
    ASSERT_EQ(1, standin->AnswerDuringUpdate(*client, standin::GetSavegameList, 1,
                                             reinterpret_cast<standin::Word>(standin->List()), 2));
    ASSERT_EQ(1, standin->AnswerDuringUpdate(*client, standin::GetSavegameReader, 2, 0, 0x5000));
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

TEST(ClientLifetime, AnswersOwedUnderOneNumberReachNoDestroyedClientOfAnyKind)
{
    auto standin = testsupport::InstallFullStandin();
    TesmaClient keeper;
    for (AnswerKind kind : testsupport::AllAnswerKinds) {
        SCOPED_TRACE(int(kind));
        RecordingListener game;
        auto gone = std::make_unique<TesmaClient>();
        // Two requests under one number: the launcher owes two answers.
        testsupport::SendRequest(*gone, kind, 5, &game);
        testsupport::SendRequest(*gone, kind, 5, &game);
        ASSERT_EQ(1, standin->AnswerDuringUpdate(*gone, EntryOf(kind), 5));
        ASSERT_EQ(1u, game.Answers.size());
        gone.reset();
        ChurnHeap();
        EXPECT_EQ(0, standin->AnswerDuringUpdate(keeper, EntryOf(kind), 5));
        EXPECT_EQ(1u, game.Answers.size());
    }
    EXPECT_EQ(0u, Fake().Frees);
}

TEST(ClientLifetime, AnswersOwedWhileAnotherReferenceKeepsTheLibraryStillFindTheClientState)
{
    auto standin = testsupport::InstallFullStandin();
    Fake().HeldElsewhere = true; // as by a game that loaded the launcher library itself
    RecordingListener game;
    auto gone = std::make_unique<TesmaClient>();
    gone->GetLoginDetails(4, &game);
    gone.reset();
    ASSERT_EQ(1u, Fake().Frees);
    ChurnHeap();
    TesmaClient next;
    EXPECT_EQ(0, standin->AnswerDuringUpdate(next, standin::GetLoginDetails, 4));
    EXPECT_TRUE(game.Answers.empty());
}

TEST(ClientLifetime, AClientArrivingWhileTheLibraryIsFreedSleepsUntilItIsGoneThenBindsAnew)
{
    auto standin = testsupport::InstallFullStandin();
    auto last = std::make_unique<TesmaClient>();
    std::atomic<bool> freeing{false}, trying{false};
    // The launcher's detach runs until a thread of the game's tries to create a client.
    Fake().OnRelease = [&] {
        freeing.store(true);
        EXPECT_TRUE(AwaitFlag(trying));
    };
    unsigned freesAtLoad = 99;
    std::thread other([&] {
        ASSERT_TRUE(AwaitFlag(freeing));
        // Read in the load, which must come after the free: another reference
        // to the library being freed would keep it, and the answers owed to it.
        Fake().OnLoad = [&] { freesAtLoad = Fake().Frees; };
        trying.store(true);
        TesmaClient client;
        EXPECT_EQ(0u, client.GetInstallationErrorNum());
    });
    last.reset();
    other.join();
    Fake().OnLoad = nullptr;
    Fake().OnRelease = nullptr;
    EXPECT_EQ(1u, freesAtLoad);
    EXPECT_EQ(2u, Fake().Loads.size()) << "the arriving client bound anew";
    EXPECT_EQ(2u, Fake().Frees);
}

TEST(ClientLifetime, AClientArrivingWhileTheLibraryLoadsSleepsUntilItIsBound)
{
    auto standin = testsupport::InstallFullStandin();
    std::make_unique<TesmaClient>().reset(); // the binding ends: the next client binds anew
    const size_t loads = Fake().Loads.size();
    std::atomic<bool> loading{false}, trying{false};
    Fake().OnLoad = [&] {
        loading.store(true);
        EXPECT_TRUE(AwaitFlag(trying));
    };
    std::thread other([&] {
        ASSERT_TRUE(AwaitFlag(loading));
        trying.store(true);
        TesmaClient client;
        EXPECT_EQ(0u, client.GetInstallationErrorNum());
    });
    {
        TesmaClient first;
        EXPECT_EQ(0u, first.GetInstallationErrorNum());
        other.join();
    }
    Fake().OnLoad = nullptr;
    EXPECT_EQ(loads + 1, Fake().Loads.size()) << "one binding for both clients";
}

TEST(ClientLifetime, MessagesComposedOnFourThreadsAtOnceAreWholeAndStay)
{
    static const char* const locales[] = {"en-US", "de-DE", "ja-JP", "xx-XX"};
    std::vector<const unsigned short*> seen(4 * 3 * 4);
    std::atomic<bool> go{false};
    std::vector<std::thread> threads;
    for (unsigned t = 0; t < 4; ++t)
        threads.emplace_back([&, t] {
            while (!go.load())
                std::this_thread::yield();
            for (unsigned number = 1; number <= 3; ++number)
                for (unsigned l = 0; l < 4; ++l)
                    seen[(t * 3 + number - 1) * 4 + l] = kz::text::ComposeInstallationErrorString(number, locales[l]);
        });
    go.store(true);
    for (std::thread& thread : threads)
        thread.join();
    for (unsigned i = 0; i < seen.size(); ++i) {
        EXPECT_EQ(seen[i % 12], seen[i]) << "every caller gets the one text";
        const std::u16string text(reinterpret_cast<const char16_t*>(seen[i]));
        const std::u16string digit(1, char16_t(u'1' + (i / 4) % 3));
        const std::u16string endings[] = {u"Error code is " + digit + u".\r", u"Fehlercode: " + digit + u".\r",
                                          u" " + digit + u" \u3067\u3059\u3002\r", u"Dovrix Game Lancher: \n"};
        const std::u16string& ending = endings[i % 4];
        EXPECT_EQ(0u, text.find(u"Dovrix Game Lancher: \n")) << i;
        EXPECT_TRUE(text.size() >= ending.size() && text.compare(text.size() - ending.size(), ending.size(), ending) == 0)
            << i;
    }
}

// Answers the launcher does not owe: one never asked, one answered before,
// and one asked of another client. None counts against the client, so what
// it still owes keeps its state while a listener or the game destroys it.
enum class Unowed { NeverAsked, Repeated, AnotherClients };

TEST(ClientLifetime, AnswersNeverAskedChangeNothingForAListenerThatDestroysItsClient)
{
    auto standin = testsupport::InstallFullStandin();
    TesmaClient keeper;
    TesmaClient* client = new TesmaClient;
    RecordingListener game;
    game.OnAnswer = [&](const testsupport::Answer&) { delete client; };
    client->GetLoginDetails(1, &game);
    EXPECT_EQ(0, standin->AnswerDuringUpdate(keeper, standin::GetLoginDetails, 99));
    EXPECT_EQ(1, standin->AnswerDuringUpdate(keeper, standin::GetLoginDetails, 1, 5));
    ASSERT_EQ(1u, game.Answers.size());
    EXPECT_EQ(5u, game.Answers[0].Values[0]);
}

TEST(ClientLifetime, UnowedAnswersLeaveTheAnswerOwedToADestroyedClientItsState)
{
    auto standin = testsupport::InstallFullStandin();
    TesmaClient keeper;
    for (Unowed unowed : {Unowed::NeverAsked, Unowed::Repeated, Unowed::AnotherClients}) {
        SCOPED_TRACE(int(unowed));
        RecordingListener game;
        TesmaClient other;
        other.GetLoginDetails(3, &game);
        auto gone = std::make_unique<TesmaClient>();
        // The stand-in answers the latest listener it was handed: gone's.
        gone->GetLoginDetails(1, &game);
        gone->GetLoginDetails(2, &game);
        ASSERT_EQ(1, standin->AnswerDuringUpdate(keeper, standin::GetLoginDetails, 1));
        const unsigned number = unowed == Unowed::NeverAsked ? 99 : unowed == Unowed::Repeated ? 1 : 3;
        EXPECT_EQ(0, standin->AnswerDuringUpdate(keeper, standin::GetLoginDetails, number));
        gone.reset();
        ChurnHeap();
        EXPECT_EQ(0, standin->AnswerDuringUpdate(keeper, standin::GetLoginDetails, 2));
        EXPECT_EQ(1u, game.Answers.size());
    }

    // The same through the C interface, whose callbacks the answers would reach.
    unsigned heard = 0;
    auto onLogin = [](void* user, unsigned int, unsigned int, unsigned int, unsigned int) -> int {
        ++*static_cast<unsigned*>(user);
        return 1;
    };
    tesmaclient_client* client = tesmaclient_create();
    tesmaclient_get_login_details(client, 1, onLogin, &heard);
    tesmaclient_get_login_details(client, 2, onLogin, &heard);
    ASSERT_EQ(1, standin->AnswerDuringUpdate(keeper, standin::GetLoginDetails, 1));
    EXPECT_EQ(0, standin->AnswerDuringUpdate(keeper, standin::GetLoginDetails, 1));
    tesmaclient_destroy(client);
    ChurnHeap();
    EXPECT_EQ(0, standin->AnswerDuringUpdate(keeper, standin::GetLoginDetails, 2));
    EXPECT_EQ(1u, heard);
}

// Without a session every C request is dropped, and so is its adapter: the
// heap is back at its level after each of them.
TEST(ClientLifetime, CRequestsWithoutASessionKeepNothing)
{
    auto standin = testsupport::InstallFullStandin();
    standin->SetSession(0);
    tesmaclient_client* client = tesmaclient_create();
    auto onServer = [](void*, unsigned int, unsigned int) -> int { return 1; };
    const std::size_t level = HeapLevel();
    for (unsigned i = 0; i < 100000; ++i)
        tesmaclient_get_tesma_server(client, i, onServer, nullptr, 0, 0);
    EXPECT_EQ(level, HeapLevel());
    tesmaclient_destroy(client);
    standin->SetSession(1);
}

// A game that lists every frame and gives each list back holds its memory
// level; readers and writers are given back the same way.
TEST(ClientLifetime, SavegameObjectsGivenBackKeepTheHeapAtItsLevel)
{
    auto standin = testsupport::InstallFullStandin();
    TesmaClient client;
    struct GivingBack : kz::tesmaclient::IGetSavegameListListener,
                        kz::tesmaclient::IGetSavegameReaderListener,
                        kz::tesmaclient::IGetSavegameWriterListener {
        unsigned Lists = 0;
        bool OnGetSavegameList(unsigned, SavegameInfo* savegames, unsigned count) override
        {
            Lists += count != 0 && savegames[count - 1].GetSize() == 0 ? 1 : 0;
            SavegameInfo::ReleaseList(savegames);
            return true;
        }
        bool OnGetSavegameReader(unsigned, unsigned, SavegameReader* reader) override
        {
            SavegameReader::Release(reader);
            return true;
        }
        bool OnGetSavegameWriter(unsigned, unsigned, kz::tesmaclient::SavegameWriter* writer) override
        {
            kz::tesmaclient::SavegameWriter::Release(writer);
            return true;
        }
    } game;
    const auto list = reinterpret_cast<standin::Word>(standin->List());
    const std::size_t level = HeapLevel();
    for (unsigned frame = 0; frame < 20000; ++frame) {
        client.GetSavegameList(7, &game, 0);
        ASSERT_EQ(1, standin->AnswerDuringUpdate(client, standin::GetSavegameList, 7, list, 1 + frame % 3));
    }
    client.GetSavegameReader(8, &game, 0, 0);
    ASSERT_EQ(1, standin->AnswerDuringUpdate(client, standin::GetSavegameReader, 8, 0, 0x5000));
    client.GetSavegameWriter(9, &game, 0, 0, false);
    ASSERT_EQ(1, standin->AnswerDuringUpdate(client, standin::GetSavegameWriter, 9, 0, 0x6000));
    EXPECT_EQ(20000u, game.Lists);
    EXPECT_EQ(level, HeapLevel());
}

// A C read's report reaches its callback with the user pointer; the listener
// of ours a write handed the launcher, whose report never came, goes with
// the library.
TEST(ClientLifetime, CReadAndWriteReportsReachTheirCallbackOrGoWithTheLibrary)
{
    auto standin = testsupport::InstallFullStandin();
    std::make_unique<TesmaClient>().reset();
    const std::size_t before = HeapLevelWithoutRecords();
    auto keeper = std::make_unique<TesmaClient>();
    tesmaclient_client* client = tesmaclient_create();
    void* objects[2] = {};
    auto onReader = [](void* user, unsigned, unsigned, tesmaclient_reader* reader) -> int {
        static_cast<void**>(user)[0] = reader;
        return 1;
    };
    auto onWriter = [](void* user, unsigned, unsigned, tesmaclient_writer* writer) -> int {
        static_cast<void**>(user)[1] = writer;
        return 1;
    };
    tesmaclient_get_savegame_reader(client, 1, onReader, objects, 0, 0);
    ASSERT_EQ(1, standin->AnswerDuringUpdate(*keeper, standin::GetSavegameReader, 1, 0, 0x5000));
    tesmaclient_get_savegame_writer(client, 2, onWriter, objects, 0, 0, 0);
    ASSERT_EQ(1, standin->AnswerDuringUpdate(*keeper, standin::GetSavegameWriter, 2, 0, 0x6000));
    auto* reader = static_cast<tesmaclient_reader*>(objects[0]);
    auto* writer = static_cast<tesmaclient_writer*>(objects[1]);
    ASSERT_TRUE(tesmaclient_reader_is_open(reader) && tesmaclient_writer_is_open(writer));

    unsigned reports[3] = {};
    auto onReport = [](void* user, unsigned id, unsigned a, unsigned b) -> int {
        unsigned* report = static_cast<unsigned*>(user);
        report[0] = id, report[1] = a, report[2] = b;
        return 1;
    };
    char buffer[4];
    EXPECT_EQ(1, tesmaclient_reader_read_with_callback(reader, 3, onReport, reports, 0, buffer, sizeof buffer));
    const standin::Call read = standin->CallAt(standin->CallCount() - 1);
    ASSERT_EQ(standin::SaveGameReaderRead, read.EntryPoint);
    EXPECT_EQ(0x5000u, read.Arguments[0]);
    EXPECT_EQ(reinterpret_cast<standin::Word>(buffer), read.Arguments[4]);
    // The launcher reports to the listener it was handed.
    auto* listener = reinterpret_cast<kz::tesmaclient::ISavegameReadListener*>(read.Arguments[2]);
    EXPECT_TRUE(listener->OnSavegameRead(3, 0, 4));
    EXPECT_EQ(3u, reports[0]);
    EXPECT_EQ(4u, reports[2]);
    EXPECT_EQ(1, tesmaclient_writer_write_with_callback(writer, 5, onReport, reports, buffer, sizeof buffer));
    EXPECT_EQ(standin::SaveGameWriterWrite, standin->CallAt(standin->CallCount() - 1).EntryPoint);

    tesmaclient_reader_release(reader);
    tesmaclient_writer_release(writer);
    tesmaclient_destroy(client);
    keeper.reset();
    EXPECT_EQ(3u, reports[0]) << "the write never reported";
    EXPECT_EQ(before, HeapLevelWithoutRecords());
}

// The last answer owed to a destroyed client arrives while the library is
// being freed, and another reference keeps it loaded: that answer frees the
// client's state, and nothing is kept.
TEST(ClientLifetime, TheLastAnswerOwedDuringAReleaseThatKeepsTheLibraryFreesTheState)
{
    auto standin = testsupport::InstallFullStandin();
    Fake().HeldElsewhere = true;
    RecordingListener game;
    std::make_unique<TesmaClient>().reset();
    const std::size_t before = HeapLevelWithoutRecords();
    auto gone = std::make_unique<TesmaClient>();
    gone->GetLoginDetails(4, &game);
    Fake().OnRelease = [&] { EXPECT_EQ(0, standin->Answer(standin::GetLoginDetails, 4)); };
    gone.reset();
    Fake().OnRelease = nullptr;
    EXPECT_EQ(before, HeapLevelWithoutRecords());
    EXPECT_TRUE(game.Answers.empty());
}

// From here on the library stays loaded: each case either runs in a process
// of its own or leaves the library kept for good.

class ClientLifetimeOnALauncherThread : public ::testing::TestWithParam<AnswerKind> {};

TEST_P(ClientLifetimeOnALauncherThread, AnAnswerThatDestroysTheLastClientKeepsTheLibraryForGood)
{
    // A process of its own: the first such answer keeps the library for good.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            auto standin = testsupport::InstallFullStandin();
            TesmaClient* client = new TesmaClient;
            RecordingListener game;
            unsigned freesInside = 99;
            game.OnAnswer = [&](const testsupport::Answer&) {
                delete client;
                freesInside = Fake().Frees;
            };
            testsupport::SendRequest(*client, GetParam(), 3, &game);
            const bool heard = standin->Answer(EntryOf(GetParam()), 3) == 1;
            // The thread is back in the launcher's code, and nothing says when it leaves.
            const unsigned freesAfter = Fake().Frees;
            TesmaClient next;
            next.Update();
            const bool reused = Fake().Loads.size() == 1;
            std::exit(heard && freesInside == 0 && freesAfter == 0 && reused ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

INSTANTIATE_TEST_SUITE_P(EveryKind, ClientLifetimeOnALauncherThread, ::testing::ValuesIn(testsupport::AllAnswerKinds));

TEST(ClientLifetimeKeptLoaded, TheLastAnswerOwedRacesWithTheClientsDestruction)
{
    auto standin = testsupport::InstallFullStandin();
    TesmaClient keeper;
    for (unsigned round = 0; round < 200; ++round) {
        RecordingListener game;
        auto gone = std::make_unique<TesmaClient>();
        gone->GetLoginDetails(9, &game);
        gone->GetLoginDetails(9, &game);
        std::thread launcher([&] {
            standin->Answer(standin::GetLoginDetails, 9);
            standin->Answer(standin::GetLoginDetails, 9);
        });
        gone.reset();
        launcher.join();
        EXPECT_GE(1u, game.Answers.size());
    }
}

// A thread of the launcher's answers while the game destroys the client on
// its own: the listener that was entered runs to its end before the
// destructor returns, and no listener starts after it.
TEST(ClientLifetimeKeptLoaded, TheDestructorReturnsOnlyAfterItsListenersOnOtherThreads)
{
    auto standin = testsupport::InstallFullStandin();
    TesmaClient keeper;
    for (unsigned round = 0; round < 2000; ++round) {
        // The first rounds hold the listener until the destruction began; the
        // others let the two threads race as they come.
        const bool held = round < 20;
        std::atomic<bool> entered{false}, destroying{false}, returned{false}, lateListener{false};
        RecordingListener game;
        game.OnAnswer = [&](const testsupport::Answer&) {
            lateListener.store(lateListener.load() || returned.load());
            if (!held)
                return;
            entered.store(true);
            EXPECT_TRUE(AwaitFlag(destroying));
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
            lateListener.store(lateListener.load() || returned.load());
        };
        auto client = std::make_unique<TesmaClient>();
        client->GetLoginDetails(1, &game);
        client->GetLoginDetails(2, &game);
        std::thread launcher([&] {
            standin->Answer(standin::GetLoginDetails, 1);
            standin->Answer(standin::GetLoginDetails, 2);
        });
        if (held) {
            EXPECT_TRUE(AwaitFlag(entered));
        }
        destroying.store(true);
        client.reset();
        returned.store(true);
        launcher.join();
        EXPECT_FALSE(lateListener.load()) << "round " << round;
    }
}
