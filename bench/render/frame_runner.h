// Timing whole frames: submission, ordering, projection, bands on the worker pool and resolve.
#pragma once

#include <cstdint>
#include <vector>

#include "render/camera.h"
#include "render/image.h"
#include "render/pipeline.h"
#include "render/resolve.h"
#include "workers/worker_pool.h"

namespace tessellune::bench {

struct FrameContext {
    RenderPipeline pipeline;
    Camera camera;
    WorkerPool pool;
    FloatImage colour;
    DepthImage depth;
    std::vector<uint32_t> display;
    ResolveTarget target;
};

bool createFrameContext(FrameContext& context, const TextureStore* textures);
void destroyFrameContext(FrameContext& context);

// Submits one frame's geometry (between beginScene and the ordering); `frame` animates it.
using SubmitFrame = void (*)(FrameContext& context, int32_t frame, void* scene);

struct FrameTiming {
    double msPerFrame = 0.0;
    double fps = 0.0;
    int32_t faces = 0; // faces in the last frame's pass
};

// Renders warm-up frames, then frames until `seconds` have passed (at least `minFrames`).
FrameTiming timeFrames(FrameContext& context, SubmitFrame submit, void* scene, double seconds, int32_t minFrames);

} // namespace tessellune::bench
