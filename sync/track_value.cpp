// Evaluating a sync track at a row: the key search and the interpolation between two keys.
#include <cmath>
#include <limits>

#include "sync/sync_track.h"

namespace tessellune {

// A binary search for the first key after row; the key before it governs. On keys sorted by
// strictly increasing row this is the plain search for an exact hit or the key below. With keys
// that share a row it picks the last of them, and whatever the order of the rows, the key it
// returns has row <= the row and the key after it has row > the row: segments never have zero
// or negative length, and a run of equal rows costs no more than any other search.
int32_t findSyncKey(const SyncTrack& track, int32_t row) {
    int32_t lo = 0;
    int32_t hi = track.keyCount;
    while (lo < hi) {
        const int32_t mid = lo + (hi - lo) / 2;
        if (track.keys[mid].row <= row) {
            lo = mid + 1;
        } else {
            hi = mid;
        }
    }
    return lo - 1;
}

float syncTrackValue(const SyncTrack* track, double row) {
    if (track == nullptr || track->keyCount <= 0) {
        return 0.0f;
    }
    // Rows beyond 32 bits lie before or after every key; a NaN row holds the start of the track.
    const double floored = std::floor(row);
    if (!(floored >= static_cast<double>(std::numeric_limits<int32_t>::min()))) {
        return track->keys[0].value;
    }
    if (floored > static_cast<double>(std::numeric_limits<int32_t>::max())) {
        return track->keys[track->keyCount - 1].value;
    }
    const int32_t i = findSyncKey(*track, static_cast<int32_t>(floored));
    if (i < 0) {
        return track->keys[0].value;
    }
    if (i > track->keyCount - 2) {
        return track->keys[track->keyCount - 1].value;
    }
    const SyncKey& a = track->keys[i];
    const SyncKey& b = track->keys[i + 1];
    // Rows are subtracted in double: two 32-bit rows can be more than 2^31 apart.
    const double t = (row - a.row) / (static_cast<double>(b.row) - static_cast<double>(a.row));
    double f;
    switch (a.type) {
    case SYNC_STEP:
        return a.value;
    case SYNC_LINEAR:
        f = t;
        break;
    case SYNC_SMOOTH:
        f = t * t * (3.0 - 2.0 * t);
        break;
    case SYNC_RAMP:
        f = std::pow(t, 2.0);
        break;
    default:
        return 0.0f;
    }
    // The difference is a single-precision value; the product and sum are formed in double.
    const float difference = b.value - a.value;
    return static_cast<float>(static_cast<double>(a.value) + static_cast<double>(difference) * f);
}

} // namespace tessellune
