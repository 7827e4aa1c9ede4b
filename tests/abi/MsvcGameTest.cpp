// A game as MSVC builds one: it places clients itself, calls every exported
// member through the import library, implements the listeners, and checks what
// the stand-in launcher (itself built in MSVC mode, as the real one is)
// received and returned.

#include "MsvcGame.h"

#include "kz/tesmaclient/Diagnostics.h"

using namespace msvcgame;

// The game's own operator new, in place of the runtime's: the last block handed
// out is remembered, to compare with the object a constructor gives back.
namespace {
void* g_lastBlock = nullptr;
}

void* operator new(decltype(sizeof(0)) size)
{
    g_lastBlock = malloc(size != 0 ? size : 1);
    return g_lastBlock;
}

namespace {

// A game keeps clients as members of its own objects, too.
struct GameServices {
    int Before = 0x11111111;
    TesmaClient Client;
    int After = 0x22222222;
};

void CheckSynchronousForwards(TesmaClient& client, const wchar_t* libraryPath)
{
    GAME_CHECK(client.GetInstallationErrorNum() == 0);

    Standin standin;
    GAME_CHECK(standin.Bind(libraryPath));
    if (standin.Module == nullptr)
        return;
    GAME_CHECK(standin.CallCount() == 1 && standin.GetCall(0)->EntryPoint == standin::GetSession);

    client.Update();
    GAME_CHECK(standin.Last()->EntryPoint == standin::Update);
    GAME_CHECK(standin.Last()->Arguments[0] == standin::DefaultSession);

    GAME_CHECK(client.GetRequestUniqueId() == standin::FirstUniqueId);
    GAME_CHECK(client.GetRequestUniqueId() == standin::FirstUniqueId + 1);

    const char* c = "exe";
    const char* d = "args";
    standin.SetResult(standin::StartLauncher, 1);
    GAME_CHECK(client.StartLauncher(3, 0x80000000u, c, d));
    const standin::Call* launch = standin.Last();
    GAME_CHECK(launch->EntryPoint == standin::StartLauncher && launch->Arguments[1] == 3 &&
               launch->Arguments[2] == 0x80000000u && launch->Arguments[3] == Word(c) &&
               launch->Arguments[4] == Word(d));
    standin.SetResult(standin::StartLauncher, 0);
    GAME_CHECK(!client.StartLauncher(0, 0, d, c));

    unsigned short a[] = {'a', 0}, b[] = {'b', 0}, e[] = {'e', 0};
    client.StartProcess(a, b, e);
    const standin::Call* process = standin.Last();
    GAME_CHECK(process->EntryPoint == standin::StartProcess && process->Arguments[1] == Word(a) &&
               process->Arguments[2] == Word(b) && process->Arguments[3] == Word(e));

    static const unsigned short text[] = {'T', 0};
    standin.SetResult(standin::GetLocText, Word(text));
    GAME_CHECK(client.GetLocText(a, "de-DE") == text);
}

void CheckRequestsAndAnswers(TesmaClient& client, const wchar_t* libraryPath)
{
    Standin standin;
    GAME_CHECK(standin.Bind(libraryPath));
    if (standin.Module == nullptr)
        return;
    standin.Via = &client;
    GameListener game;

    // Each request reaches the launcher with the session, the number and the
    // client's own listener; each answer comes back through MSVC-built code.
    client.GetLoginDetails(1, &game);
    GAME_CHECK(standin.Last()->EntryPoint == standin::GetLoginDetails && standin.Last()->Arguments[1] == 1);
    GAME_CHECK(standin.Answer(standin::GetLoginDetails, 1, 11, 12, 0xFFFFFFFF, 0) == 1);
    GAME_CHECK(game.Calls == 1 && game.RequestId == 1 && game.Values[0] == 11 && game.Values[1] == 12 &&
               game.Values[2] == 0xFFFFFFFF);

    client.GetTesmaServer(2, &game, 21, 22);
    const standin::Word server[] = {standin::DefaultSession, 2, standin.Last()->Arguments[2], 21, 22};
    GAME_CHECK(ArgumentsAre(standin.Last(), standin::GetTesmaServer, 5, server));
    game.Result = false;
    GAME_CHECK(standin.Answer(standin::GetTesmaServer, 2, 0x0A000001, 0, 0, 0) == 0);
    GAME_CHECK(game.Calls == 2 && game.Values[0] == 0x0A000001);
    game.Result = true;

    client.RemoveSavegame(3, &game, 31, 32);
    GAME_CHECK(standin.Answer(standin::RemoveSavegame, 3, 1, 0, 0, 0) == 1);
    GAME_CHECK(game.Calls == 3 && game.RequestId == 3);

    standin.AnswerInside(standin::GetNetworkTraffic, 41, 42, 43, 44);
    client.GetNetworkTraffic(4, &game);
    GAME_CHECK(game.Calls == 4 && game.RequestId == 4 && game.Values[0] == 41 && game.Values[3] == 44);
    GAME_CHECK(standin.Answer(standin::GetNetworkTraffic, 4, 0, 0, 0, 0) == 0);

    // Reader and writer: the game forwards through the objects it was given.
    client.GetSavegameReader(5, &game, 51, 52);
    GAME_CHECK(standin.Answer(standin::GetSavegameReader, 5, 53, 0x5000, 0, 0) == 1);
    SavegameReader* reader = static_cast<SavegameReader*>(game.Object);
    GAME_CHECK(game.Calls == 5 && game.Values[0] == 53 && reader != nullptr);
    char buffer[8];
    ISavegameReadListener* readListener = reinterpret_cast<ISavegameReadListener*>(0x1234);
    reader->Read(54, readListener, 55, buffer, 8);
    const standin::Word read[] = {0x5000, 54, 0x1234, 55, Word(buffer), 8};
    GAME_CHECK(ArgumentsAre(standin.Last(), standin::SaveGameReaderRead, 6, read));
    reader->Close();
    GAME_CHECK(standin.Last()->EntryPoint == standin::SaveGameReaderClose && standin.Last()->Arguments[0] == 0x5000);

    client.GetSavegameWriter(6, &game, 61, 62, true);
    const standin::Word writerRequest[] = {standin::DefaultSession, 6, standin.Last()->Arguments[2], 61, 62, 1};
    GAME_CHECK(ArgumentsAre(standin.Last(), standin::GetSavegameWriter, 6, writerRequest));
    GAME_CHECK(standin.Answer(standin::GetSavegameWriter, 6, 63, 0x6000, 0, 0) == 1);
    SavegameWriter* writer = static_cast<SavegameWriter*>(game.Object);
    GAME_CHECK(writer != nullptr);
    unsigned short name[] = {'s', 0};
    standin.SetResult(standin::SaveGameWriterSetName, 1);
    GAME_CHECK(writer->SetName(name));
    standin.SetResult(standin::SaveGameWriterSetName, 0);
    GAME_CHECK(!writer->SetName(name));
    writer->Write(64, reinterpret_cast<ISavegameWriteListener*>(0x4321), buffer, 65);
    const standin::Word write[] = {0x6000, 64, 0x4321, Word(buffer), 65};
    GAME_CHECK(ArgumentsAre(standin.Last(), standin::SaveGameWriterWrite, 5, write));
    writer->Close(true);
    const standin::Word close[] = {0x6000, 1};
    GAME_CHECK(ArgumentsAre(standin.Last(), standin::SaveGameWriterClose, 2, close));

    // A list of three: each entry forwards the address of its element.
    const unsigned* list = standin.List();
    client.GetSavegameList(7, &game, 71);
    GAME_CHECK(standin.Answer(standin::GetSavegameList, 7, Word(list), 3, 0, 0) == 1);
    SavegameInfo* infos = static_cast<SavegameInfo*>(game.Object);
    GAME_CHECK(game.Values[0] == 3 && infos != nullptr);
    GAME_CHECK(reinterpret_cast<const unsigned*>(infos)[-1] == 3);
    static const unsigned short launcherName[] = {'n', 0};
    standin.SetResult(standin::SaveGameInfoGetName, Word(launcherName));
    standin.SetResult(standin::SaveGameInfoGetProductId, 700);
    standin.SetResult(standin::SaveGameInfoGetSavegameId, 701);
    standin.SetResult(standin::SaveGameInfoGetSize, 702);
    for (unsigned i = 0; i < 3; ++i) {
        const standin::Word element = Word(list) + 4 * i;
        GAME_CHECK(infos[i].GetName() == launcherName && standin.Last()->Arguments[0] == element);
        GAME_CHECK(infos[i].GetProductId() == 700 && standin.Last()->Arguments[0] == element);
        GAME_CHECK(infos[i].GetSavegameId() == 701 && standin.Last()->Arguments[0] == element);
        GAME_CHECK(infos[i].GetSize() == 702 && standin.Last()->Arguments[0] == element);
    }

    // A number never asked for is refused.
    GAME_CHECK(standin.Answer(standin::GetSavegameList, 99, Word(list), 1, 0, 0) == 0);
    GAME_CHECK(game.Calls == 7);
}

// Every export of a client without a launcher returns its neutral value.
void CheckNeutralExports(TesmaClient& client)
{
    unsigned short key[] = {'k', 0};
    GameListener game;
    client.Update();
    client.StartProcess(key, key, key);
    GAME_CHECK(client.GetRequestUniqueId() == 0xFFFFFFFF);
    GAME_CHECK(!client.StartLauncher(1, 2, "a", "b"));
    GAME_CHECK(client.GetLocText(key, "en-US") == key);
    client.GetLoginDetails(1, &game);
    client.GetTesmaServer(2, &game, 0, 0);
    client.GetSavegameReader(3, &game, 0, 0);
    client.GetSavegameWriter(4, &game, 0, 0, true);
    client.GetSavegameList(5, &game, 0);
    client.RemoveSavegame(6, &game, 0, 0);
    client.GetNetworkTraffic(7, &game);
    GAME_CHECK(game.Calls == 0);
}

// What a game's "client = new TesmaClient;" compiles to: at -O2 a tail call of
// the exported constructor, whose result is the pointer the game keeps.
__declspec(noinline) TesmaClient* NewClient()
{
    return new TesmaClient;
}

// Clients placed the ways games place them: on the stack, on the heap, as a
// member of a heap object; several at once. Each binds the stand-in afresh.
void CheckPlacements(const wchar_t* libraryPath)
{
    {
        TesmaClient client;
        CheckEveryExport(client, libraryPath);
    }
    // The last client's destructor frees the launcher library.
    GAME_CHECK(GetModuleHandleW(libraryPath) == nullptr);

    TesmaClient* client = NewClient();
    GAME_CHECK(client != nullptr && client == g_lastBlock);
    CheckEveryExport(*client, libraryPath);
    delete client;
    GAME_CHECK(GetModuleHandleW(libraryPath) == nullptr);

    GameServices* services = new GameServices;
    GAME_CHECK(services->Before == 0x11111111 && services->After == 0x22222222);
    GAME_CHECK(sizeof(TesmaClient) == sizeof(void*));
    CheckEveryExport(services->Client, libraryPath);
    GAME_CHECK(services->Before == 0x11111111 && services->After == 0x22222222);
    delete services;
    GAME_CHECK(GetModuleHandleW(libraryPath) == nullptr);

    // The library stays while any client lives.
    TesmaClient* first = NewClient();
    TesmaClient* second = NewClient();
    GAME_CHECK(first != second && second == g_lastBlock);
    GAME_CHECK(first->GetRequestUniqueId() == standin::FirstUniqueId);
    GAME_CHECK(second->GetRequestUniqueId() == standin::FirstUniqueId + 1);
    delete first;
    GAME_CHECK(GetModuleHandleW(libraryPath) != nullptr);
    GAME_CHECK(second->GetRequestUniqueId() == standin::FirstUniqueId + 2);
    delete second;
    GAME_CHECK(GetModuleHandleW(libraryPath) == nullptr);
}

// A list answer too large to allocate stops the process through the library's
// fatal error: a fault the game's crash reporter, here this filter, sees.
long __stdcall ReportCrash(void* pointers)
{
    const unsigned code = **static_cast<unsigned* const*>(pointers);
    ExitProcess(code == 0xC000001D /* illegal instruction */ ? 70 : 71);
    return 0;
}

[[noreturn]] void StopOnAnUnallocatableList(const wchar_t* libraryPath)
{
    SetUnhandledExceptionFilter(ReportCrash);
    TesmaClient client;
    Standin standin;
    GameListener game;
    if (standin.Bind(libraryPath)) {
        client.GetSavegameList(1, &game, 0);
        standin.Answer(standin::GetSavegameList, 1, Word(standin.List()), 0x40000000, 0, 0);
    }
    ExitProcess(72); // the answer came back: no stop
    for (;;) {
    }
}

bool SameText(const unsigned short* text, const wchar_t* expected)
{
    unsigned i = 0;
    for (; expected[i] != 0; ++i)
        if (text[i] != expected[i])
            return false;
    return text[i] == 0;
}

// After the last client released the launcher, the next one binds again and
// finds it gone; the game can show the player why.
void CheckMissingLauncherMessage()
{
    game::SetLauncherDirectory(nullptr);
    TesmaClient client;
    GAME_CHECK(client.GetInstallationErrorNum() == 1);
    GAME_CHECK(SameText(client.GetInstallationErrorString("en-US"),
                        L"Dovrix Game Lancher: \nThere was a problem starting your game, the Dovrix Game Launcher "
                        L"was not found. Please try re-installing the game. Error code is 1.\r"));
    GAME_CHECK(SameText(client.GetInstallationErrorString("xx-XX"), L"Dovrix Game Lancher: \n"));
}

// The text after option= among main's arguments, or null.
const char* ArgumentValue(int argc, char** argv, const char* option)
{
    for (int i = 1; i < argc; ++i) {
        unsigned j = 0;
        while (option[j] != 0 && argv[i][j] == option[j])
            ++j;
        if (option[j] == 0)
            return argv[i] + j;
    }
    return nullptr;
}

// A launcher registered as launchers register, for 32-bit games, in a
// directory given as ASCII: a build that cannot reach it (error 1, the
// registration is not in the view it reads; 2, the library does not load in
// this process) gives that error and the neutral values for clients placed
// every way, and the diagnostics say why; a build that reaches it (0) gets a
// session for each. A failed binding lasts for the process.
void CheckRegisteredLauncher(const char* asciiDirectory, unsigned error)
{
    wchar_t directory[512];
    unsigned i = 0;
    for (; asciiDirectory[i] != 0 && i + 1 < 512; ++i)
        directory[i] = static_cast<unsigned char>(asciiDirectory[i]);
    directory[i] = 0;
    game::SetLauncherDirectory(directory);
    auto check = [error](TesmaClient& client) {
        GAME_CHECK(client.GetInstallationErrorNum() == error);
        if (error != 0)
            CheckNeutralExports(client);
        else
            GAME_CHECK(client.GetRequestUniqueId() != 0xFFFFFFFF);
    };
    {
        TesmaClient client;
        check(client);
    }
    TesmaClient* client = NewClient();
    GAME_CHECK(client != nullptr && client == g_lastBlock);
    check(*client);
    GameServices* services = new GameServices;
    GAME_CHECK(sizeof(TesmaClient) == sizeof(void*));
    check(services->Client);
    GAME_CHECK(services->Before == 0x11111111 && services->After == 0x22222222);
    delete services;
    delete client;

    BindingDiagnostics diagnostics = {};
    diagnostics.Size = sizeof diagnostics;
    GAME_CHECK(GetBindingDiagnostics(&diagnostics));
    GAME_CHECK(diagnostics.InstallationError == error);
    if (error == 1)
        GAME_CHECK(diagnostics.DirectoryState == DirectoryNoKey && diagnostics.LoadError == 0);
    else if (error == 2) // ERROR_BAD_EXE_FORMAT: a library of other bits
        GAME_CHECK(diagnostics.DirectoryState == DirectoryFound && diagnostics.LoadError == 193);
    else
        GAME_CHECK(diagnostics.DirectoryState == DirectoryFound && diagnostics.LoadError == 0);
}

} // namespace

void msvcgame::CheckEveryExport(TesmaClient& client, const wchar_t* libraryPath)
{
    CheckSynchronousForwards(client, libraryPath);
    CheckRequestsAndAnswers(client, libraryPath);
}

int main(int argc, char** argv)
{
    wchar_t directory[512];
    wchar_t libraryPath[512];
    game::BesideProgram(directory, 512, L"launcher-msvc");
    game::BesideProgram(libraryPath, 512, L"launcher-msvc\\dovtesmaapi_r2.dll");
    game::SetLauncherDirectory(directory);
    const char* registered = ArgumentValue(argc, argv, "--registered-launcher=");
    const char* error = ArgumentValue(argc, argv, "--installation-error=");
    if (registered != nullptr && error != nullptr) {
        game::Section("a launcher registered for 32-bit games");
        CheckRegisteredLauncher(registered, static_cast<unsigned>(*error - '0'));
        game::Finish();
    }
    if (game::HasArgument(argc, argv, "--stop-on-unallocatable-list"))
        StopOnAnUnallocatableList(libraryPath);
    if (game::HasArgument(argc, argv, "--stress")) {
        game::Section("stress");
        RunStress(libraryPath, game::HasArgument(argc, argv, "--threads"));
        game::Finish();
    }
    // An answer on a thread of the launcher's own keeps the library loaded for
    // the rest of the process, as the threaded stress's answers do; the
    // clients on threads, which see it released, come first.
    if (game::HasArgument(argc, argv, "--threads")) {
        game::Section("clients on eight threads");
        CheckClientsOnEightThreads(libraryPath);
        game::Section("stress on threads");
        RunStress(libraryPath, true);
        game::Finish();
    }

    game::Section("clients on the stack, on the heap, as members");
    CheckPlacements(libraryPath);
    CheckLifetime(libraryPath);
#if defined(_M_IX86)
    game::Section("calling conventions");
    CheckCallingConventions(libraryPath);
#endif
    game::Section("without a launcher");
    CheckMissingLauncherMessage();
    TesmaClient* client = NewClient();
    GAME_CHECK(client == g_lastBlock && client->GetInstallationErrorNum() == 1);
    CheckNeutralExports(*client);
    delete client;
    game::Finish();
}
