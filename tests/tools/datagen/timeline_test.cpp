// The show's timeline as the build compiles it: length, scenes, cards, fades, and what the cameras
// see of the particles, the lone tile and the dune field at every row.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <set>
#include <string>
#include <vector>

#include "assets/texture_loader.h"
#include "demo/camera_tables.h"
#include "demo/demo_tracks.h"
#include "demo/particles.h"
#include "tests/tools/datagen/scene_geometry.h"
#include "tools/datagen/meshes.h"

namespace tessellune::datatest {
namespace {

constexpr int MUSIC_ROWS = 2816; // eleven sections of 256 rows at 8 rows a beat
constexpr int ROWS_PER_BAR = 32;

// The tracks the build compiled from the timeline, loaded and evaluated as the demo does.
const SyncTrack* demoTrack(const char* name) {
    static SyncDevice* const device = createSyncDevice(TESSELLUNE_BINARY_DIR "/data/sync");
    return getSyncTrack(device, name);
}
float track(const char* name, double row) {
    return syncTrackValue(demoTrack(name), row);
}
int sceneAt(double row) {
    return roundedTrackValue(demoTrack("scene"), row);
}
Matrix4 cameraAt(double row) { // the scene cameras' view
    static const CameraKeyframes tables = makeCameraKeyframes();
    return blendedCameraView(tables, track("cam_a", row), track("cam_b", row), track("cam_lerp", row));
}
// Every step-th row of the music at which the scene runs.
std::vector<int> rowsOf(int scene, int step = 1) {
    std::vector<int> rows;
    for (int row = 0; row < MUSIC_ROWS; row += step) {
        if (sceneAt(row) == scene) {
            rows.push_back(row);
        }
    }
    return rows;
}

TEST(Timeline, KeysEveryTrackTheDemoReadsWithinTheMusic) {
    for (const char* name : DEMO_TRACK_NAMES) {
        const SyncTrack* keyed = demoTrack(name);
        ASSERT_GT(keyed->keyCount, 0) << name << ": the data target has not compiled it";
        EXPECT_LE(keyed->keys[keyed->keyCount - 1].row, MUSIC_ROWS) << name;
    }
}

TEST(Timeline, RunsTwoToThreeMinutesWithTheMusicAndFadesInAndOut) {
    EXPECT_EQ(track("fs", 0), 0.0f);
    EXPECT_EQ(track("fs", 18 * 10), 1.0f) << "faded in after ten seconds";
    // The picture stays up until the fade has ended with the music, two and a half minutes in.
    int end = 0;
    for (int row = 0; row <= MUSIC_ROWS; ++row) {
        if (track("fs", row) > 0.0f) {
            end = row + 1;
        }
    }
    EXPECT_LE(end, MUSIC_ROWS);
    EXPECT_GE(end, MUSIC_ROWS - 2 * ROWS_PER_BAR) << "the fade ends with the music's outro";
}

TEST(Timeline, VisitsEverySceneCuttingOnBarLinesWithTheLoneTileBeforeTheField) {
    std::set<int> seen;
    for (int row = 0; row < MUSIC_ROWS; ++row) {
        seen.insert(sceneAt(row));
        if (row > 0 && sceneAt(row) != sceneAt(row - 1)) {
            EXPECT_EQ(row % ROWS_PER_BAR, 0) << "scene change off the bar at row " << row;
        }
    }
    ASSERT_EQ(seen, (std::set<int>{4, 5, 6, 10, 11, 12}));
    EXPECT_LT(rowsOf(4)[0], rowsOf(6)[0]) << "the field's tiles take their colour from the lone tile";
}

TEST(Timeline, ShowsEveryCardOnlyInTheSceneThatCarriesIt) {
    std::set<std::pair<int, int>> shown; // scene, card
    for (int row = 0; row < MUSIC_ROWS; ++row) {
        for (int n = 1; n <= 3; ++n) {
            if (track(("ta_" + std::to_string(n)).c_str(), row) != 0.0f) {
                shown.insert({sceneAt(row), n});
            }
        }
    }
    EXPECT_EQ(shown, (std::set<std::pair<int, int>>{{11, 1}, {11, 2}, {11, 3}, {12, 1}, {12, 2}, {12, 3}}));
}

TEST(Timeline, KeepsCameraIndicesInTheTables) {
    for (int row = 0; row < MUSIC_ROWS; ++row) {
        for (const char* camera : {"cam_a", "cam_b"}) {
            const float v = track(camera, row);
            EXPECT_GE(v, 0.0f);
            EXPECT_LT(v, 7.5f);
            EXPECT_EQ(v, std::round(v));
        }
    }
}

// The particles as the scenes place them (without scene 10's spin), from the picture file as the
// demo loads it: both shapes show, and each is whole in view.
TEST(Timeline, ThePictureFillsTheViewWheneverItStandsAndTheRingsStayWhole) {
    int32_t error = 0;
    Texture* girl = tryLoadTexture("finishedgirl.png", TESSELLUNE_BINARY_DIR "/data/", "girl", error);
    ASSERT_EQ(error, 0);
    const std::vector<Particle> particles = buildParticleField(*girl->image).particles;
    destroyTexture(girl);
    ASSERT_GT(particles.size(), 800u);
    const auto at = [](const Particle& p, float lerp) {
        const Vec4 ring{60.0f * p.ringDirection.x, 2.0f * p.ringRow, 60.0f * p.ringDirection.z, 1.0f};
        const Vec4 image{10.0f * p.centredColumn, -10.0f * p.centredRow, -20.0f, 1.0f};
        return add(scale(image, lerp), scale(ring, 1 - lerp));
    };
    int pictureRows = 0, ringRows = 0;
    for (int row = 0; row < MUSIC_ROWS; ++row) {
        const int scene = sceneAt(row);
        if (scene < 10) {
            continue;
        }
        const float lerp = track("lerp", row);
        // The floor stands at y = 0, through the middle of the picture: off while it shows.
        if (lerp > 0.5f) {
            EXPECT_EQ(static_cast<int>(track("plane_enable", row) + 0.5f), 0) << "row " << row;
        }
        const Matrix4 view = cameraAt(row);
        float top = 1e9f, bottom = -1e9f;
        int onScreen = 0;
        for (const Particle& p : particles) {
            const ScreenPoint s = projectToScreen(transformPoint(view, at(p, lerp)));
            onScreen += inFrame(view, at(p, lerp));
            top = std::min(top, s.y);
            bottom = std::max(bottom, s.y);
        }
        const double share = static_cast<double>(onScreen) / particles.size();
        if (lerp == 1.0f && scene != 10) {
            ++pictureRows;
            EXPECT_EQ(share, 1.0) << "the whole picture is in view at row " << row;
            EXPECT_GT(bottom - top, 0.75f * 480.0f) << "and fills most of it, row " << row;
        } else if (lerp == 0.0f) {
            ++ringRows;
            EXPECT_EQ(share, 1.0) << "the whole ring stack is in view at row " << row;
        } else {
            EXPECT_GT(share, 0.5) << "most of the particles are in view at row " << row;
        }
    }
    EXPECT_GT(pictureRows, 4 * ROWS_PER_BAR);
    EXPECT_GT(ringRows, 0);
}

TEST(Timeline, TheLoneTileShowsItsLitSideWheneverSceneFourRuns) {
    const datagen::MeshData tile = datagen::makeDuneTile();
    Matrix4 fixedCamera;
    const float back[3] = {0, 0, -50}, noTurn[3] = {0, 0, 0};
    makeFreeView(back, noTurn, fixedCamera);
    const std::vector<int> rows = rowsOf(4);
    for (const int row : rows) {
        const float g = track("gtn", row);
        const float x = track("x", row);
        const Matrix4 place =
            instanceMatrix(x, track("cx", row), track("cy", row), 0,
                           static_cast<float>(g * 0.6024096385542169), g * 0.1f, g * 0.3003003f);
        const Matrix4 view = multiply(place, fixedCamera);
        // Tall crests turn their lee slopes away whichever way the tile tumbles; the lit side is
        // still most of what faces the camera.
        EXPECT_GT(frontFacingShare(tile, view), 0.7) << "row " << row << " gtn " << g;
        // The whole tile stays in the frame: its corners project inside the screen.
        for (const auto& [cx, cz] : {std::pair{-0.5f, -0.5f}, {-0.5f, 0.5f}, {0.5f, -0.5f}, {0.5f, 0.5f}}) {
            EXPECT_TRUE(inFrame(view, Vec4{cx, 0.1f, cz, 1})) << "row " << row;
        }
    }
    EXPECT_GT(rows.size(), 8u * ROWS_PER_BAR);
}

// Scene 6 as a viewer sees it: the knot (at (0, 50, 20), scale 12) in front of the dune field, and
// no cut side of the field (10 x 5 tiles of "x" units, heights up to 0.72 x) turned towards the
// camera inside the frame. The eye and its axes come back out of the view matrix: rows 0 to 2 are
// orthonormal, so the eye is -(row 3) times their transpose.
TEST(Timeline, SceneSixShowsTheKnotInFrontOfTheSandAndNoCutSideOfTheField) {
    float knotRadius = 0.0f;
    for (const Vec4& p : datagen::makeKnotObject().positions) {
        knotRadius = std::max(knotRadius, 12.0f * std::sqrt(p.x * p.x + p.y * p.y + p.z * p.z));
    }
    const Vec4 knot{0, 50, 20, 1};
    const std::vector<int> rows = rowsOf(6, 2);
    for (const int row : rows) {
        const Matrix4 view = cameraAt(row);
        Vec4 eye{0, 0, 0, 1}, right{0, 0, 0, 0}, up{0, 0, 0, 0};
        for (int i = 0; i < 3; ++i) {
            (&eye.x)[i] = -(view(3, 0) * view(i, 0) + view(3, 1) * view(i, 1) + view(3, 2) * view(i, 2));
            (&right.x)[i] = view(i, 0);
            (&up.x)[i] = view(i, 1);
        }
        const float x = track("x", row);
        const float left = -5.5f * x, rightEdge = 4.5f * x, front = -0.5f * x, back = 4.5f * x;
        // Above the crests is above the floor, which faces up (the placement test).
        ASSERT_GT(eye.z, 0.72f * x) << "the camera flies above the crests, row " << row;
        EXPECT_TRUE(inFrame(view, knot, 0.1f)) << "knot in frame, row " << row;
        // Sight lines past the knot's middle and its four sides come down on the field, not the floor.
        const float offsets[5][2] = {{0, 0}, {1, 0}, {-1, 0}, {0, 1}, {0, -1}};
        for (const auto& o : offsets) {
            const Vec4 p = add(knot, scale(add(scale(right, o[0]), scale(up, o[1])), knotRadius));
            ASSERT_GT(eye.z, p.z) << "row " << row;
            const float s = eye.z / (eye.z - p.z);
            const float gx = eye.x + s * (p.x - eye.x), gy = eye.y + s * (p.y - eye.y);
            EXPECT_TRUE(gx > left && gx < rightEdge && gy > front && gy < back)
                << "sand behind the knot, row " << row << " at (" << gx << ", " << gy << ")";
        }
        // A cut side faces the camera when the eye is outside its edge; none of those may be in frame.
        struct Edge {
            bool facing;
            float x0, y0, x1, y1;
        };
        const Edge edges[4] = {{eye.y < front, left, front, rightEdge, front},
                               {eye.y > back, left, back, rightEdge, back},
                               {eye.x < left, left, front, left, back},
                               {eye.x > rightEdge, rightEdge, front, rightEdge, back}};
        int cutSidePoints = 0;
        for (const Edge& e : edges) {
            for (int i = 0; e.facing && i <= 40; ++i) {
                for (float z : {0.0f, 0.36f * x, 0.72f * x}) {
                    const float u = i / 40.0f;
                    cutSidePoints +=
                        inFrame(view, Vec4{e.x0 + u * (e.x1 - e.x0), e.y0 + u * (e.y1 - e.y0), z, 1});
                }
            }
        }
        EXPECT_EQ(cutSidePoints, 0) << "a cut side of the field in view, row " << row;
        // The cameras stay clear of the knot.
        const Vec4 v = transformPoint(view, knot);
        EXPECT_GT(std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z), 20.0f + knotRadius) << "row " << row;
    }
    EXPECT_GT(rows.size(), 4u * ROWS_PER_BAR / 2);
}

TEST(Timeline, ThePulsingBarStaysInSightOfSceneFivesCameras) {
    // The bar grows from the origin along +x and +y to at least 10 x 10 units, whatever the clock.
    const std::vector<int> rows = rowsOf(5);
    for (const int row : rows) {
        EXPECT_TRUE(inFrame(cameraAt(row), Vec4{5, 5, 0, 1})) << "row " << row;
    }
    EXPECT_GT(rows.size(), 4u * ROWS_PER_BAR);
}

} // namespace
} // namespace tessellune::datatest
