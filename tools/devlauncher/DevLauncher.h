#pragma once

// The offline development launcher: what the 22 entry points of its
// dovtesmaapi_r2.dll do, as a class the native tests can make over a folder of
// their own. Requests queue their work and answer on the next Update of their
// session, in the order they were made; Settings::AnswerInline answers inside
// the request call instead. The values it answers are documented in README.md
// in this folder.

#include "SavegameStore.h"
#include "Settings.h"

#include "launcher/EntryPoints.h"
#include "launcher/Handles.h"
#include "launcher/TesmadllListeners.h"

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <vector>

namespace devlauncher {

using kz::SavegameHandle;
using kz::SessionHandle;
namespace tesmadll = kz::tesmadll;

// The fixed answers.
constexpr unsigned LoginSignedIn = 1;
constexpr unsigned LoginAccountId = 1000;
constexpr unsigned LoginFlags = 0;
constexpr unsigned ServerAddress = 0x7F000001; // 127.0.0.1

class DevLauncher {
public:
    explicit DevLauncher(const Settings& settings);
    ~DevLauncher();
    DevLauncher(const DevLauncher&) = delete;
    DevLauncher& operator=(const DevLauncher&) = delete;

    SessionHandle GetSession();
    void Update(SessionHandle session);
    unsigned GetRequestUniqueId(SessionHandle session);
    bool StartLauncher(SessionHandle session);
    const unsigned short* GetLocText(SessionHandle session, const unsigned short* key, const char* locale);

    void GetLoginDetails(SessionHandle session, unsigned requestId, tesmadll::IGetLoginDetailsListener* listener);
    void GetTesmaServer(SessionHandle session, unsigned requestId, tesmadll::IGetTesmaServerListener* listener);
    void GetSavegameReader(SessionHandle session, unsigned requestId, tesmadll::IGetSavegameReaderListener* listener,
                           unsigned productId, unsigned savegameId);
    void GetSavegameWriter(SessionHandle session, unsigned requestId, tesmadll::IGetSavegameWriterListener* listener,
                           unsigned productId, unsigned savegameId, bool replace);
    void GetSavegameList(SessionHandle session, unsigned requestId, tesmadll::IGetSavegameListListener* listener,
                         unsigned productId);
    void RemoveSavegame(SessionHandle session, unsigned requestId, tesmadll::IRemoveSavegameListener* listener,
                        unsigned productId, unsigned savegameId);
    void GetNetworkTraffic(SessionHandle session, unsigned requestId,
                           tesmadll::IGetNetworkTrafficListener* listener);

    void ReaderRead(SavegameHandle reader, unsigned requestId, kz::tesmaclient::ISavegameReadListener* listener,
                    unsigned offset, void* buffer, unsigned length);
    void ReaderClose(SavegameHandle reader);
    bool WriterSetName(SavegameHandle writer, const unsigned short* name);
    void WriterWrite(SavegameHandle writer, unsigned requestId, kz::tesmaclient::ISavegameWriteListener* listener,
                     const void* data, unsigned length);
    void WriterClose(SavegameHandle writer, bool commit);

    // info is the address of an element of a list this launcher answered;
    // anything else gives null, 0xFFFFFFFF, 0xFFFFFFFF and 0.
    const unsigned short* InfoGetName(SavegameHandle info) const;
    unsigned InfoGetProductId(SavegameHandle info) const;
    unsigned InfoGetSavegameId(SavegameHandle info) const;
    unsigned InfoGetSize(SavegameHandle info) const;

private:
    struct Reader {
        SessionHandle Session;
        std::vector<unsigned char> Data;
    };
    struct Writer {
        SessionHandle Session;
        SavegameEntry Written; // product, id and name
        std::vector<unsigned char> Data;
        std::unique_ptr<FileLock> Reservation;
        bool Failed = false; // a write was refused: the commit is too
    };
    // One answered list: its 4-byte elements (each a save-game id) and what
    // they lead to. Kept while the launcher lives, so that no element address
    // is ever reused for another save game.
    struct List {
        unsigned ProductId;
        std::vector<unsigned> Elements;
        std::vector<SavegameEntry> Entries;
    };
    struct Pending {
        SessionHandle Session;
        std::function<void()> Answer;
    };

    bool IsSession(SessionHandle session) const;
    // Runs answer now or on the session's next Update.
    void Queue(SessionHandle session, std::function<void()> answer);
    // Null when the folder cannot be read.
    const List* AnswerList(unsigned productId);
    const SavegameEntry* FindEntry(SavegameHandle info) const;
    // Appends to the writer's bytes; false when they would exceed what is held.
    static bool Append(Writer& writer, const void* data, unsigned length);

    SavegameStore m_store;
    bool m_answerInline;
    SessionHandle m_lastSession = 0;
    unsigned m_lastRequestId = 0;
    SavegameHandle m_lastHandle = 0;
    bool m_updating = false;
    std::deque<Pending> m_pending;
    std::map<SavegameHandle, Reader> m_readers;
    std::map<SavegameHandle, Writer> m_writers;
    std::vector<std::unique_ptr<List>> m_lists;
    // First element address of each non-empty list, for finding an element's list.
    std::map<const unsigned*, const List*> m_listsByAddress;
};

} // namespace devlauncher
