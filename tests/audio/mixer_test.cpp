// The output mixer on hand-made streams: summing with saturation, ends of streams, and the
// between-block position that the real-time device reports.
#include "audio/mixer.h"

#include <gtest/gtest.h>

namespace tessellune {
namespace {

StreamSlot makeSlot(uint32_t handle, std::vector<int16_t> pcm, bool playing = true) {
    StreamSlot slot;
    slot.handle = handle;
    slot.pcm = std::move(pcm);
    slot.playing = playing;
    return slot;
}

TEST(Mixer, SumsPlayingStreamsWithSaturationAndSkipsTheRest) {
    std::vector<StreamSlot> slots;
    slots.push_back(makeSlot(1, {30000, -30000, 100, -100, 1, 2}));
    slots.push_back(makeSlot(2, {10000, -10000, 5, 5, 7, 7, 9, 9}));
    slots.push_back(makeSlot(3, {1000, 1000, 1000, 1000}, false)); // not playing
    slots.push_back(makeSlot(0, {2000, 2000, 2000, 2000}));        // a free slot
    std::vector<int16_t> out(4, 77);
    mixBlock(slots, out.data(), 2);
    EXPECT_EQ(out, (std::vector<int16_t>{32767, -32768, 105, -95}));
    EXPECT_EQ(slots[0].playedBytes, 8u);
    EXPECT_EQ(slots[1].playedBytes, 8u);
    EXPECT_EQ(slots[2].playedBytes, 0u);

    // Stream 1 has one frame left, stream 2 two: the block holds both, then silence.
    out.assign(6, 77);
    mixBlock(slots, out.data(), 3);
    EXPECT_EQ(out, (std::vector<int16_t>{8, 9, 9, 9, 0, 0}));
    EXPECT_EQ(slots[0].playedBytes, 12u);
    EXPECT_EQ(slots[0].lastBlockBytes, 4u);
    EXPECT_EQ(slots[1].playedBytes, 16u);
    EXPECT_EQ(slots[1].lastBlockBytes, 8u);

    // At the end a block takes nothing more.
    mixBlock(slots, nullptr, 3);
    EXPECT_EQ(slots[0].playedBytes, 12u);
    EXPECT_EQ(slots[0].lastBlockBytes, 0u);
}

TEST(Mixer, PositionGrowsThroughTheLastBlockWithTimeAndNeverGoesBack) {
    std::vector<StreamSlot> slots;
    slots.push_back(makeSlot(1, std::vector<int16_t>(2 * 44100))); // one second
    mixBlock(slots, nullptr, 882);                                 // 20 ms
    mixBlock(slots, nullptr, 882);
    StreamSlot& slot = slots[0];
    EXPECT_EQ(smoothedPosition(slot, 0.0, 44100), 882u * 4);
    EXPECT_EQ(smoothedPosition(slot, 0.010, 44100), (882u + 441) * 4);
    EXPECT_EQ(smoothedPosition(slot, 0.5, 44100), 2u * 882 * 4); // never past what was handed
    // A later read with an earlier time (a new block arrived meanwhile) does not go back.
    EXPECT_EQ(smoothedPosition(slot, 0.001, 44100), 2u * 882 * 4);
    mixBlock(slots, nullptr, 882);
    EXPECT_EQ(smoothedPosition(slot, 0.0, 44100), 2u * 882 * 4);
    EXPECT_EQ(smoothedPosition(slot, 1e300, 44100), 3u * 882 * 4);
    EXPECT_EQ(smoothedPosition(slot, -5.0, 44100), 3u * 882 * 4);
}

} // namespace
} // namespace tessellune
