// The preview's status: time, row, beat and bar, scene, transport, and every track's value at the
// row, as one console line and as the overlay's lines.
//
// Conventions: fixed buffers, so printing it every frame allocates nothing. Beats and bars count
// from 0 like the timeline's "96b" positions; "bar 24.1" is bar 24's first beat.
#pragma once

#include <cstddef>

#include "demo/demo_tracks.h"
#include "tools/preview/preview_session.h"

namespace tessellune {

inline constexpr int STATUS_TRACKS_PER_LINE = 5;
inline constexpr int STATUS_LINES =
    1 + (DEMO_TRACK_COUNT + STATUS_TRACKS_PER_LINE - 1) / STATUS_TRACKS_PER_LINE;
inline constexpr size_t STATUS_LINE_BYTES = 112;

struct StatusText {
    char lines[STATUS_LINES][STATUS_LINE_BYTES] = {};
};

void formatStatus(StatusText& status, const PreviewSession& session, const DemoTracks& tracks);

// All lines joined with two spaces into out (the console form).
void joinStatus(const StatusText& status, char* out, size_t size);

} // namespace tessellune
