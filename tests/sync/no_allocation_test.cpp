// Proves evaluation allocates nothing and hostile counts allocate little, by the test programs' counting new.
#include <gtest/gtest.h>

#include "sync/sync_track.h"
#include "tests/support/misaligned_new.h"
#include "tests/sync/scratch_files.h"

namespace {

// Counts from the test programs' operator new, taken over one scope.
struct Counting {
    tessellune::testing::AllocationCount start = tessellune::testing::allocationCount();
    long allocations() const {
        return tessellune::testing::allocationCount().allocations - start.allocations;
    }
    size_t bytes() const { return tessellune::testing::allocationCount().bytes - start.bytes; }
};

} // namespace

using namespace tessellune;
using namespace tessellune::testing;

TEST(SyncAllocation, EvaluationAllocatesNothingAndAHugeCountOnlyWhatTheFileHolds) {
    TemporaryFolder folder;
    std::string bytes = le32(8);
    for (int k = 0; k < 8; ++k) {
        bytes += keyBytes(k * 10, float(k), k % 6); // every type, two unknown ones
    }
    writeFile(folder.file("sync_t.track"), bytes);
    writeFile(folder.file("sync_huge.track"),
              le32(0x7fffffffu) + keyBytes(1, 1.0f, 0) + keyBytes(2, 2.0f, 0));
    SyncDevice* device = createSyncDevice(folder.file("sync").c_str());
    const SyncTrack* track;
    {
        Counting counting;
        track = getSyncTrack(device, "t");
        EXPECT_GT(counting.allocations(), 0); // the counter sees the loader's allocations
    }
    ASSERT_EQ(track->keyCount, 8);
    double sum = 0.0;
    {
        Counting counting;
        for (double row = -20.0; row < 100.0; row += 0.125) {
            sum += syncTrackValue(track, row);
        }
        EXPECT_EQ(counting.allocations(), 0);
        EXPECT_EQ(getSyncTrack(device, "t"), track); // a repeated request allocates nothing either
        EXPECT_EQ(counting.allocations(), 0);
    }
    EXPECT_NE(sum, 0.0);
    Counting counting;
    EXPECT_EQ(getSyncTrack(device, "huge")->keyCount, 2);
    EXPECT_LT(counting.bytes(), 1024u) << "the loader trusted the count";
    destroySyncDevice(device);
}
