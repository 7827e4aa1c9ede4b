#pragma once

// A game's session against the development launcher, in two halves that may
// run in two processes: the second finds what the first saved.

#include "kz/tesmaclient/TesmaClient.h"

#include <string>

namespace testsupport {

constexpr unsigned SessionProduct = 12;

// Writes save game 1 of SessionProduct, named "Slot", holding "progress", into
// an empty folder; nothing is answered before Update.
void WriteSlot(kz::tesmaclient::TesmaClient& client);
// Lists it, reads it back, removes it and finds the list empty.
void ReadSlotBackAndRemoveIt(kz::tesmaclient::TesmaClient& client);

// A launcher text as a string to compare; empty for null.
std::u16string Utf16(const unsigned short* text);

} // namespace testsupport
