#pragma once

#include "launcher/EntryPoints.h"
#include "launcher/SystemCalls.h"
#include "text/UnicodeString.h"

#include <cstdint>

namespace kz {

// Installation error numbers.
enum InstallationErrorNumber : std::uint32_t {
    InstallationOk = 0,         // all entry points bound
    InstallationNoDirectory = 1, // no installation directory in the registry
    InstallationNotLoadable = 2, // the launcher library failed to load
    InstallationIncomplete = 3,  // the library lacks at least one entry point
};

// Reads HKEY_LOCAL_MACHINE "SOFTWARE\Dovrix\Launcher" value "InstallDir";
// the empty text when there is no usable REG_SZ value.
text::UnicodeString ReadLauncherInstallDir(const SystemCalls& calls);

// The process's binding of the launcher library: its module handle, the
// installation error number and the table of entry points.
//
// The launcher library stays loaded while clients use it. When the last client
// goes, the library is freed and the table cleared, so objects that outlive
// every client return neutral values; the next client binds afresh.
class LauncherApi {
public:
    // The process-wide binding, created and bound on first use. If creating it
    // fails for want of memory, the next call tries again.
    static LauncherApi& Instance();

    // Binds at once with the given system calls.
    explicit LauncherApi(const SystemCalls& calls);

    std::uint32_t GetInstallationError() const { return m_installationError; }
    const EntryPoints& Functions() const { return m_functions; }
    void* Module() const { return m_module; }

    // Frees the launcher library if one is loaded and clears the entry points.
    void Release();

    // A client starts using the binding. Binds again first if the library was
    // released after having been loaded.
    void AttachClient();
    // A client is done; the last one releases the library.
    void DetachClient();

private:
    LauncherApi(const LauncherApi&) = delete;
    LauncherApi& operator=(const LauncherApi&) = delete;

    // Loads the library and binds every entry point, setting the error number.
    // Returns the module handle, or null.
    void* Bind();

    const SystemCalls& m_calls;
    void* m_module = nullptr;
    std::uint32_t m_installationError = InstallationOk;
    EntryPoints m_functions;
    unsigned int m_clients = 0;
    bool m_releasedAfterLoad = false;
};

} // namespace kz
