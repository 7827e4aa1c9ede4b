#include "text/InstallationErrorString.h"

#include "containers/HybridArray.h"
#include "text/InstallationMessages.h"
#include "text/UnicodeString.h"

namespace kz {
namespace text {

namespace {

const unsigned short kEmptyResult[1] = {0};
const unsigned short kFirstLine[] = {'D', 'o', 'v', 'r', 'i', 'x', ' ', 'G', 'a', 'm', 'e', ' ',
                                     'L', 'a', 'n', 'c', 'h', 'e', 'r', ':', ' ', '\n'};
const unsigned short kPlaceholder[] = {'_', '_', 'R', 'E', 'P', 'L', 'A', 'C', 'E', '_', '_'};
const unsigned kPlaceholderLength = sizeof kPlaceholder / sizeof kPlaceholder[0];

// The message of a locale given as UTF-8. ASCII, the form of every tag, is
// compared byte for byte; anything else goes the long way, decoded and
// encoded again, so that it matches exactly what its UTF-16 form matches.
const unsigned short* MessageOf(const char* locale)
{
    if (locale == nullptr)
        return nullptr; // decodes to the empty text, which matches no tag
    for (const char* c = locale; *c != 0; ++c) {
        if (static_cast<unsigned char>(*c) >= 0x80) {
            UnicodeString localeText(locale, -1);
            return FindInstallationMessage(localeText.GetUtf16());
        }
    }
    return FindInstallationMessage(locale);
}

bool IsPlaceholderAt(const unsigned short* text)
{
    unsigned i = 0;
    while (i < kPlaceholderLength && text[i] == kPlaceholder[i])
        ++i;
    return i == kPlaceholderLength;
}

// Index of the placeholder in text, or of its terminating 0 when it has none.
unsigned FindPlaceholder(const unsigned short* text)
{
    unsigned p = 0;
    while (text[p] != 0 && !(text[p] == '_' && IsPlaceholderAt(text + p)))
        ++p;
    return p;
}

unsigned Length(const unsigned short* text)
{
    unsigned n = 0;
    while (text[n] != 0)
        ++n;
    return n;
}

} // namespace

const unsigned short* ComposeInstallationErrorString(unsigned int errorNumber, const char* locale)
{
    if (errorNumber == 0)
        return kEmptyResult;

    // Created on the first call that gets here and destroyed at unload; this
    // file is built without thread-safe statics, so the creation test is a
    // plain flag. It keeps its block, so later calls allocate nothing.
    static common::HybridArray<unsigned short> result;
    result.Clear();
    result.AddRange(kFirstLine, sizeof kFirstLine / sizeof kFirstLine[0]);

    if (const unsigned short* message = MessageOf(locale)) {
        unsigned short digits[10];
        unsigned digitCount = 0;
        for (unsigned value = errorNumber; value != 0; value /= 10)
            digits[sizeof digits / sizeof digits[0] - ++digitCount] = static_cast<unsigned short>('0' + value % 10);

        const unsigned p = FindPlaceholder(message);
        result.AddRange(message, p);
        if (message[p] != 0) {
            const unsigned short* rest = message + p + kPlaceholderLength;
            result.AddRange(digits + sizeof digits / sizeof digits[0] - digitCount, digitCount);
            result.AddRange(rest, Length(rest));
        }
    }
    result.Add(0);
    return result.Data();
}

} // namespace text
} // namespace kz
