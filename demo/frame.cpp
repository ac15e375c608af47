// The frame function: camera, scenes and fade; then the resolve into display pixels.
#include "demo/frame.h"

#include "demo/scenes.h"
#include "workers/resolve_dispatch.h"

namespace tessellune {

void beginFrame(DemoState& state, double row) {
    state.gtn = syncTrackValue(state.tracks.gtn, row);
}

Matrix4 frameView(const DemoState& state, double row, const CameraInput& input) {
    if (input.freeCamera) {
        Matrix4 view;
        makeFreeView(&input.position.x, &input.rotation.x, view);
        return view;
    }
    const float t = syncTrackValue(state.tracks.camLerp, row);
    const float a = syncTrackValue(state.tracks.camA, row);
    const float b = syncTrackValue(state.tracks.camB, row);
    return blendedCameraView(state.keyframes, a, b, t);
}

FrameResult renderFrame(DemoState& state, double row, double now, double delta, const CameraInput& input) {
    const Matrix4 view = frameView(state, row, input);
    FrameResult result;
    result.row = renderScenes(state, row, view, now, delta);
    result.fade = syncTrackValue(state.tracks.fs, result.row);
    return result;
}

void skipFrame(DemoState& state, double row, double delta) {
    const int scene = roundedTrackValue(state.tracks.scene, row);
    if (scene == 10 || scene == 11 || scene == 12) {
        state.spinPhase += static_cast<double>(syncTrackValue(state.tracks.speed, row)) * delta;
    }
    if (scene == 4) {
        applyDuneSceneState(state, row);
        row -= LOWERED_ROWS;
    }
    if (roundedTrackValue(state.tracks.scene, row) == 6) {
        applyObjectSceneState(state, row);
    }
}

void presentFrame(WorkerPool& pool, const FloatImage& colour, float fade, ResolveTarget& target) {
    const bool faded = !(static_cast<double>(fade) > 0.999);
    resolveOnPool(pool, target, colour, faded, fade);
}

bool drawFrameOnDisplay(DemoState& state, Scanout::Display& display, double row, double now, double delta,
                        const CameraInput& input) {
    beginFrame(state, row);
    Scanout::LockedFramebuffer* locked = display.lock();
    if (locked == nullptr) {
        return false;
    }
    const FrameResult result = renderFrame(state, row, now, delta, input);
    ResolveTarget target{static_cast<uint32_t*>(locked->pixels), FRAME_WIDTH, FRAME_HEIGHT};
    presentFrame(state.pool, state.colour, result.fade, target);
    display.unlock();
    return true;
}

} // namespace tessellune
