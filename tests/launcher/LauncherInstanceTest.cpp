// The process-wide binding: created on first use, retried after a failed
// allocation, created once when threads race for it, never bound twice by
// Instance itself. One case, since the binding exists once per process.

#include "launcher/LauncherApi.h"

#include "FakeSystem.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <thread>
#include <vector>

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

TEST(LauncherInstance, CreatedOnceAfterAFailedAllocationAndNeverBoundAgain)
{
    testsupport::ResetFake();
    testsupport::Fake().SetInstallDir(u"C:\\L");
    testsupport::Fake().ExportAllEntryPoints();

    g_failNextAllocation = true;
    EXPECT_THROW(kz::LauncherApi::Instance(), std::bad_alloc);
    EXPECT_TRUE(testsupport::Fake().KeyOpens.empty());

    // Several threads race for the first creation: one binding, one object.
    std::atomic<bool> go{false};
    std::vector<kz::LauncherApi*> seen(8, nullptr);
    std::vector<std::thread> threads;
    for (unsigned i = 0; i < seen.size(); ++i)
        threads.emplace_back([&go, &seen, i] {
            while (!go.load())
                std::this_thread::yield();
            seen[i] = &kz::LauncherApi::Instance();
        });
    go.store(true);
    for (std::thread& thread : threads)
        thread.join();
    kz::LauncherApi& first = kz::LauncherApi::Instance();
    for (kz::LauncherApi* api : seen)
        EXPECT_EQ(&first, api);
    EXPECT_EQ(0u, first.GetInstallationError());
    testsupport::Fake().KeyExists = false;
    kz::LauncherApi& second = kz::LauncherApi::Instance();
    EXPECT_EQ(&first, &second);
    EXPECT_EQ(0u, second.GetInstallationError());
    EXPECT_EQ(1u, testsupport::Fake().KeyOpens.size());
    EXPECT_EQ(1u, testsupport::Fake().Loads.size());
}
