// Scene selection, the particle scenes, title cards, the row lowering and reproducible frames.
#include <gtest/gtest.h>

#include <cstring>

#include "demo/frame.h"
#include "demo/scenes.h"
#include "demo_fixture.h"
#include "render/image.h"

using namespace tessellune;
using namespace tessellune::testing;

namespace {

// A free camera at z on the axis, looking down -z at the picture plane.
CameraInput cameraAt(float z) {
    CameraInput input;
    input.freeCamera = true;
    input.position = {0, 0, z, 0};
    return input;
}

const Vec4& pixelAt(const FloatImage& image, int x, int y) {
    return image.pixels[y * image.width + x];
}

} // namespace

TEST(Scenes, PictureParticlesShowTheirPixelColourAndRingParticlesTheirGrey) {
    DemoFixture f({{"scene", {{0, 10, 0}}},
                   {"lerp", {{0, 1, 0}, {100, 0, 0}}},
                   {"scale", {{0, 9.0f, 0}}},
                   {"fs", {{0, 1, 0}}}});
    ASSERT_TRUE(f.ok);
    std::vector<Vec4> red(5 * 5, Vec4{1, 0, 0, 1});
    f.state.particles = buildParticleField(FloatImage{red.data(), 5, 5, false});
    ASSERT_EQ(f.state.particles.particles.size(), 25u);

    renderFrame(f.state, 10.0, 0.0, 0.0, cameraAt(-200));
    const Vec4& centre = pixelAt(f.state.colour, 320, 240);
    EXPECT_EQ(centre.x, 1.0f);
    EXPECT_EQ(centre.y, 0.0f);
    EXPECT_EQ(centre.z, 0.0f);
    EXPECT_EQ(pixelAt(f.state.colour, 2, 2).x, 0.0f); // the corners stay empty

    // At lerp 0 the particles sit on a ring of radius 60: the view's centre looks at its near side.
    renderFrame(f.state, 150.0, 0.0, 0.0, cameraAt(-200));
    const Vec4& ring = pixelAt(f.state.colour, 320, 240);
    EXPECT_EQ(ring.x, ring.y);
    EXPECT_EQ(ring.y, ring.z);
    EXPECT_GE(ring.x, 0.72f);
    EXPECT_LE(ring.x, 0.88f);
}

TEST(Scenes, TitleCardsFollowTheirSwitchesAndTheSceneNumberRoundsHalfUp) {
    // Rows 0-9: scene 10.4 (no cards); 10-19: 10.5 = scene 11; ta_1 -1 throughout, ta_2 on at 20.
    DemoFixture f({{"scene", {{0, 10.4f, 0}, {10, 10.5f, 0}}},
                   {"ta_1", {{0, -1, 0}}},
                   {"ta_2", {{0, 0, 0}, {20, 1, 0}}}});
    ASSERT_TRUE(f.ok);
    std::vector<Vec4> white(4 * 4, Vec4{1, 1, 1, 1});
    FloatImage cardImage{white.data(), 4, 4, false};
    Texture card{&cardImage, "card"};
    for (Texture*& t : f.state.cards) {
        t = &card;
    }

    renderFrame(f.state, 5.0, 0, 0, cameraAt(-200));
    EXPECT_EQ(pixelAt(f.state.colour, 51, 51).x, 0.0f);
    renderFrame(f.state, 15.0, 0, 0, cameraAt(-200)); // only ta_1 = -1: no card at all
    EXPECT_EQ(pixelAt(f.state.colour, 51, 51).x, 0.0f);
    renderFrame(f.state, 25.0, 0, 0, cameraAt(-200)); // ta_2 positive: cards 1 and 2 both drawn
    EXPECT_EQ(pixelAt(f.state.colour, 51, 51).x, 1.0f);
    EXPECT_EQ(pixelAt(f.state.colour, 51, 121).x, 1.0f);
    EXPECT_EQ(pixelAt(f.state.colour, 51, 201).x, 0.0f);
    EXPECT_EQ(pixelAt(f.state.colour, 51, 51).w, 0.0f); // the buffer's alpha is kept
    for (Texture*& t : f.state.cards) {
        t = nullptr; // not the fixture's to free
    }
}

TEST(Scenes, SceneFourLowersTheRowSoTheSceneBeforeItStillDrawsForAMoment) {
    DemoFixture f({{"scene", {{0, 5, 0}, {100, 4, 0}}}, {"fs", {{0, 0.25f, 0}, {100, 1, 0}}}});
    ASSERT_TRUE(f.ok);
    const FrameResult r = renderFrame(f.state, 100.5, 0.0, 0.0, cameraAt(-300));
    EXPECT_DOUBLE_EQ(r.row, 99.75);
    EXPECT_EQ(r.fade, 0.25f); // the fade is read at the lowered row
    // Scene 5 ran after scene 4 and replaced the buffer with the rectangle.
    EXPECT_TRUE(anyNonZero(f.state.colour));

    const FrameResult later = renderFrame(f.state, 101.0, 0.0, 0.0, cameraAt(-300));
    EXPECT_DOUBLE_EQ(later.row, 100.25);
}

TEST(Scenes, SkippedFramesLeaveTheStateAContinuousRunWouldHave) {
    // Scene 4 colours the tiles, scene 6 shows them; scene 10 spins the rings with "speed".
    const TrackKeys tracks = {{"scene", {{0, 10, 0}, {10, 4, 0}, {20, 6, 0}, {30, 10, 0}}},
                              {"speed", {{0, 0.5f, 1}, {40, 3, 0}}},
                              {"x", {{0, 10, 0}}},
                              {"gtn", {{0, 1, 1}, {40, 4, 0}}},
                              {"scale", {{0, 4, 0}}},
                              {"cam_a", {{0, 1, 0}}},
                              {"cam_b", {{0, 1, 0}}}};
    DemoFixture continuous(tracks), skipped(tracks);
    std::vector<Vec4> pixels(20 * 20, Vec4{0.1f, 0.2f, 0.3f, 1});
    for (DemoFixture* f : {&continuous, &skipped}) {
        ASSERT_TRUE(f->ok);
        f->state.dune = makeTile();
        ASSERT_TRUE(prepareAndBakeOcclusion(f->state));
        f->state.particles = buildParticleField(FloatImage{pixels.data(), 20, 20, false});
    }
    const double delta = 1.0 / 18.0;
    for (int frame = 0; frame < 25; ++frame) {
        renderFrame(continuous.state, frame, frame * delta, delta, CameraInput{});
        skipFrame(skipped.state, frame, delta);
    }
    for (DemoFixture* f : {&continuous, &skipped}) {
        renderFrame(f->state, 25, 25 * delta, delta, CameraInput{}); // scene 6: the tiles
    }
    EXPECT_TRUE(anyNonZero(continuous.state.colour));
    EXPECT_EQ(continuous.state.gtn, skipped.state.gtn);
    EXPECT_EQ(
        std::memcmp(continuous.state.colour.pixels, skipped.state.colour.pixels, sizeof(Vec4) * 640 * 480),
        0);
    for (int frame = 26; frame < 36; ++frame) {
        renderFrame(continuous.state, frame, frame * delta, delta, CameraInput{});
        skipFrame(skipped.state, frame, delta);
    }
    EXPECT_EQ(continuous.state.spinPhase, skipped.state.spinPhase);
}
