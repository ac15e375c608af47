// The music-stream library as the Windows program uses it: the shipped libmpg123 decodes the
// soundtrack to the exact length its encoder recorded, damaged files are refused, and the real-time
// outputs (waveOut, or the silent one chosen by TESSELLUNE_AUDIO_OUTPUT) run on the wall clock.
#include "audio/audio.h"

#include <gtest/gtest.h>

#include <windows.h>
// After windows.h, whose types it uses.
#include <mmsystem.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <tuple>
#include <vector>

#include "tests/support/temporary_folder.h"

namespace tessellune {
namespace {

const std::string SOUNDTRACK = TESSELLUNE_BINARY_DIR "/data/demotune.mp3";

std::vector<uint8_t> readBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

uint32_t bigEndian32(const uint8_t* p) {
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | uint32_t(p[3]);
}

// The sample count the encoder's own tag promises: audio frames x 1152 less its delay and padding.
// Read here independently of the decoder, from the first frame's info tag and encoder extension.
int64_t taggedSampleCount(const std::vector<uint8_t>& mp3) {
    const uint8_t* begin = mp3.data();
    const uint8_t* end = begin + std::min<size_t>(mp3.size(), 2048);
    for (const char* id : {"Xing", "Info"}) {
        const uint8_t* tag = std::search(begin, end, id, id + 4);
        if (tag + 8 > end) {
            continue;
        }
        const uint32_t flags = bigEndian32(tag + 4);
        const uint8_t* field = tag + 8;
        if ((flags & 1) == 0) {
            return -1;
        }
        const int64_t frames = bigEndian32(field);
        field += 4 + ((flags & 2) ? 4 : 0) + ((flags & 4) ? 100 : 0) + ((flags & 8) ? 4 : 0);
        // Encoder extension: 9 name bytes, then 12 bytes of settings, then delay and padding.
        const uint8_t* gap = field + 21;
        if (gap + 3 > end) {
            return -1;
        }
        const int64_t delay = (gap[0] << 4) | (gap[1] >> 4);
        const int64_t padding = ((gap[1] & 0x0f) << 8) | gap[2];
        return frames * 1152 - delay - padding;
    }
    return -1;
}

class WindowsAudio : public ::testing::Test {
protected:
    void TearDown() override {
        audioFree();
        _putenv_s("TESSELLUNE_AUDIO_OUTPUT", ""); // an empty value removes the variable
    }
};

TEST_F(WindowsAudio, TheSoundtrackDecodesToTheLengthItsEncoderRecorded) {
    const std::vector<uint8_t> mp3 = readBytes(SOUNDTRACK);
    ASSERT_FALSE(mp3.empty()) << SOUNDTRACK;
    const int64_t samples = taggedSampleCount(mp3);
    ASSERT_GT(samples, 44100 * 60) << "the data set's soundtrack lasts minutes";

    ASSERT_TRUE(audioInit(AUDIO_DEVICE_OFFLINE, 44100, 0, nullptr, nullptr));
    const AudioStream stream = audioStreamCreateFile(false, SOUNDTRACK.c_str(), 0, 0, AUDIO_STREAM_PRESCAN);
    ASSERT_NE(stream, 0u) << audioErrorMessage(audioErrorGetCode());
    EXPECT_EQ(audioChannelGetLength(stream, AUDIO_POS_BYTE), samples * 4);
    EXPECT_DOUBLE_EQ(audioChannelBytes2Seconds(stream, 176400), 1.0);

    // The first ten seconds carry music at a sane level: neither silence nor clipping.
    ASSERT_TRUE(audioStart());
    ASSERT_TRUE(audioChannelPlay(stream, false));
    std::vector<int16_t> pcm(44100 * 2 * 10);
    ASSERT_TRUE(audioOfflineAdvance(pcm.data(), uint32_t(pcm.size() * 2)));
    EXPECT_EQ(audioChannelGetPosition(stream, AUDIO_POS_BYTE), int64_t(pcm.size() * 2));
    double energy = 0.0;
    int peak = 0;
    for (const int16_t s : pcm) {
        energy += double(s) * s;
        peak = std::max(peak, std::abs(int(s)));
    }
    const double rms = std::sqrt(energy / double(pcm.size()));
    EXPECT_GT(rms, 300.0);
    EXPECT_LT(peak, 32767);
}

TEST_F(WindowsAudio, MissingTruncatedAndForeignFilesAreRefusedWithTheirNumbers) {
    ASSERT_TRUE(audioInit(AUDIO_DEVICE_OFFLINE, 44100, 0, nullptr, nullptr));
    testing::TemporaryFolder folder;
    ASSERT_FALSE(folder.path().empty());

    EXPECT_EQ(audioStreamCreateFile(false, (folder.path() + "\\absent.mp3").c_str(), 0, 0, 0), 0u);
    EXPECT_EQ(audioErrorGetCode(), AUDIO_ERROR_FILE_NOT_FOUND);

    // Half a soundtrack: its tag promises frames that are not there.
    const std::vector<uint8_t> mp3 = readBytes(SOUNDTRACK);
    ASSERT_FALSE(mp3.empty());
    EXPECT_EQ(audioStreamCreateFile(true, mp3.data(), 0, mp3.size() / 2, AUDIO_STREAM_PRESCAN), 0u);
    EXPECT_EQ(audioErrorGetCode(), AUDIO_ERROR_NOT_DECODABLE);

    const std::vector<uint8_t> png = readBytes(TESSELLUNE_BINARY_DIR "/data/colors512.png");
    ASSERT_FALSE(png.empty());
    EXPECT_EQ(audioStreamCreateFile(true, png.data(), 0, png.size(), 0), 0u);
    EXPECT_EQ(audioErrorGetCode(), AUDIO_ERROR_NOT_DECODABLE);
}

// The silent output, and waveOut where the system has a device (Wine without a sound server has
// none; a Windows machine has one): a third of a second of music plays in about that time.
TEST_F(WindowsAudio, TheRealTimeOutputsPlayOnTheWallClockOrReportThatThereIsNoDevice) {
    // "": the system's output, whose buffers may hold it back a little longer.
    for (const auto& [output, low, high] : {std::tuple{"silent", 0.2, 0.8}, {"", 0.1, 1.0}}) {
        SCOPED_TRACE(output);
        _putenv_s("TESSELLUNE_AUDIO_OUTPUT", output);
        if (!audioInit(AUDIO_DEVICE_DEFAULT, 44100, 0, nullptr, nullptr)) {
            EXPECT_STREQ(output, "") << "the silent output always opens";
            EXPECT_EQ(audioErrorGetCode(), AUDIO_ERROR_NO_DEVICE);
            EXPECT_EQ(waveOutGetNumDevs(), 0u);
            continue;
        }
        const AudioStream stream =
            audioStreamCreateFile(false, SOUNDTRACK.c_str(), 0, 0, AUDIO_STREAM_PRESCAN);
        EXPECT_TRUE(audioStart());
        EXPECT_TRUE(audioChannelPlay(stream, false));
        Sleep(350);
        audioUpdate(0);
        const double seconds =
            audioChannelBytes2Seconds(stream, audioChannelGetPosition(stream, AUDIO_POS_BYTE));
        EXPECT_GT(seconds, low);
        EXPECT_LT(seconds, high);
        audioFree();
    }
}

} // namespace
} // namespace tessellune
