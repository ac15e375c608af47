// Ordering the pass's faces nearest first with a four-pass radix sort on integer depth keys.
#include "render/clip.h"

#include <cmath>
#include <cstring>

namespace tessellune {

namespace {

// Keys are the nearest corner's distance in 16.16 fixed point: 65536 on the near plane.
constexpr float DEPTH_KEY_SCALE = 65536.0f;
constexpr int32_t RADIX_BUCKETS = 256;

// The same minimum and maximum, computed the same way, as the band renderer's own test used, so
// the bands make the same decisions from the span as from the corners.
FaceRows rowsOf(const RenderPipeline& pipeline, const PipelineFace& face) {
    if (face.cornerCount < 3) {
        return {INFINITY, -INFINITY};
    }
    const float y0 = pipeline.vertices[face.vertex[0]].screen.y;
    const float y1 = pipeline.vertices[face.vertex[1]].screen.y;
    const float y2 = pipeline.vertices[face.vertex[2]].screen.y;
    float minY = y0 < y1 ? y0 : y1;
    minY = y2 < minY ? y2 : minY;
    float maxY = y0 > y1 ? y0 : y1;
    maxY = y2 > maxY ? y2 : maxY;
    return {minY, maxY};
}

bool allKeysShareDigit(const int32_t* keys, int32_t count, int32_t pass) {
    const uint32_t shift = 8u * static_cast<uint32_t>(pass);
    if (count == 0) {
        return true;
    }
    const uint32_t first = (static_cast<uint32_t>(keys[0]) >> shift) & 0xffu;
    for (int32_t i = 1; i < count; ++i) {
        if (((static_cast<uint32_t>(keys[i]) >> shift) & 0xffu) != first) {
            return false;
        }
    }
    return true;
}

} // namespace

void radixPass(const int32_t* keys, const int32_t* source, int32_t* destination, int32_t count,
               int32_t pass) {
    const uint32_t shift = 8u * static_cast<uint32_t>(pass);
    int32_t start[RADIX_BUCKETS] = {};
    for (int32_t i = 0; i < count; ++i) {
        ++start[(static_cast<uint32_t>(keys[source[i]]) >> shift) & 0xffu];
    }
    int32_t sum = 0;
    for (int32_t b = 0; b < RADIX_BUCKETS; ++b) {
        const int32_t n = start[b];
        start[b] = sum;
        sum += n;
    }
    for (int32_t i = 0; i < count; ++i) {
        const int32_t entry = source[i];
        destination[start[(static_cast<uint32_t>(keys[entry]) >> shift) & 0xffu]++] = entry;
    }
}

void sortFacesByDepth(RenderPipeline& pipeline) {
    const int32_t count = pipeline.faceCount;
    for (int32_t i = 0; i < count; ++i) {
        const PipelineFace& face = pipeline.faces[i];
        float zmax = pipeline.vertices[face.vertex[0]].position.z;
        for (int32_t k = 1; k < face.cornerCount; ++k) {
            const float z = pipeline.vertices[face.vertex[k]].position.z;
            if (z > zmax) {
                zmax = z;
            }
        }
        pipeline.faceRows[i] = rowsOf(pipeline, face);
        pipeline.faceOrder[i] = i;
        // Clipped faces lie between the planes, so the key fits; unclipped faces from a box the
        // camera called inside do too. Anything else is clamped rather than left undefined.
        const float key = -zmax * DEPTH_KEY_SCALE;
        pipeline.depthKeys[i] = key >= 2147483520.0f ? 2147483647
                                : key > 0.0f         ? static_cast<int32_t>(key)
                                                     : 0;
    }
    // A pass whose digit is the same for every key leaves the order as it is; such passes (the
    // top byte is usually 0) are skipped, and the ping-pong continues from wherever the order is.
    int32_t* source = pipeline.faceOrder;
    int32_t* destination = pipeline.scratchOrder;
    for (int32_t pass = 0; pass < 4; ++pass) {
        if (allKeysShareDigit(pipeline.depthKeys, count, pass)) {
            continue;
        }
        radixPass(pipeline.depthKeys, source, destination, count, pass);
        int32_t* sorted = destination;
        destination = source;
        source = sorted;
    }
    if (source != pipeline.faceOrder) {
        std::memcpy(pipeline.faceOrder, source, sizeof(int32_t) * static_cast<size_t>(count));
    }
    for (int32_t k = 0; k < count; ++k) {
        pipeline.orderedRows[k] = pipeline.faceRows[pipeline.faceOrder[k]];
    }
}

} // namespace tessellune
