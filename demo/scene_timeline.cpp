// Scene selection by the "scene" track, and the end of every scene pass.
#include "demo/scenes.h"
#include "render/clip.h"
#include "workers/band_dispatch.h"
#include "workers/pass_order.h"

namespace tessellune {

void finishPass(DemoState& state, FloatImage& colour) {
    runFrontEnd(state.frontEnd, state.pool, state.pipeline);
    projectAndOrderOnPool(state.pool, state.pipeline, state.mainCamera);
    renderPassOnPool(state.pool, state.pipeline, state.mainCamera, colour, state.depth);
}

double renderScenes(DemoState& state, double row, const Matrix4& view, double now, double delta) {
    for (int scene : {10, 11, 12}) {
        if (roundedTrackValue(state.tracks.scene, row) == scene) {
            renderParticleScene(state, scene, row, view, now, delta);
        }
    }
    if (roundedTrackValue(state.tracks.scene, row) == 4) {
        renderDuneScene(state, row);
        row -= LOWERED_ROWS;
    }
    if (roundedTrackValue(state.tracks.scene, row) == 5) {
        renderRectangleScene(state, view, now);
    }
    if (roundedTrackValue(state.tracks.scene, row) == 6) {
        renderObjectScene(state, row, view);
        row -= LOWERED_ROWS;
    }
    return row;
}

} // namespace tessellune
