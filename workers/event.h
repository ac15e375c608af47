// A manual-reset event: stays signalled until reset, waking every waiter (mutex + condition variable).
#pragma once

#include <condition_variable>
#include <cstddef>
#include <mutex>

namespace tessellune {

struct ManualResetEvent {
    std::mutex mutex;
    std::condition_variable changed;
    bool signalled = false;
};

void setEvent(ManualResetEvent& event);
void resetEvent(ManualResetEvent& event);
void waitEvent(ManualResetEvent& event);

// Returns once every event of the list is signalled.
void waitAll(ManualResetEvent* const* events, size_t count);

} // namespace tessellune
