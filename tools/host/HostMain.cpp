// tesmaclient-host.exe: the 32-bit process through which a 64-bit game's
// tesmaclient64.dll reaches the launcher. It binds the launcher with the
// 32-bit tesmaclient.dll, as a 32-bit game would, and runs each call that
// arrives on the channel through that library's public interface.
//
//   tesmaclient-host.exe SECTION CALL-EVENT REPLY-EVENT GAME-PROCESS
//
// The four handles are inherited from the game. The host ends after a Quit,
// when the game's process ends, and on any message it cannot take (the game
// then sees it gone). Sessions and save-game objects live until it ends: the
// game gives neither back through the launcher's interface.

#include "kz/tesmaclient/Diagnostics.h"
#include "kz/tesmaclient/TesmaClient.h"
#include "launcher/relay/RelayCodec.h"
#include "launcher/relay/Win32Channel.h"

#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

using namespace kz::tesmaclient;
namespace relay = kz::relay;

namespace {

// Guards the tables and the queue: the launcher may answer on its own threads.
SRWLOCK g_lock = SRWLOCK_INIT;

class Locked {
public:
    Locked() { AcquireSRWLockExclusive(&g_lock); }
    ~Locked() { ReleaseSRWLockExclusive(&g_lock); }
};

// The launcher's answers, encoded, for the next reply that delivers answers.
relay::Bytes g_queue;
std::uint32_t g_queued = 0;

struct HostClient;
std::vector<HostClient*> g_clients; // session id - 1
std::uint32_t g_sessionsIssued = 0;
std::vector<SavegameReader*> g_readers; // reader id - 1
std::vector<SavegameWriter*> g_writers;
std::vector<SavegameInfo*> g_infos;

// With the lock held.
void Queue(const relay::Answer& answer)
{
    relay::EncodeAnswer(answer, g_queue);
    ++g_queued;
}

using relay::TextOf;

relay::Answer RequestAnswer(std::uint32_t session, relay::RequestKind kind, unsigned int requestId)
{
    relay::Answer answer;
    std::memset(&answer, 0, sizeof answer);
    answer.Type = relay::AnswerType::Request;
    answer.Session = session;
    answer.Kind = kind;
    answer.RequestId = requestId;
    return answer;
}

// A read's or write's report, under the token the game gave it.
relay::Answer ReportAnswer(relay::AnswerType type, std::uint32_t token, unsigned int requestId, unsigned int status,
                           unsigned int bytes)
{
    relay::Answer answer;
    std::memset(&answer, 0, sizeof answer);
    answer.Type = type;
    answer.Token = token;
    answer.RequestId = requestId;
    answer.Values[0] = status;
    answer.Values[1] = bytes;
    return answer;
}

template <typename T>
std::uint32_t Issue(std::vector<T*>& table, T* object)
{
    table.push_back(object);
    return static_cast<std::uint32_t>(table.size());
}

// One session: a client of tesmaclient.dll, and its listener for all seven
// kinds. Returns true to the library: the game's own result comes too late.
struct HostClient final : IGetLoginDetailsListener,
                          IGetTesmaServerListener,
                          IGetSavegameReaderListener,
                          IGetSavegameWriterListener,
                          IGetSavegameListListener,
                          IRemoveSavegameListener,
                          IGetNetworkTrafficListener {
    explicit HostClient(std::uint32_t session) : Session(session) {}

    bool OnGetLoginDetails(unsigned int id, unsigned int a, unsigned int b, unsigned int c) override
    {
        relay::Answer answer = RequestAnswer(Session, relay::LoginDetailsKind, id);
        answer.Values[0] = a;
        answer.Values[1] = b;
        answer.Values[2] = c;
        Locked locked;
        Queue(answer);
        return true;
    }
    bool OnGetTesmaServer(unsigned int id, unsigned int a) override { return Single(relay::TesmaServerKind, id, a); }
    bool OnRemoveSavegame(unsigned int id, unsigned int a) override { return Single(relay::RemoveSavegameKind, id, a); }
    bool OnGetNetworkTraffic(unsigned int id, unsigned int a, unsigned int b, unsigned int c, unsigned int d) override
    {
        relay::Answer answer = RequestAnswer(Session, relay::NetworkTrafficKind, id);
        answer.Values[0] = a;
        answer.Values[1] = b;
        answer.Values[2] = c;
        answer.Values[3] = d;
        Locked locked;
        Queue(answer);
        return true;
    }
    bool OnGetSavegameReader(unsigned int id, unsigned int a, SavegameReader* reader) override
    {
        relay::Answer answer = RequestAnswer(Session, relay::SavegameReaderKind, id);
        answer.Values[0] = a;
        const bool open = reader->IsOpen();
        Locked locked;
        // One not open does nothing: the game gets 0, as from the launcher.
        answer.Handle = open ? Issue(g_readers, reader) : 0;
        Queue(answer);
        return true;
    }
    bool OnGetSavegameWriter(unsigned int id, unsigned int a, SavegameWriter* writer) override
    {
        relay::Answer answer = RequestAnswer(Session, relay::SavegameWriterKind, id);
        answer.Values[0] = a;
        const bool open = writer->IsOpen();
        Locked locked;
        answer.Handle = open ? Issue(g_writers, writer) : 0;
        Queue(answer);
        return true;
    }
    bool OnGetSavegameList(unsigned int id, SavegameInfo* savegames, unsigned int count) override
    {
        relay::Answer answer = RequestAnswer(Session, relay::SavegameListKind, id);
        std::vector<std::uint8_t> ids(std::size_t(count) * 4);
        Locked locked;
        for (unsigned int i = 0; i < count; ++i) {
            const std::uint32_t info = Issue(g_infos, savegames + i);
            std::memcpy(&ids[std::size_t(i) * 4], &info, 4);
        }
        answer.Values[0] = count;
        answer.Count = count;
        answer.Items = ids.data();
        Queue(answer);
        return true;
    }

    bool Single(relay::RequestKind kind, unsigned int id, unsigned int a)
    {
        relay::Answer answer = RequestAnswer(Session, kind, id);
        answer.Values[0] = a;
        Locked locked;
        Queue(answer);
        return true;
    }

    TesmaClient Client;
    const std::uint32_t Session;
};

// A read's listener of ours: the bytes go back with the report, once. Kept
// for good, since nothing tells that the launcher will not call it again.
struct HostRead final : ISavegameReadListener {
    bool OnSavegameRead(unsigned int id, unsigned int status, unsigned int bytes) override
    {
        Locked locked;
        if (Reported)
            return true;
        Reported = true;
        relay::Answer answer = ReportAnswer(relay::AnswerType::Read, Token, id, status, bytes);
        answer.Count = Buffer != nullptr ? (bytes < Length ? bytes : Length) : 0;
        answer.Items = Buffer;
        Queue(answer);
        std::free(Buffer);
        Buffer = nullptr;
        return true;
    }

    std::uint32_t Token = 0;
    std::uint8_t* Buffer = nullptr;
    std::uint32_t Length = 0;
    bool Reported = false;
};

// A write's listener: the bytes stay until the report.
struct HostWrite final : ISavegameWriteListener {
    bool OnSavegameWrite(unsigned int id, unsigned int status, unsigned int bytes) override
    {
        Locked locked;
        if (Reported)
            return true;
        Reported = true;
        relay::Answer answer = ReportAnswer(relay::AnswerType::Write, Token, id, status, bytes);
        Queue(answer);
        std::free(Data);
        Data = nullptr;
        return true;
    }

    std::uint32_t Token = 0;
    std::uint8_t* Data = nullptr;
    bool Reported = false;
};

std::u16string Utf16(const relay::Text& text)
{
    std::u16string units(text.Units + 1, u'\0');
    relay::CopyText(text, reinterpret_cast<unsigned short*>(&units[0]));
    return units;
}

std::string Ascii(const relay::Text& text)
{
    return std::string(reinterpret_cast<const char*>(text.Data), text.Units);
}

unsigned short* Units(std::u16string& text, const relay::Text& from)
{
    return from.Present ? reinterpret_cast<unsigned short*>(&text[0]) : nullptr;
}

template <typename T>
T* Find(std::vector<T*>& table, std::uint32_t id)
{
    Locked locked;
    return table[id - 1];
}

HostClient* SessionOf(std::uint32_t id)
{
    Locked locked;
    return g_clients[id - 1];
}

// Runs one call; fills result.
void Run(const relay::CallMessage& call, relay::Reply& result)
{
    const std::uint32_t* v = call.Values;
    switch (call.Kind) {
    case relay::Call::Hello:
    case relay::Call::Quit:
    case relay::Call::GetSession: {
        if (call.Kind != relay::Call::GetSession)
            break;
        // The first client, made to bind, is the first session.
        HostClient* client = nullptr;
        if (g_sessionsIssued != 0)
            client = new HostClient(g_sessionsIssued + 1);
        Locked locked;
        if (client != nullptr)
            g_clients.push_back(client);
        result.Values[0] = ++g_sessionsIssued;
        break;
    }
    case relay::Call::Update:
        SessionOf(call.Target)->Client.Update();
        break;
    case relay::Call::GetRequestUniqueId:
        result.Values[0] = SessionOf(call.Target)->Client.GetRequestUniqueId();
        break;
    case relay::Call::StartLauncher: {
        std::string c = Ascii(call.Texts[0]), d = Ascii(call.Texts[1]);
        result.Values[0] = SessionOf(call.Target)->Client.StartLauncher(
            v[0], v[1], call.Texts[0].Present ? c.c_str() : nullptr, call.Texts[1].Present ? d.c_str() : nullptr);
        break;
    }
    case relay::Call::StartProcess: {
        std::u16string a = Utf16(call.Texts[0]), b = Utf16(call.Texts[1]), c = Utf16(call.Texts[2]);
        SessionOf(call.Target)->Client.StartProcess(Units(a, call.Texts[0]), Units(b, call.Texts[1]),
                                                    Units(c, call.Texts[2]));
        break;
    }
    case relay::Call::Request: {
        HostClient* h = SessionOf(call.Target);
        switch (v[0]) {
        case relay::LoginDetailsKind:
            h->Client.GetLoginDetails(v[1], h);
            break;
        case relay::TesmaServerKind:
            h->Client.GetTesmaServer(v[1], h, v[2], v[3]);
            break;
        case relay::SavegameReaderKind:
            h->Client.GetSavegameReader(v[1], h, v[2], v[3]);
            break;
        case relay::SavegameWriterKind:
            h->Client.GetSavegameWriter(v[1], h, v[2], v[3], v[4] != 0);
            break;
        case relay::SavegameListKind:
            h->Client.GetSavegameList(v[1], h, v[2]);
            break;
        case relay::RemoveSavegameKind:
            h->Client.RemoveSavegame(v[1], h, v[2], v[3]);
            break;
        case relay::NetworkTrafficKind:
            h->Client.GetNetworkTraffic(v[1], h);
            break;
        }
        break;
    }
    case relay::Call::GetLocText: {
        std::u16string key = Utf16(call.Texts[0]);
        std::string locale = Ascii(call.Texts[1]);
        unsigned short* keyUnits = Units(key, call.Texts[0]);
        const unsigned short* found = SessionOf(call.Target)->Client.GetLocText(
            keyUnits, call.Texts[1].Present ? locale.c_str() : nullptr);
        if (found == nullptr) {
            result.Values[0] = relay::TextNull;
        } else if (found == keyUnits) {
            result.Values[0] = relay::TextIsKey;
        } else {
            result.Values[0] = relay::TextIs;
            result.Texts[0] = TextOf(found);
        }
        break;
    }
    case relay::Call::ReaderRead: {
        SavegameReader* reader = Find(g_readers, call.Target);
        HostRead* listener = nullptr;
        std::uint8_t* buffer = nullptr;
        if ((v[4] & relay::HasBuffer) != 0) {
            buffer = static_cast<std::uint8_t*>(std::malloc(v[3] != 0 ? v[3] : 1));
            if (buffer == nullptr) {
                // Not read, as the launcher reports a read it could not do.
                if ((v[4] & relay::HasListener) != 0) {
                    HostRead failed;
                    failed.Token = v[1];
                    failed.OnSavegameRead(v[0], 3, 0);
                }
                break;
            }
        }
        if ((v[4] & relay::HasListener) != 0) {
            listener = new HostRead;
            listener->Token = v[1];
            listener->Buffer = buffer;
            listener->Length = v[3];
        }
        reader->Read(v[0], listener, v[2], buffer, v[3]);
        break;
    }
    case relay::Call::ReaderClose:
        Find(g_readers, call.Target)->Close();
        break;
    case relay::Call::WriterSetName: {
        std::u16string name = Utf16(call.Texts[0]);
        result.Values[0] = Find(g_writers, call.Target)->SetName(Units(name, call.Texts[0]));
        break;
    }
    case relay::Call::WriterWrite: {
        SavegameWriter* writer = Find(g_writers, call.Target);
        std::uint8_t* data = nullptr;
        if ((v[4] & relay::HasBuffer) != 0) {
            data = static_cast<std::uint8_t*>(std::malloc(v[2] != 0 ? v[2] : 1));
            if (data == nullptr)
                std::abort();
            std::memcpy(data, call.Data, v[2]);
        }
        HostWrite* listener = nullptr;
        if ((v[4] & relay::HasListener) != 0) {
            listener = new HostWrite;
            listener->Token = v[1];
            listener->Data = data;
        }
        writer->Write(v[0], listener, data, v[2]);
        break;
    }
    case relay::Call::WriterClose:
        Find(g_writers, call.Target)->Close(v[0] != 0);
        break;
    case relay::Call::InfoGetName: {
        const unsigned short* name = Find(g_infos, call.Target)->GetName();
        result.Values[0] = name != nullptr ? relay::TextIs : relay::TextNull;
        result.Texts[0] = TextOf(name);
        break;
    }
    case relay::Call::InfoGetProductId:
        result.Values[0] = Find(g_infos, call.Target)->GetProductId();
        break;
    case relay::Call::InfoGetSavegameId:
        result.Values[0] = Find(g_infos, call.Target)->GetSavegameId();
        break;
    case relay::Call::InfoGetSize:
        result.Values[0] = Find(g_infos, call.Target)->GetSize();
        break;
    }
}

void HelloResult(relay::Reply& result, BindingDiagnostics& d)
{
    result.Values[0] = relay::ProtocolVersion;
    result.Values[1] = d.InstallationError;
    result.Values[2] = d.DirectoryState;
    result.Values[3] = d.LoadError;
    result.Texts[0] = TextOf(d.Directory);
    result.Texts[1] = TextOf(d.LibraryPath);
    result.Texts[2] = TextOf(d.MissingEntryPoint);
}

HANDLE HandleArgument(const char* text)
{
    return reinterpret_cast<HANDLE>(static_cast<std::uintptr_t>(std::strtoull(text, nullptr, 10)));
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 5)
        return ERROR_BAD_ARGUMENTS;
    HANDLE section = HandleArgument(argv[1]);
    void* view = MapViewOfFile(section, FILE_MAP_ALL_ACCESS, 0, 0, relay::SectionBytes);
    if (view == nullptr)
        return static_cast<int>(GetLastError());
    relay::ChannelEnd end(view, relay::ChannelEnd::Side::Host, HandleArgument(argv[2]), HandleArgument(argv[3]),
                          HandleArgument(argv[4]));

    // Binds the launcher, as the first session to be.
    g_clients.push_back(new HostClient(1));
    BindingDiagnostics diagnostics;
    diagnostics.Size = sizeof diagnostics;
    GetBindingDiagnostics(&diagnostics);

    relay::Reassembly assembly;
    relay::Bytes message, reply;
    relay::Reply result;
    relay::Frame frame;
    for (;;) {
        // The call, piece by piece.
        for (;;) {
            // Spins only right after a reply: an idle host sleeps.
            const relay::ChannelEnd::Result awaited = end.Await(relay::SpinMicroseconds, INFINITE);
            if (awaited == relay::ChannelEnd::Result::OutOfStep)
                return ERROR_INVALID_DATA;
            if (awaited != relay::ChannelEnd::Result::Arrived)
                return 0; // the game ended
            if (!relay::ReadFrame(end.InArea(), relay::AreaBytes, frame) || !assembly.Add(frame))
                return ERROR_INVALID_DATA;
            if (assembly.Complete())
                break;
            relay::WriteControlFrame(end.OutArea());
            end.Post();
        }
        assembly.TakeInto(message);
        relay::CallMessage call;
        relay::IssuedIds issued;
        {
            Locked locked;
            issued = relay::IssuedIds{g_sessionsIssued, std::uint32_t(g_readers.size()),
                                      std::uint32_t(g_writers.size()), std::uint32_t(g_infos.size())};
        }
        if (!relay::DecodeCall(message.Data(), message.Count(), issued, call))
            return ERROR_INVALID_DATA;

        std::memset(result.Values, 0, sizeof result.Values);
        for (relay::Text& text : result.Texts)
            text = relay::Text{false, 2, 0, nullptr};
        if (call.Kind == relay::Call::Hello)
            HelloResult(result, diagnostics);
        else
            Run(call, result);

        reply.Clear();
        relay::EncodeResult(call.Kind, result, reply);
        {
            Locked locked;
            const bool delivers = relay::DeliversAnswers(call.Kind);
            const std::uint32_t count = delivers ? g_queued : 0;
            const std::uint8_t word[4] = {std::uint8_t(count), std::uint8_t(count >> 8), std::uint8_t(count >> 16),
                                          std::uint8_t(count >> 24)};
            reply.AddRange(word, 4);
            if (delivers) {
                reply.AddRange(g_queue.Data(), g_queue.Count());
                g_queue.Clear();
                g_queued = 0;
            }
        }
        // The reply, piece by piece.
        for (std::uint32_t offset = 0;;) {
            offset += relay::WriteFrame(end.OutArea(), relay::AreaBytes, reply.Data(), reply.Count(), offset);
            end.Post();
            if (offset == reply.Count())
                break;
            const relay::ChannelEnd::Result awaited = end.Await(relay::SpinMicroseconds, INFINITE);
            if (awaited == relay::ChannelEnd::Result::OutOfStep)
                return ERROR_INVALID_DATA;
            if (awaited != relay::ChannelEnd::Result::Arrived)
                return 0;
            if (!relay::ReadFrame(end.InArea(), relay::AreaBytes, frame) || !relay::IsControl(frame))
                return ERROR_INVALID_DATA;
        }
        if (call.Kind == relay::Call::Quit)
            return 0;
    }
}
