// The real system calls of the binding: registry reading and dynamic loading.
#include "launcher/SystemCalls.h"

#include <windows.h>

namespace kz {

namespace {

long OpenRegistryKey(std::uintptr_t root, const unsigned short* subKey, std::uint32_t options, std::uint32_t access,
                     void** key)
{
    HKEY opened = nullptr;
    LONG result = RegOpenKeyExW(reinterpret_cast<HKEY>(root), reinterpret_cast<LPCWSTR>(subKey), options, access,
                                &opened);
    *key = opened;
    return result;
}

long QueryRegistryValue(void* key, const unsigned short* name, std::uint32_t* type, unsigned char* data,
                        std::uint32_t* size)
{
    DWORD valueType = 0;
    DWORD valueSize = size != nullptr ? *size : 0;
    LONG result = RegQueryValueExW(static_cast<HKEY>(key), reinterpret_cast<LPCWSTR>(name), nullptr,
                                   type != nullptr ? &valueType : nullptr, data,
                                   size != nullptr ? &valueSize : nullptr);
    if (type != nullptr)
        *type = valueType;
    if (size != nullptr)
        *size = valueSize;
    return result;
}

long CloseRegistryKey(void* key)
{
    return RegCloseKey(static_cast<HKEY>(key));
}

void* LoadModule(const unsigned short* path)
{
    return LoadLibraryW(reinterpret_cast<LPCWSTR>(path));
}

std::uint32_t LastLoadError()
{
    return GetLastError();
}

SystemCalls::AnyFunction FindSymbol(void* module, const char* name)
{
    return reinterpret_cast<SystemCalls::AnyFunction>(GetProcAddress(static_cast<HMODULE>(module), name));
}

int ReleaseModule(void* module)
{
    return FreeLibrary(static_cast<HMODULE>(module));
}

bool IsModuleLoaded(const unsigned short* path)
{
    return GetModuleHandleW(reinterpret_cast<LPCWSTR>(path)) != nullptr;
}

const SystemCalls Win32Calls = {OpenRegistryKey, QueryRegistryValue, CloseRegistryKey, LoadModule,
                                LastLoadError,   FindSymbol,         ReleaseModule,    IsModuleLoaded};

} // namespace

const SystemCalls& PlatformSystemCalls()
{
    return Win32Calls;
}

} // namespace kz
