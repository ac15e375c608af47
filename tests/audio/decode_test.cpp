// Decoding MP3s made from known PCM: length, sample accuracy, rate and channel conversion, and the
// byte/second arithmetic, all through the deterministic offline output.
#include "audio/audio.h"
#include "tests/audio/mp3_maker.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <initializer_list>

namespace tessellune {
namespace {

using namespace tessellune::testing;

constexpr int64_t MP3_FRAME = 1152;

class OfflineAudio : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(audioInit(AUDIO_DEVICE_OFFLINE, 44100, 0, nullptr, nullptr)) << audioErrorGetCode();
        ASSERT_TRUE(audioStart());
    }
    void TearDown() override { audioFree(); }

    AudioStream streamFromPcm(const std::vector<int16_t>& pcm, int channels, int rate, const char* name,
                              uint32_t flags = AUDIO_STREAM_PRESCAN) {
        const std::string path = writeTempFile(name, encodeMp3(pcm, channels, rate));
        const AudioStream stream = audioStreamCreateFile(false, path.c_str(), 0, 0, flags);
        std::remove(path.c_str());
        return stream;
    }
};

// One row per file: its rate and channels. The decoded music keeps the source's length at the
// output rate, and each output channel matches its source channel (resampled where the rates
// differ; a mono file plays the same on both), without a shift: gapless decoding starts at sample 0.
TEST_F(OfflineAudio, FilesOfEveryRateAndChannelCountPlayTheirSamplesAtTheOutputRate) {
    const struct {
        int rate;
        int channels;
        double similarity;
    } cases[] = {{44100, 2, 0.99}, {44100, 1, 0.99}, {22050, 2, 0.97}, {32000, 2, 0.97}, {48000, 2, 0.97}};
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.rate << " Hz, " << c.channels << " channels");
        const size_t frames = size_t(c.rate) * 3 / 2 + 321; // not a whole number of MP3 frames
        const std::vector<int16_t> source = makeChord(frames, c.channels, c.rate);
        const AudioStream stream = streamFromPcm(source, c.channels, c.rate, "rate.mp3");
        ASSERT_NE(stream, 0u) << audioErrorMessage(audioErrorGetCode());
        const int64_t length = audioChannelGetLength(stream, AUDIO_POS_BYTE);
        EXPECT_NEAR(double(length / 4), double(frames) * 44100.0 / c.rate, double(MP3_FRAME));
        EXPECT_EQ(length % 4, 0);

        ASSERT_TRUE(audioChannelPlay(stream, false));
        const std::vector<int16_t> decoded = drainOffline(stream);
        ASSERT_EQ(int64_t(decoded.size()) * 2, length);
        for (int out = 0; out < 2; ++out) {
            const std::vector<double> expected =
                resampleLinear(channel(source, c.channels, out % c.channels), c.rate, 44100);
            EXPECT_GT(correlation(channel(decoded, 2, out), expected), c.similarity) << "channel " << out;
        }
        if (c.channels == 2) { // and left stays left
            EXPECT_LT(correlation(channel(decoded, 2, 0), channel(source, 2, 1)), 0.5);
        } else {
            EXPECT_EQ(channel(decoded, 2, 0), channel(decoded, 2, 1));
        }
        EXPECT_TRUE(audioStreamFree(stream));
    }
}

// The same MP3 as a whole file, a range of a file and of memory between unrelated bytes, and with
// the ID3v2 title frame in front and the ID3v1 block behind that music taggers write: the same music.
TEST_F(OfflineAudio, FileMemoryRangesAndTagsGiveTheSameMusic) {
    const std::vector<int16_t> source = makeChord(30000, 2, 44100);
    const std::vector<uint8_t> mp3 = encodeMp3(source, 2, 44100);
    std::vector<uint8_t> wrapped(777 + mp3.size() + 333, 0x5a);
    std::copy(mp3.begin(), mp3.end(), wrapped.begin() + 777);
    const std::string path = writeTempFile("wrapped.bin", wrapped);
    const std::string title = "Tessellune theme";
    const uint8_t size = uint8_t(title.size());
    std::vector<uint8_t> tagged = {'I', 'D', '3', 3, 0, 0, 0, 0, 0, uint8_t(10 + 1 + size)}; // the tag
    const uint8_t frame[] = {'T', 'I', 'T', '2', 0, 0, 0, uint8_t(1 + size), 0, 0, 0};       // its frame
    // Reserved at once, which also quiets a false bounds warning of GCC's on the inserts.
    tagged.reserve(tagged.size() + sizeof frame + size + mp3.size() + 128);
    tagged.insert(tagged.end(), std::begin(frame), std::end(frame));
    tagged.insert(tagged.end(), title.begin(), title.end());
    tagged.insert(tagged.end(), mp3.begin(), mp3.end());
    std::vector<uint8_t> trailer(128, 0);
    std::copy(title.begin(), title.end(), std::copy_n("TAG", 3, trailer.begin()));
    tagged.insert(tagged.end(), trailer.begin(), trailer.end());

    const AudioStream streams[] = {
        streamFromPcm(source, 2, 44100, "plain.mp3", 0),
        audioStreamCreateFile(false, path.c_str(), 777, mp3.size(), AUDIO_STREAM_PRESCAN),
        audioStreamCreateFile(true, wrapped.data(), 777, mp3.size(), AUDIO_STREAM_PRESCAN),
        audioStreamCreateFile(true, tagged.data(), 0, tagged.size(), AUDIO_STREAM_PRESCAN),
    };
    std::remove(path.c_str());
    std::vector<std::vector<int16_t>> decoded;
    for (const AudioStream stream : streams) {
        ASSERT_NE(stream, 0u) << decoded.size() << ": " << audioErrorMessage(audioErrorGetCode());
        ASSERT_TRUE(audioChannelPlay(stream, false));
        decoded.push_back(drainOffline(stream));
        ASSERT_TRUE(audioStreamFree(stream));
    }
    EXPECT_NEAR(double(decoded[0].size() / 2), double(source.size() / 2), double(MP3_FRAME));
    for (size_t i = 1; i < decoded.size(); ++i) {
        EXPECT_EQ(decoded[i], decoded[0]) << "stream " << i;
    }
}

// At a 48000 Hz output, whose rate the seconds follow: nothing advances before the output starts
// or while the stream is paused (and the output is silent then), and the position counts exactly
// what the output took, holding at the length past the end.
TEST_F(OfflineAudio, PositionCountsExactlyWhatTheOutputTookAndStopsAtTheEnd) {
    audioFree();
    ASSERT_TRUE(audioInit(AUDIO_DEVICE_OFFLINE, 48000, 0, nullptr, nullptr));
    const AudioStream stream = streamFromPcm(makeChord(10000, 2, 48000), 2, 48000, "position.mp3");
    ASSERT_NE(stream, 0u);
    const int64_t length = audioChannelGetLength(stream, AUDIO_POS_BYTE);
    EXPECT_EQ(audioChannelBytes2Seconds(stream, 192000 * 60 + 48000), 60.25) << "exact";
    EXPECT_EQ(audioChannelBytes2Seconds(stream, -4), -1.0);
    EXPECT_EQ(audioErrorGetCode(), AUDIO_ERROR_BAD_PARAMETER);

    ASSERT_TRUE(audioChannelPlay(stream, false));
    ASSERT_TRUE(audioOfflineAdvance(nullptr, 4096));
    EXPECT_EQ(audioChannelGetPosition(stream, AUDIO_POS_BYTE), 0) << "the output has not started";
    ASSERT_TRUE(audioChannelPause(stream));
    ASSERT_TRUE(audioStart());
    std::vector<int16_t> block(2048, 1);
    ASSERT_TRUE(audioOfflineAdvance(block.data(), 4096));
    EXPECT_EQ(audioChannelGetPosition(stream, AUDIO_POS_BYTE), 0) << "paused";
    EXPECT_EQ(block, std::vector<int16_t>(block.size(), 0));

    ASSERT_TRUE(audioChannelPlay(stream, false));
    ASSERT_TRUE(audioOfflineAdvance(nullptr, 1000));
    EXPECT_EQ(audioChannelGetPosition(stream, AUDIO_POS_BYTE), 1000);
    ASSERT_TRUE(audioOfflineAdvance(nullptr, 4));
    EXPECT_EQ(audioChannelGetPosition(stream, AUDIO_POS_BYTE), 1004);

    // Playing again without restart continues; with restart it starts over.
    ASSERT_TRUE(audioChannelPlay(stream, false));
    EXPECT_EQ(audioChannelGetPosition(stream, AUDIO_POS_BYTE), 1004);
    ASSERT_TRUE(audioChannelPlay(stream, true));
    EXPECT_EQ(audioChannelGetPosition(stream, AUDIO_POS_BYTE), 0);

    // Past the end the position holds at the length and the output falls silent.
    for (int64_t handed = 0; handed < length + 8192; handed += 4096) {
        ASSERT_TRUE(audioOfflineAdvance(block.data(), 4096));
    }
    EXPECT_EQ(audioChannelGetPosition(stream, AUDIO_POS_BYTE), length);
    EXPECT_EQ(block, std::vector<int16_t>(block.size(), 0));
    EXPECT_TRUE(audioUpdate(0));
    EXPECT_EQ(audioChannelGetPosition(stream, AUDIO_POS_BYTE), length);
}

TEST_F(OfflineAudio, SeekAndPauseResumeOnTheExactSampleOfAContinuousRun) {
    const AudioStream stream = streamFromPcm(makeChord(20000, 2, 44100), 2, 44100, "seek.mp3");
    ASSERT_NE(stream, 0u);
    ASSERT_TRUE(audioChannelPlay(stream, false));
    const std::vector<int16_t> whole = drainOffline(stream); // the oracle: one run from the start
    const int64_t length = audioChannelGetLength(stream, AUDIO_POS_BYTE);
    ASSERT_EQ(int64_t(whole.size()) * 2, length);

    // Forwards, backwards, to the very end; paused for a while in between.
    for (const int64_t target : {int64_t(40000), int64_t(4), int64_t(0), int64_t(79996), length}) {
        ASSERT_TRUE(audioChannelSetPosition(stream, target, AUDIO_POS_BYTE)) << target;
        EXPECT_EQ(audioChannelGetPosition(stream, AUDIO_POS_BYTE), target);
        ASSERT_TRUE(audioChannelPause(stream));
        ASSERT_TRUE(audioOfflineAdvance(nullptr, 8192));
        EXPECT_EQ(audioChannelGetPosition(stream, AUDIO_POS_BYTE), target) << "a paused stream holds";
        ASSERT_TRUE(audioChannelPlay(stream, false));
        std::vector<int16_t> heard(512, 7);
        ASSERT_TRUE(audioOfflineAdvance(heard.data(), 1024));
        for (size_t i = 0; i < heard.size(); ++i) {
            const size_t at = size_t(target / 2) + i;
            ASSERT_EQ(heard[i], at < whole.size() ? whole[at] : 0) << "from " << target << ", sample " << i;
        }
    }
    for (const int64_t bad : {int64_t(-4), int64_t(6), length + 4}) {
        EXPECT_FALSE(audioChannelSetPosition(stream, bad, AUDIO_POS_BYTE)) << bad;
        EXPECT_EQ(audioErrorGetCode(), AUDIO_ERROR_BAD_PARAMETER);
    }
    EXPECT_FALSE(audioChannelSetPosition(stream, 0, 1));
    EXPECT_FALSE(audioChannelSetPosition(stream + 99, 0, AUDIO_POS_BYTE));
    EXPECT_EQ(audioErrorGetCode(), AUDIO_ERROR_BAD_HANDLE);
}

} // namespace
} // namespace tessellune
