// Worker threads, the dispatch with its single wait-for-all, and the block rebalancing.
#include "workers/worker_pool.h"

#include <chrono>
#include <system_error>

#include "render/limits.h"

#if defined(__linux__)
#include <pthread.h>
#endif

namespace tessellune {

namespace {

// A browser build without shared memory has no threads at all (creating one would abort).
#if defined(__EMSCRIPTEN__) && !defined(__EMSCRIPTEN_PTHREADS__)
constexpr bool THREADS_AVAILABLE = false;
#else
constexpr bool THREADS_AVAILABLE = true;
#endif

// The band of one slot on the calling thread, timed as a worker times it.
void runSlotJob(WorkerSlot& slot) {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point begin = Clock::now();
    if (slot.job != nullptr && slot.endRow > slot.firstRow) {
        slot.job(slot.firstRow, slot.endRow - 1, slot.jobData);
    }
    slot.lastJobTime = std::chrono::duration<double>(Clock::now() - begin).count();
}

void workerProcedure(WorkerSlot* slot) {
    releaseCurrentThreadAffinity();
#if defined(__linux__)
    // The name lets tools and tests tell the workers from the threads of the libraries.
    pthread_setname_np(pthread_self(), "band worker");
#endif
    while (slot->stop.load(std::memory_order_acquire) == 0) {
        waitEvent(slot->start);
        resetEvent(slot->start);
        if (slot->stop.load(std::memory_order_acquire) != 0) {
            break;
        }
        runSlotJob(*slot);
        setEvent(slot->done);
    }
}

// Worker i's blocks in the even split.
int32_t evenShare(uint32_t i, uint32_t count, int32_t totalBlocks) {
    int32_t begin = 0, end = 0;
    evenRange(totalBlocks, count, i, begin, end);
    return end - begin;
}

} // namespace

void assignInitialBlocks(WorkerSlot* workers, uint32_t count, int32_t totalBlocks) {
    for (uint32_t i = 0; i < count; ++i) {
        workers[i].index = static_cast<int32_t>(i);
        workers[i].blockCount = evenShare(i, count, totalBlocks);
    }
}

void rebalanceBlocks(WorkerSlot* workers, uint32_t count) {
    if (count == 0) {
        return;
    }
    double fastestTime = workers[0].lastJobTime;
    double slowestTime = workers[0].lastJobTime;
    uint32_t fastest = 0;
    uint32_t slowest = 0;
    for (uint32_t k = 0; k < count; ++k) {
        if (workers[k].lastJobTime < fastestTime) {
            fastestTime = workers[k].lastJobTime;
            fastest = k;
        }
        if (workers[k].lastJobTime > slowestTime) {
            slowestTime = workers[k].lastJobTime;
            slowest = k;
        }
    }
    // Taking a block from a worker that has none would make two bands overlap.
    if (fastest != slowest && workers[slowest].blockCount > 0) {
        workers[fastest].blockCount += 1;
        workers[slowest].blockCount -= 1;
    }
}

bool createWorkerPool(WorkerPool& pool, uint32_t workerCount, int32_t rows, FirstSlot first) {
    if (rows <= 0 || rows % BLOCK_SIZE != 0) {
        return false;
    }
    pool.firstOnCallingThread = first == FirstSlot::CallingThread || !THREADS_AVAILABLE;
    if (!THREADS_AVAILABLE) {
        workerCount = 1;
    } else if (workerCount == 0) {
        workerCount = std::thread::hardware_concurrency();
        if (workerCount == 0) {
            workerCount = 1;
        }
    }
    pool.workerCount = workerCount;
    pool.totalBlocks = rows / BLOCK_SIZE;
    pool.workers = std::make_unique<WorkerSlot[]>(workerCount);
    const uint32_t firstThread = pool.firstOnCallingThread ? 1 : 0;
    pool.doneEvents.resize(workerCount - firstThread);
    assignInitialBlocks(pool.workers.get(), workerCount, pool.totalBlocks);
    for (uint32_t i = firstThread; i < workerCount; ++i) {
        WorkerSlot& slot = pool.workers[i];
        pool.doneEvents[i - firstThread] = &slot.done;
        try {
            slot.thread = std::thread(workerProcedure, &slot);
        } catch (const std::system_error&) {
            pool.workerCount = i; // stop and join the ones already running
            destroyWorkerPool(pool);
            return false;
        }
    }
    return true;
}

namespace {

// Adds the wall time of one dispatch to the pool's total when it goes out of scope.
class DispatchClock {
public:
    explicit DispatchClock(WorkerPool& pool) : pool_(pool), begin_(std::chrono::steady_clock::now()) {}
    ~DispatchClock() {
        pool_.dispatchSeconds +=
            std::chrono::duration<double>(std::chrono::steady_clock::now() - begin_).count();
    }
    DispatchClock(const DispatchClock&) = delete;
    DispatchClock& operator=(const DispatchClock&) = delete;

private:
    WorkerPool& pool_;
    std::chrono::steady_clock::time_point begin_;
};

// Gives every slot its rows (placeRows(i, slot, rows placed so far)) and `job`, starts the slots
// that have threads, runs slot 0 here when it is the calling thread's, and waits for the threads.
template <typename Blocks>
void runOnSlots(WorkerPool& pool, BandJob job, void* data, Blocks placeRows) {
    const DispatchClock clock(pool);
    int32_t sum = 0;
    for (uint32_t i = 0; i < pool.workerCount; ++i) {
        WorkerSlot& slot = pool.workers[i];
        placeRows(i, slot, sum);
        slot.job = job;
        slot.jobData = data;
        if (i > 0 || !pool.firstOnCallingThread) {
            setEvent(slot.start); // publishes the fields above to the worker
        }
    }
    if (pool.firstOnCallingThread && pool.workerCount > 0) {
        runSlotJob(pool.workers[0]);
    }
    if (pool.doneEvents.empty()) {
        return;
    }
    waitAll(pool.doneEvents.data(), pool.doneEvents.size());
    for (ManualResetEvent* done : pool.doneEvents) {
        resetEvent(*done);
    }
}

// Slot i's rows: `count` blocks from where the slots before it ended.
void placeBlocks(WorkerSlot& slot, int32_t& sum, int32_t count) {
    slot.firstRow = sum;
    sum += count * BLOCK_SIZE;
    slot.endRow = sum;
}

} // namespace

void dispatch(WorkerPool& pool, BandJob job, void* data) {
    runOnSlots(pool, job, data,
               [](uint32_t, WorkerSlot& slot, int32_t& sum) { placeBlocks(slot, sum, slot.blockCount); });
    rebalanceBlocks(pool.workers.get(), pool.workerCount);
}

void dispatchEvenly(WorkerPool& pool, BandJob job, void* data) {
    if (pool.workerCount == 0) {
        return;
    }
    runOnSlots(pool, job, data, [&pool](uint32_t i, WorkerSlot& slot, int32_t& sum) {
        placeBlocks(slot, sum, evenShare(i, pool.workerCount, pool.totalBlocks));
    });
}

void evenRange(int32_t count, uint32_t parts, uint32_t index, int32_t& begin, int32_t& end) {
    const int32_t each = count / static_cast<int32_t>(parts);
    begin = each * static_cast<int32_t>(index);
    end = index + 1 == parts ? count : begin + each;
}

void dispatchEach(WorkerPool& pool, BandJob job, void* data) {
    runOnSlots(pool, job, data, [](uint32_t i, WorkerSlot& slot, int32_t&) {
        slot.firstRow = static_cast<int32_t>(i);
        slot.endRow = static_cast<int32_t>(i) + 1;
    });
}

void destroyWorkerPool(WorkerPool& pool) {
    for (uint32_t i = pool.firstOnCallingThread ? 1 : 0; i < pool.workerCount; ++i) {
        WorkerSlot& slot = pool.workers[i];
        slot.stop.store(1, std::memory_order_release);
        setEvent(slot.start);
    }
    for (uint32_t i = 0; i < pool.workerCount; ++i) {
        if (pool.workers[i].thread.joinable()) {
            pool.workers[i].thread.join();
        }
    }
    pool.workers.reset();
    pool.doneEvents.clear();
    pool.workerCount = 0;
    pool.totalBlocks = 0;
}

} // namespace tessellune
