#pragma once

namespace kz {
namespace text {

// The tag among InstallationMessages' that fits a BCP 47 or POSIX locale tag
// best ("fr-CA", "pt_BR", "zh-Hant-HK", "de_AT.UTF-8"): case and '-' or '_'
// aside, the entry of the tag's language, for Chinese the one of its script or
// else its region; "en-US" for any other language, a null or an empty tag.
// Returns a static ASCII text spelled as in the table.
const char* MatchInstallationLocale(const char* tag);

} // namespace text
} // namespace kz
