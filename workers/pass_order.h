// A pass's projection and face ordering on the worker pool, with the one-thread functions' results.
//
// Conventions: projectAndOrderOnPool leaves exactly what projectVertices then sortFacesByDepth leave
// on one thread: the same screen positions, depth keys, face order, row spans and flags. Vertices
// are projected and faces keyed by even ranges; each radix pass the one-thread sort would not skip
// runs as a stable scatter of even ranges of its source, every range's entries of a bucket placed
// after those of the ranges before it. A pool of one worker or without threads, or a pass of fewer
// faces than minSharedFaces, runs the one-thread functions on the calling thread.
#pragma once

#include <cstdint>

#include "render/camera.h"
#include "render/limits.h"
#include "render/pipeline.h"
#include "workers/worker_pool.h"

namespace tessellune {

// Called after the pass's last submission (and the front end), before the bands. The first call
// with a larger pool than before grows the pipeline's per-range counts; later calls allocate nothing.
void projectAndOrderOnPool(WorkerPool& pool, RenderPipeline& pipeline, const Camera& camera,
                           int32_t minSharedFaces = PASS_ORDER_MIN_SHARED_FACES);

} // namespace tessellune
