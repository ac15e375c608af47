// The timeline text format: positions, values, interpolations, and every error with its line.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <limits>

#include "tests/sync/scratch_files.h"
#include "tools/sync/timeline_text.h"

using namespace tessellune;
using namespace tessellune::testing;

namespace {

Timeline parsed(const std::string& text) {
    Timeline timeline;
    std::string error;
    EXPECT_TRUE(parseTimeline(text, "timeline.txt", timeline, error)) << error;
    return timeline;
}

int32_t rowOf(const std::string& position, const std::string& preamble = "") {
    const Timeline timeline = parsed(preamble + "t " + position + " 1 step\n");
    return timeline.tracks.empty() || timeline.tracks[0].keys.empty() ? -999999
                                                                      : timeline.tracks[0].keys[0].row;
}

} // namespace

TEST(TimelineText, PositionsInRowsSecondsAndBeats) {
    EXPECT_EQ(rowOf("0"), 0);
    EXPECT_EQ(rowOf("-12"), -12);
    EXPECT_EQ(rowOf("+7"), 7);
    EXPECT_EQ(rowOf("2147483647"), 2147483647);
    EXPECT_EQ(rowOf("-2147483648"), std::numeric_limits<int32_t>::min());
    EXPECT_EQ(rowOf("1s"), 18);
    EXPECT_EQ(rowOf("0.25s"), 5); // 4.5 rows: halves round away from zero
    EXPECT_EQ(rowOf("-0.25s"), -5);
    EXPECT_EQ(rowOf("0.02s"), 0); // 0.36 rows
    EXPECT_EQ(rowOf("0.03s"), 1); // 0.54 rows
    EXPECT_EQ(rowOf("100.5s"), 1809);
    EXPECT_EQ(rowOf("1b", "tempo 60\n"), 18);
    EXPECT_EQ(rowOf("3b", "tempo 135\n"), 24);
    EXPECT_EQ(rowOf("0.5b", "tempo 120\n"), 5);          // 4.5 rows
    EXPECT_EQ(rowOf("1b", "tempo 135\ntempo 90\n"), 12); // the latest tempo applies
}

TEST(TimelineText, LayoutCommentsAndLineEndings) {
    const Timeline timeline =
        parsed("\t  a \t 1\t\t2.5   linear#comment\r\n\r\n   # only a comment\r\nb 3 4 7\r\n"
               "a 2 3 ramp");
    ASSERT_EQ(timeline.tracks.size(), 2u);
    ASSERT_EQ(timeline.tracks[0].keys.size(), 2u); // keys of tracks interleave freely
    EXPECT_EQ(timeline.tracks[0].keys[1].type, SYNC_RAMP);
    EXPECT_EQ(timeline.tracks[1].keys[0].type, 7);
    EXPECT_EQ(timeline.tracks[1].firstLine, 4);
    // Words that are keywords elsewhere are ordinary track names on key lines.
    const Timeline keywords = parsed("track track\ntempo 1 2 step\ntrack 5 1 smooth\n");
    ASSERT_EQ(keywords.tracks.size(), 2u);
    EXPECT_EQ(keywords.tracks[0].name, "track");
    EXPECT_EQ(keywords.tracks[1].name, "tempo");
    EXPECT_EQ(parsed("").tracks.size(), 0u);
    const Timeline marked = parsed("\xEF\xBB\xBFtrack fs\n"); // a UTF-8 byte order mark is skipped
    ASSERT_EQ(marked.tracks.size(), 1u);
    EXPECT_EQ(marked.tracks[0].name, "fs");
}

TEST(TimelineText, InterpolationNamesAndNumbers) {
    int32_t type = 99;
    const std::pair<const char*, int32_t> good[] = {{"step", 0}, {"linear", 1}, {"smooth", 2},  {"ramp", 3},
                                                    {"0", 0},    {"3", 3},      {"-128", -128}, {"127", 127}};
    for (const auto& [text, expected] : good) {
        EXPECT_TRUE(parseInterpolation(text, type)) << text;
        EXPECT_EQ(type, expected) << text;
    }
    for (const char* bad : {"Step", "128", "-129", "1.0", "", "lin", "0x1"}) {
        EXPECT_FALSE(parseInterpolation(bad, type)) << bad;
    }
    for (int32_t t = -128; t <= 127; ++t) {
        ASSERT_TRUE(parseInterpolation(formatInterpolation(t), type));
        EXPECT_EQ(type, t);
    }
}

// The edge patterns; random ones, NaN payloads among them, go through the tool's dump and compile.
TEST(TimelineText, ValuesRoundTripBitForBit) {
    const uint32_t patterns[] = {
        0x00000000u, 0x80000000u, 0x00000001u, 0x807fffffu, 0x7f7fffffu, 0xff7fffffu,
        0x7f800000u, 0xff800000u, 0x7fc00000u, 0xffc00000u, 0x7f800001u, 0x7fbfffffu,
        0xffffffffu, 0x3dcccccdu, 0x3f800001u, 0xc2ce6f44u}; // the last needs all nine digits
    for (const uint32_t bits : patterns) {
        const std::string text = formatSyncValue(std::bit_cast<float>(bits));
        float back = 0.0f;
        ASSERT_TRUE(parseSyncValue(text, back)) << text;
        ASSERT_EQ(std::bit_cast<uint32_t>(back), bits) << text;
    }
    float value;
    ASSERT_TRUE(parseSyncValue("nan", value));
    EXPECT_TRUE(std::isnan(value));
    ASSERT_TRUE(parseSyncValue("-inf", value));
    EXPECT_EQ(value, -std::numeric_limits<float>::infinity());
    ASSERT_TRUE(parseSyncValue("0.1", value));
    EXPECT_EQ(value, 0.1f); // correctly rounded, not via double
    for (const char* bad :
         {"", "1e39", "-1e39", "1.0f", "x", "nan:0x7f800000", "nan:0x7fc0", "1,5", "+-1", "--1"}) {
        EXPECT_FALSE(parseSyncValue(bad, value)) << bad;
    }
}

TEST(TimelineText, EveryErrorNamesTheFileAndLine) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"a 0 1 step\nb 0 1\n", "timeline.txt:2: expected"},
        {"track\n", "timeline.txt:1: expected"},
        {"track a b\n", "timeline.txt:1: expected"},
        {"\n\ntrack a/b\n", "timeline.txt:3: invalid track name 'a/b'"},
        {"caf\xc3\xa9 0 1 step\n", "timeline.txt:1: invalid track name"},
        {"track " + std::string(129, 'n') + "\n", "timeline.txt:1: invalid track name"},
        {"a 1.5 1 step\n", "timeline.txt:1: position '1.5' is not a row"},
        {"a 2147483648 1 step\n", "timeline.txt:1: position '2147483648'"},
        {"a 9e9s 1 step\n", "timeline.txt:1: position '9e9s' lies outside"},
        {"a xs 1 step\n", "timeline.txt:1: position 'xs' is not a number of seconds"},
        {"a s 1 step\n", "timeline.txt:1: position 's' is not a number of seconds"},
        {"a infs 1 step\n", "timeline.txt:1: position 'infs'"},
        {"a 4b 1 step\ntempo 135\n", "timeline.txt:1: position '4b' is in beats but no tempo is set yet"},
        {"tempo 0\n", "timeline.txt:1: tempo '0' is not a positive"},
        {"tempo -120\n", "timeline.txt:1: tempo '-120'"},
        {"tempo fast\n", "timeline.txt:1: tempo 'fast'"},
        {"a 0 one step\n", "timeline.txt:1: value 'one' is not a single-precision number"},
        {"a 0 1e40 step\n", "timeline.txt:1: value '1e40'"},
        {"a 0 1 cubic\n", "timeline.txt:1: interpolation 'cubic'"},
        {"a 0 1 200\n", "timeline.txt:1: interpolation '200'"},
        {"a 8 1 step\nb 0 1 step\na 8 2 step\n",
         "timeline.txt:3: key of track 'a' at row 8 is not after the track's previous key (row 8)"},
        {"tempo 135\na 1s 1 step\na 2b 1 step\n",
         "timeline.txt:3: key of track 'a' at row 16 is not after the track's previous key (row 18)"},
    };
    for (const auto& [text, expected] : cases) {
        Timeline timeline;
        std::string error;
        EXPECT_FALSE(parseTimeline(text, "timeline.txt", timeline, error)) << text;
        EXPECT_EQ(error.rfind(expected, 0), 0u) << "got: " << error << "\nwanted: " << expected;
    }
}
