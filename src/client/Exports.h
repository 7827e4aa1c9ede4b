#pragma once

#include "kz/tesmaclient/TesmaClient.h"

// Exports whose MSVC meaning GCC's own member cannot give; the module
// definition file maps the decorated names to these.

#if defined(__i386__)
#define KZ_THISCALL __attribute__((thiscall))
#else
#define KZ_THISCALL
#endif

namespace kz {
namespace tesmaclient {
namespace abi {

// "??0TesmaClient@tesmaclient@kz@@QAE@XZ": constructs the client in the
// game's storage and returns self, as an MSVC constructor does.
TesmaClient* KZ_THISCALL ConstructTesmaClient(TesmaClient* self) noexcept;

} // namespace abi
} // namespace tesmaclient
} // namespace kz
