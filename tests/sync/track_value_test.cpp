// Evaluation of in-memory tracks: the key search, each interpolation, the edges and precision.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "sync/sync_track.h"
#include "tests/sync/scratch_files.h"

using namespace tessellune;
using namespace tessellune::testing;

// One row per probe: the keys, the row asked for, and the value worked out by hand.
TEST(SyncValue, ProbesGiveTheHandWorkedValues) {
    constexpr int32_t lowest = std::numeric_limits<int32_t>::min();
    constexpr int32_t highest = std::numeric_limits<int32_t>::max();
    const double inf = std::numeric_limits<double>::infinity();
    // Values chosen so that all-double and all-single arithmetic each give a different float.
    const float a = std::bit_cast<float>(0xc0f48833u); // -7.64162588
    const float b = std::bit_cast<float>(0x40a70416u); //  5.21924877
    const std::vector<SyncKey> floored = {{-1, 3.0f, SYNC_STEP}, {0, 5.0f, SYNC_STEP}, {4, 9.0f, SYNC_STEP}};
    const std::vector<SyncKey> held = {{10, 4.0f, SYNC_LINEAR}, {20, 8.0f, SYNC_RAMP}, {30, -2.0f, 99}};
    const std::vector<SyncKey> jump = {
        {0, 0.0f, SYNC_LINEAR}, {10, 1.0f, SYNC_LINEAR}, {10, 5.0f, SYNC_LINEAR}, {20, 7.0f, SYNC_STEP}};
    const std::vector<SyncKey> tail = {
        {0, 0.0f, SYNC_LINEAR}, {10, 1.0f, SYNC_SMOOTH}, {10, 5.0f, SYNC_RAMP}};
    const std::vector<SyncKey> triple = {{0, 0.0f, SYNC_LINEAR},
                                         {4, 1.0f, SYNC_LINEAR},
                                         {4, 2.0f, SYNC_LINEAR},
                                         {4, 3.0f, SYNC_LINEAR},
                                         {8, 7.0f, SYNC_LINEAR}};
    const std::vector<SyncKey> extreme = {{lowest, 0.0f, SYNC_LINEAR}, {highest, 1.0f, SYNC_STEP}};
    const auto zeroToOne = [](int32_t type) {
        return std::vector<SyncKey>{{0, 0.0f, type}, {10, 1.0f, SYNC_STEP}};
    };
    const struct {
        std::vector<SyncKey> keys;
        double row;
        float expected;
        const char* why;
    } cases[] = {
        {{}, 0.0, 0.0f, "an empty track is zero"},
        {zeroToOne(SYNC_LINEAR), 2.5, 0.25f, "worked example"},
        {zeroToOne(SYNC_SMOOTH), 2.5, 0.15625f, "worked example"},
        {zeroToOne(SYNC_SMOOTH), 7.5, 0.84375f, "worked example"},
        {zeroToOne(SYNC_RAMP), 2.5, 0.0625f, "worked example"},
        {zeroToOne(SYNC_STEP), 9.999, 0.0f, "a step holds until the next key"},
        {floored, -0.25, 3.0f, "negative rows floor: truncation would pick the key at 0"},
        {{{-1, 0.0f, SYNC_LINEAR}, {3, 4.0f, SYNC_LINEAR}}, -0.25, 0.75f, "t comes from the unfloored row"},
        {held, 9.99, 4.0f, "before the first key"},
        {held, 30.0, -2.0f, "the last key's odd type plays no part"},
        {held, 30.5, -2.0f, "after the last key"},
        {held, inf, -2.0f, "infinitely after"},
        {{{0, a, SYNC_LINEAR}, {10, b, SYNC_LINEAR}},
         8.5,
         std::bit_cast<float>(0x40529148u),
         "single difference, double product and sum: not ...49 (double) nor ...4a (float)"},
        {{{0, 1.0e8f, SYNC_LINEAR}, {10, 1.0f, SYNC_LINEAR}},
         9.0,
         10000000.0f,
         "the single-precision difference rounds: all-double would give 10000001"},
        {jump, 9.5, 0.95f, "before a shared row"},
        {jump, 10.0, 5.0f, "the later key on a shared row governs"},
        {jump, 15.0, 6.0f, "after a shared row"},
        {tail, 10.5, 5.0f, "duplicates at the end"},
        {triple, 4.0, 3.0f, "three keys on one row"},
        {triple, 6.0, 5.0f, "after three keys on one row"},
        {extreme, 0.0, 0.5f, "the row span overflows 32 bits"},
        {extreme, 1.0e300, 1.0f, "far beyond every row"},
        {extreme, -1.0e300, 0.0f, "far before every row"},
        {extreme, std::nan(""), 0.0f, "no position: the first value"},
        {{{7, 1.5f, 42}}, 1000.0, 1.5f, "one key is constant, whatever its type"},
        {{{0, 3.0f, SYNC_LINEAR}, {10, 6.0f, 55}, {20, 9.0f, SYNC_STEP}},
         15.0,
         0.0f,
         "an unknown type gives 0"},
        {{{0, 3.0f, SYNC_LINEAR}, {10, 6.0f, -1}, {20, 9.0f, SYNC_STEP}}, 10.0, 0.0f, "on its own row too"},
        {{{0, 3.0f, SYNC_LINEAR}, {10, 6.0f, 127}, {20, 9.0f, SYNC_STEP}}, 5.0, 4.5f, "the segment before"},
    };
    for (const auto& c : cases) {
        const SyncTrack track = makeTrack(c.keys);
        EXPECT_EQ(syncTrackValue(&track, c.row), c.expected) << c.why << " at row " << c.row;
    }
    // A key's own row gives its value whatever the interpolation.
    for (const int32_t type : {SYNC_STEP, SYNC_LINEAR, SYNC_SMOOTH, SYNC_RAMP}) {
        const SyncTrack track = makeTrack({{-3, 2.5f, type}, {4, -1.25f, type}, {9, 7.0f, type}});
        EXPECT_EQ(syncTrackValue(&track, -3.0), 2.5f) << "type " << type;
        EXPECT_EQ(syncTrackValue(&track, 4.0), -1.25f) << "type " << type;
        EXPECT_EQ(syncTrackValue(&track, 9.0), 7.0f) << "type " << type;
    }
    EXPECT_EQ(syncTrackValue(nullptr, 3.0), 0.0f);
}

// Sorted rows (repeats allowed) give the last key at or before the row, as a plain linear scan finds
// it. Rows stored out of order have no meaning, but the key found must still lie at or before the
// row with the next one after it, so that evaluation stays finite and within the values.
TEST(SyncKeySearch, FindsTheLastKeyAtOrBeforeTheRowAgainstALinearScan) {
    std::mt19937 random(7);
    for (int round = 0; round < 300; ++round) {
        const bool ordered = round % 3 != 0;
        std::vector<SyncKey> keys;
        int32_t row = static_cast<int32_t>(random() % 50) - 25;
        const int count = static_cast<int>(random() % 12);
        for (int k = 0; k < count; ++k) {
            const int32_t stored = ordered ? row : static_cast<int32_t>(random() % 40) - 20;
            keys.push_back({stored, static_cast<float>(random() % 100), static_cast<int32_t>(random() % 4)});
            row += static_cast<int32_t>(random() % 6); // rows may repeat
        }
        const SyncTrack track = makeTrack(keys);
        for (double probe = -40.0; probe < 80.0; probe += 0.25) {
            const auto where = [&] {
                return "round " + std::to_string(round) + " row " + std::to_string(probe);
            };
            const int32_t at = static_cast<int32_t>(std::floor(probe));
            const int32_t i = findSyncKey(track, at);
            ASSERT_TRUE(i < 0 || keys[i].row <= at) << where() << ": key " << i << " lies after it";
            ASSERT_TRUE(i + 1 >= count || keys[i + 1].row > at)
                << where() << ": key " << i + 1 << " does not";
            int32_t last = -1;
            for (int k = 0; k < count; ++k) {
                last = keys[k].row <= at ? k : last;
            }
            ASSERT_TRUE(!ordered || i == last) << where() << ": the linear scan finds " << last;
            const float value = syncTrackValue(&track, probe);
            ASSERT_TRUE(value >= 0.0f && value <= 99.0f) << where() << ": " << value;
        }
    }
}
