// The waveOut device behind the real-time backend on Windows: a thread refills a ring of blocks
// as the system hands each one back.
#include "audio/device_output.h"

#include "audio/audio.h"

#include <windows.h>
// After windows.h, whose types it uses.
#include <mmsystem.h>

#include <atomic>
#include <thread>
#include <vector>

namespace tessellune {

namespace {

// Four blocks of about 20 ms: short enough for a prompt start, enough in flight not to starve.
constexpr int BLOCK_COUNT = 4;
constexpr uint32_t BLOCKS_PER_SECOND = 50;

struct WaveOut {
    HWAVEOUT handle = nullptr;
    HANDLE blockDone = nullptr; // signalled by the system whenever a block has been played
    OutputFill fill = nullptr;
    void* user = nullptr;
    uint32_t blockFrames = 0;
    std::vector<int16_t> samples; // BLOCK_COUNT blocks of stereo frames
    WAVEHDR headers[BLOCK_COUNT]{};
    std::thread thread;
    std::atomic<bool> stopping{false};
};

int16_t* blockSamples(WaveOut& out, int block) {
    return out.samples.data() + size_t(block) * out.blockFrames * 2;
}

void submitBlock(WaveOut& out, int block) {
    WAVEHDR& header = out.headers[block];
    out.fill(out.user, blockSamples(out, block), out.blockFrames);
    header.dwFlags &= ~WHDR_DONE;
    waveOutWrite(out.handle, &header, sizeof(WAVEHDR));
}

void run(WaveOut* out) {
    for (int block = 0; block < BLOCK_COUNT; ++block) {
        submitBlock(*out, block);
    }
    while (!out->stopping.load()) {
        WaitForSingleObject(out->blockDone, INFINITE);
        for (int block = 0; block < BLOCK_COUNT && !out->stopping.load(); ++block) {
            if ((out->headers[block].dwFlags & WHDR_DONE) != 0) {
                submitBlock(*out, block);
            }
        }
    }
}

} // namespace

int openDeviceOutput(int device, uint32_t rate, OutputFill fill, void* user, DeviceOutput& output) {
    output.device = nullptr;
    output.silent = false;
    const UINT devices = waveOutGetNumDevs();
    if (devices == 0) {
        return AUDIO_ERROR_NO_DEVICE;
    }
    UINT id = WAVE_MAPPER;
    if (device >= 1) {
        if (UINT(device) > devices) {
            return AUDIO_ERROR_BAD_PARAMETER;
        }
        id = UINT(device - 1);
    }
    WaveOut* out = new WaveOut;
    out->fill = fill;
    out->user = user;
    out->blockFrames = rate / BLOCKS_PER_SECOND;
    out->samples.assign(size_t(out->blockFrames) * 2 * BLOCK_COUNT, 0);
    out->blockDone = CreateEventW(nullptr, FALSE, FALSE, nullptr);

    WAVEFORMATEX format{};
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = 2;
    format.nSamplesPerSec = rate;
    format.wBitsPerSample = 16;
    format.nBlockAlign = 4;
    format.nAvgBytesPerSec = rate * 4;
    if (out->blockDone == nullptr || waveOutOpen(&out->handle, id, &format, DWORD_PTR(out->blockDone), 0,
                                                 CALLBACK_EVENT) != MMSYSERR_NOERROR) {
        if (out->blockDone != nullptr) {
            CloseHandle(out->blockDone);
        }
        delete out;
        return AUDIO_ERROR_NO_DEVICE;
    }
    for (int block = 0; block < BLOCK_COUNT; ++block) {
        WAVEHDR& header = out->headers[block];
        header.lpData = reinterpret_cast<LPSTR>(blockSamples(*out, block));
        header.dwBufferLength = out->blockFrames * 4;
        waveOutPrepareHeader(out->handle, &header, sizeof(WAVEHDR));
    }
    output.device = out;
    return AUDIO_OK;
}

void startDeviceOutput(DeviceOutput& output) {
    WaveOut* out = static_cast<WaveOut*>(output.device);
    if (out != nullptr && !out->thread.joinable()) {
        out->thread = std::thread(run, out);
    }
}

void closeDeviceOutput(DeviceOutput& output) {
    WaveOut* out = static_cast<WaveOut*>(output.device);
    if (out == nullptr) {
        return;
    }
    out->stopping.store(true);
    SetEvent(out->blockDone);
    if (out->thread.joinable()) {
        out->thread.join();
    }
    waveOutReset(out->handle); // hands every queued block back at once
    for (WAVEHDR& header : out->headers) {
        waveOutUnprepareHeader(out->handle, &header, sizeof(WAVEHDR));
    }
    waveOutClose(out->handle);
    CloseHandle(out->blockDone);
    delete out;
    output.device = nullptr;
}

} // namespace tessellune
