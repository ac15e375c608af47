// The camera key-frame tables and the track-driven camera blend between two of their entries.
#pragma once

#include "math/matrix4.h"

namespace tessellune {

inline constexpr int CAMERA_KEYFRAMES = 8;

struct CameraKeyframes {
    Vec4 position[CAMERA_KEYFRAMES];
    Vec4 rotation[CAMERA_KEYFRAMES]; // radians about x, y, z; w unused
};

// The fixed tables the timeline's "cam_a" / "cam_b" tracks index into.
CameraKeyframes makeCameraKeyframes();

// A track value turned into a table index: + 0.5, truncated toward zero, then clamped to 0..7 so
// that out-of-range track data can never read outside the tables.
int keyframeIndex(float trackValue);

// The frame's view: position and rotation blended (1 - t) * entry a + t * entry b over all four
// components, then makeFreeView.
Matrix4 blendedCameraView(const CameraKeyframes& tables, float camA, float camB, float camLerp);

} // namespace tessellune
