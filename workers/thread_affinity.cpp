// Pinning the main thread to one processor, so its timing does not wander between cores.
#include "workers/worker_pool.h"

#if defined(_WIN32)
#include <windows.h>
#elif defined(__linux__)
#include <pthread.h>
#include <sched.h>
#endif

namespace tessellune {

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
    cpu_set_t set;
    CPU_ZERO(&set);
    CPU_SET(processor, &set);
    return pthread_setaffinity_np(pthread_self(), sizeof(set), &set) == 0;
#else
    (void)processor;
    return false;
#endif
}

} // namespace tessellune
