// tessellune-capture: renders the demo offline to PNG frames, one PNG, or a video with its soundtrack.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "demo/data_path.h"
#include "tools/capture/capture_session.h"
#include "tools/common/frame_hash.h"
#include "tools/common/frame_time_chart.h"
#include "tools/common/png_writer.h"

using namespace tessellune;

namespace {

const char* const USAGE =
    "usage: tessellune-capture [--fps N] [--from SECONDS] [--to SECONDS]\n"
    "                          [--workers N]\n"
    "                          [--frames DIR | --at SECONDS --out FILE.png | --out FILE.mp4 | --report |\n"
    "                           --hashes] [--plot FILE.png]\n"
    "  with no output option the whole demo is written to tessellune.mp4 at 30 fps\n"
    "  --report renders every frame without writing or encoding it and prints the per-scene times\n"
    "  --plot FILE.png (with --report) also draws every frame's time, the scenes as bands\n"
    "  --hashes prints each frame's hash (\"show FRAME HASH\"), the lines of the golden-frame manifest\n"
    "  --workers N renders with N band workers (default: one per processor)\n";

struct Options {
    int fps = 30;
    double from = 0.0;
    double to = -1.0; // the end of the music
    double at = -1.0;
    std::string framesDir;
    std::string out;
    std::string plot;     // with --report: the frame-time picture
    bool report = false;  // render only: no encoder or PNG writer shares the cores
    bool hashes = false;  // render only, and print each frame's hash
    uint32_t workers = 0; // 0: one per processor
};

// More workers than this only wait for one another; the pool takes any count the rows allow.
constexpr double MAX_CAPTURE_WORKERS = 64;

bool parseNumber(const char* text, double& value) {
    char* end = nullptr;
    value = std::strtod(text, &end);
    return end != text && *end == '\0' && std::isfinite(value);
}

bool parse(int argc, char** argv, Options& o) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        double number = 0;
        if (arg == "--fps" && hasValue && parseNumber(argv[++i], number) && number >= 1 && number <= 240) {
            o.fps = static_cast<int>(number);
        } else if (arg == "--from" && hasValue && parseNumber(argv[++i], number) && number >= 0) {
            o.from = number;
        } else if (arg == "--to" && hasValue && parseNumber(argv[++i], number) && number >= 0) {
            o.to = number;
        } else if (arg == "--at" && hasValue && parseNumber(argv[++i], number) && number >= 0) {
            o.at = number;
        } else if (arg == "--frames" && hasValue) {
            o.framesDir = argv[++i];
        } else if (arg == "--report") {
            o.report = true;
        } else if (arg == "--plot" && hasValue) {
            o.plot = argv[++i];
        } else if (arg == "--hashes") {
            o.hashes = true;
        } else if (arg == "--workers" && hasValue && parseNumber(argv[++i], number) && number >= 1 &&
                   number <= MAX_CAPTURE_WORKERS && number == std::floor(number)) {
            o.workers = static_cast<uint32_t>(number);
        } else if (arg == "--out" && hasValue) {
            o.out = argv[++i];
        } else {
            return false;
        }
    }
    if (!o.plot.empty() && !o.report) {
        return false;
    }
    if (o.report || o.hashes) {
        return !(o.report && o.hashes) && o.at < 0 && o.out.empty() && o.framesDir.empty();
    }
    if (o.at >= 0) {
        return !o.out.empty() && o.framesDir.empty();
    }
    if (!o.framesDir.empty() && !o.out.empty()) {
        return false;
    }
    if (o.framesDir.empty() && o.out.empty()) {
        o.out = "tessellune.mp4";
    }
    return true;
}

void progress(int64_t done, int64_t total, int scene) {
    constexpr int WIDTH = 40;
    const double share = total > 0 ? static_cast<double>(done) / static_cast<double>(total) : 1.0;
    const int filled = static_cast<int>(share * WIDTH);
    std::fprintf(stderr, "\r[%.*s%.*s] %3d%%  frame %lld / %lld  scene %-3d", filled,
                 "########################################", WIDTH - filled,
                 "----------------------------------------", static_cast<int>(share * 100.0),
                 static_cast<long long>(done), static_cast<long long>(total), scene);
    if (done == total) {
        std::fputc('\n', stderr);
    }
}

struct SceneTimes {
    double total = 0.0;
    double worst = 0.0;
    double worstAt = 0.0;      // show time of the worst frame, in seconds
    std::vector<double> times; // every frame's: their count, and the percentile
};

// The show's per-scene targets, printed beside the figures (never asserted): the average, and the
// time 99 % of the frames stay within (the worst alone is one frame the scheduler took).
constexpr double TARGET_SCENE_FPS = 240.0;
constexpr double TARGET_P99_MS = 8.0;

void printSceneTimes(const std::map<int, SceneTimes>& times) {
    std::printf("per-scene frame times (render and resolve, this machine; target >= %.0f fps average, "
                "99 %% within %.0f ms):\n",
                TARGET_SCENE_FPS, TARGET_P99_MS);
    for (const auto& [scene, t] : times) {
        const double average = t.total / static_cast<double>(t.times.size());
        const double p99 = tools::percentile99(t.times);
        const bool met = 1000.0 / average >= TARGET_SCENE_FPS && p99 <= TARGET_P99_MS;
        std::printf("scene %3d: %6lld frames, %7.2f ms/frame average (%6.1f fps), worst %7.2f ms at %6.2f s, "
                    "99 %% within %6.2f ms%s\n",
                    scene, static_cast<long long>(t.times.size()), average, 1000.0 / average, t.worst,
                    t.worstAt, p99, met ? "" : "  (below target)");
    }
}

// The video encoder, fed raw frames on its standard input; the soundtrack is muxed from the MP3.
FILE* openVideo(const Options& o, const std::string& music) {
    char command[4096];
    std::snprintf(
        command, sizeof command,
        "ffmpeg -loglevel error -y -f rawvideo -pix_fmt bgr0 -s 640x480 -r %d -i - -ss %.3f -i \"%s\" "
        "-map 0:v -map 1:a -c:v libx264 -preset veryfast -crf 18 -pix_fmt yuv420p -c:a aac -b:a 192k "
        "-shortest \"%s\"",
        o.fps, o.from, music.c_str(), o.out.c_str());
    return popen(command, "w");
}

bool endsWith(const std::string& s, const std::string& suffix) {
    return s.size() >= suffix.size() && s.compare(s.size() - suffix.size(), suffix.size(), suffix) == 0;
}

} // namespace

int main(int argc, char** argv) {
    Options o;
    if (!parse(argc, argv, o)) {
        std::fputs(USAGE, stderr);
        return 2;
    }
    const std::string dataDir = dataDirectory();
    CaptureSession session;
    std::string error;
    // The picture comes after minutes of rendering: what would keep it from being written is
    // found out first.
    if (!o.plot.empty() && !tools::canWriteFrameTimes(o.plot, error)) {
        std::fprintf(stderr, "tessellune-capture: %s\n", error.c_str());
        return 1;
    }
    if (!openCapture(session, dataDir, o.fps, error, o.workers)) {
        std::fprintf(stderr, "tessellune-capture: %s\n", error.c_str());
        closeCapture(session);
        return 1;
    }

    if (o.at >= 0) {
        const int64_t frame = static_cast<int64_t>(std::llround(o.at * o.fps));
        captureFrame(session, frame);
        const std::vector<uint8_t> rgba =
            tools::rgbaFromXrgb(session.pixels.data(), FRAME_WIDTH, FRAME_HEIGHT, FRAME_WIDTH * 4);
        const bool ok = tools::writePngRgba(o.out, FRAME_WIDTH, FRAME_HEIGHT, rgba, error);
        closeCapture(session);
        if (!ok) {
            std::fprintf(stderr, "tessellune-capture: %s\n", error.c_str());
            return 1;
        }
        std::printf("wrote frame %lld (%.3f s) to %s\n", static_cast<long long>(frame), o.at, o.out.c_str());
        return 0;
    }

    const int64_t last = o.to >= 0 ? static_cast<int64_t>(o.to * o.fps) : captureFrameCount(session) - 1;
    const int64_t first = static_cast<int64_t>(o.from * o.fps);
    if (last < first) {
        std::fprintf(stderr, "tessellune-capture: nothing to capture between %.3f and %.3f s\n", o.from,
                     o.to);
        closeCapture(session);
        return 1;
    }
    FILE* video = nullptr;
    if (o.report || o.hashes) {
        // Nothing to open: frames are rendered, timed and dropped (or only hashed).
    } else if (o.framesDir.empty()) {
        if (!endsWith(o.out, ".mp4")) {
            std::fprintf(stderr, "tessellune-capture: --out needs a .mp4 name, or --at for one .png\n");
            closeCapture(session);
            return 2;
        }
        video = openVideo(o, dataDir + "demotune.mp3");
        if (video == nullptr) {
            std::fprintf(stderr, "tessellune-capture: cannot start ffmpeg\n");
            closeCapture(session);
            return 1;
        }
    } else {
        std::error_code ignored;
        std::filesystem::create_directories(o.framesDir, ignored);
    }

    std::map<int, SceneTimes> times;
    tools::FrameTimeRun run; // every frame, for --plot
    bool ok = true;
    const int64_t total = last - first + 1;
    for (int64_t frame = first; frame <= last && ok; ++frame) {
        const CapturedFrame info = captureFrame(session, frame);
        SceneTimes& t = times[info.scene];
        t.total += info.milliseconds;
        if (info.milliseconds > t.worst) {
            t.worst = info.milliseconds;
            t.worstAt = static_cast<double>(frame) / o.fps;
        }
        t.times.push_back(info.milliseconds);
        if (!o.plot.empty()) {
            run.at.push_back(static_cast<double>(frame) / o.fps);
            run.ms.push_back(info.milliseconds);
            run.group.push_back(info.scene);
        }
        if (o.report) {
            // timed only
        } else if (o.hashes) {
            std::printf(
                "show %lld %s\n", static_cast<long long>(frame),
                tools::hashText(tools::hashFrame(session.pixels.data(), FRAME_WIDTH, FRAME_HEIGHT)).c_str());
        } else if (video != nullptr) {
            ok = std::fwrite(session.pixels.data(), 4, session.pixels.size(), video) == session.pixels.size();
        } else {
            char name[64];
            std::snprintf(name, sizeof name, "/frame_%06lld.png", static_cast<long long>(frame));
            const std::vector<uint8_t> rgba =
                tools::rgbaFromXrgb(session.pixels.data(), FRAME_WIDTH, FRAME_HEIGHT, FRAME_WIDTH * 4);
            ok = tools::writePngRgba(o.framesDir + name, FRAME_WIDTH, FRAME_HEIGHT, rgba, error);
        }
        if (!o.hashes) {
            progress(frame - first + 1, total, info.scene);
        }
    }
    if (video != nullptr && pclose(video) != 0) {
        ok = false;
        error = "ffmpeg failed to write " + o.out;
    }
    closeCapture(session);
    if (!ok) {
        std::fprintf(stderr, "tessellune-capture: %s\n", error.empty() ? "writing failed" : error.c_str());
        return 1;
    }
    if (o.hashes) {
        return 0;
    }
    if (o.report) {
        // The figures and their targets are for developers; a viewer's capture says only where
        // its video or frames are.
        printSceneTimes(times);
        if (!o.plot.empty()) {
            char title[160];
            std::snprintf(title, sizeof title,
                          "tessellune-capture --report: the time of every frame, %.1f to %.1f s at %d fps",
                          static_cast<double>(first) / o.fps, static_cast<double>(last) / o.fps, o.fps);
            run.title = title;
            run.axisLabel = "show time, s";
            for (const auto& entry : times) {
                run.groupIds.push_back(entry.first);
                run.names.push_back("scene " + std::to_string(entry.first));
            }
            if (!tools::writeFrameTimes(o.plot, run, error)) {
                std::fprintf(stderr, "tessellune-capture: %s: %s\n", o.plot.c_str(), error.c_str());
                return 1;
            }
            std::printf("wrote %s\n", o.plot.c_str());
        }
        return 0;
    }
    std::printf("wrote %s\n",
                video != nullptr ? std::filesystem::absolute(o.out).c_str() : o.framesDir.c_str());
    return 0;
}
