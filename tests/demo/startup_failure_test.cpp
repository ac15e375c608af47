// Start-up when the sync tracks cannot be had: every small allocation that may fail fails, the
// program says so and ends normally. It replaces operator new, so it runs in a program of its own.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <new>

#include "demo/application.h"
#include "demo/demo_run.h"
#include "display/memory/memory_display.h"

namespace {

bool g_refuseNothrow = false;
constexpr std::size_t SMALL = 64 * 1024;

} // namespace

// Only small requests of the forms that are allowed to fail are refused: the sync device's are
// the only ones before the display opens; the frame buffers are far larger.
// Otherwise they take the throwing forms, so that every release pairs with its allocation.
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    try {
        return g_refuseNothrow && size < SMALL ? nullptr : ::operator new(size);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    try {
        return g_refuseNothrow && size < SMALL ? nullptr : ::operator new[](size);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

TEST(StartupFailure, TracksThatCannotBeAllocatedEndTheRunWithTheSyncMessage) {
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    tessellune::Application application(std::make_unique<Scanout::MemoryDisplay>());
    testing::internal::CaptureStdout();
    g_refuseNothrow = true;
    const int status = tessellune::runDemo(application);
    g_refuseNothrow = false;
    const std::string output = testing::internal::GetCapturedStdout();
    EXPECT_EQ(status, 0);
    EXPECT_NE(output.find("sync failed, out of memory?"), std::string::npos) << output;
    EXPECT_EQ(output.find("ao calc took"), std::string::npos) << "the run must stop there";
    EXPECT_FALSE(application.display().isOpen());
}
