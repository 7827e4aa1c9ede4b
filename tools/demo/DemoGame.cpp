// A small game, built the way MSVC builds one, that reaches the launcher
// through tesmaclient.dll and prints what it gets back.

#include "kz/tesmaclient/TesmaClient.h"

#include "GameRuntime.h"

using kz::tesmaclient::TesmaClient;

extern "C" void mainCRTStartup()
{
    TesmaClient client;
    const unsigned error = client.GetInstallationErrorNum();
    printf("installation error number: %u\n", error);
    if (error != 0) {
        printf("message for the player (en-US): \"");
        game::PrintUtf16(client.GetInstallationErrorString("en-US"));
        printf("\"\n(without a launcher every call returns its neutral value)\n");
    }

    client.Update();
    printf("GetRequestUniqueId: 0x%08x\n", client.GetRequestUniqueId());
    printf("StartLauncher: %s\n", client.StartLauncher(1, 0, "demo.exe", "") ? "true" : "false");
    unsigned short key[] = {'m', 'e', 'n', 'u', '.', 's', 't', 'a', 'r', 't', 0};
    const unsigned short* text = client.GetLocText(key, "en-US");
    printf("GetLocText(\"menu.start\"): \"");
    game::PrintUtf16(text);
    printf("\"%s\n", text == key ? " (the key itself)" : "");
    ExitProcess(0);
}
