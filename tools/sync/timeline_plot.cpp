// Draws a timeline's tracks as lanes over the show, with the scenes as bands and the bars as lines.
#include "tools/sync/timeline_plot.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>

#include "sync/sync_track.h"

namespace tessellune {

using namespace tools;

namespace {

double rowsPerBeat(double tempo) {
    return 60.0 / tempo * SYNC_ROWS_PER_SECOND;
}

const TimelineTrack* findTrack(const Timeline& timeline, const std::string& name) {
    for (const TimelineTrack& track : timeline.tracks) {
        if (track.name == name) {
            return &track;
        }
    }
    return nullptr;
}

// The show's length in rows: as asked, or to the last key rounded up to a whole bar.
double showRows(const Timeline& timeline, const TimelinePlotOptions& options) {
    if (options.seconds > 0.0) {
        return options.seconds * SYNC_ROWS_PER_SECOND;
    }
    double last = 0.0;
    for (const TimelineTrack& track : timeline.tracks) {
        if (!track.keys.empty()) {
            last = std::max(last, static_cast<double>(track.keys.back().row));
        }
    }
    if (options.tempo > 0.0 && options.beatsPerBar > 0) {
        const double bar = rowsPerBeat(options.tempo) * options.beatsPerBar;
        last = std::ceil(last / bar - 1e-9) * bar;
        return std::max(last, bar);
    }
    return std::max(last, SYNC_ROWS_PER_SECOND);
}

// A track's keys as the demo's evaluator takes them.
SyncTrack asSyncTrack(const TimelineTrack& source) {
    SyncTrack track;
    track.keyCount = static_cast<int32_t>(source.keys.size());
    if (track.keyCount > 0) {
        track.keys = std::make_unique<SyncKey[]>(source.keys.size());
        std::copy(source.keys.begin(), source.keys.end(), track.keys.get());
    }
    return track;
}

struct Range {
    double low = std::numeric_limits<double>::infinity();
    double high = -std::numeric_limits<double>::infinity();
    void add(double v) {
        if (std::isfinite(v)) {
            low = std::min(low, v);
            high = std::max(high, v);
        }
    }
    bool empty() const { return !(low <= high); }
};

// Per column the lowest, highest and last value the track takes over the column's rows (the key
// rows inside it included, so a step shows in the column it happens in).
struct ColumnValues {
    std::vector<float> low, high, last;
};

ColumnValues sampleColumns(const SyncTrack& track, const TimelineLayout& layout) {
    const int columns = layout.plotRight - layout.plotLeft;
    ColumnValues values;
    values.low.resize(columns);
    values.high.resize(columns);
    values.last.resize(columns);
    int32_t nextKey = 0;
    for (int c = 0; c < columns; ++c) {
        const double from = layout.rowAtColumn(layout.plotLeft + c);
        const double to = layout.rowAtColumn(layout.plotLeft + c + 1);
        float low = std::numeric_limits<float>::infinity();
        float high = -low;
        float value = 0.0f;
        const auto take = [&](double row) {
            value = syncTrackValue(&track, row);
            if (std::isfinite(value)) {
                low = std::min(low, value);
                high = std::max(high, value);
            }
        };
        for (int s = 0; s < TIMELINE_SAMPLES_PER_COLUMN; ++s) {
            take(from + (to - from) * s / TIMELINE_SAMPLES_PER_COLUMN);
        }
        while (nextKey < track.keyCount && track.keys[nextKey].row < to) {
            if (track.keys[nextKey].row >= from) {
                take(track.keys[nextKey].row);
            }
            ++nextKey;
        }
        take(to - (to - from) / (2.0 * TIMELINE_SAMPLES_PER_COLUMN));
        values.low[c] = low;
        values.high[c] = high;
        values.last[c] = value;
    }
    return values;
}

Colour keyColour(int32_t type, Marker& marker) {
    switch (type) {
    case SYNC_STEP:
        marker = Marker::Square;
        return CHART_STEP_KEY;
    case SYNC_LINEAR:
        marker = Marker::Disc;
        return CHART_LINEAR_KEY;
    case SYNC_SMOOTH:
        marker = Marker::Diamond;
        return CHART_SMOOTH_KEY;
    case SYNC_RAMP:
        marker = Marker::TriangleUp;
        return CHART_RAMP_KEY;
    default:
        marker = Marker::Ring;
        return CHART_OTHER_KEY;
    }
}

void drawKey(Canvas& canvas, const SyncKey& key, int x, int y, double tempo) {
    Marker marker;
    const Colour colour = keyColour(key.type, marker);
    // A light outline keeps a key readable where it sits on its own curve.
    drawMarker(canvas, x, y, TIMELINE_KEY_RADIUS + 1, marker == Marker::Ring ? Marker::Disc : marker,
               CHART_GROUND);
    drawMarker(canvas, x, y, TIMELINE_KEY_RADIUS, marker, colour);
    // Keys between beats are hollow: in a row of filled keys on the beats, one that slipped off
    // its beat stands out, while deliberate off-beat keys (eighths, accents) stay quiet.
    if (tempo > 0.0 && isOffBeat(key.row, tempo) && marker != Marker::Ring) {
        drawMarker(canvas, x, y, TIMELINE_KEY_RADIUS - 2, marker, CHART_GROUND);
    }
}

// Ink on light colours, white on dark ones (by the colour's luma).
Colour labelOn(Colour colour) {
    const double luma = 0.299 * colour.r + 0.587 * colour.g + 0.114 * colour.b;
    return luma > 150.0 ? CHART_INK : Colour{255, 255, 255};
}

} // namespace

int TimelineLayout::xAtRow(double row) const {
    return plotLeft + static_cast<int>(std::floor(row / rows * (plotRight - plotLeft)));
}

double TimelineLayout::rowAtColumn(int x) const {
    return static_cast<double>(x - plotLeft) * rows / (plotRight - plotLeft);
}

TimelineLayout timelineLayout(const Timeline& timeline, const TimelinePlotOptions& options) {
    TimelineLayout layout;
    layout.plotLeft = TIMELINE_LABEL_WIDTH;
    layout.plotRight = TIMELINE_WIDTH - TIMELINE_RIGHT_MARGIN;
    layout.rows = showRows(timeline, options);
    layout.sceneTop = TIMELINE_TOP;
    layout.sceneBottom = TIMELINE_TOP + (findTrack(timeline, options.sceneTrack) ? TIMELINE_SCENE_STRIP : 0);
    layout.laneHeight = TIMELINE_LANE_HEIGHT;
    int y = layout.sceneBottom;
    for (const TimelineTrack& track : timeline.tracks) {
        if (track.name != options.sceneTrack) {
            layout.laneTop.push_back(y);
            y += TIMELINE_LANE_HEIGHT;
        }
    }
    layout.height = y + TIMELINE_BOTTOM;
    return layout;
}

int sceneOfValue(float value) {
    // As the demo selects a scene: the value plus a half, truncated; out-of-range values run none.
    const float shifted = value + 0.5f;
    return std::fabs(shifted) < 2.0e9f ? static_cast<int>(shifted) : 0;
}

bool isOffBeat(int32_t row, double tempo) {
    if (!(tempo > 0.0)) {
        return false;
    }
    const double perBeat = rowsPerBeat(tempo);
    const double beat = std::round(row / perBeat);
    return std::round(beat * perBeat) != static_cast<double>(row);
}

bool drawTimeline(const Timeline& timeline, const TimelinePlotOptions& options, Canvas& canvas,
                  std::string& error) {
    if (timeline.tracks.empty()) {
        error = "the timeline has no tracks to draw";
        return false;
    }
    if (timeline.tracks.size() > TIMELINE_MAX_LANES) {
        error = std::to_string(timeline.tracks.size()) + " tracks: at most " +
                std::to_string(TIMELINE_MAX_LANES) + " fit one picture (draw some of the track files)";
        return false;
    }
    Font text;
    Font title;
    if (!openChartFonts(text, title, error)) {
        return false;
    }
    const TimelineLayout layout = timelineLayout(timeline, options);
    const int lanesBottom =
        layout.laneTop.empty() ? layout.sceneBottom : layout.laneTop.back() + layout.laneHeight;
    canvas = makeCanvas(TIMELINE_WIDTH, layout.height, CHART_GROUND);
    drawText(canvas, title, 12, 24, options.title, CHART_INK);

    // The scenes: per column the scene at the column's middle, tinting every lane; the strip
    // holds the scene number where a scene runs long enough to write it.
    const TimelineTrack* sceneSource = findTrack(timeline, options.sceneTrack);
    if (sceneSource != nullptr) {
        const SyncTrack scenes = asSyncTrack(*sceneSource);
        const int columns = layout.plotRight - layout.plotLeft;
        std::vector<int> sceneAt(columns);
        for (int c = 0; c < columns; ++c) {
            const double middle =
                (layout.rowAtColumn(layout.plotLeft + c) + layout.rowAtColumn(layout.plotLeft + c + 1)) / 2;
            sceneAt[c] = sceneOfValue(syncTrackValue(&scenes, middle));
            const int x = layout.plotLeft + c;
            fillRect(canvas, x, layout.sceneTop, x + 1, layout.sceneBottom, paletteColour(sceneAt[c]));
            fillRect(canvas, x, layout.sceneBottom, x + 1, lanesBottom,
                     tint(paletteColour(sceneAt[c]), CHART_BAND_TINT));
        }
        for (int start = 0, c = 1; c <= columns; ++c) {
            if (c == columns || sceneAt[c] != sceneAt[start]) {
                const std::string label = std::to_string(sceneAt[start]);
                if (textWidth(text, label) + 4 <= c - start) {
                    drawText(canvas, text, layout.plotLeft + (start + c) / 2, layout.sceneBottom - 8, label,
                             labelOn(paletteColour(sceneAt[start])), Align::Centre);
                }
                start = c;
            }
        }
        drawText(canvas, text, 12, layout.sceneBottom - 8, options.sceneTrack + " (bands)", CHART_INK);
    }

    // Bars from the tempo: a line per bar, stronger and numbered (in beats, as the timeline
    // writes positions) where the labels have room.
    if (options.tempo > 0.0 && options.beatsPerBar > 0) {
        const double barRows = rowsPerBeat(options.tempo) * options.beatsPerBar;
        const double barWidth = barRows / layout.rows * (layout.plotRight - layout.plotLeft);
        const double bars = layout.rows / barRows;
        const std::string widest = std::to_string(static_cast<long long>(bars) * options.beatsPerBar) + "b";
        double every = 1.0;
        while (every * barWidth < TIMELINE_MIN_LABEL_SPACING + textWidth(text, widest)) {
            every *= 2.0;
        }
        // Bars closer than a few pixels would fill the lanes: then only the labelled ones are drawn.
        const double stride = barWidth >= TIMELINE_MIN_BAR_GAP ? 1.0 : every;
        for (double bar = 0.0; bar * barRows <= layout.rows + 1e-9; bar += stride) {
            const int x = std::min(layout.xAtRow(bar * barRows), layout.plotRight - 1);
            const bool labelled = std::fmod(bar, every) == 0.0;
            drawVertical(canvas, x, layout.sceneBottom, lanesBottom,
                         labelled ? CHART_STRONG_GRID : CHART_GRID, 0, labelled ? 0.9f : 0.6f);
            if (labelled) {
                drawVertical(canvas, x, layout.sceneTop - 4, layout.sceneTop - 1, CHART_INK);
                // The last number may reach past the picture's edge: it is pulled in.
                const std::string label =
                    std::to_string(static_cast<long long>(bar) * options.beatsPerBar) + "b";
                const int half = textWidth(text, label) / 2;
                drawText(canvas, text, std::min(x, canvas.width - 2 - half), layout.sceneTop - 7, label,
                         CHART_INK, Align::Centre);
            }
        }
    }

    // The lanes.
    size_t lane = 0;
    for (const TimelineTrack& source : timeline.tracks) {
        if (source.name == options.sceneTrack) {
            continue;
        }
        const int top = layout.laneTop[lane++];
        drawHorizontal(canvas, 0, layout.plotRight - 1, top + layout.laneHeight - 1, CHART_GRID);
        const SyncTrack track = asSyncTrack(source);
        const ColumnValues values = sampleColumns(track, layout);
        Range range;
        for (size_t c = 0; c < values.low.size(); ++c) {
            range.add(values.low[c]);
            range.add(values.high[c]);
        }
        for (const SyncKey& key : source.keys) {
            range.add(key.value);
        }
        drawText(canvas, text, 12, top + 18, source.name, CHART_INK);
        if (source.keys.empty()) {
            drawText(canvas, text, 12, top + 34, "no keys: 0", CHART_FAINT_INK);
            range.add(0.0);
        } else if (range.empty()) {
            drawText(canvas, text, 12, top + 34, "no finite value", CHART_ALERT);
            continue;
        } else {
            drawText(canvas, text, 12, top + 34, shortNumber(range.low) + " .. " + shortNumber(range.high),
                     CHART_FAINT_INK);
        }
        const double low = range.low == range.high ? range.low - 1.0 : range.low;
        const double high = range.low == range.high ? range.high + 1.0 : range.high;
        const int yTop = top + TIMELINE_LANE_PAD;
        const int yBottom = top + layout.laneHeight - 1 - TIMELINE_LANE_PAD;
        const auto yOf = [&](double v) {
            const double share = std::isfinite(v) ? std::clamp((v - low) / (high - low), 0.0, 1.0) : 0.0;
            return yBottom - static_cast<int>(std::lround(share * (yBottom - yTop)));
        };
        int previous = -1;
        for (size_t c = 0; c < values.low.size(); ++c) {
            const int x = layout.plotLeft + static_cast<int>(c);
            if (!std::isfinite(values.low[c])) {
                previous = -1;
                continue;
            }
            int y0 = yOf(values.high[c]);
            int y1 = yOf(values.low[c]);
            if (previous >= 0) {
                y0 = std::min(y0, previous);
                y1 = std::max(y1, previous);
            }
            drawVertical(canvas, x, y0, y1, CHART_INK);
            previous = std::isfinite(values.last[c]) ? yOf(values.last[c]) : -1;
        }
        for (const SyncKey& key : source.keys) {
            if (key.row >= 0 && key.row <= layout.rows) {
                drawKey(canvas, key, std::min(layout.xAtRow(key.row), layout.plotRight - 1), yOf(key.value),
                        options.tempo);
            }
        }
    }
    if (sceneSource != nullptr) {
        for (const SyncKey& key : sceneSource->keys) {
            if (key.row >= 0 && key.row <= layout.rows) {
                drawKey(canvas, key, std::min(layout.xAtRow(key.row), layout.plotRight - 1),
                        layout.sceneBottom - 1, options.tempo);
            }
        }
    }

    // Seconds along the bottom, then what the marks mean.
    const double seconds = layout.rows / SYNC_ROWS_PER_SECOND;
    const double step = niceStep(seconds, 16);
    for (int k = 0; k * step <= seconds + 1e-9 && k <= CHART_MAX_TICKS; ++k) {
        const double t = k * step;
        const int x = std::min(layout.xAtRow(t * SYNC_ROWS_PER_SECOND), layout.plotRight - 1);
        drawVertical(canvas, x, lanesBottom, lanesBottom + 4, CHART_INK);
        drawText(canvas, text, x, lanesBottom + 18, shortNumber(t, 2) + " s", CHART_INK, Align::Centre);
    }
    int x = layout.plotLeft;
    const int legendY = lanesBottom + 46;
    const struct {
        int32_t type;
        const char* name;
    } marks[] = {{SYNC_STEP, "step"},
                 {SYNC_LINEAR, "linear"},
                 {SYNC_SMOOTH, "smooth"},
                 {SYNC_RAMP, "ramp"},
                 {-1, "other type (evaluates to 0)"}};
    drawText(canvas, text, 12, legendY + 4, "keys:", CHART_INK);
    for (const auto& mark : marks) {
        drawKey(canvas, SyncKey{0, 0.0f, mark.type}, x, legendY, 0.0);
        drawText(canvas, text, x + 10, legendY + 5, mark.name, CHART_INK);
        x += 24 + textWidth(text, mark.name);
    }
    if (options.tempo > 0.0) {
        drawKey(canvas, SyncKey{1, 0.0f, SYNC_LINEAR}, x, legendY, options.tempo);
        const std::string offBeat = "hollow: between beats at " + shortNumber(options.tempo, 2) + " bpm";
        drawText(canvas, text, x + 10, legendY + 5, offBeat, CHART_INK);
        x += 30 + textWidth(text, offBeat);
        drawText(canvas, text, x, legendY + 5,
                 "lines: bars of " + std::to_string(options.beatsPerBar) + " beats", CHART_INK);
    }
    return true;
}

} // namespace tessellune
