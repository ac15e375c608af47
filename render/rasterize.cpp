// Triangle setup and the five rasterizers: what each interpolates and writes for a covered pixel.
#include "render/rasterize.h"

#include <algorithm>
#include <optional>

#include "render/light.h"
#include "render/packed_texel.h"
#include "render/pipeline.h"
#include "render/rasterize_walk.h"

namespace tessellune {

namespace raster {

bool setupTriangle(const Vec4& p0, const Vec4& p1, const Vec4& p2, int32_t width, int32_t rowBegin,
                   int32_t rowEnd, Setup& s) {
    // Written so that NaN fails too. The three corners are tested together, one branch for all.
    const auto inRange = [](float v) { return v > -MAX_SCREEN_COORDINATE && v < MAX_SCREEN_COORDINATE; };
    if (!(inRange(p0.x) & inRange(p0.y) & inRange(p1.x) & inRange(p1.y) & inRange(p2.x) & inRange(p2.y))) {
        return false;
    }
    s.x[0] = p0.x;
    s.x[1] = p1.x;
    s.x[2] = p2.x;
    s.y[0] = p0.y;
    s.y[1] = p1.y;
    s.y[2] = p2.y;
    constexpr auto SCALE = static_cast<float>(SUBPIXEL_SCALE);
    const int32_t fx[3] = {roundToInt(p0.x * SCALE), roundToInt(p1.x * SCALE), roundToInt(p2.x * SCALE)};
    const int32_t fy[3] = {roundToInt(p0.y * SCALE), roundToInt(p1.y * SCALE), roundToInt(p2.y * SCALE)};
    s.area = (s.x[1] - s.x[0]) * (s.y[2] - s.y[0]) - (s.x[2] - s.x[0]) * (s.y[1] - s.y[0]);
    if (s.area == 0.0f) {
        return false; // no area, and no defined gradients
    }
    // The three edge functions sum to this constant; unless it is positive no pixel can have all
    // three positive, so faces of the other winding (in fixed point) are skipped before the walk.
    const int64_t twiceArea =
        int64_t(fx[1] - fx[2]) * (fy[0] - fy[1]) - int64_t(fy[1] - fy[2]) * (fx[0] - fx[1]);
    if (twiceArea <= 0) {
        return false;
    }

    const int32_t minXf = std::min(std::min(fx[0], fx[1]), fx[2]);
    const int32_t maxXf = std::max(std::max(fx[0], fx[1]), fx[2]);
    const int32_t minYf = std::min(std::min(fy[0], fy[1]), fy[2]);
    const int32_t maxYf = std::max(std::max(fy[0], fy[1]), fy[2]);
    constexpr int32_t ROUND_UP = SUBPIXEL_SCALE - 1;
    const int32_t minX = std::max(0, (minXf + ROUND_UP) >> SUBPIXEL_BITS);
    const int32_t maxX = std::min(width, (maxXf + ROUND_UP) >> SUBPIXEL_BITS);
    const int32_t minY = (minYf + ROUND_UP) >> SUBPIXEL_BITS;
    const int32_t maxY = (maxYf + ROUND_UP) >> SUBPIXEL_BITS;
    const int32_t firstRow = std::max(rowBegin, minY);
    const int32_t endRow = std::min(rowEnd, maxY);
    if (endRow <= firstRow || maxX <= minX) {
        return false;
    }
    constexpr int32_t GRID = ~(BLOCK_SIZE - 1);
    s.width = width;
    s.minX = minX & GRID;
    s.maxX = maxX;
    s.firstRow = firstRow & GRID;
    s.startRow = firstRow;
    s.endRow = endRow;
    s.anchorRow = std::max(0, minY) & GRID;

    // Edge k runs from corner k to corner k + 1 (mod 3); written out for each, so that nothing in
    // it is a loop.
    const int64_t originX = int64_t(s.minX) * SUBPIXEL_SCALE;
    const int64_t originY = int64_t(s.firstRow) * SUBPIXEL_SCALE;
    const auto edge = [&](int k, int from, int to) {
        const int32_t dx = fx[from] - fx[to];
        const int32_t dy = fy[from] - fy[to];
        int64_t e = int64_t(dx) * (originY - fy[from]) - int64_t(dy) * (originX - fx[from]);
        // Top-left rule: pixels exactly on a left edge or a horizontal top edge belong to this
        // face. Added as a 0 or 1 rather than branched on: the edge's direction follows no pattern.
        e += static_cast<int64_t>((dy < 0) | ((dy == 0) & (dx > 0)));
        s.edge[k] = static_cast<int32_t>((e - 1) >> SUBPIXEL_BITS);
        s.stepX[k] = -dy;
        s.stepY[k] = dx;
        s.rejectBound[k] = -BLOCK_SIZE * std::max(dx, 0) - BLOCK_SIZE * std::max(-dy, 0);
        s.acceptBound[k] = -BLOCK_SIZE * std::min(dx, 0) - BLOCK_SIZE * std::min(-dy, 0);
    };
    edge(0, 0, 1);
    edge(1, 1, 2);
    edge(2, 2, 0);
    return true;
}

namespace {

// Lane-by-lane division by one value: the exact quotients, four at a time.
inline Vec4 divide(const Vec4& v, float d) {
#if TESSELLUNE_SSE
    return store(_mm_div_ps(load(v), _mm_set1_ps(d)));
#else
    return {v.x / d, v.y / d, v.z / d, v.w / d};
#endif
}

} // namespace

Plane makePlane(const Setup& s, const Vec4& f1, const Vec4& f2, const Vec4& f3) {
    const Vec4 d21 = sub(f2, f1);
    const Vec4 d31 = sub(f3, f1);
    const float y31 = s.y[2] - s.y[0];
    const float y21 = s.y[1] - s.y[0];
    const float x21 = s.x[1] - s.x[0];
    const float x31 = s.x[2] - s.x[0];
    Plane p;
    p.dx = divide(sub(scale(d21, y31), scale(d31, y21)), s.area);
    p.dy = divide(sub(scale(d31, x21), scale(d21, x31)), s.area);
    p.start = add(add(f1, scale(p.dx, static_cast<float>(s.minX) - s.x[0])),
                  scale(p.dy, static_cast<float>(s.anchorRow) - s.y[0]));
    return p;
}

DepthPlane makeDepthPlane(const Setup& s, float z1, float z2, float z3) {
    const int32_t d1 = encodeDepth(z1);
    const int32_t d2 = encodeDepth(z2);
    const int32_t d3 = encodeDepth(z3);
    // Differences of encoded depths in [-2^31 + 2, 0] always fit 32 bits; wider inputs are clamped.
    const float d21 = static_cast<float>(int64_t(d2) - d1);
    const float d31 = static_cast<float>(int64_t(d3) - d1);
    const float dzdx = (d21 * (s.y[2] - s.y[0]) - d31 * (s.y[1] - s.y[0])) / s.area;
    const float dzdy = (d31 * (s.x[1] - s.x[0]) - d21 * (s.x[2] - s.x[0])) / s.area;
    const float start = dzdx * (static_cast<float>(s.minX) - s.x[0]) + static_cast<float>(d1) +
                        dzdy * (static_cast<float>(s.anchorRow) - s.y[0]);
    DepthPlane p{0, truncateSaturated(dzdx), truncateSaturated(dzdy), true};
    // NaN counts as fitting and starts at 0, as it did.
    if (!(start >= 2147483520.0f) && !(start < -2147483648.0f)) {
        p.start = truncateSaturated(start);
        return p;
    }
    // Out of 32-bit range: evaluated again in double, where float would lose whole thousands of
    // depth steps at this magnitude. The bound keeps every later sum well inside 64 bits.
    constexpr double BOUND = 4.0e18;
    double wide = double(dzdx) * (double(s.minX) - double(s.x[0])) + double(d1) +
                  double(dzdy) * (double(s.anchorRow) - double(s.y[0]));
    wide = wide > BOUND ? BOUND : wide < -BOUND ? -BOUND : wide;
    p.start = static_cast<int64_t>(wide);
    p.wraps = false;
    return p;
}

} // namespace raster

namespace {

using raster::DepthPlane;
using raster::Plane;
using raster::Setup;

// Covered pixels of a row are visited lowest bit first.
inline int32_t lowestPixel(uint32_t mask) {
    return __builtin_ctz(mask);
}

// Depth per pixel of the current block row; test-and-write for one pixel.
struct DepthState {
    DepthPlane plane;
    int32_t* target;
    int32_t minX, anchorRow;
    raster::LaneSteps across; // the plane's step to the right, per pixel of a row
    int64_t block = 0;

    void beginBlock(int32_t c, int32_t r) { block = raster::depthAt(plane, c - minX, r - anchorRow); }
    int64_t rowStart(int32_t j) const { return block + int64_t(j) * plane.dy; }
    int64_t at(int64_t rowStartValue, int32_t i) const { return rowStartValue + int64_t(i) * plane.dx; }
    // The covered pixels of a row (from index) that are strictly nearer than what is stored, which
    // are stored then. A wrapping plane tests the whole row at once, without a branch per pixel
    // (whose outcome, with overdraw, the processor cannot predict); a clamped one pixel by pixel.
    uint32_t testRow(int32_t index, int64_t rowStartValue, uint32_t mask) {
        if (plane.wraps) {
            return raster::depthRow(target + index,
                                    static_cast<int32_t>(static_cast<uint32_t>(rowStartValue)), across, mask);
        }
        uint32_t written = 0;
        for (; mask != 0; mask &= mask - 1) {
            const int32_t i = lowestPixel(mask);
            if (test(index + i, at(rowStartValue, i))) {
                written |= 1u << i;
            }
        }
        return written;
    }
    // True when the pixel is strictly nearer than what is stored; stores it then.
    bool test(int32_t index, int64_t z) {
        const int32_t depth = raster::depthValue(plane, z);
        if (depth < target[index]) {
            target[index] = depth;
            return true;
        }
        return false;
    }
};

struct AttributeState {
    Plane plane;
    int32_t minX, anchorRow;
    Vec4 block;

    void beginBlock(int32_t c, int32_t r) { block = raster::planeAt(plane, c - minX, r - anchorRow); }
    Vec4 rowStart(int32_t j) const { return add(block, scale(plane.dy, static_cast<float>(j))); }
    // The value i pixels right of a row start: computed, not accumulated, so only the pixel's
    // own position decides it.
    Vec4 at(const Vec4& rowStartValue, int32_t i) const {
        return add(rowStartValue, scale(plane.dx, static_cast<float>(i)));
    }
};

template <bool TestDepth>
struct ColorShader {
    Vec4* colour;
    AttributeState colourPlane;
    DepthState depth;

    void beginBlock(int32_t c, int32_t r) {
        colourPlane.beginBlock(c, r);
        if constexpr (TestDepth) {
            depth.beginBlock(c, r);
        }
    }
    void row(int32_t index, int32_t j, uint32_t mask) {
        const Vec4 start = colourPlane.rowStart(j);
        if constexpr (TestDepth) {
            mask = depth.testRow(index, depth.rowStart(j), mask);
        }
        for (; mask != 0; mask &= mask - 1) {
            const int32_t i = lowestPixel(mask);
            colour[index + i] = colourPlane.at(start, i);
        }
    }
};

struct LitShader {
    Vec4* colour;
    AttributeState position;
    AttributeState normal;
    DepthState depth;
    Vec4 material;
    Vec4 ambient;
    const RenderPipeline* pipeline;

    void beginBlock(int32_t c, int32_t r) {
        position.beginBlock(c, r);
        normal.beginBlock(c, r);
        depth.beginBlock(c, r);
    }
    void row(int32_t index, int32_t j, uint32_t mask) {
        const Vec4 p = position.rowStart(j);
        const Vec4 n = normal.rowStart(j);
        for (mask = depth.testRow(index, depth.rowStart(j), mask); mask != 0; mask &= mask - 1) {
            const int32_t i = lowestPixel(mask);
            const LightTerms light = lightSum(*pipeline, position.at(p, i), normal.at(n, i));
            colour[index + i] = add(add(mul(light.diffuse, material), light.specular), ambient);
        }
    }
};

// The texel at an index: read from the float texels, or unpacked from the compact copy.
template <bool Packed>
inline void writeTexel(Vec4& pixel, const FloatImage& texture, const uint32_t* packed, int32_t index) {
    if constexpr (Packed) {
#if TESSELLUNE_SSE
        _mm_store_ps(&pixel.x, unpackTexelLanes(packed[index]));
#else
        pixel = unpackTexel(packed[index]);
#endif
    } else {
        (void)packed;
        pixel = texture.pixels[index];
    }
}

template <bool PowerOfTwo, bool Packed>
struct TexturedShader {
    Vec4* colour;
    AttributeState uvk; // u/z, v/z, 1/z
    DepthState depth;
    const FloatImage* texture;
    const uint32_t* packed; // the same texels, one word each, when Packed

    void beginBlock(int32_t c, int32_t r) {
        uvk.beginBlock(c, r);
        depth.beginBlock(c, r);
    }
    void row(int32_t index, int32_t j, uint32_t mask) {
        const Vec4 start = uvk.rowStart(j);
        mask = depth.testRow(index, depth.rowStart(j), mask);
        if constexpr (PowerOfTwo) {
            int32_t texels[BLOCK_SIZE];
            raster::texelRow(start, uvk.plane.dx, texture->width, texture->height, mask, texels);
            for (; mask != 0; mask &= mask - 1) {
                const int32_t i = lowestPixel(mask);
                writeTexel<Packed>(colour[index + i], *texture, packed, texels[i]);
            }
        } else {
            for (; mask != 0; mask &= mask - 1) {
                const int32_t i = lowestPixel(mask);
                const Vec4 value = uvk.at(start, i);
                const float w = 1.0f / value.z;
                writeTexel<Packed>(
                    colour[index + i], *texture, packed,
                    raster::wrappedTexel<false>(value.x * w, value.y * w, texture->width, texture->height));
            }
        }
    }
};

struct DepthShader {
    DepthState depth;

    void beginBlock(int32_t c, int32_t r) { depth.beginBlock(c, r); }
    void row(int32_t index, int32_t j, uint32_t mask) { depth.testRow(index, depth.rowStart(j), mask); }
};

DepthState makeDepth(const Setup& s, DepthImage& target, const Vec4& s0, const Vec4& s1, const Vec4& s2) {
    const DepthPlane plane = raster::makeDepthPlane(s, s0.z, s1.z, s2.z);
    return {plane, reinterpret_cast<int32_t*>(target.pixels), s.minX, s.anchorRow,
            raster::laneSteps(plane.dx)};
}

AttributeState makeAttribute(const Setup& s, const Vec4& f1, const Vec4& f2, const Vec4& f3) {
    return {raster::makePlane(s, f1, f2, f3), s.minX, s.anchorRow, Vec4{}};
}

// Makes its shader when the walk begins the first block with a covered pixel. About a third of the
// faces a band sets up in a dense model cover none of its pixels: their planes, and for vertex-lit
// faces their corner colours, are then never made. The shader is the same whenever it is made.
template <typename Make>
struct MadeOnFirstBlock {
    using Shader = decltype(std::declval<Make&>()());
    Make make;
    std::optional<Shader> shader;

    // Converts to the shader where the optional makes it, so the shader is built in place.
    struct InPlace {
        Make& make;
        operator Shader() const { return make(); }
    };

    void beginBlock(int32_t c, int32_t r) {
        if (!shader) {
            shader.emplace(InPlace{make});
        }
        shader->beginBlock(c, r);
    }
    void row(int32_t index, int32_t j, uint32_t mask) { shader->row(index, j, mask); }
};

// Walks the face with the shader `make` returns, made once the walk finds a covered pixel.
template <typename Make>
void walkWithShaderMade(const Setup& s, Make make) {
    MadeOnFirstBlock<Make> lazy{make, std::nullopt};
    raster::walkBlocks(s, lazy);
}

// Both colour rasterizers; `colours` fills the three corner colours when the face covers a pixel.
template <bool TestDepth, typename Colours>
void drawColor(FloatImage& colour, DepthImage* depth, int32_t rowBegin, int32_t rowEnd, const Vec4& s0,
               const Vec4& s1, const Vec4& s2, const Colours& colours) {
    Setup s;
    if (!raster::setupTriangle(s0, s1, s2, colour.width, rowBegin, rowEnd, s)) {
        return;
    }
    walkWithShaderMade(s, [&] {
        Vec4 c[3];
        colours(c);
        if constexpr (TestDepth) {
            return ColorShader<true>{colour.pixels, makeAttribute(s, c[0], c[1], c[2]),
                                     makeDepth(s, *depth, s0, s1, s2)};
        } else {
            return ColorShader<false>{colour.pixels, makeAttribute(s, c[0], c[1], c[2]), DepthState{}};
        }
    });
}

// Corner colours known before the walk, for drawColor.
auto givenColours(const Vec4& c0, const Vec4& c1, const Vec4& c2) {
    return [&c0, &c1, &c2](Vec4 c[3]) {
        c[0] = c0;
        c[1] = c1;
        c[2] = c2;
    };
}

Vec4 toVec4(const PipelineNormal& n) {
    return {n.nx, n.ny, n.nz, n.nw};
}

Vec4 perspectiveCorner(const PipelineVertex& v, const TexCoord& t) {
    const float k = 1.0f / v.position.z;
    return {t.u * k, t.v * k, k, 0.0f};
}

} // namespace

int32_t texelIndex(float u, float v, int32_t width, int32_t height) {
    return raster::wrappedTexel<false>(u, v, width, height);
}

void rasterizeColor(FloatImage& colour, DepthImage& depth, int32_t rowBegin, int32_t rowEnd, const Vec4& s0,
                    const Vec4& s1, const Vec4& s2, const Vec4& c0, const Vec4& c1, const Vec4& c2) {
    drawColor<true>(colour, &depth, rowBegin, rowEnd, s0, s1, s2, givenColours(c0, c1, c2));
}

void rasterizeColor(FloatImage& colour, DepthImage& depth, int32_t rowBegin, int32_t rowEnd, const Vec4& s0,
                    const Vec4& s1, const Vec4& s2, const CornerColours& colours) {
    drawColor<true>(colour, &depth, rowBegin, rowEnd, s0, s1, s2,
                    [&](Vec4 c[3]) { colours.make(colours.context, c); });
}

void rasterizeColorNoDepth(FloatImage& colour, int32_t rowBegin, int32_t rowEnd, const Vec4& s0,
                           const Vec4& s1, const Vec4& s2, const Vec4& c0, const Vec4& c1, const Vec4& c2) {
    drawColor<false>(colour, nullptr, rowBegin, rowEnd, s0, s1, s2, givenColours(c0, c1, c2));
}

void rasterizeColorNoDepth(FloatImage& colour, int32_t rowBegin, int32_t rowEnd, const Vec4& s0,
                           const Vec4& s1, const Vec4& s2, const CornerColours& colours) {
    drawColor<false>(colour, nullptr, rowBegin, rowEnd, s0, s1, s2,
                     [&](Vec4 c[3]) { colours.make(colours.context, c); });
}

void rasterizeLit(FloatImage& colour, DepthImage& depth, int32_t rowBegin, int32_t rowEnd, const Vec4& s0,
                  const Vec4& s1, const Vec4& s2, const PipelineVertex& v0, const PipelineVertex& v1,
                  const PipelineVertex& v2, const PipelineNormal& n0, const PipelineNormal& n1,
                  const PipelineNormal& n2, const Vec4& materialColor, const RenderPipeline& pipeline) {
    Setup s;
    if (!raster::setupTriangle(s0, s1, s2, colour.width, rowBegin, rowEnd, s)) {
        return;
    }
    walkWithShaderMade(s, [&] {
        return LitShader{colour.pixels,
                         makeAttribute(s, v0.position, v1.position, v2.position),
                         makeAttribute(s, toVec4(n0), toVec4(n1), toVec4(n2)),
                         makeDepth(s, depth, s0, s1, s2),
                         materialColor,
                         scale(materialColor, 0.25f),
                         &pipeline};
    });
}

void rasterizeTextured(FloatImage& colour, DepthImage& depth, int32_t rowBegin, int32_t rowEnd,
                       const Vec4& s0, const Vec4& s1, const Vec4& s2, const PipelineVertex& v0,
                       const PipelineVertex& v1, const PipelineVertex& v2, const TexCoord& t0,
                       const TexCoord& t1, const TexCoord& t2, const FloatImage& texture,
                       const uint32_t* packed) {
    if (texture.pixels == nullptr || texture.width <= 0 || texture.height <= 0) {
        return;
    }
    Setup s;
    if (!raster::setupTriangle(s0, s1, s2, colour.width, rowBegin, rowEnd, s)) {
        return;
    }
    const bool powerOfTwo =
        (texture.width & (texture.width - 1)) == 0 && (texture.height & (texture.height - 1)) == 0;
    const auto walk = [&](auto kind) {
        walkWithShaderMade(s, [&] {
            using Shader = decltype(kind);
            return Shader{colour.pixels,
                          makeAttribute(s, perspectiveCorner(v0, t0), perspectiveCorner(v1, t1),
                                        perspectiveCorner(v2, t2)),
                          makeDepth(s, depth, s0, s1, s2), &texture, packed};
        });
    };
    if (powerOfTwo && packed != nullptr) {
        walk(TexturedShader<true, true>{});
    } else if (powerOfTwo) {
        walk(TexturedShader<true, false>{});
    } else if (packed != nullptr) {
        walk(TexturedShader<false, true>{});
    } else {
        walk(TexturedShader<false, false>{});
    }
}

void rasterizeDepth(const FloatImage& colour, DepthImage& depth, int32_t rowEnd, const Vec4& s0,
                    const Vec4& s1, const Vec4& s2) {
    Setup s;
    if (!raster::setupTriangle(s0, s1, s2, colour.width, 0, rowEnd, s)) {
        return;
    }
    walkWithShaderMade(s, [&] { return DepthShader{makeDepth(s, depth, s0, s1, s2)}; });
}

} // namespace tessellune
