// The binding of the launcher library (registry read, load, 22 look-ups)
// beside the same steps written by hand against the same system calls, and
// the installation message as a game gets it from a client without launcher.
// The system calls are a lean fake that answers without recording, so the
// figures are the binding code's own cost.
#include "kz/tesmaclient/TesmaClient.h"
#include "launcher/EntryPoints.h"
#include "launcher/LauncherApi.h"
#include "launcher/SystemCalls.h"
#include "text/UnicodeString.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <string>

namespace {

int g_key;
int g_module;
const char16_t kInstallDir[] = u"C:\\Program Files (x86)\\Dovrix\\Launcher";

long OpenKey(std::uintptr_t, const unsigned short*, std::uint32_t, std::uint32_t, void** key)
{
    *key = &g_key;
    return 0;
}

long OpenNoKey(std::uintptr_t, const unsigned short*, std::uint32_t, std::uint32_t, void**)
{
    return 2; // ERROR_FILE_NOT_FOUND
}

long QueryValue(void*, const unsigned short*, std::uint32_t* type, unsigned char* data, std::uint32_t* size)
{
    if (type != nullptr)
        *type = kz::RegistryStringType;
    if (data != nullptr) {
        if (*size < sizeof kInstallDir) {
            *size = sizeof kInstallDir;
            return 234; // ERROR_MORE_DATA
        }
        std::memcpy(data, kInstallDir, sizeof kInstallDir);
    }
    *size = sizeof kInstallDir;
    return 0;
}

long CloseKey(void*)
{
    return 0;
}

void* LoadModule(const unsigned short*)
{
    return &g_module;
}

std::uint32_t LastLoadError()
{
    return 0;
}

void EntryPoint() {}

kz::SystemCalls::AnyFunction FindSymbol(void*, const char*)
{
    return EntryPoint;
}

int ReleaseModule(void*)
{
    return 1;
}

bool IsModuleLoaded(const unsigned short*)
{
    return false;
}

const kz::SystemCalls g_installed = {OpenKey, QueryValue, CloseKey, LoadModule, LastLoadError, FindSymbol,
                                     ReleaseModule, IsModuleLoaded};
const kz::SystemCalls g_notInstalled = {OpenNoKey, QueryValue, CloseKey, LoadModule, LastLoadError, FindSymbol,
                                        ReleaseModule, IsModuleLoaded};

void BindingLauncherApi(benchmark::State& state)
{
    for (auto _ : state) {
        kz::LauncherApi api(g_installed);
        benchmark::DoNotOptimize(api.Functions().SaveGameInfoGetSize);
        api.Release();
    }
}

// What a game programmer would write for the same steps.
struct HandBinding {
    void* Module = nullptr;
    kz::EntryPoints Functions;
    unsigned Error = 0;
};

void BindByHand(const kz::SystemCalls& calls, HandBinding& binding)
{
    const char16_t keyName[] = u"SOFTWARE\\Dovrix\\Launcher";
    const char16_t valueName[] = u"InstallDir";
    auto units = [](const char16_t* text) { return reinterpret_cast<const unsigned short*>(text); };
    std::u16string directory;
    void* key = nullptr;
    if (calls.OpenRegistryKey(kz::LocalMachineRoot, units(keyName), 0, kz::KeyReadAccess, &key) == 0) {
        std::uint32_t type = 0;
        std::uint32_t size = 0;
        if (calls.QueryRegistryValue(key, units(valueName), &type, nullptr, &size) == 0 &&
            type == kz::RegistryStringType && size >= 2) {
            directory.resize(size / 2);
            calls.QueryRegistryValue(key, units(valueName), nullptr, reinterpret_cast<unsigned char*>(&directory[0]),
                                     &size);
            directory.resize(directory.find(u'\0') == std::u16string::npos ? directory.size()
                                                                            : directory.find(u'\0'));
        }
        calls.CloseRegistryKey(key);
    }
    if (directory.empty()) {
        binding.Error = 1;
        return;
    }
    directory += u"\\dovtesmaapi_r2.dll";
    binding.Module = calls.LoadModule(units(directory.c_str()));
    if (binding.Module == nullptr) {
        binding.Error = 2;
        return;
    }
    bool complete = true;
#define KZ_BIND_BY_HAND(field, name, result, parameters)                                                      \
    binding.Functions.field = reinterpret_cast<decltype(binding.Functions.field)>(                          \
        calls.FindSymbol(binding.Module, name));                                                              \
    complete = complete && binding.Functions.field != nullptr;
    KZ_LAUNCHER_ENTRY_POINTS(KZ_BIND_BY_HAND)
#undef KZ_BIND_BY_HAND
    binding.Error = complete ? 0 : 3;
}

void BindingByHand(benchmark::State& state)
{
    for (auto _ : state) {
        HandBinding binding;
        BindByHand(g_installed, binding);
        benchmark::DoNotOptimize(binding.Functions.SaveGameInfoGetSize);
        g_installed.ReleaseModule(binding.Module);
    }
}

// The part of the binding that differs most from the hand-written steps: the
// path is built as a UnicodeString (the value decoded into code points, the
// name appended, the whole encoded again) where the hand-written version
// appends to the registry's UTF-16 text.
void PathUnicodeString(benchmark::State& state)
{
    const unsigned short* directory = reinterpret_cast<const unsigned short*>(kInstallDir);
    for (auto _ : state) {
        kz::text::UnicodeString path(directory, -1);
        for (const char* c = "\\dovtesmaapi_r2.dll"; *c != 0; ++c)
            path.AppendCodePoint(static_cast<unsigned char>(*c));
        benchmark::DoNotOptimize(path.GetUtf16());
    }
}

void PathU16String(benchmark::State& state)
{
    for (auto _ : state) {
        std::u16string path(kInstallDir);
        path += u"\\dovtesmaapi_r2.dll";
        benchmark::DoNotOptimize(path.c_str());
    }
}

// The exported call of a game whose client found no launcher (number 1).
void InstallationErrorStringOfClient(benchmark::State& state)
{
    kz::tesmaclient::TesmaClient client;
    if (client.GetInstallationErrorNum() != 1)
        state.SkipWithError("the client bound a launcher");
    for (auto _ : state)
        benchmark::DoNotOptimize(client.GetInstallationErrorString("de-DE"));
}

} // namespace

// The process's platform is the fake without a launcher.
const kz::SystemCalls& kz::PlatformSystemCalls()
{
    return g_notInstalled;
}

BENCHMARK(BindingLauncherApi)->Name("Binding/LauncherApi");
BENCHMARK(BindingByHand)->Name("Binding/by-hand");
BENCHMARK(PathUnicodeString)->Name("BindingPath/UnicodeString");
BENCHMARK(PathU16String)->Name("BindingPath/std::u16string");
BENCHMARK(InstallationErrorStringOfClient)->Name("InstallationErrorString/1/TesmaClient");
