#pragma once

#include "launcher/LauncherApi.h"

namespace kz {

// Calls one entry point of the launcher library with handle first and the
// caller's arguments after it, unchanged. Without a handle, or when the entry
// point is not bound, nothing is called and neutral is returned.
template <typename Handle, typename Function, typename Result, typename... Args>
Result ForwardOr(Result neutral, Handle handle, Function EntryPoints::*entryPoint, Args... args)
{
    if (handle == 0)
        return neutral;
    Function function = LauncherApi::Instance().Functions().*entryPoint;
    if (function == nullptr)
        return neutral;
    return function(handle, args...);
}

// The same for entry points without a result.
template <typename Handle, typename Function, typename... Args>
void Forward(Handle handle, Function EntryPoints::*entryPoint, Args... args)
{
    if (handle == 0)
        return;
    Function function = LauncherApi::Instance().Functions().*entryPoint;
    if (function == nullptr)
        return;
    function(handle, args...);
}

} // namespace kz
