#include "containers/HybridArray.h"
#include "launcher/LauncherApi.h"
#include "launcher/Utf16Literal.h"

namespace kz {

text::UnicodeString ReadLauncherInstallDir(const SystemCalls& calls)
{
    const unsigned short* const keyName = Utf16(u"SOFTWARE\\Dovrix\\Launcher");
    const unsigned short* const valueName = Utf16(u"InstallDir");

    common::HybridArray<unsigned short> buffer;
    buffer.Add(0);

    void* key = nullptr;
    if (calls.OpenRegistryKey(LocalMachineRoot, keyName, 0, KeyReadAccess, &key) == 0) {
        std::uint32_t type = 0;
        std::uint32_t size = 0;
        if (calls.QueryRegistryValue(key, valueName, &type, nullptr, &size) == 0 && type == RegistryStringType &&
            size != 0) {
            const unsigned characters = size / 2;
            buffer.Resize(characters);
            for (unsigned i = 0; i < characters; ++i)
                buffer.At(i) = 0;
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
    unsigned length = 0;
    while (length < buffer.Count() && buffer.At(length) != 0)
        ++length;
    return text::UnicodeString(buffer.Data(), static_cast<int>(length));
}

} // namespace kz
