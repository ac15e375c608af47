// Scenes 4, 5 and 6: the turning dune tile, the pulsing rectangle, the object over the dune field.
#include <cmath>
#include <cstring>

#include "demo/mesh_instance.h"
#include "demo/scenes.h"
#include "render/submit.h"

namespace tessellune {

namespace {

constexpr Vec4 DUNE_AMBIENT = {0.93359375f, 0.609375f, 0.0f, 0.0f};   // scene 4's sand colour
constexpr Vec4 DUNE_DIFFUSE = {2.98828125f, 1.59375f, 0.1875f, 0.0f}; // the field's tiles
constexpr Vec4 LIGHT_POSITION = {0.0f, 50.0f, 50.0f, 1.0f};
constexpr Vec4 LIGHT_COLOUR = {10.0f, 10.0f, 10.0f, 0.0f};
constexpr float QUARTER_TURN = 1.5707964f;
constexpr float HALF_TURN = 3.1415927f;
constexpr int FIELD_ROWS = 5;
constexpr int FIELD_COLUMNS = 10;

void setLight(Light& light, const Matrix4& view, float intensity) {
    light.worldPosition = LIGHT_POSITION;
    light.viewPosition = transformPoint(view, LIGHT_POSITION);
    light.diffuseColor = LIGHT_COLOUR;
    light.specularColor = LIGHT_COLOUR;
    light.diffuseIntensity = {intensity, 0, 0, 0};
    light.specularIntensity = {intensity, 0, 0, 0};
}

void clearColour(FloatImage& image) {
    std::memset(static_cast<void*>(image.pixels), 0,
                sizeof(Vec4) * static_cast<size_t>(image.width) * image.height);
}

} // namespace

void applyDuneSceneState(DemoState& state, double row) {
    state.gtn = syncTrackValue(state.tracks.gtn, row);
    state.duneShader = VertexLit;
    if (state.dune) {
        state.dune->defaultMaterial.ambient = DUNE_AMBIENT;
        state.dune->defaultMaterial.shaderType = state.duneShader;
    }
}

void applyObjectSceneState(DemoState& state, double row) {
    state.gtn = syncTrackValue(state.tracks.gtn, row);
    state.duneShader = VertexLit;
    if (state.object) {
        state.object->defaultMaterial.shaderType = Baked;
    }
    if (state.dune) {
        state.dune->defaultMaterial.diffuse = DUNE_DIFFUSE;
        state.dune->defaultMaterial.shaderType = Baked;
    }
}

void renderDuneScene(DemoState& state, double row) {
    clearColour(state.colour);
    applyDuneSceneState(state, row);
    const float g = state.gtn;

    // A fixed camera: this scene ignores the camera tracks.
    const float back[3] = {0, 0, -50};
    const float level[3] = {0, 0, 0};
    Matrix4 view;
    makeFreeView(back, level, view);

    setLight(state.light, view, 1000.0f);
    beginScene(state.pipeline);
    addLight(state.pipeline, &state.light);

    if (state.dune) {
        Mesh& dune = *state.dune;
        Placement placement;
        placement.scale = syncTrackValue(state.tracks.x, row);
        placement.translation[0] = syncTrackValue(state.tracks.cx, row);
        placement.translation[1] = syncTrackValue(state.tracks.cy, row);
        placement.angles[0] = static_cast<float>(static_cast<double>(g) * 0.6024096385542169);
        placement.angles[1] = g * 0.1f;
        placement.angles[2] = g * 0.3003003f;
        submitMeshInstance(dune, placement, view, state.mainCamera, state.pipeline, nullptr);
    }
    finishPass(state, state.secondColour);

    const size_t count = static_cast<size_t>(state.colour.width) * state.colour.height;
    for (size_t i = 0; i < count; ++i) {
        state.colour.pixels[i] = add(state.colour.pixels[i], state.secondColour.pixels[i]);
    }
}

// Scenes 5 and 6 start from a cleared depth buffer and main colour buffer. The pool's bands cover
// every row of both, and each band clears its rows before it draws, so their dispatch is that clear:
// a second one here, on the main thread while the workers wait, would only repeat it.
void renderRectangleScene(DemoState& state, const Matrix4& view, double now) {
    setLight(state.light, view, 100.0f);
    beginScene(state.pipeline);
    addLight(state.pipeline, &state.light);

    Material& m = state.rectangleMaterial;
    m.ambient = {0.5f, 0.6f, 0.7f, 0.0f};
    m.diffuse = m.ambient;
    m.specular = {1, 1, 1, 0};
    m.textureIndex = 0;
    m.shaderType = Baked;
    m.specularExponent = 5;
    m.opacity = 1.0f;
    m.name = "(unnamed)";

    const Matrix4 model = identityMatrix();
    const float height = static_cast<float>((50.0 * std::sin(1.4285714285714286 * now) + 10.0) + 50.0);
    const float width = static_cast<float>((500.0 * std::sin(now) + 10.0) + 500.0);
    submitQuad(state.pipeline, state.mainCamera, model, view, height, width, &m);
    finishPass(state, state.colour);
}

void renderObjectScene(DemoState& state, double row, const Matrix4& view) {
    applyObjectSceneState(state, row);
    const float g = state.gtn;
    setLight(state.light, view, 100.0f);
    beginScene(state.pipeline);
    addLight(state.pipeline, &state.light);

    if (state.object) {
        Placement placement;
        placement.scale = 12.0f;
        placement.translation[1] = 50.0f;
        placement.translation[2] = 20.0f;
        placement.angles[0] = static_cast<float>(static_cast<double>(g) * 0.9900990099009901);
        placement.angles[1] = static_cast<float>(static_cast<double>(g) * 3.3333333333333335);
        placement.angles[2] = static_cast<float>(static_cast<double>(g) * 1.2987012987012987);
        submitMeshInstance(*state.object, placement, view, state.mainCamera, state.pipeline, nullptr);
    }
    if (state.dune) {
        Mesh& dune = *state.dune;
        for (int r = 0; r < FIELD_ROWS; ++r) {
            for (int c = 0; c < FIELD_COLUMNS; ++c) {
                const float x = syncTrackValue(state.tracks.x, row);
                Placement placement;
                placement.scale = x;
                placement.translation[0] = static_cast<float>(c) * x - x * 5.0f;
                placement.translation[1] = static_cast<float>(r) * x;
                placement.angles[0] = QUARTER_TURN;
                const bool ownMaterial = (r == 3 && c == 6) || (r == 1 && c == 2);
                submitMeshInstance(dune, placement, view, state.mainCamera, state.pipeline,
                                   ownMaterial ? &dune.defaultMaterial : nullptr);
            }
        }
    }
    if (state.floor) {
        Placement placement;
        placement.scale = 10000.0f;
        placement.angles[0] = HALF_TURN;
        submitMeshInstance(*state.floor, placement, view, state.mainCamera, state.pipeline, nullptr);
    }
    finishPass(state, state.colour);
}

} // namespace tessellune
