// tessellune-preview: the show in a window for its author, through the demo's own frame function,
// with seek, pause, loop and a timeline, pictures and meshes that reload when they are saved.
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "audio/audio.h"
#include "demo/application.h"
#include "demo/data_path.h"
#include "demo/demo_setup.h"
#include "demo/frame.h"
#include "demo/frame_loop.h"
#include "demo/music_clock.h"
#include "display/display.h"
#include "display/key_table.h"
#include "math/mersenne.h"
#include "tools/preview/asset_reload.h"
#include "tools/preview/file_watch.h"
#include "tools/preview/live_timeline.h"
#include "tools/preview/overlay_text.h"
#include "tools/preview/preview_session.h"
#include "tools/preview/status_text.h"

using namespace tessellune;

namespace {

constexpr uint32_t OUTPUT_RATE = 44100;
constexpr int64_t BYTES_PER_SAMPLE_FRAME = 4; // 16-bit stereo
constexpr int SETTLE_FPS = 30;                // the capture tool's default frame rate
constexpr double WATCH_INTERVAL = 0.25;       // seconds between looks at the watched files
constexpr double TTY_STATUS_INTERVAL = 0.1;   // a terminal's status line is redrawn this often
constexpr double LOG_STATUS_INTERVAL = 1.0;   // a pipe or log gets a status line this often while playing
constexpr uint32_t OVERLAY_COLOUR = 0xffffa0;
constexpr int OVERLAY_SCALE = 1;

const char* const USAGE = "usage: tessellune-preview [--from POSITION] [--timeline FILE]\n"
                          "  POSITION: 40 or 40s seconds, 96b beats, 1728r a row\n"
                          "  FILE: the timeline to watch (default: " TESSELLUNE_DEFAULT_TIMELINE ")\n";

// The preview's listener: transport keys first, then the demo's debug keys.
class PreviewListener final : public Application {
public:
    explicit PreviewListener(PreviewSession& session) : session_(session) {}
    void onKeyDown(Scanout::DisplayInterface&, Scanout::Key key) override {
        if (key == Scanout::VirtualKey::SHIFT) {
            session_.shiftDown = true;
        }
    }
    void onKeyUp(Scanout::DisplayInterface&, Scanout::Key key) override {
        if (key == Scanout::VirtualKey::SHIFT) {
            session_.shiftDown = false;
        }
    }
    void onKeyPressed(Scanout::DisplayInterface& display, Scanout::Key key) override {
        if (key != Scanout::VirtualKey::SHIFT && !applyPreviewKey(session_, key)) {
            Application::onKeyPressed(display, key);
        }
    }

private:
    PreviewSession& session_;
};

int64_t musicBytesAtRow(double row) {
    return static_cast<int64_t>(row / ROWS_PER_SECOND * OUTPUT_RATE) * BYTES_PER_SAMPLE_FRAME;
}

// What carries from frame to frame (the rings' spin) as a capture from the start would have it
// at row: the frames before it advanced on the capture tool's clock without drawing.
void settleAt(DemoState& state, double row) {
    state.spinPhase = 0.0;
    const double delta = 1.0 / SETTLE_FPS;
    const int64_t frames = static_cast<int64_t>(row / ROWS_PER_SECOND * SETTLE_FPS);
    for (int64_t k = 0; k < frames; ++k) {
        const int64_t bytes = k * OUTPUT_RATE / SETTLE_FPS * BYTES_PER_SAMPLE_FRAME;
        skipFrame(state, syncRow(static_cast<double>(bytes) / (OUTPUT_RATE * BYTES_PER_SAMPLE_FRAME)), delta);
    }
}

void seekMusic(AudioStream stream, double row, int64_t length) {
    audioChannelSetPosition(stream, std::min(musicBytesAtRow(row), length), AUDIO_POS_BYTE);
}

void printCamera(const CameraInput& camera, const PreviewSession& s) {
    const Vec4& p = camera.position;
    const Vec4& r = camera.rotation;
    std::printf("\n# %gb free camera: position {%g, %g, %g, 0} rotation {%g, %g, %g, 0}%s\n",
                std::round(s.row / rowsPerBeat(s.tempo) * 100.0) / 100.0, static_cast<double>(p.x),
                static_cast<double>(p.y), static_cast<double>(p.z), static_cast<double>(r.x),
                static_cast<double>(r.y), static_cast<double>(r.z),
                camera.freeCamera ? "" : " (free camera off)");
}

struct Watches {
    WatchedFile timeline;
    std::vector<WatchedFile> pictures;
    std::vector<WatchedFile> meshes;
    double lastLook = 0.0;
};

void reloadTimelineInto(LiveTimeline& live, DemoState& state, PreviewSession& session, bool atStart) {
    std::string error;
    if (reloadTimeline(live, state.tracks, error)) {
        session.tempo = live.tempo;
        session.sceneChanges = sceneChangeRows(state.tracks.scene);
        session.jumped = true; // the carried state follows the new tracks
        std::printf("\n%s %s\n", atStart ? "playing" : "reloaded", live.path.c_str());
    } else {
        std::printf("\n%s\n%s\n", error.c_str(),
                    atStart ? "playing the data folder's tracks" : "keeping the last good tracks");
    }
    std::fflush(stdout);
}

void lookAtFiles(Watches& w, LiveTimeline& live, DemoState& state, PreviewSession& session,
                 const std::string& dataDir) {
    if (fileChanged(w.timeline)) {
        reloadTimelineInto(live, state, session, false);
    }
    for (WatchedFile& picture : w.pictures) {
        if (fileChanged(picture)) {
            const std::string name = picture.path.substr(dataDir.size());
            const int users = reloadPicture(state, dataDir, name);
            std::printf("\nreloaded %s (%d texture%s)\n", name.c_str(), users, users == 1 ? "" : "s");
        }
    }
    bool meshesChanged = false;
    for (WatchedFile& mesh : w.meshes) {
        meshesChanged = fileChanged(mesh) || meshesChanged;
    }
    if (meshesChanged) {
        reloadMeshes(state, dataDir);
        std::printf("\nreloaded the meshes and baked the dune tile again\n");
    }
    std::fflush(stdout);
}

void drawOverlay(const StatusText& status, Scanout::LockedFramebuffer& frame) {
    for (int line = 0; line < STATUS_LINES; ++line) {
        drawOverlayText(static_cast<uint32_t*>(frame.pixels), FRAME_WIDTH, FRAME_HEIGHT, frame.stride / 4, 4,
                        4 + line * GLYPH_CELL_HEIGHT * OVERLAY_SCALE, status.lines[line], OVERLAY_COLOUR,
                        OVERLAY_SCALE);
    }
}

struct Options {
    std::string from;
    std::string timeline = TESSELLUNE_DEFAULT_TIMELINE;
};

bool parse(int argc, char** argv, Options& o) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--from" && i + 1 < argc) {
            o.from = argv[++i];
        } else if (arg == "--timeline" && i + 1 < argc) {
            o.timeline = argv[++i];
        } else {
            return false;
        }
    }
    return true;
}

void releaseAll(DemoState& state, AudioStream stream) {
    if (stream != 0) {
        audioStreamFree(stream);
    }
    audioFree();
    releaseDemo(state);
}

int runPreview(const Options& options) {
    PreviewSession session;
    LiveTimeline live;
    live.path = options.timeline;

    DemoState state;
    { MersenneRandom seed(STARTUP_SEED); }
    state.gtn = INITIAL_GTN;
    const std::string dataDir = dataDirectory();
    if (!createWorkersAndBuffers(state) || !createRenderer(state)) {
        std::printf("out of memory while creating the frame buffers\n");
        releaseDemo(state);
        return 1;
    }
    loadPictures(state, dataDir);
    buildParticles(state);
    if (!audioInit(AUDIO_DEVICE_DEFAULT, OUTPUT_RATE, 0, nullptr, nullptr)) {
        std::printf("audio init error: %s (SDL_AUDIODRIVER=dummy plays silently)\n",
                    audioErrorMessage(audioErrorGetCode()));
        releaseDemo(state);
        return 1;
    }
    const std::string music = dataDir + "demotune.mp3";
    const AudioStream stream = audioStreamCreateFile(false, music.c_str(), 0, 0, AUDIO_STREAM_PRESCAN);
    if (stream == 0) {
        std::printf("error (%d) while creating stream from %s\n", audioErrorGetCode(), music.c_str());
        releaseAll(state, 0);
        return 1;
    }
    const int64_t length = audioChannelGetLength(stream, AUDIO_POS_BYTE);
    session.endRow = syncRow(audioChannelBytes2Seconds(stream, length));
    if (!openTracks(state, dataDir)) {
        std::printf("sync failed, out of memory?\n");
        releaseAll(state, stream);
        return 1;
    }
    reloadTimelineInto(live, state, session, true);
    session.sceneChanges = sceneChangeRows(state.tracks.scene);
    if (!options.from.empty() && !parseShowPosition(options.from, session.tempo, session.row)) {
        std::printf("--from %s: not a position (40, 40s, 96b or 1728r)\n", options.from.c_str());
        releaseAll(state, stream);
        return 2;
    }
    session.row = std::min(session.row, session.endRow);

    PreviewListener listener(session);
    Scanout::Display& display = listener.display();
    display.open("Tessellune preview", FRAME_WIDTH, FRAME_HEIGHT, Scanout::Output::Windowed,
                 Scanout::Mode::TrueColor);
    display.setListener(&listener);
    const std::unique_ptr<Scanout::TimerInterface> timer = Scanout::createPlatformTimer();
    loadMeshes(state, dataDir);
    if (!prepareAndBakeOcclusion(state)) {
        std::printf("out of memory while creating the occlusion targets\n");
        releaseAll(state, stream);
        return 1;
    }

    Watches watches;
    watches.timeline = watchFile(live.path);
    watches.pictures = watchFolder(dataDir, {".png"});
    watches.meshes = watchFolder(dataDir, {".obj", ".mtl"});

    MusicClock real{timer.get(), stream};
    const FrameClock clock = makeFrameClock(real);
    settleAt(state, session.row);
    seekMusic(stream, session.row, length);
    audioStart();
    audioChannelPlay(stream, false);
    listener.gtn = &state.gtn;
    std::printf("Space pauses, Left/Right step a beat (Shift: a bar), Page Up/Down jump between scenes,\n"
                "L sets a loop, Home goes to the start, Tab shows the status, P prints the free camera\n");

    const bool terminal = isatty(STDOUT_FILENO) != 0;
    StatusText status;
    char line[STATUS_LINES * STATUS_LINE_BYTES + 8];
    double lastStatus = -1e9;
    int exitStatus = 0;
    clock.time(clock.context);
    while (display.isOpen()) {
        const double now = clock.time(clock.context);
        double delta = clock.delta(clock.context);
        if (now > watches.lastLook + WATCH_INTERVAL) {
            watches.lastLook = now;
            lookAtFiles(watches, live, state, session, dataDir);
        }
        if (session.playing) {
            bool wrapped = false;
            session.row = applyLoop(session.loop, syncRow(clock.musicSeconds(clock.context)), wrapped);
            session.jumped = session.jumped || wrapped;
        }
        beginFrame(state, session.row);

        Scanout::LockedFramebuffer* frame = display.lock(); // the keys arrive in here
        if (frame == nullptr || frame->format != Scanout::Format::XRGB8888 ||
            frame->stride != FRAME_WIDTH * 4) {
            exitStatus = frame == nullptr ? 0 : 1;
            break;
        }
        bool announce = false;
        if (session.toggledPlay) {
            session.toggledPlay = false;
            session.playing ? audioChannelPlay(stream, false) : audioChannelPause(stream);
            announce = true;
        }
        if (session.jumped) {
            session.jumped = false;
            settleAt(state, session.row);
            seekMusic(stream, session.row, length);
            beginFrame(state, session.row);
            announce = true;
        }
        if (session.printCamera) {
            session.printCamera = false;
            printCamera(listener.controls.camera, session);
        }
        if (!session.playing) {
            delta = 0.0; // a paused show holds still, free camera aside
        }
        const FrameResult result =
            renderFrame(state, session.row, session.row / ROWS_PER_SECOND, delta, listener.controls.camera);
        ResolveTarget target{static_cast<uint32_t*>(frame->pixels), FRAME_WIDTH, FRAME_HEIGHT};
        presentFrame(state.pool, state.colour, result.fade, target);
        formatStatus(status, session, state.tracks);
        if (session.overlay) {
            drawOverlay(status, *frame);
        }
        display.unlock();
        clock.afterPresent(clock.context);

        const double interval = terminal ? TTY_STATUS_INTERVAL : LOG_STATUS_INTERVAL;
        if (announce || (session.playing && now > lastStatus + interval) ||
            (terminal && now > lastStatus + interval)) {
            lastStatus = now;
            joinStatus(status, line, sizeof line);
            std::printf(terminal ? "\r%s\033[K" : "status: %s\n", line);
            std::fflush(stdout);
        }
    }
    if (terminal) {
        std::printf("\n");
    }
    releaseAll(state, stream);
    return exitStatus;
}

} // namespace

int main(int argc, char** argv) {
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    Options options;
    if (!parse(argc, argv, options)) {
        std::fputs(USAGE, stderr);
        return 2;
    }
    return runPreview(options);
}
