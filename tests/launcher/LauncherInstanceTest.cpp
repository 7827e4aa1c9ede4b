// The process-wide binding: created on first use, created once when threads
// race for it, never bound twice by Instance itself; exhausted memory while
// creating it stops the process. One case, since the binding exists once per
// process.

#include "launcher/LauncherApi.h"

#include "../containers/ExpectFatalError.h"
#include "FakeSystem.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstddef>
#include <thread>
#include <vector>

// The program is linked with --wrap=malloc, so the library's heap calls can be
// made to fail.
extern "C" void* __real_malloc(std::size_t size);

namespace {
bool g_failMallocs = false;
}

extern "C" void* __wrap_malloc(std::size_t size)
{
    return g_failMallocs ? nullptr : __real_malloc(size);
}

TEST(LauncherInstance, CreatedOnceAndNeverBoundAgainOrStopsWithoutMemory)
{
    testsupport::ResetFake();
    testsupport::Fake().SetInstallDir(u"C:\\L");
    testsupport::Fake().ExportAllEntryPoints();

    EXPECT_FATAL_ERROR({
        g_failMallocs = true;
        kz::LauncherApi::Instance();
    });
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
