#pragma once

#include <cstdint>

// The eight system calls the binding makes, behind one table so that the
// binding logic is the same code on Windows and in the native tests, which
// supply a scripted table.
//
// Invariants: results and arguments follow the Win32 functions of the same
// purpose; strings are UTF-16. A table is constant and outlives the binding
// that uses it, which keeps only a reference. The binding never makes one of
// these calls with its lock held: the loader may wait for the launcher's
// detach, and that for threads of the launcher's own.

namespace kz {

struct SystemCalls {
    using AnyFunction = void (*)();

    // RegOpenKeyExW; returns 0 on success.
    long (*OpenRegistryKey)(std::uintptr_t root, const unsigned short* subKey, std::uint32_t options,
                            std::uint32_t access, void** key);
    // RegQueryValueExW; type and data may be null; returns 0 on success.
    long (*QueryRegistryValue)(void* key, const unsigned short* name, std::uint32_t* type, unsigned char* data,
                               std::uint32_t* size);
    // RegCloseKey.
    long (*CloseRegistryKey)(void* key);
    // LoadLibraryW; null on failure.
    void* (*LoadModule)(const unsigned short* path);
    // GetLastError, called at once after a failed LoadModule.
    std::uint32_t (*LastLoadError)();
    // GetProcAddress; null when the module lacks the name.
    AnyFunction (*FindSymbol)(void* module, const char* name);
    // FreeLibrary.
    int (*ReleaseModule)(void* module);
    // GetModuleHandleW: whether a module of that path is loaded, as one still
    // is after ReleaseModule when something else holds a reference to it.
    bool (*IsModuleLoaded)(const unsigned short* path);
};

// HKEY_LOCAL_MACHINE and the access the binding asks for (KEY_READ).
constexpr std::uintptr_t LocalMachineRoot = 0x80000002u;
constexpr std::uint32_t KeyReadAccess = 0x20019u;
constexpr std::uint32_t RegistryStringType = 1; // REG_SZ

// The process's real system calls. Defined by the Windows build; native test
// programs define it with their own scripted table.
const SystemCalls& PlatformSystemCalls();

} // namespace kz
