// Mixing playing streams into one output block and reading positions between blocks.
#include "audio/mixer.h"

#include <algorithm>
#include <cstring>

namespace tessellune {

namespace {
constexpr uint64_t FRAME_BYTES = 4;
constexpr size_t FRAME_SAMPLES = 2;

int16_t saturate(int32_t value) {
    return int16_t(std::clamp<int32_t>(value, INT16_MIN, INT16_MAX));
}
} // namespace

void mixBlock(std::vector<StreamSlot>& slots, int16_t* out, uint32_t frames) {
    if (out != nullptr) {
        std::memset(out, 0, size_t(frames) * FRAME_BYTES);
    }
    for (StreamSlot& slot : slots) {
        if (slot.handle == 0 || !slot.playing) {
            continue;
        }
        const uint64_t length = streamLengthBytes(slot);
        const uint64_t leftFrames = (length - std::min(slot.playedBytes, length)) / FRAME_BYTES;
        const size_t takeFrames = size_t(std::min<uint64_t>(leftFrames, frames));
        if (out != nullptr) {
            const int16_t* source = slot.pcm.data() + slot.playedBytes / sizeof(int16_t);
            for (size_t i = 0; i < takeFrames * FRAME_SAMPLES; ++i) {
                out[i] = saturate(int32_t(out[i]) + int32_t(source[i]));
            }
        }
        slot.playedBytes += takeFrames * FRAME_BYTES;
        slot.lastBlockBytes = takeFrames * FRAME_BYTES;
    }
}

uint64_t smoothedPosition(StreamSlot& slot, double secondsSinceBlock, uint32_t rate) {
    const uint64_t blockStart = slot.playedBytes - std::min(slot.lastBlockBytes, slot.playedBytes);
    const double framesPlayed = std::max(0.0, secondsSinceBlock) * double(rate);
    const uint64_t blockFrames = slot.lastBlockBytes / FRAME_BYTES;
    const uint64_t intoBlock = uint64_t(std::min(framesPlayed, double(blockFrames))) * FRAME_BYTES;
    const uint64_t position =
        std::min(slot.playedBytes, std::max(slot.reportedBytes, blockStart + intoBlock));
    slot.reportedBytes = position;
    return position;
}

} // namespace tessellune
