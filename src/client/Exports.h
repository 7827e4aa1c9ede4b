#pragma once

#include "kz/tesmaclient/TesmaClient.h"

// Exports whose MSVC meaning GCC's own member cannot give.
//
// Invariants: the module definition file maps the MSVC decorated name and
// GCC's names of the same member to one function here, so that both kinds of
// caller reach it. Each is thiscall on the i686 target, as the member it
// stands for, and returns what MSVC's member returns.

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
