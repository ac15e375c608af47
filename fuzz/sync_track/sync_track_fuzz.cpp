// Fuzzes the track loader (through the device, as the demo loads), evaluation, and the text round trip.
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <string>

#include "sync/sync_track.h"
#include "sync/track_file.h"
#include "tools/sync/timeline_text.h"
#include "tools/sync/track_writer.h"

using namespace tessellune;

namespace {

void check(bool condition) {
    if (!condition) {
        __builtin_trap();
    }
}

// The input goes through a real file, in memory when the system offers a RAM folder; the file is
// removed when the fuzzer exits.
struct Scratch {
    std::string base = std::string(access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp") +
                       "/tessellune-sync-fuzz-" + std::to_string(getpid());
    std::string path = base + "_t.track";
    ~Scratch() { std::remove(path.c_str()); }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const Scratch scratch;
    std::FILE* file = std::fopen(scratch.path.c_str(), "wb");
    if (file == nullptr) {
        return 0;
    }
    std::fwrite(data, 1, size, file);
    std::fclose(file);

    SyncDevice* device = createSyncDevice(scratch.base.c_str());
    check(device != nullptr);
    const SyncTrack* track = getSyncTrack(device, "t");
    check(track != nullptr && getSyncTrack(device, "t") == track);
    const int64_t wholeKeys = size < 4 ? 0 : static_cast<int64_t>(size - 4) / 9;
    check(track->keyCount >= 0 && track->keyCount <= wholeKeys);
    check((track->keyCount == 0) == (track->keys == nullptr));

    // With finite values and finite differences every segment gives a finite value, whatever the
    // order of the rows.
    bool finiteKeys = true;
    for (int32_t k = 0; k < track->keyCount; ++k) {
        finiteKeys = finiteKeys && std::isfinite(track->keys[k].value) &&
                     (k == 0 || std::isfinite(track->keys[k].value - track->keys[k - 1].value));
    }
    constexpr double inf = std::numeric_limits<double>::infinity();
    for (const double row : {-1.0e12, -2147483648.5, -0.25, 0.0, 0.5, 17.75, 1.0e12, inf, std::nan("")}) {
        const float value = syncTrackValue(track, row);
        check(track->keyCount != 0 || value == 0.0f);
        check(!finiteKeys || std::isfinite(value));
    }
    bool increasing = true;
    for (int32_t k = 1; k < track->keyCount; ++k) {
        increasing = increasing && track->keys[k].row > track->keys[k - 1].row;
    }
    for (int32_t k = 0; k < track->keyCount && k < 8; ++k) {
        const SyncKey& key = track->keys[k];
        syncTrackValue(track, key.row + 0.5);
        // On its own row a key of a known type gives its value, unless infinities or NaNs take part.
        const float exact = syncTrackValue(track, key.row);
        const bool last = k + 1 == track->keyCount;
        const bool knownType = key.type >= SYNC_STEP && key.type <= SYNC_RAMP;
        if (increasing && std::isfinite(key.value) &&
            (last || (knownType && std::isfinite(track->keys[k + 1].value - key.value)))) {
            check(exact == key.value);
        }
    }

    // A track whose rows strictly increase prints as text that compiles back to the same keys.
    if (increasing) {
        const std::string text = formatTrackText("t", track->keys.get(), track->keyCount);
        Timeline timeline;
        std::string error;
        check(parseTimeline(text, "dump", timeline, error));
        check(timeline.tracks.size() == 1);
        const std::string again = encodeTrackFile(timeline.tracks[0].keys.data(),
                                                  static_cast<int32_t>(timeline.tracks[0].keys.size()));
        check(again.size() == 4 + 9 * static_cast<size_t>(track->keyCount));
        check(track->keyCount == 0 || std::memcmp(again.data() + 4, data + 4, again.size() - 4) == 0);
    }
    destroySyncDevice(device);

    // The same bytes as timeline text: any outcome but a crash is fine.
    Timeline timeline;
    std::string error;
    parseTimeline(std::string_view(reinterpret_cast<const char*>(data), size), "fuzz.txt", timeline, error);
    return 0;
}
