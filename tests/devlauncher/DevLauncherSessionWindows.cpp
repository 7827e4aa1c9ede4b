// The session's two halves as two game processes under Wine, against the
// development launcher that its own command registered: the second process
// finds the save game the first wrote.

#include "DevLauncherSession.h"

#include <gtest/gtest.h>

using kz::tesmaclient::TesmaClient;

TEST(DevLauncherSession, WriteASavegame)
{
    TesmaClient client;
    testsupport::WriteSlot(client);
}

TEST(DevLauncherSession, ReadItBackInANewProcessAndRemoveIt)
{
    TesmaClient client;
    testsupport::ReadSlotBackAndRemoveIt(client);
}
