// The program's entry in the browser: the same run as on the desktop, its frames stepped from the
// page's animation frames (a page must return to its event loop to show a frame and to hear
// sound), one per display refresh. With "?at=SECONDS" in the address, the page shows the one frame the
// capture tool makes at that time instead, so the two can be compared pixel for pixel; with
// "?hashes" it renders the show at one frame a second as `tessellune-capture --fps 1 --hashes` does
// and prints the same "show N HASH" lines (then "hashes done"), one frame per animation frame.
#include <emscripten/emscripten.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "demo/capture_clock.h"
#include "demo/demo_run.h"
#include "demo/frame.h"
#include "tools/common/frame_hash.h"

namespace {

using namespace tessellune;

constexpr int CAPTURE_FPS = 30; // the capture tool's default frame rate

// clang-format off
// The "at" value of the page's address, or -1.
EM_JS(double, web_fixed_frame_time, (), {
    const at = new URLSearchParams(location.search).get('at');
    const value = at === null ? NaN : Number(at);
    return Number.isFinite(value) && value >= 0 ? value : -1;
});
// True with "?uncapped" in the address: frames follow each other as fast as they render instead of
// one per display refresh (for comparing frame rates with the desktop program).
EM_JS(int, web_uncapped, (), { return new URLSearchParams(location.search).has('uncapped') ? 1 : 0; });
EM_JS(int, web_hashes, (), { return new URLSearchParams(location.search).has('hashes') ? 1 : 0; });
EM_JS(void, web_show_ended, (int status), {
    if (Module.onShowEnded) Module.onShowEnded(status);
});
// clang-format on

// The capture tool's frame at `seconds`: the frames before it carried forward without drawing,
// then that one drawn with the capture's time and delta and shown.
void showFixedFrame(DemoRun& run, double seconds) {
    const double delta = 1.0 / CAPTURE_FPS;
    const int64_t frame = std::llround(seconds * CAPTURE_FPS);
    settleToCaptureFrame(run.state, frame, CAPTURE_FPS);
    const double row = syncRow(captureFrameSeconds(frame, CAPTURE_FPS));
    if (!drawFrameOnDisplay(run.state, run.application->display(), row, double(frame) * delta, delta,
                            run.application->controls.camera)) {
        std::printf("the display could not present a frame\n");
        return;
    }
    std::printf("showing capture frame %lld (%.3f s)\n", static_cast<long long>(frame), seconds);
}

Application* application = nullptr;
DemoRun* run = nullptr;

// The hash run: the next frame at one frame a second, and how many the music holds (the capture
// tool's count: every whole second up to its length, and the frame at 0).
int64_t nextHashFrame = 0;
int64_t hashFrameCount = 0;

// One frame of the hash run: drawn with the capture's time and delta, then its display pixels
// (the surface the display keeps after presenting) hashed as the capture tool hashes them.
void hashStep(void*) {
    Scanout::Display& display = run->application->display();
    const int64_t frame = nextHashFrame++;
    const double row = syncRow(double(frame));
    Scanout::LockedFramebuffer* locked = nullptr;
    if (frame < hashFrameCount &&
        drawFrameOnDisplay(run->state, display, row, double(frame), 1.0, run->application->controls.camera)) {
        locked = display.lock();
    }
    if (locked == nullptr || locked->stride != FRAME_WIDTH * 4) {
        emscripten_cancel_main_loop();
        std::printf("hashes done\n");
        return;
    }
    const uint64_t hash =
        tools::hashFrame(static_cast<const uint32_t*>(locked->pixels), FRAME_WIDTH, FRAME_HEIGHT);
    display.unlock();
    std::printf("show %lld %s\n", static_cast<long long>(frame), tools::hashText(hash).c_str());
}

void finish() {
    const int status = finishDemo(*run);
    web_show_ended(status);
}

void step(void*) {
    if (!stepDemo(*run)) {
        emscripten_cancel_main_loop();
        finish();
    }
}

} // namespace

int main() {
    // Both live until the page goes: the browser's main loop outlasts this function.
    application = new Application();
    run = new DemoRun();
    if (!startDemo(*run, *application)) {
        finish();
        return 0;
    }
    const double at = web_fixed_frame_time();
    if (at >= 0) {
        audioChannelPause(run->start.stream);
        showFixedFrame(*run, at);
        return 0;
    }
    if (web_hashes() != 0) {
        audioChannelPause(run->start.stream);
        const double length = run->start.musicSeconds;
        hashFrameCount = length > 0 ? static_cast<int64_t>(length) + 1 : 0;
        emscripten_set_main_loop_arg(hashStep, nullptr, 0, 0);
        emscripten_set_main_loop_timing(EM_TIMING_SETIMMEDIATE, 1);
        return 0;
    }
    emscripten_set_main_loop_arg(step, nullptr, 0, 0);
    if (web_uncapped() != 0) {
        emscripten_set_main_loop_timing(EM_TIMING_SETIMMEDIATE, 1);
    }
    return 0;
}
