// The tools' chart drawing, and the frame-time picture against the numbers it was drawn from.
//
// Steps and numbers for axes, clipping, text placement.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <filesystem>

#include "tools/common/chart.h"
#include "tools/common/frame_time_chart.h"

using namespace tessellune::tools;

namespace {

bool same(Colour a, Colour b) {
    return a.r == b.r && a.g == b.g && a.b == b.b;
}

bool isGround(const Canvas& canvas, int x, int y) {
    return same(pixelAt(canvas, x, y), CHART_GROUND);
}

// The box of every pixel that is not the ground: {x0, y0, x1, y1}, inclusive; x0 > x1 when none.
std::array<int, 4> inkedBox(const Canvas& canvas) {
    std::array<int, 4> box = {canvas.width, canvas.height, -1, -1};
    for (int y = 0; y < canvas.height; ++y) {
        for (int x = 0; x < canvas.width; ++x) {
            if (!isGround(canvas, x, y)) {
                box = {std::min(box[0], x), std::min(box[1], y), std::max(box[2], x), std::max(box[3], y)};
            }
        }
    }
    return box;
}

Font testFont() {
    Font font;
    std::string error;
    EXPECT_TRUE(openFont(CHART_FONT_PATH, CHART_TEXT_PX, font, error)) << error;
    return font;
}

// Two scenes of known times: 10 at 2 ms with one 9 ms frame, then 4 at 1 ms, then 10 again.
FrameTimeRun twoScenes() {
    FrameTimeRun run;
    run.title = "test";
    for (int i = 0; i < 300; ++i) {
        const int scene = i < 100 ? 10 : i < 200 ? 4 : 10;
        run.at.push_back(i / 30.0);
        run.ms.push_back(scene == 4 ? 1.0 : (i == 50 ? 9.0 : 2.0));
        run.group.push_back(scene);
    }
    run.groupIds = {4, 10};
    run.names = {"scene 4", "scene 10"};
    return run;
}

} // namespace

TEST(Chart, AxisStepsAreRoundAndCoverTheSpan) {
    const struct {
        double span;
        int count;
        double step;
    } cases[] = {{100, 10, 10}, {156.4, 16, 10}, {7, 6, 2}, {0.3, 6, 0.05},
                 {45, 6, 10},   {1, 1, 1},       {0, 5, 1}};
    for (const auto& c : cases) {
        EXPECT_DOUBLE_EQ(niceStep(c.span, c.count), c.step) << c.span << " / " << c.count;
    }
}

TEST(Chart, NumbersLoseTrailingZerosButNotTheirValue) {
    const struct {
        double value;
        int decimals;
        const char* text;
    } cases[] = {{4.0, 3, "4"},     {4.5, 3, "4.5"},   {-0.0001, 3, "0"},  {10.25, 1, "10.2"},
                 {1200, 3, "1200"}, {-2.5, 2, "-2.5"}, {0.125, 3, "0.125"}};
    for (const auto& c : cases) {
        EXPECT_EQ(shortNumber(c.value, c.decimals), c.text) << c.value;
    }
}

// Shapes far outside the canvas are cut to it (no write out of bounds, no endless loop); what is
// inside lands on the pixels asked for.
TEST(Chart, ShapesAreClippedToTheCanvasAndLandWhereAsked) {
    Canvas canvas = makeCanvas(40, 30, CHART_GROUND);
    drawLine(canvas, -1e12, 5, 1e12, 5, CHART_INK);
    drawLine(canvas, 10, -1e9, 10, 1e9, CHART_INK);
    drawLine(canvas, NAN, 0, 3, 3, CHART_INK);
    fillRect(canvas, -100, 25, 100, 1000, CHART_ALERT);
    drawMarker(canvas, -3, -3, 5, Marker::Disc, CHART_INK);
    for (int x = 0; x < 40; ++x) {
        EXPECT_TRUE(same(pixelAt(canvas, x, 5), CHART_INK)) << x;
        EXPECT_TRUE(isGround(canvas, x, 4) || x == 10 || x < 3) << x;
        EXPECT_TRUE(same(pixelAt(canvas, x, 29), CHART_ALERT)) << x;
    }
    for (int y = 6; y < 25; ++y) {
        EXPECT_TRUE(same(pixelAt(canvas, 10, y), CHART_INK)) << y;
        EXPECT_TRUE(isGround(canvas, 11, y)) << y;
    }
    // Half opacity lands halfway between the ground and the colour.
    Canvas half = makeCanvas(2, 1, {0, 0, 0});
    fillRect(half, 0, 0, 1, 1, {200, 100, 50}, 0.5f);
    EXPECT_TRUE(same(pixelAt(half, 0, 0), Colour{100, 50, 25}));
    EXPECT_TRUE(same(pixelAt(half, 1, 0), Colour{0, 0, 0}));
}

TEST(Chart, TextSitsOnItsBaselineInsideItsMeasuredWidth) {
    const Font font = testFont();
    const int width = textWidth(font, "Tessellune 240 fps");
    EXPECT_GT(width, 60);
    const struct {
        Align align;
        int left; // where the text's box should start for x = 150
    } cases[] = {{Align::Left, 150}, {Align::Centre, 150 - width / 2}, {Align::Right, 150 - width}};
    for (const auto& c : cases) {
        Canvas canvas = makeCanvas(300, 60, CHART_GROUND);
        drawText(canvas, font, 150, 40, "Tessellune 240 fps", CHART_INK, c.align);
        const auto box = inkedBox(canvas);
        SCOPED_TRACE(static_cast<int>(c.align));
        EXPECT_NEAR(box[0], c.left, 2);
        EXPECT_NEAR(box[2], c.left + width, 2);
        EXPECT_GE(box[1], 40 - font.ascender);
        EXPECT_LE(box[3], 40 + font.descender);
        EXPECT_GE(box[3], 38); // letters reach the baseline
    }
    // No font, or no such file: a message naming the file, and nothing drawn.
    Font missing;
    std::string error;
    EXPECT_FALSE(openFont("/no/such/font.ttf", 13, missing, error));
    EXPECT_NE(error.find("/no/such/font.ttf"), std::string::npos);
    Canvas canvas = makeCanvas(50, 20, CHART_GROUND);
    drawText(canvas, missing, 5, 15, "x", CHART_INK);
    EXPECT_LT(inkedBox(canvas)[2], 0);
}

TEST(Chart, NeighbouringPaletteEntriesDifferAndAnyIndexHasOne) {
    for (int i = -30; i < 30; ++i) {
        EXPECT_FALSE(same(paletteColour(i), paletteColour(i + 1))) << i;
        EXPECT_TRUE(same(paletteColour(i), paletteColour(i + CHART_PALETTE_SIZE))) << i;
    }
}

TEST(FrameTimes, TheNinetyNinePercentBoundIsTheSmallestTimeCoveringNinetyNinePercent) {
    std::vector<double> hundred;
    std::vector<double> thousand;
    for (int i = 100; i >= 1; --i) {
        hundred.push_back(i);
    }
    for (int i = 1; i <= 1000; ++i) {
        thousand.push_back(i);
    }
    const struct {
        std::vector<double> times;
        double bound;
    } cases[] = {{{}, 0.0}, {{5}, 5}, {hundred, 99}, {thousand, 990}, {{1, 1, 1, 1, 1, 1, 1, 1, 1, 50}, 50}};
    for (const auto& c : cases) {
        EXPECT_EQ(percentile99(c.times), c.bound) << c.times.size() << " times";
    }
}

TEST(FrameTimes, GroupsAreCountedOverAllTheirBands) {
    const std::vector<FrameGroupStats> stats = frameGroupStats(twoScenes());
    ASSERT_EQ(stats.size(), 2u);
    EXPECT_EQ(stats[0].id, 10); // first to appear
    EXPECT_EQ(stats[0].frames, 200u);
    EXPECT_DOUBLE_EQ(stats[0].averageMs, (199 * 2.0 + 9.0) / 200);
    EXPECT_DOUBLE_EQ(stats[0].worstMs, 9.0);
    EXPECT_DOUBLE_EQ(stats[0].worstAt, 50 / 30.0);
    EXPECT_DOUBLE_EQ(stats[0].p99Ms, 2.0); // one slow frame in 200 is outside the 99 %
    EXPECT_EQ(stats[1].id, 4);
    EXPECT_EQ(stats[1].frames, 100u);
    EXPECT_DOUBLE_EQ(stats[1].p99Ms, 1.0);
}

// The picture against its numbers: each band's colour where its scene runs, the target line at
// 240 fps, each scene's 99 % bound as its dashes, the worst frame's ring.
TEST(FrameTimes, ThePictureShowsTheBandsTargetBoundsAndWorstFrameWhereTheNumbersPutThem) {
    const FrameTimeRun run = twoScenes();
    Canvas canvas;
    std::string error;
    ASSERT_TRUE(drawFrameTimes(run, canvas, error)) << error;
    const FrameTimeLayout layout = frameTimeLayout(run);
    EXPECT_EQ(layout.maxMs, 6.0); // 4.17 ms x 1.3 = 5.4, up to the next whole step
    const int bandY = layout.top - 4;
    const struct {
        double at;
        int scene;
    } bands[] = {{1.0, 10}, {3.2, 10}, {3.45, 4}, {5.0, 4}, {6.6, 4}, {6.75, 10}, {9.9, 10}};
    for (const auto& b : bands) { // scene 4 runs from frame 100 (3.33 s) to frame 200 (6.67 s)
        EXPECT_TRUE(same(pixelAt(canvas, layout.xAt(b.at), bandY), paletteColour(b.scene))) << b.at;
    }
    const int targetY = layout.yMs(1000.0 / 240.0);
    EXPECT_TRUE(same(pixelAt(canvas, (layout.left + layout.right) / 2, targetY), CHART_TARGET));
    // Scene 10's bound (2 ms) is dashed across its bands in its own colour, darkened.
    const int boundY = layout.yMs(2.0);
    int dashes = 0;
    for (int x = layout.xAt(0.2); x < layout.xAt(3.0); ++x) {
        const Colour c = pixelAt(canvas, x, boundY);
        dashes += (c.r < paletteColour(10).r && c.b < 100) ? 1 : 0;
    }
    EXPECT_GT(dashes, 20);
    // The 9 ms frame is above the 6 ms picture: its ring sits at the top at its time.
    const int worstX = layout.xAt(50 / 30.0);
    int red = 0;
    for (int y = layout.top; y < layout.top + 20; ++y) {
        for (int x = worstX - 7; x <= worstX + 7; ++x) {
            red += same(pixelAt(canvas, x, y), CHART_ALERT) ? 1 : 0;
        }
    }
    EXPECT_GT(red, 10);
}

TEST(FrameTimes, RunsThatCannotBeDrawnSaySo) {
    FrameTimeRun empty;
    FrameTimeRun uneven = twoScenes();
    uneven.group.pop_back();
    FrameTimeRun notANumber = twoScenes();
    notANumber.ms[7] = NAN;
    FrameTimeRun backwards = twoScenes();
    backwards.at[9] = 0.0;
    const struct {
        const FrameTimeRun* run;
        const char* message;
    } cases[] = {{&empty, "no frames"},
                 {&uneven, "differ in number"},
                 {&notANumber, "frame 7"},
                 {&backwards, "frame 9"}};
    for (const auto& c : cases) {
        Canvas canvas;
        std::string error;
        EXPECT_FALSE(drawFrameTimes(*c.run, canvas, error));
        EXPECT_NE(error.find(c.message), std::string::npos) << error;
    }
    std::string error;
    EXPECT_FALSE(canWriteFrameTimes("/no/such/folder/frames.png", error));
    EXPECT_NE(error.find("does not exist"), std::string::npos) << error;
    EXPECT_FALSE(canWriteFrameTimes(std::filesystem::temp_directory_path().string(), error));
    EXPECT_NE(error.find("is a folder"), std::string::npos) << error;
}
