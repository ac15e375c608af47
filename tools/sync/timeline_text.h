// The timeline text format: the readable source of sync track files, parsed and printed.
//
//   # a comment runs to the end of the line; blank lines are ignored
//   tempo 135                 sets beats per minute for the beat positions on later lines
//   track fs                  declares a track (a track with no keys compiles to count 0)
//   scene 0 10 step           TRACK POSITION VALUE INTERPOLATION: one key per line
//
// Positions: a plain integer is a row; "8s" is seconds (x 18 rows, rounded to the nearest row,
// halves away from zero); "32b" is beats (x 60 / tempo x 18, rounded the same way). Values are
// floats; printed with %.9g they read back exactly; infinities are "inf"/"-inf" and a NaN is
// written "nan:0x" followed by its eight-digit bit pattern (plain "nan" reads as 0x7fc00000).
// Interpolation: step, linear, smooth, ramp, or an integer -128..127 for other types. Items are
// separated by runs of spaces or tabs; a carriage return before the line end and a UTF-8 byte
// order mark at the start are ignored. Keys of one track must be strictly increasing by row;
// keys of different tracks may interleave.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "sync/sync_track.h"

namespace tessellune {

inline constexpr double SYNC_ROWS_PER_SECOND = 18.0;

struct TimelineTrack {
    std::string name;
    std::vector<SyncKey> keys; // strictly increasing rows
    int firstLine = 0;         // where the track was first declared or keyed
};

struct Timeline {
    std::vector<TimelineTrack> tracks; // in order of first mention
    double tempo = 0.0;                // the last "tempo" line's beats per minute; 0 without one
};

// Parses a whole timeline. label names the file in errors, which read "label:LINE: message".
// On failure returns false and leaves timeline untouched.
bool parseTimeline(std::string_view text, std::string_view label, Timeline& timeline, std::string& error);

// Track names become parts of file names: letters, digits, '_', '-' and '.', at most 128 of them.
bool isValidTrackName(std::string_view name);

std::string formatSyncValue(float value);
bool parseSyncValue(std::string_view text, float& value);

std::string formatInterpolation(int32_t type);
bool parseInterpolation(std::string_view text, int32_t& type);

// The timeline text of one track: a "track NAME" line, then one key line per key, with rows
// as plain integers. Parsing it back gives the same keys, bit for bit.
std::string formatTrackText(std::string_view name, const SyncKey* keys, int32_t keyCount);

} // namespace tessellune
