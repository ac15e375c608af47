// Pinning the main thread to one processor, so its timing does not wander between cores, while
// the workers stay free to run on every processor the process was given.
#include "workers/worker_pool.h"

#include <mutex>

#if defined(_WIN32)
#include <windows.h>
#elif defined(__linux__)
#include <pthread.h>
#include <sched.h>
#endif

namespace tessellune {

#if defined(__linux__)
namespace {

// The processors the process may use, as they were before any thread was pinned. On Linux a new
// thread inherits its creator's mask, so workers started by the pinned main thread would all
// share processor 0; they take this mask back instead. Windows threads start with the process's
// mask and need nothing.
std::mutex inheritedLock;
bool haveInherited = false;
cpu_set_t inherited;

void rememberInheritedMask() {
    const std::lock_guard<std::mutex> hold(inheritedLock);
    if (!haveInherited && pthread_getaffinity_np(pthread_self(), sizeof(inherited), &inherited) == 0) {
        haveInherited = true;
    }
}

} // namespace
#endif

bool pinCurrentThreadToProcessor(int32_t processor) {
#if defined(_WIN32)
    if (processor < 0 || processor >= int32_t(sizeof(DWORD_PTR) * 8)) {
        return false;
    }
    return SetThreadAffinityMask(GetCurrentThread(), DWORD_PTR(1) << processor) != 0;
#elif defined(__linux__)
    if (processor < 0 || processor >= CPU_SETSIZE) {
        return false;
    }
    rememberInheritedMask();
    cpu_set_t set;
    CPU_ZERO(&set);
    CPU_SET(processor, &set);
    return pthread_setaffinity_np(pthread_self(), sizeof(set), &set) == 0;
#else
    (void)processor;
    return false;
#endif
}

void releaseCurrentThreadAffinity() {
#if defined(__linux__)
    const std::lock_guard<std::mutex> hold(inheritedLock);
    if (haveInherited) {
        pthread_setaffinity_np(pthread_self(), sizeof(inherited), &inherited);
    }
#endif
}

} // namespace tessellune
