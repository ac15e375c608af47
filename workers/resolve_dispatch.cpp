// The resolve job: job data on the dispatcher's stack, resolveRows or resolveFadedRows per worker.
#include "workers/resolve_dispatch.h"

#include "render/limits.h"

namespace tessellune {

namespace {

struct ResolveJobData {
    ResolveTarget* target;
    const FloatImage* colour;
    bool faded;
    float factor;
};

void resolveJob(int32_t firstRow, int32_t lastRow, void* data) {
    const auto* job = static_cast<const ResolveJobData*>(data);
    if (job->faded) {
        resolveFadedRows(*job->target, job->factor, *job->colour, firstRow, lastRow + 1);
    } else {
        resolveRows(*job->target, *job->colour, firstRow, lastRow + 1);
    }
}

} // namespace

void resolveOnPool(WorkerPool& pool, ResolveTarget& target, const FloatImage& colour, bool faded,
                   float factor) {
    ResolveJobData data{&target, &colour, faded, factor};
    if (pool.workerCount == 0 || target.height != pool.totalBlocks * BLOCK_SIZE) {
        resolveJob(0, target.height - 1, &data);
        return;
    }
    dispatchEvenly(pool, resolveJob, &data);
}

} // namespace tessellune
