// Start-up when the sync tracks cannot be had: the small allocations that may fail fail, the
// program says so and ends normally.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

#include "demo/application.h"
#include "demo/demo_run.h"
#include "display/memory/memory_display.h"
#include "tests/support/misaligned_new.h"

TEST(StartupFailure, TracksThatCannotBeAllocatedEndTheRunWithTheSyncMessage) {
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    tessellune::Application application(std::make_unique<Scanout::MemoryDisplay>());
    testing::internal::CaptureStdout();
    // The sync device's requests are the only small ones of the forms allowed to fail before the
    // display opens; the frame buffers are far larger and take the aligned forms.
    tessellune::testing::refuseNothrowAllocationsBelow(64 * 1024);
    const int status = tessellune::runDemo(application);
    tessellune::testing::refuseNothrowAllocationsBelow(0);
    const std::string output = testing::internal::GetCapturedStdout();
    EXPECT_EQ(status, 0);
    EXPECT_NE(output.find("sync failed, out of memory?"), std::string::npos) << output;
    EXPECT_EQ(output.find("ao calc took"), std::string::npos) << "the run must stop there";
    EXPECT_FALSE(application.display().isOpen());
}
