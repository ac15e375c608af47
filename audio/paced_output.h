// A silent output device: a thread that consumes one block per block period on absolute
// deadlines, so the bytes it takes track the wall clock without drifting. It stands in for a
// sound card when the platform offers only a dummy one (SDL_AUDIODRIVER=dummy), whose own pacing
// adds its work time to every period and falls behind the clock.
#pragma once

#include "audio/device_output.h"

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

namespace tessellune {

struct PacedOutput {
    OutputFill fill = nullptr;
    void* user = nullptr;
    uint32_t rate = 0;
    uint32_t blockFrames = 0;
    std::vector<int16_t> block;
    std::thread thread;
    std::mutex lock;
    std::condition_variable wake;
    bool stopping = false;
};

// Prepares the device, paused: no thread runs until startPacedOutput.
void openPacedOutput(PacedOutput& output, uint32_t rate, OutputFill fill, void* user);

// Starts consuming blocks (once; later calls do nothing).
void startPacedOutput(PacedOutput& output);

// Stops the thread, if any, and waits for it.
void closePacedOutput(PacedOutput& output);

} // namespace tessellune
