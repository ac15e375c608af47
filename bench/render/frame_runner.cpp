// The frame loop of the benchmark: the same stages, in the same order, as the demo's scene passes.
#include "frame_runner.h"

#include <chrono>
#include <ctime>

#include "render/clip.h"
#include "render/image.h"
#include "workers/band_dispatch.h"
#include "workers/pass_order.h"
#include "workers/resolve_dispatch.h"

namespace tessellune::bench {

bool createFrameContext(FrameContext& context, const TextureStore* textures, uint32_t workers) {
    if (!createPipeline(context.pipeline, textures)) {
        return false;
    }
    createCamera(context.camera, FRAME_WIDTH, FRAME_HEIGHT, 1.3333334f);
    if (!createWorkerPool(context.pool, workers, FRAME_HEIGHT) ||
        !createFloatImage(context.colour, FRAME_WIDTH, FRAME_HEIGHT) ||
        !createDepthImage(context.depth, FRAME_WIDTH, FRAME_HEIGHT)) {
        return false;
    }
    createFrontEnd(context.frontEnd, context.pool);
    context.pipeline.recording = !context.frontEnd.staging.empty();
    context.display.assign(static_cast<size_t>(FRAME_WIDTH) * FRAME_HEIGHT, 0u);
    context.target = {context.display.data(), FRAME_WIDTH, FRAME_HEIGHT};
    return true;
}

void destroyFrameContext(FrameContext& context) {
    destroyFrontEnd(context.frontEnd);
    destroyWorkerPool(context.pool);
    releaseFloatImage(context.colour);
    releaseDepthImage(context.depth);
    destroyPipeline(context.pipeline);
}

namespace {

using Clock = std::chrono::steady_clock;

double threadCpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

double since(Clock::time_point& mark) {
    const Clock::time_point now = Clock::now();
    const double seconds = std::chrono::duration<double>(now - mark).count();
    mark = now;
    return seconds;
}

void renderFrame(FrameContext& context, SubmitFrame submit, void* scene, int32_t frame, FrameTiming& stages) {
    Clock::time_point mark = Clock::now();
    beginScene(context.pipeline);
    submit(context, frame, scene);
    runFrontEnd(context.frontEnd, context.pool, context.pipeline);
    stages.submitMs += since(mark);
    projectAndOrderOnPool(context.pool, context.pipeline, context.camera);
    stages.sortProjectMs += since(mark);
    renderPassOnPool(context.pool, context.pipeline, context.camera, context.colour, context.depth);
    stages.bandsMs += since(mark);
    resolveOnPool(context.pool, context.target, context.colour, false, 1.0f);
    stages.resolveMs += since(mark);
}

} // namespace

void renderOneFrame(FrameContext& context, SubmitFrame submit, void* scene, int32_t frame) {
    FrameTiming ignored;
    renderFrame(context, submit, scene, frame, ignored);
}

FrameTiming timeFrames(FrameContext& context, SubmitFrame submit, void* scene, double seconds,
                       int32_t minFrames) {
    FrameTiming timing;
    for (int32_t frame = 0; frame < 5; ++frame) {
        renderFrame(context, submit, scene, frame, timing); // warm caches and let the bands settle
    }
    timing = FrameTiming{};
    const Clock::time_point begin = Clock::now();
    const std::clock_t cpuBegin = std::clock();
    const double mainBegin = threadCpuSeconds();
    const double dispatchBegin = context.pool.dispatchSeconds;
    int32_t frames = 0;
    double elapsed = 0.0;
    while (frames < minFrames || elapsed < seconds) {
        const double frameBegin = elapsed;
        renderFrame(context, submit, scene, frames, timing);
        ++frames;
        elapsed = std::chrono::duration<double>(Clock::now() - begin).count();
        timing.frameMs.push_back((elapsed - frameBegin) * 1000.0);
    }
    timing.cpuMs = static_cast<double>(std::clock() - cpuBegin) * 1000.0 / CLOCKS_PER_SEC / frames;
    timing.mainCpuMs = (threadCpuSeconds() - mainBegin) * 1000.0 / frames;
    // On an otherwise idle machine the frame takes the main thread's share plus the workers' share
    // spread over the workers, which run at the same time.
    const double workerCpuMs = timing.cpuMs > timing.mainCpuMs ? timing.cpuMs - timing.mainCpuMs : 0.0;
    timing.unloadedMs = timing.mainCpuMs + workerCpuMs / context.pool.workerCount;
    timing.submitMs *= 1000.0 / frames;
    timing.sortProjectMs *= 1000.0 / frames;
    timing.bandsMs *= 1000.0 / frames;
    timing.resolveMs *= 1000.0 / frames;
    timing.msPerFrame = elapsed * 1000.0 / frames;
    timing.dispatchMs = (context.pool.dispatchSeconds - dispatchBegin) * 1000.0 / frames;
    timing.serialMs = timing.msPerFrame > timing.dispatchMs ? timing.msPerFrame - timing.dispatchMs : 0.0;
    timing.workers = context.pool.workerCount;
    timing.fps = frames / elapsed;
    timing.faces = context.pipeline.faceCount;
    return timing;
}

} // namespace tessellune::bench
