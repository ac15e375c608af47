// The offline capture loop: music advanced by exactly one frame's samples, then the demo's frame.
#include "tools/capture/capture_session.h"

#include <chrono>
#include <cstring>

#include "demo/capture_clock.h"
#include "demo/frame.h"

namespace tessellune {

namespace {

void advanceMusicTo(CaptureSession& s, int64_t frame) {
    int64_t position = audioChannelGetPosition(s.start.stream, AUDIO_POS_BYTE);
    const int64_t target = captureFrameBytes(frame, s.fps);
    while (position >= 0 && position < target) {
        const int64_t step = std::min<int64_t>(target - position, 1 << 20);
        if (!audioOfflineAdvance(nullptr, static_cast<uint32_t>(step))) {
            return;
        }
        const int64_t moved = audioChannelGetPosition(s.start.stream, AUDIO_POS_BYTE);
        if (moved <= position) {
            return; // the music has ended: the demo holds its last values
        }
        position = moved;
    }
}

double musicSeconds(const CaptureSession& s, int64_t frame) {
    // Past the music's end the position holds, as it does in the program.
    const int64_t position = audioChannelGetPosition(s.start.stream, AUDIO_POS_BYTE);
    const int64_t wanted = captureFrameBytes(frame, s.fps);
    return audioChannelBytes2Seconds(s.start.stream, std::min(position, wanted));
}

} // namespace

bool openCapture(CaptureSession& s, const std::string& dataDir, int fps, std::string& error,
                 uint32_t workers) {
    s.fps = fps > 0 ? fps : 30;
    ShowHost host;
    host.audioDevice = AUDIO_DEVICE_OFFLINE;
    host.workers = workers;
    host.title = "Tessellune capture";
    host.output = Scanout::Output::Windowed;
    auto display = std::make_unique<Scanout::MemoryDisplay>();
    s.display = display.get();
    s.application = std::make_unique<Application>(std::move(display));
    s.display->setFrameCallback([&s](const Scanout::PresentedFrame& f) {
        s.pixels.resize(static_cast<size_t>(f.width) * f.height);
        for (int y = 0; y < f.height; ++y) {
            std::memcpy(&s.pixels[static_cast<size_t>(y) * f.width],
                        static_cast<const uint8_t*>(f.pixels) + static_cast<size_t>(y) * f.stride,
                        static_cast<size_t>(f.width) * 4);
        }
    });
    if (!startShowData(s.state, dataDir, host, s.start) ||
        !startShowDisplay(s.state, *s.application, dataDir, host, s.start)) {
        error = describeStartFailure(s.start);
        return false;
    }
    if (!s.start.displayOpen) {
        error = "cannot open the headless display";
        return false;
    }
    return true;
}

double captureLength(const CaptureSession& s) {
    return s.start.musicSeconds;
}

int64_t captureFrameCount(const CaptureSession& s) {
    const double length = captureLength(s);
    return length > 0 ? static_cast<int64_t>(length * s.fps) + 1 : 0;
}

CapturedFrame captureFrame(CaptureSession& s, int64_t frame) {
    const double delta = 1.0 / s.fps;
    for (; s.nextFrame < frame; ++s.nextFrame) {
        advanceMusicTo(s, s.nextFrame);
        skipFrame(s.state, syncRow(musicSeconds(s, s.nextFrame)), delta);
    }
    advanceMusicTo(s, frame);
    CapturedFrame info;
    info.row = syncRow(musicSeconds(s, frame));
    info.scene = roundedTrackValue(s.state.tracks.scene, info.row);

    const auto start = std::chrono::steady_clock::now();
    drawFrameOnDisplay(s.state, s.application->display(), info.row, static_cast<double>(frame) * delta, delta,
                       s.application->controls.camera);
    info.milliseconds =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    s.nextFrame = frame + 1;
    return info;
}

void closeCapture(CaptureSession& s) {
    finishShow(s.state, s.start);
    s.application.reset();
    s.display = nullptr;
}

} // namespace tessellune
