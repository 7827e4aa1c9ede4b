#pragma once

// Save games managed by the launcher. The client creates these objects when the
// launcher answers GetSavegameReader, GetSavegameWriter and GetSavegameList,
// and hands them to the game's listener. They belong to the game: it gives
// each back with Release (a list with ReleaseList) when done, after which it
// must not use it; one never given back stays a valid object to call for the
// rest of the process. The library never deletes them. Each forwards to the
// launcher with its own handle; with a 0 handle (the launcher refused to open
// the save game: IsOpen tells), or without a launcher, every operation
// returns its neutral value.
//
// Once the last TesmaClient is destroyed they return their neutral values and
// call nothing, also after a later client bound the launcher again. A list
// entry refers to the launcher's own list, which the launcher keeps only as
// long as it documents.

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
    const unsigned short* GetName() noexcept;
    // 0xFFFFFFFF without a launcher.
    unsigned int GetProductId() noexcept;
    // 0xFFFFFFFF without a launcher.
    unsigned int GetSavegameId() noexcept;
    // 0 without a launcher.
    unsigned int GetSize() noexcept;

    // Gives back a whole list, as the listener received it (its first entry),
    // once, at any time after the listener received it (also inside it); no
    // entry may be used after. Null is allowed. Since 1.2.
    static void ReleaseList(SavegameInfo* savegames) noexcept;

private:
    friend class SavegameFactory;
    SavegameInfo() noexcept;
    ~SavegameInfo();
    SavegameInfo(const SavegameInfo&);
    SavegameInfo& operator=(const SavegameInfo&);

    SavegameHandleCell* m_cell;
};

// A save game opened for reading.
class KZ_TESMACLIENT_API SavegameReader {
public:
    // The launcher reports to listener itself, so pass one: what it does with
    // a null listener is its own affair (the development launcher drops the
    // read).
    // Reads length bytes from offset of the save game into buffer and reports
    // to listener (ISavegameReadListener); buffer must stay valid until then.
    void Read(unsigned int requestId, ISavegameReadListener* listener, unsigned int offset, void* buffer,
              unsigned int length) noexcept;
    void Close() noexcept;
    // true when the launcher opened the save game for this reader (its handle
    // is not 0) and the binding it came under lasts; Close does not change it.
    // Since 1.2.
    bool IsOpen() noexcept;
    // Gives the reader back, once, when done with it (also inside the listener
    // that received it): close it first. Reads already handed to the launcher
    // report to their listeners all the same. Null is allowed. Since 1.2.
    static void Release(SavegameReader* reader) noexcept;

private:
    friend class SavegameFactory;
    SavegameReader() noexcept;
    ~SavegameReader();
    SavegameReader(const SavegameReader&);
    SavegameReader& operator=(const SavegameReader&);

    SavegameHandleCell* m_cell;
};

// A save game opened for writing.
class KZ_TESMACLIENT_API SavegameWriter {
public:
    // false without a launcher.
    bool SetName(unsigned short* name) noexcept;
    // The launcher reports to listener itself; buffer must stay valid until
    // then. The development launcher takes the bytes also when listener is
    // null, and leaves out only the report.
    void Write(unsigned int requestId, ISavegameWriteListener* listener, void* buffer, unsigned int size) noexcept;
    // flag true commits what was written, false discards it.
    void Close(bool flag) noexcept;
    // As SavegameReader::IsOpen: false for a writer the launcher refused
    // (the id exists and replacing was not allowed, or it could not be
    // opened); the answer's a then says why. Since 1.2.
    bool IsOpen() noexcept;
    // Gives the writer back as SavegameReader::Release gives a reader. Since 1.2.
    static void Release(SavegameWriter* writer) noexcept;

private:
    friend class SavegameFactory;
    SavegameWriter() noexcept;
    ~SavegameWriter();
    SavegameWriter(const SavegameWriter&);
    SavegameWriter& operator=(const SavegameWriter&);

    SavegameHandleCell* m_cell;
};

} // namespace tesmaclient
} // namespace kz
