// Triangle setup, the scalar and SSE2 paths' rasterizers, and the public entry points that call the active
// path.
#include "render/rasterize.h"

#include <algorithm>
#include <new>
#include <type_traits>
#include <utility>

#include "render/light.h"
#include "render/packed_texel.h"
#include "render/pipeline.h"
#include "render/rasterize_paths.h"
#include "render/rasterize_walk.h"

namespace tessellune {

namespace raster {

bool setupTriangle(const Vec4& p0, const Vec4& p1, const Vec4& p2, int32_t width, int32_t rowBegin,
                   int32_t rowEnd, Setup& s) {
    // Written so that NaN fails too. The three corners are tested together, one branch for all.
    const auto inRange = [](float v) {
        return static_cast<int>(v > -MAX_SCREEN_COORDINATE && v < MAX_SCREEN_COORDINATE);
    };
    if ((inRange(p0.x) & inRange(p0.y) & inRange(p1.x) & inRange(p1.y) & inRange(p2.x) & inRange(p2.y)) ==
        0) {
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
    // NaN counts as fitting and starts at 0 (truncateSaturated's rule): a face whose plane is
    // undefined gets the cleared value, the farthest depth there is, and hides nothing behind it.
    if (!(start >= LARGEST_INT32_FLOAT) && !(start < -2147483648.0f)) {
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

namespace raster {

namespace scalar_path {
namespace lanes = raster::scalar;
constexpr KernelPath PATH = KernelPath::Scalar;
#include "render/rasterize_path.inc"
} // namespace scalar_path

const PathKernels SCALAR_KERNELS = scalar_path::KERNELS;

#if TESSELLUNE_SSE
namespace sse2_path {
namespace lanes = raster::sse2;
constexpr KernelPath PATH = KernelPath::Sse2;
#include "render/rasterize_path.inc"
} // namespace sse2_path

const PathKernels SSE2_KERNELS = sse2_path::KERNELS;
#endif

} // namespace raster

int32_t texelIndex(float u, float v, int32_t width, int32_t height) {
    return raster::wrappedTexel<false>(u, v, width, height);
}

void rasterizeColor(FloatImage& colour, DepthImage& depth, int32_t rowBegin, int32_t rowEnd, const Vec4& s0,
                    const Vec4& s1, const Vec4& s2, const Vec4& c0, const Vec4& c1, const Vec4& c2) {
    const Vec4 given[3] = {c0, c1, c2};
    raster::activeKernels().color(colour, &depth, rowBegin, rowEnd, s0, s1, s2, given, nullptr);
}

void rasterizeColor(FloatImage& colour, DepthImage& depth, int32_t rowBegin, int32_t rowEnd, const Vec4& s0,
                    const Vec4& s1, const Vec4& s2, const CornerColours& colours) {
    raster::activeKernels().color(colour, &depth, rowBegin, rowEnd, s0, s1, s2, nullptr, &colours);
}

void rasterizeColorNoDepth(FloatImage& colour, int32_t rowBegin, int32_t rowEnd, const Vec4& s0,
                           const Vec4& s1, const Vec4& s2, const Vec4& c0, const Vec4& c1, const Vec4& c2) {
    const Vec4 given[3] = {c0, c1, c2};
    raster::activeKernels().color(colour, nullptr, rowBegin, rowEnd, s0, s1, s2, given, nullptr);
}

void rasterizeColorNoDepth(FloatImage& colour, int32_t rowBegin, int32_t rowEnd, const Vec4& s0,
                           const Vec4& s1, const Vec4& s2, const CornerColours& colours) {
    raster::activeKernels().color(colour, nullptr, rowBegin, rowEnd, s0, s1, s2, nullptr, &colours);
}

void rasterizeLit(FloatImage& colour, DepthImage& depth, int32_t rowBegin, int32_t rowEnd, const Vec4& s0,
                  const Vec4& s1, const Vec4& s2, const PipelineVertex& v0, const PipelineVertex& v1,
                  const PipelineVertex& v2, const PipelineNormal& n0, const PipelineNormal& n1,
                  const PipelineNormal& n2, const Vec4& materialColor, const RenderPipeline& pipeline) {
    raster::activeKernels().lit(colour, depth, rowBegin, rowEnd, s0, s1, s2, v0, v1, v2, n0, n1, n2,
                                materialColor, pipeline);
}

void rasterizeTextured(FloatImage& colour, DepthImage& depth, int32_t rowBegin, int32_t rowEnd,
                       const Vec4& s0, const Vec4& s1, const Vec4& s2, const PipelineVertex& v0,
                       const PipelineVertex& v1, const PipelineVertex& v2, const TexCoord& t0,
                       const TexCoord& t1, const TexCoord& t2, const FloatImage& texture,
                       const uint32_t* packed) {
    raster::activeKernels().textured(colour, depth, rowBegin, rowEnd, s0, s1, s2, v0, v1, v2, t0, t1, t2,
                                     texture, packed);
}

void rasterizeDepth(const FloatImage& colour, DepthImage& depth, int32_t rowEnd, const Vec4& s0,
                    const Vec4& s1, const Vec4& s2) {
    raster::activeKernels().depth(colour, depth, rowEnd, s0, s1, s2);
}

} // namespace tessellune
