// The timeline as a picture: a lane per track, the scenes as bands, bars from the tempo, seconds.
//
// Each lane has its track's curve, keys, name and range; the scene track tints every lane.
//
// Conventions: rows are sync rows (18 a second); the picture's x runs linearly from row 0 to the
// end of the show; every value drawn is the demo's own evaluation (syncTrackValue) of the keys.
// A scene's colour is paletteColour of the scene the demo selects there (the value + 0.5,
// truncated). With a tempo, a key whose row is not on a whole beat is drawn hollow.
#pragma once

#include <string>
#include <vector>

#include "tools/common/chart.h"
#include "tools/sync/timeline_text.h"

namespace tessellune {

struct TimelinePlotOptions {
    std::string title;
    double tempo = 0.0; // beats per minute for the bar lines and the beat check; 0: neither
    int beatsPerBar = 4;
    double seconds = 0.0; // length shown; 0: to the last key, rounded up to a whole bar
    std::string sceneTrack = "scene";
};

// Where drawTimeline puts things, so a picture can be checked against the keys it shows.
struct TimelineLayout {
    int plotLeft = 0;
    int plotRight = 0; // exclusive
    double rows = 1.0; // rows across the plot
    int sceneTop = 0;  // the scene strip; sceneTop == sceneBottom when there is no scene track
    int sceneBottom = 0;
    std::vector<int> laneTop; // per track of the timeline other than the scene track, in order
    int laneHeight = 0;
    int height = 0;
    int xAtRow(double row) const;    // the column a row falls in
    double rowAtColumn(int x) const; // the row at a column's left edge
};

TimelineLayout timelineLayout(const Timeline& timeline, const TimelinePlotOptions& options);

// The scene the demo runs for a scene track value.
int sceneOfValue(float value);

// True when a key at this row is not on a whole beat (rows are rounded, as positions are).
bool isOffBeat(int32_t row, double tempo);

// The picture; false with a message when there is nothing to draw or the font is missing.
bool drawTimeline(const Timeline& timeline, const TimelinePlotOptions& options, tools::Canvas& canvas,
                  std::string& error);

} // namespace tessellune
