// The two ends of the relay misbehaving, each against the real other end:
//
//   fake_peers SECTION CALL-EVENT REPLY-EVENT GAME-PROCESS
//       as tesmaclient-host.exe beside a game's tesmaclient64.dll: the fake
//       host, which breaks the reply that TESMA_FAKE_HOST names
//       (FakeHostScenario.h; the game is `relay_session --fake-host`)
//   fake_peers --fake-game
//       the fake game: starts the real tesmaclient-host.exe beside it once
//       for each of its faults, takes the hello and a session, then sends the
//       fault. The host must end without a reply and with ERROR_INVALID_DATA,
//       never with a crash's code.
//
// Both use the channel and the codec of src/launcher/relay, as the DLL and
// the host do. The fake game prints one line per failed check and
// "fake game: N checks, M failed".

#include "FakeHostScenario.h"
#include "launcher/relay/RelayCodec.h"
#include "launcher/relay/Win32Channel.h"

#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <initializer_list>

namespace relay = kz::relay;

namespace {

using relay::Call;
using relay::ChannelEnd;

// The time a 32-bit host may take to start where it runs under an emulator.
constexpr DWORD HelloTimeoutMs = 300000;
constexpr DWORD EndTimeoutMs = 30000;

void PutWord(relay::Bytes& out, std::uint32_t value)
{
    out.AddRange(reinterpret_cast<const std::uint8_t*>(&value), 4);
}

// A frame's header as given, and as much of piece as fits the area.
void PutFrame(std::uint8_t* area, std::uint32_t total, std::uint32_t offset, std::uint32_t length,
              const std::uint8_t* piece, std::uint32_t pieceBytes)
{
    std::memcpy(area, &total, 4);
    std::memcpy(area + 4, &offset, 4);
    std::memcpy(area + 8, &length, 4);
    std::memcpy(area + relay::FrameHeaderBytes, piece, pieceBytes);
}

// Sends message piece by piece, as either side does: after each piece but
// the last, the peer asks for the next with a control frame.
bool Send(ChannelEnd& end, const relay::Bytes& message, DWORD timeoutMs)
{
    const std::uint8_t* bytes = const_cast<relay::Bytes&>(message).Data();
    relay::Frame frame;
    for (std::uint32_t offset = 0;;) {
        offset += relay::WriteFrame(end.OutArea(), relay::AreaBytes, bytes, message.Count(), offset);
        end.Post();
        if (offset == message.Count())
            return true;
        if (end.Await(relay::SpinMicroseconds, timeoutMs) != ChannelEnd::Result::Arrived ||
            !relay::ReadFrame(end.InArea(), relay::AreaBytes, frame) || !relay::IsControl(frame))
            return false;
    }
}

// Puts the peer's next message together, asking for each piece after the first.
bool Receive(ChannelEnd& end, relay::Reassembly& assembly, relay::Bytes& message, DWORD timeoutMs)
{
    relay::Frame frame;
    assembly.Reset();
    for (;;) {
        if (end.Await(relay::SpinMicroseconds, timeoutMs) != ChannelEnd::Result::Arrived ||
            !relay::ReadFrame(end.InArea(), relay::AreaBytes, frame) || !assembly.Add(frame))
            return false;
        if (assembly.Complete())
            break;
        relay::WriteControlFrame(end.OutArea());
        end.Post();
    }
    assembly.TakeInto(message);
    return true;
}

HANDLE HandleArgument(const char* text)
{
    return reinterpret_cast<HANDLE>(static_cast<std::uintptr_t>(std::strtoull(text, nullptr, 10)));
}

// --- The fake host -------------------------------------------------------------

relay::Text Wide(const wchar_t* text)
{
    return relay::Text{true, 2, static_cast<std::uint32_t>(std::wcslen(text)),
                       reinterpret_cast<const std::uint8_t*>(text)};
}

relay::Answer LoginDetails(std::uint32_t session, std::uint32_t requestId)
{
    relay::Answer answer;
    std::memset(&answer, 0, sizeof answer);
    answer.Type = relay::AnswerType::Request;
    answer.Session = session;
    answer.Kind = relay::LoginDetailsKind;
    answer.RequestId = requestId;
    answer.Values[0] = 1;
    answer.Values[1] = 1000;
    return answer;
}

// The reply to call, broken as the scenario says when it is the call the
// scenario breaks; returns whether it did. A frame that breaks the channel
// itself is written to the area and posted here.
bool Reply(ChannelEnd& end, void* view, HANDLE wakeGame, int scenario, const relay::CallMessage& call,
           std::uint32_t& sessions, relay::Bytes& reply)
{
    relay::Reply result;
    std::memset(result.Values, 0, sizeof result.Values);
    for (relay::Text& text : result.Texts)
        text = relay::Text{false, 2, 0, nullptr};
    // Texts without their NUL: the unit after the last is a letter.
    static const wchar_t directory[] = L"Z:\\fake\\launcherX";
    static const wchar_t loc[] = L"abc";
    bool broken = false;
    switch (call.Kind) {
    case Call::Hello:
        result.Values[0] = relay::ProtocolVersion;
        result.Texts[0] = Wide(L"Z:\\fake\\launcher");
        result.Texts[1] = Wide(L"Z:\\fake\\launcher\\dovtesmaapi_r2.dll");
        result.Texts[2] = relay::Text{true, 1, 0, reinterpret_cast<const std::uint8_t*>("")};
        if (scenario == HelloTextWithoutNul) {
            result.Texts[0].Data = reinterpret_cast<const std::uint8_t*>(directory);
            broken = true;
        }
        break;
    case Call::GetSession:
        result.Values[0] = ++sessions;
        break;
    case Call::GetRequestUniqueId:
        result.Values[0] = 77;
        broken = scenario == ReplyCutShort || scenario == FrameBeyondArea || scenario == TotalTooLarge ||
                 scenario == SequenceSkipped;
        break;
    case Call::GetLocText:
        if (scenario == TextWithoutNul) {
            result.Values[0] = relay::TextIs;
            result.Texts[0] = relay::Text{true, 2, 2, reinterpret_cast<const std::uint8_t*>(loc)};
            broken = true;
        }
        break;
    case Call::Update:
        broken = scenario == UnknownRequestKind || scenario == SessionNeverIssued || scenario == TokenNeverIssued;
        break;
    default:
        break;
    }
    reply.Clear();
    relay::EncodeResult(call.Kind, result, reply);
    if (!broken) {
        PutWord(reply, 0);
        return false;
    }
    switch (scenario) {
    case ReplyCutShort:
        break;
    case FrameBeyondArea:
        PutWord(reply, 0);
        PutFrame(end.OutArea(), reply.Count(), 0, relay::AreaBytes - relay::FrameHeaderBytes + 1, reply.Data(),
                 reply.Count());
        end.Post();
        return true;
    case TotalTooLarge:
        PutWord(reply, 0);
        PutFrame(end.OutArea(), relay::MaxMessageBytes + 1, 0, reply.Count(), reply.Data(), reply.Count());
        end.Post();
        return true;
    case SequenceSkipped: {
        // In one store: a game that saw the sequence between two posts would take the first.
        PutWord(reply, 0);
        relay::WriteFrame(end.OutArea(), relay::AreaBytes, reply.Data(), reply.Count(), 0);
        relay::ChannelControl& control = *static_cast<relay::ChannelControl*>(view);
        control.ReplySequence.store(control.ReplySequence.load() + 2);
        SetEvent(wakeGame);
        return true;
    }
    case UnknownRequestKind:
    case SessionNeverIssued:
    case TokenNeverIssued: {
        PutWord(reply, 2);
        relay::EncodeAnswer(LoginDetails(1, 1), reply);
        relay::Answer answer = LoginDetails(1, 1);
        if (scenario == UnknownRequestKind) {
            answer.Kind = relay::RequestKindCount;
        } else if (scenario == SessionNeverIssued) {
            answer.Session = sessions + 1;
        } else {
            answer.Type = relay::AnswerType::Write;
            answer.Token = 7;
        }
        relay::EncodeAnswer(answer, reply);
        break;
    }
    default:
        PutWord(reply, 0);
        break;
    }
    Send(end, reply, INFINITE);
    return true;
}

int FakeHost(char** argv)
{
    char value[8] = {};
    const int scenario = GetEnvironmentVariableA("TESMA_FAKE_HOST", value, sizeof value) == 1 ? value[0] - '0' : -1;
    HANDLE game = HandleArgument(argv[4]);
    void* view = MapViewOfFile(HandleArgument(argv[1]), FILE_MAP_ALL_ACCESS, 0, 0, relay::SectionBytes);
    if (view == nullptr || scenario < 0 || scenario >= FakeHostScenarioCount)
        return ERROR_BAD_ARGUMENTS;
    ChannelEnd end(view, ChannelEnd::Side::Host, HandleArgument(argv[2]), HandleArgument(argv[3]), game);
    relay::Reassembly assembly;
    relay::Bytes message, reply;
    std::uint32_t sessions = 0;
    for (;;) {
        relay::CallMessage call;
        if (!Receive(end, assembly, message, INFINITE))
            return 0;
        if (!relay::DecodeCall(message.Data(), message.Count(), relay::IssuedIds{sessions, 0, 0, 0}, call))
            return ERROR_INVALID_DATA;
        if (Reply(end, view, HandleArgument(argv[3]), scenario, call, sessions, reply)) {
            // The game ends this host at once; one that waits for more is
            // told that the host is gone rather than hang.
            WaitForSingleObject(game, 10000);
            return 0;
        }
        if (!Send(end, reply, INFINITE))
            return 0;
        if (call.Kind == Call::Quit)
            return 0;
    }
}

// --- The fake game ---------------------------------------------------------------

int g_checks = 0;
int g_failed = 0;

#define CHECK(condition)                                                                                       \
    do {                                                                                                       \
        ++g_checks;                                                                                            \
        if (!(condition)) {                                                                                    \
            ++g_failed;                                                                                        \
            std::printf("FAILED line %d (%s): %s\n", __LINE__, fault.Name, #condition);                       \
        }                                                                                                      \
    } while (0)

// How a fault goes out: as a frame broken in itself, or as a message in good frames.
enum class Break { FrameBeyondArea, TotalTooLarge, PieceNotContinuing, Message };

struct Fault {
    const char* Name;
    Break How;
    Call Kind;
    std::uint32_t Target;
};

// Each after the hello and one session (1) were issued.
const Fault Faults[] = {
    {"frame beyond its area", Break::FrameBeyondArea, Call::GetRequestUniqueId, 1},
    {"total above the largest message", Break::TotalTooLarge, Call::GetRequestUniqueId, 1},
    {"piece that does not continue", Break::PieceNotContinuing, Call::GetRequestUniqueId, 1},
    {"unknown call kind", Break::Message, static_cast<Call>(relay::LastCall + 1), 1},
    {"text without its NUL", Break::Message, Call::GetLocText, 1},
    {"session never issued", Break::Message, Call::Update, 2},
    {"reader never issued", Break::Message, Call::ReaderRead, 1},
    {"writer never issued", Break::Message, Call::WriterWrite, 1},
    {"save-game list entry never issued", Break::Message, Call::InfoGetName, 1},
};
constexpr int FaultCount = sizeof Faults / sizeof Faults[0];

struct Host {
    HANDLE Process = nullptr;
    HANDLE Section = nullptr;
    HANDLE CallEvent = nullptr;
    HANDLE ReplyEvent = nullptr;
    void* View = nullptr;
};

// Starts the host as the DLL does: the channel's handles inherited, and only
// for as long as this start takes.
bool StartHost(const wchar_t* path, Host& host)
{
    host.Section = CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                      static_cast<DWORD>(relay::SectionBytes), nullptr);
    host.CallEvent = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    host.ReplyEvent = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    HANDLE game = nullptr;
    if (host.Section == nullptr || host.CallEvent == nullptr || host.ReplyEvent == nullptr ||
        !DuplicateHandle(GetCurrentProcess(), GetCurrentProcess(), GetCurrentProcess(), &game, SYNCHRONIZE, TRUE, 0))
        return false;
    host.View = MapViewOfFile(host.Section, FILE_MAP_ALL_ACCESS, 0, 0, relay::SectionBytes);
    const HANDLE inherited[] = {host.Section, host.CallEvent, host.ReplyEvent};
    for (HANDLE handle : inherited)
        SetHandleInformation(handle, HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT);
    // "<path>" section call-event reply-event game-process
    wchar_t line[MAX_PATH + 128];
    wchar_t* at = line;
    *at++ = L'"';
    for (const wchar_t* c = path; *c != 0; ++c)
        *at++ = *c;
    *at++ = L'"';
    for (HANDLE handle : {host.Section, host.CallEvent, host.ReplyEvent, game}) {
        std::uintptr_t value = reinterpret_cast<std::uintptr_t>(handle);
        wchar_t digits[24];
        int n = 0;
        do {
            digits[n++] = static_cast<wchar_t>(L'0' + value % 10);
            value /= 10;
        } while (value != 0);
        *at++ = L' ';
        while (n > 0)
            *at++ = digits[--n];
    }
    *at = 0;
    STARTUPINFOW startup;
    std::memset(&startup, 0, sizeof startup);
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started;
    const BOOL ok = CreateProcessW(path, line, nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr, nullptr, &startup,
                                   &started);
    for (HANDLE handle : inherited)
        SetHandleInformation(handle, HANDLE_FLAG_INHERIT, 0);
    CloseHandle(game);
    if (!ok)
        return false;
    CloseHandle(started.hThread);
    host.Process = started.hProcess;
    return host.View != nullptr;
}

// Sends the fault as its name says.
void SendFault(ChannelEnd& end, const Fault& fault)
{
    relay::CallMessage call = relay::MakeCall(fault.Kind);
    call.Target = fault.Target;
    // The codec sends Units + 1 units: the X goes out in place of the NUL.
    const std::uint16_t key[] = {'k', 'e', 'y', 'X'};
    switch (fault.Kind) {
    case Call::GetLocText:
        call.Texts[0] = relay::Text{true, 2, 3, reinterpret_cast<const std::uint8_t*>(key)};
        call.Texts[1] = relay::Text{true, 1, 5, reinterpret_cast<const std::uint8_t*>("de-DE")};
        break;
    case Call::ReaderRead:
        call.Values[3] = 16;
        call.Values[4] = relay::HasBuffer;
        break;
    case Call::WriterWrite:
        call.Values[2] = 4;
        call.Values[4] = relay::HasBuffer;
        call.Data = reinterpret_cast<const std::uint8_t*>("save");
        break;
    default:
        break;
    }
    relay::Bytes message;
    relay::EncodeCall(call, message);
    switch (fault.How) {
    case Break::FrameBeyondArea:
        PutFrame(end.OutArea(), message.Count(), 0, relay::AreaBytes - relay::FrameHeaderBytes + 1, message.Data(),
                 message.Count());
        break;
    case Break::TotalTooLarge:
        PutFrame(end.OutArea(), relay::MaxMessageBytes + 1, 0, message.Count(), message.Data(), message.Count());
        break;
    case Break::PieceNotContinuing: {
        // The first half, then, asked for the rest, the whole from 0 again.
        const std::uint32_t half = message.Count() / 2;
        PutFrame(end.OutArea(), message.Count(), 0, half, message.Data(), half);
        end.Post();
        relay::Frame frame;
        const bool asked = end.Await(relay::SpinMicroseconds, EndTimeoutMs) == ChannelEnd::Result::Arrived &&
                           relay::ReadFrame(end.InArea(), relay::AreaBytes, frame) && relay::IsControl(frame);
        CHECK(asked);
        PutFrame(end.OutArea(), message.Count(), 0, message.Count(), message.Data(), message.Count());
        break;
    }
    case Break::Message:
        relay::WriteFrame(end.OutArea(), relay::AreaBytes, message.Data(), message.Count(), 0);
        break;
    }
    end.Post();
}

void RunFault(const Fault& fault, Host& host)
{
    ChannelEnd end(host.View, ChannelEnd::Side::Game, host.ReplyEvent, host.CallEvent, host.Process);
    relay::Reassembly assembly;
    relay::Bytes message, reply;
    relay::Reply decoded;
    // A host that works: its hello and a session.
    relay::CallMessage hello = relay::MakeCall(Call::Hello);
    hello.Values[0] = relay::ProtocolVersion;
    relay::EncodeCall(hello, message);
    CHECK(Send(end, message, HelloTimeoutMs) && Receive(end, assembly, reply, HelloTimeoutMs));
    CHECK(relay::DecodeReply(Call::Hello, reply.Data(), reply.Count(), 0, decoded) &&
          decoded.Values[0] == relay::ProtocolVersion);
    message.Clear();
    relay::EncodeCall(relay::MakeCall(Call::GetSession), message);
    CHECK(Send(end, message, EndTimeoutMs) && Receive(end, assembly, reply, EndTimeoutMs));
    CHECK(relay::DecodeReply(Call::GetSession, reply.Data(), reply.Count(), 0, decoded) && decoded.Values[0] == 1);

    SendFault(end, fault);
    // Refused: no reply, the host ends, and not by a fault of its own.
    CHECK(end.Await(relay::SpinMicroseconds, EndTimeoutMs) == ChannelEnd::Result::PeerGone);
    CHECK(WaitForSingleObject(host.Process, EndTimeoutMs) == WAIT_OBJECT_0);
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(host.Process, &code);
    if (code != ERROR_INVALID_DATA)
        std::printf("(%s) the host's exit code: 0x%08lX\n", fault.Name, code);
    CHECK(code == ERROR_INVALID_DATA);
}

int FakeGame()
{
    wchar_t path[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    DWORD slash = length;
    while (slash > 0 && path[slash - 1] != L'\\')
        --slash;
    const wchar_t name[] = L"tesmaclient-host.exe";
    std::memcpy(path + slash, name, sizeof name);
    // All started first: their starts overlap while the first is driven.
    Host hosts[FaultCount];
    bool started[FaultCount];
    for (int i = 0; i < FaultCount; ++i)
        started[i] = StartHost(path, hosts[i]);
    for (int i = 0; i < FaultCount; ++i) {
        const Fault& fault = Faults[i];
        CHECK(started[i]);
        if (started[i])
            RunFault(fault, hosts[i]);
        TerminateProcess(hosts[i].Process, 1);
    }
    std::printf("fake game: %d checks, %d failed\n", g_checks, g_failed);
    return g_failed == 0 ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    // As the DLL starts its host.
    if (argc == 5)
        return FakeHost(argv);
    if (argc == 2 && std::strcmp(argv[1], "--fake-game") == 0)
        return FakeGame();
    return ERROR_BAD_ARGUMENTS;
}
