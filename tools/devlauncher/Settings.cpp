#include "Settings.h"

#include "FileSystem.h"

namespace devlauncher {

Settings SettingsFromEnvironment()
{
    Settings settings;
    std::string value;
    if (ReadEnvironment("TESMA_DEVLAUNCHER_SAVES", value) && !value.empty())
        settings.SaveFolder = value;
    else if (ReadEnvironment("LOCALAPPDATA", value) && !value.empty())
        settings.SaveFolder = JoinPath(JoinPath(value, "tesma-devlauncher"), "saves");
    else
        settings.SaveFolder = "tesma-devlauncher-saves"; // in the game's working directory
    settings.AnswerInline = ReadEnvironment("TESMA_DEVLAUNCHER_INLINE", value) && value == "1";
    return settings;
}

} // namespace devlauncher
