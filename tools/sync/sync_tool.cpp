// The commands of the sync tool on top of the timeline parser, the writer and the demo's loader.
#include "tools/sync/sync_tool.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <filesystem>

#include "sync/track_file.h"
#include "tools/common/png_writer.h"
#include "tools/sync/timeline_plot.h"
#include "tools/sync/timeline_text.h"
#include "tools/sync/track_writer.h"

namespace tessellune {

namespace {

constexpr int EXIT_OK = 0;
constexpr int EXIT_BAD_INPUT = 1;
constexpr int EXIT_USAGE = 2;

const char* const USAGE =
    "usage: tessellune-sync compile TIMELINE.txt OUTDIR [--base sync]\n"
    "       tessellune-sync dump FILE.track [--base sync]\n"
    "       tessellune-sync eval FILE.track ROW...\n"
    "       tessellune-sync plot (TIMELINE.txt | FILE.track... | DIR...) --out PICTURE.png\n"
    "                            [--tempo BPM] [--beats-per-bar 4] [--seconds S] [--scene scene] [--base "
    "sync]\n";

bool readWholeFile(const std::string& path, std::string& text) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        return false;
    }
    text.clear();
    char buffer[4096];
    size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
        text.append(buffer, got);
    }
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    return !failed;
}

// Splits "--base NAME" off the arguments; false when it is malformed.
bool takeBase(std::vector<std::string>& args, std::string& base) {
    base = DEFAULT_SYNC_BASE;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--base") {
            if (i + 1 >= args.size() || args[i + 1].empty()) {
                return false;
            }
            base = args[i + 1];
            args.erase(args.begin() + static_cast<long>(i), args.begin() + static_cast<long>(i) + 2);
            return true;
        }
    }
    return true;
}

int compileCommand(const std::vector<std::string>& args, const std::string& base, std::string& out,
                   std::string& err) {
    const std::string& timelinePath = args[0];
    const std::string& outDir = args[1];
    std::string text;
    if (!readWholeFile(timelinePath, text)) {
        err += timelinePath + ": cannot read\n";
        return EXIT_BAD_INPUT;
    }
    Timeline timeline;
    std::string error;
    if (!parseTimeline(text, timelinePath, timeline, error) ||
        !writeTimelineTracks(timeline, outDir, base, error)) {
        err += error + "\n";
        return EXIT_BAD_INPUT;
    }
    size_t keys = 0;
    for (const TimelineTrack& track : timeline.tracks) {
        keys += track.keys.size();
    }
    out += "compiled " + std::to_string(timeline.tracks.size()) + " tracks (" + std::to_string(keys) +
           " keys) from " + timelinePath + " into " + outDir + "\n";
    return EXIT_OK;
}

// Comment lines that explain what the loader made of an unusual file.
std::string describeLoad(const SyncFileReport& report, const SyncTrack& track) {
    std::string notes;
    if (!report.countPresent) {
        return "# the file is too short to hold a key count: the demo reads an empty track\n";
    }
    if (report.announcedCount < 0) {
        notes += "# the file announces " + std::to_string(report.announcedCount) +
                 " keys: the demo reads an empty track\n";
    } else if (report.keysRead < report.announcedCount) {
        notes += "# the file announces " + std::to_string(report.announcedCount) + " keys but holds " +
                 std::to_string(report.keysRead) + " whole keys: the demo keeps those\n";
    }
    if (report.bytesAfterKeys > 0) {
        notes += "# " + std::to_string(report.bytesAfterKeys) +
                 " bytes after the last whole key are ignored and not reproduced by compile\n";
    }
    for (int32_t k = 1; k < track.keyCount; ++k) {
        if (track.keys[k].row <= track.keys[k - 1].row) {
            notes += "# warning: key " + std::to_string(k) + " (row " + std::to_string(track.keys[k].row) +
                     ") is not after key " + std::to_string(k - 1) + " (row " +
                     std::to_string(track.keys[k - 1].row) + "): compile refuses this order\n";
        }
    }
    return notes;
}

int dumpCommand(const std::string& path, const std::string& base, std::string& out, std::string& err) {
    const std::string fileName = std::filesystem::path(path).filename().string();
    std::string name;
    if (!trackNameFromFileName(fileName, base, name)) {
        err += path + ": the file name is not " + base + "_NAME.track\n";
        return EXIT_BAD_INPUT;
    }
    SyncTrack track;
    SyncFileReport report;
    loadSyncTrackFile(path.c_str(), track, &report);
    if (!report.opened) {
        err += path + ": cannot read\n";
        return EXIT_BAD_INPUT;
    }
    const std::string notes = describeLoad(report, track);
    if (notes.find("# warning") != std::string::npos) {
        err += path + ": keys are not in strictly increasing row order\n";
    }
    if (!isValidTrackName(name)) {
        err += path + ": warning: " + name + " is not a track name compile accepts\n";
    }
    out += "# " + fileName + ": " + std::to_string(track.keyCount) +
           (track.keyCount == 1 ? " key\n" : " keys\n") + notes +
           formatTrackText(name, track.keys.get(), track.keyCount);
    return EXIT_OK;
}

bool parseRow(const std::string& text, double& row) {
    const char* end = text.data() + text.size();
    const auto [stop, ec] = std::from_chars(text.data(), end, row);
    return !text.empty() && ec == std::errc() && stop == end && std::isfinite(row);
}

int evalCommand(const std::vector<std::string>& args, std::string& out, std::string& err) {
    std::vector<double> rows;
    for (size_t i = 1; i < args.size(); ++i) {
        double row;
        if (!parseRow(args[i], row)) {
            err += "row '" + args[i] + "' is not a number\n";
            return EXIT_USAGE;
        }
        rows.push_back(row);
    }
    // A missing or unreadable file is an empty track that evaluates to 0, as in the demo.
    SyncTrack track;
    loadSyncTrackFile(args[0].c_str(), track, nullptr);
    for (size_t i = 0; i < rows.size(); ++i) {
        out += args[i + 1] + " " + formatSyncValue(syncTrackValue(&track, rows[i])) + "\n";
    }
    return EXIT_OK;
}

struct PlotRequest {
    std::vector<std::string> inputs;
    std::string out;
    std::string base = DEFAULT_SYNC_BASE;
    TimelinePlotOptions options;
    bool tempoGiven = false;
};

bool parsePositive(const std::string& text, double& value) {
    return parseRow(text, value) && value > 0.0;
}

// False with a message on a malformed option; plain arguments are inputs.
bool parsePlotArguments(const std::vector<std::string>& args, PlotRequest& request, std::string& err) {
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const bool option = arg == "--out" || arg == "--tempo" || arg == "--beats-per-bar" ||
                            arg == "--seconds" || arg == "--scene" || arg == "--base";
        if (!option) {
            if (arg.starts_with("--")) {
                err += "unknown option " + arg + "\n";
                return false;
            }
            request.inputs.push_back(arg);
            continue;
        }
        if (i + 1 >= args.size() || args[i + 1].empty()) {
            err += arg + " needs a value\n";
            return false;
        }
        const std::string& value = args[++i];
        double number = 0.0;
        if (arg == "--out") {
            request.out = value;
        } else if (arg == "--scene") {
            request.options.sceneTrack = value;
        } else if (arg == "--base") {
            request.base = value;
        } else if (!parsePositive(value, number)) {
            err += arg + " takes a positive number, not '" + value + "'\n";
            return false;
        } else if (arg == "--tempo") {
            request.options.tempo = number;
            request.tempoGiven = true;
        } else if (arg == "--seconds") {
            request.options.seconds = number;
        } else if (number != std::floor(number) || number > 64) {
            err += "--beats-per-bar takes a whole number from 1 to 64, not '" + value + "'\n";
            return false;
        } else {
            request.options.beatsPerBar = static_cast<int>(number);
        }
    }
    if (request.inputs.empty() || request.out.empty()) {
        err += "plot needs at least one input and --out PICTURE.png\n";
        return false;
    }
    return true;
}

bool isTrackInput(const std::string& path) {
    std::error_code ignored;
    return path.ends_with(".track") || std::filesystem::is_directory(path, ignored);
}

// Reads track files (and the BASE_NAME.track files of folders) into a timeline, in the order
// given, a folder's files by name. What the loader does not read whole is reported as a warning.
bool loadTrackInputs(const PlotRequest& request, Timeline& timeline, std::string& err) {
    std::vector<std::string> files;
    for (const std::string& input : request.inputs) {
        std::error_code code;
        if (!std::filesystem::is_directory(input, code)) {
            files.push_back(input);
            continue;
        }
        std::vector<std::string> found;
        std::string name;
        for (const auto& entry : std::filesystem::directory_iterator(input, code)) {
            if (trackNameFromFileName(entry.path().filename().string(), request.base, name)) {
                found.push_back(entry.path().string());
            }
        }
        if (found.empty()) {
            err += input + ": no " + request.base + "_NAME.track files in this folder\n";
            return false;
        }
        std::sort(found.begin(), found.end());
        files.insert(files.end(), found.begin(), found.end());
    }
    for (const std::string& path : files) {
        std::string name;
        if (!trackNameFromFileName(std::filesystem::path(path).filename().string(), request.base, name)) {
            err += path + ": the file name is not " + request.base + "_NAME.track\n";
            return false;
        }
        SyncTrack track;
        SyncFileReport report;
        loadSyncTrackFile(path.c_str(), track, &report);
        if (!report.opened) {
            err += path + ": cannot read\n";
            return false;
        }
        const std::string notes = describeLoad(report, track);
        if (!notes.empty()) {
            err += path + ": drawn as the demo reads it:\n" + notes;
        }
        TimelineTrack entry{name, {}, 0};
        entry.keys.assign(track.keys.get(), track.keys.get() + track.keyCount);
        timeline.tracks.push_back(std::move(entry));
    }
    return true;
}

int plotCommand(const std::vector<std::string>& args, std::string& out, std::string& err) {
    PlotRequest request;
    if (!parsePlotArguments(args, request, err)) {
        err += USAGE;
        return EXIT_USAGE;
    }
    const bool tracks = isTrackInput(request.inputs[0]);
    for (const std::string& input : request.inputs) {
        if (isTrackInput(input) != tracks || (!tracks && request.inputs.size() > 1)) {
            err += "plot takes one timeline text, or track files and folders of them, not both\n";
            return EXIT_USAGE;
        }
    }
    Timeline timeline;
    std::string source = request.inputs[0];
    if (tracks) {
        if (!loadTrackInputs(request, timeline, err)) {
            return EXIT_BAD_INPUT;
        }
        source =
            request.inputs.size() == 1 ? source : std::to_string(timeline.tracks.size()) + " track files";
    } else {
        std::string text;
        std::string error;
        if (!readWholeFile(source, text)) {
            err += source + ": cannot read\n";
            return EXIT_BAD_INPUT;
        }
        if (!parseTimeline(text, source, timeline, error)) {
            err += error + "\n";
            return EXIT_BAD_INPUT;
        }
        if (!request.tempoGiven) {
            request.options.tempo = timeline.tempo;
        }
    }
    size_t keys = 0;
    for (const TimelineTrack& track : timeline.tracks) {
        keys += track.keys.size();
    }
    const double seconds = timelineLayout(timeline, request.options).rows / SYNC_ROWS_PER_SECOND;
    char summary[160];
    std::snprintf(summary, sizeof summary, ": %zu tracks, %zu keys, %.1f s", timeline.tracks.size(), keys,
                  seconds);
    request.options.title =
        std::filesystem::path(source).filename().string() + summary +
        (request.options.tempo > 0.0 ? ", " + tools::shortNumber(request.options.tempo, 2) + " bpm"
                                     : std::string(", no tempo: no bar lines"));
    tools::Canvas canvas;
    std::string error;
    if (!drawTimeline(timeline, request.options, canvas, error) ||
        !tools::writePngRgba(request.out, canvas.width, canvas.height, canvas.rgba, error)) {
        err += error + "\n";
        return EXIT_BAD_INPUT;
    }
    out += "drew " + std::to_string(timeline.tracks.size()) + " tracks (" + std::to_string(keys) +
           " keys) into " + request.out + "\n";
    return EXIT_OK;
}

} // namespace

int runSyncTool(const std::vector<std::string>& arguments, std::string& out, std::string& err) {
    std::vector<std::string> args = arguments;
    if (args.empty()) {
        err += USAGE;
        return EXIT_USAGE;
    }
    const std::string command = args[0];
    args.erase(args.begin());
    std::string base;
    if (command == "compile" && takeBase(args, base) && args.size() == 2) {
        return compileCommand(args, base, out, err);
    }
    if (command == "dump" && takeBase(args, base) && args.size() == 1) {
        return dumpCommand(args[0], base, out, err);
    }
    if (command == "eval" && args.size() >= 2) {
        return evalCommand(args, out, err);
    }
    if (command == "plot") {
        return plotCommand(args, out, err);
    }
    err += USAGE;
    return EXIT_USAGE;
}

} // namespace tessellune
