// The preview's transport arithmetic against hand-worked rows, its in-place timeline swap against
// the timeline text, and the overlay font against every character the status can print.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>

#include "assets/texture_loader.h"
#include "demo/demo_setup.h"
#include "display/key_table.h"
#include "tests/sync/scratch_files.h"
#include "tools/preview/asset_reload.h"
#include "tools/preview/live_timeline.h"
#include "tools/preview/overlay_text.h"
#include "tools/preview/preview_session.h"
#include "tools/preview/status_text.h"

using namespace tessellune;
using namespace tessellune::testing;
namespace VK = Scanout::VirtualKey;

TEST(ShowPosition, FromArgumentsInSecondsBeatsAndRows) {
    struct Case {
        const char* text;
        bool ok;
        double row;
        double tempo = 135.0; // 8 rows a beat
    } cases[] = {{"40", true, 720}, {"40s", true, 720},    {"2.5", true, 45},      {"96b", true, 768},
                 {"0b", true, 0},   {"1728r", true, 1728}, {"10b", true, 120, 90}, {"", false, 0},
                 {"-1", false, 0},  {"b", false, 0},       {"12x", false, 0},      {"nan", false, 0},
                 {"inf", false, 0}};
    for (const Case& c : cases) {
        double row = -1.0;
        EXPECT_EQ(parseShowPosition(c.text, c.tempo, row), c.ok) << c.text;
        if (c.ok) {
            EXPECT_DOUBLE_EQ(row, c.row) << c.text;
        }
    }
}

TEST(ShowPosition, KeysStepOnTheBeatGridJumpBetweenScenesAndLoop) {
    PreviewSession s;
    s.endRow = 2000;
    const SyncTrack scene = makeTrack({{0, 11, SYNC_STEP},
                                       {256, 10, SYNC_STEP},
                                       {300, 10, SYNC_STEP},
                                       {512, 4.4f, SYNC_STEP},
                                       {600, 3.6f, SYNC_STEP}});
    s.sceneChanges = sceneChangeRows(&scene);
    EXPECT_EQ(s.sceneChanges, (std::vector<int>{256, 512})) << "300 repeats 10; 3.6 rounds to 4 like 4.4";

    struct Step {
        Scanout::Key key;
        bool shift;
        double expected;
    } steps[] = {
        {VK::RIGHT, false, 776},     {VK::RIGHT, false, 784},     {VK::LEFT, false, 776},
        {VK::RIGHT, true, 800},      {VK::LEFT, true, 768},       {VK::PAGE_UP, false, 512},
        {VK::PAGE_UP, false, 256},   {VK::PAGE_UP, false, 0},     {VK::PAGE_DOWN, false, 256},
        {VK::PAGE_DOWN, false, 512}, {VK::PAGE_DOWN, false, 512}, {VK::HOME, false, 0},
        {VK::LEFT, false, 0},
    };
    s.row = 769.3; // between beats 96 and 97, as the music clock leaves it
    for (const Step& step : steps) {
        s.shiftDown = step.shift;
        s.jumped = false;
        ASSERT_TRUE(applyPreviewKey(s, step.key));
        EXPECT_DOUBLE_EQ(s.row, step.expected) << "key " << step.key << (step.shift ? " with Shift" : "");
        EXPECT_TRUE(s.jumped);
    }
    s.row = 1999.0;
    applyPreviewKey(s, VK::RIGHT);
    EXPECT_EQ(s.row, 2000.0) << "nothing steps past the music's end";

    for (const double row : {100.0, 50.0, 180.0}) { // an end before the start is a new start
        s.row = row;
        applyPreviewKey(s, KEY_LOOP);
    }
    bool wrapped = false;
    EXPECT_EQ(applyLoop(s.loop, 179.9, wrapped), 179.9);
    EXPECT_FALSE(wrapped);
    EXPECT_EQ(applyLoop(s.loop, 180.2, wrapped), 50.0);
    EXPECT_TRUE(wrapped);
    applyPreviewKey(s, KEY_LOOP);
    EXPECT_EQ(applyLoop(s.loop, 500.0, wrapped), 500.0) << "the third press clears the loop";

    EXPECT_TRUE(applyPreviewKey(s, VK::SPACE));
    EXPECT_FALSE(s.playing);
    EXPECT_FALSE(applyPreviewKey(s, 'W')) << "the free camera's keys go on to the debug keys";
}

TEST(LiveTimeline, ASavedTextReplacesTheKeysInPlaceAndABrokenOneChangesNothing) {
    TemporaryFolder folder;
    SyncDevice* device = createSyncDevice((folder.path() + "/none").c_str());
    DemoTracks tracks;
    ASSERT_TRUE(requestDemoTracks(device, tracks));
    SyncTrack* const sceneRecord = tracks.scene;
    LiveTimeline live;
    live.path = folder.path() + "/timeline.txt";

    std::ofstream(live.path)
        << "tempo 90\nscene 0 11 step\nscene 4b 5 step\nfs 2s 0.25 linear\nfs 3s 1 step\n";
    std::string error;
    ASSERT_TRUE(reloadTimeline(live, tracks, error)) << error;
    EXPECT_EQ(tracks.scene, sceneRecord) << "the scenes keep their pointers";
    EXPECT_EQ(live.tempo, 90.0);
    EXPECT_EQ(syncTrackValue(tracks.scene, 47.9), 11.0f);
    EXPECT_EQ(syncTrackValue(tracks.scene, 48.0), 5.0f); // 4 beats at 90 bpm = 48 rows
    EXPECT_EQ(tracks.x->keyCount, 0) << "a track the text leaves out is empty";

    std::ofstream(live.path) << "tempo 90\nscene 0 7 step\n\nscene 4b five step\n";
    EXPECT_FALSE(reloadTimeline(live, tracks, error));
    EXPECT_EQ(error.rfind(live.path + ":4: ", 0), 0u) << error;
    EXPECT_EQ(syncTrackValue(tracks.scene, 0.0), 11.0f) << "the last good tracks stay";
    EXPECT_EQ(tracks.fs->keyCount, 2);

    live.path = folder.path() + "/missing.txt";
    EXPECT_FALSE(reloadTimeline(live, tracks, error));
    EXPECT_NE(error.find("missing.txt"), std::string::npos);
    destroySyncDevice(device);
}

TEST(StatusText, NamesEveryTrackAndEveryCharacterHasAGlyph) {
    DemoTracks tracks;
    const SyncTrack scene = makeTrack({{0, 6, SYNC_STEP}});
    const SyncTrack fs = makeTrack({{0, -0.5f, SYNC_STEP}});
    tracks.scene = const_cast<SyncTrack*>(&scene);
    tracks.fs = const_cast<SyncTrack*>(&fs);
    PreviewSession s;
    s.row = 1234.5;
    s.playing = false;
    s.loop = {true, true, 768, 1024};
    StatusText status;
    formatStatus(status, s, tracks);
    char line[STATUS_LINES * STATUS_LINE_BYTES];
    joinStatus(status, line, sizeof line);
    const std::string text = line;
    // 1234.5 rows: 68.58 s, beat 154.31 (8 rows a beat), bar 38 beat 3.
    EXPECT_NE(text.find("68.58s row  1234.5 beat 154.31 bar 38.3 scene 6 paused  loop 768-1024"),
              std::string::npos)
        << text;
    for (const char* name : DEMO_TRACK_NAMES) {
        EXPECT_NE(text.find(std::string(name) + "="), std::string::npos) << name;
    }
    EXPECT_NE(text.find("fs=-0.500"), std::string::npos);
    for (const char c : text) {
        EXPECT_TRUE(hasGlyph(c)) << "no glyph for '" << c << "'";
    }
}

namespace {

// The texels of the picture file as the loader makes them: the reference a reload must match.
bool showsPicture(const Texture* texture, const std::string& folder, const std::string& file) {
    int32_t error = 0;
    Texture* expected = tryLoadTexture(file, folder, "reference", error);
    const bool same =
        expected != nullptr && texture->image->width == expected->image->width &&
        texture->image->height == expected->image->height &&
        std::memcmp(texture->image->pixels, expected->image->pixels,
                    sizeof(Vec4) * size_t(expected->image->width) * size_t(expected->image->height)) == 0;
    destroyTexture(expected);
    return same;
}

} // namespace

TEST(AssetReload, ASavedPictureReplacesEveryTextureMadeFromItAndABrokenOneKeepsThePrevious) {
    namespace fs = std::filesystem;
    TemporaryFolder folder;
    const std::string data = folder.path() + "/";
    for (const auto& entry : fs::directory_iterator(std::string(TESSELLUNE_BINARY_DIR) + "/data")) {
        if (entry.path().extension() == ".png") {
            fs::copy_file(entry.path(), data + entry.path().filename().string());
        }
    }
    DemoState state;
    ASSERT_TRUE(createRenderer(state));
    loadPictures(state, data);
    struct Case {
        const char* file;       // the picture saved over
        const char* newPicture; // what is saved into it
        const Texture* user;    // one texture made from it
    } cases[] = {
        {"openfloor.png", "envtest256.png", state.store.entries[size_t(state.floorTexture)]},
        {"t-velk.png", "t-cred.png", state.cards[CardVelk]},
        {"colors512.png", "openfloor.png", state.store.entries[1]},
        {"finishedgirl.png", "t-time.png", state.particlePicture},
    };
    for (const Case& c : cases) {
        fs::copy_file(data + c.newPicture, data + c.file, fs::copy_options::overwrite_existing);
        EXPECT_EQ(reloadPicture(state, data, c.file), 1) << c.file;
        EXPECT_TRUE(showsPicture(c.user, data, c.file)) << c.file << " now holds " << c.newPicture;
    }
    const FloatImage* kept = cases[0].user->image;
    std::ofstream(data + "openfloor.png", std::ios::binary) << "not a picture";
    EXPECT_EQ(reloadPicture(state, data, "openfloor.png"), 0);
    EXPECT_EQ(cases[0].user->image, kept);
    EXPECT_TRUE(showsPicture(cases[0].user, data, "envtest256.png"));
    releaseDemo(state);
}
