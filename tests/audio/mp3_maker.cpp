// Test helpers: known PCM, MP3 encoding with libmp3lame, and sound comparison.
#include "tests/audio/mp3_maker.h"

#include "audio/audio.h"

#include <lame/lame.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <numeric>
#include <unistd.h>

namespace tessellune::testing {

std::vector<int16_t> makeChord(size_t frames, int channels, int rate) {
    static const double frequencies[2][3] = {{220.0, 330.0, 523.25}, {146.83, 392.0, 659.25}};
    std::vector<int16_t> pcm(frames * size_t(channels));
    for (size_t i = 0; i < frames; ++i) {
        const double t = double(i) / double(rate);
        for (int c = 0; c < channels; ++c) {
            double value = 0.0;
            for (double frequency : frequencies[c]) {
                value += std::sin(2.0 * M_PI * frequency * t + c);
            }
            pcm[i * size_t(channels) + size_t(c)] = int16_t(std::lround(value * 7000.0));
        }
    }
    return pcm;
}

std::vector<uint8_t> encodeMp3(const std::vector<int16_t>& pcm, int channels, int rate, int kbps) {
    lame_global_flags* flags = lame_init();
    lame_set_in_samplerate(flags, rate);
    lame_set_out_samplerate(flags, rate);
    lame_set_num_channels(flags, channels);
    lame_set_mode(flags, channels == 1 ? MONO : JOINT_STEREO);
    lame_set_brate(flags, kbps);
    lame_set_quality(flags, 5);
    lame_set_bWriteVbrTag(flags, 1);
    const size_t frames = pcm.size() / size_t(channels);
    std::vector<uint8_t> mp3(frames + frames / 4 + 16384);
    std::vector<int16_t> samples = pcm; // the encoder takes non-const pointers
    int written = lame_init_params(flags) < 0 ? -1
                  : channels == 2 ? lame_encode_buffer_interleaved(flags, samples.data(), int(frames),
                                                                   mp3.data(), int(mp3.size()))
                                  : lame_encode_buffer(flags, samples.data(), samples.data(), int(frames),
                                                       mp3.data(), int(mp3.size()));
    if (written >= 0) {
        const int flushed = lame_encode_flush(flags, mp3.data() + written, int(mp3.size()) - written);
        written = flushed < 0 ? -1 : written + flushed;
    }
    mp3.resize(size_t(std::max(written, 0))); // empty when the encoder failed
    // The encoder tag (frame count, delay, padding) replaces the placeholder first frame.
    std::vector<uint8_t> tag(4096);
    const size_t tagBytes = written > 0 ? lame_get_lametag_frame(flags, tag.data(), tag.size()) : 0;
    if (tagBytes > 0 && tagBytes <= mp3.size()) {
        std::copy(tag.begin(), tag.begin() + long(tagBytes), mp3.begin());
    }
    lame_close(flags);
    return mp3;
}

std::string writeTempFile(const std::string& name, const std::vector<uint8_t>& bytes) {
    const std::filesystem::path path = std::filesystem::temp_directory_path() /
                                       ("tessellune-audio-" + std::to_string(getpid()) + "-" + name);
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return path.string();
}

std::vector<double> channel(const std::vector<int16_t>& pcm, int channels, int which) {
    std::vector<double> out;
    out.reserve(pcm.size() / size_t(channels));
    for (size_t i = size_t(which); i < pcm.size(); i += size_t(channels)) {
        out.push_back(pcm[i]);
    }
    return out;
}

double correlation(const std::vector<double>& a, const std::vector<double>& b) {
    const size_t n = std::min(a.size(), b.size()); // none: no spread, so 0
    const double meanA = std::accumulate(a.begin(), a.begin() + long(n), 0.0) / double(n);
    const double meanB = std::accumulate(b.begin(), b.begin() + long(n), 0.0) / double(n);
    double ab = 0.0, aa = 0.0, bb = 0.0;
    for (size_t i = 0; i < n; ++i) {
        ab += (a[i] - meanA) * (b[i] - meanB);
        aa += (a[i] - meanA) * (a[i] - meanA);
        bb += (b[i] - meanB) * (b[i] - meanB);
    }
    return aa > 0.0 && bb > 0.0 ? ab / std::sqrt(aa * bb) : 0.0;
}

std::vector<double> resampleLinear(const std::vector<double>& samples, int fromRate, int toRate) {
    const size_t count = size_t(double(samples.size()) * toRate / fromRate);
    std::vector<double> out(count);
    for (size_t i = 0; i < count; ++i) {
        const double at = double(i) * fromRate / toRate;
        const size_t j = std::min(size_t(at), samples.size() - 1);
        const size_t k = std::min(j + 1, samples.size() - 1);
        const double f = at - double(j);
        out[i] = samples[j] * (1.0 - f) + samples[k] * f;
    }
    return out;
}

std::vector<int16_t> drainOffline(uint32_t stream) {
    const int64_t length = audioChannelGetLength(stream, AUDIO_POS_BYTE); // -1 for a bad stream
    std::vector<int16_t> out;
    constexpr uint32_t BLOCK_BYTES = 4096;
    std::vector<int16_t> block(BLOCK_BYTES / 2);
    while (audioChannelGetPosition(stream, AUDIO_POS_BYTE) < length) {
        const int64_t before = audioChannelGetPosition(stream, AUDIO_POS_BYTE);
        if (!audioOfflineAdvance(block.data(), BLOCK_BYTES)) {
            break;
        }
        const int64_t taken = audioChannelGetPosition(stream, AUDIO_POS_BYTE) - before;
        if (taken <= 0) {
            break;
        }
        out.insert(out.end(), block.begin(), block.begin() + taken / 2);
    }
    return out;
}

} // namespace tessellune::testing
