// The real-time output device behind audioInit: SDL2 audio on Linux, waveOut on Windows, Web Audio
// in the browser. Each pulls 16-bit stereo blocks from a callback (on a thread of its own, or on
// the page's main thread between frames in the browser). No platform type appears here,
// so the library's other files stay free of it.
#pragma once

#include <cstdint>

namespace tessellune {

// Fills `frames` stereo frames (4 bytes each) of output; runs on the device's own thread.
using OutputFill = void (*)(void* user, int16_t* out, uint32_t frames);

struct DeviceOutput {
    void* device = nullptr; // the platform's open device; null when closed
    bool silent = false;    // the platform chose its dummy driver: no device was kept open
};

// Opens device -1 (the default) or n >= 1 (the n-th listed output) at exactly `rate` Hz, 16-bit
// stereo, paused. Returns AUDIO_OK, AUDIO_ERROR_NO_DEVICE or AUDIO_ERROR_BAD_PARAMETER (no such n).
// When the platform's audio driver is a dummy one, nothing is opened and `silent` is set: the
// caller then paces a silent output itself.
int openDeviceOutput(int device, uint32_t rate, OutputFill fill, void* user, DeviceOutput& output);

// Unpauses the device: the callback starts running.
void startDeviceOutput(DeviceOutput& output);

// Stops the callback for good and closes the device.
void closeDeviceOutput(DeviceOutput& output);

} // namespace tessellune
