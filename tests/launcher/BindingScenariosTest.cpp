// The launcher binding through the real DLL under Wine. Each suite runs in a
// process of its own: a binding that loaded nothing lasts for its process, so
// only a suite's last cases may leave one behind; the cases before leave the
// library released, and the next client binds anew.

#include "kz/tesmaclient/Diagnostics.h"
#include "kz/tesmaclient/TesmaClient.h"

#include "Standin.h"
#include "WindowsTestSupport.h"

#include <gtest/gtest.h>

#include <memory>

using kz::tesmaclient::BindingDiagnostics;
using kz::tesmaclient::TesmaClient;
using namespace testsupport;

namespace {

unsigned short Key[] = {'k', 'e', 'y', 0};

// Every forward of a client without a session returns its neutral value.
void ExpectNeutralForwards(TesmaClient& client)
{
    client.Update();
    client.StartProcess(Key, Key, Key);
    EXPECT_EQ(0xFFFFFFFFu, client.GetRequestUniqueId());
    EXPECT_FALSE(client.StartLauncher(1, 2, "a", "b"));
    EXPECT_EQ(Key, client.GetLocText(Key, "en-US"));
}

BindingDiagnostics Diagnostics()
{
    BindingDiagnostics diagnostics{};
    diagnostics.Size = sizeof diagnostics;
    EXPECT_TRUE(kz::tesmaclient::GetBindingDiagnostics(&diagnostics));
    return diagnostics;
}

std::wstring Text(const unsigned short* text)
{
    return reinterpret_cast<const wchar_t*>(text);
}

// A binding that found no directory names nothing else.
void ExpectNoDirectory(const BindingDiagnostics& diagnostics, unsigned int state)
{
    EXPECT_EQ(1u, diagnostics.InstallationError);
    EXPECT_EQ(state, diagnostics.DirectoryState);
    EXPECT_EQ(L"", Text(diagnostics.Directory));
    EXPECT_EQ(L"", Text(diagnostics.LibraryPath));
    EXPECT_EQ(0u, diagnostics.LoadError);
    EXPECT_STREQ("", diagnostics.MissingEntryPoint);
}

} // namespace

TEST(LauncherBindingPaths, ValueWithoutTerminatingNulUsesEveryCharacter)
{
    const std::wstring directory = LauncherDirectory(L"launcher-full");
    SetInstallDirValue(REG_SZ, directory.c_str(), DWORD(directory.size() * 2));
    TesmaClient client;
    EXPECT_EQ(0u, client.GetInstallationErrorNum());
    EXPECT_TRUE(IsLoaded(LauncherPath(L"launcher-full")));
}

TEST(LauncherBindingPaths, TrailingSeparatorStillLoads)
{
    SetInstallDir(LauncherDirectory(L"launcher-full") + L"\\");
    TesmaClient client;
    EXPECT_EQ(0u, client.GetInstallationErrorNum());
    EXPECT_TRUE(IsLoaded(LauncherPath(L"launcher-full")));
}

TEST(LauncherSession, RefusedSessionLeavesForwardsNeutral)
{
    const std::wstring path = LauncherPath(L"launcher-full");
    SetInstallDir(LauncherDirectory(L"launcher-full"));
    Standin standin(path, true);
    standin.SetSession(0);
    TesmaClient client;
    EXPECT_EQ(0u, client.GetInstallationErrorNum());
    ExpectNeutralForwards(client);
    ASSERT_EQ(1u, standin.Calls().size());
    EXPECT_EQ(standin::GetSession, standin.Calls()[0].EntryPoint);
}

TEST(LauncherSession, ForwardsPassSessionAndArgumentsAndReturnResults)
{
    const std::wstring path = LauncherPath(L"launcher-full");
    SetInstallDir(LauncherDirectory(L"launcher-full"));
    Standin standin(path, true);
    standin.SetSession(0xCAFE);
    TesmaClient client;
    ASSERT_EQ(0u, client.GetInstallationErrorNum());

    client.Update();
    standin.SetResult(standin::GetRequestUniqueId, 0x12345678);
    EXPECT_EQ(0x12345678u, client.GetRequestUniqueId());
    standin.SetResult(standin::StartLauncher, 0);
    const char* c = "c";
    const char* d = "d";
    EXPECT_FALSE(client.StartLauncher(7, 0xFFFFFFFF, c, d));
    standin.SetResult(standin::StartLauncher, 1);
    EXPECT_TRUE(client.StartLauncher(8, 9, d, c));
    unsigned short a[] = {'a', 0}, b[] = {'b', 0};
    client.StartProcess(a, b, Key);
    static const unsigned short text[] = {'t', 0};
    standin.SetResult(standin::GetLocText, reinterpret_cast<standin::Word>(text));
    EXPECT_EQ(text, client.GetLocText(Key, c));

    const std::vector<standin::Call> calls = standin.Calls();
    ASSERT_EQ(7u, calls.size());
    auto word = [](const void* p) { return reinterpret_cast<standin::Word>(p); };
    EXPECT_EQ(standin::GetSession, calls[0].EntryPoint);
    EXPECT_EQ(standin::Update, calls[1].EntryPoint);
    EXPECT_EQ(0xCAFEu, calls[1].Arguments[0]);
    EXPECT_EQ(standin::GetRequestUniqueId, calls[2].EntryPoint);
    EXPECT_EQ(0xCAFEu, calls[2].Arguments[0]);
    const standin::Word launch1[] = {0xCAFE, 7, 0xFFFFFFFF, word(c), word(d)};
    const standin::Word launch2[] = {0xCAFE, 8, 9, word(d), word(c)};
    const standin::Word process[] = {0xCAFE, word(a), word(b), word(Key)};
    const standin::Word loc[] = {0xCAFE, word(Key), word(c)};
    EXPECT_EQ(standin::StartLauncher, calls[3].EntryPoint);
    EXPECT_TRUE(std::equal(launch1, launch1 + 5, calls[3].Arguments));
    EXPECT_TRUE(std::equal(launch2, launch2 + 5, calls[4].Arguments));
    EXPECT_EQ(standin::StartProcess, calls[5].EntryPoint);
    EXPECT_TRUE(std::equal(process, process + 4, calls[5].Arguments));
    EXPECT_EQ(standin::GetLocText, calls[6].EntryPoint);
    EXPECT_TRUE(std::equal(loc, loc + 3, calls[6].Arguments));
}

TEST(LauncherLifetime, LibraryStaysLoadedUntilTheLastClientIsDestroyed)
{
    const std::wstring path = LauncherPath(L"launcher-full");
    SetInstallDir(LauncherDirectory(L"launcher-full"));
    auto first = std::make_unique<TesmaClient>();
    auto second = std::make_unique<TesmaClient>();
    first.reset();
    ASSERT_TRUE(IsLoaded(path));
    Standin standin(path, false);
    standin.SetResult(standin::GetRequestUniqueId, 77);
    EXPECT_EQ(77u, second->GetRequestUniqueId());
    second.reset();
    EXPECT_FALSE(IsLoaded(path));
}

TEST(LauncherLifetime, ClientAfterReleaseBindsAgain)
{
    const std::wstring path = LauncherPath(L"launcher-full");
    SetInstallDir(LauncherDirectory(L"launcher-full"));
    auto client = std::make_unique<TesmaClient>();
    client.reset();
    ASSERT_FALSE(IsLoaded(path));

    client = std::make_unique<TesmaClient>();
    EXPECT_EQ(0u, client->GetInstallationErrorNum());
    Standin standin(path, false);
    ASSERT_TRUE(standin.IsBound());
    // The new instance of the library was asked for a session and answers.
    EXPECT_EQ(standin::FirstUniqueId, client->GetRequestUniqueId());
    const BindingDiagnostics loaded = Diagnostics();
    EXPECT_EQ(0u, loaded.InstallationError);
    EXPECT_EQ(0u, loaded.LoadError);
    client.reset();

    // The result of binding again is the number from then on; the texts of
    // the earlier binding stay.
    SetInstallDir(LauncherDirectory(L"launcher-notadll"));
    client = std::make_unique<TesmaClient>();
    EXPECT_EQ(2u, client->GetInstallationErrorNum());
    ExpectNeutralForwards(*client);
    const BindingDiagnostics notADll = Diagnostics();
    EXPECT_EQ(2u, notADll.InstallationError);
    EXPECT_EQ(LauncherPath(L"launcher-notadll"), Text(notADll.LibraryPath));
    EXPECT_EQ(DWORD(ERROR_BAD_EXE_FORMAT), notADll.LoadError);
    EXPECT_EQ(path, Text(loaded.LibraryPath));
}

TEST(LauncherBindingErrors, IncompleteLibraryGivesThreeAndIsFreedWithTheClient)
{
    const std::wstring path = LauncherPath(L"launcher-incomplete");
    SetInstallDir(LauncherDirectory(L"launcher-incomplete"));
    {
        TesmaClient client;
        EXPECT_EQ(3u, client.GetInstallationErrorNum());
        const BindingDiagnostics diagnostics = Diagnostics();
        EXPECT_EQ(3u, diagnostics.InstallationError);
        EXPECT_EQ(path, Text(diagnostics.LibraryPath));
        EXPECT_EQ(0u, diagnostics.LoadError);
        EXPECT_STREQ("KzTesmadllSaveGameInfoGetSize", diagnostics.MissingEntryPoint);
        Standin standin(path, false);
        ASSERT_TRUE(standin.IsBound());
        ExpectNeutralForwards(client);
        // No session was asked for, and nothing reached the library.
        EXPECT_TRUE(standin.Calls().empty());
    }
    EXPECT_FALSE(IsLoaded(path));
}

TEST(LauncherBindingErrors, DirectoryWithoutLibraryGivesTwo)
{
    SetInstallDir(LauncherDirectory(L"launcher-empty"));
    TesmaClient client;
    EXPECT_EQ(2u, client.GetInstallationErrorNum());
    ExpectNeutralForwards(client);
    const BindingDiagnostics diagnostics = Diagnostics();
    EXPECT_EQ(2u, diagnostics.InstallationError);
    EXPECT_EQ(kz::tesmaclient::DirectoryFound, diagnostics.DirectoryState);
    EXPECT_EQ(LauncherDirectory(L"launcher-empty"), Text(diagnostics.Directory));
    EXPECT_EQ(LauncherPath(L"launcher-empty"), Text(diagnostics.LibraryPath));
    EXPECT_EQ(DWORD(ERROR_MOD_NOT_FOUND), diagnostics.LoadError); // what Wine reports for a missing file
    EXPECT_STREQ("", diagnostics.MissingEntryPoint);
}

TEST(LauncherWithoutKey, NoKeyGivesOneAndLoadsNothing)
{
    RemoveLauncherKey();
    // Asking before any client binds nothing; a short or missing structure is refused untouched.
    BindingDiagnostics before = Diagnostics();
    EXPECT_EQ(kz::tesmaclient::DirectoryNotLookedUp, before.DirectoryState);
    EXPECT_EQ(L"", Text(before.LibraryPath));
    before.Size = sizeof before - 1;
    before.DirectoryState = 77;
    EXPECT_FALSE(kz::tesmaclient::GetBindingDiagnostics(&before));
    EXPECT_EQ(77u, before.DirectoryState);
    EXPECT_FALSE(kz::tesmaclient::GetBindingDiagnostics(nullptr));

    TesmaClient client;
    EXPECT_EQ(1u, client.GetInstallationErrorNum());
    EXPECT_FALSE(IsLoaded(LauncherPath(L"launcher-full")));
    ExpectNeutralForwards(client);
    const BindingDiagnostics diagnostics = Diagnostics();
    ExpectNoDirectory(diagnostics, kz::tesmaclient::DirectoryNoKey);
    EXPECT_EQ(L"SOFTWARE\\Dovrix\\Launcher", Text(diagnostics.RegistryKey));
    EXPECT_EQ(L"InstallDir", Text(diagnostics.RegistryValue));
}

TEST(LauncherWithoutKey, LaterClientsReadNoRegistryAndLoadNothing)
{
    RemoveLauncherKey();
    TesmaClient first;
    ASSERT_EQ(1u, first.GetInstallationErrorNum());
    SetInstallDir(LauncherDirectory(L"launcher-full"));
    TesmaClient second;
    EXPECT_EQ(1u, second.GetInstallationErrorNum());
    EXPECT_EQ(1u, first.GetInstallationErrorNum());
    EXPECT_FALSE(IsLoaded(LauncherPath(L"launcher-full")));
}

TEST(LauncherWithoutKey, NothingBindsAgainWhereNoLibraryWasLoaded)
{
    RemoveLauncherKey();
    auto client = std::make_unique<TesmaClient>();
    client.reset();
    SetInstallDir(LauncherDirectory(L"launcher-full"));
    client = std::make_unique<TesmaClient>();
    EXPECT_EQ(1u, client->GetInstallationErrorNum());
    EXPECT_FALSE(IsLoaded(LauncherPath(L"launcher-full")));
}

TEST(LauncherValueExpandable, ExpandableStringIsIgnored)
{
    const std::wstring directory = LauncherDirectory(L"launcher-full");
    SetInstallDirValue(REG_EXPAND_SZ, directory.c_str(), DWORD((directory.size() + 1) * 2));
    TesmaClient client;
    EXPECT_EQ(1u, client.GetInstallationErrorNum());
    EXPECT_FALSE(IsLoaded(LauncherPath(L"launcher-full")));
    ExpectNoDirectory(Diagnostics(), kz::tesmaclient::DirectoryWrongType);
}

TEST(LauncherValueLoneNul, LoneNulGivesOne)
{
    SetInstallDir(L"");
    TesmaClient client;
    EXPECT_EQ(1u, client.GetInstallationErrorNum());
    ExpectNoDirectory(Diagnostics(), kz::tesmaclient::DirectoryEmpty);
}

TEST(LauncherValueSingleByte, SingleByteGivesOne)
{
    const char byte = 'Z';
    SetInstallDirValue(REG_SZ, &byte, 1);
    TesmaClient client;
    EXPECT_EQ(1u, client.GetInstallationErrorNum());
}
