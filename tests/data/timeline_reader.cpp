// Reads the timeline text the way the track compiler defines it, for checks on the show's timing.
#include "tests/data/timeline_reader.h"

#include <cmath>
#include <sstream>

namespace tessellune::datatest {

namespace {

bool parsePosition(const std::string& text, double tempo, int& row) {
    char* end = nullptr;
    const double amount = std::strtod(text.c_str(), &end);
    const std::string unit = end;
    double rows = amount;
    if (unit == "s") {
        rows = amount * 18.0;
    } else if (unit == "b" && tempo > 0.0) {
        rows = amount * 60.0 / tempo * 18.0;
    } else if (!unit.empty() || rows != std::floor(rows)) {
        return false;
    }
    row = static_cast<int>(std::lround(rows));
    return end != text.c_str();
}

} // namespace

bool readTimeline(const std::string& text, Timeline& timeline, std::string& error) {
    static const std::map<std::string, int> types = {{"step", 0}, {"linear", 1}, {"smooth", 2}, {"ramp", 3}};
    std::istringstream in(text);
    std::string line;
    double tempo = 0.0;
    int number = 0;
    while (std::getline(in, line)) {
        ++number;
        line = line.substr(0, line.find('#'));
        std::istringstream items(line);
        std::vector<std::string> words;
        for (std::string w; items >> w;) {
            words.push_back(w);
        }
        const std::string where = "line " + std::to_string(number) + ": ";
        if (words.empty()) {
            continue;
        }
        if (words.size() == 2 && words[0] == "tempo") {
            tempo = std::stod(words[1]);
        } else if (words.size() == 2 && words[0] == "track") {
            timeline.tracks[words[1]];
        } else if (words.size() == 4 && timeline.tracks.count(words[0]) && types.count(words[3])) {
            TimelineKey key;
            if (!parsePosition(words[1], tempo, key.row)) {
                error = where + "bad position " + words[1];
                return false;
            }
            key.value = std::stof(words[2]);
            key.type = types.at(words[3]);
            auto& keys = timeline.tracks[words[0]];
            if (!keys.empty() && keys.back().row >= key.row) {
                error = where + "keys of " + words[0] + " not in increasing row order";
                return false;
            }
            keys.push_back(key);
            timeline.lastRow = std::max(timeline.lastRow, key.row);
        } else {
            error = where + "not understood: " + line;
            return false;
        }
    }
    return true;
}

float valueAt(const std::vector<TimelineKey>& keys, double row) {
    if (keys.empty()) {
        return 0.0f;
    }
    const int r = static_cast<int>(std::floor(row));
    int i = -1;
    while (i + 1 < static_cast<int>(keys.size()) && keys[i + 1].row <= r) {
        ++i;
    }
    if (i < 0) {
        return keys.front().value;
    }
    if (i > static_cast<int>(keys.size()) - 2) {
        return keys.back().value;
    }
    const TimelineKey& a = keys[i];
    const TimelineKey& b = keys[i + 1];
    const double t = (row - a.row) / (b.row - a.row);
    double f = 0.0;
    switch (a.type) {
    case 0:
        return a.value;
    case 1:
        f = t;
        break;
    case 2:
        f = t * t * (3.0 - 2.0 * t);
        break;
    case 3:
        f = std::pow(t, 2.0);
        break;
    default:
        return 0.0f;
    }
    return static_cast<float>(a.value + static_cast<float>(b.value - a.value) * f);
}

} // namespace tessellune::datatest
