// The conversions that lean on the C and C++ libraries, apart from the rest:
// the DLL does without them, and with them it would carry the standard
// library's exception machinery (std::string reports failures by throwing) and
// the C runtime's locale-aware formatter.

#include "text/UnicodeString.h"

#include <cstdio>

namespace kz {
namespace text {

UnicodeString::UnicodeString(const std::string& utf8)
{
    SetUtf8(utf8.data(), static_cast<int>(utf8.size()));
}

std::string UnicodeString::ToStdString()
{
    return std::string(GetUtf8());
}

UnicodeString& UnicodeString::AppendNumber(double value)
{
    char text[1024];
    std::snprintf(text, sizeof text, "%f", value);
    return Append(UnicodeString(text, -1));
}

} // namespace text
} // namespace kz
