#pragma once

// The game's way into the installed launcher.
//
// Construct a TesmaClient, call its methods from the game loop, destroy it when
// done. Without a working launcher every method returns a neutral value and
// GetInstallationErrorNum tells why. Wide texts are NUL-terminated UTF-16.
//
// Lifetime. The first client binds the launcher library; it stays loaded while
// any client lives. When the last client is destroyed the binding ends: the
// save-game objects it made return their neutral values and call nothing from
// then on, also after a later client bound the launcher again. The library is
// freed as soon as no call into it runs: at once when the last client is
// destroyed from the game's own code; when the request or Update call that
// delivered the answer returns, when it is destroyed inside a listener. Once
// the launcher has delivered an answer on a thread of its own (not inside a
// call the game made into it on that thread), the library is never freed: the
// thread returns into the launcher's code and nothing tells when it leaves.
// It then stays loaded until the process ends, and every later client takes
// up that same binding without reading the registry. A client binds anew only
// after a release freed the library, which no longer happens from then on.
//
// Answers owed. The launcher owes one answer for every request it was handed,
// also for two requests under one number; the first answer under a number
// reaches the latest listener. An answer under a number not owed (never
// asked, already answered, asked of another client) reaches no listener and
// changes nothing. A destroyed client's answers are dropped; its listeners
// are never called once its destructor returned. Its own small state stays
// until every answer owed to it has arrived or the library was freed, so a
// client may be destroyed with requests outstanding.
//
// Threads. Clients may be constructed and destroyed on several threads at
// once; one that is constructed while another thread loads the launcher
// library sleeps until the load is done. Calls into one client must not
// overlap each other; its answers may come at any time, on the thread the
// launcher chooses, also during the client's other calls. The destructor
// waits for the client's listeners running on other threads to return (one
// running on the destroying thread, which destroys its own client, it does
// not wait for): do not destroy a client while holding a lock that its
// listeners take, nor from a listener of another client that a listener of
// the first may be destroying at the same time (the two would wait for each
// other). GetInstallationErrorString may be called from any thread at any
// time.
//
// What the library assumes of the launcher: that it stops its own threads in
// its library's detach, before its code is unmapped, and that it calls a
// client's listener interfaces only while it owes that client an answer.
//
// Failures. Nothing here throws. Exhausted memory inside the library stops the
// process with an illegal-instruction fault, which the game's crash reporter
// sees; the library prints nothing. Listeners must not throw either: an
// exception that leaves one passes through the library without its
// bookkeeping, which then keeps the launcher library loaded until the process
// ends, and the game's own clean-up around the call may be skipped, since its
// compiler was told that these methods never throw.

#include "kz/tesmaclient/Export.h"
#include "kz/tesmaclient/Listeners.h"
#include "kz/tesmaclient/Savegame.h"

namespace kz {
namespace tesmaclient {

class KZ_TESMACLIENT_API TesmaClient {
public:
    // Binds the launcher on first use in the process, and again after every
    // client was destroyed, and opens a session when the launcher is installed
    // and complete. Safe to place anywhere: on the heap, as a member, on the
    // stack.
    TesmaClient() noexcept;
    // The last client releases the launcher library (see Lifetime above); it
    // may be destroyed from inside one of its own listeners, and with requests
    // outstanding, whose answers are then dropped. Returns once none of its
    // listeners runs on another thread; none is called after.
    ~TesmaClient() noexcept;

    // Lets the launcher do its periodic work; call it once per frame.
    void Update() noexcept;
    // A request number from the launcher; 0xFFFFFFFF without a session.
    unsigned int GetRequestUniqueId() noexcept;
    // false without a session.
    bool StartLauncher(unsigned int a, unsigned int b, const char* c, const char* d) noexcept;
    void StartProcess(unsigned short* a, unsigned short* b, unsigned short* c) noexcept;
    // The launcher's localized text for key; key itself without a session.
    const unsigned short* GetLocText(const unsigned short* key, const char* locale) noexcept;

    // 0: launcher bound. 1: no installation directory in the registry.
    // 2: the launcher library failed to load. 3: it lacks entry points.
    unsigned int GetInstallationErrorNum() noexcept;
    // A text to show the player for a non-zero installation error number:
    // "Dovrix Game Lancher: \n" and the message for locale (one of 19 tags such
    // as "en-US") with the number in it; the first line alone for other tags.
    // The empty text when the launcher is bound. The text belongs to the
    // library: do not write or free it. It is the same for every call with the
    // same number and locale, and stays valid while the library is loaded.
    unsigned short* GetInstallationErrorString(const char* locale) noexcept;

    // Asynchronous requests. Each is tagged with a request number of the
    // game's choosing; the answer reaches listener, on the thread the launcher
    // chooses, possibly before the call returns. A second request of the same
    // kind under a number still pending replaces the listener. Without a
    // session the request is dropped and listener is never called. A request
    // with a null listener still goes out; its answer is dropped.
    void GetLoginDetails(unsigned int requestId, IGetLoginDetailsListener* listener) noexcept;
    void GetTesmaServer(unsigned int requestId, IGetTesmaServerListener* listener, unsigned int a,
                        unsigned int b) noexcept;
    // Opens the save game savegameId of the game's product for reading.
    void GetSavegameReader(unsigned int requestId, IGetSavegameReaderListener* listener, unsigned int productId,
                           unsigned int savegameId) noexcept;
    // Opens savegameId for writing, 0 for a new one; an existing one only
    // when mayReplace.
    void GetSavegameWriter(unsigned int requestId, IGetSavegameWriterListener* listener, unsigned int productId,
                           unsigned int savegameId, bool mayReplace) noexcept;
    void GetSavegameList(unsigned int requestId, IGetSavegameListListener* listener, unsigned int productId) noexcept;
    void RemoveSavegame(unsigned int requestId, IRemoveSavegameListener* listener, unsigned int productId,
                        unsigned int savegameId) noexcept;
    void GetNetworkTraffic(unsigned int requestId, IGetNetworkTrafficListener* listener) noexcept;

private:
    class Pimpl;
    friend class ClientInternals;

    TesmaClient(const TesmaClient&);
    TesmaClient& operator=(const TesmaClient&);

    Pimpl* m_pimpl;
};

} // namespace tesmaclient
} // namespace kz
