#include "launcher/hosted/HostedLauncher.h"

#include "containers/Allocate.h"
#include "kz/tesmaclient/Listeners.h"
#include "launcher/BlockingLock.h"
#include "launcher/LauncherApi.h"
#include "launcher/relay/RelayCodec.h"
#include "launcher/relay/Win32Channel.h"

#include <windows.h>

#include <cstring>

namespace kz {
namespace hosted {

namespace {

using relay::Answer;
using relay::AnswerType;
using relay::Call;
using relay::CallMessage;
using relay::ChannelEnd;
using relay::Reply;
using relay::TextOf;

// The hello may wait for a 32-bit process started under an emulator.
constexpr DWORD HelloTimeoutMs = 60000;
// A host that does not take its quit in this time is ended by its job.
constexpr DWORD QuitTimeoutMs = 5000;
constexpr DWORD Forever = INFINITE;

// The launcher's listeners of one session, as its Pimpl handed them over,
// by request kind.
struct SessionListeners {
    void* Listener[relay::RequestKindCount];
};

struct PendingRead {
    std::uint32_t Token;
    tesmaclient::ISavegameReadListener* Listener;
    void* Buffer;
    std::uint32_t Length;
};

struct PendingWrite {
    std::uint32_t Token;
    tesmaclient::ISavegameWriteListener* Listener;
};

// An answer ready for the game, with nothing left pointing into the reply.
struct Delivery {
    AnswerType Type;
    std::uint32_t Kind;
    void* Listener;
    std::uint32_t RequestId;
    std::uint32_t Values[4];
    SavegameHandle Handle;
    const void* List;
};

struct Host {
    HANDLE Process = nullptr;
    HANDLE Job = nullptr;
    HANDLE Section = nullptr;
    HANDLE CallEvent = nullptr;
    HANDLE ReplyEvent = nullptr;
    void* View = nullptr;
    ChannelEnd* End = nullptr;
    const unsigned short* Path = EmptyUtf16;

    // Guards everything below, and the channel: one call at a time.
    BlockingLock Lock;
    bool Gone = false;
    std::uint32_t Sessions = 0;
    common::HybridArray<SessionListeners> Listeners;
    common::HybridArray<PendingRead> Reads;
    common::HybridArray<PendingWrite> Writes;
    std::uint32_t NextToken = 0;
    // The save-game lists handed to the game, each an array of the host's
    // info ids, and the launcher's texts: valid while the binding lasts.
    common::HybridArray<void*> Lists;
    InternedTexts Texts;
    relay::Bytes Message;
    relay::Bytes ReplyBytes;
    relay::Reassembly Assembly;
    Reply Decoded;
};

// The binding's host; set by Bind, cleared by Release, between which the
// relays run (LauncherApi holds the release off while a call is in progress).
Host* g_host = nullptr;

// --- The exchange of one call and its reply ---------------------------------

enum class Exchanged { Ok, Gone, Malformed, TimedOut };

// With the host's lock held: sends message, assembles the reply.
Exchanged Exchange(Host& host, const relay::Bytes& message, DWORD timeoutMs)
{
    ChannelEnd& end = *host.End;
    const std::uint8_t* bytes = const_cast<relay::Bytes&>(message).Data();
    const std::uint32_t total = message.Count();
    auto await = [&]() {
        switch (end.Await(relay::SpinMicroseconds, timeoutMs)) {
        case ChannelEnd::Result::Arrived:
            return Exchanged::Ok;
        case ChannelEnd::Result::TimedOut:
            return Exchanged::TimedOut;
        case ChannelEnd::Result::OutOfStep:
            return Exchanged::Malformed;
        default:
            return Exchanged::Gone;
        }
    };
    relay::Frame frame;
    for (std::uint32_t offset = 0;;) {
        offset += relay::WriteFrame(end.OutArea(), relay::AreaBytes, bytes, total, offset);
        end.Post();
        const Exchanged got = await();
        if (got != Exchanged::Ok)
            return got;
        if (!relay::ReadFrame(end.InArea(), relay::AreaBytes, frame))
            return Exchanged::Malformed;
        if (offset == total)
            break;
        // Until the whole call is there, the host only asks for more.
        if (!relay::IsControl(frame))
            return Exchanged::Malformed;
    }
    host.Assembly.Reset();
    for (;;) {
        if (!host.Assembly.Add(frame))
            return Exchanged::Malformed;
        if (host.Assembly.Complete())
            break;
        relay::WriteControlFrame(end.OutArea());
        end.Post();
        const Exchanged got = await();
        if (got != Exchanged::Ok)
            return got;
        if (!relay::ReadFrame(end.InArea(), relay::AreaBytes, frame))
            return Exchanged::Malformed;
    }
    host.Assembly.TakeInto(host.ReplyBytes);
    return Exchanged::Ok;
}

DWORD ErrorOf(Exchanged result)
{
    switch (result) {
    case Exchanged::Malformed:
        return ERROR_INVALID_DATA;
    case Exchanged::TimedOut:
        return WAIT_TIMEOUT;
    default:
        return ERROR_PROCESS_ABORTED;
    }
}

// With the host's lock held: the host is of no more use. Ended at once, so
// that a host that misbehaved holds nothing of the launcher's any longer.
void MarkGone(Host& host)
{
    host.Gone = true;
    TerminateProcess(host.Process, ERROR_PROCESS_ABORTED);
}

// A call in progress: holds the host's lock from the start until Deliver, and
// tells LauncherApi after letting go when the host was lost meanwhile.
class RelayCall {
public:
    explicit RelayCall(Call kind) noexcept : m_host(g_host), m_call(relay::MakeCall(kind))
    {
        m_host->Lock.Lock();
    }
    ~RelayCall()
    {
        if (m_locked)
            m_host->Lock.Unlock();
        if (m_lostError != 0) {
            if (LauncherApi* api = LauncherApi::Existing())
                api->HostLost(m_host->Path, m_lostError);
        }
        for (unsigned i = 0; i < m_deliveries.Count(); ++i)
            Deliver(m_deliveries.At(i));
    }
    RelayCall(const RelayCall&) = delete;
    RelayCall& operator=(const RelayCall&) = delete;

    CallMessage& Message() noexcept { return m_call; }
    Host& Target() noexcept { return *m_host; }

    // Sends the call; true with the decoded reply in Result(). A reply's
    // answers are resolved now and delivered once the lock is let go.
    bool Run() noexcept
    {
        Host& host = *m_host;
        if (host.Gone)
            return false;
        host.Message.Clear();
        relay::EncodeCall(m_call, host.Message);
        Exchanged result = Exchange(host, host.Message, Forever);
        if (result == Exchanged::Ok &&
            !relay::DecodeReply(m_call.Kind, host.ReplyBytes.Data(), host.ReplyBytes.Count(), host.Sessions,
                                host.Decoded))
            result = Exchanged::Malformed;
        if (result == Exchanged::Ok && !Resolve())
            result = Exchanged::Malformed;
        if (result != Exchanged::Ok) {
            m_lostError = ErrorOf(result);
            MarkGone(host);
            m_deliveries.Clear();
            return false;
        }
        return true;
    }

    Reply& Result() noexcept { return m_host->Decoded; }

    // For the calls that return a launcher's text: kept while the binding lasts.
    const unsigned short* KeepText(const relay::Text& text) noexcept
    {
        unsigned short* units =
            static_cast<unsigned short*>(common::Allocate((std::size_t(text.Units) + 1) * sizeof(unsigned short)));
        relay::CopyText(text, units);
        const unsigned short* kept = m_host->Texts.Intern(units);
        std::free(units);
        return kept;
    }

private:
    // Checks every answer against what this side asked, and copies what it
    // brings (a read's bytes, a list) to where the game will find it.
    bool Resolve() noexcept
    {
        Host& host = *m_host;
        common::HybridArray<Answer>& answers = host.Decoded.Answers;
        for (unsigned i = 0; i < answers.Count(); ++i) {
            const Answer& answer = answers.At(i);
            Delivery delivery;
            std::memset(&delivery, 0, sizeof delivery);
            delivery.Type = answer.Type;
            delivery.Kind = answer.Kind;
            delivery.RequestId = answer.RequestId;
            std::memcpy(delivery.Values, answer.Values, sizeof delivery.Values);
            if (answer.Type == AnswerType::Request) {
                delivery.Listener = host.Listeners.At(answer.Session - 1).Listener[answer.Kind];
                // The host answers only what was asked of it.
                if (delivery.Listener == nullptr)
                    return false;
                delivery.Handle = answer.Handle;
                if (answer.Kind == relay::SavegameListKind) {
                    void* list = common::Allocate(std::size_t(answer.Count) * 4);
                    std::memcpy(list, answer.Items, std::size_t(answer.Count) * 4);
                    host.Lists.Add(list);
                    delivery.List = list;
                    delivery.Values[0] = answer.Count;
                }
            } else if (answer.Type == AnswerType::Read) {
                unsigned at = 0;
                while (at < host.Reads.Count() && host.Reads.At(at).Token != answer.Token)
                    ++at;
                if (at == host.Reads.Count())
                    return false;
                const PendingRead read = host.Reads.At(at);
                if (answer.Count > read.Length || (read.Buffer == nullptr && answer.Count != 0))
                    return false;
                host.Reads.RemoveAtUnordered(at);
                if (answer.Count != 0)
                    std::memcpy(read.Buffer, answer.Items, answer.Count);
                delivery.Listener = read.Listener;
            } else {
                unsigned at = 0;
                while (at < host.Writes.Count() && host.Writes.At(at).Token != answer.Token)
                    ++at;
                if (at == host.Writes.Count())
                    return false;
                delivery.Listener = host.Writes.At(at).Listener;
                host.Writes.RemoveAtUnordered(at);
            }
            m_deliveries.Add(delivery);
        }
        return true;
    }

    // As the launcher calls its listeners: the client's through the
    // launcher's interfaces, a read's or write's own listener directly.
    static void Deliver(const Delivery& d) noexcept
    {
        const std::uint32_t id = d.RequestId;
        if (d.Type == AnswerType::Read) {
            static_cast<tesmaclient::ISavegameReadListener*>(d.Listener)->OnSavegameRead(id, d.Values[0], d.Values[1]);
            return;
        }
        if (d.Type == AnswerType::Write) {
            static_cast<tesmaclient::ISavegameWriteListener*>(d.Listener)->OnSavegameWrite(id, d.Values[0],
                                                                                           d.Values[1]);
            return;
        }
        const std::uint32_t* v = d.Values;
        switch (d.Kind) {
        case relay::LoginDetailsKind:
            static_cast<tesmadll::IGetLoginDetailsListener*>(d.Listener)->OnGetLoginDetails(id, v[0], v[1], v[2]);
            break;
        case relay::TesmaServerKind:
            static_cast<tesmadll::IGetTesmaServerListener*>(d.Listener)->OnGetTesmaServer(id, v[0]);
            break;
        case relay::SavegameReaderKind:
            static_cast<tesmadll::IGetSavegameReaderListener*>(d.Listener)->OnGetSavegameReader(id, v[0], d.Handle);
            break;
        case relay::SavegameWriterKind:
            static_cast<tesmadll::IGetSavegameWriterListener*>(d.Listener)->OnGetSavegameWriter(id, v[0], d.Handle);
            break;
        case relay::SavegameListKind:
            static_cast<tesmadll::IGetSavegameListListener*>(d.Listener)->OnGetSavegameList(id, d.List, v[0]);
            break;
        case relay::RemoveSavegameKind:
            static_cast<tesmadll::IRemoveSavegameListener*>(d.Listener)->OnRemoveSavegame(id, v[0]);
            break;
        case relay::NetworkTrafficKind:
            static_cast<tesmadll::IGetNetworkTrafficListener*>(d.Listener)->OnGetNetworkTraffic(id, v[0], v[1], v[2],
                                                                                                v[3]);
            break;
        }
    }

    Host* m_host;
    CallMessage m_call;
    bool m_locked = true;
    DWORD m_lostError = 0;
    common::HybridArray<Delivery> m_deliveries;
};

// A list entry's handle is the address of its 4-byte element in a list of ours.
std::uint32_t InfoId(SavegameHandle info)
{
    std::uint32_t id;
    std::memcpy(&id, reinterpret_cast<const void*>(info), 4);
    return id;
}

// --- The relays: the 22 entry points ----------------------------------------

SessionHandle RelayGetSession()
{
    RelayCall call(Call::GetSession);
    if (!call.Run())
        return 0;
    Host& host = call.Target();
    host.Sessions = call.Result().Values[0];
    SessionListeners none;
    std::memset(&none, 0, sizeof none);
    host.Listeners.Add(none);
    return host.Sessions;
}

void RelayUpdate(SessionHandle session)
{
    RelayCall call(Call::Update);
    call.Message().Target = session;
    call.Run();
}

unsigned int RelayGetRequestUniqueId(SessionHandle session)
{
    RelayCall call(Call::GetRequestUniqueId);
    call.Message().Target = session;
    return call.Run() ? call.Result().Values[0] : 0xFFFFFFFFu;
}

bool RelayStartLauncher(SessionHandle session, unsigned int a, unsigned int b, const char* c, const char* d)
{
    RelayCall call(Call::StartLauncher);
    CallMessage& m = call.Message();
    m.Target = session;
    m.Values[0] = a;
    m.Values[1] = b;
    m.Texts[0] = TextOf(c);
    m.Texts[1] = TextOf(d);
    return call.Run() && call.Result().Values[0] != 0;
}

void RelayStartProcess(SessionHandle session, unsigned short* a, unsigned short* b, unsigned short* c)
{
    RelayCall call(Call::StartProcess);
    CallMessage& m = call.Message();
    m.Target = session;
    m.Texts[0] = TextOf(a);
    m.Texts[1] = TextOf(b);
    m.Texts[2] = TextOf(c);
    call.Run();
}

void RelayRequest(SessionHandle session, relay::RequestKind kind, unsigned int requestId, void* listener,
                  std::uint32_t a = 0, std::uint32_t b = 0, std::uint32_t flag = 0)
{
    RelayCall call(Call::Request);
    Host& host = call.Target();
    if (session == 0 || session > host.Sessions)
        return;
    host.Listeners.At(session - 1).Listener[kind] = listener;
    CallMessage& m = call.Message();
    m.Target = session;
    m.Values[0] = kind;
    m.Values[1] = requestId;
    m.Values[2] = a;
    m.Values[3] = b;
    m.Values[4] = flag;
    call.Run();
}

void RelayGetLoginDetails(SessionHandle session, unsigned int requestId, tesmadll::IGetLoginDetailsListener* listener)
{
    RelayRequest(session, relay::LoginDetailsKind, requestId, listener);
}

void RelayGetTesmaServer(SessionHandle session, unsigned int requestId, tesmadll::IGetTesmaServerListener* listener,
                         unsigned int a, unsigned int b)
{
    RelayRequest(session, relay::TesmaServerKind, requestId, listener, a, b);
}

void RelayGetSavegameReader(SessionHandle session, unsigned int requestId,
                            tesmadll::IGetSavegameReaderListener* listener, unsigned int a, unsigned int b)
{
    RelayRequest(session, relay::SavegameReaderKind, requestId, listener, a, b);
}

void RelayGetSavegameWriter(SessionHandle session, unsigned int requestId,
                            tesmadll::IGetSavegameWriterListener* listener, unsigned int a, unsigned int b, bool flag)
{
    RelayRequest(session, relay::SavegameWriterKind, requestId, listener, a, b, flag ? 1 : 0);
}

void RelayGetSavegameList(SessionHandle session, unsigned int requestId, tesmadll::IGetSavegameListListener* listener,
                          unsigned int a)
{
    RelayRequest(session, relay::SavegameListKind, requestId, listener, a);
}

void RelayRemoveSavegame(SessionHandle session, unsigned int requestId, tesmadll::IRemoveSavegameListener* listener,
                         unsigned int a, unsigned int b)
{
    RelayRequest(session, relay::RemoveSavegameKind, requestId, listener, a, b);
}

void RelayGetNetworkTraffic(SessionHandle session, unsigned int requestId,
                            tesmadll::IGetNetworkTrafficListener* listener)
{
    RelayRequest(session, relay::NetworkTrafficKind, requestId, listener);
}

const unsigned short* RelayGetLocText(SessionHandle session, const unsigned short* key, const char* locale)
{
    RelayCall call(Call::GetLocText);
    CallMessage& m = call.Message();
    m.Target = session;
    m.Texts[0] = TextOf(key);
    m.Texts[1] = TextOf(locale);
    if (!call.Run())
        return key;
    switch (call.Result().Values[0]) {
    case relay::TextIsKey:
        return key;
    case relay::TextIs:
        return call.KeepText(call.Result().Texts[0]);
    default:
        return nullptr;
    }
}

void RelaySaveGameReaderRead(SavegameHandle reader, unsigned int requestId,
                             tesmaclient::ISavegameReadListener* listener, unsigned int offset, void* buffer,
                             unsigned int length)
{
    RelayCall call(Call::ReaderRead);
    Host& host = call.Target();
    if (host.Gone)
        return;
    const std::uint32_t token = ++host.NextToken;
    CallMessage& m = call.Message();
    m.Target = static_cast<std::uint32_t>(reader);
    m.Values[0] = requestId;
    m.Values[1] = token;
    m.Values[2] = offset;
    m.Values[3] = length;
    m.Values[4] = (listener != nullptr ? relay::HasListener : 0) | (buffer != nullptr ? relay::HasBuffer : 0);
    // Filed first: the launcher may report before the call returns.
    if (listener != nullptr)
        host.Reads.Add(PendingRead{token, listener, buffer, length});
    call.Run();
}

void RelaySaveGameReaderClose(SavegameHandle reader)
{
    RelayCall call(Call::ReaderClose);
    call.Message().Target = static_cast<std::uint32_t>(reader);
    call.Run();
}

bool RelaySaveGameWriterSetName(SavegameHandle writer, unsigned short* name)
{
    RelayCall call(Call::WriterSetName);
    call.Message().Target = static_cast<std::uint32_t>(writer);
    call.Message().Texts[0] = TextOf(name);
    return call.Run() && call.Result().Values[0] != 0;
}

void RelaySaveGameWriterWrite(SavegameHandle writer, unsigned int requestId,
                              tesmaclient::ISavegameWriteListener* listener, void* buffer, unsigned int size)
{
    RelayCall call(Call::WriterWrite);
    Host& host = call.Target();
    if (host.Gone)
        return;
    const std::uint32_t token = ++host.NextToken;
    CallMessage& m = call.Message();
    m.Target = static_cast<std::uint32_t>(writer);
    m.Values[0] = requestId;
    m.Values[1] = token;
    m.Values[2] = size;
    m.Values[4] = (listener != nullptr ? relay::HasListener : 0) | (buffer != nullptr ? relay::HasBuffer : 0);
    m.Data = static_cast<const std::uint8_t*>(buffer);
    // The host holds the bytes from here on, the game's buffer is free again.
    if (buffer != nullptr && size > relay::MaxMessageBytes - 64)
        return;
    if (listener != nullptr)
        host.Writes.Add(PendingWrite{token, listener});
    call.Run();
}

void RelaySaveGameWriterClose(SavegameHandle writer, bool flag)
{
    RelayCall call(Call::WriterClose);
    call.Message().Target = static_cast<std::uint32_t>(writer);
    call.Message().Values[0] = flag ? 1 : 0;
    call.Run();
}

const unsigned short* RelaySaveGameInfoGetName(SavegameHandle info)
{
    RelayCall call(Call::InfoGetName);
    call.Message().Target = InfoId(info);
    if (!call.Run() || call.Result().Values[0] != relay::TextIs)
        return nullptr;
    return call.KeepText(call.Result().Texts[0]);
}

std::uint32_t InfoNumber(Call kind, SavegameHandle info, std::uint32_t neutral)
{
    RelayCall call(kind);
    call.Message().Target = InfoId(info);
    return call.Run() ? call.Result().Values[0] : neutral;
}

unsigned int RelaySaveGameInfoGetProductId(SavegameHandle info)
{
    return InfoNumber(Call::InfoGetProductId, info, 0xFFFFFFFFu);
}

unsigned int RelaySaveGameInfoGetSavegameId(SavegameHandle info)
{
    return InfoNumber(Call::InfoGetSavegameId, info, 0xFFFFFFFFu);
}

unsigned int RelaySaveGameInfoGetSize(SavegameHandle info)
{
    return InfoNumber(Call::InfoGetSize, info, 0);
}

// --- Starting and ending the host --------------------------------------------

// The host's path: tesmaclient-host.exe in this DLL's own directory.
bool HostPath(unsigned short* path, DWORD capacity)
{
    HMODULE self = nullptr;
    if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            reinterpret_cast<LPCWSTR>(&HostPath), &self))
        return false;
    wchar_t* wide = reinterpret_cast<wchar_t*>(path);
    const wchar_t name[] = L"tesmaclient-host.exe";
    const DWORD length = GetModuleFileNameW(self, wide, capacity);
    if (length == 0 || length >= capacity)
        return false;
    DWORD slash = length;
    while (slash > 0 && wide[slash - 1] != L'\\' && wide[slash - 1] != L'/')
        --slash;
    if (slash + sizeof name / sizeof name[0] > capacity)
        return false;
    std::memcpy(wide + slash, name, sizeof name);
    return true;
}

void AppendNumber(wchar_t*& at, std::uintptr_t value)
{
    wchar_t digits[24];
    int n = 0;
    do {
        digits[n++] = static_cast<wchar_t>(L'0' + value % 10);
        value /= 10;
    } while (value != 0);
    *at++ = L' ';
    while (n > 0)
        *at++ = digits[--n];
    *at = 0;
}

void CloseAll(Host& host)
{
    common::Delete(host.End);
    if (host.View != nullptr)
        UnmapViewOfFile(host.View);
    for (HANDLE handle : {host.Section, host.CallEvent, host.ReplyEvent, host.Process})
        if (handle != nullptr)
            CloseHandle(handle);
    // The last handle of the job ends whatever is left of the host.
    if (host.Job != nullptr)
        CloseHandle(host.Job);
    for (unsigned i = 0; i < host.Lists.Count(); ++i)
        std::free(host.Lists.At(i));
    common::Delete(&host);
}

// Starts the host with the channel's handles; its error, or 0.
DWORD StartHost(Host& host, unsigned short* path)
{
    SECURITY_ATTRIBUTES inherited = {sizeof inherited, nullptr, TRUE};
    host.Section = CreateFileMappingW(INVALID_HANDLE_VALUE, &inherited, PAGE_READWRITE, 0,
                                      static_cast<DWORD>(relay::SectionBytes), nullptr);
    if (host.Section == nullptr)
        return GetLastError();
    host.View = MapViewOfFile(host.Section, FILE_MAP_ALL_ACCESS, 0, 0, relay::SectionBytes);
    host.CallEvent = CreateEventW(&inherited, FALSE, FALSE, nullptr);
    host.ReplyEvent = CreateEventW(&inherited, FALSE, FALSE, nullptr);
    HANDLE game = nullptr;
    if (host.View == nullptr || host.CallEvent == nullptr || host.ReplyEvent == nullptr ||
        !DuplicateHandle(GetCurrentProcess(), GetCurrentProcess(), GetCurrentProcess(), &game, SYNCHRONIZE, TRUE, 0))
        return GetLastError();

    host.Job = CreateJobObjectW(nullptr, nullptr);
    if (host.Job != nullptr) {
        JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits;
        std::memset(&limits, 0, sizeof limits);
        limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
        SetInformationJobObject(host.Job, JobObjectExtendedLimitInformation, &limits, sizeof limits);
    }

    // "<path>" section call-event reply-event game-process
    wchar_t* line = static_cast<wchar_t*>(common::Allocate((32768 + 128) * sizeof(wchar_t)));
    wchar_t* at = line;
    *at++ = L'"';
    for (const unsigned short* c = path; *c != 0; ++c)
        *at++ = static_cast<wchar_t>(*c);
    *at++ = L'"';
    for (HANDLE handle : {host.Section, host.CallEvent, host.ReplyEvent, game})
        AppendNumber(at, reinterpret_cast<std::uintptr_t>(handle));

    // The host inherits the channel's handles and nothing else of the game's.
    HANDLE inheritedHandles[4] = {host.Section, host.CallEvent, host.ReplyEvent, game};
    SIZE_T attributeBytes = 0;
    InitializeProcThreadAttributeList(nullptr, 1, 0, &attributeBytes);
    LPPROC_THREAD_ATTRIBUTE_LIST attributes =
        static_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(common::Allocate(attributeBytes));
    bool listed = InitializeProcThreadAttributeList(attributes, 1, 0, &attributeBytes) &&
                  UpdateProcThreadAttribute(attributes, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, inheritedHandles,
                                            sizeof inheritedHandles, nullptr, nullptr);
    STARTUPINFOEXW startup;
    std::memset(&startup, 0, sizeof startup);
    startup.StartupInfo.cb = sizeof startup;
    PROCESS_INFORMATION started;
    const DWORD flags = CREATE_NO_WINDOW | CREATE_SUSPENDED;
    BOOL ok = FALSE;
    if (listed) {
        startup.lpAttributeList = attributes;
        ok = CreateProcessW(reinterpret_cast<LPCWSTR>(path), line, nullptr, nullptr, TRUE,
                            flags | EXTENDED_STARTUPINFO_PRESENT, nullptr, nullptr, &startup.StartupInfo, &started);
        DeleteProcThreadAttributeList(attributes);
    }
    if (!ok) {
        // Without the list where the system refuses it.
        startup.StartupInfo.cb = sizeof startup.StartupInfo;
        ok = CreateProcessW(reinterpret_cast<LPCWSTR>(path), line, nullptr, nullptr, TRUE, flags, nullptr, nullptr,
                            &startup.StartupInfo, &started);
    }
    const DWORD error = ok ? 0 : GetLastError();
    std::free(attributes);
    std::free(line);
    CloseHandle(game);
    // No later child of the game's inherits the channel.
    for (HANDLE handle : {host.Section, host.CallEvent, host.ReplyEvent})
        SetHandleInformation(handle, HANDLE_FLAG_INHERIT, 0);
    if (!ok)
        return error;
    if (host.Job != nullptr)
        AssignProcessToJobObject(host.Job, started.hProcess);
    ResumeThread(started.hThread);
    CloseHandle(started.hThread);
    host.Process = started.hProcess;
    host.End = new (common::Allocate(sizeof(ChannelEnd)))
        ChannelEnd(host.View, ChannelEnd::Side::Game, host.ReplyEvent, host.CallEvent, host.Process);
    return 0;
}

// The entry point name the host reports missing, as our own static text.
const char* KnownEntryPoint(const relay::Text& text)
{
    if (text.Units == 0)
        return "";
#define KZ_KNOWN_ENTRY_POINT(field, name, result, parameters)                                                   \
    if (std::strlen(name) == text.Units && std::memcmp(name, text.Data, text.Units) == 0)                     \
        return name;
    KZ_LAUNCHER_ENTRY_POINTS(KZ_KNOWN_ENTRY_POINT)
#undef KZ_KNOWN_ENTRY_POINT
    return nullptr;
}

const unsigned short* Intern(InternedTexts& texts, const relay::Text& text)
{
    unsigned short* units =
        static_cast<unsigned short*>(common::Allocate((std::size_t(text.Units) + 1) * sizeof(unsigned short)));
    relay::CopyText(text, units);
    const unsigned short* kept = texts.Intern(units);
    std::free(units);
    return kept;
}

// The hello: the host's binding becomes ours. False when it is unusable.
bool TakeHello(Host& host, BindingRecord& record, InternedTexts& texts, DWORD& error)
{
    CallMessage hello = relay::MakeCall(Call::Hello);
    hello.Values[0] = relay::ProtocolVersion;
    host.Message.Clear();
    relay::EncodeCall(hello, host.Message);
    const Exchanged result = Exchange(host, host.Message, HelloTimeoutMs);
    Reply& reply = host.Decoded;
    if (result != Exchanged::Ok) {
        error = ErrorOf(result);
        return false;
    }
    if (!relay::DecodeReply(Call::Hello, host.ReplyBytes.Data(), host.ReplyBytes.Count(), 0, reply)) {
        error = ERROR_INVALID_DATA;
        return false;
    }
    if (reply.Values[0] != relay::ProtocolVersion) {
        error = ERROR_REVISION_MISMATCH;
        return false;
    }
    const char* missing = KnownEntryPoint(reply.Texts[2]);
    if (missing == nullptr) {
        error = ERROR_INVALID_DATA;
        return false;
    }
    record.InstallationError = reply.Values[1];
    record.DirectoryState = reply.Values[2];
    record.LoadError = reply.Values[3];
    record.Directory = Intern(texts, reply.Texts[0]);
    record.LibraryPath = Intern(texts, reply.Texts[1]);
    record.MissingEntryPoint = missing;
    return true;
}

void SendQuit(Host& host)
{
    const CallMessage quit = relay::MakeCall(Call::Quit);
    host.Message.Clear();
    relay::EncodeCall(quit, host.Message);
    if (Exchange(host, host.Message, QuitTimeoutMs) == Exchanged::Ok)
        WaitForSingleObject(host.Process, QuitTimeoutMs);
}

} // namespace

void* Bind(BindingRecord& record, EntryPoints& functions, InternedTexts& texts) noexcept
{
    Host& host = *common::New<Host>();
    unsigned short* path = static_cast<unsigned short*>(common::Allocate(32768 * sizeof(unsigned short)));
    if (!HostPath(path, 32768)) {
        record.InstallationError = InstallationNotLoadable;
        record.LoadError = GetLastError();
        std::free(path);
        CloseAll(host);
        return nullptr;
    }
    host.Path = texts.Intern(path);
    DWORD error = StartHost(host, path);
    std::free(path);
    if (error == 0 && TakeHello(host, record, texts, error)) {
        // A host without the launcher's library has nothing more to do.
        if (record.InstallationError == InstallationOk || record.InstallationError == InstallationIncomplete) {
#define KZ_RELAY_ENTRY_POINT(field, name, result, parameters) functions.field = &Relay##field;
            KZ_LAUNCHER_ENTRY_POINTS(KZ_RELAY_ENTRY_POINT)
#undef KZ_RELAY_ENTRY_POINT
            g_host = &host;
            return &host;
        }
        SendQuit(host);
        CloseAll(host);
        return nullptr;
    }
    record = BindingRecord();
    record.InstallationError = InstallationNotLoadable;
    record.LibraryPath = host.Path;
    record.LoadError = error;
    CloseAll(host);
    return nullptr;
}

void Release(void* module) noexcept
{
    Host& host = *static_cast<Host*>(module);
    {
        BlockingLock::Guard guard(host.Lock);
        if (!host.Gone)
            SendQuit(host);
    }
    if (g_host == &host)
        g_host = nullptr;
    CloseAll(host);
}

} // namespace hosted
} // namespace kz
