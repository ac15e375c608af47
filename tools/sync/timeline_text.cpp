// Parsing and printing the timeline text format of the sync tool.
#include "tools/sync/timeline_text.h"

#include <charconv>
#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>

namespace tessellune {

namespace {

constexpr size_t MAX_TRACK_NAME = 128;
constexpr std::string_view NAN_PREFIX = "nan:0x";

std::vector<std::string_view> splitItems(std::string_view line) {
    std::vector<std::string_view> items;
    size_t at = 0;
    while (at < line.size()) {
        while (at < line.size() && (line[at] == ' ' || line[at] == '\t')) {
            ++at;
        }
        const size_t start = at;
        while (at < line.size() && line[at] != ' ' && line[at] != '\t') {
            ++at;
        }
        if (at > start) {
            items.push_back(line.substr(start, at - start));
        }
    }
    return items;
}

// The whole of text as one number, optionally signed ('+' or '-', not both).
template <typename Number>
bool parseWhole(std::string_view text, Number& number) {
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
        if (!text.empty() && text.front() == '-') {
            return false;
        }
    }
    if (text.empty()) {
        return false;
    }
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), number);
    return ec == std::errc() && end == text.data() + text.size();
}

bool parseFiniteDouble(std::string_view text, double& number) {
    return parseWhole(text, number) && std::isfinite(number);
}

// Rounds a position in rows to the nearest row (halves away from zero); false outside 32 bits.
bool roundToRow(double rows, int32_t& row) {
    const double rounded = std::round(rows);
    if (!(rounded >= static_cast<double>(std::numeric_limits<int32_t>::min()) &&
          rounded <= static_cast<double>(std::numeric_limits<int32_t>::max()))) {
        return false;
    }
    row = static_cast<int32_t>(rounded);
    return true;
}

std::string quoted(std::string_view text) {
    return "'" + std::string(text) + "'";
}

class TimelineParser {
public:
    TimelineParser(std::string_view label) : label_(label) {}

    bool parse(std::string_view text, Timeline& timeline, std::string& error) {
        static constexpr std::string_view BYTE_ORDER_MARK =
            "\xEF\xBB\xBF"; // some editors start UTF-8 with it
        size_t at = text.substr(0, BYTE_ORDER_MARK.size()) == BYTE_ORDER_MARK ? BYTE_ORDER_MARK.size() : 0;
        while (at <= text.size()) {
            size_t end = text.find('\n', at);
            if (end == std::string_view::npos) {
                end = text.size();
            }
            ++line_;
            if (!parseLine(text.substr(at, end - at))) {
                error = error_;
                return false;
            }
            at = end + 1;
        }
        result_.tempo = tempo_;
        timeline = std::move(result_);
        return true;
    }

private:
    bool fail(const std::string& message) {
        error_ = std::string(label_) + ":" + std::to_string(line_) + ": " + message;
        return false;
    }

    TimelineTrack* trackNamed(std::string_view name) {
        for (TimelineTrack& track : result_.tracks) {
            if (track.name == name) {
                return &track;
            }
        }
        if (!isValidTrackName(name)) {
            fail("invalid track name " + quoted(name) +
                 " (letters, digits, '_', '-' and '.', at most 128 characters)");
            return nullptr;
        }
        result_.tracks.push_back(TimelineTrack{std::string(name), {}, line_});
        return &result_.tracks.back();
    }

    bool parseLine(std::string_view line) {
        const size_t hash = line.find('#');
        if (hash != std::string_view::npos) {
            line = line.substr(0, hash);
        }
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        const std::vector<std::string_view> items = splitItems(line);
        if (items.empty()) {
            return true;
        }
        if (items.size() == 2 && items[0] == "track") {
            return trackNamed(items[1]) != nullptr;
        }
        if (items.size() == 2 && items[0] == "tempo") {
            double bpm;
            if (!parseFiniteDouble(items[1], bpm) || bpm <= 0.0) {
                return fail("tempo " + quoted(items[1]) + " is not a positive number of beats per minute");
            }
            tempo_ = bpm;
            return true;
        }
        if (items.size() == 4) {
            return parseKey(items);
        }
        return fail("expected 'track NAME', 'tempo BPM' or 'TRACK POSITION VALUE INTERPOLATION', found " +
                    std::to_string(items.size()) + " items");
    }

    bool parsePosition(std::string_view text, int32_t& row) {
        const char unit = text.empty() ? '\0' : text.back();
        if (unit == 's' || unit == 'b') {
            double amount;
            if (!parseFiniteDouble(text.substr(0, text.size() - 1), amount)) {
                return fail("position " + quoted(text) + " is not a number of " +
                            (unit == 's' ? "seconds" : "beats"));
            }
            double rows = amount * SYNC_ROWS_PER_SECOND;
            if (unit == 'b') {
                if (tempo_ <= 0.0) {
                    return fail("position " + quoted(text) + " is in beats but no tempo is set yet");
                }
                rows = amount * 60.0 / tempo_ * SYNC_ROWS_PER_SECOND;
            }
            if (!roundToRow(rows, row)) {
                return fail("position " + quoted(text) + " lies outside the 32-bit row range");
            }
            return true;
        }
        if (!parseWhole(text, row)) {
            return fail("position " + quoted(text) +
                        " is not a row (a whole 32-bit number), seconds ('8s') or beats ('32b')");
        }
        return true;
    }

    bool parseKey(const std::vector<std::string_view>& items) {
        SyncKey key;
        if (!parsePosition(items[1], key.row)) {
            return false;
        }
        if (!parseSyncValue(items[2], key.value)) {
            return fail("value " + quoted(items[2]) + " is not a single-precision number");
        }
        if (!parseInterpolation(items[3], key.type)) {
            return fail("interpolation " + quoted(items[3]) +
                        " is not step, linear, smooth, ramp or an integer -128..127");
        }
        TimelineTrack* track = trackNamed(items[0]);
        if (track == nullptr) {
            return false;
        }
        if (!track->keys.empty() && key.row <= track->keys.back().row) {
            return fail("key of track " + quoted(track->name) + " at row " + std::to_string(key.row) +
                        " is not after the track's previous key (row " +
                        std::to_string(track->keys.back().row) + ")");
        }
        track->keys.push_back(key);
        return true;
    }

    std::string_view label_;
    int line_ = 0;
    double tempo_ = 0.0;
    Timeline result_;
    std::string error_;
};

} // namespace

bool parseTimeline(std::string_view text, std::string_view label, Timeline& timeline, std::string& error) {
    return TimelineParser(label).parse(text, timeline, error);
}

bool isValidTrackName(std::string_view name) {
    if (name.empty() || name.size() > MAX_TRACK_NAME) {
        return false;
    }
    for (const char c : name) {
        const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
        const bool digit = c >= '0' && c <= '9';
        if (!letter && !digit && c != '_' && c != '-' && c != '.') {
            return false;
        }
    }
    return true;
}

std::string formatSyncValue(float value) {
    char text[32];
    if (std::isnan(value)) {
        uint32_t bits;
        std::memcpy(&bits, &value, sizeof bits);
        std::snprintf(text, sizeof text, "nan:0x%08" PRIx32, bits);
    } else {
        std::snprintf(text, sizeof text, "%.9g", static_cast<double>(value));
    }
    return text;
}

bool parseSyncValue(std::string_view text, float& value) {
    if (text.substr(0, NAN_PREFIX.size()) == NAN_PREFIX) {
        const std::string_view digits = text.substr(NAN_PREFIX.size());
        uint32_t bits = 0;
        if (digits.size() != 8 ||
            std::from_chars(digits.data(), digits.data() + digits.size(), bits, 16).ptr !=
                digits.data() + digits.size()) {
            return false;
        }
        float decoded;
        std::memcpy(&decoded, &bits, sizeof decoded);
        if (!std::isnan(decoded)) {
            return false;
        }
        value = decoded;
        return true;
    }
    return parseWhole(text, value);
}

std::string formatInterpolation(int32_t type) {
    switch (type) {
    case SYNC_STEP:
        return "step";
    case SYNC_LINEAR:
        return "linear";
    case SYNC_SMOOTH:
        return "smooth";
    case SYNC_RAMP:
        return "ramp";
    default:
        return std::to_string(type);
    }
}

bool parseInterpolation(std::string_view text, int32_t& type) {
    static constexpr std::string_view NAMES[] = {"step", "linear", "smooth", "ramp"};
    for (int32_t i = 0; i < 4; ++i) {
        if (text == NAMES[i]) {
            type = i;
            return true;
        }
    }
    int32_t number;
    if (!parseWhole(text, number) || number < -128 || number > 127) {
        return false;
    }
    type = number;
    return true;
}

std::string formatTrackText(std::string_view name, const SyncKey* keys, int32_t keyCount) {
    std::string text = "track " + std::string(name) + "\n";
    for (int32_t k = 0; k < keyCount; ++k) {
        text += std::string(name) + " " + std::to_string(keys[k].row) + " " + formatSyncValue(keys[k].value) +
                " " + formatInterpolation(keys[k].type) + "\n";
    }
    return text;
}

} // namespace tessellune
