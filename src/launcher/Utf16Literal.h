#pragma once

namespace kz {

// The system's wide texts are unsigned short; constants are written as u"" literals.
inline const unsigned short* Utf16(const char16_t* text)
{
    return reinterpret_cast<const unsigned short*>(text);
}

} // namespace kz
