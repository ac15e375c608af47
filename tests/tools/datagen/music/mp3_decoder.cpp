// Test helper: libmpg123 decoding of a whole MP3 file into 16-bit PCM.
#include "mp3_decoder.h"

#include <mpg123.h>

#include <memory>

namespace {

struct HandleCloser {
    void operator()(mpg123_handle* handle) const {
        mpg123_close(handle);
        mpg123_delete(handle);
    }
};

} // namespace

bool decodeMp3File(const std::string& path, DecodedMp3& decoded, std::string& error) {
    decoded = DecodedMp3{};
    int status = MPG123_OK;
    std::unique_ptr<mpg123_handle, HandleCloser> handle(mpg123_new(nullptr, &status));
    if (!handle) {
        error = "mpg123_new failed";
        return false;
    }
    mpg123_param(handle.get(), MPG123_FLAGS, MPG123_GAPLESS | MPG123_QUIET, 0.0);
    mpg123_format_none(handle.get());
    mpg123_format(handle.get(), 44100, MPG123_STEREO | MPG123_MONO, MPG123_ENC_SIGNED_16);
    int encoding = 0;
    if (mpg123_open(handle.get(), path.c_str()) != MPG123_OK ||
        mpg123_getformat(handle.get(), &decoded.rate, &decoded.channels, &encoding) != MPG123_OK) {
        error = path + ": " + mpg123_strerror(handle.get());
        return false;
    }
    std::vector<unsigned char> buffer(1 << 16);
    for (;;) {
        size_t got = 0;
        status = mpg123_read(handle.get(), buffer.data(), buffer.size(), &got);
        const int16_t* samples = reinterpret_cast<const int16_t*>(buffer.data());
        decoded.pcm.insert(decoded.pcm.end(), samples, samples + got / 2);
        if (status == MPG123_DONE)
            return true;
        if (status != MPG123_OK && status != MPG123_NEW_FORMAT) {
            error = path + ": " + mpg123_strerror(handle.get());
            return false;
        }
    }
}
