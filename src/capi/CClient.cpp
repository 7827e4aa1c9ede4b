// The C client: its life, its synchronous forwards and its seven requests,
// each a call of the C++ client's member with an adapter as the listener.

#include "capi/CClient.h"
#include "capi/CallbackAdapter.h"

#include "containers/Allocate.h"

using kz::capi::CallbackAdapter;
using kz::tesmaclient::TesmaClient;

tesmaclient_client::tesmaclient_client() noexcept : Client(kz::common::New<TesmaClient>())
{
    kz::tesmaclient::ClientInternals::SetListenerOwner(*Client, CallbackAdapter::Owner());
}

tesmaclient_client::~tesmaclient_client()
{
    // Frees the adapters never to be called, now or with the last answer owed.
    kz::common::Delete(Client);
}

namespace {

// The C++ interface takes texts it only hands on as non-const.
unsigned short* Text(const unsigned short* text) noexcept
{
    return const_cast<unsigned short*>(text);
}

TesmaClient& ClientOf(const tesmaclient_client* client) noexcept
{
    return *const_cast<tesmaclient_client*>(client)->Client;
}

template <typename Listener, typename Callback, typename... Params, typename... Args>
void Request(tesmaclient_client* client, void (TesmaClient::*request)(unsigned int, Listener*, Params...),
             unsigned int requestId, Callback callback, void* user, Args... args) noexcept
{
    static_assert(std::is_same<Callback, kz::capi::CallbackOf<Listener>>::value,
                  "the adapter calls the callback as the type it was given");
    Listener* listener = CallbackAdapter::Make(reinterpret_cast<CallbackAdapter::Callback>(callback), user);
    (client->Client->*request)(requestId, listener, args...);
}

} // namespace

extern "C" {

tesmaclient_client* KZ_TESMACLIENT_CDECL tesmaclient_create(void)
{
    return kz::common::New<tesmaclient_client>();
}

void KZ_TESMACLIENT_CDECL tesmaclient_destroy(tesmaclient_client* client)
{
    kz::common::Delete(client);
}

void KZ_TESMACLIENT_CDECL tesmaclient_update(tesmaclient_client* client)
{
    client->Client->Update();
}

unsigned int KZ_TESMACLIENT_CDECL tesmaclient_get_request_unique_id(tesmaclient_client* client)
{
    return client->Client->GetRequestUniqueId();
}

int KZ_TESMACLIENT_CDECL tesmaclient_start_launcher(tesmaclient_client* client, unsigned int a, unsigned int b,
                                                    const char* c, const char* d)
{
    return client->Client->StartLauncher(a, b, c, d) ? 1 : 0;
}

void KZ_TESMACLIENT_CDECL tesmaclient_start_process(tesmaclient_client* client, const unsigned short* a,
                                                    const unsigned short* b, const unsigned short* c)
{
    client->Client->StartProcess(Text(a), Text(b), Text(c));
}

const unsigned short* KZ_TESMACLIENT_CDECL tesmaclient_get_loc_text(tesmaclient_client* client,
                                                                    const unsigned short* key, const char* locale)
{
    return client->Client->GetLocText(key, locale);
}

unsigned int KZ_TESMACLIENT_CDECL tesmaclient_get_installation_error_num(const tesmaclient_client* client)
{
    return ClientOf(client).GetInstallationErrorNum();
}

const unsigned short* KZ_TESMACLIENT_CDECL tesmaclient_get_installation_error_string(const tesmaclient_client* client,
                                                                                     const char* locale)
{
    return ClientOf(client).GetInstallationErrorString(locale);
}

void KZ_TESMACLIENT_CDECL tesmaclient_get_login_details(tesmaclient_client* client, unsigned int request_id,
                                                        tesmaclient_login_details_callback callback, void* user)
{
    Request(client, &TesmaClient::GetLoginDetails, request_id, callback, user);
}

void KZ_TESMACLIENT_CDECL tesmaclient_get_tesma_server(tesmaclient_client* client, unsigned int request_id,
                                                       tesmaclient_tesma_server_callback callback, void* user,
                                                       unsigned int a, unsigned int b)
{
    Request(client, &TesmaClient::GetTesmaServer, request_id, callback, user, a, b);
}

void KZ_TESMACLIENT_CDECL tesmaclient_get_savegame_reader(tesmaclient_client* client, unsigned int request_id,
                                                          tesmaclient_savegame_reader_callback callback, void* user,
                                                          unsigned int a, unsigned int b)
{
    Request(client, &TesmaClient::GetSavegameReader, request_id, callback, user, a, b);
}

void KZ_TESMACLIENT_CDECL tesmaclient_get_savegame_writer(tesmaclient_client* client, unsigned int request_id,
                                                          tesmaclient_savegame_writer_callback callback, void* user,
                                                          unsigned int a, unsigned int b, int flag)
{
    Request(client, &TesmaClient::GetSavegameWriter, request_id, callback, user, a, b,
            flag != 0);
}

void KZ_TESMACLIENT_CDECL tesmaclient_get_savegame_list(tesmaclient_client* client, unsigned int request_id,
                                                        tesmaclient_savegame_list_callback callback, void* user,
                                                        unsigned int a)
{
    Request(client, &TesmaClient::GetSavegameList, request_id, callback, user, a);
}

void KZ_TESMACLIENT_CDECL tesmaclient_remove_savegame(tesmaclient_client* client, unsigned int request_id,
                                                      tesmaclient_remove_savegame_callback callback, void* user,
                                                      unsigned int a, unsigned int b)
{
    Request(client, &TesmaClient::RemoveSavegame, request_id, callback, user, a, b);
}

void KZ_TESMACLIENT_CDECL tesmaclient_get_network_traffic(tesmaclient_client* client, unsigned int request_id,
                                                          tesmaclient_network_traffic_callback callback, void* user)
{
    Request(client, &TesmaClient::GetNetworkTraffic, request_id, callback, user);
}

} // extern "C"
