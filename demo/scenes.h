// The timeline's scenes: particle rings and picture (10, 11, 12), dune tile (4), rectangle (5),
// object over the dune field (6), chosen every frame by the "scene" track.
//
// Conventions: `row` is the frame's sync row, `view` the frame's camera matrix, `now` the frame
// timer's time and `delta` the last frame interval, both in seconds. Every scene draws into the
// main colour buffer (scene 4 through the second buffer).
#pragma once

#include "demo/demo_state.h"

namespace tessellune {

void renderParticleScene(DemoState& state, int scene, double row, const Matrix4& view, double now,
                         double delta);
void renderDuneScene(DemoState& state, double row);                           // scene 4
void renderRectangleScene(DemoState& state, const Matrix4& view, double now); // scene 5
void renderObjectScene(DemoState& state, double row, const Matrix4& view);    // scene 6

// What scenes 4 and 6 leave behind for later frames (the "gtn" value and the tiles' materials:
// scene 6's tiles show the sand colour scene 4 gave them), without drawing.
void applyDuneSceneState(DemoState& state, double row);
void applyObjectSceneState(DemoState& state, double row);

// Tests the "scene" track for 10, 11, 12, 4, 5 and 6 in that order and runs each that matches.
// Scenes 4 and 6 lower the row by 0.75 once they are drawn; returns the row as it ends.
double renderScenes(DemoState& state, double row, const Matrix4& view, double now, double delta);

// Renders the prepared pass (ordered, projected) on the worker pool into `colour`.
void finishPass(DemoState& state, FloatImage& colour);

} // namespace tessellune
