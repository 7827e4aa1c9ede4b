// The process-wide binding: created on first use, retried after a failed
// allocation, never bound twice by Instance itself.

#include "launcher/LauncherApi.h"

#include "FakeSystem.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <new>

namespace {
bool g_failNextAllocation = false;
}

// The replacement operator new below allocates with malloc, so free is the
// matching release; GCC cannot see that through inlining.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

void* operator new(std::size_t size)
{
    if (g_failNextAllocation) {
        g_failNextAllocation = false;
        throw std::bad_alloc();
    }
    void* block = std::malloc(size != 0 ? size : 1);
    if (block == nullptr)
        throw std::bad_alloc();
    return block;
}

void operator delete(void* block) noexcept
{
    std::free(block);
}

void operator delete(void* block, std::size_t) noexcept
{
    std::free(block);
}

TEST(LauncherInstance, FailedCreationIsRetriedAndLaterCallsBindNothing)
{
    testsupport::ResetFake();
    testsupport::Fake().SetInstallDir(u"C:\\L");
    testsupport::Fake().ExportAllEntryPoints();

    g_failNextAllocation = true;
    EXPECT_THROW(kz::LauncherApi::Instance(), std::bad_alloc);
    EXPECT_TRUE(testsupport::Fake().KeyOpens.empty());

    kz::LauncherApi& first = kz::LauncherApi::Instance();
    EXPECT_EQ(0u, first.GetInstallationError());
    testsupport::Fake().KeyExists = false;
    kz::LauncherApi& second = kz::LauncherApi::Instance();
    EXPECT_EQ(&first, &second);
    EXPECT_EQ(0u, second.GetInstallationError());
    EXPECT_EQ(1u, testsupport::Fake().KeyOpens.size());
    EXPECT_EQ(1u, testsupport::Fake().Loads.size());
}
