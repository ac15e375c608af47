// Building and submitting the benchmark scenes.
#include "bench_scenes.h"

#include <cmath>

#include "heightfield.h"
#include "render/camera.h"
#include "render/mesh_framing.h"
#include "render/submit.h"

namespace tessellune::bench {

namespace {

constexpr int32_t CUBES_PER_RING = 128;
constexpr float RING_RADIUS = 60.0f;
constexpr float RING_ROW_HEIGHT = 2.0f;
constexpr float CUBE_SIZE = 1.5f;
constexpr float CAMERA_DISTANCE = 200.0f;

void submitPlaced(FrameContext& context, Mesh& mesh, const Matrix4& view, const Material* override) {
    updateWorldMatrix(mesh);
    transformBoxCorners(mesh, view);
    const int32_t mask = classifyBox(context.camera, mesh.transformedBoxCorners);
    if (mask != OUTSIDE) {
        submitMesh(mesh, view, context.camera, context.pipeline, mask, override);
    }
}

} // namespace

void buildCubeRings(CubeRings& scene) {
    scene.positions.resize(static_cast<size_t>(scene.count));
    scene.materials.resize(static_cast<size_t>(scene.count));
    const int32_t rows = (scene.count + CUBES_PER_RING - 1) / CUBES_PER_RING;
    for (int32_t i = 0; i < scene.count; ++i) {
        const double a = (i % CUBES_PER_RING) * 0.049087386578321457;
        const int32_t row = i / CUBES_PER_RING;
        scene.positions[i] = {RING_RADIUS * static_cast<float>(std::sin(a)), RING_ROW_HEIGHT * row,
                              RING_RADIUS * static_cast<float>(std::cos(a)), 1.0f};
        const float g = 0.7f + 0.2f * static_cast<float>((i * 2654435761u) >> 28) / 16.0f;
        Material& m = scene.materials[i];
        m.ambient = {g, g, g, 1.0f};
        m.shaderType = Baked;
    }
    const float eye[3] = {0.0f, RING_ROW_HEIGHT * rows * 0.5f, CAMERA_DISTANCE};
    makeLookAt(eye, Vec4{0, 0, -1, 0}, scene.view);
}

void submitCubeRings(FrameContext& context, int32_t frame, void* data) {
    auto& scene = *static_cast<CubeRings*>(data);
    // Neighbouring rings turn in opposite directions, as in the particle scene.
    const float spin = 0.01f * static_cast<float>(frame);
    const float zero[3] = {0, 0, 0};
    const float odd[3] = {0, spin, 0};
    const float even[3] = {0, -spin, 0};
    Matrix4 spins[2];
    makePlacement(zero, even, spins[0]);
    makePlacement(zero, odd, spins[1]);
    for (int32_t i = 0; i < scene.count; ++i) {
        const Vec4& p = scene.positions[i];
        const Matrix4 placement = multiply(translationMatrix(p.x, p.y, p.z), spins[(i / CUBES_PER_RING) & 1]);
        submitCube(context.pipeline, context.camera, placement, scene.view, CUBE_SIZE, &scene.materials[i]);
    }
}

void buildDuneField(DuneField& scene) {
    buildHeightField(scene.tile, 16, 7); // 16 x 16 cells: 512 triangles
    scene.tile.defaultMaterial.ambient = {0.93f, 0.62f, 0.31f, 1.0f};
    scene.tile.defaultMaterial.shaderType = Baked;

    // The floor: one square facing down in model space, turned over by its placement.
    Mesh& floor = scene.floor;
    const float corners[4][2] = {{-0.5f, -0.5f}, {0.5f, -0.5f}, {0.5f, 0.5f}, {-0.5f, 0.5f}};
    for (const auto& c : corners) {
        MeshVertex v;
        v.position = {c[0], 0.0f, c[1], 1.0f};
        v.normal = {0, -1, 0, 0};
        v.occlusion = 1.0f;
        floor.vertices.push_back(v);
    }
    floor.normals = {{0, -1, 0, 0}};
    floor.texcoords = {TexCoord{}};
    const int32_t triangles[2][3] = {{0, 1, 2}, {0, 2, 3}};
    for (const auto& t : triangles) {
        PipelineFace face;
        face.normal = {0, -1, 0, 0};
        face.cornerCount = 3;
        for (int k = 0; k < 3; ++k) {
            face.vertex[k] = t[k];
        }
        face.material = &floor.defaultMaterial;
        floor.faces.push_back(face);
    }
    computeBox(floor);
    floor.defaultMaterial.ambient = {0.1f, 0.45f, 0.45f, 1.0f};
    floor.defaultMaterial.shaderType = Baked;
    floor.scale = 10000.0f;
    floor.rotation = Matrix4{};
    rotateX(floor.rotation, 3.1415927f);

    const float translation[3] = {8.0f, -20.0f, -200.0f};
    const float angles[3] = {0, 0, 0};
    makeFreeView(translation, angles, scene.view);
    scene.light.worldPosition = {0, 60, 60, 1};
    scene.light.viewPosition = transformPoint(scene.view, scene.light.worldPosition);
    scene.light.diffuseColor = {10, 10, 10, 0};
    scene.light.diffuseIntensity = {100, 0, 0, 0};
}

void submitDuneField(FrameContext& context, int32_t, void* data) {
    auto& scene = *static_cast<DuneField*>(data);
    addLight(context.pipeline, &scene.light);
    constexpr float X = 10.0f;
    for (int32_t r = 0; r < 5; ++r) {
        for (int32_t c = 0; c < 10; ++c) {
            Mesh& tile = scene.tile;
            tile.scale = X;
            tile.rotation = Matrix4{};
            rotateX(tile.rotation, 1.5707964f);
            tile.translation =
                translationMatrix(static_cast<float>(c) * X - X * 5.0f, static_cast<float>(r) * X, 0.0f);
            submitPlaced(context, tile, scene.view, nullptr);
        }
    }
    updateWorldMatrix(scene.floor);
    submitMesh(scene.floor, scene.view, context.camera, context.pipeline, 0xffff, nullptr);
}

void submitModel(FrameContext& context, int32_t frame, void* data) {
    auto& scene = *static_cast<ModelScene*>(data);
    MeshFraming setup;
    frameMeshInView(*scene.mesh, 0.02f * static_cast<float>(frame), 0.5f, setup);
    scene.light = setup.light;
    addLight(context.pipeline, &scene.light);
    submitPlaced(context, *scene.mesh, setup.view, scene.material);
}

void submitFill(FrameContext& context, int32_t, void* data) {
    auto& scene = *static_cast<FillScene*>(data);
    addLight(context.pipeline, &scene.light);
    // Larger than the view at distance 10 (7.7 x 5.8 half extents): clipped to exactly the screen.
    static Mesh quad = [] {
        Mesh m;
        const float xy[4][2] = {{-9, -7}, {9, -7}, {9, 7}, {-9, 7}};
        const float uv[4][2] = {{0, 0}, {4, 0}, {4, 3}, {0, 3}};
        for (int k = 0; k < 4; ++k) {
            MeshVertex v;
            v.position = {xy[k][0], xy[k][1], 0, 1};
            v.occlusion = 1.0f;
            m.vertices.push_back(v);
            m.texcoords.push_back(TexCoord{uv[k][0], uv[k][1]});
        }
        m.normals = {{0, 0, 1, 0}, {0.3f, 0.3f, 0.9f, 0}};
        const int32_t t[2][3] = {{0, 1, 2}, {0, 2, 3}};
        for (const auto& c : t) {
            PipelineFace f;
            f.normal = {0, 0, 1, 0};
            f.cornerCount = 3;
            for (int k = 0; k < 3; ++k) {
                f.vertex[k] = c[k];
                f.texcoord[k] = c[k];
                f.normalIndex[k] = c[k] == 2 ? 1 : 0;
            }
            m.faces.push_back(f);
        }
        m.translation = translationMatrix(0, 0, -10);
        updateWorldMatrix(m);
        return m;
    }();
    submitMesh(quad, Matrix4{}, context.camera, context.pipeline, 0xffff, &scene.material);
}

} // namespace tessellune::bench
