#pragma once

#include "launcher/LauncherApi.h"

#include <cstdint>

// The guards around our calls into the launcher library (LauncherCall) and
// its answers out of it (LauncherAnswer), and the forwards made through them.
//
// Invariants: while a LauncherCall that was entered lives, one call is counted
// in progress, so the library is not freed and its entry points do not change
// under it; a save-game object's call is entered only while the binding it
// was made under is current. While a begun LauncherAnswer lives, the object
// it answers stays, its answer being counted as running; once the guard is
// gone, nothing may touch that object. Both live in one scope on one thread (a
// thread's count of calls in progress is what tells a thread of the
// launcher's own apart) and are never copied.

namespace kz {

// One call into the launcher library. Without a handle nothing is entered and
// LauncherApi is not consulted.
class LauncherCall {
public:
    // For a client's session: a live client's binding is always current.
    static LauncherCall ForSession(SessionHandle session) noexcept { return LauncherCall(session, nullptr); }

    // For a save-game object: only while the binding it was made under lasts.
    static LauncherCall ForSavegame(SavegameHandle handle, std::uint32_t binding) noexcept
    {
        return LauncherCall(handle, &binding);
    }

    ~LauncherCall()
    {
        if (m_api != nullptr)
            m_api->LeaveCall();
    }

    LauncherCall(const LauncherCall&) = delete;
    LauncherCall& operator=(const LauncherCall&) = delete;

    SavegameHandle Handle() const noexcept { return m_handle; }

    // The entry point to call; null when the call was not entered or the
    // library lacks it.
    template <typename Function>
    Function EntryPoint(Function EntryPoints::*entryPoint) const noexcept
    {
        return m_api != nullptr ? m_api->Functions().*entryPoint : nullptr;
    }

private:
    LauncherCall(SavegameHandle handle, const std::uint32_t* binding) noexcept
        : m_api(handle != 0 ? &LauncherApi::Instance() : nullptr), m_handle(handle)
    {
        if (m_api == nullptr)
            return;
        if (binding == nullptr)
            m_api->EnterCall();
        else if (!m_api->EnterCallUnder(*binding))
            m_api = nullptr;
    }

    LauncherApi* m_api;
    SavegameHandle m_handle; // wide enough for either kind of handle
};

// Calls one entry point of the launcher library with the call's handle first
// and the caller's arguments after it, unchanged, and returns its result;
// neutral when it cannot be called.
template <typename Function, typename Result, typename... Args>
Result ForwardOr(Result neutral, const LauncherCall& call, Function EntryPoints::*entryPoint, Args... args) noexcept
{
    Function function = call.EntryPoint(entryPoint);
    return function != nullptr ? function(call.Handle(), args...) : neutral;
}

// The same for entry points without a result.
template <typename Function, typename... Args>
void Forward(const LauncherCall& call, Function EntryPoints::*entryPoint, Args... args) noexcept
{
    if (Function function = call.EntryPoint(entryPoint))
        function(call.Handle(), args...);
}

// An answer from the launcher library to one of its listeners, from its start
// to its end. Begun when it took an owed number; its end may destroy the
// listener's object.
class LauncherAnswer {
public:
    explicit LauncherAnswer(OwedAnswers& answers) noexcept : m_api(LauncherApi::Instance()), m_answers(answers)
    {
        m_api.NoteAnswer();
    }
    ~LauncherAnswer()
    {
        if (m_begun)
            m_api.EndAnswer(m_answers, m_running);
    }
    LauncherAnswer(const LauncherAnswer&) = delete;
    LauncherAnswer& operator=(const LauncherAnswer&) = delete;

    // For the answer's object to begin it with, once.
    RunningAnswer& Begin() noexcept
    {
        m_begun = true;
        return m_running;
    }

private:
    LauncherApi& m_api;
    OwedAnswers& m_answers;
    RunningAnswer m_running{nullptr, nullptr};
    bool m_begun = false;
};

} // namespace kz
