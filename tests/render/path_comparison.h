// Test harness: one face, decoded from bytes, drawn on every kernel path and held to the scalar path
// and to the coverage oracle. Shared by the kernel-path tests (random bytes) and the fuzzer.
//
// Conventions: the target is 64 x 48 pixels; the face is drawn into one band of it (rows a
// multiple of 8) over a background whose colours are signalling-NaN patterns that no arithmetic
// produces, so a pixel is "written" exactly when its bits changed. Every decoded value is used as
// decoded: corners may be huge, tiny, NaN or infinite, depths beyond the near plane.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "coverage_oracle.h"
#include "kernel_path_helpers.h"
#include "render/image.h"
#include "render/light.h"
#include "render/packed_texel.h"
#include "render/pipeline.h"
#include "render/rasterize.h"

namespace tessellune::testing {

// Reads bytes in order; past the end it gives zeros, so every input decodes to some face.
class ByteReader {
public:
    ByteReader(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    uint8_t byte() { return at_ < size_ ? data_[at_++] : 0; }
    bool exhausted() const { return at_ >= size_; }
    uint32_t word() {
        uint32_t w = 0;
        for (int k = 0; k < 4; ++k) {
            w |= uint32_t(byte()) << (8 * k);
        }
        return w;
    }
    float bits() {
        const uint32_t w = word();
        float f;
        std::memcpy(&f, &w, sizeof f);
        return f;
    }
    // A value in [lo, hi] in 65536 steps.
    float range(float lo, float hi) {
        const uint32_t w = uint32_t(byte()) | uint32_t(byte()) << 8;
        return lo + (hi - lo) * static_cast<float>(w) / 65535.0f;
    }

private:
    const uint8_t* data_;
    size_t size_;
    size_t at_ = 0;
};

enum class FaceKind { Color, ColorNoDepth, Lit, TexturedPacked, TexturedFloat, TexturedOddSize, DepthOnly };
inline constexpr int FACE_KINDS = 7;

struct FaceCase {
    FaceKind kind = FaceKind::Color;
    Vec4 screen[3];
    PipelineVertex vertex[3];
    PipelineNormal normal[3];
    TexCoord texcoord[3];
    Vec4 colour[3];
    Vec4 material;
    Vec4 lightPosition;
    int32_t rowBegin = 0, rowEnd = 0;
    uint8_t depthBackground = 0; // 0: cleared, 1: one value, 2: random words
    uint32_t depthSeed = 0;
};

inline constexpr int32_t CASE_WIDTH = 64;
inline constexpr int32_t CASE_HEIGHT = 48;

// The screen corners, in one of the shapes that stress the walk most.
inline void decodeCorners(ByteReader& in, Vec4 corners[3]) {
    const int shape = in.byte() % 7;
    const float cx = in.range(-24.0f, CASE_WIDTH + 24.0f);
    const float cy = in.range(-24.0f, CASE_HEIGHT + 24.0f);
    for (int k = 0; k < 3; ++k) {
        float x = 0.0f, y = 0.0f;
        switch (shape) {
        case 0: // a pixel or less: mostly covers no pixel centre
            x = cx + in.range(-1.5f, 1.5f);
            y = cy + in.range(-1.5f, 1.5f);
            break;
        case 1: // a few blocks
            x = cx + in.range(-40.0f, 40.0f);
            y = cy + in.range(-40.0f, 40.0f);
            break;
        case 2: // far beyond the target, some beyond the exact range
            x = in.range(-2600.0f, 2600.0f);
            y = in.range(-2600.0f, 2600.0f);
            break;
        case 3: // a sliver: two corners a hair apart, the third far away
            x = k == 2 ? in.range(-300.0f, 300.0f) : cx + in.range(-0.05f, 0.05f);
            y = k == 2 ? in.range(-300.0f, 300.0f) : cy + in.range(-40.0f, 40.0f);
            break;
        case 4: // on the 1/16 grid: ties and the fill rule
            x = std::floor(in.range(-8.0f, CASE_WIDTH + 8.0f)) + static_cast<float>(in.byte() % 16) / 16.0f;
            y = std::floor(in.range(-8.0f, CASE_HEIGHT + 8.0f)) + static_cast<float>(in.byte() % 2) / 16.0f;
            break;
        case 5: // on whole pixels
            x = std::floor(in.range(-4.0f, CASE_WIDTH + 4.0f));
            y = std::floor(in.range(-4.0f, CASE_HEIGHT + 4.0f));
            break;
        default: // any bits: NaN, infinities, denormals
            x = in.bits();
            y = in.bits();
            break;
        }
        corners[k] = {x, y, 0.0f, 1.0f};
    }
}

// A projected depth: inside the view, cut by the near plane (below -1), or any bits.
inline float decodeDepth(ByteReader& in) {
    switch (in.byte() % 4) {
    case 0:
    case 1:
        return in.range(-1.0f, 1.0f);
    case 2:
        return in.range(-200.0f, -1.0f);
    default:
        return in.bits();
    }
}

inline FaceCase decodeFace(ByteReader& in) {
    FaceCase c;
    c.kind = static_cast<FaceKind>(in.byte() % FACE_KINDS);
    decodeCorners(in, c.screen);
    for (int k = 0; k < 3; ++k) {
        c.screen[k].z = decodeDepth(in);
        // View-space position: the lighting's input and the textured 1/z; 0 is allowed.
        c.vertex[k].position = {in.range(-20, 20), in.range(-20, 20), in.range(-60, 0.5f), 1.0f};
        c.vertex[k].screen = c.screen[k];
        c.normal[k] = {in.range(-1, 1), in.range(-1, 1), in.range(-1, 1), 0.0f};
        c.texcoord[k].u = in.range(-40, 40);
        c.texcoord[k].v = in.range(-40, 40);
        c.colour[k] = {in.range(-4, 4), in.range(-4, 4), in.range(-4, 4), in.range(0, 2)};
    }
    c.material = {in.range(0, 1), in.range(0, 1), in.range(0, 1), 1.0f};
    c.lightPosition = {in.range(-30, 30), in.range(-30, 30), in.range(-60, 10), 1.0f};
    const int32_t blocks = CASE_HEIGHT / BLOCK_SIZE;
    const int32_t first = in.byte() % blocks;
    c.rowBegin = first * BLOCK_SIZE;
    c.rowEnd = (first + 1 + in.byte() % (blocks - first)) * BLOCK_SIZE;
    c.depthBackground = in.byte() % 3;
    c.depthSeed = in.word();
    return c;
}

// What every face is drawn with: textures, lights and one target pair per path.
class PathBench {
public:
    PathBench() {
        for (int k = 0; k < 2; ++k) {
            const int32_t width = k == 0 ? 16 : 12, height = k == 0 ? 8 : 10;
            createFloatImage(textures_[k], width, height);
            packed_[k].resize(static_cast<size_t>(width) * static_cast<size_t>(height));
            for (size_t i = 0; i < packed_[k].size(); ++i) {
                packed_[k][i] = static_cast<uint32_t>(i * 2654435761u) ^ 0x5a17c3e1u;
                textures_[k].pixels[i] = scalar::unpackTexel(packed_[k][i]);
            }
        }
        // One ordinary light (its position decoded per face), one without specular, and one
        // whose non-positive intensity makes it add nothing.
        lights_[0].diffuseColor = {10, 10, 10, 0};
        lights_[0].diffuseIntensity = {100, 0, 0, 0};
        lights_[0].specularColor = {1, 0.5f, 0.25f, 0};
        lights_[0].specularIntensity = {40, 0, 0, 0};
        lights_[1].viewPosition = {3, -2, -5, 1};
        lights_[1].diffuseColor = {0.5f, 2, 1, 0.5f};
        lights_[1].diffuseIntensity = {30, 0, 0, 0};
        lights_[2].viewPosition = {0, 0, -1, 1};
        lights_[2].diffuseColor = {5, 5, 5, 5};
        lights_[2].diffuseIntensity = {-1, 0, 0, 0};
        lights_[2].specularIntensity = {9, 0, 0, 0};
        for (int k = 0; k < 3; ++k) {
            pipeline_.lights[k] = &lights_[k];
        }
        pipeline_.lightCount = 3;
        for (const KernelPath path : availableKernelPaths()) {
            paths_.push_back(path);
        }
        for (Pair& pair : pairs_) {
            createFloatImage(pair.colour, CASE_WIDTH, CASE_HEIGHT);
            createDepthImage(pair.depth, CASE_WIDTH, CASE_HEIGHT);
        }
        createFloatImage(backgroundColour_, CASE_WIDTH, CASE_HEIGHT);
        createDepthImage(backgroundDepth_, CASE_WIDTH, CASE_HEIGHT);
    }
    ~PathBench() {
        for (FloatImage& texture : textures_) {
            releaseFloatImage(texture);
        }
        for (Pair& pair : pairs_) {
            releaseFloatImage(pair.colour);
            releaseDepthImage(pair.depth);
        }
        releaseFloatImage(backgroundColour_);
        releaseDepthImage(backgroundDepth_);
    }
    PathBench(const PathBench&) = delete;
    PathBench& operator=(const PathBench&) = delete;

    const std::vector<KernelPath>& paths() const { return paths_; }

    // Pixels written by the last face on the scalar path, colour and depth.
    int32_t colourWritten() const { return colourWritten_; }
    int32_t depthWritten() const { return depthWritten_; }

    // Draws the face on every path; an empty string when all agree bit for bit with the scalar path
    // and the scalar path's writes agree with the oracle, else what went wrong.
    std::string check(const FaceCase& c) {
        fillBackground(c);
        const KernelPathScope restore;
        for (size_t p = 0; p < paths_.size(); ++p) {
            Pair& pair = pairs_[p];
            std::memcpy(static_cast<void*>(pair.colour.pixels), backgroundColour_.pixels, colourBytes());
            std::memcpy(pair.depth.pixels, backgroundDepth_.pixels, depthBytes());
            setKernelPath(paths_[p]);
            draw(c, pair);
        }
        std::ostringstream out;
        for (size_t p = 1; p < paths_.size(); ++p) {
            compare(pairs_[0], pairs_[p], kernelPathName(paths_[p]), out);
        }
        checkWrites(c, pairs_[0], out);
        return out.str();
    }

private:
    struct Pair {
        FloatImage colour;
        DepthImage depth;
    };

    static size_t colourBytes() { return sizeof(Vec4) * CASE_WIDTH * CASE_HEIGHT; }
    static size_t depthBytes() { return sizeof(uint32_t) * CASE_WIDTH * CASE_HEIGHT; }

    void fillBackground(const FaceCase& c) {
        uint32_t state = c.depthSeed | 1u;
        for (int32_t i = 0; i < CASE_WIDTH * CASE_HEIGHT; ++i) {
            // Signalling NaNs with a pattern of their own: no arithmetic result has these bits.
            const uint32_t bits[4] = {0x7f800001u + uint32_t(i), 0xff800002u + uint32_t(i), 0x7fa00000u,
                                      0xffa00000u + uint32_t(i)};
            std::memcpy(&backgroundColour_.pixels[i], bits, sizeof bits);
            state = state * 1664525u + 1013904223u;
            backgroundDepth_.pixels[i] = c.depthBackground == 0   ? 0u
                                         : c.depthBackground == 1 ? 0xc0000000u
                                                                  : state;
        }
    }

    void draw(const FaceCase& c, Pair& pair) {
        const Vec4* s = c.screen;
        switch (c.kind) {
        case FaceKind::Color:
            rasterizeColor(pair.colour, pair.depth, c.rowBegin, c.rowEnd, s[0], s[1], s[2], c.colour[0],
                           c.colour[1], c.colour[2]);
            break;
        case FaceKind::ColorNoDepth:
            rasterizeColorNoDepth(pair.colour, c.rowBegin, c.rowEnd, s[0], s[1], s[2], c.colour[0],
                                  c.colour[1], c.colour[2]);
            break;
        case FaceKind::Lit:
            lights_[0].viewPosition = c.lightPosition;
            rasterizeLit(pair.colour, pair.depth, c.rowBegin, c.rowEnd, s[0], s[1], s[2], c.vertex[0],
                         c.vertex[1], c.vertex[2], c.normal[0], c.normal[1], c.normal[2], c.material,
                         pipeline_);
            break;
        case FaceKind::TexturedPacked:
        case FaceKind::TexturedFloat:
        case FaceKind::TexturedOddSize: {
            const int k = c.kind == FaceKind::TexturedOddSize ? 1 : 0;
            const uint32_t* packed = c.kind == FaceKind::TexturedFloat || (k == 1 && (c.depthSeed & 1u))
                                         ? nullptr
                                         : packed_[k].data();
            rasterizeTextured(pair.colour, pair.depth, c.rowBegin, c.rowEnd, s[0], s[1], s[2], c.vertex[0],
                              c.vertex[1], c.vertex[2], c.texcoord[0], c.texcoord[1], c.texcoord[2],
                              textures_[k], packed);
            break;
        }
        case FaceKind::DepthOnly:
            // Its rows are [0, rowEnd): the whole target above the band's end.
            rasterizeDepth(pair.colour, pair.depth, c.rowEnd, s[0], s[1], s[2]);
            break;
        }
    }

    static void compare(const Pair& scalar, const Pair& other, const char* name, std::ostringstream& out) {
        for (int32_t i = 0; i < CASE_WIDTH * CASE_HEIGHT; ++i) {
            if (std::memcmp(&scalar.colour.pixels[i], &other.colour.pixels[i], sizeof(Vec4)) != 0 ||
                scalar.depth.pixels[i] != other.depth.pixels[i]) {
                out << name << " differs from scalar at pixel " << i % CASE_WIDTH << "," << i / CASE_WIDTH
                    << "\n";
                return;
            }
        }
    }

    // Writes only inside the rows the call owns and only at pixels the oracle covers; without a
    // depth test, every such pixel is written.
    void checkWrites(const FaceCase& c, const Pair& drawn, std::ostringstream& out) {
        const bool draws = oracleDraws(c.screen);
        const int32_t top = c.kind == FaceKind::DepthOnly ? 0 : c.rowBegin;
        colourWritten_ = depthWritten_ = 0;
        for (int32_t y = 0; y < CASE_HEIGHT; ++y) {
            for (int32_t x = 0; x < CASE_WIDTH; ++x) {
                const int32_t i = y * CASE_WIDTH + x;
                const bool colourChanged =
                    std::memcmp(&drawn.colour.pixels[i], &backgroundColour_.pixels[i], sizeof(Vec4)) != 0;
                const bool depthChanged = drawn.depth.pixels[i] != backgroundDepth_.pixels[i];
                colourWritten_ += colourChanged;
                depthWritten_ += depthChanged;
                const bool covered = draws && y >= top && y < c.rowEnd && oracleCovers(c.screen, x, y);
                if ((colourChanged || depthChanged) && !covered) {
                    out << "pixel " << x << "," << y << " written outside the face or the rows [" << top
                        << ", " << c.rowEnd << ")\n";
                    return;
                }
                if (c.kind == FaceKind::ColorNoDepth && covered && !colourChanged) {
                    out << "covered pixel " << x << "," << y << " not written without a depth test\n";
                    return;
                }
                const bool colourFollowsDepth =
                    c.kind != FaceKind::ColorNoDepth && c.kind != FaceKind::DepthOnly;
                if (colourFollowsDepth && colourChanged != depthChanged) {
                    out << "pixel " << x << "," << y << (depthChanged ? " passed" : " failed")
                        << " the depth test but its colour did not follow\n";
                    return;
                }
                if (c.kind == FaceKind::DepthOnly && colourChanged) {
                    out << "the depth-only pass wrote colour at " << x << "," << y << "\n";
                    return;
                }
            }
        }
    }

    FloatImage textures_[2];
    std::vector<uint32_t> packed_[2];
    Light lights_[3];
    RenderPipeline pipeline_;
    std::vector<KernelPath> paths_;
    Pair pairs_[3];
    FloatImage backgroundColour_;
    DepthImage backgroundDepth_;
    int32_t colourWritten_ = 0;
    int32_t depthWritten_ = 0;
};

} // namespace tessellune::testing
