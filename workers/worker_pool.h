// The worker pool: one thread per processor, each rendering a band of whole 8-row blocks per dispatch.
//
// Conventions: the image's rows are split into blocks of 8; worker i renders the consecutive
// blocks after those of workers 0..i-1, so bands are disjoint and cover every row. After each
// dispatch one block moves from the slowest worker to the fastest, never leaving a count below 0.
// Jobs get (first row, last row inclusive, data). Only the thread that created the pool dispatches.
// Slot 0 may be the dispatching thread itself (FirstSlot::CallingThread): it then renders its band
// between starting the others and waiting for them, so a dispatcher that cannot sleep (a page's
// own thread in a browser, which spins in every wait) works instead of taking a processor from the
// workers. A pool of n slots then runs n - 1 threads.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <thread>
#include <vector>

#include "workers/event.h"

namespace tessellune {

using BandJob = void (*)(int32_t firstRow, int32_t lastRow, void* data);

// Who renders slot 0's band: a thread of its own, or the thread that dispatches.
enum class FirstSlot { Worker, CallingThread };

// The browser's threaded build renders slot 0 on the page's thread; every other build gives every
// slot a thread (its dispatcher sleeps while they run).
#if defined(__EMSCRIPTEN__)
constexpr FirstSlot DEFAULT_FIRST_SLOT = FirstSlot::CallingThread;
#else
constexpr FirstSlot DEFAULT_FIRST_SLOT = FirstSlot::Worker;
#endif

struct WorkerSlot {
    std::thread thread;
    ManualResetEvent start; // set by the dispatcher, reset by the worker
    ManualResetEvent done;  // set by the worker, reset by the dispatcher
    std::atomic<int32_t> stop{0};
    int32_t index = 0;
    int32_t blockCount = 0; // the only state carried from dispatch to dispatch
    int32_t firstRow = 0;
    int32_t endRow = 0;
    BandJob job = nullptr;
    void* jobData = nullptr;
    double lastJobTime = 0.0; // seconds, written by the worker before it sets done
};

struct WorkerPool {
    uint32_t workerCount = 0;
    // Slot 0 runs on the dispatching thread. A program built without threads (a page that is not
    // cross-origin isolated) has one slot, run this way.
    bool firstOnCallingThread = false;
    int32_t totalBlocks = 0;
    std::unique_ptr<WorkerSlot[]> workers;
    std::vector<ManualResetEvent*> doneEvents; // the threads' slots in order, for the wait-all
    // Wall time spent in dispatches since creation, for the benchmark's serial share: outside
    // them only the dispatching thread works.
    double dispatchSeconds = 0.0;
};

// Makes `workerCount` slots (0: one per processor) sharing rows [0, rows); rows must be a
// positive multiple of 8. Slot 0 is a thread or the calling thread as `first` says; every other
// slot is a thread. False when the arguments are unusable or a thread cannot be started. Where the
// program is built without threads, the pool has one slot run on the calling thread.
bool createWorkerPool(WorkerPool& pool, uint32_t workerCount, int32_t rows,
                      FirstSlot first = DEFAULT_FIRST_SLOT);

// Sets every worker's rows from the block counts, starts them on `job` and returns once all are
// done, after moving one block from the slowest worker to the fastest.
void dispatch(WorkerPool& pool, BandJob job, void* data);

// Starts every worker on `job` over an even split of the rows (the remainder to the last) and
// returns once all are done: for work that costs the same on every row, such as the resolve. The
// block counts are neither used nor changed.
void dispatchEvenly(WorkerPool& pool, BandJob job, void* data);

// Starts worker i on job(i, i, data) for every worker and returns once all are done: work that
// is shared by index rather than by rows, such as the front end's parts of a pass. The block
// counts are neither used nor changed.
void dispatchEach(WorkerPool& pool, BandJob job, void* data);

// Stops, wakes and joins every worker.
void destroyWorkerPool(WorkerPool& pool);

// The even split: totalBlocks / n each, the remainder to the last worker.
void assignInitialBlocks(WorkerSlot* workers, uint32_t count, int32_t totalBlocks);

// Moves one block from the slowest (by lastJobTime) to the fastest worker; ties keep the lower
// index, and a slowest worker without blocks gives none away.
void rebalanceBlocks(WorkerSlot* workers, uint32_t count);

// Part `index` of `parts` equal parts of [0, count), the remainder to the last: the even split
// the pool's rows and the front end's ranges share.
void evenRange(int32_t count, uint32_t parts, uint32_t index, int32_t& begin, int32_t& end);

// Pins the calling thread to one processor; false when the platform refuses.
bool pinCurrentThreadToProcessor(int32_t processor);

// Gives the calling thread back the processors the process had before the first pin (a no-op
// where threads do not inherit their creator's mask, or nothing was pinned). Workers call it
// first, so that pinning the main thread never confines them.
void releaseCurrentThreadAffinity();

} // namespace tessellune
