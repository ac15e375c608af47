// Start-up, the real-time frame loop on the music clock, and shutdown.
#include "demo/demo_run.h"

#include <cstdio>

#include "audio/audio.h"
#include "demo/data_path.h"
#include "demo/demo_setup.h"
#include "demo/frame_loop.h"
#include "demo/music_clock.h"
#include "display/display.h"
#include "math/mersenne.h"

namespace tessellune {

namespace {

constexpr uint32_t OUTPUT_RATE = 44100;

} // namespace

int runDemo(Application& application) {
    DemoState state;
    { MersenneRandom seed(STARTUP_SEED); }
    state.gtn = INITIAL_GTN;
    pinCurrentThreadToProcessor(0);
    const std::string dataDir = dataDirectory();

    if (!createWorkersAndBuffers(state) || !createRenderer(state)) {
        std::printf("out of memory while creating the frame buffers\n");
        releaseDemo(state);
        return 1;
    }
    loadPictures(state, dataDir);
    buildParticles(state);

    if (!audioInit(AUDIO_DEVICE_DEFAULT, OUTPUT_RATE, 0, nullptr, nullptr)) {
        std::printf("audio init error\n");
        releaseDemo(state);
        return 0;
    }
    const std::string music = dataDir + "demotune.mp3";
    const AudioStream stream = audioStreamCreateFile(false, music.c_str(), 0, 0, AUDIO_STREAM_PRESCAN);
    if (stream == 0) {
        std::printf("error (%d) while creating stream\n", audioErrorGetCode());
        audioFree();
        releaseDemo(state);
        return 0;
    }
    if (!openTracks(state, dataDir)) {
        std::printf("sync failed, out of memory?");
        audioStreamFree(stream);
        audioFree();
        releaseDemo(state);
        return 0;
    }

    Scanout::Display& display = application.display();
    display.open("Tessellune", FRAME_WIDTH, FRAME_HEIGHT, Scanout::Output::Fullscreen,
                 Scanout::Mode::TrueColor);
    if (!display.isOpen()) {
        // The display library never prints; without this line a machine whose graphics driver
        // cannot present would see the program end quietly after its start-up lines.
        std::printf("the display could not be opened\n");
    }
    display.setListener(&application);
    const std::unique_ptr<Scanout::TimerInterface> timer = Scanout::createPlatformTimer();
    timer->time();

    loadMeshes(state, dataDir);
    application.controls.camera.position = {};
    application.controls.camera.rotation = {};

    audioStart();
    audioChannelPlay(stream, false);

    const double bakeStart = timer->time();
    prepareAndBakeOcclusion(state);
    std::printf("ao calc took %11.2f ms\n", (timer->time() - bakeStart) * 1000.0);

    int status = 0;
    if (display.isOpen()) {
        MusicClock real{timer.get(), stream};
        const FrameClock clock = makeFrameClock(real);
        const LoopEnd end = runFrameLoop(state, application, clock);
        status = (end == LoopEnd::NotTrueColor || end == LoopEnd::UnexpectedStride) ? 1 : 0;
        if (end == LoopEnd::LockFailed && display.isOpen()) {
            // Open, but no frame to draw into: a presentation device that cannot present (no
            // screen, a driver without what Direct3D needs, another program owning the screen).
            // Leaving quietly would look like a normal end.
            std::printf("the display could not present a frame\n");
        }
    }

    destroySyncDevice(state.sync);
    state.sync = nullptr;
    audioStreamFree(stream);
    audioFree();
    releaseDemo(state);
    return status;
}

} // namespace tessellune
