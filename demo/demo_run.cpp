// Start-up, the real-time frame loop on the music clock, and shutdown.
#include "demo/demo_run.h"

#include <cstdio>

#include "audio/audio.h"
#include "demo/data_path.h"
#include "demo/demo_setup.h"
#include "display/display.h"
#include "math/mersenne.h"

namespace tessellune {

namespace {

constexpr uint32_t OUTPUT_RATE = 44100;

} // namespace

bool startDemo(DemoRun& run, Application& application) {
    run.application = &application;
    DemoState& state = run.state;
    { MersenneRandom seed(STARTUP_SEED); }
    state.gtn = INITIAL_GTN;
    pinCurrentThreadToProcessor(0);
    const std::string dataDir = dataDirectory();
    // Every early return below ends the run with its own status.
    run.ended = true;

    if (!createWorkersAndBuffers(state) || !createRenderer(state)) {
        std::printf("out of memory while creating the frame buffers\n");
        run.status = 1;
        return false;
    }
    loadPictures(state, dataDir);
    buildParticles(state);

    if (!audioInit(AUDIO_DEVICE_DEFAULT, OUTPUT_RATE, 0, nullptr, nullptr)) {
        std::printf("audio init error\n");
        return false;
    }
    const std::string music = dataDir + "demotune.mp3";
    run.stream = audioStreamCreateFile(false, music.c_str(), 0, 0, AUDIO_STREAM_PRESCAN);
    if (run.stream == 0) {
        std::printf("error (%d) while creating stream\n", audioErrorGetCode());
        return false;
    }
    if (!openTracks(state, dataDir)) {
        std::printf("sync failed, out of memory?");
        return false;
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
    run.timer = Scanout::createPlatformTimer();
    run.timer->time();

    loadMeshes(state, dataDir);
    application.controls.camera.position = {};
    application.controls.camera.rotation = {};

    audioStart();
    audioChannelPlay(run.stream, false);

    const double bakeStart = run.timer->time();
    prepareAndBakeOcclusion(state);
    std::printf("ao calc took %11.2f ms\n", (run.timer->time() - bakeStart) * 1000.0);

    run.music = MusicClock{run.timer.get(), run.stream};
    run.clock = makeFrameClock(run.music);
    run.ended = !display.isOpen();
    return true;
}

bool stepDemo(DemoRun& run) {
    if (run.ended) {
        return false;
    }
    run.end = runOneFrame(run.state, *run.application, run.clock, run.loop);
    run.ended = run.end != LoopEnd::Running;
    return !run.ended;
}

int finishDemo(DemoRun& run) {
    const LoopEnd end = run.end;
    if (end == LoopEnd::NotTrueColor || end == LoopEnd::UnexpectedStride) {
        run.status = 1;
    }
    if (end == LoopEnd::LockFailed && run.application->display().isOpen()) {
        // Open, but no frame to draw into: a presentation device that cannot present (no
        // screen, a driver without what Direct3D needs, another program owning the screen).
        // Leaving quietly would look like a normal end.
        std::printf("the display could not present a frame\n");
    }
    destroySyncDevice(run.state.sync);
    run.state.sync = nullptr;
    if (run.stream != 0) {
        audioStreamFree(run.stream);
        run.stream = 0;
    }
    audioFree(); // reports NOT_INITIALISED, harmlessly, when audio never started
    releaseDemo(run.state);
    return run.status;
}

int runDemo(Application& application) {
    const std::unique_ptr<DemoRun> run = std::make_unique<DemoRun>();
    if (startDemo(*run, application)) {
        while (stepDemo(*run)) {
        }
    }
    return finishDemo(*run);
}

} // namespace tessellune
