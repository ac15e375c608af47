// Loading track files through the device: naming, sharing, and files that lie about themselves.
#include <gtest/gtest.h>

#include <filesystem>

#include <string>
#include <tuple>

#include "sync/sync_track.h"
#include "sync/track_file.h"
#include "tests/sync/scratch_files.h"

using namespace tessellune;
using namespace tessellune::testing;

namespace {

struct DeviceDeleter {
    void operator()(SyncDevice* device) const { destroySyncDevice(device); }
};
using DeviceHandle = std::unique_ptr<SyncDevice, DeviceDeleter>;

DeviceHandle openDevice(const TemporaryFolder& folder) {
    return DeviceHandle(createSyncDevice(folder.file("sync").c_str()));
}

// Loads bytes as the track "t" through a device, the way the demo does.
int32_t keysLoadedFrom(const TemporaryFolder& folder, const std::string& bytes) {
    writeFile(folder.file("sync_t.track"), bytes);
    DeviceHandle device = openDevice(folder);
    const SyncTrack* track = getSyncTrack(device.get(), "t");
    EXPECT_NE(track, nullptr);
    EXPECT_EQ(track->keyCount == 0, track->keys == nullptr);
    return track->keyCount;
}

} // namespace

TEST(SyncLoading, ReadsLittleEndianKeysAndWidensTheTypeWithSign) {
    TemporaryFolder folder;
    writeFile(folder.file("sync_cam_a.track"), le32(4) + keyBytes(-5, 1.5f, 0) + keyBytes(0, -2.0f, 3) +
                                                   keyBytes(0x01020304, 0.25f, 0xff) +
                                                   keyBytes(1 << 30, 8.0f, 0x80));
    DeviceHandle device = openDevice(folder);
    ASSERT_NE(device, nullptr);
    const SyncTrack* track = getSyncTrack(device.get(), "cam_a");
    ASSERT_NE(track, nullptr);
    EXPECT_STREQ(track->name.get(), "cam_a");
    ASSERT_EQ(track->keyCount, 4);
    const std::tuple<int32_t, float, int32_t> expected[] = {
        {-5, 1.5f, 0}, {0, -2.0f, SYNC_RAMP}, {0x01020304, 0.25f, -1}, {1 << 30, 8.0f, -128}};
    for (int k = 0; k < 4; ++k) {
        EXPECT_EQ(std::tuple(track->keys[k].row, track->keys[k].value, track->keys[k].type), expected[k]);
    }
}

TEST(SyncLoading, EachNameIsReadOnceIntoATrackThatKeepsItsAddressAsTheArrayGrows) {
    TemporaryFolder folder;
    DeviceHandle device = openDevice(folder);
    const auto name = [](int i) { return "t" + std::to_string(i); };
    std::vector<SyncTrack*> tracks;
    for (int i = 0; i < 17; ++i) { // as many as the demo asks for
        writeFile(folder.file("sync_" + name(i) + ".track"), le32(1) + keyBytes(0, float(i), 0));
        tracks.push_back(getSyncTrack(device.get(), name(i).c_str()));
    }
    // Had a repeated request read the file again, it would see the changed contents.
    writeFile(folder.file("sync_t3.track"), le32(1) + keyBytes(0, 9.0f, 0));
    for (int i = 0; i < 17; ++i) {
        EXPECT_EQ(device->tracks[i].get(), tracks[i]);
        EXPECT_EQ(getSyncTrack(device.get(), name(i).c_str()), tracks[i]);
        EXPECT_EQ(syncTrackValue(tracks[i], 5.0), float(i)) << i;
    }
    EXPECT_EQ(device->trackCount, 17);
    // Names compare exactly: another case is another track, read from its own file, which is
    // missing where file names are case-sensitive and the same file where they are not.
    SyncTrack* upper = getSyncTrack(device.get(), "T3");
    EXPECT_NE(upper, tracks[3]);
#ifdef _WIN32
    EXPECT_EQ(upper->keyCount, 1);
#else
    EXPECT_EQ(upper->keyCount, 0);
#endif
    EXPECT_EQ(device->trackCount, 18);
}

TEST(SyncLoading, MissingFilesAndNullArgumentsAreHarmless) {
    TemporaryFolder folder;
    DeviceHandle device = openDevice(folder);
    SyncTrack* missing = getSyncTrack(device.get(), "nothing");
    ASSERT_NE(missing, nullptr);
    EXPECT_EQ(missing->keyCount, 0);
    EXPECT_EQ(getSyncTrack(nullptr, "x"), nullptr);
    EXPECT_EQ(getSyncTrack(device.get(), nullptr), nullptr);
    EXPECT_EQ(createSyncDevice(nullptr), nullptr);
    destroySyncDevice(nullptr);
    // A folder where the file should be reads as missing.
    std::filesystem::create_directory(folder.file("sync_dir.track"));
    EXPECT_EQ(getSyncTrack(device.get(), "dir")->keyCount, 0);
    // Loading into a track replaces its keys, and a missing file empties it. (What the loader
    // reports of odd files is the sync tool's dump test.)
    SyncTrack track;
    writeFile(folder.file("two.track"), le32(2) + keyBytes(1, 1.0f, 1) + keyBytes(2, 2.0f, 0));
    EXPECT_TRUE(loadSyncTrackFile(folder.file("two.track").c_str(), track, nullptr));
    EXPECT_EQ(track.keyCount, 2);
    EXPECT_FALSE(loadSyncTrackFile(folder.file("absent.track").c_str(), track, nullptr));
    EXPECT_EQ(track.keyCount, 0);
    EXPECT_EQ(track.keys, nullptr);
}

TEST(SyncLoading, HostileCountsAndLengths) {
    TemporaryFolder folder;
    EXPECT_EQ(keysLoadedFrom(folder, ""), 0);
    EXPECT_EQ(keysLoadedFrom(folder, std::string("\x02\x00\x00", 3)), 0);
    EXPECT_EQ(keysLoadedFrom(folder, le32(0)), 0);
    EXPECT_EQ(keysLoadedFrom(folder, le32(0) + keyBytes(1, 1.0f, 0)), 0); // keys past the count are ignored
    EXPECT_EQ(keysLoadedFrom(folder, le32(static_cast<uint32_t>(-1)) + keyBytes(1, 1.0f, 0)), 0);
    EXPECT_EQ(keysLoadedFrom(folder, le32(0x80000000u) + keyBytes(1, 1.0f, 0)), 0);
    // Cut short inside the third key: the two whole keys stay.
    const std::string three = le32(3) + keyBytes(1, 1.0f, 1) + keyBytes(5, 3.0f, 1) + keyBytes(9, 4.0f, 0);
    EXPECT_EQ(keysLoadedFrom(folder, three.substr(0, three.size() - 4)), 2);
    EXPECT_EQ(keysLoadedFrom(folder, three.substr(0, 4 + 9 + 8)), 1);
    EXPECT_EQ(keysLoadedFrom(folder, three + "trailing bytes"), 3);
}

TEST(SyncLoading, ComposedPathsOverTheLimitFailTheTrack) {
    TemporaryFolder folder;
    // Both files exist; only the one whose composed path fits in 259 characters may load.
    const std::string base = folder.file("sync");
    const size_t fixed = base.size() + std::string("_").size() + std::string(".track").size();
    ASSERT_LT(fixed + 2, size_t(SYNC_MAX_PATH_LENGTH)) << "temporary folder path too long for this test";
    const std::string fits(SYNC_MAX_PATH_LENGTH - fixed, 'a');
    const std::string tooLong(SYNC_MAX_PATH_LENGTH - fixed + 1, 'b');
    ASSERT_LE(tooLong.size(), 255u); // still a legal file name, so only the limit can refuse it
    writeFile(base + "_" + fits + ".track", le32(1) + keyBytes(0, 1.0f, 0));
    writeFile(base + "_" + tooLong + ".track", le32(1) + keyBytes(0, 1.0f, 0));
    DeviceHandle device = openDevice(folder);
    EXPECT_EQ(getSyncTrack(device.get(), fits.c_str())->keyCount, 1);
    SyncTrack* refused = getSyncTrack(device.get(), tooLong.c_str());
    ASSERT_NE(refused, nullptr);
    EXPECT_EQ(refused->keyCount, 0);
    EXPECT_STREQ(refused->name.get(), tooLong.c_str());
    // Names and bases far beyond any buffer are refused the same way.
    const std::string huge(5000, 'c');
    EXPECT_EQ(getSyncTrack(device.get(), huge.c_str())->keyCount, 0);
    DeviceHandle hugeBase(createSyncDevice(huge.c_str()));
    EXPECT_EQ(getSyncTrack(hugeBase.get(), "x")->keyCount, 0);
}
