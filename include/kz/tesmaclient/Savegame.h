#pragma once

// Save games managed by the launcher. The client creates these objects when the
// launcher answers GetSavegameReader, GetSavegameWriter and GetSavegameList,
// and hands them to the game's listener; the game never creates or deletes
// them. Each forwards to the launcher with its own handle; with a 0 handle, or
// without a launcher, every operation returns its neutral value.
//
// Do not use them after the last TesmaClient has been destroyed: the launcher
// library is then released, and they only return neutral values.

#include "kz/tesmaclient/Export.h"

namespace kz {
namespace tesmaclient {

class ISavegameReadListener;
class ISavegameWriteListener;
class SavegameFactory;
struct SavegameHandleCell;

// One entry of a save-game list. A list arrives as an array of these, one
// pointer apart.
class KZ_TESMACLIENT_API SavegameInfo {
public:
    // The launcher's text, not copied; null without a launcher.
    const unsigned short* GetName();
    // 0xFFFFFFFF without a launcher.
    unsigned int GetProductId();
    // 0xFFFFFFFF without a launcher.
    unsigned int GetSavegameId();
    // 0 without a launcher.
    unsigned int GetSize();

private:
    friend class SavegameFactory;
    SavegameInfo();
    ~SavegameInfo();
    SavegameInfo(const SavegameInfo&);
    SavegameInfo& operator=(const SavegameInfo&);

    SavegameHandleCell* m_cell;
};

// A save game opened for reading.
class KZ_TESMACLIENT_API SavegameReader {
public:
    // The launcher reports to listener itself.
    void Read(unsigned int requestId, ISavegameReadListener* listener, unsigned int a, void* buffer, unsigned int b);
    void Close();

private:
    friend class SavegameFactory;
    SavegameReader();
    ~SavegameReader();
    SavegameReader(const SavegameReader&);
    SavegameReader& operator=(const SavegameReader&);

    SavegameHandleCell* m_cell;
};

// A save game opened for writing.
class KZ_TESMACLIENT_API SavegameWriter {
public:
    // false without a launcher.
    bool SetName(unsigned short* name);
    // The launcher reports to listener itself.
    void Write(unsigned int requestId, ISavegameWriteListener* listener, void* buffer, unsigned int size);
    void Close(bool flag);

private:
    friend class SavegameFactory;
    SavegameWriter();
    ~SavegameWriter();
    SavegameWriter(const SavegameWriter&);
    SavegameWriter& operator=(const SavegameWriter&);

    SavegameHandleCell* m_cell;
};

} // namespace tesmaclient
} // namespace kz
