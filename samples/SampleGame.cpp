// A small game's whole session with the launcher through tesmaclient: it
// reports a missing launcher to the player, and with a launcher it asks for
// the player's details, then lists, writes, reads back and removes a save
// game, printing every step. It exits with 0 when every step worked.
//
// Every answer arrives through a listener, possibly inside the request call
// and otherwise during a later Update, so the game calls Update once per frame
// until the answer is there. The save-game objects an answer hands over belong
// to the game, which gives each back once done with it.

#include <cstdio>
#include <cstring>

#include "kz/tesmaclient/TesmaClient.h"

using namespace kz::tesmaclient;

namespace {

// The id under which the launcher keeps this game's save games.
const unsigned int ProductId = 4242;
const unsigned int NoSavegame = 0xFFFFFFFF;

// The headers take UTF-16 texts as unsigned short; a Windows wchar_t is the
// same 16-bit unit, so wide literals pass through a cast.
const unsigned short* Utf16(const wchar_t* text) { return reinterpret_cast<const unsigned short*>(text); }

// Prints ASCII as it is and every other UTF-16 unit as \uXXXX; a line break
// continues at the given indentation.
void PrintText(const unsigned short* text, const char* indent = "")
{
    if (text == nullptr) {
        std::printf("(none)");
        return;
    }
    for (; *text != 0; ++text) {
        if (*text == '\n')
            std::printf("\n%s", indent);
        else if (*text < 0x80)
            std::printf("%c", static_cast<char>(*text));
        else
            std::printf("\\u%04x", *text);
    }
}

// Each listener keeps what the last answer said; `answered` tells the frame
// loop to stop waiting.
struct Answer {
    bool answered = false;
    unsigned int requestId = 0;
    unsigned int a = 0, b = 0, c = 0, d = 0;

    bool Take(unsigned int id, unsigned int va, unsigned int vb = 0, unsigned int vc = 0, unsigned int vd = 0)
    {
        answered = true;
        requestId = id;
        a = va, b = vb, c = vc, d = vd;
        return true;
    }
};

class LoginDetails : public IGetLoginDetailsListener, public Answer {
    bool OnGetLoginDetails(unsigned int id, unsigned int a, unsigned int b, unsigned int c) override
    {
        return Take(id, a, b, c);
    }
};

class TesmaServer : public IGetTesmaServerListener, public Answer {
    bool OnGetTesmaServer(unsigned int id, unsigned int a) override { return Take(id, a); }
};

class NetworkTraffic : public IGetNetworkTrafficListener, public Answer {
    bool OnGetNetworkTraffic(unsigned int id, unsigned int a, unsigned int b, unsigned int c, unsigned int d) override
    {
        return Take(id, a, b, c, d);
    }
};

class SavegameList : public IGetSavegameListListener, public Answer {
public:
    SavegameInfo* savegames = nullptr;

private:
    bool OnGetSavegameList(unsigned int id, SavegameInfo* list, unsigned int count) override
    {
        savegames = list;
        return Take(id, count);
    }
};

class OpenWriter : public IGetSavegameWriterListener, public Answer {
public:
    SavegameWriter* writer = nullptr;

private:
    bool OnGetSavegameWriter(unsigned int id, unsigned int a, SavegameWriter* opened) override
    {
        writer = opened;
        return Take(id, a);
    }
};

class OpenReader : public IGetSavegameReaderListener, public Answer {
public:
    SavegameReader* reader = nullptr;

private:
    bool OnGetSavegameReader(unsigned int id, unsigned int a, SavegameReader* opened) override
    {
        reader = opened;
        return Take(id, a);
    }
};

class Removed : public IRemoveSavegameListener, public Answer {
    bool OnRemoveSavegame(unsigned int id, unsigned int a) override { return Take(id, a); }
};

class Written : public ISavegameWriteListener, public Answer {
    bool OnSavegameWrite(unsigned int id, unsigned int a, unsigned int b) override { return Take(id, a, b); }
};

class Read : public ISavegameReadListener, public Answer {
    bool OnSavegameRead(unsigned int id, unsigned int a, unsigned int b) override { return Take(id, a, b); }
};

// The game loop, reduced to what the launcher needs: one Update per frame.
bool WaitFor(TesmaClient& client, const Answer& answer)
{
    for (int frame = 0; frame < 600 && !answer.answered; ++frame)
        client.Update();
    if (!answer.answered)
        std::printf("  no answer after 600 frames\n");
    return answer.answered;
}

bool Fail(const char* step)
{
    std::printf("FAILED: %s\n", step);
    return false;
}

// Lists this game's save games; returns the list's length, and the id and size
// of the one with id `wanted` if it is there.
bool ListSavegames(TesmaClient& client, unsigned int wanted, unsigned int& count, unsigned int& wantedSize)
{
    SavegameList list;
    client.GetSavegameList(client.GetRequestUniqueId(), &list, ProductId);
    if (!WaitFor(client, list))
        return false;
    count = list.a;
    wantedSize = NoSavegame;
    std::printf("save games of product %u: %u\n", ProductId, count);
    for (unsigned int i = 0; i < count; ++i) {
        SavegameInfo& info = list.savegames[i];
        std::printf("  #%u \"", info.GetSavegameId());
        PrintText(info.GetName());
        std::printf("\", %u bytes\n", info.GetSize());
        if (info.GetSavegameId() == wanted)
            wantedSize = info.GetSize();
    }
    // A game that lists every frame keeps its memory level this way.
    SavegameInfo::ReleaseList(list.savegames);
    return true;
}

bool PlayerSession(TesmaClient& client)
{
    std::printf("launcher: \"");
    PrintText(client.GetLocText(Utf16(L"DEVLAUNCHER_NAME"), "en-US"));
    std::printf("\"\n");

    LoginDetails login;
    client.GetLoginDetails(client.GetRequestUniqueId(), &login);
    if (!WaitFor(client, login))
        return Fail("login details");
    std::printf("login details: signed in %u, account %u, restrictions %u\n", login.a, login.b, login.c);

    TesmaServer server;
    client.GetTesmaServer(client.GetRequestUniqueId(), &server, 0, 0);
    if (!WaitFor(client, server))
        return Fail("server address");
    std::printf("server address: %u.%u.%u.%u\n", server.a >> 24, (server.a >> 16) & 0xFF, (server.a >> 8) & 0xFF,
                server.a & 0xFF);

    NetworkTraffic traffic;
    client.GetNetworkTraffic(client.GetRequestUniqueId(), &traffic);
    if (!WaitFor(client, traffic))
        return Fail("network traffic");
    std::printf("network traffic: %u %u %u %u\n", traffic.a, traffic.b, traffic.c, traffic.d);
    return true;
}

bool SavegameRoundTrip(TesmaClient& client)
{
    unsigned int countBefore = 0, size = 0;
    if (!ListSavegames(client, NoSavegame, countBefore, size))
        return Fail("first list");

    // Write a new save game (id 0: the launcher picks one; no replacing).
    char progress[] = "level 3, 1250 gold, sword of dawn";
    const unsigned int length = static_cast<unsigned int>(std::strlen(progress));
    OpenWriter openWriter;
    client.GetSavegameWriter(client.GetRequestUniqueId(), &openWriter, ProductId, 0, false);
    if (!WaitFor(client, openWriter))
        return Fail("open a writer");
    SavegameWriter* writer = openWriter.writer;
    if (!writer->IsOpen()) {
        // Refused: the answer's a is then a status, not an id (the development
        // launcher: 2 the id exists, 3 the files cannot be written).
        std::printf("  the launcher refused a writer: status %u\n", openWriter.a);
        SavegameWriter::Release(writer);
        return Fail("open a writer");
    }
    const unsigned int savegameId = openWriter.a;
    wchar_t name[] = L"Sample save";
    Written written;
    const bool named = writer->SetName(reinterpret_cast<unsigned short*>(name));
    if (named)
        writer->Write(client.GetRequestUniqueId(), &written, progress, length);
    const bool wrote = named && WaitFor(client, written) && written.a == 0 && written.b == length;
    writer->Close(wrote); // commits only a whole save game
    SavegameWriter::Release(writer);
    if (!wrote)
        return Fail(named ? "write" : "name the save game");
    std::printf("wrote save game #%u: %u bytes\n", savegameId, length);

    unsigned int count = 0;
    if (!ListSavegames(client, savegameId, count, size) || count != countBefore + 1 || size != length)
        return Fail("list after writing");

    // Read it back.
    OpenReader openReader;
    client.GetSavegameReader(client.GetRequestUniqueId(), &openReader, ProductId, savegameId);
    if (!WaitFor(client, openReader))
        return Fail("open a reader");
    SavegameReader* reader = openReader.reader;
    if (!reader->IsOpen() || openReader.a != length) {
        // Open, a is the size; not open, a status (the development launcher:
        // 1 unknown save game, 3 its files cannot be read).
        std::printf("  reader %s, a = %u\n", reader->IsOpen() ? "open" : "not open", openReader.a);
        reader->Close();
        SavegameReader::Release(reader);
        return Fail("open a reader");
    }
    char loaded[64] = {};
    Read read;
    reader->Read(client.GetRequestUniqueId(), &read, 0, loaded, openReader.a);
    const bool readBack = WaitFor(client, read) && read.a == 0 && read.b == length &&
                          std::memcmp(loaded, progress, length) == 0;
    reader->Close();
    SavegameReader::Release(reader);
    if (!readBack)
        return Fail("read back");
    std::printf("read back save game #%u: \"%s\", as written\n", savegameId, loaded);

    // Remove it.
    Removed removed;
    client.RemoveSavegame(client.GetRequestUniqueId(), &removed, ProductId, savegameId);
    if (!WaitFor(client, removed) || removed.a != 0)
        return Fail("remove");
    std::printf("removed save game #%u\n", savegameId);
    if (!ListSavegames(client, savegameId, count, size) || count != countBefore || size != NoSavegame)
        return Fail("list after removing");
    return true;
}

} // namespace

int main()
{
    TesmaClient client;
    const unsigned int error = client.GetInstallationErrorNum();
    if (error != 0) {
        // The game tells the player, in the player's language, and goes on offline.
        std::printf("no launcher: installation error %u\n", error);
        const char* locales[] = {"en-US", "de-DE"};
        for (const char* locale : locales) {
            std::printf("  %s: ", locale);
            PrintText(client.GetInstallationErrorString(locale), "         ");
            std::printf("\n");
        }
        return 0;
    }
    if (!PlayerSession(client) || !SavegameRoundTrip(client))
        return 1;
    std::printf("session complete\n");
    return 0;
}
