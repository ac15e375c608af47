// Every kernel path against the scalar one: the same pixels and depths, bit for bit, for random faces
// of every rasterizer and for whole bands of a scene with every shader type.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "kernel_path_helpers.h"
#include "path_comparison.h"
#include "render/band.h"
#include "render/camera.h"
#include "render/clip.h"
#include "render/texture.h"
#include "scene_helpers.h"
#include "test_targets.h"

namespace tessellune {
namespace {

using testing::FaceKind;

TEST(KernelPaths, NamesAndAvailability) {
    const struct {
        const char* name;
        bool known;
        KernelPath path;
    } cases[] = {
        {"scalar", true, KernelPath::Scalar}, {"sse2", true, KernelPath::Sse2},
        {"avx2", true, KernelPath::Avx2},     {"AVX2", false, KernelPath::Scalar},
        {"", false, KernelPath::Scalar},      {"avx", false, KernelPath::Scalar},
    };
    for (const auto& c : cases) {
        KernelPath parsed = KernelPath::Scalar;
        EXPECT_EQ(parseKernelPath(c.name, parsed), c.known) << c.name;
        if (c.known) {
            EXPECT_EQ(parsed, c.path) << c.name;
            EXPECT_STREQ(kernelPathName(parsed), c.name);
        }
    }
    const testing::KernelPathScope restore;
    EXPECT_TRUE(kernelPathAvailable(KernelPath::Scalar));
#if defined(__SSE2__) || defined(_M_X64)
    EXPECT_TRUE(kernelPathAvailable(KernelPath::Sse2)) << "every x86 build has the four-lane path";
#endif
#if !defined(__x86_64__) || defined(_WIN32) || defined(__EMSCRIPTEN__)
    EXPECT_FALSE(kernelPathAvailable(KernelPath::Avx2)) << "only 64-bit Linux-like builds carry AVX2";
#endif
    for (const KernelPath path : ALL_KERNEL_PATHS) {
        const KernelPath before = activeKernelPath();
        EXPECT_EQ(setKernelPath(path), kernelPathAvailable(path)) << kernelPathName(path);
        EXPECT_EQ(activeKernelPath(), kernelPathAvailable(path) ? path : before) << kernelPathName(path);
    }
    std::printf("kernel paths here:");
    for (const KernelPath path : testing::availableKernelPaths()) {
        std::printf(" %s", kernelPathName(path));
    }
    std::printf("\n");
}

// Random faces of every kind and shape, over backgrounds that make the depth test go both ways:
// every path writes the scalar path's bits, and only where the oracle says.
TEST(KernelPaths, EveryPathDrawsTheScalarBitsForRandomFaces) {
    testing::PathBench bench;
    std::mt19937 random(20261214u);
    std::vector<uint8_t> bytes(160);
    int32_t colourWritten[testing::FACE_KINDS] = {};
    int32_t depthWritten[testing::FACE_KINDS] = {};
    for (int n = 0; n < 6000; ++n) {
        for (uint8_t& b : bytes) {
            b = static_cast<uint8_t>(random());
        }
        testing::ByteReader in(bytes.data(), bytes.size());
        const testing::FaceCase face = testing::decodeFace(in);
        const std::string problem = bench.check(face);
        ASSERT_EQ(problem, "") << "face " << n << " kind " << static_cast<int>(face.kind);
        colourWritten[static_cast<int>(face.kind)] += bench.colourWritten();
        depthWritten[static_cast<int>(face.kind)] += bench.depthWritten();
    }
    // Every kind really drew: a path that drew nothing would agree with one that drew nothing.
    for (int kind = 0; kind < testing::FACE_KINDS; ++kind) {
        if (static_cast<FaceKind>(kind) != FaceKind::DepthOnly) {
            EXPECT_GT(colourWritten[kind], 10000) << "kind " << kind;
        }
        if (static_cast<FaceKind>(kind) != FaceKind::ColorNoDepth) {
            EXPECT_GT(depthWritten[kind], 10000) << "kind " << kind;
        }
    }
}

// A pass of random view-space triangles with every shader type (textured with packed and float
// texels, baked, pixel-lit, vertex-lit with and without depth, hidden), clipped, ordered and
// projected as the demo does, rendered band by band on every path.
struct KernelPathBands : testing::PipelineFixture {
    static constexpr int32_t W = 160;
    static constexpr int32_t H = 96;
};

TEST_F(KernelPathBands, WholeBandsAreTheSameOnEveryPath) {
    FloatImage texels;
    ASSERT_TRUE(createFloatImage(texels, 32, 16));
    std::vector<uint32_t> words(32 * 16);
    std::mt19937 random(77);
    for (size_t i = 0; i < words.size(); ++i) {
        words[i] = static_cast<uint32_t>(random());
        texels.pixels[i] = scalar::unpackTexel(words[i]);
    }
    Texture packedTexture{&texels, "packed", words.data()};
    Texture floatTexture{&texels, "float"};
    TextureStore store;
    store.entries = {nullptr, &packedTexture, &floatTexture};
    pipeline.textures = &store;

    Material materials[7];
    const int32_t shaders[7] = {Baked, Baked, Baked, PixelLit, VertexLit, VertexLitNoDepth, Hidden};
    const int32_t textures[7] = {1, 2, 0, 0, 0, 0, 0};
    for (int k = 0; k < 7; ++k) {
        materials[k].shaderType = shaders[k];
        materials[k].textureIndex = textures[k];
        materials[k].ambient = {0.2f + 0.1f * k, 0.9f - 0.1f * k, 0.5f, 1.0f};
    }
    Light light = testing::makeLight({4, 3, -6, 1}, 100.0f, 30.0f);
    addLight(pipeline, &light);
    std::uniform_real_distribution<float> spread(-1.0f, 1.0f);
    for (int n = 0; n < 700; ++n) {
        const float z = -2.0f - 40.0f * (spread(random) + 1.0f);
        const float size = n % 5 == 0 ? 12.0f : 1.5f;
        const Vec4 centre{spread(random) * -z * 0.8f, spread(random) * -z * 0.6f, z, 1};
        Vec4 corners[3];
        for (Vec4& corner : corners) {
            corner = {centre.x + spread(random) * size, centre.y + spread(random) * size,
                      centre.z + spread(random) * size, 1};
        }
        submitTriangle(corners[0], corners[1], corners[2], 63, -1.0f, &materials[n % 7]);
    }
    ASSERT_GT(pipeline.faceCount, 400);
    Camera screen;
    createCamera(screen, W, H, static_cast<float>(W) / H);
    projectVertices(screen, pipeline);
    sortFacesByDepth(pipeline);

    const testing::KernelPathScope restore;
    const std::vector<KernelPath> paths = testing::availableKernelPaths();
    std::vector<std::vector<Vec4>> colours;
    std::vector<std::vector<uint32_t>> depths;
    for (const KernelPath path : paths) {
        setKernelPath(path);
        testing::Targets t(W, H);
        // Bands of one, two and three block rows, as uneven worker splits make them.
        for (int32_t row = 0, band = 1; row < H; row += 8 * band, band = band % 3 + 1) {
            renderBand(pipeline, row, std::min(H, row + 8 * band), t.colour, t.depth);
        }
        colours.emplace_back(t.colour.pixels, t.colour.pixels + W * H);
        depths.emplace_back(t.depth.pixels, t.depth.pixels + W * H);
        testing::Targets occlusion(W, H);
        renderDepthOnly(pipeline, H, occlusion.colour, occlusion.depth);
        depths.emplace_back(occlusion.depth.pixels, occlusion.depth.pixels + W * H);
    }
    int32_t drawn = 0;
    for (int32_t i = 0; i < W * H; ++i) {
        drawn += colours[0][i].w != 0.0f;
    }
    EXPECT_GT(drawn, W * H / 3) << "the scene covers much of the target";
    for (size_t p = 1; p < paths.size(); ++p) {
        for (int32_t i = 0; i < W * H; ++i) {
            ASSERT_EQ(std::memcmp(&colours[p][i], &colours[0][i], sizeof(Vec4)), 0)
                << kernelPathName(paths[p]) << " colour at " << i % W << "," << i / W;
        }
        EXPECT_EQ(depths[2 * p], depths[0]) << kernelPathName(paths[p]);
        EXPECT_EQ(depths[2 * p + 1], depths[1]) << kernelPathName(paths[p]) << " depth-only pass";
    }
    releaseFloatImage(texels);
}

} // namespace
} // namespace tessellune
