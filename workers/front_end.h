// A pass's front end on the worker pool: its recorded submissions run by every worker at once.
//
// Conventions: the pass records its submissions (RenderPipeline::recording); runFrontEnd runs them
// before the pass is ordered and projected, and leaves exactly what running them one by one on one
// thread leaves: the same vertices, normals, texture coordinates and faces at the same indices, in
// the same order, the same refusals. The work is cut into chunks in order (runs of small
// submissions; ranges of a large mesh's faces, once its vertices are placed by ranges). The workers
// take chunks in turn, each runs its chunk into its own staging pipeline, waits until the chunk
// before it is placed, places its own (with the one-thread path's refusals) and lays it down, its
// indices moved to where they land, while the staged copy is still in its cache. Whatever a
// staging pipeline cannot hold runs on the calling thread afterwards, from that chunk on.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

#include "render/pipeline.h"
#include "render/submit.h"
#include "workers/worker_pool.h"

namespace tessellune {

// Where one record's output lies in its worker's staging pipeline.
struct StagedSubmission {
    int32_t vertex = 0, vertexCount = 0;
    int32_t normal = 0, normalCount = 0;
    int32_t texcoord = 0, texcoordCount = 0;
    int32_t face = 0, faceCount = 0;
    bool stagingFull = false; // the staging pipeline ran out of room
    bool accepted = false;    // placed: it fits the pass where the submissions before it leave it
    int32_t finalVertex = 0, finalNormal = 0, finalTexcoord = 0, finalFace = 0;
};

// Where the pass stands after a chunk is placed: its bases, the refusals so far, and whether the
// chain broke there (a staging pipeline ran out of room, or a mesh ran out of faces).
struct ChunkEnd {
    int32_t vertex = 0, normal = 0, texcoord = 0, face = 0, refused = 0;
    bool broken = false;     // nothing from brokenAt on was laid down
    bool outOfFaces = false; // a mesh's faces overflowed the pass: the submission is refused
    int32_t brokenAt = 0;    // the record (or the mesh's face) the calling thread goes on from
};

// The buffers a staging pipeline was made with, so that one lent to a mesh's face range (which
// reads the pass's own vertices) can be given back.
struct StagingBuffers {
    PipelineVertex* vertices = nullptr;
    TexCoord* texcoords = nullptr;
    PipelineNormal* normals = nullptr;
    PipelineFace* faces = nullptr;
    BandFace* bandFaces = nullptr;
    int32_t capacity = 0;
    std::vector<KeptFace> kept; // a chunk of a large mesh's faces kept by the facing test
};

struct FrontEnd {
    std::vector<RenderPipeline> staging; // one per worker
    std::vector<StagingBuffers> own;
    std::vector<StagedSubmission> staged; // one per record
    std::vector<int32_t> chunkStart;      // chunk c covers [chunkStart[c], chunkStart[c + 1])
    std::vector<ChunkEnd> chunkEnd;
    std::unique_ptr<std::atomic<int32_t>[]> placed; // chunk c's end is published
    size_t placedCount = 0;
};

// Staging pipelines for each of the pool's workers; false (with nothing held) when there is one
// worker, which runs the records itself, in the browser (whose page thread spins while the
// workers run), or when memory cannot be had.
bool createFrontEnd(FrontEnd& frontEnd, const WorkerPool& pool);
void destroyFrontEnd(FrontEnd& frontEnd);

// Runs and empties the pipeline's records (on the calling thread alone when the front end has no
// staging for every worker).
void runFrontEnd(FrontEnd& frontEnd, WorkerPool& pool, RenderPipeline& pipeline);

} // namespace tessellune
