// Frame times as a picture: every frame's time along a run, its groups as bands, bounds and worst.
//
// The groups are the show's scenes (the capture tool) or the benchmark's cases; the picture has
// the target line, each group's 99 % bound and its worst frame.
//
// Conventions: times in milliseconds; positions along the run in seconds (show time for the
// capture tool, time spent benchmarking for the bench); a group is an int id with a name, and a
// band is a run of consecutive frames of one group. Statistics are per group over all its frames.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "tools/common/chart.h"

namespace tessellune::tools {

struct FrameTimeRun {
    std::string title;
    std::string axisLabel;            // what the positions are ("show time, s")
    std::vector<double> at;           // per frame: its position along the run, nondecreasing
    std::vector<double> ms;           // per frame: its time
    std::vector<int> group;           // per frame: its group id
    std::vector<std::string> names;   // indexed like groupIds: each group's name
    std::vector<int> groupIds;        // the ids that names describe
    double targetMs = 1000.0 / 240.0; // the line drawn across the picture
    std::string targetLabel = "240 fps";
    bool colourById = true; // true: a group's colour is its id's (scenes); false: its index's
};

struct FrameGroupStats {
    int id = 0;
    size_t frames = 0;
    double averageMs = 0.0;
    double p99Ms = 0.0; // the smallest time that 99 % of the group's frames stay within
    double worstMs = 0.0;
    double worstAt = 0.0; // the worst frame's position
    size_t worstIndex = 0;
};

// The smallest of the times that at least 99 % of them stay within; 0 for none.
double percentile99(std::vector<double> times);

// One entry per group id, in order of first appearance.
std::vector<FrameGroupStats> frameGroupStats(const FrameTimeRun& run);

// The picture; false with a message when the run is empty or malformed (lengths differ, a time
// that is not finite) or the font cannot be opened.
bool drawFrameTimes(const FrameTimeRun& run, Canvas& canvas, std::string& error);

// False with a message when the picture could not be written to path (no such folder, not
// writable, no font), checked before a long run rather than after it.
bool canWriteFrameTimes(const std::string& path, std::string& error);

// drawFrameTimes written as a PNG file; false with a message.
bool writeFrameTimes(const std::string& path, const FrameTimeRun& run, std::string& error);

// Where drawFrameTimes puts things, for checking a picture against its numbers.
struct FrameTimeLayout {
    int left = 0, right = 0, top = 0, bottom = 0; // the plot area, inclusive-exclusive
    double firstAt = 0.0, lastAt = 1.0;
    double maxMs = 1.0;
    int xAt(double at) const;
    int yMs(double ms) const; // clamped to the plot area
};
FrameTimeLayout frameTimeLayout(const FrameTimeRun& run);

} // namespace tessellune::tools
