// Measures sync track evaluation: evaluations per second along the playback and at random rows.
#include <chrono>
#include <cstdio>
#include <memory>
#include <random>
#include <vector>

#include "sync/sync_track.h"

using namespace tessellune;

namespace {

constexpr int TRACKS = 17;          // as many as the demo evaluates
constexpr int SONG_ROWS = 18 * 180; // three minutes of music

// A track with a key every few rows, the types cycling through all four.
SyncTrack makeTrack(int keyCount, std::mt19937& random) {
    SyncTrack track;
    track.keys.reset(new SyncKey[keyCount]);
    track.keyCount = keyCount;
    int32_t row = 0;
    for (int k = 0; k < keyCount; ++k) {
        track.keys[k] = {row, static_cast<float>(random() % 1000) * 0.01f, k % 4};
        row += 1 + static_cast<int32_t>(random() % (2 * SONG_ROWS / keyCount));
    }
    return track;
}

// Evaluations per second over one pass through rows for every track, best of several timed runs
// (the machine may be shared, so the best run is the one least disturbed).
template <typename Rows>
void measure(const char* label, const std::vector<SyncTrack>& tracks, const Rows& rows) {
    using Clock = std::chrono::steady_clock;
    volatile float sink = 0.0f;
    double best = 0.0;
    for (int run = 0; run < 7; ++run) {
        long evaluations = 0;
        const Clock::time_point start = Clock::now();
        Clock::time_point now = start;
        while (now - start < std::chrono::milliseconds(150)) {
            float sum = 0.0f;
            for (const double row : rows) {
                for (const SyncTrack& track : tracks) {
                    sum += syncTrackValue(&track, row);
                }
            }
            sink = sink + sum;
            evaluations += static_cast<long>(rows.size()) * static_cast<long>(tracks.size());
            now = Clock::now();
        }
        const double rate = evaluations / std::chrono::duration<double>(now - start).count();
        best = rate > best ? rate : best;
    }
    std::printf("%-34s %8.1f M evaluations/s  %6.1f ns each\n", label, best * 1e-6, 1e9 / best);
}

} // namespace

int main() {
    std::mt19937 random(1);
    std::printf("sync track evaluation, %d tracks over %d rows\n", TRACKS, SONG_ROWS);
    for (const int keyCount : {4, 64, 1024}) {
        std::vector<SyncTrack> tracks;
        for (int i = 0; i < TRACKS; ++i) {
            tracks.push_back(makeTrack(keyCount, random));
        }
        std::vector<double> playback; // 60 frames per second of music
        for (double row = 0.0; row < SONG_ROWS; row += 18.0 / 60.0) {
            playback.push_back(row);
        }
        std::vector<double> scattered(playback.size());
        std::uniform_real_distribution<double> anywhere(-100.0, SONG_ROWS + 100.0);
        for (double& row : scattered) {
            row = anywhere(random);
        }
        char label[64];
        std::snprintf(label, sizeof label, "%4d keys/track, playback rows", keyCount);
        measure(label, tracks, playback);
        std::snprintf(label, sizeof label, "%4d keys/track, random rows", keyCount);
        measure(label, tracks, scattered);
    }
    return 0;
}
