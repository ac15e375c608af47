// tessellune-play FILE.mp3: plays a soundtrack to its end through the demo's audio library,
// printing the play position once a second, so that authors can hear and time their music.
#include "audio/audio.h"

#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <string>
#include <thread>

using namespace tessellune;

namespace {

using Clock = std::chrono::steady_clock;

constexpr int BAR_WIDTH = 40;
// A device that takes nothing for this long has stopped; give up instead of waiting forever.
constexpr double STALL_SECONDS = 5.0;

void printPosition(double seconds, double total) {
    const double fraction = total > 0.0 ? std::min(1.0, seconds / total) : 1.0;
    const int filled = int(std::lround(fraction * BAR_WIDTH));
    std::printf("%.2f / %.2f s [%s%s]\n", seconds, total, std::string(size_t(filled), '#').c_str(),
                std::string(size_t(BAR_WIDTH - filled), '-').c_str());
    std::fflush(stdout);
}

int fail(const char* what, const char* file) {
    const int code = audioErrorGetCode();
    if (file != nullptr) {
        std::fprintf(stderr, "tessellune-play: cannot play %s: %s (error %d)\n", file,
                     audioErrorMessage(code), code);
    } else {
        std::fprintf(stderr, "tessellune-play: %s: %s (error %d)\n", what, audioErrorMessage(code), code);
    }
    return 1;
}

// Ctrl+C or SIGTERM stops the music early; the player then shuts down as at the end.
volatile std::sig_atomic_t stopSignalled = 0;

extern "C" void onStopSignal(int) {
    stopSignalled = 1;
}

void catchStopSignals() {
    struct sigaction action = {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

// Plays until the position reaches the end or a stop signal; false if the output stalls.
bool playToEnd(AudioStream stream, int64_t length) {
    const double total = audioChannelBytes2Seconds(stream, length);
    double nextReport = 0.0;
    int64_t lastPosition = -1;
    Clock::time_point lastProgress = Clock::now();
    for (;;) {
        const int64_t position = audioChannelGetPosition(stream, AUDIO_POS_BYTE);
        if (position >= length) {
            printPosition(total, total);
            return true;
        }
        if (stopSignalled != 0) {
            std::printf("stopped at %.2f s\n", audioChannelBytes2Seconds(stream, position));
            return true;
        }
        const double seconds = audioChannelBytes2Seconds(stream, position);
        if (seconds >= nextReport) {
            printPosition(seconds, total);
            nextReport = std::floor(seconds) + 1.0;
        }
        if (position != lastPosition) {
            lastPosition = position;
            lastProgress = Clock::now();
        } else if (std::chrono::duration<double>(Clock::now() - lastProgress).count() > STALL_SECONDS) {
            return false;
        }
        audioUpdate(0);
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: tessellune-play FILE.mp3\n"
                             "Plays the file to its end, printing the position once a second.\n"
                             "Without a sound card, set SDL_AUDIODRIVER=dummy to play it silently.\n");
        return 2;
    }
    const char* file = argv[1];
    if (!audioInit(AUDIO_DEVICE_DEFAULT, 44100, 0, nullptr, nullptr)) {
        fail("cannot open the audio output (SDL_AUDIODRIVER=dummy plays silently)", nullptr);
        return 1;
    }
    // After audioInit: the output's own start-up may install handlers that would swallow these.
    catchStopSignals();
    const Clock::time_point decodeStart = Clock::now();
    const AudioStream stream = audioStreamCreateFile(false, file, 0, 0, AUDIO_STREAM_PRESCAN);
    if (stream == 0) {
        const int result = fail(nullptr, file);
        audioFree();
        return result;
    }
    const double decodeMs = std::chrono::duration<double, std::milli>(Clock::now() - decodeStart).count();
    const int64_t length = audioChannelGetLength(stream, AUDIO_POS_BYTE);
    std::printf("playing %s: %.2f s, decoded in %.0f ms\n", file, audioChannelBytes2Seconds(stream, length),
                decodeMs);
    std::fflush(stdout);

    if (!audioStart() || !audioChannelPlay(stream, true)) {
        const int result = fail("cannot start playback", nullptr);
        audioFree();
        return result;
    }
    const bool finished = playToEnd(stream, length);
    audioStreamFree(stream);
    audioFree();
    if (!finished) {
        std::fprintf(stderr, "tessellune-play: the audio output stopped taking samples\n");
        return 1;
    }
    return 0;
}
