// A 64-bit game's whole session through tesmaclient64.dll and its 32-bit
// host, against the development launcher registered for 32-bit readers. One
// source for GCC and for MSVC mode, as games ship (no C++ library: the
// MSVC-mode build has none).
//
//   relay_session                      the session
//   relay_session --second FIRST-ID    the second game the session starts
//   relay_session --fake-host          beside the fake host of FakePeers.cpp
//
// The session: binding through the host, every request kind answered in
// Update, a save game written (larger than one channel area), listed, read
// back and removed, localized texts, a second game with a host of its own
// running meanwhile, a second client, the host killed mid-session (every call
// neutral at once, installation error 2 naming the host), and a fresh host for
// the next client. With --fake-host, each scenario of FakeHostScenario.h on a
// binding of its own: the call's neutral value, nothing of the broken reply
// delivered, installation error 2 naming the host and ERROR_INVALID_DATA, the
// host ended at once, and the next binding starting it again.
// Prints one line per failed check and "<role>: N checks, M failed".

#include "FakeHostScenario.h"
#include "kz/tesmaclient/Diagnostics.h"
#include "kz/tesmaclient/TesmaClient.h"

#include <windows.h>
#include <tlhelp32.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

using namespace kz::tesmaclient;

namespace {

int g_checks = 0;
int g_failed = 0;

#define CHECK(condition)                                                                                       \
    do {                                                                                                       \
        ++g_checks;                                                                                            \
        if (!(condition)) {                                                                                    \
            ++g_failed;                                                                                        \
            std::printf("FAILED line %d: %s\n", __LINE__, #condition);                                         \
        }                                                                                                      \
    } while (0)

constexpr unsigned int Product = 4242;
constexpr unsigned int SaveBytes = 600 * 1024;
const char16_t SaveName[] = u"relay save";

bool SameText(const unsigned short* text, const char16_t* expected)
{
    if (text == nullptr)
        return false;
    for (; *expected != 0; ++text, ++expected) {
        if (*text != *expected)
            return false;
    }
    return *text == 0;
}

bool EndsWith(const unsigned short* text, const char16_t* tail)
{
    if (text == nullptr)
        return false;
    std::size_t length = 0, tailLength = 0;
    while (text[length] != 0)
        ++length;
    while (tail[tailLength] != 0)
        ++tailLength;
    return length >= tailLength && SameText(text + length - tailLength, tail);
}

// name + number, as wide text, into out (room for 64 units).
void NameWithNumber(wchar_t* out, const wchar_t* name, DWORD number)
{
    while (*name != 0)
        *out++ = *name++;
    wchar_t digits[12];
    int n = 0;
    do {
        digits[n++] = static_cast<wchar_t>(L'0' + number % 10);
        number /= 10;
    } while (number != 0);
    while (n > 0)
        *out++ = digits[--n];
    *out = 0;
}

// Records every answer, and whether it came inside Update.
struct Listener final : IGetLoginDetailsListener,
                        IGetTesmaServerListener,
                        IGetSavegameReaderListener,
                        IGetSavegameWriterListener,
                        IGetSavegameListListener,
                        IRemoveSavegameListener,
                        IGetNetworkTrafficListener,
                        ISavegameReadListener,
                        ISavegameWriteListener {
    bool InUpdate = false;
    int Answers = 0;
    int OutsideUpdate = 0;
    unsigned int LastId = 0;
    unsigned int Values[4] = {};
    SavegameReader* Reader = nullptr;
    SavegameWriter* Writer = nullptr;
    SavegameInfo* List = nullptr;
    unsigned int Count = 0;

    void Note(unsigned int id, unsigned int a = 0, unsigned int b = 0, unsigned int c = 0, unsigned int d = 0)
    {
        ++Answers;
        OutsideUpdate += InUpdate ? 0 : 1;
        LastId = id;
        Values[0] = a;
        Values[1] = b;
        Values[2] = c;
        Values[3] = d;
    }
    bool OnGetLoginDetails(unsigned int id, unsigned int a, unsigned int b, unsigned int c) override
    {
        Note(id, a, b, c);
        return true;
    }
    bool OnGetTesmaServer(unsigned int id, unsigned int a) override
    {
        Note(id, a);
        return true;
    }
    bool OnGetSavegameReader(unsigned int id, unsigned int a, SavegameReader* reader) override
    {
        Note(id, a);
        Reader = reader;
        return true;
    }
    bool OnGetSavegameWriter(unsigned int id, unsigned int a, SavegameWriter* writer) override
    {
        Note(id, a);
        Writer = writer;
        return true;
    }
    bool OnGetSavegameList(unsigned int id, SavegameInfo* list, unsigned int count) override
    {
        Note(id, count);
        List = list;
        Count = count;
        return true;
    }
    bool OnRemoveSavegame(unsigned int id, unsigned int a) override
    {
        Note(id, a);
        return true;
    }
    bool OnGetNetworkTraffic(unsigned int id, unsigned int a, unsigned int b, unsigned int c, unsigned int d) override
    {
        Note(id, a, b, c, d);
        return true;
    }
    bool OnSavegameRead(unsigned int id, unsigned int status, unsigned int bytes) override
    {
        Note(id, status, bytes);
        return true;
    }
    bool OnSavegameWrite(unsigned int id, unsigned int status, unsigned int bytes) override
    {
        Note(id, status, bytes);
        return true;
    }
};

// Updates until the listener has answers answers more, at most 200 frames.
bool UpdateUntil(TesmaClient& client, Listener& listener, int answers)
{
    const int wanted = listener.Answers + answers;
    for (int frame = 0; frame < 200 && listener.Answers < wanted; ++frame) {
        listener.InUpdate = true;
        client.Update();
        listener.InUpdate = false;
        if (listener.Answers < wanted)
            Sleep(1);
    }
    return listener.Answers == wanted;
}

bool IsHostName(const WCHAR* name)
{
    const char expected[] = "tesmaclient-host.exe";
    for (std::size_t i = 0; i < sizeof expected; ++i) {
        WCHAR c = name[i];
        if (c >= L'A' && c <= L'Z')
            c = static_cast<WCHAR>(c - L'A' + L'a');
        if (c != static_cast<WCHAR>(expected[i]))
            return false;
    }
    return true;
}

// The running hosts that the process parent started: how many, and one's id.
struct HostList {
    int Count;
    DWORD Id;
};

HostList HostsOf(DWORD parent)
{
    HostList hosts = {0, 0};
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32W entry;
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry)) {
        if (entry.th32ParentProcessID == parent && IsHostName(entry.szExeFile)) {
            ++hosts.Count;
            hosts.Id = entry.th32ProcessID;
        }
    }
    CloseHandle(snapshot);
    return hosts;
}

HostList Hosts()
{
    return HostsOf(GetCurrentProcessId());
}

// The events through which the session and its second game take turns.
HANDLE TurnEvent(const wchar_t* name, DWORD first)
{
    wchar_t full[64];
    NameWithNumber(full, name, first);
    return CreateEventW(nullptr, FALSE, FALSE, full);
}

// The second game: binds with a host of its own, a request answered in
// Update, a save-game list that shows the first game's save, then waits
// until the first game saw both hosts.
int SecondGame(DWORD first)
{
    HANDLE bound = TurnEvent(L"Local\\relay-session-bound-", first);
    HANDLE go = TurnEvent(L"Local\\relay-session-go-", first);
    {
        TesmaClient client;
        Listener l;
        CHECK(client.GetInstallationErrorNum() == 0);
        CHECK(Hosts().Count == 1);
        client.GetLoginDetails(51, &l);
        CHECK(UpdateUntil(client, l, 1));
        CHECK(l.LastId == 51 && l.Values[1] == 1000);
        client.GetSavegameList(52, &l, Product);
        CHECK(UpdateUntil(client, l, 1));
        CHECK(l.LastId == 52);
        bool listed = false;
        for (unsigned int i = 0; i < l.Count; ++i)
            listed = listed || (SameText(l.List[i].GetName(), SaveName) && l.List[i].GetSize() == SaveBytes);
        CHECK(listed);
        SavegameInfo::ReleaseList(l.List);
        SetEvent(bound);
        CHECK(WaitForSingleObject(go, 60000) == WAIT_OBJECT_0);
    }
    CloseHandle(bound);
    CloseHandle(go);
    std::printf("second game: %d checks, %d failed\n", g_checks, g_failed);
    return g_failed == 0 ? 0 : 1;
}

// Starts the second game while this one is mid-session: both run at once,
// each through its own host; when it ends, its host ends and this one's goes on.
void RunSecondGame(TesmaClient& client, Listener& l, DWORD host)
{
    const DWORD self = GetCurrentProcessId();
    HANDLE bound = TurnEvent(L"Local\\relay-session-bound-", self);
    HANDLE go = TurnEvent(L"Local\\relay-session-go-", self);
    WCHAR path[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    CHECK(length != 0 && length < MAX_PATH);
    WCHAR* line = static_cast<WCHAR*>(std::malloc((MAX_PATH + 64) * sizeof(WCHAR)));
    WCHAR* at = line;
    *at++ = L'"';
    for (DWORD i = 0; i < length; ++i)
        *at++ = path[i];
    *at++ = L'"';
    NameWithNumber(at, L" --second ", self);
    STARTUPINFOW startup;
    std::memset(&startup, 0, sizeof startup);
    startup.cb = sizeof startup;
    PROCESS_INFORMATION second;
    // Inheriting lets it print to this game's output; the channel is not inheritable.
    const BOOL started = CreateProcessW(path, line, nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &second);
    std::free(line);
    CHECK(started);
    if (!started)
        return;

    // This game goes on meanwhile.
    client.GetNetworkTraffic(60, &l);
    CHECK(UpdateUntil(client, l, 1));
    CHECK(l.LastId == 60);
    CHECK(WaitForSingleObject(bound, 60000) == WAIT_OBJECT_0);
    const HostList mine = HostsOf(self);
    const HostList its = HostsOf(second.dwProcessId);
    CHECK(mine.Count == 1 && mine.Id == host);
    CHECK(its.Count == 1 && its.Id != host);
    HANDLE itsHost = its.Count == 1 ? OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, its.Id)
                                    : nullptr;
    CHECK(itsHost != nullptr);
    SetEvent(go);

    CHECK(WaitForSingleObject(second.hProcess, 60000) == WAIT_OBJECT_0);
    DWORD code = STILL_ACTIVE;
    CHECK(GetExitCodeProcess(second.hProcess, &code) && code == 0);
    // Its host took its quit before the game ended.
    if (itsHost != nullptr) {
        code = STILL_ACTIVE;
        CHECK(WaitForSingleObject(itsHost, 0) == WAIT_OBJECT_0);
        CHECK(GetExitCodeProcess(itsHost, &code) && code == 0);
        CloseHandle(itsHost);
    }
    client.GetLoginDetails(61, &l);
    CHECK(UpdateUntil(client, l, 1));
    CHECK(l.LastId == 61 && l.Values[1] == 1000);
    const HostList after = Hosts();
    CHECK(after.Count == 1 && after.Id == host);
    CloseHandle(second.hProcess);
    CloseHandle(second.hThread);
    CloseHandle(bound);
    CloseHandle(go);
}

void SaveGames(TesmaClient& client, Listener& l, DWORD host)
{
    // A new save game, larger than one area of the channel.
    unsigned char* data = static_cast<unsigned char*>(std::malloc(SaveBytes));
    for (unsigned int i = 0; i < SaveBytes; ++i)
        data[i] = static_cast<unsigned char>(i * 7 + (i >> 9));
    client.GetSavegameWriter(11, &l, Product, 0, false);
    CHECK(UpdateUntil(client, l, 1));
    CHECK(l.Writer != nullptr && l.Writer->IsOpen());
    const unsigned int saveId = l.Values[0];
    SavegameWriter* writer = l.Writer;
    unsigned short name[] = {'r', 'e', 'l', 'a', 'y', ' ', 's', 'a', 'v', 'e', 0};
    CHECK(writer->SetName(name));
    writer->Write(12, &l, data, SaveBytes);
    CHECK(UpdateUntil(client, l, 1));
    CHECK(l.LastId == 12 && l.Values[0] == 0 && l.Values[1] == SaveBytes);
    writer->Close(true);
    SavegameWriter::Release(writer);

    client.GetSavegameList(13, &l, Product);
    CHECK(UpdateUntil(client, l, 1));
    CHECK(l.Count >= 1);
    bool listed = false;
    for (unsigned int i = 0; i < l.Count; ++i) {
        SavegameInfo& info = l.List[i];
        if (info.GetSavegameId() != saveId)
            continue;
        listed = true;
        CHECK(SameText(info.GetName(), SaveName));
        CHECK(info.GetProductId() == Product);
        CHECK(info.GetSize() == SaveBytes);
    }
    CHECK(listed);
    SavegameInfo::ReleaseList(l.List);

    // Another game lists it through a host of its own meanwhile.
    RunSecondGame(client, l, host);

    client.GetSavegameReader(14, &l, Product, saveId);
    CHECK(UpdateUntil(client, l, 1));
    CHECK(l.Reader != nullptr && l.Reader->IsOpen() && l.Values[0] == SaveBytes);
    SavegameReader* reader = l.Reader;
    const unsigned int backBytes = SaveBytes + 100;
    unsigned char* back = static_cast<unsigned char*>(std::malloc(backBytes));
    std::memset(back, 0xEE, backBytes);
    reader->Read(15, &l, 0, back, backBytes);
    CHECK(UpdateUntil(client, l, 1));
    CHECK(l.LastId == 15 && l.Values[0] == 0 && l.Values[1] == SaveBytes);
    CHECK(std::memcmp(back, data, SaveBytes) == 0);
    CHECK(back[SaveBytes] == 0xEE);
    // From an offset, a piece.
    unsigned char piece[16] = {};
    reader->Read(16, &l, 1000, piece, sizeof piece);
    CHECK(UpdateUntil(client, l, 1));
    CHECK(l.Values[1] == sizeof piece && std::memcmp(piece, data + 1000, sizeof piece) == 0);
    reader->Close();
    SavegameReader::Release(reader);
    std::free(back);
    std::free(data);

    client.RemoveSavegame(17, &l, Product, saveId);
    CHECK(UpdateUntil(client, l, 1));
    CHECK(l.LastId == 17 && l.Values[0] == 0);
    client.GetSavegameReader(18, &l, Product, saveId);
    CHECK(UpdateUntil(client, l, 1));
    CHECK(l.Reader != nullptr && !l.Reader->IsOpen() && l.Values[0] == 1);
    SavegameReader::Release(l.Reader);
}

int Session()
{
    const unsigned short key[] = {'D', 'E', 'V', 'L', 'A', 'U', 'N', 'C', 'H', 'E', 'R', '_', 'N', 'A', 'M', 'E', 0};
    {
        TesmaClient client;
        Listener l;
        CHECK(client.GetInstallationErrorNum() == 0);
        BindingDiagnostics d;
        d.Size = sizeof d;
        CHECK(GetBindingDiagnostics(&d));
        CHECK(d.InstallationError == 0 && d.DirectoryState == DirectoryFound);
        CHECK(EndsWith(d.LibraryPath, u"\\dovtesmaapi_r2.dll"));
        const HostList host = Hosts();
        CHECK(host.Count == 1);

        CHECK(client.GetRequestUniqueId() != 0xFFFFFFFFu);
        CHECK(client.StartLauncher(1, 2, "a", nullptr));
        CHECK(SameText(client.GetLocText(key, "de-DE"), u"Entwicklungs-Launcher"));
        const unsigned short unknown[] = {'N', 'O', '_', 'S', 'U', 'C', 'H', 0};
        CHECK(client.GetLocText(unknown, "en-US") == unknown);

        client.GetLoginDetails(1, &l);
        client.GetTesmaServer(2, &l, 5, 6);
        client.GetNetworkTraffic(3, &l);
        CHECK(l.Answers == 0);
        CHECK(UpdateUntil(client, l, 3));
        CHECK(l.OutsideUpdate == 0);
        CHECK(l.LastId == 3 && l.Values[0] == 0 && l.Values[3] == 0);
        client.GetLoginDetails(4, &l);
        CHECK(UpdateUntil(client, l, 1));
        CHECK(l.LastId == 4 && l.Values[0] == 1 && l.Values[1] == 1000 && l.Values[2] == 0);
        client.GetTesmaServer(5, &l, 0, 0);
        CHECK(UpdateUntil(client, l, 1));
        CHECK(l.LastId == 5 && l.Values[0] == 0x7F000001u);
        SaveGames(client, l, host.Id);
        CHECK(l.OutsideUpdate == 0);

        // A second client has a session of its own, answered in its own Update.
        {
            TesmaClient second;
            Listener l2;
            second.GetLoginDetails(7, &l2);
            CHECK(UpdateUntil(second, l2, 1));
            CHECK(l2.LastId == 7 && l2.Values[1] == 1000);
        }

        // The host dies with a request outstanding: neutral at once, never a hang.
        client.GetLoginDetails(30, &l);
        const HostList hosts = Hosts();
        CHECK(hosts.Count == 1);
        if (hosts.Count == 1) {
            HANDLE killed = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, hosts.Id);
            TerminateProcess(killed, 9);
            WaitForSingleObject(killed, 5000);
            CloseHandle(killed);
        }
        const int before = l.Answers;
        client.Update();
        CHECK(l.Answers == before);
        CHECK(client.GetRequestUniqueId() == 0xFFFFFFFFu);
        CHECK(client.GetInstallationErrorNum() == 2);
        CHECK(GetBindingDiagnostics(&d));
        CHECK(d.InstallationError == 2 && d.LoadError == ERROR_PROCESS_ABORTED);
        CHECK(EndsWith(d.LibraryPath, u"\\tesmaclient-host.exe"));
        CHECK(client.GetLocText(key, "de-DE") == key);
        // A client made meanwhile shares the lost binding: no session.
        TesmaClient meanwhile;
        CHECK(meanwhile.GetInstallationErrorNum() == 2 && meanwhile.GetRequestUniqueId() == 0xFFFFFFFFu);
    }

    // Every client of the lost binding is gone: the next one starts a new host.
    {
        TesmaClient client;
        Listener l;
        CHECK(client.GetInstallationErrorNum() == 0);
        CHECK(Hosts().Count == 1);
        client.GetNetworkTraffic(40, &l);
        CHECK(UpdateUntil(client, l, 1));
        CHECK(l.LastId == 40);
    }
    // Its release ended the host.
    Sleep(200);
    CHECK(Hosts().Count == 0);

    std::printf("relay session: %d checks, %d failed\n", g_checks, g_failed);
    return g_failed == 0 ? 0 : 1;
}

// Waits up to 5 s until no host of this process runs.
bool HostsEnded()
{
    for (int i = 0; i < 500 && Hosts().Count != 0; ++i)
        Sleep(10);
    return Hosts().Count == 0;
}

// Against a host that breaks the protocol: each scenario on a binding of its own.
int FakeHostGame()
{
    const unsigned short key[] = {'K', 'E', 'Y', 0};
    for (int scenario = 0; scenario < FakeHostScenarioCount; ++scenario) {
        const wchar_t value[] = {static_cast<wchar_t>(L'0' + scenario), 0};
        SetEnvironmentVariableW(L"TESMA_FAKE_HOST", value);
        const int failedBefore = g_failed;
        {
            TesmaClient client;
            Listener l;
            CHECK(client.GetInstallationErrorNum() == (scenario == HelloTextWithoutNul ? 2u : 0u));
            switch (scenario) {
            case ReplyCutShort:
            case FrameBeyondArea:
            case TotalTooLarge:
            case SequenceSkipped:
                CHECK(client.GetRequestUniqueId() == 0xFFFFFFFFu);
                break;
            case UnknownRequestKind:
            case SessionNeverIssued:
            case TokenNeverIssued:
                client.GetLoginDetails(1, &l);
                client.Update();
                // Not even the good answer before the bad one.
                CHECK(l.Answers == 0);
                break;
            case TextWithoutNul:
                CHECK(client.GetLocText(key, "de-DE") == key);
                break;
            }
            CHECK(client.GetInstallationErrorNum() == 2);
            BindingDiagnostics d;
            d.Size = sizeof d;
            CHECK(GetBindingDiagnostics(&d));
            CHECK(d.InstallationError == 2 && d.LoadError == ERROR_INVALID_DATA);
            CHECK(EndsWith(d.LibraryPath, u"\\fake-host\\tesmaclient-host.exe"));
            // The binding stays lost, and answers at once.
            CHECK(client.GetRequestUniqueId() == 0xFFFFFFFFu);
            client.GetLoginDetails(2, &l);
            client.Update();
            CHECK(l.Answers == 0);
            CHECK(HostsEnded());
        }
        if (g_failed != failedBefore)
            std::printf("  in fake-host scenario %d\n", scenario);
    }
    std::printf("fake host: %d checks, %d failed\n", g_checks, g_failed);
    return g_failed == 0 ? 0 : 1;
}

// The number in text, or 0.
DWORD Number(const char* text)
{
    DWORD value = 0;
    for (; *text >= '0' && *text <= '9'; ++text)
        value = value * 10 + static_cast<DWORD>(*text - '0');
    return value;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && std::strcmp(argv[1], "--second") == 0)
        return SecondGame(Number(argv[2]));
    if (argc == 2 && std::strcmp(argv[1], "--fake-host") == 0)
        return FakeHostGame();
    return Session();
}
