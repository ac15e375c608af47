// tessellune-preview: the show in a window for its author, through the demo's own frame function,
// with seek, pause, loop and a timeline, pictures and meshes that reload when they are saved.
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "audio/audio.h"
#include "demo/application.h"
#include "demo/capture_clock.h"
#include "demo/data_path.h"
#include "demo/frame.h"
#include "demo/frame_loop.h"
#include "demo/music_clock.h"
#include "demo/show_startup.h"
#include "display/display.h"
#include "display/key_table.h"
#include "tools/preview/asset_reload.h"
#include "tools/preview/file_watch.h"
#include "tools/preview/live_timeline.h"
#include "tools/preview/overlay_text.h"
#include "tools/preview/preview_session.h"
#include "tools/preview/status_text.h"

using namespace tessellune;

namespace {

constexpr int SETTLE_FPS = 30;              // the capture tool's default frame rate
constexpr double WATCH_INTERVAL = 0.25;     // seconds between looks at the watched files
constexpr double TTY_STATUS_INTERVAL = 0.1; // a terminal's status line is redrawn this often
constexpr double LOG_STATUS_INTERVAL = 1.0; // a pipe or log gets a status line this often while playing
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
    settleToCaptureFrame(state, static_cast<int64_t>(row / ROWS_PER_SECOND * SETTLE_FPS), SETTLE_FPS);
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

// Everything one preview run holds, in place from start-up to shutdown.
struct PreviewRun {
    PreviewSession session;
    LiveTimeline live;
    DemoState state;
    ShowStart start;
    int64_t musicBytes = 0; // the music's length: no seek goes past it
    Watches watches;
    std::string dataDir = dataDirectory();
};

// The show's start-up with the preview's own steps between its halves: the watched timeline and
// the starting position, read before a window opens. 0 when the show is ready to play, else the
// exit status (the reason printed).
int startPreview(PreviewRun& run, PreviewListener& listener, const Options& options) {
    const std::string& dataDir = run.dataDir;
    ShowHost host;
    host.title = "Tessellune preview";
    host.output = Scanout::Output::Windowed;
    host.musicBeforeBake = false; // the music starts where --from puts it
    host.makeTimer = Scanout::createPlatformTimer;
    if (!startShowData(run.state, dataDir, host, run.start)) {
        const bool noOutput = run.start.failure == StartFailure::AudioInit;
        std::printf("%s%s\n", describeStartFailure(run.start).c_str(),
                    noOutput ? " (SDL_AUDIODRIVER=dummy plays silently)" : "");
        return 1;
    }
    PreviewSession& session = run.session;
    run.musicBytes = audioChannelGetLength(run.start.stream, AUDIO_POS_BYTE);
    session.endRow = syncRow(run.start.musicSeconds);
    run.live.path = options.timeline;
    reloadTimelineInto(run.live, run.state, session, true);
    session.sceneChanges = sceneChangeRows(run.state.tracks.scene);
    if (!options.from.empty() && !parseShowPosition(options.from, session.tempo, session.row)) {
        std::printf("--from %s: not a position (40, 40s, 96b or 1728r)\n", options.from.c_str());
        return 2;
    }
    session.row = std::min(session.row, session.endRow);
    if (!startShowDisplay(run.state, listener, dataDir, host, run.start)) {
        std::printf("%s\n", describeStartFailure(run.start).c_str());
        return 1;
    }
    run.watches.timeline = watchFile(run.live.path);
    run.watches.pictures = watchFolder(dataDir, {".png"});
    run.watches.meshes = watchFolder(dataDir, {".obj", ".mtl"});
    settleAt(run.state, session.row);
    seekMusic(run.start.stream, session.row, run.musicBytes);
    startMusic(run.start);
    listener.gtn = &run.state.gtn;
    return 0;
}

// Carries out what the keys asked for inside the lock: pause or resume, a jump (the music sought,
// the scenes settled), the camera printed. True when the status line should say so at once.
bool applyTransport(PreviewRun& run, const PreviewListener& listener) {
    PreviewSession& session = run.session;
    bool announce = false;
    if (session.toggledPlay) {
        session.toggledPlay = false;
        session.playing ? audioChannelPlay(run.start.stream, false) : audioChannelPause(run.start.stream);
        announce = true;
    }
    if (session.jumped) {
        session.jumped = false;
        settleAt(run.state, session.row);
        seekMusic(run.start.stream, session.row, run.musicBytes);
        beginFrame(run.state, session.row);
        announce = true;
    }
    if (session.printCamera) {
        session.printCamera = false;
        printCamera(listener.controls.camera, session);
    }
    return announce;
}

// The status line: redrawn in place on a terminal, a line now and then in a log.
struct StatusPrinter {
    bool terminal = isatty(STDOUT_FILENO) != 0;
    double last = -1e9;
    char line[STATUS_LINES * STATUS_LINE_BYTES + 8] = {};

    void print(StatusText& status, const PreviewSession& session, double now, bool announce) {
        const double interval = terminal ? TTY_STATUS_INTERVAL : LOG_STATUS_INTERVAL;
        if (announce || ((session.playing || terminal) && now > last + interval)) {
            last = now;
            joinStatus(status, line, sizeof line);
            std::printf(terminal ? "\r%s\033[K" : "status: %s\n", line);
            std::fflush(stdout);
        }
    }
};

// The frame loop until the window closes; the exit status.
int playPreview(PreviewRun& run, PreviewListener& listener) {
    PreviewSession& session = run.session;
    DemoState& state = run.state;
    Scanout::Display& display = listener.display();
    MusicClock real{run.start.timer.get(), run.start.stream};
    const FrameClock clock = makeFrameClock(real);
    std::printf("Space pauses, Left/Right step a beat (Shift: a bar), Page Up/Down jump between scenes,\n"
                "L sets a loop, Home goes to the start, Tab shows the status, P prints the free camera\n");
    StatusText status;
    StatusPrinter printer;
    int exitStatus = 0;
    clock.time(clock.context);
    while (display.isOpen()) {
        const double now = clock.time(clock.context);
        double delta = clock.delta(clock.context);
        if (now > run.watches.lastLook + WATCH_INTERVAL) {
            run.watches.lastLook = now;
            lookAtFiles(run.watches, run.live, state, session, run.dataDir);
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
        const bool announce = applyTransport(run, listener);
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
        printer.print(status, session, now, announce);
    }
    if (printer.terminal) {
        std::printf("\n");
    }
    return exitStatus;
}

int runPreview(const Options& options) {
    const std::unique_ptr<PreviewRun> run = std::make_unique<PreviewRun>();
    PreviewListener listener(run->session);
    int status = startPreview(*run, listener, options);
    if (status == 0) {
        status = playPreview(*run, listener);
    }
    finishShow(run->state, run->start);
    return status;
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
