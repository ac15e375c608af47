// The render pipeline: the four per-pass buffers, the append protocol, lights and statistics.
//
// Conventions: one scene pass runs beginScene, addLight, submissions, sortFacesByDepth and
// projectVertices (in either order: whichever runs second lays out what the bands scan; or both at
// once on the worker pool, workers/pass_order.h), then renderBand on every band. A pass missing
// either step draws nothing, and the dispatcher says so. Indices stored in faces are absolute
// buffer indices. A submission appends at base + added and commits by advancing the bases; a
// submission that would overflow any buffer is refused whole: nothing of it becomes part of the
// pass, and the refusal is counted so the statistics show it.
#pragma once

#include <cstdint>
#include <vector>

#include "render/light.h"
#include "render/limits.h"
#include "render/pipeline_records.h"
#include "render/submission_record.h"
#include "render/texture.h"

namespace tessellune {

// One range's counts of each value of each digit of the ordering's depth keys (digit p is bits
// 11p to 11p + 10 of the key).
struct RadixCounts {
    int32_t bucket[RADIX_PASSES][RADIX_BUCKETS];
};

struct RenderPipeline {
    PipelineVertex* vertices = nullptr;
    TexCoord* texcoords = nullptr;
    PipelineNormal* normals = nullptr;
    PipelineFace* faces = nullptr;

    int32_t verticesAdded = 0;
    int32_t normalsAdded = 0;
    int32_t texcoordsAdded = 0;

    int32_t vertexCapacity = 0;
    int32_t texcoordCapacity = 0;
    int32_t faceCapacity = 0;
    int32_t normalCapacity = 0;

    int32_t vertexBase = 0;
    int32_t texcoordBase = 0;
    int32_t faceCount = 0;
    int32_t normalBase = 0;

    int32_t peakVertices = 0;
    int32_t peakTexcoords = 0;
    int32_t peakFaces = 0;
    int32_t peakNormals = 0;

    int32_t* faceOrder = nullptr;
    int32_t* scratchOrder = nullptr;
    int32_t* depthKeys = nullptr;
    // The keys in the order of faceOrder and scratchOrder while the ordering runs.
    int32_t* sortKeys = nullptr;
    int32_t* scratchKeys = nullptr;
    // bandFaces[i] repeats what the ordering and the bands read of face i: one line a face, where
    // the record spans four; whoever stores a face writes both (storeCorner, noteFace).
    BandFace* bandFaces = nullptr;
    // The ordering shared by ranges among threads (workers/pass_order.h): one table of counts a
    // thread, grown once to the largest pool that has ordered a pass.
    std::vector<RadixCounts> rangeCounts;
    // Row spans of the faces: faceRows by face index, orderedRows in faceOrder's order. The bands
    // scan orderedRows, eight bytes a face, and touch a face's own record only when it reaches
    // their rows: the records are large and, in depth order, scattered over the buffer.
    FaceRows* faceRows = nullptr;
    FaceRows* orderedRows = nullptr;
    // LIGHT_CACHE_BANDS tables of LIGHT_CACHE_ENTRIES: the band starting on block row r uses table
    // r, so bands rendering at the same time never write the same entry.
    LightCacheEntry* lightCache = nullptr;

    const Light* lights[MAX_LIGHTS] = {};
    int32_t lightCount = 0;

    const TextureStore* textures = nullptr;

    // Guarding the fixed capacities: the face count when the open submission started, whether it
    // ran out of room, and how many submissions and lights were refused since creation.
    int32_t submissionFaceStart = 0;
    // Vertices of the open submission from vertexBase up to here carry their planeBits,
    // for the camera the submission clips against; openSubmission empties the range.
    int32_t planesKnownEnd = 0;
    bool submissionOverflowed = false;
    // Whether the faces are ordered and the vertices projected since the last submission (beginScene
    // and every commit clear both); the bands draw only when both are.
    bool facesOrdered = false;
    bool verticesProjected = false;
    int32_t refusedPasses = 0; // passes sent to the bands without one of the two

    // While set, submissions are recorded here instead of stored (render/submission_record.h);
    // beginScene empties the list, whoever runs the records empties it too.
    bool recording = false;
    std::vector<SubmissionRecord> records;
    int32_t refusedSubmissions = 0;
    int32_t refusedLights = 0;
};

// Allocates every buffer once (16-byte aligned) and prints "new pipeline uses: %11.2f MB\n".
// Returns false, with everything released, when memory cannot be had.
bool createPipeline(RenderPipeline& pipeline, const TextureStore* textures);

// The same buffers with room for `capacity` entries each, without the report: where a front end
// stores what one thread's share of a pass's submissions adds before it is laid down.
bool createStagingPipeline(RenderPipeline& pipeline, int32_t capacity);
void destroyPipeline(RenderPipeline& pipeline);

// Starts a scene pass: counts and lights back to 0; old buffer contents stay but are unreachable.
void beginScene(RenderPipeline& pipeline);

// Appends a light pointer; returns false and counts the refusal when all 16 slots are taken.
bool addLight(RenderPipeline& pipeline, const Light* light);

void recordPeaks(RenderPipeline& pipeline);

// True when the pass's faces are ordered and its vertices projected: what the bands draw from.
inline bool passIsReady(const RenderPipeline& pipeline) {
    return pipeline.facesOrdered && pipeline.verticesProjected && pipeline.records.empty();
}

// For whoever sends a pass to the bands: false, with one line on stderr the first time and the
// refusal counted, when the pass is not ready.
bool checkPassReady(RenderPipeline& pipeline);
void printStatistics(const RenderPipeline& pipeline);

// The append protocol. openSubmission zeroes the added counters; reserveVertices and friends
// return the first absolute index of `count` new entries, or -1 (and mark the submission refused)
// when they would not fit; commitSubmission advances the bases, or on a refusal drops every face
// stored since openSubmission and returns false.
void openSubmission(RenderPipeline& pipeline);
int32_t reserveVertices(RenderPipeline& pipeline, int32_t count);
int32_t reserveNormals(RenderPipeline& pipeline, int32_t count);
int32_t reserveTexcoords(RenderPipeline& pipeline, int32_t count);
bool commitSubmission(RenderPipeline& pipeline);

// Inline: every stored face takes one, and as a call it was about a tenth of a triangle's store.
inline PipelineFace* reserveFace(RenderPipeline& pipeline) {
    if (pipeline.submissionOverflowed || pipeline.faceCount >= pipeline.faceCapacity) {
        pipeline.submissionOverflowed = true;
        return nullptr;
    }
    return &pipeline.faces[pipeline.faceCount++];
}

// Storing a face: its record and, for the bands, its band record. Each corner goes to both from
// registers, one index at a time. Gathering the corners in a block of narrow stores and copying
// the block on made the copy's wide loads wait for those stores to reach the cache (a store cannot
// be forwarded to a load wider than itself): in a submission of small triangles that wait was most
// of the clipper's time.
inline BandFace& bandFaceOf(RenderPipeline& pipeline, const PipelineFace& stored) {
    return pipeline.bandFaces[&stored - pipeline.faces];
}

inline void storeCorner(PipelineFace& stored, BandFace& band, int32_t i, int32_t vertex, int32_t texcoord,
                        int32_t normal) {
    stored.vertex[i] = vertex;
    stored.texcoord[i] = texcoord;
    stored.normalIndex[i] = normal;
    if (i < 3) {
        band.vertex[i] = vertex;
        band.texcoord[i] = texcoord;
        band.normalIndex[i] = normal;
    }
}

// The rest of the band record, once the face's corners are stored.
inline void noteFace(BandFace& band, const Vec4& normal, int32_t cornerCount, const Material* material) {
    band.cornerCount = cornerCount;
    band.normal = normal;
    band.material = material;
}

} // namespace tessellune
