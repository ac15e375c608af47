// The frame loop: row from the music, events, scenes, statistics, fade, present.
#include "demo/frame_loop.h"

#include <cstdio>

#include "demo/frame.h"

namespace tessellune {

namespace {

constexpr double REPORT_INTERVAL = 5.0;              // seconds between statistics blocks
constexpr int32_t EXPECTED_STRIDE = FRAME_WIDTH * 4; // bytes per row of a 640-pixel XRGB8888 frame

} // namespace

LoopEnd runOneFrame(DemoState& state, Application& application, const FrameClock& clock,
                    FrameLoopState& loop) {
    Scanout::Display& display = application.display();
    application.gtn = &state.gtn;
    if (!display.isOpen()) {
        return LoopEnd::DisplayClosed;
    }
    const double start = clock.time(clock.context);
    const double now = clock.time(clock.context);
    const double delta = clock.delta(clock.context);
    const double row = syncRow(clock.musicSeconds(clock.context));
    beginFrame(state, row);

    Scanout::LockedFramebuffer* frame = display.lock(); // key callbacks arrive in here
    if (frame == nullptr) {
        return LoopEnd::LockFailed;
    }
    if (frame->format != Scanout::Format::XRGB8888) {
        std::printf("!!!! the scanout framebuffer is not truecolor !!!!\n");
        return LoopEnd::NotTrueColor;
    }
    if (frame->stride != EXPECTED_STRIDE) {
        std::printf("!!!! unexpected scanout framebuffer stride !!!!\n");
        return LoopEnd::UnexpectedStride;
    }
    ResolveTarget target{static_cast<uint32_t*>(frame->pixels), FRAME_WIDTH, FRAME_HEIGHT};

    const FrameResult result = renderFrame(state, row, now, delta, application.controls.camera);

    const double end = clock.time(clock.context);
    loop.smoothedFrameTime = 0.9 * loop.smoothedFrameTime + 0.1 * (end - start);
    if (now > loop.lastReport + REPORT_INTERVAL) {
        loop.lastReport = now;
        printStatistics(state.pipeline);
        std::printf("fps: %f\n\n", 1.0 / loop.smoothedFrameTime);
    }

    presentFrame(state.pool, state.colour, result.fade, target);
    display.unlock();
    if (clock.afterPresent != nullptr) {
        clock.afterPresent(clock.context);
    }
    return display.isOpen() ? LoopEnd::Running : LoopEnd::DisplayClosed;
}

LoopEnd runFrameLoop(DemoState& state, Application& application, const FrameClock& clock) {
    FrameLoopState loop;
    LoopEnd end = LoopEnd::Running;
    while (end == LoopEnd::Running) {
        end = runOneFrame(state, application, clock, loop);
    }
    return end;
}

} // namespace tessellune
