#pragma once

#include "kz/tesmaclient/Diagnostics.h"

#include <cstdint>

namespace kz {

inline constexpr unsigned short EmptyUtf16[1] = {0};

// What one binding of the launcher library found, as GetBindingDiagnostics
// hands it out. The texts are static or kept by the binding's InternedTexts,
// so they outlive the binding; never null.
struct BindingRecord {
    std::uint32_t InstallationError = 0;
    std::uint32_t DirectoryState = tesmaclient::DirectoryNotLookedUp;
    const unsigned short* Directory = EmptyUtf16;
    const unsigned short* LibraryPath = EmptyUtf16;
    std::uint32_t LoadError = 0;
    const char* MissingEntryPoint = "";
};

} // namespace kz
