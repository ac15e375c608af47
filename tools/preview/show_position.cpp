// Row arithmetic for the preview's keys: --from parsing, beat and bar steps, scene changes, loop.
#include "tools/preview/show_position.h"

#include <charconv>
#include <cmath>
#include <string>

#include "demo/demo_state.h"
#include "demo/demo_tracks.h"

namespace tessellune {

namespace {
// Rows this close to a grid line count as on it: fractional rows come from the music clock.
constexpr double GRID_TOLERANCE = 1e-6;
} // namespace

double rowsPerBeat(double tempo) {
    return 60.0 / tempo * ROWS_PER_SECOND;
}

bool parseShowPosition(std::string_view text, double tempo, double& row) {
    if (text.empty()) {
        return false;
    }
    double scale = ROWS_PER_SECOND; // plain numbers are seconds, as for the capture tool
    const char unit = text.back();
    if (unit == 's' || unit == 'b' || unit == 'r') {
        scale = unit == 's' ? ROWS_PER_SECOND : unit == 'b' ? rowsPerBeat(tempo) : 1.0;
        text.remove_suffix(1);
    }
    const std::string number(text);
    char* end = nullptr;
    const double value = std::strtod(number.c_str(), &end);
    if (number.empty() || end != number.c_str() + number.size() || !std::isfinite(value) || value < 0) {
        return false;
    }
    row = value * scale;
    return true;
}

double stepRow(double row, double stepRows, int direction) {
    const double steps = row / stepRows;
    double target =
        direction > 0 ? std::floor(steps + GRID_TOLERANCE) + 1.0 : std::ceil(steps - GRID_TOLERANCE) - 1.0;
    return std::max(0.0, target * stepRows);
}

std::vector<int> sceneChangeRows(const SyncTrack* scene) {
    std::vector<int> changes;
    if (scene == nullptr) {
        return changes;
    }
    int previous = roundedTrackValue(scene, 0.0);
    for (int32_t i = 0; i < scene->keyCount; ++i) {
        const int row = scene->keys[i].row;
        const int value = roundedTrackValue(scene, row);
        if (row > 0 && value != previous && (changes.empty() || changes.back() != row)) {
            changes.push_back(row);
        }
        previous = value;
    }
    return changes;
}

double jumpToSceneChange(const std::vector<int>& changes, double row, int direction) {
    if (direction > 0) {
        for (const int change : changes) {
            if (change > row + GRID_TOLERANCE) {
                return change;
            }
        }
        return row;
    }
    for (auto it = changes.rbegin(); it != changes.rend(); ++it) {
        if (*it < row - GRID_TOLERANCE) {
            return *it;
        }
    }
    return 0.0; // the start of the show begins its first scene
}

void pressLoopKey(LoopRange& loop, double row) {
    if (!loop.hasStart) {
        loop.hasStart = true;
        loop.start = row;
    } else if (!loop.hasEnd && row > loop.start) {
        loop.hasEnd = true;
        loop.end = row;
    } else if (!loop.hasEnd) {
        loop.start = row; // an end at or before the start: take it as a new start
    } else {
        loop = LoopRange{};
    }
}

double applyLoop(const LoopRange& loop, double row, bool& wrapped) {
    wrapped = loop.hasStart && loop.hasEnd && row >= loop.end;
    return wrapped ? loop.start : row;
}

} // namespace tessellune
