// Placement, facing and projection arithmetic for the data checks.
#include "tests/tools/datagen/scene_geometry.h"

namespace tessellune::datatest {

Matrix4 instanceMatrix(float scale, float tx, float ty, float tz, float ax, float ay, float az) {
    Matrix4 s;
    s(0, 0) = s(1, 1) = s(2, 2) = scale;
    return multiply(multiply(s, eulerRotation(ax, ay, az)), translationMatrix(tx, ty, tz));
}

double frontFacingShare(const datagen::MeshData& mesh, const Matrix4& mv) {
    if (mesh.triangles.empty()) {
        return 0.0;
    }
    int front = 0;
    for (const datagen::MeshTriangle& t : mesh.triangles) {
        const Vec4 n = normalize(transformDirection(mv, datagen::faceNormal(mesh, t)));
        const Vec4 p = transformPoint(mv, mesh.positions[t.corners[0].position]);
        if (p.x * n.x + p.y * n.y + p.z * n.z < 0.0f) {
            ++front;
        }
    }
    return static_cast<double>(front) / mesh.triangles.size();
}

ScreenPoint projectToScreen(const Vec4& view) {
    constexpr float xScale = 1.2990381f; // 1 / (tan 30° x 4/3)
    constexpr float yScale = 1.7320509f; // 1 / tan 30°
    ScreenPoint s;
    s.inFront = view.z <= -1.0f && view.z >= -1000.0f;
    const float depth = -view.z;
    s.x = 320.0f * (1.0f + xScale * view.x / depth);
    s.y = 240.0f * (1.0f - yScale * view.y / depth);
    return s;
}

bool inFrame(const Matrix4& view, const Vec4& point, float margin) {
    const ScreenPoint s = projectToScreen(transformPoint(view, point));
    return s.inFront && s.x >= 640.0f * margin && s.x <= 640.0f * (1.0f - margin) && s.y >= 480.0f * margin &&
           s.y <= 480.0f * (1.0f - margin);
}

} // namespace tessellune::datatest
