// The timeline text compiled inside the preview and swapped into the demo's tracks in place, so a
// saved edit shows on the next frame at the same position.
//
// Conventions: the demo's track records stay where they are (the scenes hold pointers to them);
// only their keys are replaced. A track the text does not mention becomes empty, as the demo sees
// a missing track file. Nothing is touched when the text has an error.
#pragma once

#include <string>

#include "demo/demo_tracks.h"
#include "tools/sync/timeline_text.h"

namespace tessellune {

struct LiveTimeline {
    std::string path;
    double tempo = 0.0; // the first "tempo" line's beats per minute; DEFAULT_TEMPO without one
};

// Reads and compiles the file; on success replaces every demo track's keys and the tempo. On
// failure error reads "FILE:LINE: message" (or "FILE: cannot read it") and nothing changes.
bool reloadTimeline(LiveTimeline& live, DemoTracks& tracks, std::string& error);

// The tempo a timeline's text sets first, or fallback.
double firstTempo(const std::string& text, double fallback);

} // namespace tessellune
