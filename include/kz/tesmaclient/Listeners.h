#pragma once

// Listener interfaces that the game implements to receive the answers to its
// asynchronous requests. Each answer carries the request number the game chose.
//
// The values an answer carries are the launcher's; the parameter names give
// their meaning as the development launcher answers (the SDK's README says
// more). A listener's result is handed back to the launcher as the result of its
// answer; the library does not act on it. Return true when the game took the
// answer. Where the library drops an answer (nothing waiting under that
// number, a null listener, a destroyed client) it tells the launcher false.
//
// The library never creates, copies or deletes a listener: the game keeps it
// alive until it has been called or the client has been destroyed. A listener
// may destroy its client, even the last one; it must not throw (see
// TesmaClient.h).
//
// The save-game objects an answer hands over are made by the library and
// belong to the game, which gives them back when done (see Savegame.h).

namespace kz {
namespace tesmaclient {

class SavegameInfo;
class SavegameReader;
class SavegameWriter;

class IGetLoginDetailsListener {
public:
    // signedIn: 1 when a player is signed in; accountId: the player's account;
    // restrictions: 0 for none.
    virtual bool OnGetLoginDetails(unsigned int requestId, unsigned int signedIn, unsigned int accountId,
                                   unsigned int restrictions) = 0;

protected:
    ~IGetLoginDetailsListener() {}
};

class IGetTesmaServerListener {
public:
    // address: the server's IPv4 address, most significant byte first (0x7F000001
    // is 127.0.0.1).
    virtual bool OnGetTesmaServer(unsigned int requestId, unsigned int address) = 0;

protected:
    ~IGetTesmaServerListener() {}
};

class IGetSavegameReaderListener {
public:
    // reader is never null. When reader->IsOpen(), sizeOrStatus is the save
    // game's size in bytes; otherwise the launcher did not open it and
    // sizeOrStatus says why (1 unknown save game, 3 its files could not be
    // read). The game gives reader back with SavegameReader::Release.
    virtual bool OnGetSavegameReader(unsigned int requestId, unsigned int sizeOrStatus, SavegameReader* reader) = 0;

protected:
    ~IGetSavegameReaderListener() {}
};

class IGetSavegameWriterListener {
public:
    // writer is never null. When writer->IsOpen(), idOrStatus is the id of the
    // save game it writes (a new one's, when 0 was asked for); otherwise the
    // launcher refused and idOrStatus says why (2 the id exists and may not
    // be replaced, 3 the files could not be written). The game gives writer
    // back with SavegameWriter::Release.
    virtual bool OnGetSavegameWriter(unsigned int requestId, unsigned int idOrStatus, SavegameWriter* writer) = 0;

protected:
    ~IGetSavegameWriterListener() {}
};

class IGetSavegameListListener {
public:
    // savegames points at count entries laid out one pointer apart (never null,
    // even for count 0); the game gives the whole list back with
    // SavegameInfo::ReleaseList.
    virtual bool OnGetSavegameList(unsigned int requestId, SavegameInfo* savegames, unsigned int count) = 0;

protected:
    ~IGetSavegameListListener() {}
};

class IRemoveSavegameListener {
public:
    // status: 0 removed, 1 unknown save game, 3 not removed.
    virtual bool OnRemoveSavegame(unsigned int requestId, unsigned int status) = 0;

protected:
    ~IRemoveSavegameListener() {}
};

class IGetNetworkTrafficListener {
public:
    // The launcher's traffic counts; the development launcher, offline, gives 0.
    virtual bool OnGetNetworkTraffic(unsigned int requestId, unsigned int a, unsigned int b, unsigned int c,
                                     unsigned int d) = 0;

protected:
    ~IGetNetworkTrafficListener() {}
};

// Passed through SavegameReader::Read and SavegameWriter::Write to the launcher,
// which reports to them itself.
class ISavegameReadListener {
public:
    // status: 0 done, 1 unknown or closed reader, 3 not read, 4 a null buffer
    // with a non-zero length; bytes: how many were read into the buffer.
    virtual bool OnSavegameRead(unsigned int requestId, unsigned int status, unsigned int bytes) = 0;

protected:
    ~ISavegameReadListener() {}
};

class ISavegameWriteListener {
public:
    // status and bytes as for a read; bytes: how many were taken.
    virtual bool OnSavegameWrite(unsigned int requestId, unsigned int status, unsigned int bytes) = 0;

protected:
    ~ISavegameWriteListener() {}
};

} // namespace tesmaclient
} // namespace kz
