#include "launcher/ReadLauncherInstallDir.h"

#include "containers/HybridArray.h"
#include "kz/tesmaclient/Diagnostics.h"
#include "launcher/Utf16Literal.h"

namespace kz {

text::UnicodeString ReadLauncherInstallDir(const SystemCalls& calls, std::uint32_t* directoryState)
{
    const unsigned short* const keyName = Utf16(LauncherKeyName);
    const unsigned short* const valueName = Utf16(LauncherValueName);
    std::uint32_t state = tesmaclient::DirectoryNoKey;

    // Stays empty, without a block, when there is no value to read.
    common::HybridArray<unsigned short> buffer;

    void* key = nullptr;
    if (calls.OpenRegistryKey(LocalMachineRoot, keyName, 0, KeyReadAccess, &key) == 0) {
        std::uint32_t type = 0;
        std::uint32_t size = 0;
        if (calls.QueryRegistryValue(key, valueName, &type, nullptr, &size) != 0)
            state = tesmaclient::DirectoryNoValue;
        else if (type != RegistryStringType)
            state = tesmaclient::DirectoryWrongType;
        else
            state = tesmaclient::DirectoryEmpty; // until a character is read
        if (state == tesmaclient::DirectoryEmpty && size != 0) {
            const unsigned characters = size / 2;
            buffer.Resize(characters);
            unsigned short* units = buffer.Data();
            for (unsigned i = 0; i < characters; ++i)
                units[i] = 0;
            // Only whole characters fit: an odd byte count must not be handed on,
            // or the value's last byte would land past the buffer.
            std::uint32_t bytes = characters * 2;
            if (characters != 0)
                calls.QueryRegistryValue(key, valueName, nullptr, reinterpret_cast<unsigned char*>(buffer.Data()),
                                         &bytes);
        }
        calls.CloseRegistryKey(key);
    }

    // The value need not be NUL-terminated; then every character counts.
    const unsigned short* units = buffer.Data();
    unsigned length = 0;
    while (length < buffer.Count() && units[length] != 0)
        ++length;
    if (length != 0)
        state = tesmaclient::DirectoryFound;
    if (directoryState != nullptr)
        *directoryState = state;
    return text::UnicodeString(buffer.Data(), static_cast<int>(length));
}

} // namespace kz
