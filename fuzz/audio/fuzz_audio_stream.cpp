// Fuzz target: any bytes as an MP3 stream, with and without the pre-scan; what decodes is played
// through the offline output to its end.
#include "audio/audio.h"

#include <cstddef>
#include <cstdint>
#include <initializer_list>

using namespace tessellune;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool ready = audioInit(AUDIO_DEVICE_OFFLINE, 44100, 0, nullptr, nullptr) && audioStart();
    if (!ready || size == 0) {
        return 0;
    }
    for (const uint32_t flags : {0u, AUDIO_STREAM_PRESCAN}) {
        const AudioStream stream = audioStreamCreateFile(true, data, 0, size, flags);
        if (stream == 0) {
            continue;
        }
        const int64_t length = audioChannelGetLength(stream, AUDIO_POS_BYTE);
        audioChannelPlay(stream, true);
        int16_t block[2048];
        while (audioChannelGetPosition(stream, AUDIO_POS_BYTE) < length) {
            audioOfflineAdvance(block, sizeof block);
        }
        audioStreamFree(stream);
    }
    return 0;
}
