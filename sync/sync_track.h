// Sync tracks: named lists of keyed values that the demo evaluates at the music position.
//
// Conventions: a row is one eighteenth of a second of music; keys are stored by ascending row and
// each key's interpolation type governs the segment that starts at it. Evaluation takes the row as
// a double (fractional rows interpolate) and returns a float. Everything here is for the main
// thread only; nothing throws, failures are reported by result (nullptr or an empty track).
#pragma once

#include <cstdint>
#include <memory>

namespace tessellune {

// Interpolation types as stored in the files; any other byte is kept and evaluates to 0.0.
enum SyncInterpolation : int32_t {
    SYNC_STEP = 0,
    SYNC_LINEAR = 1,
    SYNC_SMOOTH = 2,
    SYNC_RAMP = 3,
};

struct SyncKey {
    int32_t row;
    float value;
    int32_t type; // widened with sign from the file's byte
};

struct SyncTrack {
    std::unique_ptr<char[]> name;    // NUL-terminated copy of the requested name
    std::unique_ptr<SyncKey[]> keys; // file order; null exactly when keyCount is 0
    int32_t keyCount = 0;
};

struct SyncDevice {
    std::unique_ptr<char[]> basePath;                     // e.g. "/path/data/sync"
    std::unique_ptr<std::unique_ptr<SyncTrack>[]> tracks; // in order of first request
    int32_t trackCount = 0;
};

// The longest composed track path, in characters, that the device will open.
inline constexpr int SYNC_MAX_PATH_LENGTH = 259;

// A device with a copy of basePath and no tracks; nullptr when memory runs out or basePath is null.
SyncDevice* createSyncDevice(const char* basePath);

// The track called name, created and loaded from basePath + "_" + name + ".track" on its first
// request. A missing, unreadable or over-long path leaves the track empty (value 0.0 everywhere);
// that is not reported. Returns nullptr only when memory runs out or an argument is null. The
// track stays valid until the device is destroyed.
SyncTrack* getSyncTrack(SyncDevice* device, const char* name);

// Frees every track, the track array, the base path and the device. Accepts nullptr.
void destroySyncDevice(SyncDevice* device);

// The index of the key that governs row: the last key whose row is <= row, or -1 when row lies
// before the first key. Of several keys sharing a row, the last in file order governs. O(log n).
int32_t findSyncKey(const SyncTrack& track, int32_t row);

// The track's value at a (fractional) row; 0.0 for an empty or null track. Allocates nothing.
float syncTrackValue(const SyncTrack* track, double row);

} // namespace tessellune
