// Start-up, the real-time frame loop on the music clock, and shutdown.
#include "demo/demo_run.h"

#include <cstdio>

#include "demo/data_path.h"
#include "demo/show_startup.h"
#include "display/display.h"

namespace tessellune {

bool startDemo(DemoRun& run, Application& application) {
    run.application = &application;
    DemoState& state = run.state;
    const std::string dataDir = dataDirectory();
    ShowHost host;
    host.pinToFirstProcessor = true;
    host.makeTimer = Scanout::createPlatformTimer;
    ShowStart& start = run.start;
    // Every early return below ends the run; a failed start-up exits with status 0 but for want
    // of memory, which no run can survive.
    run.ended = true;
    if (!startShowData(state, dataDir, host, start)) {
        std::printf("%s", startFailureLine(start).c_str());
        run.status = start.failure == StartFailure::FrameBuffers ? 1 : 0;
        return false;
    }
    openShowDisplay(application, host, start);
    if (!start.displayOpen) {
        // The display library never prints; without this line a machine whose graphics driver
        // cannot present would see the program end quietly after its start-up lines. It comes
        // before the meshes' lines, where the display opens in the start-up order.
        std::printf("the display could not be opened\n");
    }
    // Targets the bake cannot allocate leave the dune unshaded by occlusion; the show goes on.
    loadShowScenes(state, application, dataDir, host, start);
    std::printf("ao calc took %11.2f ms\n", start.bakeMilliseconds);
    run.music = MusicClock{start.timer.get(), start.stream};
    run.clock = makeFrameClock(run.music);
    run.ended = !start.displayOpen;
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
    finishShow(run.state, run.start);
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
