// The block rasterizers against a brute-force per-pixel oracle with the same snapping and fill rule.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <utility>
#include <vector>

#include "coverage_oracle.h"
#include "kernel_path_helpers.h"
#include "render/kernel_path.h"
#include "render/packed_texel.h"
#include "render/rasterize.h"
#include "render/rasterize_paths.h"
#include "render/rasterize_walk.h"
#include "test_targets.h"

namespace tessellune {
namespace {

using testing::oracleCovers;
using testing::screenPoint;
using testing::Targets;

void drawFlat(Targets& t, const Vec4 p[3], int32_t rowBegin, int32_t rowEnd) {
    const Vec4 white{1, 1, 1, 1};
    rasterizeColorNoDepth(t.colour, rowBegin, rowEnd, p[0], p[1], p[2], white, white, white);
}

// Pixel centres on whole coordinates: a right triangle with legs n along the axes covers the n(n+1)/2
// pixels with x + y < n, its counter-clockwise partner across the diagonal the rest of the square;
// clockwise it covers nothing.
TEST(RasterizeCoverage, SmallTrianglesCoverTheDocumentedPixels) {
    const struct {
        Vec4 p[3];
        bool (*covers)(int32_t x, int32_t y);
    } cases[] = {
        {{screenPoint(0, 0), screenPoint(0, 8), screenPoint(8, 0)},
         [](int32_t x, int32_t y) { return x + y < 8; }},
        {{screenPoint(8, 0), screenPoint(0, 8), screenPoint(8, 8)},
         [](int32_t x, int32_t y) { return x + y >= 8 && x < 8 && y < 8; }},
        {{screenPoint(0, 0), screenPoint(8, 0), screenPoint(0, 8)}, [](int32_t, int32_t) { return false; }},
    };
    for (const auto& c : cases) {
        Targets t(16, 16);
        drawFlat(t, c.p, 0, 16);
        for (int32_t y = 0; y < 16; ++y) {
            for (int32_t x = 0; x < 16; ++x) {
                EXPECT_EQ(t.at(x, y).w != 0.0f, c.covers(x, y)) << x << "," << y;
            }
        }
    }
}

// Random triangles of every size and position, both windings, against the oracle, on every path.
TEST(RasterizeCoverage, AgreesWithOracleOnRandomTriangles) {
    const testing::KernelPathScope restore;
    const std::vector<KernelPath> paths = testing::availableKernelPaths();
    constexpr int32_t W = 96;
    constexpr int32_t H = 64;
    std::mt19937 random(20261206u);
    auto uniform = [&](float lo, float hi) { return std::uniform_real_distribution<float>(lo, hi)(random); };
    int drawnPixels = 0;
    int mismatches = 0;
    for (int n = 0; n < 3000; ++n) {
        Vec4 p[3];
        const int kind = n % 4;
        const float cx = uniform(-20, W + 20);
        const float cy = uniform(-20, H + 20);
        const float size = kind == 0   ? uniform(0.1f, 3)
                           : kind == 1 ? uniform(3, 30)
                           : kind == 2 ? uniform(30, 400)
                                       : 0;
        for (auto& corner : p) {
            if (kind == 3) {
                // On the 1/16 grid and on whole pixels, where ties and the fill rule matter most.
                corner = screenPoint(std::floor(uniform(-8, W + 8)) +
                                         (n % 8 == 3 ? 0.0f : std::floor(uniform(0, 16)) / 16),
                                     std::floor(uniform(-8, H + 8)));
            } else {
                corner = screenPoint(cx + uniform(-size, size), cy + uniform(-size, size));
            }
        }
        const bool skipped =
            (p[1].x - p[0].x) * (p[2].y - p[0].y) - (p[2].x - p[0].x) * (p[1].y - p[0].y) == 0.0f;
        for (const KernelPath path : paths) {
            setKernelPath(path);
            Targets t(W, H);
            drawFlat(t, p, 0, H);
            for (int32_t y = 0; y < H; ++y) {
                for (int32_t x = 0; x < W; ++x) {
                    const bool expected = !skipped && oracleCovers(p, x, y);
                    const bool drawn = t.at(x, y).w != 0.0f;
                    drawnPixels += drawn;
                    if (expected != drawn && mismatches++ < 5) {
                        ADD_FAILURE() << kernelPathName(path) << " triangle " << n << " pixel " << x << ","
                                      << y << " expected " << expected;
                    }
                }
            }
        }
    }
    EXPECT_EQ(mismatches, 0);
    EXPECT_GT(drawnPixels, 100000 * static_cast<int>(paths.size())); // the sample really draws
}

// Corner colours asked for on demand are asked for once when the face covers a pixel of the rows
// (by the oracle) and never otherwise, and draw what the same colours given up front draw.
TEST(RasterizeCoverage, OnDemandCornerColoursAreMadeOnlyForFacesThatCoverAPixel) {
    constexpr int32_t W = 64;
    constexpr int32_t H = 64;
    constexpr int32_t BAND = 32;
    std::mt19937 random(20261208u);
    auto uniform = [&](float lo, float hi) { return std::uniform_real_distribution<float>(lo, hi)(random); };
    struct Source {
        Vec4 colours[3];
        int calls = 0;
    };
    const auto make = [](const void* context, Vec4 out[3]) {
        auto& source = *static_cast<Source*>(const_cast<void*>(context));
        ++source.calls;
        for (int k = 0; k < 3; ++k) {
            out[k] = source.colours[k];
        }
    };
    int covering = 0;
    int missing = 0;
    for (int n = 0; n < 2000; ++n) {
        // Mostly faces of a pixel or two, as in a dense model, where many cover no pixel centre.
        const float size = n % 3 == 0 ? uniform(2, 20) : uniform(0.2f, 1.5f);
        const float cx = uniform(-4, W + 4);
        const float cy = uniform(-4, H + 4);
        Vec4 p[3];
        for (auto& corner : p) {
            corner = screenPoint(cx + uniform(-size, size), cy + uniform(-size, size), uniform(-0.9f, 0.9f));
        }
        const bool flat =
            (p[1].x - p[0].x) * (p[2].y - p[0].y) - (p[2].x - p[0].x) * (p[1].y - p[0].y) == 0.0f;
        Source source{{{1, 0, 0, 1}, {0, 1, 0, 1}, {0, 0, 1, 1}}};
        const CornerColours colours{make, &source};
        for (int32_t rowBegin = 0; rowBegin < H; rowBegin += BAND) {
            bool covers = false;
            for (int32_t y = rowBegin; y < rowBegin + BAND && !flat; ++y) {
                for (int32_t x = 0; x < W && !covers; ++x) {
                    covers = oracleCovers(p, x, y);
                }
            }
            for (const bool depthTest : {true, false}) {
                Targets lazy(W, H);
                Targets eager(W, H);
                source.calls = 0;
                if (depthTest) {
                    rasterizeColor(lazy.colour, lazy.depth, rowBegin, rowBegin + BAND, p[0], p[1], p[2],
                                   colours);
                    rasterizeColor(eager.colour, eager.depth, rowBegin, rowBegin + BAND, p[0], p[1], p[2],
                                   source.colours[0], source.colours[1], source.colours[2]);
                } else {
                    rasterizeColorNoDepth(lazy.colour, rowBegin, rowBegin + BAND, p[0], p[1], p[2], colours);
                    rasterizeColorNoDepth(eager.colour, rowBegin, rowBegin + BAND, p[0], p[1], p[2],
                                          source.colours[0], source.colours[1], source.colours[2]);
                }
                ASSERT_EQ(source.calls, covers ? 1 : 0) << "triangle " << n << " band " << rowBegin;
                ASSERT_EQ(std::memcmp(lazy.colour.pixels, eager.colour.pixels, sizeof(Vec4) * W * H), 0) << n;
                ASSERT_EQ(std::memcmp(lazy.depth.pixels, eager.depth.pixels, sizeof(uint32_t) * W * H), 0)
                    << n;
            }
            (covers ? covering : missing)++;
        }
    }
    // Both kinds are well represented, so both halves of the rule were exercised.
    EXPECT_GT(covering, 300);
    EXPECT_GT(missing, 300);
}

// The row kernels of every wider path against the scalar twins.
std::vector<const raster::PathKernels*> widerPaths() {
    std::vector<const raster::PathKernels*> paths;
    for (const KernelPath path : testing::availableKernelPaths()) {
        if (path != KernelPath::Scalar) {
            paths.push_back(raster::pathKernels(path));
        }
    }
    return paths;
}

TEST(RasterizeCoverage, RowMaskOfEveryPathAgreesWithScalar) {
    for (const raster::PathKernels* path : widerPaths()) {
        SCOPED_TRACE(kernelPathName(path->path));
        std::mt19937 random(31);
        std::uniform_int_distribution<int32_t> value(-300000, 300000);
        std::uniform_int_distribution<int32_t> step(-70000, 70000);
        int covered = 0;
        for (int i = 0; i < 20000; ++i) {
            const int32_t a = value(random), b = value(random), c = value(random);
            const int32_t sa = step(random) / (1 + i % 50), sb = step(random) / (1 + i % 7),
                          sc = step(random);
            const uint32_t expected = raster::scalar::rowMask(a, b, c, sa, sb, sc);
            ASSERT_EQ(path->rowMask(a, b, c, sa, sb, sc), expected) << i;
            covered += expected != 0 && expected != 0xffu;
        }
        EXPECT_GT(covered, 100); // partial rows really occur in the sample
    }
    // Edge values of exactly 0 are inside, which random values almost never give all three at once.
    for (const KernelPath kind : testing::availableKernelPaths()) {
        const raster::PathKernels* path = raster::pathKernels(kind);
        EXPECT_EQ(path->rowMask(0, 0, 0, -1, 0, 0), 1u) << kernelPathName(kind);
        EXPECT_EQ(path->rowMask(-1, 5, 5, 1, 0, 0), 0xfeu) << kernelPathName(kind);
    }
}

// The eight-lane depth test against the pixel-by-pixel one, on stored depths near the plane (so
// both outcomes and ties occur) and on steps that wrap past 32 bits.
TEST(RasterizeDepth, RowTestOfEveryPathAgreesWithScalar) {
    for (const raster::PathKernels* path : widerPaths()) {
        SCOPED_TRACE(kernelPathName(path->path));
        std::mt19937 random(47);
        std::uniform_int_distribution<int32_t> any(INT32_MIN, INT32_MAX);
        std::uniform_int_distribution<int32_t> near(-3, 3);
        int written = 0, kept = 0;
        for (int i = 0; i < 20000; ++i) {
            const int32_t z = any(random);
            const int32_t dz = i % 3 == 0 ? any(random) : near(random) * (1 + i % 1000);
            const auto mask = static_cast<uint32_t>(i % 4 == 0 ? 0xffu : any(random) & 0xff);
            int32_t fast[9], slow[9];
            for (int32_t k = 0; k < 8; ++k) {
                const uint32_t depth =
                    static_cast<uint32_t>(z) + static_cast<uint32_t>(k) * static_cast<uint32_t>(dz);
                fast[k] = slow[k] = i % 5 == 0
                                        ? any(random)
                                        : static_cast<int32_t>(depth + static_cast<uint32_t>(near(random)));
            }
            fast[8] = slow[8] = 12345; // the pixel after the row is never touched
            const uint32_t expected = raster::scalar::depthRow(slow, z, dz, mask);
            ASSERT_EQ(path->depthRow(fast, z, dz, mask), expected) << i;
            ASSERT_EQ(std::memcmp(fast, slow, sizeof fast), 0) << i;
            ASSERT_EQ(fast[8], 12345);
            ASSERT_EQ(expected & ~mask, 0u) << i;
            written += __builtin_popcount(expected);
            kept += __builtin_popcount(mask & ~expected);
        }
        EXPECT_GT(written, 10000); // both outcomes really occur in the sample
        EXPECT_GT(kept, 10000);
    }
}

// Texels of a row several lanes at a time against the per-pixel rule, on rows whose 1/z and
// texture coordinates range from ordinary through huge (where the conversion saturates) to
// infinite and NaN.
TEST(RasterizeTextured, TexelRowOfEveryPathAgreesWithScalar) {
    for (const raster::PathKernels* path : widerPaths()) {
        SCOPED_TRACE(kernelPathName(path->path));
        std::mt19937 random(53);
        std::uniform_real_distribution<float> unit(-1.0f, 1.0f);
        std::uniform_int_distribution<int32_t> any(INT32_MIN, INT32_MAX);
        const int32_t sizes[4][2] = {{256, 256}, {512, 4}, {1, 1}, {64, 2048}};
        int saturated = 0;
        for (int i = 0; i < 20000; ++i) {
            const float reach = std::ldexp(1.0f, i % 40 - 6); // coordinates up to 2^33 texels
            const float k = i % 7 == 0 ? std::ldexp(unit(random), -30) : 0.5f + unit(random) * 0.4f;
            Vec4 start{unit(random) * reach * k, unit(random) * reach * k, k, 0.0f};
            Vec4 dx{unit(random) * reach * k * 0.1f, unit(random) * reach * k * 0.1f, unit(random) * k * 0.1f,
                    0};
            if (i % 997 == 0) {
                start.x = i % 2 ? INFINITY : NAN;
            }
            const auto mask = static_cast<uint32_t>(i % 3 == 0 ? 0xffu : any(random) & 0xff);
            const int32_t width = sizes[i % 4][0], height = sizes[i % 4][1];
            int32_t fast[8] = {}, slow[8] = {};
            path->texelRow(start, dx, width, height, mask, fast);
            raster::scalar::texelRow(start, dx, width, height, mask, slow);
            for (int32_t p = 0; p < 8; ++p) {
                if (mask & (1u << p)) {
                    ASSERT_EQ(fast[p], slow[p]) << i << " pixel " << p;
                    ASSERT_GE(slow[p], 0);
                    ASSERT_LT(slow[p], width * height);
                    saturated += std::fabs(start.x / k) * width > 2.2e9f;
                }
            }
        }
        EXPECT_GT(saturated, 1000) << "the saturating range is really reached";
    }
}

// Colour rows and packed texels several pixels at a time: every covered pixel gets the scalar
// twin's bits, and every other pixel of the row keeps its own (NaN payloads included).
TEST(RasterizeCoverage, FillAndTexelRowsOfEveryPathWriteTheScalarBitsOnlyWhereCovered) {
    for (const raster::PathKernels* path : widerPaths()) {
        SCOPED_TRACE(kernelPathName(path->path));
        std::mt19937 random(59);
        std::uniform_real_distribution<float> value(-1e6f, 1e6f);
        std::vector<uint32_t> packed(64);
        for (uint32_t& word : packed) {
            word = static_cast<uint32_t>(random());
        }
        for (int i = 0; i < 4000; ++i) {
            const Vec4 start{value(random), value(random), value(random), value(random)};
            const Vec4 dx{value(random), value(random), value(random), value(random) * 1e-6f};
            const auto mask = static_cast<uint32_t>(random() & 0xff);
            int32_t index[8];
            for (int32_t& k : index) {
                k = static_cast<int32_t>(random() % packed.size());
            }
            for (const bool texels : {false, true}) {
                Vec4 fast[9], slow[9];
                for (int32_t k = 0; k < 9; ++k) {
                    const uint32_t bits[4] = {0x7fc01234u + uint32_t(k), 0xffc00000u, uint32_t(random()), 0};
                    std::memcpy(&slow[k], bits, sizeof bits);
                    fast[k] = slow[k];
                }
                if (texels) {
                    path->packedTexelRow(fast, packed.data(), index, mask);
                    raster::scalar::writeTexels<true>(slow, nullptr, packed.data(), index, mask);
                } else {
                    path->fillRow(fast, start, dx, mask);
                    raster::scalar::fillRow(slow, start, dx, mask);
                }
                ASSERT_EQ(std::memcmp(fast, slow, sizeof fast), 0) << i << (texels ? " texels" : " fill");
            }
        }
    }
}

TEST(RasterizeDepth, NearerWinsAndEqualDepthKeepsTheStoredPixel) {
    Targets t(16, 16);
    const Vec4 red{1, 0, 0, 1}, green{0, 1, 0, 1};
    const Vec4 a[3] = {screenPoint(0, 0, 0.5f), screenPoint(0, 16, 0.5f), screenPoint(16, 0, 0.5f)};
    rasterizeColor(t.colour, t.depth, 0, 16, a[0], a[1], a[2], red, red, red);
    const int32_t stored = t.depthAt(2, 2);
    // z = 0.5 encodes as (0.5 - 1) x (2^30 - 1) = -536870911.5, truncated to -536870911; the plane
    // start goes through single precision, where the nearest value is -2^29.
    EXPECT_EQ(stored, -536870912);
    rasterizeColor(t.colour, t.depth, 0, 16, a[0], a[1], a[2], green, green, green);
    EXPECT_EQ(t.at(2, 2).x, 1.0f) << "equal depth must not replace";
    const Vec4 nearer[3] = {screenPoint(0, 0, 0.25f), screenPoint(0, 16, 0.25f), screenPoint(16, 0, 0.25f)};
    rasterizeColor(t.colour, t.depth, 0, 16, nearer[0], nearer[1], nearer[2], green, green, green);
    EXPECT_EQ(t.at(2, 2).y, 1.0f);
    EXPECT_LT(t.depthAt(2, 2), stored);

    // Far plane depth (0) never replaces a cleared pixel; the depth-only routine agrees.
    Targets far(16, 16);
    const Vec4 f[3] = {screenPoint(0, 0, 1.0f), screenPoint(0, 16, 1.0f), screenPoint(16, 0, 1.0f)};
    rasterizeColor(far.colour, far.depth, 0, 16, f[0], f[1], f[2], red, red, red);
    EXPECT_EQ(far.at(2, 2).x, 0.0f);
    rasterizeDepth(far.colour, far.depth, 16, a[0], a[1], a[2]);
    EXPECT_EQ(far.depthAt(2, 2), stored);
    EXPECT_EQ(far.at(2, 2).x, 0.0f) << "depth-only must not touch colour";
}

TEST(RasterizeTextured, TexelAddressingRepeatsAndCountsVFromTheBottom) {
    EXPECT_EQ(texelIndex(0.5f, 0.25f, 256, 256), 191 * 256 + 128);
    EXPECT_EQ(texelIndex(-0.25f, 0.25f, 256, 256) % 256, 192);
    EXPECT_EQ(texelIndex(0.0f, 0.0f, 256, 256) / 256, 255);
    EXPECT_EQ(texelIndex(0.0f, 0.997f, 256, 256) / 256, 0);
    EXPECT_EQ(texelIndex(0.0f, 0.999f, 256, 256) / 256, 255); // rounds to 256, wraps to 0
    // Non-power-of-two sizes use the unsigned remainder.
    EXPECT_EQ(texelIndex(1.0f, 0.0f, 3, 5), 4 * 3 + 0);
    // Absurd coordinates still address a texel inside the texture.
    const int32_t wild = texelIndex(1e30f, -1e30f, 7, 9);
    EXPECT_GE(wild, 0);
    EXPECT_LT(wild, 63);
    const int32_t nan = texelIndex(std::nanf(""), std::nanf(""), 4, 4);
    EXPECT_GE(nan, 0);
    EXPECT_LT(nan, 16);
}

TEST(RasterizeTextured, InterpolatesInPerspectiveNotOnTheScreen) {
    // Row 1 runs from a corner at distance 1 (u = 0) to one at distance 3 (u = 1). Halfway across
    // the screen the surface point is a quarter of the way along, not half.
    FloatImage texture;
    ASSERT_TRUE(createFloatImage(texture, 8, 1));
    for (int32_t i = 0; i < 8; ++i) {
        texture.pixels[i] = {static_cast<float>(i), 0, 0, 1};
    }
    Targets t(64, 64);
    PipelineVertex a, b, c;
    a.position = {0, 0, -1, 1};
    b.position = {0, 0, -3, 1};
    c.position = {0, 0, -1, 1};
    const TexCoord ua{0.0f, 0.5f}, ub{1.0f, 0.5f}, uc{0.0f, 0.5f};
    rasterizeTextured(t.colour, t.depth, 0, 64, screenPoint(0, 0), screenPoint(0, 64), screenPoint(64, 0), a,
                      c, b, ua, uc, ub, texture, nullptr);
    EXPECT_EQ(t.at(32, 1).x, 2.0f); // u = 0.25 -> texel 2; screen-affine would give texel 4
    EXPECT_EQ(t.at(0, 1).x, 0.0f);
    EXPECT_EQ(t.at(0, 1).w, 1.0f);
    releaseFloatImage(texture);
}

// The compact texels draw the same picture as the float texels they stand for: a receding floor,
// repeated many times over, on a texture of each addressing kind.
TEST(RasterizeTextured, PackedTexelsDrawTheFloatTexelsPicture) {
    std::mt19937 random(21);
    for (const auto& [width, height] : {std::pair{16, 8}, std::pair{12, 10}}) {
        FloatImage texture;
        ASSERT_TRUE(createFloatImage(texture, width, height));
        std::vector<uint32_t> packed(size_t(width) * size_t(height));
        for (size_t i = 0; i < packed.size(); ++i) {
            packed[i] = static_cast<uint32_t>(random());
            texture.pixels[i] = scalar::unpackTexel(packed[i]);
        }
        Targets floats(64, 64), words(64, 64);
        PipelineVertex near, far;
        near.position = {0, 0, -1, 1};
        far.position = {0, 0, -9, 1};
        const TexCoord a{0.0f, 0.0f}, b{7.0f, 0.0f}, c{0.0f, 9.0f}, d{7.0f, 9.0f};
        for (Targets* t : {&floats, &words}) {
            const uint32_t* source = t == &words ? packed.data() : nullptr;
            rasterizeTextured(t->colour, t->depth, 0, 64, screenPoint(0, 64, 0.5f), screenPoint(64, 64, 0.5f),
                              screenPoint(0, 3, 0.9f), near, near, far, a, b, c, texture, source);
            rasterizeTextured(t->colour, t->depth, 0, 64, screenPoint(64, 64, 0.5f), screenPoint(64, 3, 0.9f),
                              screenPoint(0, 3, 0.9f), near, far, far, b, d, c, texture, source);
        }
        int drawn = 0;
        for (int32_t y = 0; y < 64; ++y) {
            for (int32_t x = 0; x < 64; ++x) {
                ASSERT_EQ(std::memcmp(&floats.at(x, y), &words.at(x, y), sizeof(Vec4)), 0)
                    << width << " x " << height << " at " << x << ", " << y;
                drawn += floats.at(x, y).w != 0.0f ? 1 : 0;
            }
        }
        EXPECT_GT(drawn, 64 * 50) << "the floor covers most of the target";
        releaseFloatImage(texture);
    }
}

// Every covered pixel takes its face's depth plane, evaluated in double at the pixel, within the
// rounding of whole steps from the anchor. Corners reach far off the target, as near-plane
// clipping makes them, so the anchor often lies where the plane leaves the 32-bit range.
TEST(RasterizeCoverage, DepthFollowsTheFacePlaneAtEveryCoveredPixel) {
    std::mt19937 random(14);
    std::uniform_real_distribution<float> coordinate(-2000.0f, 2000.0f);
    std::uniform_real_distribution<float> depth(-1.0f, 0.99f);
    const Vec4 white{1, 1, 1, 1};
    int checked = 0;
    for (int n = 0; n < 400; ++n) {
        Vec4 p[3];
        double z[3];
        for (int k = 0; k < 3; ++k) {
            p[k] =
                screenPoint(k == 0 ? coordinate(random) : coordinate(random) / 16.0f + 64.0f,
                            k == 1 ? coordinate(random) : coordinate(random) / 16.0f + 64.0f, depth(random));
            z[k] = (static_cast<double>(p[k].z) - 1.0) * 1073741823.0;
        }
        const double area =
            double(p[1].x - p[0].x) * (p[2].y - p[0].y) - double(p[2].x - p[0].x) * (p[1].y - p[0].y);
        if (area == 0.0) {
            continue;
        }
        const double gx = ((z[1] - z[0]) * (p[2].y - p[0].y) - (z[2] - z[0]) * (p[1].y - p[0].y)) / area;
        const double gy = ((z[2] - z[0]) * (p[1].x - p[0].x) - (z[1] - z[0]) * (p[2].x - p[0].x)) / area;
        Targets t(128, 128);
        rasterizeColor(t.colour, t.depth, 0, 128, p[0], p[1], p[2], white, white, white);
        for (int32_t y = 0; y < 128; ++y) {
            for (int32_t x = 0; x < 128; ++x) {
                if (!oracleCovers(p, x, y)) {
                    continue;
                }
                const double plane = z[0] + gx * (x - p[0].x) + gy * (y - p[0].y);
                // Whole steps lose under one unit per pixel from the anchor; the float gradients
                // a relative 1e-6 of the span.
                const double tolerance = 4.0 + x + y + 1e-6 * (std::fabs(gx) + std::fabs(gy)) * 256.0;
                if (plane > -tolerance) {
                    continue; // not nearer than the cleared target: nothing to draw
                }
                ASSERT_NE(t.at(x, y).w, 0.0f) << n << ": " << x << "," << y;
                ASSERT_NEAR(t.depthAt(x, y), plane, tolerance) << n << ": " << x << "," << y;
                ++checked;
            }
        }
    }
    EXPECT_GT(checked, 10000);
}

} // namespace
} // namespace tessellune
