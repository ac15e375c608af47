// Ordering the pass's faces nearest first with a three-pass radix sort on integer depth keys.
#include "render/face_order.h"

#include <cmath>
#include <cstring>

namespace tessellune {

namespace {

// Keys are the nearest corner's distance in 16.16 fixed point: 65536 on the near plane.
constexpr float DEPTH_KEY_SCALE = 65536.0f;
constexpr uint32_t RADIX_MASK = RADIX_BUCKETS - 1;

// The same minimum and maximum, computed the same way, as the band renderer's own test used, so
// the bands make the same decisions from the span as from the corners.
FaceRows cornerRows(const PipelineVertex& v0, const PipelineVertex& v1, const PipelineVertex& v2) {
    const float y0 = v0.screen.y;
    const float y1 = v1.screen.y;
    const float y2 = v2.screen.y;
    float minY = y0 < y1 ? y0 : y1;
    minY = y2 < minY ? y2 : minY;
    float maxY = y0 > y1 ? y0 : y1;
    maxY = y2 > maxY ? y2 : maxY;
    return {minY, maxY};
}

FaceRows rowsOf(const RenderPipeline& pipeline, const BandFace& face) {
    return faceRowsOf(pipeline, face.vertex, face.cornerCount);
}

// The largest view-space z of the face's corners: its nearest point.
float nearestZ(const RenderPipeline& pipeline, int32_t index, const BandFace& face) {
    float zmax = pipeline.vertices[face.vertex[0]].position.z;
    for (int32_t k = 1; k < face.cornerCount && k < 3; ++k) {
        const float z = pipeline.vertices[face.vertex[k]].position.z;
        zmax = z > zmax ? z : zmax;
    }
    if (face.cornerCount > 3) {
        const PipelineFace& record = pipeline.faces[index];
        for (int32_t k = 3; k < record.cornerCount; ++k) {
            const float z = pipeline.vertices[record.vertex[k]].position.z;
            zmax = z > zmax ? z : zmax;
        }
    }
    return zmax;
}

// Clipped faces lie between the planes, so the key fits; unclipped faces from a box the camera
// called inside do too. Anything else is clamped rather than left undefined.
int32_t depthKeyOf(float zmax) {
    const float key = -zmax * DEPTH_KEY_SCALE;
    return key >= LARGEST_INT32_FLOAT ? 2147483647 : key > 0.0f ? static_cast<int32_t>(key) : 0;
}

uint32_t digitOf(int32_t key, int32_t pass) {
    return (static_cast<uint32_t>(key) >> (RADIX_BITS * static_cast<uint32_t>(pass))) & RADIX_MASK;
}

// Face i's depth key into depthKeys and, once the vertices are projected, its row span into
// faceRows; returns the key.
inline int32_t keyFace(RenderPipeline& pipeline, int32_t i, bool projected) {
    const BandFace& face = pipeline.bandFaces[i];
    float zmax;
    if (face.cornerCount == 3) {
        // Nearly every face: its three corners read once for both the key and the rows.
        const PipelineVertex& v0 = pipeline.vertices[face.vertex[0]];
        const PipelineVertex& v1 = pipeline.vertices[face.vertex[1]];
        const PipelineVertex& v2 = pipeline.vertices[face.vertex[2]];
        zmax = v0.position.z;
        zmax = v1.position.z > zmax ? v1.position.z : zmax;
        zmax = v2.position.z > zmax ? v2.position.z : zmax;
        if (projected) {
            pipeline.faceRows[i] = cornerRows(v0, v1, v2);
        }
    } else {
        zmax = nearestZ(pipeline, i, face);
        if (projected) {
            pipeline.faceRows[i] = rowsOf(pipeline, face);
        }
    }
    const int32_t depthKey = depthKeyOf(zmax);
    pipeline.depthKeys[i] = depthKey;
    return depthKey;
}

// Every face's row span, by face index and in the order.
void layOutFaceRows(RenderPipeline& pipeline) {
    const int32_t count = pipeline.faceCount;
    for (int32_t i = 0; i < count; ++i) {
        pipeline.faceRows[i] = rowsOf(pipeline, pipeline.bandFaces[i]);
    }
    for (int32_t k = 0; k < count; ++k) {
        pipeline.orderedRows[k] = pipeline.faceRows[pipeline.faceOrder[k]];
    }
}

} // namespace

FaceRows faceRowsOf(const RenderPipeline& pipeline, const int32_t* vertex, int32_t cornerCount) {
    if (cornerCount < 3) {
        return {INFINITY, -INFINITY};
    }
    return cornerRows(pipeline.vertices[vertex[0]], pipeline.vertices[vertex[1]],
                      pipeline.vertices[vertex[2]]);
}

void noteVerticesProjected(RenderPipeline& pipeline) {
    pipeline.verticesProjected = true;
    if (pipeline.facesOrdered) {
        layOutFaceRows(pipeline);
    }
}

void sortFacesByDepth(RenderPipeline& pipeline) {
    const int32_t count = pipeline.faceCount;
    // The keys need only view-space depth, known since submission. Once the vertices are
    // projected the row spans are made in the same sweep, each corner read once for both;
    // before that the projection lays them out when it runs.
    const bool projected = pipeline.verticesProjected;
    // The three digits' bucket counts are taken while the keys are made, in one sweep.
    int32_t buckets[RADIX_PASSES][RADIX_BUCKETS] = {};
    for (int32_t i = 0; i < count; ++i) {
        const int32_t depthKey = keyFace(pipeline, i, projected);
        const auto bits = static_cast<uint32_t>(depthKey);
        ++buckets[0][bits & RADIX_MASK];
        ++buckets[1][(bits >> RADIX_BITS) & RADIX_MASK];
        ++buckets[2][bits >> (2 * RADIX_BITS)];
    }
    // Stable passes from the lowest digit up, each moving the key with its face so that a pass
    // reads both in order. A pass whose digit is the same for every key (one bucket holds them
    // all; the top digit usually is) would leave the order as it is and is skipped. The first
    // pass reads the keys in face order; later ones ping-pong between the two key and order pairs.
    const int32_t* sourceKeys = pipeline.depthKeys;
    const int32_t* sourceFaces = nullptr; // face i at position i
    int32_t* keys[2] = {pipeline.sortKeys, pipeline.scratchKeys};
    int32_t* faces[2] = {pipeline.faceOrder, pipeline.scratchOrder};
    int32_t next = 0;
    for (int32_t pass = 0; pass < RADIX_PASSES && count > 0; ++pass) {
        const uint32_t shift = RADIX_BITS * static_cast<uint32_t>(pass);
        int32_t* start = buckets[pass];
        if (start[(static_cast<uint32_t>(sourceKeys[0]) >> shift) & RADIX_MASK] == count) {
            continue;
        }
        int32_t sum = 0;
        for (int32_t b = 0; b < RADIX_BUCKETS; ++b) {
            const int32_t n = start[b];
            start[b] = sum;
            sum += n;
        }
        int32_t* destinationKeys = keys[next];
        int32_t* destinationFaces = faces[next];
        for (int32_t i = 0; i < count; ++i) {
            const int32_t key = sourceKeys[i];
            const int32_t at = start[(static_cast<uint32_t>(key) >> shift) & RADIX_MASK]++;
            destinationKeys[at] = key;
            destinationFaces[at] = sourceFaces != nullptr ? sourceFaces[i] : i;
        }
        sourceKeys = destinationKeys;
        sourceFaces = destinationFaces;
        next ^= 1;
    }
    if (sourceFaces == nullptr) {
        for (int32_t i = 0; i < count; ++i) {
            pipeline.faceOrder[i] = i;
        }
    } else if (sourceFaces != pipeline.faceOrder) {
        std::memcpy(pipeline.faceOrder, sourceFaces, sizeof(int32_t) * static_cast<size_t>(count));
    }
    pipeline.facesOrdered = true;
    if (projected) {
        for (int32_t k = 0; k < count; ++k) {
            pipeline.orderedRows[k] = pipeline.faceRows[pipeline.faceOrder[k]];
        }
    }
}

void keyFaceRange(RenderPipeline& pipeline, int32_t begin, int32_t end, RadixCounts& counts) {
    std::memset(counts.bucket, 0, sizeof(counts.bucket));
    for (int32_t i = begin; i < end; ++i) {
        const auto bits = static_cast<uint32_t>(keyFace(pipeline, i, true));
        ++counts.bucket[0][bits & RADIX_MASK];
        ++counts.bucket[1][(bits >> RADIX_BITS) & RADIX_MASK];
        ++counts.bucket[2][bits >> (2 * RADIX_BITS)];
    }
}

void countDigitRange(const int32_t* keys, int32_t begin, int32_t end, int32_t pass, int32_t* counts) {
    std::memset(counts, 0, sizeof(int32_t) * RADIX_BUCKETS);
    for (int32_t i = begin; i < end; ++i) {
        ++counts[digitOf(keys[i], pass)];
    }
}

void scatterRange(RenderPipeline& pipeline, const RadixScatter& scatter, int32_t begin, int32_t end,
                  int32_t* offsets) {
    const int32_t pass = scatter.pass;
    for (int32_t i = begin; i < end; ++i) {
        const int32_t key = scatter.sourceKeys[i];
        const int32_t face = scatter.sourceFaces != nullptr ? scatter.sourceFaces[i] : i;
        const int32_t at = offsets[digitOf(key, pass)]++;
        if (scatter.destinationKeys != nullptr) {
            scatter.destinationKeys[at] = key;
        }
        scatter.destinationFaces[at] = face;
        if (scatter.orderedRows != nullptr) {
            scatter.orderedRows[at] = pipeline.faceRows[face];
        }
    }
}

void keepFaceRange(RenderPipeline& pipeline, int32_t begin, int32_t end) {
    for (int32_t i = begin; i < end; ++i) {
        pipeline.faceOrder[i] = i;
        pipeline.orderedRows[i] = pipeline.faceRows[i];
    }
}

} // namespace tessellune
