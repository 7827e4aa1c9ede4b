// Each export called exactly as MSVC-built code calls it, from a hand-written
// call: the callee pops its arguments, keeps EBX, ESI, EDI and EBP, returns
// bool in AL, reads a bool argument from its low byte only, and the
// constructor returns the object's address in EAX.

#include "MsvcGame.h"

#include "AbiProbe.h"

extern "C" unsigned g_probeEspBefore = 0, g_probeEspAfter = 0, g_probeEax = 0, g_probeFrame = 0,
                    g_probeTarget = 0, g_probeEbx = 0, g_probeEsi = 0, g_probeEdi = 0, g_probeEbp = 0;

namespace {

using namespace msvcgame;

// A bool pushed by a caller that only set the low byte.
constexpr unsigned DirtyFalse = 0xFFFFFF00;
constexpr unsigned DirtyTrue = 0x00000101;

struct Prober {
    unsigned Failures = 0;

    // Calls function on self with the given stack words; the convention is
    // checked here, the result is returned.
    unsigned Call(const char* name, const void* function, void* self, const unsigned* arguments = nullptr,
                  unsigned count = 0)
    {
        if (function == nullptr) {
            printf("%s: no such export\n", name);
            ++Failures;
            return 0;
        }
        const ProbeResult result = ProbeThiscall(function, self, arguments, count);
        if (result.StackDelta != 0 || !result.CalleeSavedIntact) {
            printf("%s: stack moved by %d, callee-saved registers %s\n", name, result.StackDelta,
                   result.CalleeSavedIntact ? "kept" : "clobbered");
            ++Failures;
        }
        return result.Eax;
    }
};

} // namespace

void msvcgame::CheckCallingConventions(const wchar_t* libraryPath)
{
    void* dll = GetModuleHandleW(L"tesmaclient.dll");
    Prober probe;
    alignas(4) unsigned char storage[sizeof(TesmaClient)];
    const unsigned self = Word(storage);
    GAME_CHECK(probe.Call("constructor", GetProcAddress(dll, "??0TesmaClient@tesmaclient@kz@@QAE@XZ"), storage) ==
               self);
    Standin standin;
    GAME_CHECK(standin.Bind(libraryPath));
    if (standin.Module == nullptr)
        return;
    standin.Via = reinterpret_cast<TesmaClient*>(storage);
    GameListener game;
    unsigned short text[] = {'t', 0};
    char buffer[8];

    probe.Call("Update", AddressOf(&TesmaClient::Update), storage);
    GAME_CHECK(probe.Call("GetRequestUniqueId", AddressOf(&TesmaClient::GetRequestUniqueId), storage) ==
               standin::FirstUniqueId);
    const unsigned launch[] = {1, 2, Word("c"), Word("d")};
    standin.SetResult(standin::StartLauncher, 1);
    GAME_CHECK((probe.Call("StartLauncher", AddressOf(&TesmaClient::StartLauncher), storage, launch, 4) & 0xFF) ==
               1);
    standin.SetResult(standin::StartLauncher, 0);
    GAME_CHECK((probe.Call("StartLauncher", AddressOf(&TesmaClient::StartLauncher), storage, launch, 4) & 0xFF) ==
               0);
    const unsigned texts[] = {Word(text), Word(text), Word(text)};
    probe.Call("StartProcess", AddressOf(&TesmaClient::StartProcess), storage, texts, 3);
    const unsigned loc[] = {Word(text), Word("en-US")};
    standin.SetResult(standin::GetLocText, Word(text));
    GAME_CHECK(probe.Call("GetLocText", AddressOf(&TesmaClient::GetLocText), storage, loc, 2) == Word(text));
    GAME_CHECK(probe.Call("GetInstallationErrorNum", AddressOf(&TesmaClient::GetInstallationErrorNum), storage) == 0);
    const unsigned locale[] = {Word("en-US")};
    GAME_CHECK(probe.Call("GetInstallationErrorString", AddressOf(&TesmaClient::GetInstallationErrorString), storage,
                          locale, 1) != 0);

    const unsigned login[] = {1, Word(static_cast<IGetLoginDetailsListener*>(&game))};
    probe.Call("GetLoginDetails", AddressOf(&TesmaClient::GetLoginDetails), storage, login, 2);
    const unsigned server[] = {2, Word(static_cast<IGetTesmaServerListener*>(&game)), 3, 4};
    probe.Call("GetTesmaServer", AddressOf(&TesmaClient::GetTesmaServer), storage, server, 4);
    const unsigned remove[] = {3, Word(static_cast<IRemoveSavegameListener*>(&game)), 3, 4};
    probe.Call("RemoveSavegame", AddressOf(&TesmaClient::RemoveSavegame), storage, remove, 4);
    const unsigned traffic[] = {4, Word(static_cast<IGetNetworkTrafficListener*>(&game))};
    probe.Call("GetNetworkTraffic", AddressOf(&TesmaClient::GetNetworkTraffic), storage, traffic, 2);
    const unsigned list[] = {5, Word(static_cast<IGetSavegameListListener*>(&game)), 6};
    probe.Call("GetSavegameList", AddressOf(&TesmaClient::GetSavegameList), storage, list, 3);
    GAME_CHECK(standin.Answer(standin::GetSavegameList, 5, Word(standin.List()), 1, 0, 0) == 1);
    SavegameInfo* info = static_cast<SavegameInfo*>(game.Object);
    const unsigned reader[] = {6, Word(static_cast<IGetSavegameReaderListener*>(&game)), 7, 8};
    probe.Call("GetSavegameReader", AddressOf(&TesmaClient::GetSavegameReader), storage, reader, 4);
    GAME_CHECK(standin.Answer(standin::GetSavegameReader, 6, 0, 0x5000, 0, 0) == 1);
    SavegameReader* savegameReader = static_cast<SavegameReader*>(game.Object);

    // A bool argument is its low byte, whatever the caller left above it.
    const unsigned writerFalse[] = {7, Word(static_cast<IGetSavegameWriterListener*>(&game)), 8, 9, DirtyFalse};
    probe.Call("GetSavegameWriter", AddressOf(&TesmaClient::GetSavegameWriter), storage, writerFalse, 5);
    GAME_CHECK(standin.Last()->EntryPoint == standin::GetSavegameWriter && standin.Last()->Arguments[5] == 0);
    const unsigned writerTrue[] = {7, writerFalse[1], 8, 9, DirtyTrue};
    probe.Call("GetSavegameWriter", AddressOf(&TesmaClient::GetSavegameWriter), storage, writerTrue, 5);
    GAME_CHECK(standin.Last()->EntryPoint == standin::GetSavegameWriter && standin.Last()->Arguments[5] == 1);
    GAME_CHECK(standin.Answer(standin::GetSavegameWriter, 7, 0, 0x6000, 0, 0) == 1);
    SavegameWriter* writer = static_cast<SavegameWriter*>(game.Object);

    const unsigned read[] = {9, 0x1234, 10, Word(buffer), 8};
    probe.Call("SavegameReader::Read", AddressOf(&SavegameReader::Read), savegameReader, read, 5);
    probe.Call("SavegameReader::Close", AddressOf(&SavegameReader::Close), savegameReader);
    GAME_CHECK(standin.Last()->EntryPoint == standin::SaveGameReaderClose && standin.Last()->Arguments[0] == 0x5000);
    const unsigned name[] = {Word(text)};
    standin.SetResult(standin::SaveGameWriterSetName, 1);
    GAME_CHECK((probe.Call("SetName", AddressOf(&SavegameWriter::SetName), writer, name, 1) & 0xFF) == 1);
    const unsigned write[] = {11, 0x4321, Word(buffer), 8};
    probe.Call("SavegameWriter::Write", AddressOf(&SavegameWriter::Write), writer, write, 4);
    const unsigned closeFalse[] = {DirtyFalse};
    probe.Call("SavegameWriter::Close", AddressOf(&SavegameWriter::Close), writer, closeFalse, 1);
    GAME_CHECK(standin.Last()->EntryPoint == standin::SaveGameWriterClose && standin.Last()->Arguments[1] == 0);
    const unsigned closeTrue[] = {DirtyTrue};
    probe.Call("SavegameWriter::Close", AddressOf(&SavegameWriter::Close), writer, closeTrue, 1);
    GAME_CHECK(standin.Last()->EntryPoint == standin::SaveGameWriterClose && standin.Last()->Arguments[1] == 1);

    standin.SetResult(standin::SaveGameInfoGetProductId, 700);
    probe.Call("GetName", AddressOf(&SavegameInfo::GetName), info);
    GAME_CHECK(probe.Call("GetProductId", AddressOf(&SavegameInfo::GetProductId), info) == 700);
    probe.Call("GetSavegameId", AddressOf(&SavegameInfo::GetSavegameId), info);
    probe.Call("GetSize", AddressOf(&SavegameInfo::GetSize), info);

    probe.Call("destructor", GetProcAddress(dll, "??1TesmaClient@tesmaclient@kz@@QAE@XZ"), storage);
    GAME_CHECK(GetModuleHandleW(libraryPath) == nullptr);
    GAME_CHECK(probe.Failures == 0);
}
