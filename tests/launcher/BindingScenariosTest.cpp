// The launcher binding through the real DLL under Wine. The binding happens
// once per process, so every case here runs in a process of its own.

#include "kz/tesmaclient/TesmaClient.h"

#include "Standin.h"
#include "WindowsTestSupport.h"

#include <gtest/gtest.h>

#include <memory>

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

} // namespace

TEST(LauncherBindingErrors, NoKeyGivesOneAndLoadsNothing)
{
    RemoveLauncherKey();
    TesmaClient client;
    EXPECT_EQ(1u, client.GetInstallationErrorNum());
    EXPECT_FALSE(IsLoaded(LauncherPath(L"launcher-full")));
    ExpectNeutralForwards(client);
}

TEST(LauncherBindingErrors, ExpandableStringIsIgnored)
{
    const std::wstring directory = LauncherDirectory(L"launcher-full");
    SetInstallDirValue(REG_EXPAND_SZ, directory.c_str(), DWORD((directory.size() + 1) * 2));
    TesmaClient client;
    EXPECT_EQ(1u, client.GetInstallationErrorNum());
    EXPECT_FALSE(IsLoaded(LauncherPath(L"launcher-full")));
}

TEST(LauncherBindingErrors, LoneNulGivesOne)
{
    SetInstallDir(L"");
    TesmaClient client;
    EXPECT_EQ(1u, client.GetInstallationErrorNum());
}

TEST(LauncherBindingErrors, SingleByteGivesOne)
{
    const char byte = 'Z';
    SetInstallDirValue(REG_SZ, &byte, 1);
    TesmaClient client;
    EXPECT_EQ(1u, client.GetInstallationErrorNum());
}

TEST(LauncherBindingErrors, DirectoryWithoutLibraryGivesTwo)
{
    SetInstallDir(LauncherDirectory(L"launcher-empty"));
    TesmaClient client;
    EXPECT_EQ(2u, client.GetInstallationErrorNum());
    ExpectNeutralForwards(client);
}

TEST(LauncherBindingErrors, IncompleteLibraryGivesThreeAndIsFreedWithTheClient)
{
    const std::wstring path = LauncherPath(L"launcher-incomplete");
    SetInstallDir(LauncherDirectory(L"launcher-incomplete"));
    {
        TesmaClient client;
        EXPECT_EQ(3u, client.GetInstallationErrorNum());
        Standin standin(path, false);
        ASSERT_TRUE(standin.IsBound());
        ExpectNeutralForwards(client);
        // No session was asked for, and nothing reached the library.
        EXPECT_TRUE(standin.Calls().empty());
    }
    EXPECT_FALSE(IsLoaded(path));
}

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

TEST(LauncherBindingOnce, LaterClientsReadNoRegistryAndLoadNothing)
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
    client.reset();

    // The result of binding again is the number from then on.
    SetInstallDir(LauncherDirectory(L"launcher-empty"));
    client = std::make_unique<TesmaClient>();
    EXPECT_EQ(2u, client->GetInstallationErrorNum());
    ExpectNeutralForwards(*client);
}

TEST(LauncherLifetime, NothingBindsAgainWhereNoLibraryWasLoaded)
{
    RemoveLauncherKey();
    auto client = std::make_unique<TesmaClient>();
    client.reset();
    SetInstallDir(LauncherDirectory(L"launcher-full"));
    client = std::make_unique<TesmaClient>();
    EXPECT_EQ(1u, client->GetInstallationErrorNum());
    EXPECT_FALSE(IsLoaded(LauncherPath(L"launcher-full")));
}
