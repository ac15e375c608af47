// Placing a mesh and a light for previews and the model benchmark.
#include "render/mesh_framing.h"

#include <cmath>

#include "render/submit.h"

namespace tessellune {

namespace {

// tan of the camera's 30-degree vertical half-angle.
constexpr float HALF_HEIGHT_PER_DISTANCE = 0.57735026f;

// The largest extent of a previewed mesh, in view units: far enough beyond the near plane (1).
constexpr float PREVIEW_SIZE = 10.0f;

} // namespace

void frameMeshInView(Mesh& mesh, float yaw, float fill, MeshFraming& setup) {
    const Vec4 lo = mesh.boxCorners[0];
    const Vec4 hi = mesh.boxCorners[7];
    float size = std::fmax(std::fmax(hi.x - lo.x, hi.y - lo.y), hi.z - lo.z);
    if (!(size > 0.0f) || !std::isfinite(size)) {
        size = 1.0f; // an empty or flat box still gets a sensible camera
    }
    // Scaled to a fixed size well beyond the near plane, whatever units the file uses; the
    // visible half-height at distance d is d tan 30 and the mesh's half size takes `fill` of it.
    // Pushed back by half its horizontal extent, so that whatever part turning brings nearest
    // still fits.
    const float scale = PREVIEW_SIZE / size;
    const float horizontal = std::fmax(hi.x - lo.x, hi.z - lo.z) * scale;
    setup.distance = 0.5f * PREVIEW_SIZE / (fill * HALF_HEIGHT_PER_DISTANCE) + 0.5f * horizontal;
    const float centre[3] = {(lo.x + hi.x) * 0.5f * scale, (lo.y + hi.y) * 0.5f * scale,
                             (lo.z + hi.z) * 0.5f * scale};
    mesh.scale = scale;
    mesh.rotation = translationMatrix(-centre[0], -centre[1], -centre[2]);
    rotateY(mesh.rotation, yaw);
    mesh.translation = translationMatrix(0.0f, 0.0f, -setup.distance);
    updateWorldMatrix(mesh);
    setup.view = Matrix4{};

    // Up and to the right of the eye, bright enough at the mesh: diffuse colour x intensity / d^2
    // comes to about 0.8 where the light meets the surface head on.
    const float d = setup.distance;
    setup.light = Light{};
    setup.light.worldPosition = {0.6f * d, 0.8f * d, 0.0f, 1.0f};
    setup.light.viewPosition = setup.light.worldPosition;
    setup.light.diffuseColor = {10.0f, 10.0f, 10.0f, 0.0f};
    setup.light.diffuseIntensity = {0.08f * 2.0f * d * d, 0.0f, 0.0f, 0.0f};
    setup.light.specularColor = {1.0f, 1.0f, 1.0f, 0.0f};
    setup.light.specularIntensity = {0.15f * d * d, 0.0f, 0.0f, 0.0f};
}

} // namespace tessellune
