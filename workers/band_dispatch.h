// Rendering one prepared scene pass on the worker pool: every worker runs renderBand on its band.
#pragma once

#include "render/image.h"
#include "render/pipeline.h"
#include "workers/worker_pool.h"

namespace tessellune {

struct Camera;

// The pass must be ordered and projected: one that is not draws nothing (each band still clears its
// rows) and the first such pass says so on stderr. Records the pipeline peaks once, after all bands.
void renderPassOnPool(WorkerPool& pool, RenderPipeline& pipeline, const Camera& camera, FloatImage& colour,
                      DepthImage& depth);

} // namespace tessellune
