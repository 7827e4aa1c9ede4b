// When the launcher library goes and what outlives it, seen from the game.

#include "MsvcGame.h"

namespace {

using namespace msvcgame;

void ChurnHeap();

// Destroys the client it was given from inside the answer, and notes whether
// the launcher library was still loaded at that moment.
struct DestroyingListener : IGetNetworkTrafficListener {
    TesmaClient* Victim = nullptr;
    const wchar_t* LibraryPath = nullptr;
    bool Called = false;
    bool LoadedInside = false;

    bool OnGetNetworkTraffic(unsigned, unsigned, unsigned, unsigned, unsigned) override
    {
        Called = true;
        delete Victim;
        ChurnHeap();
        LoadedInside = GetModuleHandleW(LibraryPath) != nullptr;
        return true;
    }
};

void CheckReleaseInsideAnAnswer(const wchar_t* libraryPath)
{
    DestroyingListener listener;
    listener.Victim = new TesmaClient;
    listener.LibraryPath = libraryPath;
    Standin standin;
    GAME_CHECK(standin.Bind(libraryPath));
    if (standin.Module == nullptr)
        return;
    standin.AnswerInside(standin::GetNetworkTraffic, 1, 2, 3, 4);
    listener.Victim->GetNetworkTraffic(9, &listener);
    GAME_CHECK(listener.Called && listener.LoadedInside);
    // Released once the request returned out of the launcher's code.
    GAME_CHECK(GetModuleHandleW(libraryPath) == nullptr);
}

// Fills freed blocks of many sizes with a pattern no object holds, as the
// game's own allocations would, so that a late answer into freed client state
// meets garbage instead of what the client left there.
void ChurnHeap()
{
    void* blocks[256];
    unsigned count = 0;
    for (unsigned size = 8; size <= 2048; size += 8) {
        blocks[count] = malloc(size);
        memset(blocks[count], 0xCC, size);
        ++count;
    }
    for (unsigned i = 0; i < count; ++i)
        free(blocks[i]);
}

// Two requests under one number leave the launcher owing two answers. The
// second comes after the game destroyed the client, while another client
// keeps the launcher loaded. Answers not owed count for nothing.
void CheckAnswersOwedToADestroyedClient(const wchar_t* libraryPath)
{
    TesmaClient keeper;
    Standin standin;
    GAME_CHECK(standin.Bind(libraryPath));
    if (standin.Module == nullptr)
        return;
    GameListener game;
    TesmaClient* gone = new TesmaClient;
    gone->GetLoginDetails(5, &game);
    gone->GetLoginDetails(5, &game);
    standin.Via = gone;
    GAME_CHECK(standin.Answer(standin::GetLoginDetails, 5, 1, 2, 3, 0) == 1 && game.Calls == 1);
    delete gone;
    ChurnHeap();
    standin.Via = &keeper;
    GAME_CHECK(standin.Answer(standin::GetLoginDetails, 5, 1, 2, 3, 0) == 0 && game.Calls == 1);

    // An answer under a number never asked changes nothing for a client: the
    // real answer after it still finds the client's state, and its listener
    // may destroy the client.
    DestroyingListener listener;
    listener.Victim = new TesmaClient;
    listener.LibraryPath = libraryPath;
    listener.Victim->GetNetworkTraffic(1, &listener);
    GAME_CHECK(standin.Answer(standin::GetNetworkTraffic, 99, 1, 2, 3, 4) == 0 && !listener.Called);
    GAME_CHECK(standin.Answer(standin::GetNetworkTraffic, 1, 1, 2, 3, 4) == 1 && listener.Called);
    GAME_CHECK(listener.LoadedInside);
}

void CheckSavegamesAfterARebind(const wchar_t* libraryPath)
{
    TesmaClient* client = new TesmaClient;
    Standin standin;
    GAME_CHECK(standin.Bind(libraryPath));
    if (standin.Module == nullptr)
        return;
    standin.Via = client;
    GameListener game;
    client->GetSavegameList(1, &game, 0);
    GAME_CHECK(standin.Answer(standin::GetSavegameList, 1, Word(standin.List()), 2, 0, 0) == 1);
    SavegameInfo* infos = static_cast<SavegameInfo*>(game.Object);
    client->GetSavegameReader(2, &game, 0, 0);
    GAME_CHECK(standin.Answer(standin::GetSavegameReader, 2, 0, 0x5000, 0, 0) == 1);
    SavegameReader* reader = static_cast<SavegameReader*>(game.Object);
    client->GetSavegameWriter(3, &game, 0, 0, false);
    GAME_CHECK(standin.Answer(standin::GetSavegameWriter, 3, 0, 0x6000, 0, 0) == 1);
    SavegameWriter* writer = static_cast<SavegameWriter*>(game.Object);
    GAME_CHECK(reader->IsOpen() && writer->IsOpen());
    delete client;
    GAME_CHECK(GetModuleHandleW(libraryPath) == nullptr);

    // A new client loads the launcher again; the old objects reach none of it.
    client = new TesmaClient;
    GAME_CHECK(standin.Bind(libraryPath));
    if (standin.Module == nullptr)
        return;
    const unsigned calls = standin.CallCount();
    unsigned short name[] = {'n', 0};
    char buffer[4];
    GAME_CHECK(infos[0].GetName() == nullptr && infos[1].GetProductId() == 0xFFFFFFFF);
    GAME_CHECK(infos[0].GetSavegameId() == 0xFFFFFFFF && infos[1].GetSize() == 0);
    GAME_CHECK(!reader->IsOpen() && !writer->IsOpen());
    reader->Read(4, nullptr, 0, buffer, sizeof buffer);
    reader->Close();
    GAME_CHECK(!writer->SetName(name));
    writer->Write(5, nullptr, buffer, sizeof buffer);
    writer->Close(true);
    GAME_CHECK(standin.CallCount() == calls);
    delete client;
}

struct ThreadWork {
    unsigned Unbound = 0;
};

unsigned long __stdcall ComeAndGo(void* parameter)
{
    ThreadWork& work = *static_cast<ThreadWork*>(parameter);
    static const unsigned short key[] = {'k', 0};
    for (unsigned i = 0; i < 40; ++i) {
        TesmaClient client;
        // The stand-in answers with a text of its own only while bound.
        if (client.GetInstallationErrorNum() != 0 || client.GetLocText(key, "en-US") == key)
            ++work.Unbound;
    }
    return 0;
}

} // namespace

void msvcgame::CheckClientsOnEightThreads(const wchar_t* libraryPath)
{
    ThreadWork work[8];
    void* threads[8];
    for (unsigned i = 0; i < 8; ++i)
        threads[i] = CreateThread(nullptr, 0, ComeAndGo, &work[i], 0, nullptr);
    GAME_CHECK(WaitForMultipleObjects(8, threads, 1, 300000) == 0);
    for (unsigned i = 0; i < 8; ++i) {
        GAME_CHECK(work[i].Unbound == 0);
        CloseHandle(threads[i]);
    }
    GAME_CHECK(GetModuleHandleW(libraryPath) == nullptr);
}

void msvcgame::CheckLifetime(const wchar_t* libraryPath)
{
    game::Section("release inside an answer");
    CheckReleaseInsideAnAnswer(libraryPath);
    game::Section("answers owed to a destroyed client, and answers not owed");
    CheckAnswersOwedToADestroyedClient(libraryPath);
    game::Section("save games after a rebind");
    CheckSavegamesAfterARebind(libraryPath);
}
