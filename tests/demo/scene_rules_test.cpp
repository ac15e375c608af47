// The scenes' rules checked from what they submit and draw: ring spin by row parity, scene 4's
// second buffer, scene 5's extents, scene 6's override tiles, the fade threshold and the bake.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "demo/frame.h"
#include "demo/occlusion_bake.h"
#include "demo/scenes.h"
#include "demo_fixture.h"

using namespace tessellune;
using namespace tessellune::testing;

namespace {

constexpr double PI = 3.14159265358979323846;

// The view of a camera 300 units up the z axis, looking down -z: view = world + (0, dy, -300).
Matrix4 viewFromFront(float dy = 0.0f) {
    const float back[3] = {0, dy, -300};
    const float level[3] = {0, 0, 0};
    Matrix4 view;
    makeFreeView(back, level, view);
    return view;
}

} // namespace

TEST(SceneRules, RingsTurnWithTheSpinOnOddRowsAndAgainstItOnEvenRows) {
    DemoFixture f({{"speed", {{0, 1, 0}}}, {"scale", {{0, 1, 0}}}});
    ASSERT_TRUE(f.ok);
    std::vector<Vec4> pixels(20 * 20, Vec4{0.1f, 0.2f, 0.3f, 1});
    f.state.particles = buildParticleField(FloatImage{pixels.data(), 20, 20, false});
    const double delta = 0.7; // spin phase = speed 1 x 0.7 s
    renderParticleScene(f.state, 10, 5.0, viewFromFront(), 0.0, delta);

    const auto& particles = f.state.particles.particles;
    ASSERT_EQ(f.state.pipeline.vertexBase, static_cast<int32_t>(8 * particles.size())) << "a cube clipped";
    int odd = 0, even = 0;
    for (size_t i = 0; i < particles.size(); ++i) {
        const Particle& p = particles[i];
        Vec4 c{}; // the middle of its cube's eight corners
        for (size_t k = 8 * i; k < 8 * i + 8; ++k) {
            c = add(c, scale(f.state.pipeline.vertices[k].position, 0.125f));
        }
        // A positive turn about y carries +z toward +x: the angle atan2(x, z) grows by the turn.
        const double a = std::atan2(p.ringDirection.x, p.ringDirection.z);
        const double turned = std::atan2(c.x, c.z + 300.0);
        const double expected = a + ((p.ringRow % 2 != 0) ? delta : -delta);
        EXPECT_NEAR(std::remainder(turned - expected, 2 * PI), 0.0, 1e-4) << "particle " << i;
        EXPECT_NEAR(c.y, 2.0f * p.ringRow, 1e-4);
        ((p.ringRow % 2 != 0) ? odd : even) += 1;
    }
    EXPECT_GT(odd, 0);
    EXPECT_GT(even, 0);
}

TEST(SceneRules, SceneFourDrawsIntoTheSecondBufferAndAddsItIntoTheClearedMainOne) {
    // gtn turns the tile about x to face the camera.
    DemoFixture f({{"x", {{0, 10, 0}}}, {"gtn", {{0, 2.6f, 0}}}});
    ASSERT_TRUE(f.ok);
    f.state.dune = makeTile();
    const size_t count = 640 * 480;
    for (size_t i = 0; i < count; ++i) {
        f.state.colour.pixels[i] = {7, 7, 7, 7}; // must be cleared before the pass is added
    }
    renderDuneScene(f.state, 0.0);
    size_t drawn = 0;
    for (size_t i = 0; i < count; ++i) {
        ASSERT_EQ(std::memcmp(&f.state.colour.pixels[i], &f.state.secondColour.pixels[i], sizeof(Vec4)), 0)
            << "pixel " << i;
        drawn += f.state.secondColour.pixels[i].x != 0.0f ? 1 : 0;
    }
    EXPECT_GT(drawn, 100u);
    EXPECT_LT(drawn, count / 2);
}

TEST(SceneRules, TheRectangleIsHeightThenWidthAndPulsesWithTime) {
    struct Case {
        double now, width, height;
    };
    const Case cases[] = {
        {0.0, 510, 60},
        {PI / 2, 1010, 50 * std::sin(1.4285714285714286 * PI / 2) + 60},
        {3 * PI / 2, 10, 50 * std::sin(1.4285714285714286 * 3 * PI / 2) + 60},
    };
    DemoFixture f;
    ASSERT_TRUE(f.ok);
    for (const Case& c : cases) {
        renderRectangleScene(f.state, viewFromFront(), c.now);
        float minX = 1e9f, maxX = -1e9f, minY = 1e9f, maxY = -1e9f;
        for (int i = 0; i < 4; ++i) { // the corners as submitted, before any clipping
            const Vec4& p = f.state.pipeline.vertices[i].position;
            minX = std::min(minX, p.x), maxX = std::max(maxX, p.x);
            minY = std::min(minY, p.y), maxY = std::max(maxY, p.y);
        }
        EXPECT_NEAR(maxX - minX, c.width, 1e-3) << "now " << c.now;
        EXPECT_NEAR(maxY - minY, c.height, 1e-3) << "now " << c.now;
    }
}

TEST(SceneRules, SceneSixGivesTwoTilesTheirOwnMaterialAndLowersTheRow) {
    DemoFixture f({{"scene", {{0, 6, 0}}}, {"x", {{0, 10, 0}}}});
    ASSERT_TRUE(f.ok);
    f.state.dune = makeTile();
    Material faceMaterial; // what the faces name themselves; the override replaces it
    faceMaterial.shaderType = Baked;
    for (PipelineFace& face : f.state.dune->faces) {
        face.material = &faceMaterial;
    }
    const float dy = -20.0f;
    const double row = renderScenes(f.state, 100.0, viewFromFront(dy), 0.0, 0.0);
    EXPECT_DOUBLE_EQ(row, 99.25);

    const RenderPipeline& p = f.state.pipeline;
    ASSERT_EQ(p.faceCount, 50 * 2) << "every tile faces the camera and lies inside the view";
    for (int32_t i = 0; i < p.faceCount; ++i) {
        const PipelineFace& face = p.faces[i];
        Vec4 c{};
        for (int k = 0; k < 3; ++k) {
            c = add(c, p.vertices[face.vertex[k]].position);
        }
        c = scale(c, 1.0f / 3.0f);
        // The nearest tile centre (c * 10 - 50, r * 10) in world space.
        const int column = static_cast<int>(std::lround((c.x + 50.0f) / 10.0f));
        const int tileRow = static_cast<int>(std::lround((c.y - dy) / 10.0f));
        const bool own = (tileRow == 3 && column == 6) || (tileRow == 1 && column == 2);
        EXPECT_EQ(face.material == &f.state.dune->defaultMaterial, own)
            << "tile " << tileRow << "," << column;
        EXPECT_EQ(face.material == &faceMaterial, !own);
    }
}

TEST(SceneRules, TheFadeTrackSwitchesToThePlainResolveAboveThreeNines) {
    // 200.6 / 255 resolves to 201 plain; any fade at or below 0.999 brings it to 200.
    std::vector<Vec4> pixels(1, Vec4{200.6f / 255.0f, 0, 0, 1});
    const FloatImage colour{pixels.data(), 1, 1, false};
    struct Case {
        float fade;
        uint32_t red;
    };
    const Case cases[] = {{0.999f, 201}, {std::nextafter(0.999f, 0.0f), 200}, {1.0f, 201}, {0.5f, 100}};
    for (const Case& c : cases) {
        uint32_t pixel = 0;
        ResolveTarget target{&pixel, 1, 1};
        WorkerPool noWorkers;
        presentFrame(noWorkers, colour, c.fade, target);
        EXPECT_EQ((pixel >> 16) & 0xff, c.red) << "fade " << c.fade;
    }
}

namespace {

// An independent count of the pixels a bake probe sees empty: rays through the 128 x 128 pixel
// centres of a 60-degree square view, against the field (the union of the 5 x 10 tiles of 20 x 20
// units, spaced 10, in the plane z = 0, facing +z) and the floor (the plane y = 0, 10000 units
// square, facing -y), within the depths 1 to 1000.
int emptyPixels(const Vec4& eye, const Vec4& direction) {
    Matrix4 view;
    makeLookAt(&eye.x, direction, view);
    int empty = 0;
    for (int py = 0; py < 128; ++py) {
        for (int px = 0; px < 128; ++px) {
            const double vx = ((px + 0.5) / 64.0 - 1.0) / 1.7320509;
            const double vy = ((py + 0.5) / 64.0 - 1.0) / 1.7320509;
            double d[3];
            for (int j = 0; j < 3; ++j) { // back to world: the view's rotation transposed
                d[j] = vx * view(j, 0) + vy * view(j, 1) - view(j, 2);
            }
            bool hit = false;
            if (eye.z > 0 && d[2] < 0) {
                const double t = -eye.z / d[2];
                const double x = eye.x + t * d[0], y = eye.y + t * d[1];
                hit |= t >= 1 && t <= 1000 && x >= -60 && x <= 50 && y >= -10 && y <= 50;
            }
            if (eye.y < 0 && d[1] > 0) {
                const double t = -eye.y / d[1];
                hit |= t >= 1 && t <= 1000 && std::abs(eye.x + t * d[0]) <= 5000 &&
                       std::abs(eye.z + t * d[2]) <= 5000;
            }
            empty += hit ? 0 : 1;
        }
    }
    return empty;
}

} // namespace

TEST(SceneRules, TheBakeSeesTheFieldAndTheFloorWhereTheirPlacementsPutThem) {
    DemoFixture f;
    ASSERT_TRUE(f.ok);
    f.state.dune = makeTile();
    f.state.floor = makeTile();
    // Probes in world space: the probe tile maps its (x, y, z) to (10 + 10x, 30 - 10z, 10y), and
    // its directions (x, y, z) to (x, -z, y).
    struct Probe {
        Vec4 eye, direction;
    };
    const Probe probes[] = {
        {{45, 40, 30, 1}, {0, 0, -1, 0}},         // the field's upper right corner
        {{-60, -10, 40, 1}, {0.3f, 0.2f, -1, 0}}, // its lower left corner, looking in
        {{10, 20, 60, 1}, {0, -0.6f, -1, 0}},     // down onto the field's lower edge
        {{0, -5, 0, 1}, {1, 0.4f, 0.3f, 0}},      // under the floor, looking up at it obliquely
        {{20, 30, -5, 1}, {0, 0, -1, 0}},         // behind the field, which faces away: open sky
    };
    std::vector<MeshVertex>& vertices = f.state.dune->vertices;
    const size_t first = vertices.size();
    for (const Probe& probe : probes) {
        MeshVertex v;
        v.position = {(probe.eye.x - 10) / 10, probe.eye.z / 10, (30 - probe.eye.y) / 10, 1};
        const Vec4 d = normalize(probe.direction);
        v.normal = {d.x, d.z, -d.y, 0};
        vertices.push_back(v);
    }
    ASSERT_TRUE(prepareAndBakeOcclusion(f.state));
    for (size_t i = 0; i < std::size(probes); ++i) {
        const int expected = emptyPixels(probes[i].eye, normalize(probes[i].direction));
        const float baked = vertices[first + i].occlusion * 16384.0f;
        // Rays through pixel centres against exact planes: only pixels on an edge may differ.
        EXPECT_NEAR(baked, expected, 128 * 2) << "probe " << i << " sees " << expected << " empty";
        EXPECT_GT(expected, 0);
        EXPECT_EQ(baked, std::floor(baked)) << "factors are whole pixel counts times 2^-14";
    }
}
