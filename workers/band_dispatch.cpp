// The band job: job data built on the dispatcher's stack, renderBand per worker, peaks afterwards.
#include "workers/band_dispatch.h"

#include "render/band.h"

namespace tessellune {

namespace {

struct BandJobData {
    const RenderPipeline* pipeline;
    const Camera* camera; // carried for jobs that need it; the band renderer does not
    FloatImage* colour;
    DepthImage* depth;
};

void bandJob(int32_t firstRow, int32_t lastRow, void* data) {
    const auto* job = static_cast<const BandJobData*>(data);
    renderBand(*job->pipeline, firstRow, lastRow + 1, *job->colour, *job->depth);
}

} // namespace

void renderPassOnPool(WorkerPool& pool, RenderPipeline& pipeline, const Camera& camera, FloatImage& colour,
                      DepthImage& depth) {
    checkPassReady(pipeline); // the bands still clear their rows, so say why nothing is drawn
    BandJobData data{&pipeline, &camera, &colour, &depth};
    dispatch(pool, bandJob, &data);
    recordPeaks(pipeline);
}

} // namespace tessellune
