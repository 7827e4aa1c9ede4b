#pragma once

namespace kz {
namespace text {

// The text that TesmaClient::GetInstallationErrorString hands to the game for
// an installation error number: "Dovrix Game Lancher: \n", then the message of
// locale (a UTF-8 tag such as "en-US") with the number in place of its
// placeholder. An unknown, malformed or null locale gives the first line alone.
//
// Error number 0 gives an empty text in read-only data and touches nothing
// else; numbers above 3 give the first line alone. Each text is composed once
// and stays valid and unchanged until unload. Safe from any number of threads
// at once.
const unsigned short* ComposeInstallationErrorString(unsigned int errorNumber, const char* locale);

} // namespace text
} // namespace kz
