// Timing whole frames: submission, ordering, projection, bands on the worker pool and resolve.
#pragma once

#include <cstdint>
#include <vector>

#include "render/camera.h"
#include "render/image.h"
#include "render/pipeline.h"
#include "render/resolve.h"
#include "workers/front_end.h"
#include "workers/worker_pool.h"

namespace tessellune::bench {

struct FrameContext {
    RenderPipeline pipeline;
    Camera camera;
    WorkerPool pool;
    FrontEnd frontEnd;
    FloatImage colour;
    DepthImage depth;
    std::vector<uint32_t> display;
    ResolveTarget target;
};

// `workers` band workers (0: one per processor).
bool createFrameContext(FrameContext& context, const TextureStore* textures, uint32_t workers = 0);
void destroyFrameContext(FrameContext& context);

// Submits one frame's geometry (between beginScene and the ordering); `frame` animates it.
using SubmitFrame = void (*)(FrameContext& context, int32_t frame, void* scene);

struct FrameTiming {
    double msPerFrame = 0.0;
    double fps = 0.0;
    int32_t faces = 0; // faces in the last frame's pass
    // Where a frame's time goes, in ms per frame: submission and clipping, ordering and
    // projection (main thread), the bands on the pool, and the resolve.
    double submitMs = 0.0;
    double sortProjectMs = 0.0;
    double bandsMs = 0.0;
    double resolveMs = 0.0;
    double cpuMs = 0.0; // processor time of all threads per frame: steadier than wall time on a busy machine
    double mainCpuMs = 0.0;  // of which the main thread's
    double unloadedMs = 0.0; // main thread + worker time / workers: the frame time on an idle machine
    // The part of the frame outside the pool's dispatches, where only the main thread works, and
    // the part inside them, where every worker does.
    double serialMs = 0.0;
    double dispatchMs = 0.0;
    uint32_t workers = 0;
    std::vector<double> frameMs; // each timed frame's wall time, in order
};

// Renders one whole frame (animation step `frame`); the pipeline keeps the pass afterwards.
void renderOneFrame(FrameContext& context, SubmitFrame submit, void* scene, int32_t frame);

// Renders warm-up frames, then frames until `seconds` have passed (at least `minFrames`).
FrameTiming timeFrames(FrameContext& context, SubmitFrame submit, void* scene, double seconds,
                       int32_t minFrames);

} // namespace tessellune::bench
