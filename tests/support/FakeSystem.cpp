#include "FakeSystem.h"

#include "launcher/EntryPoints.h"

#include <cstring>
#include <mutex>

namespace testsupport {

namespace {

FakeSystem g_fake;
int g_keyToken;
int g_moduleToken;
// The loader serializes loads and frees of several threads, as the system's does.
std::mutex g_loaderLock;

std::u16string Text(const unsigned short* text)
{
    std::u16string result;
    for (; *text != 0; ++text)
        result.push_back(char16_t(*text));
    return result;
}

long OpenRegistryKey(std::uintptr_t root, const unsigned short* subKey, std::uint32_t options, std::uint32_t access,
                     void** key)
{
    g_fake.KeyOpens.push_back({root, Text(subKey), options, access});
    if (!g_fake.KeyExists)
        return 2; // ERROR_FILE_NOT_FOUND
    *key = &g_keyToken;
    return 0;
}

long QueryRegistryValue(void* key, const unsigned short* name, std::uint32_t* type, unsigned char* data,
                        std::uint32_t* size)
{
    g_fake.Queries.push_back({Text(name), type != nullptr, data != nullptr, size != nullptr ? *size : 0});
    if (key != &g_keyToken || !g_fake.ValueExists)
        return 2;
    if (type != nullptr)
        *type = g_fake.ValueType;
    const std::uint32_t actual = std::uint32_t(g_fake.ValueData.size());
    if (data != nullptr) {
        if (size == nullptr)
            return 87; // ERROR_INVALID_PARAMETER
        if (*size < actual) {
            *size = actual;
            return 234; // ERROR_MORE_DATA
        }
        std::memcpy(data, g_fake.ValueData.data(), actual);
    }
    if (size != nullptr)
        *size = actual;
    return 0;
}

long CloseRegistryKey(void*)
{
    ++g_fake.KeyCloses;
    return 0;
}

void* LoadModule(const unsigned short* path)
{
    if (g_fake.OnLoad)
        g_fake.OnLoad();
    std::lock_guard<std::mutex> loader(g_loaderLock);
    g_fake.Loads.push_back(Text(path));
    if (!g_fake.LibraryLoads || (!g_fake.LoadablePath.empty() && g_fake.LoadablePath != g_fake.Loads.back()))
        return nullptr;
    return &g_moduleToken;
}

std::uint32_t LastLoadError()
{
    return g_fake.LoadError;
}

kz::SystemCalls::AnyFunction FindSymbol(void* module, const char* name)
{
    g_fake.Lookups.push_back(name);
    if (module != &g_moduleToken)
        return nullptr;
    auto found = g_fake.Symbols.find(name);
    return found == g_fake.Symbols.end() ? nullptr : found->second;
}

int ReleaseModule(void* module)
{
    if (g_fake.OnRelease)
        g_fake.OnRelease();
    std::lock_guard<std::mutex> loader(g_loaderLock);
    if (module == &g_moduleToken)
        ++g_fake.Frees;
    return 1;
}

bool IsModuleLoaded(const unsigned short*)
{
    return g_fake.HeldElsewhere;
}

const kz::SystemCalls g_calls = {OpenRegistryKey, QueryRegistryValue, CloseRegistryKey, LoadModule,
                                 LastLoadError,   FindSymbol,         ReleaseModule,    IsModuleLoaded};

void DoNothing() {}

} // namespace

void FakeSystem::SetInstallDir(const std::u16string& directory)
{
    KeyExists = true;
    ValueExists = true;
    ValueType = 1;
    ValueData.clear();
    for (char16_t c : directory) {
        ValueData.push_back(static_cast<unsigned char>(c & 0xFF));
        ValueData.push_back(static_cast<unsigned char>(c >> 8));
    }
    ValueData.push_back(0);
    ValueData.push_back(0);
}

void FakeSystem::ExportAllEntryPoints()
{
#define KZ_FAKE_EXPORT(field, name, result, parameters) Symbols[name] = DoNothing;
    KZ_LAUNCHER_ENTRY_POINTS(KZ_FAKE_EXPORT)
#undef KZ_FAKE_EXPORT
}

FakeSystem& Fake()
{
    return g_fake;
}

void ResetFake()
{
    g_fake = FakeSystem();
}

const kz::SystemCalls& FakeSystemCalls()
{
    return g_calls;
}

} // namespace testsupport

// Native test programs have no Windows: their platform is the fake.
const kz::SystemCalls& kz::PlatformSystemCalls()
{
    return testsupport::FakeSystemCalls();
}
