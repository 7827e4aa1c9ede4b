// Compiled twice, in MSVC mode and by MinGW's GCC. Every exported member is
// used here once, so the undefined __imp_ symbols of each object are exactly
// the names a game built by that compiler needs from tesmaclient.dll.
#include "kz/tesmaclient/Diagnostics.h"
#include "kz/tesmaclient/TesmaClient.h"
#include "kz/tesmaclient/Version.h"

using namespace kz::tesmaclient;

// A game's own client type: GCC's callers construct and destroy the base part
// through the base-object constructor and destructor, not the complete ones.
class GameClient : public TesmaClient {
public:
    GameClient() {}
    ~GameClient() {}
};

void UseTesmaClient(unsigned short* text, IGetLoginDetailsListener* login, IGetTesmaServerListener* server,
                    IGetSavegameReaderListener* reader, IGetSavegameWriterListener* writer,
                    IGetSavegameListListener* list, IRemoveSavegameListener* remove,
                    IGetNetworkTrafficListener* traffic)
{
    TesmaClient client;
    client.Update();
    client.GetRequestUniqueId();
    client.StartLauncher(1, 2, "a", "b");
    client.StartProcess(text, text, text);
    client.GetLocText(text, "en-US");
    client.GetInstallationErrorNum();
    client.GetInstallationErrorString("en-US");
    client.GetLoginDetails(1, login);
    client.GetTesmaServer(2, server, 3, 4);
    client.GetSavegameReader(5, reader, 6, 7);
    client.GetSavegameWriter(8, writer, 9, 10, true);
    client.GetSavegameList(11, list, 12);
    client.RemoveSavegame(13, remove, 14, 15);
    client.GetNetworkTraffic(16, traffic);
    GameClient gameClient;
}

void UseSavegames(SavegameReader* reader, SavegameWriter* writer, SavegameInfo* info, ISavegameReadListener* read,
                  ISavegameWriteListener* write, unsigned short* name, void* buffer)
{
    reader->Read(1, read, 2, buffer, 3);
    reader->Close();
    writer->SetName(name);
    writer->Write(4, write, buffer, 5);
    writer->Close(true);
    info->GetName();
    info->GetProductId();
    info->GetSavegameId();
    info->GetSize();
}

unsigned int UseVersion()
{
    return kz_tesmaclient_version();
}

const char* UseDiagnostics(BindingDiagnostics* diagnostics)
{
    GetBindingDiagnostics(diagnostics);
    return MatchInstallationLocale("fr-CA");
}
