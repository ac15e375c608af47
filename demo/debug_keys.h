// The authoring keys: a free camera with presets, and nudges of the "gtn" value, printed as they change.
#pragma once

#include <cstdint>

#include "demo/demo_state.h"

namespace tessellune {

struct DebugControls {
    CameraInput camera;     // the free camera (used while camera.freeCamera is on)
    int32_t duneShader = 5; // printed only; scene 4 resets its own copy every frame
    int32_t duid = 546;     // a counter that only key '7' changes and only its printout shows
};

// Applies one key press (auto-repeats included) and prints the camera line that follows every key.
// Letters are upper-case codes, digits '0'..'9', '=' is 61.
void applyDebugKey(DebugControls& controls, float& gtn, int32_t key);

} // namespace tessellune
