// Scenes 10, 11 and 12: the particle field between its rings and its picture, the floor plane and cards.
#include <cmath>

#include "demo/scenes.h"
#include "render/resolve.h"
#include "render/submit.h"

namespace tessellune {

namespace {

constexpr float RING_RADIUS = 60.0f;
constexpr float RING_ROW_HEIGHT = 2.0f;
constexpr float PICTURE_SCALE = 10.0f; // world units per picture pixel
constexpr float PICTURE_DEPTH = -20.0f;

// Card n's top-left corner in the frame.
constexpr int32_t CARD_X = 50;
constexpr int32_t CARD_Y[3] = {50, 120, 200};

Material makeFloorMaterial(int32_t texture) {
    Material m;
    m.textureIndex = texture;
    m.shaderType = Baked;
    m.name = "(unnamed)";
    m.specularExponent = 5; // not read by the textured path; fixed so it is defined
    m.opacity = 1.0f;
    return m;
}

void submitParticles(DemoState& state, int scene, double row, const Matrix4& view) {
    const float lerp = syncTrackValue(state.tracks.lerp, row);
    const float size = syncTrackValue(state.tracks.scale, row);
    const float spin = static_cast<float>(state.spinPhase);
    Matrix4 spinOdd, spinEven;
    if (scene == 10) {
        const float zero[3] = {0, 0, 0};
        const float odd[3] = {0, spin, 0};
        const float even[3] = {0, -spin, 0};
        makePlacement(zero, odd, spinOdd);
        makePlacement(zero, even, spinEven);
    }
    for (Particle& p : state.particles.particles) {
        const float ring[3] = {RING_RADIUS * p.ringDirection.x,
                               RING_ROW_HEIGHT * static_cast<float>(p.ringRow),
                               RING_RADIUS * p.ringDirection.z};
        const float image[3] = {PICTURE_SCALE * static_cast<float>(p.centredColumn),
                                -PICTURE_SCALE * static_cast<float>(p.centredRow), PICTURE_DEPTH};
        const float position[3] = {lerp * image[0] + (1 - lerp) * ring[0],
                                   lerp * image[1] + (1 - lerp) * ring[1],
                                   lerp * image[2] + (1 - lerp) * ring[2]};
        const Vec4 colour = add(scale(p.imageColour, lerp), scale(p.grey, 1 - lerp));
        p.material.ambient = colour;
        p.material.diffuse = colour;
        p.material.textureIndex = 0;
        p.material.shaderType = Baked;

        const float noTurn[3] = {0, 0, 0};
        Matrix4 model;
        makePlacement(position, noTurn, model);
        if (scene == 10) {
            // Neighbouring rings turn in opposite directions about the vertical axis.
            model = multiply(model, (p.ringRow % 2 != 0) ? spinOdd : spinEven);
        }
        submitCube(state.pipeline, state.mainCamera, model, view, size, &p.material);
    }
}

void submitFloorPlane(DemoState& state, const Matrix4& view, double now) {
    Material& floor = state.floorMaterial; // lives in the state: the pass's faces point at it
    floor = makeFloorMaterial(state.floorTexture);
    const float zero[3] = {0, 0, 0};
    const float turn[3] = {0, static_cast<float>(now), 0};
    Matrix4 model;
    makePlacement(zero, turn, model);
    const TexCoord repeatTwice[4] = {{2, 2, 0, 0}, {0, 2, 0, 0}, {0, 0, 0, 0}, {2, 0, 0, 0}};
    submitGround(state.pipeline, state.mainCamera, model, view, repeatTwice, &floor);
}

void overlayCards(DemoState& state, double row, const Texture* const cards[3]) {
    SyncTrack* switches[3] = {state.tracks.ta1, state.tracks.ta2, state.tracks.ta3};
    bool anyPositive = false;
    for (SyncTrack* track : switches) {
        if (syncTrackValue(track, row) > 0.0f) {
            anyPositive = true;
            break;
        }
    }
    if (!anyPositive) {
        return;
    }
    for (int n = 0; n < 3; ++n) {
        if (syncTrackValue(switches[n], row) != 0.0f && cards[n] != nullptr && cards[n]->image != nullptr) {
            overlayImage(*cards[n]->image, state.colour, CARD_X, CARD_Y[n]);
        }
    }
}

} // namespace

void renderParticleScene(DemoState& state, int scene, double row, const Matrix4& view, double now,
                         double delta) {
    state.spinPhase += static_cast<double>(syncTrackValue(state.tracks.speed, row)) * delta;
    beginScene(state.pipeline);
    submitParticles(state, scene, row, view);
    if (roundedTrackValue(state.tracks.planeEnable, row) != 0) {
        submitFloorPlane(state, view, now);
    }
    finishPass(state, state.colour);

    if (scene == 11) {
        const Texture* cards[3] = {state.cards[CardVelk], state.cards[CardCompoFilling],
                                   state.cards[CardDemoSplash]};
        overlayCards(state, row, cards);
    } else if (scene == 12) {
        const Texture* cards[3] = {state.cards[CardCredits], state.cards[CardTime], state.cards[CardSorry]};
        overlayCards(state, row, cards);
    }
}

} // namespace tessellune
