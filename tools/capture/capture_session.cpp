// The offline capture loop: music advanced by exactly one frame's samples, then the demo's frame.
#include "tools/capture/capture_session.h"

#include <chrono>
#include <cstring>

#include "demo/demo_setup.h"
#include "demo/frame.h"
#include "math/mersenne.h"

namespace tessellune {

namespace {

constexpr uint32_t OUTPUT_RATE = 44100;
constexpr int64_t BYTES_PER_SAMPLE_FRAME = 4; // 16-bit stereo

// The music byte position at which video frame k starts: whole sample frames, never drifting.
int64_t musicBytesAt(int64_t frame, int fps) {
    return frame * OUTPUT_RATE / fps * BYTES_PER_SAMPLE_FRAME;
}

void advanceMusicTo(CaptureSession& s, int64_t frame) {
    int64_t position = audioChannelGetPosition(s.stream, AUDIO_POS_BYTE);
    const int64_t target = musicBytesAt(frame, s.fps);
    while (position >= 0 && position < target) {
        const int64_t step = std::min<int64_t>(target - position, 1 << 20);
        if (!audioOfflineAdvance(nullptr, static_cast<uint32_t>(step))) {
            return;
        }
        const int64_t moved = audioChannelGetPosition(s.stream, AUDIO_POS_BYTE);
        if (moved <= position) {
            return; // the music has ended: the demo holds its last values
        }
        position = moved;
    }
}

double musicSeconds(const CaptureSession& s, int64_t frame) {
    // Past the music's end the position holds, as it does in the program.
    const int64_t position = audioChannelGetPosition(s.stream, AUDIO_POS_BYTE);
    const int64_t wanted = musicBytesAt(frame, s.fps);
    return audioChannelBytes2Seconds(s.stream, std::min(position, wanted));
}

} // namespace

bool openCapture(CaptureSession& s, const std::string& dataDir, int fps, std::string& error,
                 uint32_t workers) {
    s.fps = fps > 0 ? fps : 30;
    { MersenneRandom seed(STARTUP_SEED); }
    if (!createWorkersAndBuffers(s.state, workers) || !createRenderer(s.state)) {
        error = "out of memory while creating the frame buffers";
        return false;
    }
    loadPictures(s.state, dataDir);
    buildParticles(s.state);
    if (!audioInit(AUDIO_DEVICE_OFFLINE, OUTPUT_RATE, 0, nullptr, nullptr)) {
        error = std::string("audio init error: ") + audioErrorMessage(audioErrorGetCode());
        return false;
    }
    const std::string music = dataDir + "demotune.mp3";
    s.stream = audioStreamCreateFile(false, music.c_str(), 0, 0, AUDIO_STREAM_PRESCAN);
    if (s.stream == 0) {
        error = "error (" + std::to_string(audioErrorGetCode()) + ") while creating stream from " + music;
        return false;
    }
    if (!openTracks(s.state, dataDir)) {
        error = "sync failed, out of memory?";
        return false;
    }
    auto display = std::make_unique<Scanout::MemoryDisplay>();
    s.display = display.get();
    s.application = std::make_unique<Application>(std::move(display));
    if (!s.application->display().open("Tessellune capture", FRAME_WIDTH, FRAME_HEIGHT,
                                       Scanout::Output::Windowed, Scanout::Mode::TrueColor)) {
        error = "cannot open the headless display";
        return false;
    }
    s.display->setFrameCallback([&s](const Scanout::PresentedFrame& f) {
        s.pixels.resize(static_cast<size_t>(f.width) * f.height);
        for (int y = 0; y < f.height; ++y) {
            std::memcpy(&s.pixels[static_cast<size_t>(y) * f.width],
                        static_cast<const uint8_t*>(f.pixels) + static_cast<size_t>(y) * f.stride,
                        static_cast<size_t>(f.width) * 4);
        }
    });
    loadMeshes(s.state, dataDir);
    audioStart();
    audioChannelPlay(s.stream, false);
    if (!prepareAndBakeOcclusion(s.state)) {
        error = "out of memory while creating the occlusion targets";
        return false;
    }
    return true;
}

double captureLength(const CaptureSession& s) {
    return audioChannelBytes2Seconds(s.stream, audioChannelGetLength(s.stream, AUDIO_POS_BYTE));
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
    if (s.stream != 0) {
        audioStreamFree(s.stream);
        s.stream = 0;
    }
    audioFree();
    releaseDemo(s.state);
    s.application.reset();
    s.display = nullptr;
}

} // namespace tessellune
