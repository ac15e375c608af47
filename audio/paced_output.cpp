// The silent, wall-clock-paced output device.
#include "audio/paced_output.h"

#include <chrono>

namespace tessellune {

namespace {

using Clock = std::chrono::steady_clock;

void run(PacedOutput* output) {
    const Clock::time_point start = Clock::now();
    uint64_t framesTaken = 0;
    std::unique_lock<std::mutex> guard(output->lock);
    while (!output->stopping) {
        guard.unlock();
        output->fill(output->user, output->block.data(), output->blockFrames);
        framesTaken += output->blockFrames;
        guard.lock();
        // The next block is due when the frames taken so far have played out.
        const auto due = start + std::chrono::duration_cast<Clock::duration>(
                                     std::chrono::duration<double>(double(framesTaken) / output->rate));
        output->wake.wait_until(guard, due, [output] { return output->stopping; });
    }
}

} // namespace

void openPacedOutput(PacedOutput& output, uint32_t rate, OutputFill fill, void* user) {
    output.fill = fill;
    output.user = user;
    output.rate = rate;
    output.blockFrames = rate / 100; // 10 ms blocks keep the reported position close to the clock
    output.block.assign(size_t(output.blockFrames) * 2, 0);
    output.stopping = false;
}

void startPacedOutput(PacedOutput& output) {
    if (output.fill != nullptr && !output.thread.joinable()) {
        output.thread = std::thread(run, &output);
    }
}

void closePacedOutput(PacedOutput& output) {
    if (output.thread.joinable()) {
        {
            std::lock_guard<std::mutex> guard(output.lock);
            output.stopping = true;
        }
        output.wake.notify_all();
        output.thread.join();
    }
    output.fill = nullptr;
    output.block.clear();
}

} // namespace tessellune
