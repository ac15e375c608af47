// Manual-reset events and the wait-for-all the dispatcher sleeps in.
#include "workers/event.h"

namespace tessellune {

void setEvent(ManualResetEvent& event) {
    {
        std::lock_guard<std::mutex> lock(event.mutex);
        event.signalled = true;
    }
    event.changed.notify_all();
}

void resetEvent(ManualResetEvent& event) {
    std::lock_guard<std::mutex> lock(event.mutex);
    event.signalled = false;
}

void waitEvent(ManualResetEvent& event) {
    std::unique_lock<std::mutex> lock(event.mutex);
    event.changed.wait(lock, [&] { return event.signalled; });
}

void waitAll(ManualResetEvent* const* events, size_t count) {
    // Manual-reset events stay set until the waiter resets them, so waiting on each in turn returns
    // exactly when all are set, like a wait-all.
    for (size_t i = 0; i < count; ++i) {
        waitEvent(*events[i]);
    }
}

} // namespace tessellune
