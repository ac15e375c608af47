// Camera key-frame tables and the blend the frame loop uses when the free camera is off.
#include "demo/camera_tables.h"

#include <algorithm>

namespace tessellune {

CameraKeyframes makeCameraKeyframes() {
    return CameraKeyframes{
        {{0, 0, -10, 0},
         {-56, -60, -96, 0},
         {-184, 20, -272, 0},
         {100, 0, -148, 0},
         {-500, 0, -148, 0},
         {8, -20, -10, 0},
         {8, -20, -200, 0},
         {0, -136, 16, 0}},
        {{0, 0, 0, 0},
         {0.3f, -0.4f, 0, 0},
         {0.3f, -0.9f, -0.4f, 0},
         {0, -0.5f, 0.6f, 0},
         {0, -0.5f, 0.6f, 0},
         {0, 0, 0, 0},
         {0, 0, 0, 0},
         {1.2f, 0, 0, 0}},
    };
}

int keyframeIndex(float trackValue) {
    const float shifted = trackValue + 0.5f;
    if (!(shifted > 0.0f)) { // also catches NaN
        return 0;
    }
    if (shifted >= static_cast<float>(CAMERA_KEYFRAMES - 1)) {
        return CAMERA_KEYFRAMES - 1;
    }
    return static_cast<int>(shifted);
}

Matrix4 blendedCameraView(const CameraKeyframes& tables, float camA, float camB, float camLerp) {
    const int a = keyframeIndex(camA);
    const int b = keyframeIndex(camB);
    const float t = camLerp;
    const auto blend = [t](const Vec4& p, const Vec4& q) {
        return Vec4{(1 - t) * p.x + t * q.x, (1 - t) * p.y + t * q.y, (1 - t) * p.z + t * q.z,
                    (1 - t) * p.w + t * q.w};
    };
    const Vec4 position = blend(tables.position[a], tables.position[b]);
    const Vec4 rotation = blend(tables.rotation[a], tables.rotation[b]);
    Matrix4 view;
    makeFreeView(&position.x, &rotation.x, view);
    return view;
}

} // namespace tessellune
