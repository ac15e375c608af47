// Decoding speed of stream creation: a stereo MP3 made from a synthetic chord, decoded whole with
// the pre-scan, at the file's own rate and resampled. Prints seconds of music decoded per second.
#include "audio/audio.h"
#include "tests/audio/mp3_maker.h"

#include <benchmark/benchmark.h>

using namespace tessellune;

namespace {

void decodeStream(benchmark::State& state) {
    const int fileRate = int(state.range(0));
    const double seconds = 30.0;
    const std::vector<uint8_t> mp3 =
        testing::encodeMp3(testing::makeChord(size_t(seconds * fileRate), 2, fileRate), 2, fileRate);
    if (!audioInit(AUDIO_DEVICE_OFFLINE, 44100, 0, nullptr, nullptr)) {
        state.SkipWithError("audioInit failed");
        return;
    }
    for (auto _ : state) {
        const AudioStream stream =
            audioStreamCreateFile(true, mp3.data(), 0, mp3.size(), AUDIO_STREAM_PRESCAN);
        benchmark::DoNotOptimize(stream);
        audioStreamFree(stream);
    }
    audioFree();
    state.counters["music_s_per_s"] =
        benchmark::Counter(seconds * double(state.iterations()), benchmark::Counter::kIsRate);
}

} // namespace

BENCHMARK(decodeStream)->Arg(44100)->Arg(48000)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
