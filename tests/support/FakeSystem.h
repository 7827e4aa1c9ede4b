#pragma once

// A scripted stand-in for the seven system calls of the binding, for native
// tests. The registry holds at most the launcher's one key and value; every
// call is recorded.

#include "launcher/SystemCalls.h"

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace testsupport {

struct FakeSystem {
    // Registry.
    bool KeyExists = false;
    bool ValueExists = false;
    std::uint32_t ValueType = 1;
    std::vector<unsigned char> ValueData;

    // Loading: the library loads when LoadablePath is empty or equals the path.
    bool LibraryLoads = true;
    std::u16string LoadablePath;
    // What LastLoadError gives after a failed load.
    std::uint32_t LoadError = 126; // ERROR_MOD_NOT_FOUND
    // Names the library exports; missing ones come back null.
    std::map<std::string, kz::SystemCalls::AnyFunction> Symbols;

    // What was called.
    struct KeyOpen {
        std::uintptr_t Root;
        std::u16string SubKey;
        std::uint32_t Options;
        std::uint32_t Access;
    };
    std::vector<KeyOpen> KeyOpens;
    struct Query {
        std::u16string Name;
        bool WantsType;
        bool WantsData;
        std::uint32_t SizeGiven;
    };
    std::vector<Query> Queries;
    unsigned KeyCloses = 0;
    std::vector<std::u16string> Loads;
    std::vector<std::string> Lookups;
    unsigned Frees = 0;
    // Something else holds a reference to the library: it stays loaded after a free.
    bool HeldElsewhere = false;
    // Run inside LoadModule and ReleaseModule, as the launcher's DllMain runs
    // inside the loader.
    std::function<void()> OnLoad;
    std::function<void()> OnRelease;

    // The launcher's value as REG_SZ text with its terminating NUL.
    void SetInstallDir(const std::u16string& directory);
    // Every one of the 22 entry points present, as a function that does nothing.
    void ExportAllEntryPoints();
};

// The fake state behind FakeSystemCalls(), which is also the native test
// programs' PlatformSystemCalls(); ResetFake() starts it afresh.
FakeSystem& Fake();
void ResetFake();
const kz::SystemCalls& FakeSystemCalls();

} // namespace testsupport
