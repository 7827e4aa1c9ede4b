#pragma once

#include "kz/tesmaclient/Diagnostics.h"

#include <cstdint>

// What one binding of the launcher library found: its installation error
// number, and the record of it that GetBindingDiagnostics hands out.
//
// Invariants: a record is a plain value, copied out whole. Its texts are
// never null; they are static or kept by the binding's InternedTexts, so they
// outlive the binding and stay unchanged whatever binds later. A default
// record is what is known before any lookup: no error, nothing looked up,
// empty texts.

namespace kz {

// Installation error numbers.
enum InstallationErrorNumber : std::uint32_t {
    InstallationOk = 0,          // all entry points bound
    InstallationNoDirectory = 1, // no installation directory in the registry
    InstallationNotLoadable = 2, // the launcher library failed to load
    InstallationIncomplete = 3,  // the library lacks at least one entry point
};

inline constexpr unsigned short EmptyUtf16[1] = {0};

struct BindingRecord {
    std::uint32_t InstallationError = InstallationOk;
    std::uint32_t DirectoryState = tesmaclient::DirectoryNotLookedUp;
    const unsigned short* Directory = EmptyUtf16;
    const unsigned short* LibraryPath = EmptyUtf16;
    std::uint32_t LoadError = 0;
    const char* MissingEntryPoint = "";
};

} // namespace kz
