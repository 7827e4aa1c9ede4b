// Compiled in MSVC mode only. Every exported member is used here once, so the
// undefined __imp_ symbols of this translation unit are exactly the decorated
// names a game needs from tesmaclient.dll.
#include "kz/tesmaclient/TesmaClient.h"

using namespace kz::tesmaclient;

void UseTesmaClient(unsigned short* text)
{
    TesmaClient client;
    client.Update();
    client.GetRequestUniqueId();
    client.StartLauncher(1, 2, "a", "b");
    client.StartProcess(text, text, text);
    client.GetLocText(text, "en-US");
    client.GetInstallationErrorNum();
}
