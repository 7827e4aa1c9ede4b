#pragma once

// Listener interfaces that the game implements to receive the answers to its
// asynchronous requests. Each answer carries the request number the game chose;
// the listener's result is handed back to the launcher.
//
// The library never creates, copies or deletes a listener: the game keeps it
// alive until it has been called or the client has been destroyed. A listener
// may destroy its client, even the last one; it must not throw (see
// TesmaClient.h).

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
    // reader is never null; it belongs to the game from now on.
    virtual bool OnGetSavegameReader(unsigned int requestId, unsigned int a, SavegameReader* reader) = 0;

protected:
    ~IGetSavegameReaderListener() {}
};

class IGetSavegameWriterListener {
public:
    // writer is never null; it belongs to the game from now on.
    virtual bool OnGetSavegameWriter(unsigned int requestId, unsigned int a, SavegameWriter* writer) = 0;

protected:
    ~IGetSavegameWriterListener() {}
};

class IGetSavegameListListener {
public:
    // savegames points at count entries laid out one pointer apart (never null,
    // even for count 0); the block belongs to the game from now on.
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
