// The worker pool: the initial split, the rebalancing rules and real dispatches.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "workers/worker_pool.h"

namespace tessellune {
namespace {

std::vector<int32_t> initialCounts(uint32_t n) {
    std::vector<WorkerSlot> slots(n);
    assignInitialBlocks(slots.data(), n, 60);
    std::vector<int32_t> counts;
    for (const WorkerSlot& s : slots) {
        counts.push_back(s.blockCount);
    }
    return counts;
}

TEST(WorkerPoolSplit, EvenSplitRemainderOnTheLastWorkerAndRebalancingOneBlockAtATime) {
    EXPECT_EQ(initialCounts(4), (std::vector<int32_t>{15, 15, 15, 15}));
    EXPECT_EQ(initialCounts(7), (std::vector<int32_t>{8, 8, 8, 8, 8, 8, 12}));
    EXPECT_EQ(initialCounts(1), (std::vector<int32_t>{60}));
    const std::vector<int32_t> many = initialCounts(61);
    EXPECT_EQ(many.back(), 60);
    EXPECT_EQ(many.front(), 0);

    // Rebalancing: the fastest worker takes one block from the slowest; ties name worker 0 for
    // both, and a slowest worker without blocks gives none away.
    const struct {
        int32_t before[3];
        double times[3];
        int32_t after[3];
    } cases[] = {
        {{20, 20, 20}, {2.0, 1.0, 3.0}, {20, 21, 19}},
        {{20, 21, 19}, {1.0, 1.0, 1.0}, {20, 21, 19}},
        {{0, 60, 0}, {5.0, 4.0, 0.5}, {0, 60, 0}},
    };
    for (const auto& c : cases) {
        WorkerSlot slots[3];
        for (int i = 0; i < 3; ++i) {
            slots[i].blockCount = c.before[i];
            slots[i].lastJobTime = c.times[i];
        }
        rebalanceBlocks(slots, 3);
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(slots[i].blockCount, c.after[i]) << "worker " << i;
        }
    }
}

struct RowRecord {
    std::atomic<int32_t> rows[480];
    std::atomic<int32_t> calls{0};
    std::thread::id rowZeroThread; // the thread that rendered row 0
};

void countRows(int32_t firstRow, int32_t lastRow, void* data) {
    auto* record = static_cast<RowRecord*>(data);
    if (firstRow == 0) {
        record->rowZeroThread = std::this_thread::get_id(); // one job holds row 0
    }
    for (int32_t r = firstRow; r <= lastRow; ++r) {
        record->rows[r].fetch_add(1);
    }
    record->calls.fetch_add(1);
}

// Slot 0's band runs on the dispatching thread exactly when the pool was made that way.
void expectFirstSlotThread(const RowRecord& record, FirstSlot first, const char* what) {
    const bool here = record.rowZeroThread == std::this_thread::get_id();
    EXPECT_EQ(here, first == FirstSlot::CallingThread) << what;
}

constexpr FirstSlot BOTH_FIRST_SLOTS[] = {FirstSlot::Worker, FirstSlot::CallingThread};

// (One worker per processor by default is checked on the real program, which names its workers.)
// The same whether slot 0 has a thread or is the dispatcher's (the browser's page renders a band).
TEST(WorkerPoolDispatch, EveryRowIsRenderedExactlyOncePerDispatchAndRowsMustBeWholeBlocks) {
    WorkerPool refused;
    EXPECT_FALSE(createWorkerPool(refused, 2, 100));
    for (const FirstSlot first : BOTH_FIRST_SLOTS) {
        for (uint32_t workers : {1u, 2u, 3u, 4u, 7u}) {
            WorkerPool pool;
            ASSERT_TRUE(createWorkerPool(pool, workers, 480, first));
            const bool calling = first == FirstSlot::CallingThread;
            EXPECT_EQ(pool.doneEvents.size(), workers - (calling ? 1 : 0)) << "threads waited for";
            for (int dispatchIndex = 0; dispatchIndex < 25; ++dispatchIndex) {
                RowRecord record;                                         // atomics start at 0
                const bool firstHasRows = pool.workers[0].blockCount > 0; // before the rebalancing
                dispatch(pool, countRows, &record);
                int32_t wrongRows = 0; // counted, so that a failure still ends with the pool's shutdown
                for (int32_t r = 0; r < 480; ++r) {
                    wrongRows += record.rows[r].load() != 1;
                }
                EXPECT_EQ(wrongRows, 0) << workers << " workers, dispatch " << dispatchIndex;
                EXPECT_EQ(record.calls.load(), static_cast<int32_t>(workers));
                if (firstHasRows) {
                    expectFirstSlotThread(record, first, "dispatch");
                }
            }
            RowRecord each;
            dispatchEach(pool, countRows, &each);
            for (uint32_t i = 0; i < workers; ++i) {
                EXPECT_EQ(each.rows[i].load(), 1) << "part " << i << " of " << workers;
            }
            EXPECT_EQ(each.rows[workers].load(), 0);
            expectFirstSlotThread(each, first, "dispatchEach");
            destroyWorkerPool(pool);
            EXPECT_EQ(pool.workerCount, 0u);
        }
    }
}

// The even dispatch (the resolve's) covers every row once with the even split, whatever the bands
// have drifted to, and leaves their block counts as it found them.
TEST(WorkerPoolDispatch, AnEvenDispatchCoversEveryRowOnceAndLeavesTheBandsAlone) {
    for (uint32_t workers : {1u, 2u, 3u, 7u}) {
        WorkerPool pool;
        ASSERT_TRUE(createWorkerPool(pool, workers, 480));
        pool.workers[0].blockCount += static_cast<int32_t>(workers) - 1; // as rebalancing would leave it
        for (uint32_t i = 1; i < workers; ++i) {
            pool.workers[i].blockCount -= 1;
        }
        std::vector<int32_t> counts;
        for (uint32_t i = 0; i < workers; ++i) {
            counts.push_back(pool.workers[i].blockCount);
        }
        for (int dispatchIndex = 0; dispatchIndex < 5; ++dispatchIndex) {
            RowRecord record;
            dispatchEvenly(pool, countRows, &record);
            int32_t wrongRows = 0;
            for (int32_t r = 0; r < 480; ++r) {
                wrongRows += record.rows[r].load() != 1;
            }
            EXPECT_EQ(wrongRows, 0) << workers << " workers, dispatch " << dispatchIndex;
            EXPECT_EQ(record.calls.load(), static_cast<int32_t>(workers));
        }
        EXPECT_EQ(pool.workers[0].firstRow, 0);
        EXPECT_EQ(pool.workers[0].endRow, 480 / 8 / static_cast<int32_t>(workers) * 8) << "the even share";
        EXPECT_EQ(pool.workers[workers - 1].endRow, 480);
        for (uint32_t i = 0; i < workers; ++i) {
            EXPECT_EQ(pool.workers[i].blockCount, counts[i]) << workers << " workers, worker " << i;
        }
        destroyWorkerPool(pool);
    }
}

} // namespace
} // namespace tessellune
