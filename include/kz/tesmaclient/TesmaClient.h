#pragma once

// The game's way into the installed launcher.
//
// Construct a TesmaClient, call its methods from the game loop, destroy it when
// done. Without a working launcher every method returns a neutral value and
// GetInstallationErrorNum tells why. Wide texts are NUL-terminated UTF-16.

#include "kz/tesmaclient/Export.h"
#include "kz/tesmaclient/Listeners.h"
#include "kz/tesmaclient/Savegame.h"

namespace kz {
namespace tesmaclient {

class KZ_TESMACLIENT_API TesmaClient {
public:
    // Binds the launcher on first use in the process, and again after every
    // client was destroyed, and opens a session when the launcher is installed
    // and complete.
    TesmaClient();
    // The last client releases the launcher library.
    ~TesmaClient();

    // Lets the launcher do its periodic work; call it once per frame.
    void Update();
    // A request number from the launcher; 0xFFFFFFFF without a session.
    unsigned int GetRequestUniqueId();
    // false without a session.
    bool StartLauncher(unsigned int a, unsigned int b, const char* c, const char* d);
    void StartProcess(unsigned short* a, unsigned short* b, unsigned short* c);
    // The launcher's localized text for key; key itself without a session.
    const unsigned short* GetLocText(const unsigned short* key, const char* locale);

    // 0: launcher bound. 1: no installation directory in the registry.
    // 2: the launcher library failed to load. 3: it lacks entry points.
    unsigned int GetInstallationErrorNum();
    // A text to show the player for a non-zero installation error number:
    // "Dovrix Game Lancher: \n" and the message for locale (one of 19 tags such
    // as "en-US") with the number in it; the first line alone for other tags.
    // The empty text when the launcher is bound. The text belongs to the
    // library: do not write or free it; it stays valid until the next call.
    unsigned short* GetInstallationErrorString(const char* locale);

    // Asynchronous requests. Each is tagged with a request number of the
    // game's choosing; the answer reaches listener, on the thread the launcher
    // chooses, possibly before the call returns. A second request of the same
    // kind under a number still pending replaces the listener. Without a
    // session the request is dropped and listener is never called. A request
    // with a null listener still goes out; its answer is dropped.
    void GetLoginDetails(unsigned int requestId, IGetLoginDetailsListener* listener);
    void GetTesmaServer(unsigned int requestId, IGetTesmaServerListener* listener, unsigned int a, unsigned int b);
    void GetSavegameReader(unsigned int requestId, IGetSavegameReaderListener* listener, unsigned int a,
                           unsigned int b);
    void GetSavegameWriter(unsigned int requestId, IGetSavegameWriterListener* listener, unsigned int a,
                           unsigned int b, bool flag);
    void GetSavegameList(unsigned int requestId, IGetSavegameListListener* listener, unsigned int a);
    void RemoveSavegame(unsigned int requestId, IRemoveSavegameListener* listener, unsigned int a, unsigned int b);
    void GetNetworkTraffic(unsigned int requestId, IGetNetworkTrafficListener* listener);

private:
    class Pimpl;

    TesmaClient(const TesmaClient&);
    TesmaClient& operator=(const TesmaClient&);

    Pimpl* m_pimpl;
};

} // namespace tesmaclient
} // namespace kz
