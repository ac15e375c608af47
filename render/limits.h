// The renderer's fixed sizes and number formats, each with the reason it has that value.
#pragma once

#include <cstdint>

namespace tessellune {

// Entries per pipeline buffer (vertices, normals, texture coordinates, faces) in one scene pass:
// a budget the scenes are written to stay inside; the statistics report shows how close they come.
inline constexpr int32_t PIPELINE_CAPACITY = 100000;

// The planes a face is clipped against: near, far, left, right, top, bottom.
inline constexpr int32_t CLIP_PLANES = 6;

// The largest face the clipper accepts. Loaded meshes are triangles and built shapes and cards are
// quads; eight leaves a built mesh room for larger convex polygons while keeping the clipper's
// working polygon small. Larger faces are refused.
inline constexpr int32_t MAX_CLIP_INPUT_CORNERS = 8;

// Corner slots per face: the clipper's working polygon. Each plane cuts a convex polygon in at
// most two points and drops at least one corner between them, so it gains at most one corner per
// plane: 8 + 6 = 14.
inline constexpr int32_t MAX_FACE_CORNERS = MAX_CLIP_INPUT_CORNERS + CLIP_PLANES;

// The triangles a clipped face fans into: a convex polygon of n corners makes n - 2.
inline constexpr int32_t MAX_CLIP_OUTPUT_FACES = MAX_FACE_CORNERS - 2;

// The front end on the pool: a mesh of at least this many faces is shared by ranges of its
// vertices and faces rather than run by one worker (a dune tile has 512, the bench model 69,451);
// runs of smaller submissions adding fewer faces than the second figure (title cards, the floor)
// run on the calling thread, where waking the workers would cost more than the work.
inline constexpr int32_t FRONT_END_LARGE_MESH = 4096;
inline constexpr int32_t FRONT_END_MIN_SHARED_FACES = 256;
// The front end's chunk, in faces: a worker lays its chunk down while the staged copy is still in
// its cache (1024 faces stage about 300 KB), and a pass of 100,000 faces makes about a hundred
// chunks, enough to keep every worker busy to the end.
inline constexpr int32_t FRONT_END_CHUNK_FACES = 1024;

// The face ordering's radix sort. Depth keys are below 2^31: three 11-bit digits cover them, and
// keys within 2^22 (faces nearer than 64 units) differ in the low two only, so the third pass is
// skipped. The three digits' counts (24 KB) stay in the first-level cache.
inline constexpr uint32_t RADIX_BITS = 11;
inline constexpr int32_t RADIX_BUCKETS = 1 << RADIX_BITS;
inline constexpr int32_t RADIX_PASSES = 3;

// Projecting and ordering a pass on the pool pays off only for large passes: the work is mostly
// waiting for memory, which two workers share, and each of its five or so steps ends with every
// worker waiting for the slowest. Measured on two processors (8 Dec), the pool took 1.3 ms where
// one thread took 1.45 for 100,000 faces, but 0.4 ms where one thread took 0.31 for 25,600 and
// 0.72 against 0.62 for 31,000. Smaller passes run on the calling thread.
inline constexpr int32_t PASS_ORDER_MIN_SHARED_FACES = 65536;

// The share of a material's own colour that every lit pixel keeps, however far from the light:
// what keeps the dunes' far sides from going black.
inline constexpr float AMBIENT_SHARE = 0.25f;

// Point lights per pass; the scenes use one.
inline constexpr int32_t MAX_LIGHTS = 16;

// fastPow10 works on the upper word of a double: the upper word of 1.0 minus a small bias that
// makes the linear exponent trick fit s^10 better, the exponent it multiplies by, and the first
// scaled word that no longer fits a signed 32-bit word (no s in [0, 1] reaches it).
inline constexpr int32_t FAST_POW_BIAS = 1072632447;
inline constexpr double FAST_POW_EXPONENT = 10.0;
inline constexpr double FAST_POW_LIMIT = 2147483648.0;

// The rasterizer visits 8 x 8 pixel blocks: render targets are a multiple of 8 wide and bands
// start and end on multiples of 8 rows, so a block never straddles a band or the right edge.
inline constexpr int32_t BLOCK_SIZE = 8;

// Screen positions are snapped to 28.4 fixed point: 1/16 pixel is fine enough that snapping is
// invisible and coarse enough that edge products stay in 32 bits.
inline constexpr int32_t SUBPIXEL_BITS = 4;
inline constexpr int32_t SUBPIXEL_SCALE = 1 << SUBPIXEL_BITS;

// Edge values are exact 32-bit integers only while screen coordinates stay within this many
// pixels of the origin; clipping keeps real faces inside the view, and faces beyond it are skipped.
inline constexpr float MAX_SCREEN_COORDINATE = 2048.0f;

// The largest float below 2^31 (2^31 - 128): a float at or above it does not fit a signed 32-bit
// integer, so conversions saturate from here (and from its negative) instead of wrapping.
inline constexpr float LARGEST_INT32_FLOAT = 2147483520.0f;

// Projected depth -1..1 maps to -2147483646..0 by (z - 1) * 2^30 - 1: the negative half of the
// 32-bit range, so a cleared depth of 0 is farther than anything drawn.
inline constexpr double DEPTH_SCALE = 1073741823.0;

// Vertex lighting is remembered per band for this many (vertex, normal) pairs: a face's corners
// are shared by about six faces, which in depth order come close together, so a small table
// lit once per corner catches most repeats. A power of two, for the slot mask.
inline constexpr int32_t LIGHT_CACHE_ENTRIES = 1024;

// The frame the show renders and every host presents: 640 x 480, 4:3, the size the title cards
// and the camera tables were made for. 480 rows make 60 blocks, so bands of whole blocks tile it.
inline constexpr int32_t FRAME_WIDTH = 640;
inline constexpr int32_t FRAME_HEIGHT = 480;
static_assert(FRAME_WIDTH % BLOCK_SIZE == 0 && FRAME_HEIGHT % BLOCK_SIZE == 0);

// One lighting table per band that can start on a block row of the frame: bands never share one.
inline constexpr int32_t LIGHT_CACHE_BANDS = FRAME_HEIGHT / BLOCK_SIZE;

} // namespace tessellune
