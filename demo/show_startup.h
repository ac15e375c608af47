// The show's one start-up sequence and shutdown, shared by the program, the capture tool and the
// preview, so that what the tools render is built exactly as the program builds it.
//
// Conventions: `dataDir` ends with its separator. The sequence prints only what its steps print
// (the loaders' lines, the pipeline's size); a failure stops it and is returned in ShowStart, and
// the host prints it, in the program's wording (startFailureLine) or with the detail a tool adds
// (describeStartFailure). Whatever the outcome, finishShow releases it. The hosts differ only in
// what ShowHost says: the audio device, the worker count, the pinning, the window, and whether the
// music starts before the occlusion bake or later, from the host (startMusic).
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "audio/audio.h"
#include "demo/application.h"
#include "demo/demo_state.h"
#include "demo/music_clock.h"
#include "display/timer_interface.h"

namespace tessellune {

// The standard library's steady clock as a frame timer.
std::unique_ptr<Scanout::TimerInterface> makeSteadyTimer();

struct ShowHost {
    int audioDevice = AUDIO_DEVICE_DEFAULT; // AUDIO_DEVICE_OFFLINE for a clock the host drives
    uint32_t workers = 0;                   // band workers; 0: one per processor
    bool pinToFirstProcessor = false;       // the program keeps its frame loop on processor 0
    const char* title = "Tessellune";
    Scanout::Output output = Scanout::Output::Fullscreen;
    bool musicBeforeBake = true; // false: the host seeks first, then calls startMusic
    // The frame timer; a host with a window passes Scanout::createPlatformTimer (the offline
    // tools time only the bake, on the standard library's steady clock).
    std::unique_ptr<Scanout::TimerInterface> (*makeTimer)() = makeSteadyTimer;
};

enum class StartFailure {
    None,
    FrameBuffers,     // the workers, frame buffers or pipeline could not be allocated
    AudioInit,        // the audio library would not open its output
    MusicStream,      // the soundtrack could not be opened or decoded
    Tracks,           // the sync device could not be allocated
    OcclusionTargets, // the bake's targets could not be allocated (the bake did not run)
};

struct ShowStart {
    StartFailure failure = StartFailure::None;
    int audioError = 0; // the audio library's code for AudioInit and MusicStream
    std::string music;  // the soundtrack's path
    AudioStream stream = 0;
    double musicSeconds = 0.0;                      // the soundtrack's length (0 when unknown)
    std::unique_ptr<Scanout::TimerInterface> timer; // the frame timer, made as the display opens
    bool displayOpen = false;
    double bakeMilliseconds = 0.0; // on the frame timer
};

// Seeding, "gtn", workers and buffers, renderer, pictures, particles, audio, music and tracks.
// False on the first failure (start.failure says which).
bool startShowData(DemoState& state, const std::string& dataDir, const ShowHost& host, ShowStart& start);

// The display opened with the application as its listener, and the frame timer. A display that
// does not open is not a failure here (start.displayOpen says it; the frame loop then has nothing
// to do, and the host says so before the meshes load).
void openShowDisplay(Application& application, const ShowHost& host, ShowStart& start);

// The meshes, the camera input at rest, the music (when host.musicBeforeBake) and the occlusion
// bake, timed on the frame timer. Targets the bake cannot allocate are a failure, though the show
// could go on without its occlusion.
bool loadShowScenes(DemoState& state, Application& application, const std::string& dataDir,
                    const ShowHost& host, ShowStart& start);

// openShowDisplay then loadShowScenes, for a host with nothing to say between them.
bool startShowDisplay(DemoState& state, Application& application, const std::string& dataDir,
                      const ShowHost& host, ShowStart& start);

// Starts the audio output and plays the music from where the stream stands.
void startMusic(const ShowStart& start);

// The failure's console line as the program prints it (its line break included, where it has one).
std::string startFailureLine(const ShowStart& start);

// The same for a tool: no line break, with the audio library's message or the soundtrack's path.
std::string describeStartFailure(const ShowStart& start);

// Releases in the shutdown order: tracks, music, audio, then the rest of the show. Safe after any
// failure and twice.
void finishShow(DemoState& state, ShowStart& start);

} // namespace tessellune
