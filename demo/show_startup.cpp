// The show's start-up in its fixed order, and its shutdown, for every host that runs the show.
#include "demo/show_startup.h"

#include "demo/demo_setup.h"
#include "display/steady_timer.h"
#include "math/mersenne.h"
#include "workers/worker_pool.h"

namespace tessellune {

std::unique_ptr<Scanout::TimerInterface> makeSteadyTimer() {
    return std::make_unique<Scanout::SteadyTimer>();
}

bool startShowData(DemoState& state, const std::string& dataDir, const ShowHost& host, ShowStart& start) {
    { MersenneRandom seed(STARTUP_SEED); }
    state.gtn = INITIAL_GTN;
    if (host.pinToFirstProcessor) {
        pinCurrentThreadToProcessor(0);
    }
    if (!createWorkersAndBuffers(state, host.workers) || !createRenderer(state)) {
        start.failure = StartFailure::FrameBuffers;
        return false;
    }
    loadPictures(state, dataDir);
    buildParticles(state);
    if (!audioInit(host.audioDevice, OUTPUT_RATE, 0, nullptr, nullptr)) {
        start.failure = StartFailure::AudioInit;
        start.audioError = audioErrorGetCode();
        return false;
    }
    start.music = dataDir + "demotune.mp3";
    start.stream = audioStreamCreateFile(false, start.music.c_str(), 0, 0, AUDIO_STREAM_PRESCAN);
    if (start.stream == 0) {
        start.failure = StartFailure::MusicStream;
        start.audioError = audioErrorGetCode();
        return false;
    }
    start.musicSeconds =
        audioChannelBytes2Seconds(start.stream, audioChannelGetLength(start.stream, AUDIO_POS_BYTE));
    if (!openTracks(state, dataDir)) {
        start.failure = StartFailure::Tracks;
        return false;
    }
    return true;
}

void openShowDisplay(Application& application, const ShowHost& host, ShowStart& start) {
    Scanout::Display& display = application.display();
    display.open(host.title, FRAME_WIDTH, FRAME_HEIGHT, host.output, Scanout::Mode::TrueColor);
    start.displayOpen = display.isOpen();
    display.setListener(&application);
    start.timer = host.makeTimer();
    start.timer->time();
}

bool loadShowScenes(DemoState& state, Application& application, const std::string& dataDir,
                    const ShowHost& host, ShowStart& start) {
    loadMeshes(state, dataDir);
    application.controls.camera.position = {};
    application.controls.camera.rotation = {};
    if (host.musicBeforeBake) {
        startMusic(start);
    }
    const double bakeStart = start.timer->time();
    const bool baked = prepareAndBakeOcclusion(state);
    start.bakeMilliseconds = (start.timer->time() - bakeStart) * 1000.0;
    if (!baked) {
        start.failure = StartFailure::OcclusionTargets;
        return false;
    }
    return true;
}

bool startShowDisplay(DemoState& state, Application& application, const std::string& dataDir,
                      const ShowHost& host, ShowStart& start) {
    openShowDisplay(application, host, start);
    return loadShowScenes(state, application, dataDir, host, start);
}

void startMusic(const ShowStart& start) {
    audioStart();
    audioChannelPlay(start.stream, false);
}

std::string startFailureLine(const ShowStart& start) {
    switch (start.failure) {
    case StartFailure::None:
        return "";
    case StartFailure::FrameBuffers:
        return "out of memory while creating the frame buffers\n";
    case StartFailure::AudioInit:
        return "audio init error\n";
    case StartFailure::MusicStream:
        return "error (" + std::to_string(start.audioError) + ") while creating stream\n";
    case StartFailure::Tracks:
        // No line break: the start-up failure tests on both platforms expect the program's text as
        // it stands.
        return "sync failed, out of memory?";
    case StartFailure::OcclusionTargets:
        return "out of memory while creating the occlusion targets\n";
    }
    return "";
}

std::string describeStartFailure(const ShowStart& start) {
    std::string line = startFailureLine(start);
    if (!line.empty() && line.back() == '\n') {
        line.pop_back();
    }
    if (start.failure == StartFailure::AudioInit) {
        line += std::string(": ") + audioErrorMessage(start.audioError);
    } else if (start.failure == StartFailure::MusicStream) {
        line += " from " + start.music;
    }
    return line;
}

void finishShow(DemoState& state, ShowStart& start) {
    destroySyncDevice(state.sync);
    state.sync = nullptr;
    if (start.stream != 0) {
        audioStreamFree(start.stream);
        start.stream = 0;
    }
    audioFree(); // reports NOT_INITIALISED, harmlessly, when audio never started
    releaseDemo(state);
    start.timer.reset();
}

} // namespace tessellune
