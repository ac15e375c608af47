// MP3 encoding through libmp3lame, and writing the result to disk.
#include "tools/datagen/music/mp3_encoder.h"

#include "tools/datagen/music/arrangement.h"

#include <lame/lame.h>

#include <algorithm>
#include <cstdio>
#include <memory>

namespace tessellune {
namespace {

struct LameCloser {
    void operator()(lame_global_flags* flags) const { lame_close(flags); }
};

} // namespace

bool encodeMp3(const std::vector<int16_t>& pcm, std::vector<unsigned char>& mp3,
               void (*progress)(double fraction, void* user), void* user, std::string& error) {
    mp3.clear();
    std::unique_ptr<lame_global_flags, LameCloser> lame(lame_init());
    if (!lame) {
        error = "libmp3lame could not start";
        return false;
    }
    lame_set_in_samplerate(lame.get(), SAMPLE_RATE);
    lame_set_out_samplerate(lame.get(), SAMPLE_RATE);
    lame_set_num_channels(lame.get(), 2);
    lame_set_mode(lame.get(), JOINT_STEREO);
    lame_set_VBR(lame.get(), vbr_mtrh);
    lame_set_VBR_q(lame.get(), 2);
    lame_set_quality(lame.get(), 2);
    lame_set_bWriteVbrTag(lame.get(), 1);
    lame_set_write_id3tag_automatic(lame.get(), 0);
    if (lame_init_params(lame.get()) < 0) {
        error = "libmp3lame rejected the encoder settings";
        return false;
    }
    const int64_t frames = int64_t(pcm.size() / 2);
    const int chunkFrames = 1152 * 16;
    std::vector<unsigned char> buffer(size_t(1.25 * chunkFrames + 7200));
    for (int64_t at = 0; at < frames; at += chunkFrames) {
        const int count = int(std::min<int64_t>(chunkFrames, frames - at));
        // libmp3lame takes a non-const pointer but does not write through it.
        int bytes = lame_encode_buffer_interleaved(lame.get(), const_cast<short*>(pcm.data() + 2 * at), count,
                                                   buffer.data(), int(buffer.size()));
        if (bytes < 0) {
            error = "libmp3lame failed while encoding (" + std::to_string(bytes) + ")";
            return false;
        }
        mp3.insert(mp3.end(), buffer.begin(), buffer.begin() + bytes);
        if (progress != nullptr)
            progress(double(at + count) / double(frames), user);
    }
    int bytes = lame_encode_flush(lame.get(), buffer.data(), int(buffer.size()));
    if (bytes < 0) {
        error = "libmp3lame failed while flushing (" + std::to_string(bytes) + ")";
        return false;
    }
    mp3.insert(mp3.end(), buffer.begin(), buffer.begin() + bytes);
    // The first frame was written as a placeholder for the tag that only now knows the totals.
    std::vector<unsigned char> tag(2880);
    size_t tagBytes = lame_get_lametag_frame(lame.get(), tag.data(), tag.size());
    if (tagBytes == 0 || tagBytes > tag.size() || tagBytes > mp3.size()) {
        error = "libmp3lame gave no LAME tag frame";
        return false;
    }
    std::copy(tag.begin(), tag.begin() + tagBytes, mp3.begin());
    return true;
}

bool writeFileAtomically(const std::string& path, const std::vector<unsigned char>& bytes,
                         std::string& error) {
    const std::string temporary = path + ".part";
    FILE* file = std::fopen(temporary.c_str(), "wb");
    if (file == nullptr) {
        error = path + ": cannot create the file";
        return false;
    }
    bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    written = std::fclose(file) == 0 && written;
    if (!written || std::rename(temporary.c_str(), path.c_str()) != 0) {
        std::remove(temporary.c_str());
        error = path + ": cannot write the file";
        return false;
    }
    return true;
}

} // namespace tessellune
