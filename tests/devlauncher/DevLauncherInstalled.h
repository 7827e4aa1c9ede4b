#pragma once

// The development launcher, linked in natively, as the installed launcher:
// the fake system calls hand its 22 entry points to the client's binding by
// name, as the system's loader would. It reads its settings from the
// environment on its first call.
namespace testsupport {

void InstallDevLauncher();

} // namespace testsupport
