#pragma once

#include "kz/tesmaclient/TesmaClient.h"

// Exports whose MSVC meaning GCC's own member cannot give; the module
// definition file maps the decorated names to these, and GCC's names of the
// same members too, so that both kinds of caller reach one function.

#if defined(__i386__)
#define KZ_THISCALL __attribute__((thiscall))
#else
#define KZ_THISCALL
#endif

namespace kz {
namespace tesmaclient {
namespace abi {

// "??0TesmaClient@tesmaclient@kz@@QAE@XZ", and GCC's C1 and C2 constructors:
// constructs the client in the game's storage and returns self, as an MSVC
// constructor does; GCC's callers ignore the result.
TesmaClient* KZ_THISCALL ConstructTesmaClient(TesmaClient* self) noexcept;

} // namespace abi
} // namespace tesmaclient
} // namespace kz
