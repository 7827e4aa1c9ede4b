#pragma once

#include "launcher/BindingRecord.h"
#include "launcher/EntryPoints.h"
#include "launcher/InternedTexts.h"

// The launcher's library as a 64-bit game reaches it: through
// tesmaclient-host.exe, a 32-bit process of ours beside this DLL, which binds
// the launcher with the 32-bit tesmaclient.dll and runs each call for us.
//
// The binding starts the host (in a job that ends it with the game), waits
// for its hello and takes over what the host's binding found. The entry
// points become relays: each call crosses the channel and waits for its
// reply; the launcher's answers that the reply brings are delivered on the
// calling thread after the call's lock is let go, inside Update, the
// requests, Read and Write only, as the launcher itself would deliver them.
//
// A host that ends or breaks the protocol during the binding leaves every
// relay neutral and tells LauncherApi (HostLost); the binding itself stays
// until its last client goes, and its release ends the host.
//
// Only the 64-bit Windows build has these; one binding at a time, as
// LauncherApi makes them.

namespace kz {
namespace hosted {

// Fills record and, when the host bound the launcher, functions; texts keeps
// the record's texts. Returns the binding's module (the host), or null when
// the host could not start or holds no launcher library.
void* Bind(BindingRecord& record, EntryPoints& functions, InternedTexts& texts) noexcept;
// Ends the host of a binding that Bind returned.
void Release(void* host) noexcept;

} // namespace hosted
} // namespace kz
