#include "text/InstallationErrorString.h"

#include "text/InstallationMessages.h"
#include "text/UnicodeString.h"

namespace kz {
namespace text {

namespace {

const unsigned short kEmptyResult[1] = {0};

} // namespace

const unsigned short* ComposeInstallationErrorString(unsigned int errorNumber, const char* locale)
{
    if (errorNumber == 0)
        return kEmptyResult;

    // A null locale decodes to the empty text, which matches no tag.
    UnicodeString localeText(locale, -1);
    UnicodeString numberText;
    numberText.AppendNumber(errorNumber);

    // Created on the first call that gets here and destroyed at unload; this
    // file is built without thread-safe statics, so the creation test is a plain flag.
    static UnicodeString result;

    const unsigned short* message = FindInstallationMessage(localeText.GetUtf16());
    UnicodeString messageText(message, -1);

    result = UnicodeString("Dovrix Game Lancher: \n", -1);
    result.Append(messageText);
    result.Replace(UnicodeString("__REPLACE__", -1), numberText);
    return result.GetUtf16();
}

} // namespace text
} // namespace kz
