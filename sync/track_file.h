// The sync track file format: reading a whole file into a track, and the byte layout of its parts.
//
// Layout, all little-endian, no header beyond the count and no padding:
//   offset 0:      key count N, signed 32-bit
//   offset 4 + 9k: row of key k (signed 32-bit), value (IEEE single), interpolation type (1 signed byte)
// Bytes after the last key are ignored. A file holding fewer whole keys than it announces keeps
// the whole keys present; a negative count is an empty track.
#pragma once

#include <cstdint>

#include "sync/sync_track.h"

namespace tessellune {

inline constexpr int SYNC_COUNT_BYTES = 4;
inline constexpr int SYNC_KEY_BYTES = 9;

// What a load found, for tools that explain a file.
struct SyncFileReport {
    bool opened = false;        // the file could be opened and its size determined
    bool countPresent = false;  // the file holds the 4 count bytes
    int32_t announcedCount = 0; // the count as stored (may be negative or beyond the data)
    int32_t keysRead = 0;       // whole keys kept
    int64_t bytesAfterKeys = 0; // bytes past the last kept key (trailing data or a partial key)
};

// Replaces track's keys with the keys of the file at path. On any failure (missing file, no
// count, allocation failure) the track ends up empty and false is returned; a negative count is
// an empty track and counts as success, as does a file cut short (its whole keys are kept).
// The allocation never exceeds what the file's size can hold. report may be null.
bool loadSyncTrackFile(const char* path, SyncTrack& track, SyncFileReport* report);

int32_t decodeSyncCount(const unsigned char bytes[SYNC_COUNT_BYTES]);
void encodeSyncCount(int32_t count, unsigned char bytes[SYNC_COUNT_BYTES]);
SyncKey decodeSyncKey(const unsigned char bytes[SYNC_KEY_BYTES]);
// The type is stored as its low byte: callers keep it within -128..127 to round-trip.
void encodeSyncKey(const SyncKey& key, unsigned char bytes[SYNC_KEY_BYTES]);

} // namespace tessellune
