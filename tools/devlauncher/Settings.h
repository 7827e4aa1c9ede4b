#pragma once

#include <string>

namespace devlauncher {

// What the launcher is told from outside; the shipped DLL reads it once from
// the environment (README.md in this folder).
struct Settings {
    // Where save games live; created when the first writer is opened.
    std::string SaveFolder;
    // Answer every request inside the request call instead of on Update.
    bool AnswerInline = false;
};

Settings SettingsFromEnvironment();

} // namespace devlauncher
