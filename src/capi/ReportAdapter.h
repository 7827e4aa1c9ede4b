#pragma once

#include "containers/Allocate.h"
#include "kz/tesmaclient/Listeners.h"
#include "kz/tesmaclient/tesmaclient_c.h"
#include "launcher/LauncherApi.h"
#include "launcher/Retained.h"

// The listeners of ours that a C caller's read or write hands the launcher:
// each calls the C callback with the caller's user pointer when the launcher
// reports. The binding keeps one (Retained) from before the call; its report
// takes it out and frees it before calling the callback, and a release that
// unloads the library frees those the launcher can no longer report to.
//
// Invariants: made on the heap by common::New, freed exactly once; the
// launcher reports at most once to each.

namespace kz {
namespace capi {

template <typename Callback>
class Report : public Retained {
protected:
    Report(Callback callback, void* user) noexcept : m_callback(callback), m_user(user) {}

    // Frees adapter, whose base this is, and calls the callback; a null
    // callback takes nothing.
    template <typename Adapter>
    static bool Deliver(Adapter* adapter, unsigned int requestId, unsigned int a, unsigned int b) noexcept
    {
        const Callback callback = adapter->m_callback;
        void* const user = adapter->m_user;
        LauncherApi::Instance().Unretain(*adapter);
        common::Delete(adapter);
        return callback != nullptr && callback(user, requestId, a, b) != 0;
    }

private:
    const Callback m_callback;
    void* const m_user;
};

class ReadReport final : public tesmaclient::ISavegameReadListener, public Report<tesmaclient_read_callback> {
public:
    ReadReport(tesmaclient_read_callback callback, void* user) noexcept : Report(callback, user)
    {
        Destroy = [](Retained* kept) { common::Delete(static_cast<ReadReport*>(kept)); };
    }
    bool OnSavegameRead(unsigned int requestId, unsigned int a, unsigned int b) override
    {
        return Deliver(this, requestId, a, b);
    }
};

class WriteReport final : public tesmaclient::ISavegameWriteListener, public Report<tesmaclient_write_callback> {
public:
    WriteReport(tesmaclient_write_callback callback, void* user) noexcept : Report(callback, user)
    {
        Destroy = [](Retained* kept) { common::Delete(static_cast<WriteReport*>(kept)); };
    }
    bool OnSavegameWrite(unsigned int requestId, unsigned int a, unsigned int b) override
    {
        return Deliver(this, requestId, a, b);
    }
};

} // namespace capi
} // namespace kz
