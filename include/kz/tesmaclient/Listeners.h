#pragma once

// Listener interfaces that the game implements to receive the answers to its
// asynchronous requests. Each answer carries the request number the game chose.
//
// A listener's result is handed back to the launcher as the result of its
// answer; the library does not act on it. Return true when the game took the
// answer. Where the library drops an answer (nothing waiting under that
// number, a null listener, a destroyed client) it tells the launcher false.
//
// The library never creates, copies or deletes a listener: the game keeps it
// alive until it has been called or the client has been destroyed. A listener
// may destroy its client, even the last one; it must not throw (see
// TesmaClient.h).
//
// The save-game objects an answer hands over are made by the library, which
// never deletes them; the game uses them and never deletes them either (see
// Savegame.h).

namespace kz {
namespace tesmaclient {

class SavegameInfo;
class SavegameReader;
class SavegameWriter;

class IGetLoginDetailsListener {
public:
    virtual bool OnGetLoginDetails(unsigned int requestId, unsigned int a, unsigned int b, unsigned int c) = 0;

protected:
    ~IGetLoginDetailsListener() {}
};

class IGetTesmaServerListener {
public:
    virtual bool OnGetTesmaServer(unsigned int requestId, unsigned int a) = 0;

protected:
    ~IGetTesmaServerListener() {}
};

class IGetSavegameReaderListener {
public:
    // reader is never null; the game may use it for the rest of the process.
    virtual bool OnGetSavegameReader(unsigned int requestId, unsigned int a, SavegameReader* reader) = 0;

protected:
    ~IGetSavegameReaderListener() {}
};

class IGetSavegameWriterListener {
public:
    // writer is never null; the game may use it for the rest of the process.
    virtual bool OnGetSavegameWriter(unsigned int requestId, unsigned int a, SavegameWriter* writer) = 0;

protected:
    ~IGetSavegameWriterListener() {}
};

class IGetSavegameListListener {
public:
    // savegames points at count entries laid out one pointer apart (never null,
    // even for count 0); the game may use them for the rest of the process.
    virtual bool OnGetSavegameList(unsigned int requestId, SavegameInfo* savegames, unsigned int count) = 0;

protected:
    ~IGetSavegameListListener() {}
};

class IRemoveSavegameListener {
public:
    virtual bool OnRemoveSavegame(unsigned int requestId, unsigned int a) = 0;

protected:
    ~IRemoveSavegameListener() {}
};

class IGetNetworkTrafficListener {
public:
    virtual bool OnGetNetworkTraffic(unsigned int requestId, unsigned int a, unsigned int b, unsigned int c, unsigned int d) = 0;

protected:
    ~IGetNetworkTrafficListener() {}
};

// Passed through SavegameReader::Read and SavegameWriter::Write to the launcher,
// which reports to them itself.
class ISavegameReadListener {
public:
    virtual bool OnSavegameRead(unsigned int requestId, unsigned int a, unsigned int b) = 0;

protected:
    ~ISavegameReadListener() {}
};

class ISavegameWriteListener {
public:
    virtual bool OnSavegameWrite(unsigned int requestId, unsigned int a, unsigned int b) = 0;

protected:
    ~ISavegameWriteListener() {}
};

} // namespace tesmaclient
} // namespace kz
