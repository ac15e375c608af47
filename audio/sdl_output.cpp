// The SDL2 audio device behind the real-time backend (Linux and every SDL2 platform).
#include "audio/device_output.h"

#include "audio/audio.h"

#include <SDL2/SDL.h>

#include <cstring>

namespace tessellune {

namespace {

struct CallbackTarget {
    OutputFill fill;
    void* user;
};

// One device at a time, so one target; it lives from open to close.
CallbackTarget callbackTarget{nullptr, nullptr};

void sdlCallback(void* userdata, Uint8* stream, int bytes) {
    const CallbackTarget* target = static_cast<const CallbackTarget*>(userdata);
    target->fill(target->user, reinterpret_cast<int16_t*>(stream), uint32_t(bytes) / 4);
}

} // namespace

int openDeviceOutput(int device, uint32_t rate, OutputFill fill, void* user, DeviceOutput& output) {
    output.device = nullptr;
    output.silent = false;
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        return AUDIO_ERROR_NO_DEVICE;
    }
    const char* name = nullptr;
    if (device >= 1) {
        if (device > SDL_GetNumAudioDevices(0)) {
            SDL_QuitSubSystem(SDL_INIT_AUDIO);
            return AUDIO_ERROR_BAD_PARAMETER;
        }
        name = SDL_GetAudioDeviceName(device - 1, 0);
    }
    const char* driver = SDL_GetCurrentAudioDriver();
    if (driver != nullptr && std::strcmp(driver, "dummy") == 0) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        output.silent = true;
        return AUDIO_OK;
    }
    callbackTarget = CallbackTarget{fill, user};
    SDL_AudioSpec wanted{};
    wanted.freq = int(rate);
    wanted.format = AUDIO_S16SYS;
    wanted.channels = 2;
    // Blocks of about 20 ms: short enough for a prompt start, long enough not to starve.
    wanted.samples = Uint16(rate / 50);
    wanted.callback = sdlCallback;
    wanted.userdata = &callbackTarget;
    SDL_AudioSpec obtained{};
    // No changes allowed: SDL converts to whatever the hardware wants, so the stream's rate and
    // format are the ones the position is counted in.
    const SDL_AudioDeviceID id = SDL_OpenAudioDevice(name, 0, &wanted, &obtained, 0);
    if (id == 0) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return AUDIO_ERROR_NO_DEVICE;
    }
    output.device = reinterpret_cast<void*>(uintptr_t(id));
    return AUDIO_OK;
}

namespace {

SDL_AudioDeviceID deviceId(const DeviceOutput& output) {
    return SDL_AudioDeviceID(reinterpret_cast<uintptr_t>(output.device));
}

} // namespace

void startDeviceOutput(DeviceOutput& output) {
    if (output.device != nullptr) {
        SDL_PauseAudioDevice(deviceId(output), 0);
    }
}

void closeDeviceOutput(DeviceOutput& output) {
    if (output.device != nullptr) {
        SDL_CloseAudioDevice(deviceId(output));
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        output.device = nullptr;
    }
}

} // namespace tessellune
