// A game as MSVC builds one: it places clients itself, calls every exported
// member through the import library and checks what the stand-in launcher
// received and returned.

#include "kz/tesmaclient/TesmaClient.h"

#include "GameChecks.h"
#include "StandinControl.h"

using kz::tesmaclient::TesmaClient;

namespace {

struct Standin {
    void* Module = nullptr;
    standin::SetResultFunction SetResult = nullptr;
    standin::CallCountFunction CallCount = nullptr;
    standin::GetCallFunction GetCall = nullptr;

    bool Bind(const wchar_t* path)
    {
        Module = GetModuleHandleW(path);
        if (Module == nullptr)
            return false;
        SetResult = reinterpret_cast<standin::SetResultFunction>(GetProcAddress(Module, "StandinSetResult"));
        CallCount = reinterpret_cast<standin::CallCountFunction>(GetProcAddress(Module, "StandinCallCount"));
        GetCall = reinterpret_cast<standin::GetCallFunction>(GetProcAddress(Module, "StandinGetCall"));
        return SetResult != nullptr && CallCount != nullptr && GetCall != nullptr;
    }

    const standin::Call* Last() { return GetCall(CallCount() - 1); }
};

standin::Word Word(const void* p)
{
    return reinterpret_cast<standin::Word>(p);
}

// A game keeps clients as members of its own objects, too.
struct GameServices {
    int Before = 0x11111111;
    TesmaClient Client;
    int After = 0x22222222;
};

void CheckSynchronousForwards(const wchar_t* libraryPath)
{
    TesmaClient client;
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

void CheckMemberClient(const wchar_t* libraryPath)
{
    GameServices services;
    GAME_CHECK(services.Before == 0x11111111 && services.After == 0x22222222);
    GAME_CHECK(sizeof(TesmaClient) == sizeof(void*));
    GAME_CHECK(services.Client.GetInstallationErrorNum() == 0);
    GAME_CHECK(GetModuleHandleW(libraryPath) != nullptr);
}

} // namespace

extern "C" void mainCRTStartup()
{
    wchar_t directory[512];
    wchar_t libraryPath[512];
    game::BesideProgram(directory, 512, L"launcher-full");
    game::BesideProgram(libraryPath, 512, L"launcher-full\\dovtesmaapi_r2.dll");
    game::SetLauncherDirectory(directory);

    CheckSynchronousForwards(libraryPath);
    // The last client's destructor frees the launcher library.
    GAME_CHECK(GetModuleHandleW(libraryPath) == nullptr);
    CheckMemberClient(libraryPath);
    GAME_CHECK(GetModuleHandleW(libraryPath) == nullptr);
    game::Finish();
}
