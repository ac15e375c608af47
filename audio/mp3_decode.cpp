// Decoding a whole MP3 with libmpg123: gapless, resampled to the output rate, always stereo.
#include "audio/mp3_decode.h"

#include "audio/audio.h"

#include <mpg123.h>

#include <algorithm>
#include <cstring>
#include <mutex>
#include <new>

namespace tessellune {

namespace {

// The decoder reads the MP3 through these callbacks from a buffer we already hold.
struct MemoryReader {
    const uint8_t* data;
    size_t size;
    size_t position;
};

ssize_t readMemory(void* handle, void* buffer, size_t bytes) {
    MemoryReader* reader = static_cast<MemoryReader*>(handle);
    const size_t count = std::min(bytes, reader->size - reader->position);
    if (count > 0) {
        std::memcpy(buffer, reader->data + reader->position, count);
    }
    reader->position += count;
    return ssize_t(count);
}

off_t seekMemory(void* handle, off_t offset, int whence) {
    MemoryReader* reader = static_cast<MemoryReader*>(handle);
    const off_t base = whence == SEEK_SET   ? 0
                       : whence == SEEK_CUR ? off_t(reader->position)
                                            : off_t(reader->size);
    if (offset < -base || offset > off_t(reader->size) - base) {
        return -1;
    }
    reader->position = size_t(base + offset);
    return off_t(reader->position);
}

bool initialiseDecoderLibrary() {
    static std::once_flag once;
    static bool ready = false;
    std::call_once(once, [] { ready = mpg123_init() == MPG123_OK; });
    return ready;
}

// Owns one decoder handle for the length of a decode.
struct Decoder {
    mpg123_handle* handle = nullptr;
    ~Decoder() {
        if (handle != nullptr) {
            mpg123_close(handle);
            mpg123_delete(handle);
        }
    }
};

bool configure(mpg123_handle* handle, uint32_t rate) {
    // Quiet: a bad file is reported through our error numbers, never printed.
    return mpg123_param(handle, MPG123_ADD_FLAGS, MPG123_QUIET | MPG123_GAPLESS, 0) == MPG123_OK &&
           mpg123_format_none(handle) == MPG123_OK &&
           mpg123_format(handle, long(rate), MPG123_STEREO, MPG123_ENC_SIGNED_16) == MPG123_OK &&
           mpg123_replace_reader_handle(handle, readMemory, seekMemory, nullptr) == MPG123_OK;
}

bool formatIs(mpg123_handle* handle, uint32_t rate) {
    long actualRate = 0;
    int channels = 0;
    int encoding = 0;
    return mpg123_getformat(handle, &actualRate, &channels, &encoding) == MPG123_OK &&
           actualRate == long(rate) && channels == 2 && encoding == MPG123_ENC_SIGNED_16;
}

// The encoder's delay, known only when the file carries an encoder tag. Its frame count is then
// exact, which is what lets a truncated or damaged file be told from a complete one.
bool hasEncoderTag(mpg123_handle* handle) {
    long delay = -1;
    double unused = 0.0;
    return mpg123_getstate(handle, MPG123_ENC_DELAY, &delay, &unused) == MPG123_OK && delay >= 0;
}

} // namespace

int decodeMp3(const uint8_t* data, size_t size, uint32_t rate, bool prescan, uint64_t maxBytes,
              std::vector<int16_t>& pcm) {
    pcm.clear();
    if (data == nullptr || size == 0) {
        return AUDIO_ERROR_NOT_DECODABLE;
    }
    if (!initialiseDecoderLibrary()) {
        return AUDIO_ERROR_DECODER;
    }
    Decoder decoder;
    int error = MPG123_OK;
    decoder.handle = mpg123_new(nullptr, &error);
    if (decoder.handle == nullptr || !configure(decoder.handle, rate)) {
        return AUDIO_ERROR_DECODER;
    }
    MemoryReader reader{data, size, 0};
    if (mpg123_open_handle(decoder.handle, &reader) != MPG123_OK || !formatIs(decoder.handle, rate)) {
        return AUDIO_ERROR_NOT_DECODABLE;
    }
    const bool tagged = hasEncoderTag(decoder.handle);
    const off_t declaredFrames = mpg123_framelength(decoder.handle);

    if (prescan) {
        if (mpg123_scan(decoder.handle) != MPG123_OK) {
            return AUDIO_ERROR_NOT_DECODABLE;
        }
        if (tagged && mpg123_framelength(decoder.handle) != declaredFrames) {
            return AUDIO_ERROR_NOT_DECODABLE;
        }
        const off_t samples = mpg123_length(decoder.handle);
        if (samples > 0 && uint64_t(samples) * 4 > maxBytes) {
            return AUDIO_ERROR_TOO_LONG;
        }
    }

    constexpr size_t CHUNK_SAMPLES = 16384;
    try {
        if (prescan && mpg123_length(decoder.handle) > 0) {
            // Room for the last read's whole chunk too, so the buffer never grows by copying.
            pcm.reserve(size_t(mpg123_length(decoder.handle)) * 2 + CHUNK_SAMPLES);
        }
        constexpr int MAX_IDLE_READS = 1 << 20;
        int idleReads = 0;
        for (;;) {
            const size_t used = pcm.size();
            if (uint64_t(used) * sizeof(int16_t) > maxBytes) {
                pcm = {};
                return AUDIO_ERROR_TOO_LONG;
            }
            pcm.resize(used + CHUNK_SAMPLES);
            size_t bytes = 0;
            const int result =
                mpg123_read(decoder.handle, pcm.data() + used, CHUNK_SAMPLES * sizeof(int16_t), &bytes);
            pcm.resize(used + bytes / sizeof(int16_t));
            // Every read consumes input, so a run of empty reads this long means a stream that
            // never ends (or a decoder gone round in circles): refuse it rather than hang.
            idleReads = bytes == 0 ? idleReads + 1 : 0;
            if (idleReads > MAX_IDLE_READS) {
                pcm = {};
                return AUDIO_ERROR_NOT_DECODABLE;
            }
            if (result == MPG123_DONE) {
                break;
            }
            if (result == MPG123_NEW_FORMAT && formatIs(decoder.handle, rate)) {
                continue;
            }
            if (result != MPG123_OK) {
                pcm.clear();
                return AUDIO_ERROR_NOT_DECODABLE;
            }
        }
    } catch (const std::bad_alloc&) {
        pcm.clear();
        return AUDIO_ERROR_TOO_LONG;
    }

    // Whole frames only, and the frames the tag promised.
    pcm.resize(pcm.size() / 2 * 2);
    const bool complete = !tagged || mpg123_tellframe(decoder.handle) == declaredFrames;
    const bool tooLong = uint64_t(pcm.size()) * sizeof(int16_t) > maxBytes;
    if (pcm.empty() || !complete || tooLong) {
        pcm = {};
        return tooLong ? AUDIO_ERROR_TOO_LONG : AUDIO_ERROR_NOT_DECODABLE;
    }
    pcm.shrink_to_fit();
    return AUDIO_OK;
}

} // namespace tessellune
