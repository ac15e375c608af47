// The Web Audio device behind the real-time backend in the browser: a script processor node on
// the page's audio context pulls 16-bit stereo blocks from the library, so the position counts the
// samples the browser actually took. The callback runs on the page's main thread between frames.
#include "audio/device_output.h"

#include "audio/audio.h"

#include <emscripten/emscripten.h>

#include <cstdint>
#include <memory>

namespace tessellune {

namespace {

// Frames per block the browser asks for: about 93 ms at 44.1 kHz, long enough to ride over a
// slow frame of the single-threaded page without a gap (a power of two, as the node requires).
constexpr uint32_t BLOCK_FRAMES = 4096;

struct WebTarget {
    OutputFill fill = nullptr;
    void* user = nullptr;
    std::unique_ptr<int16_t[]> block; // one block of interleaved stereo, read by the page
};

// One device at a time, so one target; it lives from open to close.
WebTarget webTarget;

// clang-format off
// 1 when the page's audio context runs at `rate` and the node exists, else 0. The page creates the
// context in its start button's click (browsers start sound only after a gesture); without one,
// a context is made here (it plays where autoplay is allowed).
EM_JS(int, web_audio_open, (int rate, int frames, int16_t* block), {
    const Context = window.AudioContext || window.webkitAudioContext;
    if (!Context) return 0;
    let context = Module.audioContext;
    try {
        if (!context) context = Module.audioContext = new Context({sampleRate: rate});
    } catch (e) {
        return 0;
    }
    if (context.sampleRate !== rate) return 0;
    const node = context.createScriptProcessor(frames, 0, 2);
    node.onaudioprocess = (event) => {
        const left = event.outputBuffer.getChannelData(0);
        const right = event.outputBuffer.getChannelData(1);
        if (!Module.webAudioRunning) {
            left.fill(0);
            right.fill(0);
            return;
        }
        _tessellune_web_audio_fill(frames);
        const pcm = HEAP16.subarray(block >> 1, (block >> 1) + frames * 2);
        for (let i = 0; i < frames; i++) {
            left[i] = pcm[2 * i] / 32768;
            right[i] = pcm[2 * i + 1] / 32768;
        }
    };
    Module.webAudioNode = node;
    Module.webAudioRunning = false;
    return 1;
});
EM_JS(void, web_audio_start, (), {
    Module.webAudioRunning = true;
    Module.webAudioNode.connect(Module.audioContext.destination);
    Module.audioContext.resume();
});
EM_JS(void, web_audio_close, (), {
    Module.webAudioRunning = false;
    if (Module.webAudioNode) {
        Module.webAudioNode.onaudioprocess = null;
        Module.webAudioNode.disconnect();
        Module.webAudioNode = null;
    }
});
// clang-format on

} // namespace

extern "C" EMSCRIPTEN_KEEPALIVE void tessellune_web_audio_fill(uint32_t frames) {
    if (webTarget.fill != nullptr && frames <= BLOCK_FRAMES) {
        webTarget.fill(webTarget.user, webTarget.block.get(), frames);
    }
}

int openDeviceOutput(int device, uint32_t rate, OutputFill fill, void* user, DeviceOutput& output) {
    output.device = nullptr;
    output.silent = false;
    if (device >= 1) {
        return AUDIO_ERROR_BAD_PARAMETER; // the page has one output
    }
    webTarget.block = std::make_unique<int16_t[]>(size_t(BLOCK_FRAMES) * 2);
    if (web_audio_open(int(rate), int(BLOCK_FRAMES), webTarget.block.get()) == 0) {
        webTarget.block.reset();
        return AUDIO_ERROR_NO_DEVICE;
    }
    webTarget.fill = fill;
    webTarget.user = user;
    output.device = &webTarget;
    return AUDIO_OK;
}

void startDeviceOutput(DeviceOutput& output) {
    if (output.device != nullptr) {
        web_audio_start();
    }
}

void closeDeviceOutput(DeviceOutput& output) {
    if (output.device != nullptr) {
        web_audio_close();
        webTarget = WebTarget{};
        output.device = nullptr;
    }
}

} // namespace tessellune
