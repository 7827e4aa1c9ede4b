#pragma once

// The launcher's small table of localized texts (README.md in this folder).

namespace devlauncher {

// The text for key in locale ("de-DE"); a locale outside the table falls back
// to its language ("de"), then to en-US. Null for a key outside the table.
// The text lives as long as the process.
const unsigned short* FindLocText(const unsigned short* key, const char* locale);

} // namespace devlauncher
