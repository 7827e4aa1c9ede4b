#pragma once

#include "launcher/Handles.h"

// The interfaces through which the launcher library answers asynchronous
// requests. The client's private implementation implements all seven; the
// launcher calls the one method of each on the pointer it was given.

namespace kz {
namespace tesmadll {

class IGetLoginDetailsListener {
public:
    virtual bool OnGetLoginDetails(unsigned int requestId, unsigned int a, unsigned int b, unsigned int c) noexcept = 0;
};

class IGetTesmaServerListener {
public:
    virtual bool OnGetTesmaServer(unsigned int requestId, unsigned int a) noexcept = 0;
};

class IGetSavegameReaderListener {
public:
    virtual bool OnGetSavegameReader(unsigned int requestId, unsigned int a, SavegameHandle reader) noexcept = 0;
};

class IGetSavegameWriterListener {
public:
    virtual bool OnGetSavegameWriter(unsigned int requestId, unsigned int a, SavegameHandle writer) noexcept = 0;
};

class IGetSavegameListListener {
public:
    // list is the launcher's array of count elements of 4 bytes each.
    virtual bool OnGetSavegameList(unsigned int requestId, const void* list, unsigned int count) noexcept = 0;
};

class IRemoveSavegameListener {
public:
    virtual bool OnRemoveSavegame(unsigned int requestId, unsigned int a) noexcept = 0;
};

class IGetNetworkTrafficListener {
public:
    virtual bool OnGetNetworkTraffic(unsigned int requestId, unsigned int a, unsigned int b, unsigned int c, unsigned int d) noexcept = 0;
};

} // namespace tesmadll
} // namespace kz
