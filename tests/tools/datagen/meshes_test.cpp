// The generated meshes: counts, what each OBJ line carries, closed and outward-facing surfaces,
// and which way the dune tile and the floor face once the scenes have placed them.
#include <gtest/gtest.h>

#include <cmath>
#include <map>

#include "tests/tools/datagen/scene_geometry.h"
#include "tools/datagen/meshes.h"

namespace tessellune::datagen {
namespace {

constexpr float QUARTER_TURN = 1.5707964f;
constexpr float HALF_TURN = 3.1415927f;

// The counts, the faces' directions and that every corner carries a normal are checked on the file
// the loader reads.
TEST(DuneTile, SpansOneUnitAboveTheFloorLooksUpAndJoinsItsNeighboursWithoutCracks) {
    const MeshData tile = makeDuneTile();
    // The lee slopes are steep on purpose (down to about 85 degrees), so the occlusion bake, which
    // only sees 30 degrees around each normal, darkens the troughs.
    for (const Vec4& n : tile.normals) {
        EXPECT_NEAR(n.x * n.x + n.y * n.y + n.z * n.z, 1.0f, 1e-5f);
        EXPECT_GT(n.y, 0.05f);
    }
    float lowest = 1e9f, highest = -1e9f;
    for (const Vec4& p : tile.positions) {
        EXPECT_GE(p.x, -0.5f);
        EXPECT_LE(p.x, 0.5f);
        EXPECT_GE(p.z, -0.5f);
        EXPECT_LE(p.z, 0.5f);
        lowest = std::min(lowest, p.y);
        highest = std::max(highest, p.y);
    }
    EXPECT_GT(lowest, 0.005f) << "the dunes stay above the floor plane";
    EXPECT_LT(highest, 0.75f);
    EXPECT_GT(highest - lowest, 0.08f) << "and are more than a flat sheet";
    constexpr int n = DUNE_CELLS + 1;
    for (int k = 0; k < n; ++k) {
        EXPECT_NEAR(tile.positions[k * n].y, tile.positions[k * n + n - 1].y, 1e-6f);
        EXPECT_NEAR(tile.positions[k].y, tile.positions[(n - 1) * n + k].y, 1e-6f);
        EXPECT_NEAR(tile.normals[k * n].x, tile.normals[k * n + n - 1].x, 1e-4f);
    }
}

TEST(KnotObject, IsAClosedSurfaceWhoseFacesPointOutwards) {
    const MeshData knot = makeKnotObject();
    EXPECT_GT(knot.triangles.size(), 1000u);
    // Weld the duplicated seam vertices, then every directed edge must meet its reverse exactly
    // once: a closed surface, consistently wound.
    std::map<std::tuple<float, float, float>, int> welded;
    std::vector<int> id(knot.positions.size());
    for (size_t i = 0; i < knot.positions.size(); ++i) {
        const Vec4& p = knot.positions[i];
        id[i] = welded.emplace(std::tuple{p.x, p.y, p.z}, static_cast<int>(welded.size())).first->second;
    }
    std::map<std::pair<int, int>, int> edges;
    for (const MeshTriangle& t : knot.triangles) {
        for (int k = 0; k < 3; ++k) {
            edges[{id[t.corners[k].position], id[t.corners[(k + 1) % 3].position]}] += 1;
        }
    }
    for (const auto& [edge, count] : edges) {
        EXPECT_EQ(count, 1);
        EXPECT_TRUE(edges.count({edge.second, edge.first})) << "an edge without its reverse";
    }
    float extent = 0.0f;
    for (const MeshTriangle& t : knot.triangles) {
        const Vec4 n = faceNormal(knot, t);
        for (const MeshCorner& c : t.corners) {
            const Vec4& vn = knot.normals[c.normal];
            EXPECT_GT(n.x * vn.x + n.y * vn.y + n.z * vn.z, 0.3f) << "face agrees with the outward normal";
            EXPECT_GE(c.texcoord, 0);
            EXPECT_LT(c.texcoord, static_cast<int>(knot.texcoords.size()));
        }
        const Vec4& p = knot.positions[t.corners[0].position];
        extent = std::max({extent, std::fabs(p.x), std::fabs(p.y), std::fabs(p.z)});
    }
    // Scene 6 draws it 12 times larger, 20 above the floor: it must not reach down to the dunes.
    EXPECT_LT(extent * 12.0f, 17.0f);
    ASSERT_EQ(knot.materials.size(), 2u);
    EXPECT_EQ(knot.materials[0].texture, "envtest256.png");
    EXPECT_EQ(knot.materials[1].texture, "colors512.png");
}

TEST(ScenePlacement, TheQuarterTurnPutsTheDunesOnTopOfTheFloorSeenFromTheDuneCamerasAndTheProbe) {
    const MeshData tile = makeDuneTile();
    const MeshData floor = makeTealFloor();
    // The tile's up (+y) becomes world +z and the floor's -z becomes +z, so that a camera straight
    // above the field (table entry 6 stands at z = 200) sees the floor and most of each tile: towards
    // the frame's edges its rays are oblique enough that the near-vertical lee slopes turn away; one
    // far below the floor, looking up, sees none.
    const Matrix4 floorPlace = datatest::instanceMatrix(10000.0f, 0, 0, 0, HALF_TURN, 0, 0);
    Matrix4 above, below;
    const float abovePosition[3] = {8, -20, -200}, belowPosition[3] = {0, -40, 2000};
    const float noTurn[3] = {0, 0, 0}, upwards[3] = {HALF_TURN, 0, 0};
    makeFreeView(abovePosition, noTurn, above);
    makeFreeView(belowPosition, upwards, below);
    for (int r = 0; r < 5; ++r) {
        for (int c = 0; c < 10; ++c) {
            const Matrix4 place =
                datatest::instanceMatrix(20.0f, c * 20.0f - 100.0f, r * 20.0f, 0, QUARTER_TURN, 0, 0);
            EXPECT_GT(datatest::frontFacingShare(tile, multiply(place, above)), 0.7);
            EXPECT_EQ(datatest::frontFacingShare(tile, multiply(place, below)), 0.0);
        }
    }
    EXPECT_EQ(datatest::frontFacingShare(floor, multiply(floorPlace, above)), 1.0);
    EXPECT_EQ(datatest::frontFacingShare(floor, multiply(floorPlace, below)), 0.0);

    // The occlusion probe sits above the floor and looks into the open sky, not into the floor.
    const Matrix4 probe = datatest::instanceMatrix(10.0f, 10, 30, 0, QUARTER_TURN, 0, 0);
    for (size_t i = 0; i < tile.positions.size(); ++i) {
        EXPECT_GT(transformPoint(probe, tile.positions[i]).z, 0.0f);
        EXPECT_GT(normalize(transformDirection(probe, tile.normals[i])).z, 0.05f);
    }
}

} // namespace
} // namespace tessellune::datagen
