// A test-side reading of content/timeline.txt: keys per track and their value at a row.
//
// Conventions: positions are rows (18 a second); "Nb" beats need the tempo line, "Ns" seconds.
// Interpolation codes: 0 step, 1 linear, 2 smooth, 3 ramp; each key's type governs the segment
// that starts at it; before the first key and after the last the end values hold.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace tessellune::datatest {

struct TimelineKey {
    int row = 0;
    float value = 0.0f;
    int type = 0;
};

struct Timeline {
    std::map<std::string, std::vector<TimelineKey>> tracks; // declared tracks, keys in file order
    int lastRow = 0;                                        // the latest key of any track
};

// False with a message naming the line on anything it does not understand.
bool readTimeline(const std::string& text, Timeline& timeline, std::string& error);

float valueAt(const std::vector<TimelineKey>& keys, double row);

} // namespace tessellune::datatest
