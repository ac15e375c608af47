// The output mixer shared by every backend: what one block of output does to the playing streams,
// and how a stream's position is read between blocks.
//
// Conventions: PCM is 16-bit signed stereo, interleaved; one frame is 4 bytes; positions and
// lengths are bytes. These functions hold no lock: the caller serialises access to the slots.
#pragma once

#include <cstdint>
#include <vector>

namespace tessellune {

// One decoded stream and how far the output has taken it.
struct StreamSlot {
    uint32_t handle = 0;         // 0: the slot is free
    std::vector<int16_t> pcm;    // the whole decoded music
    uint64_t playedBytes = 0;    // bytes handed to the output since play started
    uint64_t lastBlockBytes = 0; // how many of them the most recent output block took
    uint64_t reportedBytes = 0;  // the largest position reported so far (keeps it monotonic)
    bool playing = false;
};

inline uint64_t streamLengthBytes(const StreamSlot& slot) {
    return uint64_t(slot.pcm.size()) * sizeof(int16_t);
}

// Produces one block of `frames` output frames into out (null: discard): the saturated sum of every
// playing stream, silence where none plays. Each playing stream advances by the frames it had left,
// at most `frames`, and records that count as its last block.
void mixBlock(std::vector<StreamSlot>& slots, int16_t* out, uint32_t frames);

// The position to report for a stream on a device that consumes blocks in real time: the bytes
// before the last block, plus as much of the last block as `secondsSinceBlock` has played out at
// `rate`, in whole frames. Never more than playedBytes and never less than a previous report
// (reportedBytes is updated).
uint64_t smoothedPosition(StreamSlot& slot, double secondsSinceBlock, uint32_t rate);

} // namespace tessellune
