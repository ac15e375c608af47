// Proves evaluation allocates nothing and hostile counts allocate little, with a counting operator new.
#include <gtest/gtest.h>

#include <cstdlib>
#include <new>

#include "sync/sync_track.h"
#include "tests/sync/scratch_files.h"

namespace {

// Counted only while armed, so GoogleTest's own allocations stay out of the figures.
bool g_armed = false;
long g_allocations = 0;
size_t g_bytes = 0;

void* countedAllocate(size_t size) {
    if (g_armed) {
        ++g_allocations;
        g_bytes += size;
    }
    return std::malloc(size == 0 ? 1 : size);
}

struct Counting {
    Counting() {
        g_allocations = 0;
        g_bytes = 0;
        g_armed = true;
    }
    ~Counting() { g_armed = false; }
};

} // namespace

// Every replaceable form is replaced, so allocation and release always pair malloc with free.
// GCC cannot see that pairing across the replacement and warns about it.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif
void* operator new(size_t size) {
    void* memory = countedAllocate(size);
    if (memory == nullptr) {
        throw std::bad_alloc();
    }
    return memory;
}
void* operator new[](size_t size) {
    return operator new(size);
}
void* operator new(size_t size, const std::nothrow_t&) noexcept {
    return countedAllocate(size);
}
void* operator new[](size_t size, const std::nothrow_t&) noexcept {
    return countedAllocate(size);
}
void operator delete(void* memory) noexcept {
    std::free(memory);
}
void operator delete[](void* memory) noexcept {
    std::free(memory);
}
void operator delete(void* memory, size_t) noexcept {
    std::free(memory);
}
void operator delete[](void* memory, size_t) noexcept {
    std::free(memory);
}
void operator delete(void* memory, const std::nothrow_t&) noexcept {
    std::free(memory);
}
void operator delete[](void* memory, const std::nothrow_t&) noexcept {
    std::free(memory);
}

using namespace tessellune;
using namespace tessellune::testing;

TEST(SyncAllocation, EvaluationAllocatesNothing) {
    ScratchFolder folder;
    std::string bytes = le32(8);
    for (int k = 0; k < 8; ++k) {
        bytes += keyBytes(k * 10, float(k), k % 6); // every type, two unknown ones
    }
    writeFile(folder.file("sync_t.track"), bytes);
    SyncDevice* device = createSyncDevice(folder.file("sync").c_str());
    const SyncTrack* track;
    {
        Counting counting;
        track = getSyncTrack(device, "t");
        EXPECT_GT(g_allocations, 0); // the counter sees the loader's allocations
    }
    ASSERT_EQ(track->keyCount, 8);
    double sum = 0.0;
    {
        Counting counting;
        for (double row = -20.0; row < 100.0; row += 0.125) {
            sum += syncTrackValue(track, row);
        }
        EXPECT_EQ(g_allocations, 0);
        EXPECT_EQ(getSyncTrack(device, "t"), track); // a repeated request allocates nothing either
        EXPECT_EQ(g_allocations, 0);
    }
    EXPECT_NE(sum, 0.0);
    destroySyncDevice(device);
}

TEST(SyncAllocation, AHugeCountAllocatesOnlyWhatTheFileHolds) {
    ScratchFolder folder;
    writeFile(folder.file("sync_t.track"), le32(0x7fffffffu) + keyBytes(1, 1.0f, 0) + keyBytes(2, 2.0f, 0));
    SyncDevice* device = createSyncDevice(folder.file("sync").c_str());
    Counting counting;
    const SyncTrack* track = getSyncTrack(device, "t");
    EXPECT_EQ(track->keyCount, 2);
    EXPECT_LT(g_bytes, 1024u) << "the loader trusted the count";
    destroySyncDevice(device);
}
