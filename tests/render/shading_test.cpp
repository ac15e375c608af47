// Lighting, resolve, overlays and the band renderer's choice of shading per shader type.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>
#include <vector>

#include "render/band.h"
#include "render/light.h"
#include "render/resolve.h"
#include "scene_helpers.h"
#include "test_targets.h"

namespace tessellune {
namespace {

using testing::makeLight;

// Worked by hand for a light at the eye and the point 10 units ahead: colour 10 x intensity 100 /
// distance^2 straight on; a quarter twice as far; nothing facing away, with no diffuse intensity
// (not even specular), or with the light on the point (no direction, and not NaN). Eye, light and
// normal in a line still light the specular: the half vector takes w in, so it is not the normal.
TEST(Lighting, HandWorkedTermsAndTheFastPowerOfTen) {
    const struct {
        Vec4 light;
        float diffuseIntensity, specularIntensity;
        Vec4 point, normal;
        float diffuse;
        bool specular;
    } cases[] = {
        {{0, 0, 0, 1}, 100, 0, {0, 0, -20, 1}, {0, 0, 1, 0}, 2.5f, false},
        {{0, 0, 0, 1}, 100, 0, {0, 0, -10, 1}, {0, 0, -1, 0}, 0.0f, false},
        {{0, 0, 0, 1}, 0, 50, {0, 0, -10, 1}, {0, 0, 1, 0}, 0.0f, false},
        {{0, 0, -10, 1}, 100, 1, {0, 0, -10, 1}, {0, 0, 1, 0}, 0.0f, false},
        {{0, 0, 0, 1}, 100, 100, {0, 0, -10, 1}, {0, 0, 1, 0}, 10.0f, true},
    };
    for (const auto& c : cases) {
        const LightTerms t =
            lightTerm(makeLight(c.light, c.diffuseIntensity, c.specularIntensity), c.point, c.normal);
        EXPECT_FLOAT_EQ(t.diffuse.x, c.diffuse);
        EXPECT_FLOAT_EQ(t.diffuse.z, c.diffuse);
        EXPECT_EQ(t.specular.x > 0.0f, c.specular) << t.specular.x;
        EXPECT_EQ(t.diffuse.w, 0.0f);
        EXPECT_EQ(t.specular.w, 0.0f);
    }
    const float powers[][3] = {{1.0f, 1.52f, 0.01f},
                               {0.9f, 0.38f, 0.01f},
                               {0.5f, 0.0015f, 0.0002f},
                               {0.0f, 0.0f, 0.0f},
                               {1e-35f, 0.0f, 0.0f}};
    for (const auto& p : powers) {
        EXPECT_NEAR(fastPow10(p[0]), p[1], p[2]) << p[0];
    }
}

TEST(Lighting, SumAddsLightsInSlotOrderAndScalarAgreesWithSimd) {
    RenderPipeline pipeline;
    const Light a = makeLight({3, 4, 0, 1}, 100.0f, 20.0f);
    const Light b = makeLight({-5, 1, -2, 1}, 1000.0f, 5.0f);
    pipeline.lights[0] = &a;
    pipeline.lights[1] = &b;
    pipeline.lightCount = 2;
    const Vec4 p{1, -2, -7, 1};
    const Vec4 n = normalize(Vec4{0.2f, 0.5f, 0.8f, 0});
    const LightTerms sum = lightSum(pipeline, p, n);
    // The model written out in double: colour x clamp(N.L) x intensity / distance^2 per light, the
    // specular half vector taken with w (the eye direction has w = -1), then fastPow10.
    double diffuse = 0.0, specular = 0.0;
    for (const Light* l : {&a, &b}) {
        const double d[4] = {l->viewPosition.x - p.x, l->viewPosition.y - p.y, l->viewPosition.z - p.z, 0.0};
        const double dist = std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
        const double nl = (n.x * d[0] + n.y * d[1] + n.z * d[2]) / dist;
        diffuse += 10.0 * std::clamp(nl, 0.0, 1.0) * l->diffuseIntensity.x / (dist * dist);
        const double pl = std::sqrt(double(p.x) * p.x + double(p.y) * p.y + double(p.z) * p.z + 1.0);
        double h[4] = {-p.x / pl + d[0] / dist, -p.y / pl + d[1] / dist, -p.z / pl + d[2] / dist, -1.0 / pl};
        const double hl = std::sqrt(h[0] * h[0] + h[1] * h[1] + h[2] * h[2] + h[3] * h[3]);
        const double nh = (n.x * h[0] + n.y * h[1] + n.z * h[2]) / hl;
        specular +=
            fastPow10(static_cast<float>(std::clamp(nh, 0.0, 1.0))) * l->specularIntensity.x / (dist * dist);
    }
    EXPECT_NEAR(sum.diffuse.x, diffuse, diffuse * 1e-5);
    EXPECT_NEAR(sum.specular.y, specular, specular * 1e-4);
    EXPECT_GT(specular, 0.0);
    std::mt19937 random(5);
    std::uniform_real_distribution<float> u(-20, 20);
    for (int i = 0; i < 200; ++i) {
        const Light l = makeLight({u(random), u(random), u(random), 1}, 100.0f, 30.0f);
        const Vec4 q{u(random), u(random), u(random) - 30, 1};
        const Vec4 m = normalize(Vec4{u(random), u(random), u(random), 0});
        const LightTerms s1 = lightTerm(l, q, m);
        const LightTerms s2 = scalar::lightTerm(l, q, m);
        EXPECT_EQ(std::memcmp(&s1, &s2, sizeof s1), 0) << i;
    }
}

TEST(Resolve, RoundsCapsAndPacksAsARGB) {
    FloatImage colour;
    ASSERT_TRUE(createFloatImage(colour, 8, 1));
    colour.pixels[0] = {1.0f, 0.5f, 0.25f, 1.0f};
    colour.pixels[1] = {2.0f, -0.3f, 0.0f, 0.0f};
    colour.pixels[2] = {std::nanf(""), 1e30f, -1e30f, 0.5f / 255.0f}; // 0.5 ties to even: 0
    colour.pixels[3] = {1.5f / 255.0f, 2.5f / 255.0f, 3.5f / 255.0f, 0};
    uint32_t pixels[8] = {};
    ResolveTarget target{pixels, 8, 1};
    resolve(target, colour);
    EXPECT_EQ(pixels[0], 0xFFFF8040u);
    EXPECT_EQ(pixels[1], 0x00FF0000u);
    EXPECT_EQ(pixels[2], 0x00FFFF00u);
    EXPECT_EQ(pixels[3], 0x00020204u);

    // The scalar path gives the same words, for ordinary and odd values alike, faded or not.
    std::mt19937 random(9);
    std::uniform_real_distribution<float> u(-0.5f, 1.5f);
    for (int i = 0; i < 8; ++i) {
        colour.pixels[i] = {u(random), u(random), u(random), u(random)};
    }
    for (const float factor : {1.0f, 0.37f}) {
        resolveFaded(target, factor, colour);
        for (int i = 0; i < 8; ++i) {
            EXPECT_EQ(pixels[i], scalar::packPixel(colour.pixels[i], factor)) << i;
        }
    }
    // A resolve target larger than the colour buffer reads only what exists.
    uint32_t big[16] = {};
    ResolveTarget larger{big, 16, 1};
    resolve(larger, colour);
    EXPECT_EQ(big[12], 0u);
    releaseFloatImage(colour);
}

// A range of rows converts exactly the pixels of those rows that the colour buffer holds, as the
// whole resolve would, and touches nothing else: ranges inside, across the edges, past the buffer's
// last pixel, empty and reversed.
TEST(Resolve, RowsConvertTheirOwnPixelsOnly) {
    FloatImage colour;
    ASSERT_TRUE(createFloatImage(colour, 5, 5)); // the target is 5 x 6: its last row has no source
    std::mt19937 random(4);
    std::uniform_real_distribution<float> u(-0.5f, 1.5f);
    for (int i = 0; i < 25; ++i) {
        colour.pixels[i] = {u(random), u(random), u(random), u(random)};
    }
    const struct {
        int32_t first, end;
    } ranges[] = {{0, 6}, {2, 4}, {-3, 1}, {4, 99}, {5, 6}, {3, 3}, {4, 2}};
    constexpr uint32_t UNTOUCHED = 0xdeadbeefu;
    for (const auto& range : ranges) {
        for (const bool faded : {false, true}) {
            uint32_t pixels[30];
            std::fill(std::begin(pixels), std::end(pixels), UNTOUCHED);
            ResolveTarget target{pixels, 5, 6};
            if (faded) {
                resolveFadedRows(target, 0.37f, colour, range.first, range.end);
            } else {
                resolveRows(target, colour, range.first, range.end);
            }
            for (int32_t i = 0; i < 30; ++i) {
                const int32_t row = i / 5;
                const bool converted = row >= range.first && row < range.end && i < 25;
                const uint32_t expected =
                    converted ? scalar::packPixel(colour.pixels[i], faded ? 0.37f : 1.0f) : UNTOUCHED;
                EXPECT_EQ(pixels[i], expected) << "rows " << range.first << " to " << range.end
                                               << (faded ? " faded" : "") << ", pixel " << i;
            }
        }
    }
    releaseFloatImage(colour);
}

// Premultiplied "over" that keeps the buffer's alpha, pixel by pixel for a 2 x 2 image (clear,
// opaque red, half-covering, opaque green) at every placement from wholly outside the 4 x 4 target
// through partly outside on each side; guard rows above and below show nothing else is touched.
TEST(Overlay, ComposesOverAndClipsToTheTarget) {
    Vec4 image[4] = {{0, 0, 0, 0}, {1, 0, 0, 1}, {0.25f, 0, 0, 0.5f}, {0, 1, 0, 1}};
    const FloatImage picture{image, 2, 2, false};
    for (int32_t y = -3; y <= 5; ++y) {
        for (int32_t x = -3; x <= 5; ++x) {
            std::vector<Vec4> buffer(4 * 6, Vec4{0.5f, 0.5f, 0.5f, 0.75f});
            FloatImage target{buffer.data() + 4, 4, 4, false};
            overlayImage(picture, target, x, y);
            for (int32_t i = 0; i < 24; ++i) {
                const int32_t row = i / 4 - 1, ix = i % 4 - x, iy = row - y;
                const bool under = row >= 0 && row < 4 && ix >= 0 && ix < 2 && iy >= 0 && iy < 2;
                const Vec4 s = under ? image[iy * 2 + ix] : Vec4{};
                EXPECT_EQ(buffer[i].x, 0.5f * (1.0f - s.w) + s.x) << "at " << x << "," << y << " pixel " << i;
                EXPECT_EQ(buffer[i].y, 0.5f * (1.0f - s.w) + s.y) << "at " << x << "," << y << " pixel " << i;
                EXPECT_EQ(buffer[i].w, 0.75f);
            }
        }
    }
}

struct BandTest : testing::PipelineFixture {
    testing::Targets targets{64, 32};
    Light light = makeLight({0, 0, 0, 1}, 100.0f, 0.0f);

    // A screen-facing square of two triangles at view depth z covering the left half.
    void submitSquare(float z, const Material* m) {
        const float h = -z * 0.5f;
        submitTriangle({-h, -h, z, 1}, {h, -h, z, 1}, {h, h, z, 1}, 63, -1.0f, m);
        submitTriangle({-h, -h, z, 1}, {h, h, z, 1}, {-h, h, z, 1}, 63, -1.0f, m);
    }
    void render(int32_t rowBegin = 0, int32_t rowEnd = 32) {
        Camera small;
        createCamera(small, 64, 32, 2.0f);
        projectVertices(small, pipeline);
        sortFacesByDepth(pipeline);
        renderBand(pipeline, rowBegin, rowEnd, targets.colour, targets.depth);
    }
};

// Bands that are empty, not whole blocks or beyond the target leave transparent black; rows
// outside the band stay as they were.
TEST_F(BandTest, EmptyBandsAndRowsThatAreNotWholeBlocksLeaveTransparentBlack) {
    std::fill(targets.colour.pixels, targets.colour.pixels + 64 * 32, Vec4{1, 1, 1, 1});
    std::fill(targets.depth.pixels, targets.depth.pixels + 64 * 32, 5u);
    render(8, 16);
    EXPECT_EQ(targets.at(0, 8).x, 0.0f);
    EXPECT_EQ(targets.at(0, 8).w, 0.0f) << "transparent: it resolves to 0";
    EXPECT_EQ(targets.depthAt(63, 15), 0);
    EXPECT_EQ(targets.at(0, 16).x, 1.0f) << "rows outside the band are not touched";

    material.shaderType = Baked;
    material.ambient = {1, 1, 1, 1};
    submitSquare(-10, &material);
    render(4, 12);
    EXPECT_EQ(targets.at(32, 8).x, 0.0f);
    render(0, 40); // beyond the target
    EXPECT_EQ(targets.at(32, 8).x, 0.0f);
}

// One screen-facing square per rule, its middle pixel worked by hand: baked faces show colour x
// occlusion, a texture replacing the colour (an index past the store falls back to the colour
// rather than reading beyond it); vertex-lit faces are flat here, every corner (+-5, +-5, -10)
// seeing the light at the eye alike: (10 x cos x 100 / 150 + 1/4) x C with cos = 10 / sqrt(150);
// hidden and unknown faces draw nothing, unknown ones saying so once per face.
TEST_F(BandTest, EachShaderTypeColoursTheSquareByItsRule) {
    FloatImage texels;
    ASSERT_TRUE(createFloatImage(texels, 4, 4));
    std::fill(texels.pixels, texels.pixels + 16, Vec4{0.0f, 0.75f, 0.0f, 1.0f});
    Texture texture{&texels, "green"};
    TextureStore store;
    store.entries = {nullptr, &texture};
    pipeline.textures = &store;
    const float lit = static_cast<float>(10.0 * (10.0 / std::sqrt(150.0)) * 100.0 / 150.0 + 0.25);
    const char* const unknown = "unknown shader type 0\nunknown shader type 0\n";
    const struct {
        int32_t shader, textureIndex;
        Vec4 ambient;
        float occlusion;
        Vec4 expected;
        const char* printed;
    } cases[] = {
        {Baked, -1, {0.5f, 0.25f, 1, 1}, 0.5f, {0.25f, 0.125f, 0.5f, 1}, ""},
        {Baked, 1, {1, 0, 0, 1}, 1.0f, {0, 0.75f, 0, 1}, ""},
        {Baked, 7, {1, 0, 0, 1}, 1.0f, {1, 0, 0, 1}, ""},
        {VertexLit, -1, {0.1f, 0.2f, 0.3f, 1}, 1.0f, {0.1f * lit, 0.2f * lit, 0.3f * lit, 1}, ""},
        {Hidden, -1, {1, 1, 1, 1}, 1.0f, {}, ""},
        {0, -1, {1, 1, 1, 1}, 1.0f, {}, unknown},
    };
    for (const auto& c : cases) {
        beginScene(pipeline);
        addLight(pipeline, &light);
        material.shaderType = c.shader;
        material.textureIndex = c.textureIndex;
        material.ambient = c.ambient;
        submitSquare(-10, &material);
        for (int32_t i = 0; i < pipeline.vertexBase; ++i) {
            pipeline.vertices[i].occlusion = c.occlusion;
        }
        ::testing::internal::CaptureStdout();
        render();
        EXPECT_EQ(::testing::internal::GetCapturedStdout(), c.printed);
        const Vec4 p = targets.at(32, 16);
        EXPECT_NEAR(p.x, c.expected.x, 1e-5f) << "shader " << c.shader << " texture " << c.textureIndex;
        EXPECT_NEAR(p.y, c.expected.y, 1e-5f) << "shader " << c.shader << " texture " << c.textureIndex;
        EXPECT_NEAR(p.z, c.expected.z, 1e-5f) << "shader " << c.shader << " texture " << c.textureIndex;
        EXPECT_EQ(targets.depthAt(32, 16) < 0, c.expected.x + c.expected.y + c.expected.z > 0.0f)
            << "drawn faces write their depth";
    }
    // A hidden face occludes in the depth-only pass, without colour.
    renderDepthOnly(pipeline, 32, targets.colour, targets.depth);
    EXPECT_LT(targets.depthAt(32, 16), 0);
    EXPECT_EQ(targets.at(32, 16).x, 0.0f);
    releaseFloatImage(texels);
}

// Lit per pixel, the middle of the square sees the light straight on: diffuse about 10.
TEST_F(BandTest, PixelLitFacesAreBrightestWhereTheLightIsStraightOn) {
    material.shaderType = PixelLit;
    material.ambient = {0.1f, 0.2f, 0.3f, 1.0f};
    addLight(pipeline, &light);
    submitSquare(-10, &material);
    render();
    EXPECT_NEAR(targets.at(32, 16).x, 0.1f * 10.0f + 0.025f, 0.02f);
    EXPECT_LT(targets.at(19, 16).x, 0.9f) << "near the edge it is lit less than in the middle";
    EXPECT_GT(targets.at(19, 16).x, 0.5f);
}

TEST_F(BandTest, NoDepthFacesPaintInHandOverOrder) {
    Material red, green;
    red.shaderType = green.shaderType = VertexLitNoDepth;
    red.ambient = {4, 0, 0, 4};
    green.ambient = {0, 4, 0, 4};
    submitSquare(-10, &red);
    submitSquare(-20, &green); // farther, handed over later: ends on top
    render();
    EXPECT_EQ(targets.at(32, 16).x, 0.0f);
    EXPECT_EQ(targets.at(32, 16).y, 1.0f);
    EXPECT_EQ(targets.depthAt(32, 16), 0);
}

} // namespace
} // namespace tessellune
