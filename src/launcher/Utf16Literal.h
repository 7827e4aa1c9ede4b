#pragma once

// The system's wide texts are unsigned short; our constants are written as u""
// literals and seen as such texts through Utf16.
//
// Invariants: char16_t and unsigned short have the same size and
// representation. Utf16 copies nothing: a literal seen through it stays valid
// for the life of the process.

namespace kz {

static_assert(sizeof(char16_t) == sizeof(unsigned short), "a u\"\" literal is a text of the system");

inline const unsigned short* Utf16(const char16_t* text)
{
    return reinterpret_cast<const unsigned short*>(text);
}

} // namespace kz
