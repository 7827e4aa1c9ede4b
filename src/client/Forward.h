#pragma once

#include "launcher/LauncherApi.h"

namespace kz {

// The entry point a forward with handle calls: null when there is no handle
// (LauncherApi is then not consulted) or the entry point is not bound.
template <typename Handle, typename Function>
Function EntryPointFor(Handle handle, Function EntryPoints::*entryPoint)
{
    if (handle == 0)
        return nullptr;
    return LauncherApi::Instance().Functions().*entryPoint;
}

// Calls one entry point of the launcher library with handle first and the
// caller's arguments after it, unchanged, and returns its result; neutral when
// it cannot be called.
template <typename Handle, typename Function, typename Result, typename... Args>
Result ForwardOr(Result neutral, Handle handle, Function EntryPoints::*entryPoint, Args... args)
{
    Function function = EntryPointFor(handle, entryPoint);
    return function != nullptr ? function(handle, args...) : neutral;
}

// The same for entry points without a result.
template <typename Handle, typename Function, typename... Args>
void Forward(Handle handle, Function EntryPoints::*entryPoint, Args... args)
{
    if (Function function = EntryPointFor(handle, entryPoint))
        function(handle, args...);
}

} // namespace kz
