// The frame loop of the benchmark: the same stages, in the same order, as the demo's scene passes.
#include "frame_runner.h"

#include <chrono>

#include "render/clip.h"
#include "render/targets.h"
#include "workers/band_dispatch.h"

namespace tessellune::bench {

bool createFrameContext(FrameContext& context, const TextureStore* textures) {
    if (!createPipeline(context.pipeline, textures)) {
        return false;
    }
    createCamera(context.camera, SCREEN_WIDTH, SCREEN_HEIGHT, 1.3333334f);
    if (!createWorkerPool(context.pool, 0, SCREEN_HEIGHT) ||
        !createFloatImage(context.colour, SCREEN_WIDTH, SCREEN_HEIGHT) ||
        !createDepthImage(context.depth, SCREEN_WIDTH, SCREEN_HEIGHT)) {
        return false;
    }
    context.display.assign(static_cast<size_t>(SCREEN_WIDTH) * SCREEN_HEIGHT, 0u);
    context.target = {context.display.data(), SCREEN_WIDTH, SCREEN_HEIGHT};
    return true;
}

void destroyFrameContext(FrameContext& context) {
    destroyWorkerPool(context.pool);
    releaseFloatImage(context.colour);
    releaseDepthImage(context.depth);
    destroyPipeline(context.pipeline);
}

namespace {

void renderFrame(FrameContext& context, SubmitFrame submit, void* scene, int32_t frame) {
    beginScene(context.pipeline);
    submit(context, frame, scene);
    sortFacesByDepth(context.pipeline);
    projectVertices(context.camera, context.pipeline);
    renderPassOnPool(context.pool, context.pipeline, context.camera, context.colour, context.depth);
    resolve(context.target, context.colour);
}

} // namespace

FrameTiming timeFrames(FrameContext& context, SubmitFrame submit, void* scene, double seconds, int32_t minFrames) {
    using Clock = std::chrono::steady_clock;
    for (int32_t frame = 0; frame < 5; ++frame) {
        renderFrame(context, submit, scene, frame); // warm caches and let the bands settle
    }
    const Clock::time_point begin = Clock::now();
    int32_t frames = 0;
    double elapsed = 0.0;
    while (frames < minFrames || elapsed < seconds) {
        renderFrame(context, submit, scene, frames);
        ++frames;
        elapsed = std::chrono::duration<double>(Clock::now() - begin).count();
    }
    FrameTiming timing;
    timing.msPerFrame = elapsed * 1000.0 / frames;
    timing.fps = frames / elapsed;
    timing.faces = context.pipeline.faceCount;
    return timing;
}

} // namespace tessellune::bench
