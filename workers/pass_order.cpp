// Projection and radix ordering of a pass shared by ranges among the pool's workers.
#include "workers/pass_order.h"

#include <atomic>
#include <condition_variable>
#include <mutex>

#include "math/simd.h"
#include "render/face_order.h"

namespace tessellune {

namespace {

// Spins before a worker waiting at a barrier sleeps: the others are usually a few microseconds
// behind; when one is not (its processor taken by another program), a spinning waiter would only
// keep it off a processor longer.
constexpr int32_t SPINS_BEFORE_SLEEP = 512;

// Every worker waits here until all have arrived. The steps between barriers are short, so waking
// the workers once for the whole pass and meeting here between steps costs far less than a
// dispatch per step.
struct Barrier {
    std::atomic<int32_t> arrived{0};
    std::atomic<int32_t> generation{0};
    int32_t parties = 0;
    // A waiter past its spins sleeps here. The generation moves under the mutex, so a sleeper
    // cannot miss it. (Not std::atomic::wait: mingw-w64's standard library lost its wake-ups when
    // the dispatching thread took part, and the pool's ordering hung under Windows.)
    std::mutex mutex;
    std::condition_variable released;
};

void arriveAndWait(Barrier& barrier) {
    const int32_t generation = barrier.generation.load(std::memory_order_acquire);
    if (barrier.arrived.fetch_add(1, std::memory_order_acq_rel) + 1 == barrier.parties) {
        // Reset before release: nobody arrives at the next barrier before seeing the new generation.
        barrier.arrived.store(0, std::memory_order_relaxed);
        {
            const std::lock_guard<std::mutex> lock(barrier.mutex);
            barrier.generation.store(generation + 1, std::memory_order_release);
        }
        barrier.released.notify_all();
        return;
    }
    for (int32_t spins = 0; spins < SPINS_BEFORE_SLEEP; ++spins) {
        if (barrier.generation.load(std::memory_order_acquire) != generation) {
            return;
        }
#if TESSELLUNE_SSE
        _mm_pause();
#endif
    }
    std::unique_lock<std::mutex> lock(barrier.mutex);
    barrier.released.wait(lock,
                          [&] { return barrier.generation.load(std::memory_order_acquire) != generation; });
}

struct Ordering {
    RenderPipeline* pipeline = nullptr;
    const Camera* camera = nullptr;
    uint32_t parts = 0;
    Barrier barrier;
};

// Whether the digit varies over the pass's keys. The one-thread sort skips a pass whose first
// key's bucket holds every key: the same as one bucket holding them all.
bool digitVaries(const RenderPipeline& p, uint32_t parts, int32_t pass) {
    for (int32_t b = 0; b < RADIX_BUCKETS; ++b) {
        int32_t total = 0;
        for (uint32_t w = 0; w < parts; ++w) {
            total += p.rangeCounts[w].bucket[pass][b];
        }
        if (total != 0) {
            return total != p.faceCount;
        }
    }
    return false;
}

// Worker w's first place in each bucket of the digit: after every entry of the smaller buckets and,
// within the bucket, after the entries of the ranges before w. That keeps the pass stable.
void offsetsOf(const RenderPipeline& p, uint32_t parts, uint32_t worker, int32_t pass, int32_t* offsets) {
    int32_t sum = 0;
    for (int32_t b = 0; b < RADIX_BUCKETS; ++b) {
        for (uint32_t w = 0; w < parts; ++w) {
            if (w == worker) {
                offsets[b] = sum;
            }
            sum += p.rangeCounts[w].bucket[pass][b];
        }
    }
}

void orderRanges(int32_t w, int32_t, void* data) {
    Ordering& o = *static_cast<Ordering*>(data);
    RenderPipeline& p = *o.pipeline;
    const auto worker = static_cast<uint32_t>(w);
    RadixCounts& counts = p.rangeCounts[worker];
    int32_t begin, end;
    evenRange(p.vertexBase, o.parts, worker, begin, end);
    projectVertexRange(*o.camera, p, begin, end);
    arriveAndWait(o.barrier);
    // The keys and row spans, each corner read once for both, as on one thread.
    evenRange(p.faceCount, o.parts, worker, begin, end);
    keyFaceRange(p, begin, end, counts);
    arriveAndWait(o.barrier);

    // Every worker reads the same counts and so picks the same passes.
    int32_t sorting[RADIX_PASSES];
    int32_t passes = 0;
    for (int32_t pass = 0; pass < RADIX_PASSES; ++pass) {
        if (p.faceCount > 0 && digitVaries(p, o.parts, pass)) {
            sorting[passes++] = pass;
        }
    }
    if (passes == 0) {
        keepFaceRange(p, begin, end);
        return;
    }
    // The passes alternate between the two key and order pairs; the first takes whichever pair
    // makes the last land in faceOrder. The last writes no keys (nothing reads them) but each
    // face's row span beside it.
    int32_t* keys[2] = {p.sortKeys, p.scratchKeys};
    int32_t* faces[2] = {p.faceOrder, p.scratchOrder};
    int32_t next = passes % 2 == 1 ? 0 : 1;
    RadixScatter scatter;
    scatter.sourceKeys = p.depthKeys;
    int32_t offsets[RADIX_BUCKETS];
    for (int32_t k = 0; k < passes; ++k) {
        const bool lastPass = k + 1 == passes;
        scatter.pass = sorting[k];
        scatter.destinationKeys = lastPass ? nullptr : keys[next];
        scatter.destinationFaces = faces[next];
        scatter.orderedRows = lastPass ? p.orderedRows : nullptr;
        if (k > 0) {
            // Later passes read the previous one's output in the same even ranges; the first
            // reads the faces as they were keyed, whose counts it has.
            countDigitRange(scatter.sourceKeys, begin, end, scatter.pass, counts.bucket[scatter.pass]);
            arriveAndWait(o.barrier);
        }
        offsetsOf(p, o.parts, worker, scatter.pass, offsets);
        scatterRange(p, scatter, begin, end, offsets);
        if (!lastPass) {
            arriveAndWait(o.barrier);
        }
        scatter.sourceKeys = keys[next];
        scatter.sourceFaces = faces[next];
        next ^= 1;
    }
}

} // namespace

void projectAndOrderOnPool(WorkerPool& pool, RenderPipeline& p, const Camera& camera,
                           int32_t minSharedFaces) {
    // The barriers need every worker running at once: a pool without threads runs its one slot.
    if (pool.workerCount < 2 || p.faceCount < minSharedFaces) {
        projectVertices(camera, p);
        sortFacesByDepth(p);
        return;
    }
    if (p.rangeCounts.size() < pool.workerCount) {
        p.rangeCounts.resize(pool.workerCount); // once per pipeline and pool size, not per frame
    }
    Ordering o;
    o.pipeline = &p;
    o.camera = &camera;
    o.parts = pool.workerCount;
    o.barrier.parties = static_cast<int32_t>(pool.workerCount);
    dispatchEach(pool, orderRanges, &o);
    p.verticesProjected = true;
    p.facesOrdered = true;
}

} // namespace tessellune
