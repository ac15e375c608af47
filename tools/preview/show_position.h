// Where the preview stands in the show and how its keys move it: rows, beats and bars, scene
// changes and the loop.
//
// Conventions: positions are sync rows (18 a second of music, fractional while playing). A beat is
// 60 / tempo seconds; a bar is four beats. Stepping lands on whole beats or bars of the grid that
// starts at row 0, so repeated steps never drift.
#pragma once

#include <string_view>
#include <vector>

#include "sync/sync_track.h"

namespace tessellune {

inline constexpr double DEFAULT_TEMPO = 135.0; // the soundtrack's beats per minute
inline constexpr int BEATS_PER_BAR = 4;

// Rows per beat at a tempo (8 at 135 beats per minute).
double rowsPerBeat(double tempo);

// A --from argument: "40" or "40s" seconds, "96b" beats, "1728r" a row. False when malformed or
// negative.
bool parseShowPosition(std::string_view text, double tempo, double& row);

// The next (direction +1) or previous (-1) multiple of `stepRows` strictly beyond row (a small
// tolerance keeps a row that already sits on the grid from counting as between two steps).
double stepRow(double row, double stepRows, int direction);

// The rows at which the scene track's rounded value changes, in increasing order.
std::vector<int> sceneChangeRows(const SyncTrack* scene);

// The first change after row (+1; row itself when none) or the last change before it (-1; the
// start when none).
double jumpToSceneChange(const std::vector<int>& changes, double row, int direction);

// L sets the start, then the end, then clears: a loop plays from start to end and back again.
struct LoopRange {
    bool hasStart = false;
    bool hasEnd = false;
    double start = 0.0;
    double end = 0.0;
};

void pressLoopKey(LoopRange& loop, double row);

// Where playback continues from row: back to the start once an active loop's end is reached.
// wrapped tells whether it jumped.
double applyLoop(const LoopRange& loop, double row, bool& wrapped);

} // namespace tessellune
