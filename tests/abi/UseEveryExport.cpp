// Compiled twice, in MSVC mode and by MinGW's GCC. Every exported member is
// used here once, so the undefined __imp_ symbols of each object are exactly
// the names a game built by that compiler needs from tesmaclient.dll.
#include "kz/tesmaclient/Diagnostics.h"
#include "kz/tesmaclient/TesmaClient.h"
#include "kz/tesmaclient/Version.h"
#include "kz/tesmaclient/tesmaclient_c.h"

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
    reader->IsOpen();
    writer->IsOpen();
    SavegameReader::Release(reader);
    SavegameWriter::Release(writer);
    SavegameInfo::ReleaseList(info);
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

// The C interface, from C++: its names are the same for every compiler. The
// export check also holds this list to the header's own.
void UseCInterface(tesmaclient_reader* reader, tesmaclient_writer* writer, tesmaclient_savegame_list* list,
                   const unsigned short* text, void* buffer)
{
    tesmaclient_client* client = tesmaclient_create();
    tesmaclient_update(client);
    tesmaclient_get_request_unique_id(client);
    tesmaclient_start_launcher(client, 1, 2, "a", "b");
    tesmaclient_start_process(client, text, text, text);
    tesmaclient_get_loc_text(client, text, "en-US");
    tesmaclient_get_installation_error_num(client);
    tesmaclient_get_installation_error_string(client, "en-US");
    tesmaclient_get_login_details(client, 1, nullptr, buffer);
    tesmaclient_get_tesma_server(client, 2, nullptr, buffer, 3, 4);
    tesmaclient_get_savegame_reader(client, 5, nullptr, buffer, 6, 7);
    tesmaclient_get_savegame_writer(client, 8, nullptr, buffer, 9, 10, 1);
    tesmaclient_get_savegame_list(client, 11, nullptr, buffer, 12);
    tesmaclient_remove_savegame(client, 13, nullptr, buffer, 14, 15);
    tesmaclient_get_network_traffic(client, 16, nullptr, buffer);
    tesmaclient_destroy(client);
    tesmaclient_reader_read(reader, 1, buffer, 2, buffer, 3);
    tesmaclient_reader_read_with_callback(reader, 1, nullptr, buffer, 2, buffer, 3);
    tesmaclient_reader_is_open(reader);
    tesmaclient_reader_close(reader);
    tesmaclient_reader_release(reader);
    tesmaclient_writer_set_name(writer, text);
    tesmaclient_writer_write(writer, 4, buffer, buffer, 5);
    tesmaclient_writer_write_with_callback(writer, 4, nullptr, buffer, buffer, 5);
    tesmaclient_writer_is_open(writer);
    tesmaclient_writer_close(writer, 1);
    tesmaclient_writer_release(writer);
    tesmaclient_savegame_list_get_name(list, 0);
    tesmaclient_savegame_list_get_product_id(list, 0);
    tesmaclient_savegame_list_get_savegame_id(list, 0);
    tesmaclient_savegame_list_get_size(list, 0);
    tesmaclient_savegame_list_release(list);
    tesmaclient_binding_diagnostics diagnostics = {sizeof(diagnostics), 0, 0, nullptr, nullptr, nullptr, nullptr, 0, nullptr};
    tesmaclient_get_binding_diagnostics(&diagnostics);
    tesmaclient_match_locale("en-US");
}
