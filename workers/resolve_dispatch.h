// Converting the frame's colour buffer into display pixels on the worker pool, a share of rows each.
#pragma once

#include "render/image.h"
#include "render/resolve.h"
#include "workers/worker_pool.h"

namespace tessellune {

// resolve (faded false) or resolveFaded with `factor` over the whole target, every worker
// converting an even share of its rows: the same pixels as on one thread. A target whose height is
// not the pool's rows is converted on the calling thread.
void resolveOnPool(WorkerPool& pool, ResolveTarget& target, const FloatImage& colour, bool faded,
                   float factor);

} // namespace tessellune
