#pragma once

namespace kz {
namespace text {

// One localized installation error message: a locale tag such as "en-US" and
// its text, both NUL-terminated UTF-16. Every message holds the placeholder
// "__REPLACE__" once, where the error number goes, and ends in a carriage return.
struct InstallationMessage {
    const unsigned short* tag;
    const unsigned short* message;
};

const unsigned kInstallationMessageCount = 19;

// In lookup order; the tags are sorted and unique.
extern const InstallationMessage InstallationMessages[kInstallationMessageCount];

// The message of the entry whose tag equals tag unit for unit (no folding of
// case, same length), or null when there is none or tag is null.
const unsigned short* FindInstallationMessage(const unsigned short* tag);
// The same for a tag given as bytes, each compared with one unit: for ASCII
// text the same answer as for its UTF-16 form.
const unsigned short* FindInstallationMessage(const char* tag);

} // namespace text
} // namespace kz
