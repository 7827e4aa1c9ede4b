// The binding logic against scripted system calls: what is asked of the
// registry and the loader, and the installation error number that results.

#include "launcher/LauncherApi.h"
#include "launcher/ReadLauncherInstallDir.h"

#include "FakeSystem.h"

#include <gtest/gtest.h>

using kz::LauncherApi;
using testsupport::Fake;
using testsupport::FakeSystemCalls;

namespace {

const char* const BindingOrder[] = {
    "KzTesmadllGetSession",          "KzTesmadllUpdate",
    "KzTesmadllGetRequestUniqueId",  "KzTesmadllStartLauncher",
    "KzTesmadllStartProcess",        "KzTesmadllGetLoginDetails",
    "KzTesmadllGetTesmaServer",      "KzTesmadllGetSavegameReader",
    "KzTesmadllGetSavegameWriter",   "KzTesmadllGetSavegameList",
    "KzTesmadllRemoveSavegame",      "KzTesmadllGetNetworkTraffic",
    "KzTesmadllGetLocText",          "KzTesmadllSaveGameReaderRead",
    "KzTesmadllSaveGameReaderClose", "KzTesmadllSaveGameWriterSetName",
    "KzTesmadllSaveGameWriterWrite", "KzTesmadllSaveGameWriterClose",
    "KzTesmadllSaveGameInfoGetName", "KzTesmadllSaveGameInfoGetProductId",
    "KzTesmadllSaveGameInfoGetSavegameId", "KzTesmadllSaveGameInfoGetSize",
};

std::u16string Text(const unsigned short* units)
{
    std::u16string result;
    for (; *units != 0; ++units)
        result.push_back(char16_t(*units));
    return result;
}

std::u16string Read()
{
    kz::text::UnicodeString directory = kz::ReadLauncherInstallDir(FakeSystemCalls());
    return Text(directory.GetUtf16());
}

void SetRawValue(std::uint32_t type, std::vector<unsigned char> bytes)
{
    Fake().KeyExists = true;
    Fake().ValueExists = true;
    Fake().ValueType = type;
    Fake().ValueData = bytes;
}

class LauncherBindingTest : public ::testing::Test {
protected:
    void SetUp() override { testsupport::ResetFake(); }
};

using LauncherRegistryRead = LauncherBindingTest;
using LauncherBinding = LauncherBindingTest;
using LauncherRelease = LauncherBindingTest;
using LauncherDiagnostics = LauncherBindingTest;

} // namespace

TEST_F(LauncherRegistryRead, OpensTheLauncherKeyForReadingAndClosesIt)
{
    Fake().SetInstallDir(u"C:\\Games\\Launcher");
    EXPECT_EQ(u"C:\\Games\\Launcher", Read());
    ASSERT_EQ(1u, Fake().KeyOpens.size());
    EXPECT_EQ(0x80000002u, Fake().KeyOpens[0].Root);
    EXPECT_EQ(u"SOFTWARE\\Dovrix\\Launcher", Fake().KeyOpens[0].SubKey);
    EXPECT_EQ(0u, Fake().KeyOpens[0].Options);
    EXPECT_EQ(0x20019u, Fake().KeyOpens[0].Access);
    ASSERT_EQ(2u, Fake().Queries.size());
    EXPECT_EQ(u"InstallDir", Fake().Queries[0].Name);
    EXPECT_TRUE(Fake().Queries[0].WantsType);
    EXPECT_FALSE(Fake().Queries[0].WantsData);
    EXPECT_FALSE(Fake().Queries[1].WantsType);
    EXPECT_TRUE(Fake().Queries[1].WantsData);
    EXPECT_EQ(36u, Fake().Queries[1].SizeGiven);
    EXPECT_EQ(1u, Fake().KeyCloses);
}

TEST_F(LauncherRegistryRead, MissingKeyOrValueGivesTheEmptyText)
{
    EXPECT_EQ(u"", Read());
    EXPECT_TRUE(Fake().Queries.empty());
    EXPECT_EQ(0u, Fake().KeyCloses);

    Fake().KeyExists = true;
    EXPECT_EQ(u"", Read());
    EXPECT_EQ(1u, Fake().Queries.size());
    EXPECT_EQ(1u, Fake().KeyCloses);
}

TEST_F(LauncherRegistryRead, OnlyPlainStringsCount)
{
    for (std::uint32_t type : {2u /* REG_EXPAND_SZ */, 7u /* REG_MULTI_SZ */, 3u /* REG_BINARY */}) {
        testsupport::ResetFake();
        SetRawValue(type, {'C', 0, ':', 0, 0, 0});
        EXPECT_EQ(u"", Read()) << "type " << type;
        EXPECT_EQ(1u, Fake().Queries.size());
        EXPECT_EQ(1u, Fake().KeyCloses);
    }
}

TEST_F(LauncherRegistryRead, EmptyAndNulOnlyValuesGiveTheEmptyText)
{
    SetRawValue(1, {});
    EXPECT_EQ(u"", Read());
    EXPECT_EQ(1u, Fake().Queries.size());

    testsupport::ResetFake();
    SetRawValue(1, {0, 0});
    EXPECT_EQ(u"", Read());
}

TEST_F(LauncherRegistryRead, ValueWithoutNulGivesEveryCharacter)
{
    SetRawValue(1, {'D', 0, ':', 0, '\\', 0, 'x', 0});
    EXPECT_EQ(u"D:\\x", Read());
}

TEST_F(LauncherRegistryRead, TextEndsAtTheFirstNul)
{
    SetRawValue(1, {'a', 0, 0, 0, 'b', 0, 0, 0});
    EXPECT_EQ(u"a", Read());
}

TEST_F(LauncherRegistryRead, OddByteCountNeverReachesPastTheBuffer)
{
    // Seven bytes: three whole characters and one stray byte.
    SetRawValue(1, {'a', 0, 'b', 0, 'c', 0, 'd'});
    EXPECT_EQ(u"", Read());
    ASSERT_EQ(2u, Fake().Queries.size());
    EXPECT_EQ(6u, Fake().Queries[1].SizeGiven);

    testsupport::ResetFake();
    SetRawValue(1, {'Z'});
    EXPECT_EQ(u"", Read());
    EXPECT_EQ(1u, Fake().Queries.size()) << "no room for a character, so nothing to read into";
}

TEST_F(LauncherBinding, NoDirectoryGivesOneWithoutLoading)
{
    LauncherApi api(FakeSystemCalls());
    EXPECT_EQ(1u, api.GetInstallationError());
    EXPECT_EQ(nullptr, api.Module());
    EXPECT_TRUE(Fake().Loads.empty());
}

TEST_F(LauncherBinding, PathIsTheDirectoryAndTheFileNameAsTheyStand)
{
    Fake().SetInstallDir(u"C:\\Games\\Launcher");
    Fake().LibraryLoads = false;
    LauncherApi plain(FakeSystemCalls());
    Fake().SetInstallDir(u"C:\\Games\\Launcher\\");
    LauncherApi trailing(FakeSystemCalls());
    ASSERT_EQ(2u, Fake().Loads.size());
    EXPECT_EQ(u"C:\\Games\\Launcher\\dovtesmaapi_r2.dll", Fake().Loads[0]);
    EXPECT_EQ(u"C:\\Games\\Launcher\\\\dovtesmaapi_r2.dll", Fake().Loads[1]);
}

TEST_F(LauncherBinding, UnloadableLibraryGivesTwo)
{
    Fake().SetInstallDir(u"C:\\Empty");
    Fake().LibraryLoads = false;
    LauncherApi api(FakeSystemCalls());
    EXPECT_EQ(2u, api.GetInstallationError());
    EXPECT_EQ(nullptr, api.Module());
    EXPECT_TRUE(Fake().Lookups.empty());
}

TEST_F(LauncherBinding, CompleteLibraryBindsEveryNameInOrder)
{
    Fake().SetInstallDir(u"C:\\L");
    Fake().ExportAllEntryPoints();
    LauncherApi api(FakeSystemCalls());
    EXPECT_EQ(0u, api.GetInstallationError());
    EXPECT_NE(nullptr, api.Module());
    ASSERT_EQ(22u, Fake().Lookups.size());
    for (unsigned i = 0; i < 22; ++i)
        EXPECT_EQ(BindingOrder[i], Fake().Lookups[i]);
    EXPECT_NE(nullptr, api.Functions().GetSession);
    EXPECT_NE(nullptr, api.Functions().SaveGameInfoGetSize);
}

TEST_F(LauncherBinding, MissingNameGivesThreeButLooksUpAndKeepsTheRest)
{
    Fake().SetInstallDir(u"C:\\L");
    Fake().ExportAllEntryPoints();
    Fake().Symbols.erase("KzTesmadllGetSession");
    LauncherApi api(FakeSystemCalls());
    EXPECT_EQ(3u, api.GetInstallationError());
    EXPECT_NE(nullptr, api.Module());
    EXPECT_EQ(22u, Fake().Lookups.size());
    EXPECT_EQ(nullptr, api.Functions().GetSession);
    EXPECT_NE(nullptr, api.Functions().Update);
    EXPECT_NE(nullptr, api.Functions().SaveGameInfoGetSize);
}

TEST_F(LauncherRelease, FreesOnceClearsTheTableAndKeepsTheNumber)
{
    Fake().SetInstallDir(u"C:\\L");
    Fake().ExportAllEntryPoints();
    Fake().Symbols.erase("KzTesmadllSaveGameInfoGetSize");
    LauncherApi api(FakeSystemCalls());
    api.Release();
    api.Release();
    EXPECT_EQ(1u, Fake().Frees);
    EXPECT_EQ(nullptr, api.Module());
    EXPECT_EQ(nullptr, api.Functions().Update);
    EXPECT_EQ(3u, api.GetInstallationError());
}

TEST_F(LauncherRelease, LastClientReleasesAndTheNextBindsAgain)
{
    Fake().SetInstallDir(u"C:\\L");
    Fake().ExportAllEntryPoints();
    LauncherApi api(FakeSystemCalls());
    api.AttachClient();
    api.AttachClient();
    api.DetachClient();
    EXPECT_EQ(0u, Fake().Frees);
    EXPECT_NE(nullptr, api.Functions().Update);
    api.DetachClient();
    EXPECT_EQ(1u, Fake().Frees);
    EXPECT_EQ(nullptr, api.Functions().Update);

    // The launcher went away meanwhile: binding again reports it from now on.
    Fake().KeyExists = false;
    api.AttachClient();
    EXPECT_EQ(2u, Fake().KeyOpens.size());
    EXPECT_EQ(1u, api.GetInstallationError());
    api.DetachClient();
    api.AttachClient();
    EXPECT_EQ(2u, Fake().KeyOpens.size()) << "no library was loaded, so nothing binds again";
}

TEST_F(LauncherRelease, NothingIsReleasedOrBoundAgainWithoutALibrary)
{
    Fake().SetInstallDir(u"C:\\Empty");
    Fake().LibraryLoads = false;
    LauncherApi api(FakeSystemCalls());
    api.AttachClient();
    api.DetachClient();
    api.AttachClient();
    EXPECT_EQ(0u, Fake().Frees);
    EXPECT_EQ(1u, Fake().Loads.size());
    EXPECT_EQ(2u, api.GetInstallationError());
}

TEST_F(LauncherDiagnostics, EachWayOfFindingNoDirectoryIsTold)
{
    const struct {
        const char* what;
        void (*setUp)();
        std::uint32_t state;
    } cases[] = {
        {"no key", [] {}, kz::tesmaclient::DirectoryNoKey},
        {"no value", [] { Fake().KeyExists = true; }, kz::tesmaclient::DirectoryNoValue},
        {"REG_EXPAND_SZ", [] { SetRawValue(2, {'C', 0, 0, 0}); }, kz::tesmaclient::DirectoryWrongType},
        {"REG_BINARY", [] { SetRawValue(3, {}); }, kz::tesmaclient::DirectoryWrongType},
        {"no bytes", [] { SetRawValue(1, {}); }, kz::tesmaclient::DirectoryEmpty},
        {"lone NUL", [] { SetRawValue(1, {0, 0}); }, kz::tesmaclient::DirectoryEmpty},
        {"single byte", [] { SetRawValue(1, {'Z'}); }, kz::tesmaclient::DirectoryEmpty},
    };
    for (const auto& c : cases) {
        testsupport::ResetFake();
        c.setUp();
        LauncherApi api(FakeSystemCalls());
        const kz::BindingRecord record = api.Diagnostics();
        EXPECT_EQ(c.state, record.DirectoryState) << c.what;
        EXPECT_EQ(1u, record.InstallationError) << c.what;
        EXPECT_EQ(u"", Text(record.Directory)) << c.what;
        EXPECT_EQ(u"", Text(record.LibraryPath)) << c.what;
        EXPECT_EQ(0u, record.LoadError) << c.what;
        EXPECT_STREQ("", record.MissingEntryPoint) << c.what;
    }
}

TEST_F(LauncherDiagnostics, FailedLoadGivesThePathHandedToTheLoaderAndItsError)
{
    Fake().SetInstallDir(u"C:\\Games\\L\\");
    Fake().LibraryLoads = false;
    Fake().LoadError = 193;
    LauncherApi api(FakeSystemCalls());
    const kz::BindingRecord record = api.Diagnostics();
    EXPECT_EQ(2u, record.InstallationError);
    EXPECT_EQ(kz::tesmaclient::DirectoryFound, record.DirectoryState);
    EXPECT_EQ(u"C:\\Games\\L\\", Text(record.Directory));
    ASSERT_EQ(1u, Fake().Loads.size());
    EXPECT_EQ(u"C:\\Games\\L\\\\dovtesmaapi_r2.dll", Fake().Loads[0]);
    EXPECT_EQ(Fake().Loads[0], Text(record.LibraryPath));
    EXPECT_EQ(193u, record.LoadError);
    EXPECT_STREQ("", record.MissingEntryPoint);
}

TEST_F(LauncherDiagnostics, LoadedLibraryHasNoLoadErrorAndNamesTheFirstMissingEntryPoint)
{
    Fake().SetInstallDir(u"C:\\L");
    Fake().LoadError = 5; // left over from an earlier call; not asked for after a load
    Fake().ExportAllEntryPoints();
    // In binding order Update comes first; by name GetLocText would.
    Fake().Symbols.erase("KzTesmadllGetLocText");
    Fake().Symbols.erase("KzTesmadllUpdate");
    Fake().Symbols.erase("KzTesmadllSaveGameInfoGetSize");
    LauncherApi api(FakeSystemCalls());
    const kz::BindingRecord record = api.Diagnostics();
    EXPECT_EQ(3u, record.InstallationError);
    EXPECT_EQ(u"C:\\L\\dovtesmaapi_r2.dll", Text(record.LibraryPath));
    EXPECT_EQ(0u, record.LoadError);
    EXPECT_STREQ("KzTesmadllUpdate", record.MissingEntryPoint);
}

TEST_F(LauncherDiagnostics, TextsOutliveTheirBindingAndBindingAgainKeepsNoNewCopy)
{
    Fake().SetInstallDir(u"C:\\A");
    Fake().ExportAllEntryPoints();
    LauncherApi api(FakeSystemCalls());
    const kz::BindingRecord first = api.Diagnostics();
    EXPECT_STREQ("", first.MissingEntryPoint);

    api.AttachClient();
    api.DetachClient();
    Fake().SetInstallDir(u"C:\\Bee");
    Fake().Symbols.erase("KzTesmadllSaveGameInfoGetSize");
    api.AttachClient();
    api.DetachClient();
    const kz::BindingRecord second = api.Diagnostics();
    EXPECT_EQ(3u, second.InstallationError);
    EXPECT_EQ(u"C:\\Bee\\dovtesmaapi_r2.dll", Text(second.LibraryPath));
    EXPECT_STREQ("KzTesmadllSaveGameInfoGetSize", second.MissingEntryPoint);
    EXPECT_EQ(u"C:\\A", Text(first.Directory));
    EXPECT_EQ(u"C:\\A\\dovtesmaapi_r2.dll", Text(first.LibraryPath));

    Fake().SetInstallDir(u"C:\\A");
    api.AttachClient();
    const kz::BindingRecord third = api.Diagnostics();
    EXPECT_EQ(3u, Fake().Loads.size());
    EXPECT_EQ(first.Directory, third.Directory);
    EXPECT_EQ(first.LibraryPath, third.LibraryPath);
    api.DetachClient();
}
