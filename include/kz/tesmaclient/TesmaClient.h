#pragma once

// The game's way into the installed launcher.
//
// Construct a TesmaClient, call its methods from the game loop, destroy it when
// done. Without a working launcher every method returns a neutral value and
// GetInstallationErrorNum tells why. Wide texts are NUL-terminated UTF-16.

#include "kz/tesmaclient/Export.h"

namespace kz {
namespace tesmaclient {

class KZ_TESMACLIENT_API TesmaClient {
public:
    // Binds the launcher on first use in the process and opens a session when
    // the launcher is installed and complete.
    TesmaClient();
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

private:
    class Pimpl;

    TesmaClient(const TesmaClient&);
    TesmaClient& operator=(const TesmaClient&);

    Pimpl* m_pimpl;
};

} // namespace tesmaclient
} // namespace kz
