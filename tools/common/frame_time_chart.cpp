// Draws a run's frame times: bands per group, the target line, each group's 99 % bound and worst frame.
#include "tools/common/frame_time_chart.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <map>

#include <unistd.h>

#include "tools/common/png_writer.h"

namespace tessellune::tools {

double percentile99(std::vector<double> times) {
    if (times.empty()) {
        return 0.0;
    }
    const size_t rank = (times.size() * 99 + 99) / 100 - 1; // the smallest covering 99 %
    std::nth_element(times.begin(), times.begin() + static_cast<std::ptrdiff_t>(rank), times.end());
    return times[rank];
}

std::vector<FrameGroupStats> frameGroupStats(const FrameTimeRun& run) {
    std::vector<FrameGroupStats> stats;
    std::vector<std::vector<double>> times;
    std::map<int, size_t> slot;
    const size_t count = std::min({run.at.size(), run.ms.size(), run.group.size()});
    for (size_t i = 0; i < count; ++i) {
        auto [where, added] = slot.try_emplace(run.group[i], stats.size());
        if (added) {
            stats.push_back({});
            stats.back().id = run.group[i];
            times.emplace_back();
        }
        FrameGroupStats& s = stats[where->second];
        if (s.frames == 0 || run.ms[i] > s.worstMs) {
            s.worstMs = run.ms[i];
            s.worstAt = run.at[i];
            s.worstIndex = i;
        }
        ++s.frames;
        s.averageMs += run.ms[i];
        times[where->second].push_back(run.ms[i]);
    }
    for (size_t g = 0; g < stats.size(); ++g) {
        stats[g].averageMs /= static_cast<double>(stats[g].frames);
        stats[g].p99Ms = percentile99(std::move(times[g]));
    }
    return stats;
}

int FrameTimeLayout::xAt(double at) const {
    const double span = lastAt > firstAt ? lastAt - firstAt : 1.0;
    return left + static_cast<int>(std::lround((at - firstAt) / span * (right - 1 - left)));
}

int FrameTimeLayout::yMs(double ms) const {
    const double share = std::clamp(ms / maxMs, 0.0, 1.0);
    return bottom - 1 - static_cast<int>(std::lround(share * (bottom - 1 - top)));
}

FrameTimeLayout frameTimeLayout(const FrameTimeRun& run) {
    FrameTimeLayout layout;
    layout.left = FRAMES_LEFT;
    layout.right = FRAMES_WIDTH - FRAMES_RIGHT;
    layout.top = FRAMES_TOP;
    layout.bottom = FRAMES_HEIGHT - FRAMES_BOTTOM;
    if (!run.at.empty()) {
        layout.firstAt = run.at.front();
        layout.lastAt = std::max(run.at.back(), run.at.front() + 1e-6);
    }
    double highest = run.targetMs;
    for (const FrameGroupStats& s : frameGroupStats(run)) {
        highest = std::max(highest, s.p99Ms);
    }
    const double wanted = highest * FRAMES_HEADROOM;
    const double step = niceStep(wanted, 6);
    layout.maxMs = std::ceil(wanted / step) * step;
    return layout;
}

namespace {

std::string groupName(const FrameTimeRun& run, int id) {
    for (size_t i = 0; i < run.groupIds.size() && i < run.names.size(); ++i) {
        if (run.groupIds[i] == id) {
            return run.names[i];
        }
    }
    return std::to_string(id);
}

Colour groupColour(const FrameTimeRun& run, int id) {
    if (run.colourById) {
        return paletteColour(id);
    }
    for (size_t i = 0; i < run.groupIds.size(); ++i) {
        if (run.groupIds[i] == id) {
            return paletteColour(static_cast<int>(i));
        }
    }
    return paletteColour(id);
}

// A colour darkened towards the ink, for lines drawn over its own tint.
Colour deepen(Colour c) {
    return {static_cast<uint8_t>(c.r * 0.7), static_cast<uint8_t>(c.g * 0.7),
            static_cast<uint8_t>(c.b * 0.7)};
}

struct Band {
    int id;
    size_t first;
    size_t end;
};

std::vector<Band> bandsOf(const FrameTimeRun& run) {
    std::vector<Band> bands;
    for (size_t i = 0; i < run.group.size(); ++i) {
        if (bands.empty() || bands.back().id != run.group[i]) {
            bands.push_back({run.group[i], i, i + 1});
        } else {
            bands.back().end = i + 1;
        }
    }
    return bands;
}

std::string ms(double value) {
    char text[32];
    std::snprintf(text, sizeof text, value < 10.0 ? "%.2f" : "%.1f", value);
    return text;
}

} // namespace

bool drawFrameTimes(const FrameTimeRun& run, Canvas& canvas, std::string& error) {
    if (run.ms.empty()) {
        error = "no frames to draw";
        return false;
    }
    if (run.at.size() != run.ms.size() || run.group.size() != run.ms.size()) {
        error = "the frames' positions, times and groups differ in number";
        return false;
    }
    for (size_t i = 0; i < run.ms.size(); ++i) {
        if (!std::isfinite(run.ms[i]) || run.ms[i] < 0.0 || run.ms[i] > FRAMES_LONGEST_MS ||
            !std::isfinite(run.at[i]) || (i > 0 && run.at[i] < run.at[i - 1])) {
            error = "frame " + std::to_string(i) + " has a time or position that cannot be drawn";
            return false;
        }
    }
    Font text;
    Font title;
    if (!openChartFonts(text, title, error)) {
        return false;
    }
    const FrameTimeLayout layout = frameTimeLayout(run);
    const std::vector<FrameGroupStats> stats = frameGroupStats(run);
    const std::vector<Band> bands = bandsOf(run);
    canvas = makeCanvas(FRAMES_WIDTH, FRAMES_HEIGHT, CHART_GROUND);
    drawText(canvas, title, layout.left, 24, run.title, CHART_INK);

    // The bands, each from its first frame to the next band's first frame, named above the plot
    // where the name fits.
    for (size_t b = 0; b < bands.size(); ++b) {
        const int x0 = layout.xAt(run.at[bands[b].first]);
        const int x1 = b + 1 < bands.size() ? layout.xAt(run.at[bands[b + 1].first]) : layout.right;
        const Colour colour = groupColour(run, bands[b].id);
        fillRect(canvas, x0, layout.top, x1, layout.bottom, tint(colour, CHART_BAND_TINT));
        fillRect(canvas, x0, layout.top - 8, x1, layout.top, colour);
        // A narrow band gets the name's last word ("6" of "scene 6"), or nothing.
        const std::string name = groupName(run, bands[b].id);
        const std::string shortName = name.substr(name.find_last_of(' ') + 1);
        for (const std::string& label : {name, shortName}) {
            if (textWidth(text, label) + 4 <= x1 - x0) {
                drawText(canvas, text, (x0 + x1) / 2, layout.top - 12, label, CHART_INK, Align::Centre);
                break;
            }
        }
    }

    // The time grid and its labels.
    const double step = niceStep(layout.maxMs, 6);
    for (int k = 0; k * step <= layout.maxMs + step * 0.01 && k <= CHART_MAX_TICKS; ++k) {
        const double v = k * step;
        const int y = layout.yMs(v);
        drawHorizontal(canvas, layout.left, layout.right - 1, y, CHART_GRID, 0, 0.8f);
        drawText(canvas, text, layout.left - 6, y + text.ascender / 2, shortNumber(v, 2) + " ms",
                 CHART_FAINT_INK, Align::Right);
    }
    const double span = layout.lastAt - layout.firstAt;
    const double tick = niceStep(span, 16);
    const double firstTick = std::ceil(layout.firstAt / tick) * tick;
    for (int k = 0; firstTick + k * tick <= layout.lastAt + tick * 1e-6 && k <= CHART_MAX_TICKS; ++k) {
        const double t = firstTick + k * tick;
        const int x = layout.xAt(t);
        drawVertical(canvas, x, layout.bottom, layout.bottom + 4, CHART_INK);
        drawText(canvas, text, x, layout.bottom + 18, shortNumber(t, 2), CHART_INK, Align::Centre);
    }
    drawText(canvas, text, layout.right, layout.bottom + 36, run.axisLabel, CHART_FAINT_INK, Align::Right);

    // Every frame as a dot; those above the picture as a mark on its top edge.
    for (size_t i = 0; i < run.ms.size(); ++i) {
        const int x = layout.xAt(run.at[i]);
        if (run.ms[i] > layout.maxMs) {
            drawMarker(canvas, x, layout.top + 3, 2, Marker::TriangleUp, CHART_ALERT);
            continue;
        }
        const int y = layout.yMs(run.ms[i]);
        fillRect(canvas, x, y - 1, x + 2, y + 1, CHART_INK, 0.55f);
    }

    // The target, then per band its group's 99 % bound, and each group's worst frame.
    const int targetY = layout.yMs(run.targetMs);
    fillRect(canvas, layout.left, targetY, layout.right, targetY + 2, CHART_TARGET);
    const std::string target = run.targetLabel + " (" + ms(run.targetMs) + " ms)";
    const int targetWidth = textWidth(text, target);
    fillRect(canvas, layout.right - targetWidth - 8, targetY - text.ascender - 6, layout.right - 2,
             targetY - 1, CHART_GROUND, 0.85f);
    drawText(canvas, text, layout.right - 4, targetY - 5, target, CHART_TARGET, Align::Right);
    for (const Band& band : bands) {
        const auto s = std::find_if(stats.begin(), stats.end(),
                                    [&](const FrameGroupStats& g) { return g.id == band.id; });
        const int x0 = layout.xAt(run.at[band.first]);
        const int x1 = layout.xAt(run.at[band.end - 1]);
        const int y = layout.yMs(s->p99Ms);
        const Colour colour = deepen(groupColour(run, band.id));
        drawHorizontal(canvas, x0, x1, y, colour, 6);
        drawHorizontal(canvas, x0, x1, y + 1, colour, 6);
    }
    // Worst frames of neighbouring scenes can fall close together: a label that would cover one
    // already written moves down a line until it is clear.
    struct Box {
        int x0, y0, x1, y1;
    };
    std::vector<Box> written;
    for (const FrameGroupStats& s : stats) {
        const int x = layout.xAt(s.worstAt);
        const int y = s.worstMs > layout.maxMs ? layout.top + 10 : layout.yMs(s.worstMs);
        drawMarker(canvas, x, y, 6, Marker::Ring, CHART_ALERT);
        const std::string label = ms(s.worstMs) + " ms";
        const int width = textWidth(text, label);
        const bool roomRight = x + 10 + width < layout.right;
        Box box{roomRight ? x + 10 : x - 10 - width, y + 4 - text.ascender,
                roomRight ? x + 10 + width : x - 10, y + 4 + text.descender};
        const auto covers = [&box](const Box& other) {
            return box.x0 < other.x1 + 4 && other.x0 < box.x1 + 4 && box.y0 < other.y1 && other.y0 < box.y1;
        };
        for (int tries = 0;
             tries < static_cast<int>(stats.size()) && std::any_of(written.begin(), written.end(), covers);
             ++tries) {
            box.y0 += text.ascender + text.descender + 2;
            box.y1 += text.ascender + text.descender + 2;
        }
        written.push_back(box);
        drawText(canvas, text, box.x0, box.y0 + text.ascender, label, CHART_ALERT);
    }

    // The legend: per group its colour, average, 99 % bound and worst frame; then the marks.
    int x = layout.left;
    int legendY = layout.bottom + 58;
    for (const FrameGroupStats& s : stats) {
        const std::string entry = groupName(run, s.id) + ": " + ms(s.averageMs) + " ms avg, 99 % within " +
                                  ms(s.p99Ms) + ", worst " + ms(s.worstMs);
        const int width = 16 + textWidth(text, entry) + 22;
        if (x > layout.left && x + width > layout.right) {
            x = layout.left;
            legendY += 18;
        }
        fillRect(canvas, x, legendY - 10, x + 12, legendY + 2, groupColour(run, s.id));
        drawText(canvas, text, x + 16, legendY, entry, CHART_INK);
        x += width;
    }
    drawText(canvas, text, layout.left, layout.bottom + 36,
             "dots: frames   dashes: each group's 99 % bound   rings: each group's worst frame   "
             "triangles: frames above the picture",
             CHART_FAINT_INK);
    return true;
}

bool canWriteFrameTimes(const std::string& path, std::string& error) {
    Font font;
    if (!openFont(CHART_FONT_PATH, CHART_TEXT_PX, font, error)) {
        return false;
    }
    const std::filesystem::path folder = std::filesystem::absolute(path).parent_path();
    std::error_code code;
    if (!std::filesystem::is_directory(folder, code)) {
        error = path + ": the folder " + folder.string() + " does not exist";
        return false;
    }
    if (std::filesystem::is_directory(path, code)) {
        error = path + ": is a folder, not a picture's file name";
        return false;
    }
    if (access(folder.c_str(), W_OK) != 0) {
        error = path + ": the folder " + folder.string() + " is not writable";
        return false;
    }
    return true;
}

bool writeFrameTimes(const std::string& path, const FrameTimeRun& run, std::string& error) {
    Canvas canvas;
    return drawFrameTimes(run, canvas, error) &&
           writePngRgba(path, canvas.width, canvas.height, canvas.rgba, error);
}

} // namespace tessellune::tools
