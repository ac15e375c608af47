// Formatting the status lines.
#include "tools/preview/status_text.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "demo/demo_state.h"

namespace tessellune {

void formatStatus(StatusText& status, const PreviewSession& s, const DemoTracks& tracks) {
    const SyncTrack* const values[DEMO_TRACK_COUNT] = {
        tracks.scene,   tracks.x,           tracks.cx,    tracks.cy,    tracks.gtn,  tracks.br,
        tracks.fs,      tracks.lerp,        tracks.speed, tracks.scale, tracks.camA, tracks.camB,
        tracks.camLerp, tracks.planeEnable, tracks.ta1,   tracks.ta2,   tracks.ta3};
    const double beats = s.row / rowsPerBeat(s.tempo);
    const double wholeBeats = std::floor(beats + 1e-6);
    const long long bar = static_cast<long long>(wholeBeats) / BEATS_PER_BAR;
    const int beatInBar = static_cast<int>(static_cast<long long>(wholeBeats) % BEATS_PER_BAR) + 1;
    char loop[48] = "";
    if (s.loop.hasStart) {
        if (s.loop.hasEnd) {
            std::snprintf(loop, sizeof loop, "  loop %.0f-%.0f", s.loop.start, s.loop.end);
        } else {
            std::snprintf(loop, sizeof loop, "  loop %.0f-?", s.loop.start);
        }
    }
    // A line wider than the status is cut at its width, as a terminal would cut it.
    if (std::snprintf(status.lines[0], STATUS_LINE_BYTES,
                      "%7.2fs row %7.1f beat %6.2f bar %lld.%d scene %d %s%s", s.row / ROWS_PER_SECOND, s.row,
                      beats, bar, beatInBar, roundedTrackValue(tracks.scene, s.row),
                      s.playing ? "playing" : "paused", loop) < 0) {
        status.lines[0][0] = '\0';
    }
    for (int line = 1; line < STATUS_LINES; ++line) {
        char* out = status.lines[line];
        size_t used = 0;
        out[0] = '\0';
        for (int i = (line - 1) * STATUS_TRACKS_PER_LINE;
             i < line * STATUS_TRACKS_PER_LINE && i < DEMO_TRACK_COUNT; ++i) {
            const int n =
                std::snprintf(out + used, STATUS_LINE_BYTES - used, "%s%s=%.3f", used > 0 ? " " : "",
                              DEMO_TRACK_NAMES[i], static_cast<double>(syncTrackValue(values[i], s.row)));
            used = std::min(STATUS_LINE_BYTES - 1, used + static_cast<size_t>(std::max(n, 0)));
        }
    }
}

void joinStatus(const StatusText& status, char* out, size_t size) {
    size_t used = 0;
    out[0] = '\0';
    for (int line = 0; line < STATUS_LINES && used + 1 < size; ++line) {
        const int n =
            std::snprintf(out + used, size - used, "%s%s", line > 0 ? "  " : "", status.lines[line]);
        used = std::min(size - 1, used + static_cast<size_t>(std::max(n, 0)));
    }
}

} // namespace tessellune
