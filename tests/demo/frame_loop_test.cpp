// The frame loop on a virtual clock through the headless display: keys, statistics, fade, closing.
#include <gtest/gtest.h>

#include <algorithm>

#include "demo/frame_loop.h"
#include "demo_fixture.h"
#include "display/key_table.h"
#include "display/memory/memory_display.h"

using namespace tessellune;
using namespace tessellune::testing;

namespace {

struct LoopRun {
    Scanout::MemoryDisplay* memory = nullptr;
    std::unique_ptr<Application> app;
    struct {
        int frames = 0, nonBlackFrames = 0;
    } presented;
    int clock = 0; // the frame number

    LoopRun() {
        auto display = std::make_unique<Scanout::MemoryDisplay>();
        memory = display.get();
        app = std::make_unique<Application>(std::move(display));
        app->display().open("test", 640, 480, Scanout::Output::Windowed, Scanout::Mode::TrueColor);
        app->display().setListener(app.get());
    }

    // Presses keys at given frames; Escape after `frames` frames.
    LoopEnd run(DemoState& state, int frames, std::vector<std::pair<int, int>> keysAtFrame = {}) {
        memory->setFrameCallback([this, frames, keysAtFrame](const Scanout::PresentedFrame& f) {
            ++presented.frames;
            const auto* px = static_cast<const uint32_t*>(f.pixels);
            presented.nonBlackFrames +=
                std::any_of(px, px + f.width * f.height, [](uint32_t p) { return (p & 0xffffff) != 0; });
            for (auto [at, key] : keysAtFrame) {
                if (at == presented.frames) {
                    memory->pushKeyDown(key);
                    memory->pushKeyUp(key);
                }
            }
            if (presented.frames == frames) {
                memory->pushKeyDown(Scanout::VirtualKey::ESCAPE);
            }
        });
        // The virtual clock is the frame number: one second of timer time and half a second of music
        // per frame.
        const FrameClock frameClock{
            &clock, [](void* c) { return *static_cast<int*>(c) * 1.0; }, [](void*) { return 1.0; },
            [](void* c) { return *static_cast<int*>(c) * 0.5; }, [](void* c) { ++*static_cast<int*>(c); }};
        return runFrameLoop(state, *app, frameClock);
    }
};

} // namespace

TEST(FrameLoop, WithoutTracksFramesArePresentedBlackUntilEscape) {
    DemoFixture f;
    ASSERT_TRUE(f.ok);
    LoopRun loop;
    ::testing::internal::CaptureStdout();
    const LoopEnd end = loop.run(f.state, 8);
    const std::string out = ::testing::internal::GetCapturedStdout();
    EXPECT_TRUE(end == LoopEnd::DisplayClosed || end == LoopEnd::LockFailed);
    EXPECT_GE(loop.presented.frames, 8);
    EXPECT_LE(loop.presented.frames, 10); // Escape takes effect at the next lock or so
    EXPECT_EQ(loop.presented.nonBlackFrames, 0);
    // The statistics and frame rate come once the timer passes 5 seconds, then every 5 seconds.
    EXPECT_NE(out.find("-[ pipeline statistics ]----------------\n"), std::string::npos);
    EXPECT_NE(out.find("fps: "), std::string::npos);
}

TEST(FrameLoop, FollowsTheSceneAndFadeTracksAndHandsKeysToTheDebugControls) {
    DemoFixture f({{"scene", {{0, 5, 0}}}, {"fs", {{0, 1, 0}}}, {"gtn", {{0, 2.5f, 0}}}});
    ASSERT_TRUE(f.ok);
    LoopRun loop;
    loop.app->controls.camera.position = {0, 0, -300, 0};
    ::testing::internal::CaptureStdout();
    loop.run(f.state, 4, {{1, 187 /* the '=' key */}, {2, 'A'}});
    ::testing::internal::GetCapturedStdout();
    EXPECT_TRUE(loop.app->controls.camera.freeCamera);
    EXPECT_EQ(loop.app->controls.camera.position.x, 4.0f);
    EXPECT_GT(loop.presented.nonBlackFrames, 0); // the rectangle, seen by the free camera
    EXPECT_EQ(f.state.gtn, 2.5f);
}
