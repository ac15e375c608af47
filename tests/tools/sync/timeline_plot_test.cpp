// The timeline picture against the keys it was drawn from, and the plot command's errors.
//
// Scene bands where the keys change scene, curves at their values, keys marked by interpolation
// and beat.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

#include "assets/png_decoder.h"
#include "tests/sync/scratch_files.h"
#include "tools/common/chart.h"
#include "tools/sync/sync_tool.h"
#include "tools/sync/timeline_plot.h"
#include "tools/sync/timeline_text.h"

using namespace tessellune;
using namespace tessellune::testing;
using tools::Colour;
using namespace tessellune::tools;

namespace {

bool same(Colour a, Colour b) {
    return a.r == b.r && a.g == b.g && a.b == b.b;
}

Timeline parsed(const std::string& text) {
    Timeline timeline;
    std::string error;
    EXPECT_TRUE(parseTimeline(text, "test", timeline, error)) << error;
    return timeline;
}

tools::Canvas drawn(const Timeline& timeline, const TimelinePlotOptions& options) {
    tools::Canvas canvas;
    std::string error;
    EXPECT_TRUE(drawTimeline(timeline, options, canvas, error)) << error;
    return canvas;
}

// The darkest pixel's row of a column between two rows: where the curve crosses the column.
int darkestRow(const tools::Canvas& canvas, int x, int top, int bottom) {
    int best = -1;
    int darkest = 3 * 256;
    for (int y = top; y < bottom; ++y) {
        const Colour c = tools::pixelAt(canvas, x, y);
        if (c.r + c.g + c.b < darkest) {
            darkest = c.r + c.g + c.b;
            best = y;
        }
    }
    return best;
}

struct PlotRun {
    int status;
    std::string out;
    std::string err;
};

PlotRun plot(const std::vector<std::string>& args) {
    PlotRun run;
    std::vector<std::string> all = {"plot"};
    all.insert(all.end(), args.begin(), args.end());
    run.status = runSyncTool(all, run.out, run.err);
    return run;
}

std::string contentTimeline() {
    return readFile(TESSELLUNE_SOURCE_DIR "/content/timeline.txt");
}

} // namespace

TEST(TimelinePlot, SceneValuesSelectScenesAsTheDemoRoundsThem) {
    const struct {
        float value;
        int scene;
    } cases[] = {{10.0f, 10}, {10.49f, 10}, {10.5f, 11}, {-0.4f, 0},
                 {-0.6f, 0},  {-1.6f, -1},  {3e9f, 0},   {NAN, 0}};
    for (const auto& c : cases) {
        EXPECT_EQ(sceneOfValue(c.value), c.scene) << c.value;
    }
}

TEST(TimelinePlot, KeysOffAWholeBeatAreFoundAtAnyTempo) {
    const struct {
        double tempo;
        int32_t row;
        bool off;
    } cases[] = {
        {135, 0, false},  {135, 8, false},  {135, 256, false}, {135, 4, true},
        {135, 257, true},                                                        // 8 rows a beat
        {120, 9, false},  {120, 18, false}, {120, 4, true},    {100, 11, false}, // 10.8 rows, rounded
        {100, 22, false}, {100, 21, true},  {0, 3, false},                       // no tempo: nothing is off
    };
    for (const auto& c : cases) {
        EXPECT_EQ(isOffBeat(c.row, c.tempo), c.off) << c.tempo << " bpm, row " << c.row;
    }
}

// Today's timeline: the strip's colour on each side of every scene change is the colour of the
// scene its keys name there, and the first change falls where 32 beats at 135 bpm put it.
TEST(TimelinePlot, TheShowsSceneBandsChangeWhereItsSceneKeysChangeTheScene) {
    const Timeline timeline = parsed(contentTimeline());
    TimelinePlotOptions options;
    options.tempo = timeline.tempo;
    ASSERT_EQ(options.tempo, 135.0);
    const TimelineLayout layout = timelineLayout(timeline, options);
    EXPECT_EQ(layout.rows, 352 * 8); // the last key is at 352 beats, 8 rows each
    const tools::Canvas canvas = drawn(timeline, options);
    const int y = layout.sceneTop + 2; // above the scene numbers
    const TimelineTrack* scene = nullptr;
    for (const TimelineTrack& track : timeline.tracks) {
        scene = track.name == "scene" ? &track : scene;
    }
    ASSERT_NE(scene, nullptr);
    ASSERT_GE(scene->keys.size(), 10u);
    int changes = 0;
    for (size_t k = 1; k < scene->keys.size(); ++k) {
        const int before = static_cast<int>(scene->keys[k - 1].value);
        const int after = static_cast<int>(scene->keys[k].value);
        if (before == after) {
            continue;
        }
        ++changes;
        const int x = layout.xAtRow(scene->keys[k].row);
        SCOPED_TRACE("row " + std::to_string(scene->keys[k].row));
        EXPECT_TRUE(same(tools::pixelAt(canvas, x - 2, y), tools::paletteColour(before)));
        EXPECT_TRUE(same(tools::pixelAt(canvas, x + 2, y), tools::paletteColour(after)));
    }
    EXPECT_GE(changes, 10);
    const int first = layout.plotLeft + (layout.plotRight - layout.plotLeft) * 256 / (352 * 8); // 32 beats
    EXPECT_TRUE(same(tools::pixelAt(canvas, first - 2, y), tools::paletteColour(11)));
    EXPECT_TRUE(same(tools::pixelAt(canvas, first + 2, y), tools::paletteColour(10)));
}

// A linear ramp from 0 to 1 over ten seconds crosses a quarter and half of its lane's height at a
// quarter and half of the way; a step holds its value to the next key.
TEST(TimelinePlot, CurvesCrossTheirLanesAtTheValuesTheKeysInterpolate) {
    const Timeline timeline = parsed("track ramp\nramp 0 0 linear\nramp 10s 1 step\n"
                                     "track hold\nhold 0 2 step\nhold 5s 4 step\nhold 10s 3 step\n");
    TimelinePlotOptions options;
    const TimelineLayout layout = timelineLayout(timeline, options);
    ASSERT_EQ(layout.laneTop.size(), 2u);
    const tools::Canvas canvas = drawn(timeline, options);
    const int yTop = layout.laneTop[0] + TIMELINE_LANE_PAD;
    const int yBottom = layout.laneTop[0] + layout.laneHeight - 1 - TIMELINE_LANE_PAD;
    for (const double share : {0.25, 0.5, 0.8}) {
        const int x = layout.xAtRow(share * 180.0) + 1;
        const double value = layout.rowAtColumn(x) / 180.0; // the ramp at that column
        const int expected = yBottom - static_cast<int>(std::lround(value * (yBottom - yTop)));
        EXPECT_NEAR(darkestRow(canvas, x, yTop - 1, yBottom + 2), expected, 1) << share;
    }
    // The held lane's range is 2..4: the value 4 between 5 s and 10 s sits on the lane's top row.
    const int holdTop = layout.laneTop[1] + TIMELINE_LANE_PAD;
    const int holdBottom = layout.laneTop[1] + layout.laneHeight - 1 - TIMELINE_LANE_PAD;
    EXPECT_EQ(darkestRow(canvas, layout.xAtRow(7.5 * 18), holdTop - 1, holdBottom + 2), holdTop);
    EXPECT_EQ(darkestRow(canvas, layout.xAtRow(2.5 * 18), holdTop - 1, holdBottom + 2), holdBottom);
}

TEST(TimelinePlot, KeysAreMarkedByInterpolationAndHollowBetweenBeats) {
    const Timeline timeline =
        parsed("tempo 135\n"
               "track a\na 0 0 step\na 8b 1 linear\na 16b 0 smooth\na 24b 1 ramp\na 32b 0 7\n"
               "track b\nb 0 0 linear\nb 20 1 linear\nb 64 0 step\n");
    TimelinePlotOptions options;
    options.tempo = 135.0;
    const TimelineLayout layout = timelineLayout(timeline, options);
    const tools::Canvas canvas = drawn(timeline, options);
    const int yTop = layout.laneTop[0] + TIMELINE_LANE_PAD;
    const int yBottom = layout.laneTop[0] + layout.laneHeight - 1 - TIMELINE_LANE_PAD;
    const struct {
        int32_t row;
        int y;
        Colour colour;
    } keys[] = {
        {0, yBottom, tools::CHART_STEP_KEY},
        {64, yTop, tools::CHART_LINEAR_KEY},
        {128, yBottom, tools::CHART_SMOOTH_KEY},
        {192, yTop, tools::CHART_RAMP_KEY},
    };
    for (const auto& k : keys) {
        SCOPED_TRACE(k.row);
        EXPECT_TRUE(same(tools::pixelAt(canvas, layout.xAtRow(k.row), k.y), k.colour));
    }
    // A type the demo does not know is a red ring: its centre keeps what is under it.
    const int unknownX = std::min(layout.xAtRow(256), layout.plotRight - 1);
    EXPECT_TRUE(
        same(tools::pixelAt(canvas, unknownX, yBottom - TIMELINE_KEY_RADIUS), tools::CHART_OTHER_KEY));
    // Row 20 is two and a half beats: hollow. Row 64 (8 beats) of the same lane is filled.
    const int bTop = layout.laneTop[1] + TIMELINE_LANE_PAD;
    const int x20 = layout.xAtRow(20);
    EXPECT_FALSE(same(tools::pixelAt(canvas, x20, bTop), tools::CHART_LINEAR_KEY));
    EXPECT_TRUE(same(tools::pixelAt(canvas, x20 + TIMELINE_KEY_RADIUS, bTop), tools::CHART_LINEAR_KEY));
}

// Compiled track files draw the same scene strip as the text they were compiled from; the lanes
// differ only in order (a folder's files come by name).
TEST(TimelinePlot, TrackFilesDrawTheScenesOfTheirTimeline) {
    TemporaryFolder folder;
    writeFile(folder.file("show.txt"), contentTimeline());
    std::string out;
    std::string err;
    ASSERT_EQ(runSyncTool({"compile", folder.file("show.txt"), folder.file("data")}, out, err), 0) << err;
    const PlotRun text = plot({folder.file("show.txt"), "--out", folder.file("text.png")});
    ASSERT_EQ(text.status, 0) << text.err;
    const PlotRun tracks = plot({folder.file("data"), "--tempo", "135", "--out", folder.file("tracks.png")});
    ASSERT_EQ(tracks.status, 0) << tracks.err;
    EXPECT_NE(tracks.out.find("drew 17 tracks (811 keys)"), std::string::npos) << tracks.out;
    std::vector<uint8_t> a;
    std::vector<uint8_t> b;
    const std::string fileA = readFile(folder.file("text.png"));
    const std::string fileB = readFile(folder.file("tracks.png"));
    const PngInfo infoA = decodePng({reinterpret_cast<const uint8_t*>(fileA.data()), fileA.size()}, a);
    const PngInfo infoB = decodePng({reinterpret_cast<const uint8_t*>(fileB.data()), fileB.size()}, b);
    ASSERT_EQ(infoA.error, 0);
    ASSERT_EQ(infoB.error, 0);
    ASSERT_EQ(infoA.width, static_cast<uint32_t>(TIMELINE_WIDTH));
    ASSERT_EQ(infoA.width, infoB.width);
    ASSERT_EQ(infoA.height, infoB.height); // the same number of lanes
    const size_t row = static_cast<size_t>(infoA.width) * 4;
    const size_t from = TIMELINE_TOP * row;
    const size_t to = (TIMELINE_TOP + TIMELINE_SCENE_STRIP) * row;
    EXPECT_TRUE(std::equal(a.begin() + from, a.begin() + to, b.begin() + from));
    EXPECT_NE(a, b); // the lanes' order
}

TEST(TimelinePlot, ThePlotCommandSaysWhatIsWrongWithItsInput) {
    TemporaryFolder folder;
    writeFile(folder.file("good.txt"), "tempo 120\nscene 0 10 step\nscene 4b 11 step\n");
    writeFile(folder.file("bad.txt"), "scene 0 10 step\nscene 0 11 step\n");
    writeFile(folder.file("sync_cut.track"), le32(3) + keyBytes(0, 1.0f, 1) + keyBytes(18, 2.0f, 0) + "abc");
    std::filesystem::create_directories(folder.file("empty"));
    const struct {
        std::vector<std::string> args;
        int status;
        std::string message; // in the error output
    } cases[] = {
        {{folder.file("good.txt")}, 2, "needs at least one input and --out"},
        {{"--out", folder.file("x.png")}, 2, "needs at least one input"},
        {{folder.file("good.txt"), "--out", folder.file("x.png"), "--width", "3"},
         2,
         "unknown option --width"},
        {{folder.file("good.txt"), "--out", folder.file("x.png"), "--tempo", "fast"},
         2,
         "--tempo takes a positive number"},
        {{folder.file("good.txt"), "--out", folder.file("x.png"), "--tempo", "-5"},
         2,
         "--tempo takes a positive number"},
        {{folder.file("good.txt"), "--out", folder.file("x.png"), "--beats-per-bar", "2.5"},
         2,
         "--beats-per-bar takes a whole number"},
        {{folder.file("good.txt"), "--out"}, 2, "--out needs a value"},
        {{folder.file("good.txt"), folder.file("sync_cut.track"), "--out", folder.file("x.png")},
         2,
         "not both"},
        {{folder.file("absent.txt"), "--out", folder.file("x.png")}, 1, "absent.txt: cannot read"},
        {{folder.file("bad.txt"), "--out", folder.file("x.png")},
         1,
         "bad.txt:2: key of track 'scene' at row 0"},
        {{folder.file("sync_absent.track"), "--out", folder.file("x.png")},
         1,
         "sync_absent.track: cannot read"},
        {{folder.file("empty"), "--out", folder.file("x.png")}, 1, "no sync_NAME.track files"},
        {{folder.file("good.txt"), "--out", folder.file("no/such/folder/x.png")}, 1, "x.png"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message);
        const PlotRun run = plot(c.args);
        EXPECT_EQ(run.status, c.status) << run.err;
        EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
    }
    EXPECT_FALSE(std::filesystem::exists(folder.file("x.png")));

    // A file the loader reads only in part is drawn as the demo sees it, and says so.
    const PlotRun cut = plot({folder.file("sync_cut.track"), "--out", folder.file("cut.png")});
    EXPECT_EQ(cut.status, 0) << cut.err;
    EXPECT_NE(cut.err.find("drawn as the demo reads it"), std::string::npos) << cut.err;
    EXPECT_NE(cut.err.find("announces 3 keys but holds 2"), std::string::npos) << cut.err;
    EXPECT_TRUE(std::filesystem::exists(folder.file("cut.png")));
}

// Timelines at the edges of the format: keys at the last 32-bit row (a show of over three years,
// whose bars are far narrower than a pixel) and a negative row draw, with the scenes where their
// keys put them; more tracks than a picture can hold are refused with the reason.
TEST(TimelinePlot, TimelinesAtTheEdgesOfTheFormatDrawOrAreRefused) {
    const Timeline far = parsed("tempo 135\nscene -50 4 step\nscene 0 10 step\nscene 1073741824 11 step\n"
                                "fs 0 0 linear\nfs 2147483647 1 step\n");
    TimelinePlotOptions options;
    options.tempo = 135.0;
    const TimelineLayout layout = timelineLayout(far, options);
    EXPECT_GE(layout.rows, 2147483647.0);
    const tools::Canvas canvas = drawn(far, options);
    const int y = layout.sceneTop + 2;
    const int middle = layout.xAtRow(1073741824.0);
    EXPECT_TRUE(same(pixelAt(canvas, layout.plotLeft + 1, y), paletteColour(10)));
    EXPECT_TRUE(same(pixelAt(canvas, middle - 2, y), paletteColour(10)));
    EXPECT_TRUE(same(pixelAt(canvas, middle + 2, y), paletteColour(11)));

    TemporaryFolder folder;
    std::string many;
    for (int i = 0; i <= static_cast<int>(TIMELINE_MAX_LANES); ++i) {
        many += "track t" + std::to_string(i) + "\n";
    }
    writeFile(folder.file("many.txt"), many);
    const PlotRun refused = plot({folder.file("many.txt"), "--out", folder.file("many.png")});
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.err.find("201 tracks: at most 200"), std::string::npos) << refused.err;
    EXPECT_FALSE(std::filesystem::exists(folder.file("many.png")));
}
