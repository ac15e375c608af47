// The real-time backend through SDL's dummy driver (a device without hardware that still consumes
// samples in real time), and a clean failure when no output device can be opened.
#include "audio/audio.h"
#include "tests/audio/mp3_maker.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <thread>

namespace tessellune {
namespace {

using namespace tessellune::testing;
using Clock = std::chrono::steady_clock;

AudioStream makeStream(double seconds) {
    const std::vector<int16_t> pcm = makeChord(size_t(seconds * 44100), 2, 44100);
    const std::vector<uint8_t> mp3 = encodeMp3(pcm, 2, 44100, 96);
    return audioStreamCreateFile(true, mp3.data(), 0, mp3.size(), AUDIO_STREAM_PRESCAN);
}

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

TEST(DummyDevice, PositionFollowsTheWallClockAndStopsAtTheEndOfTheMusic) {
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    ASSERT_TRUE(audioInit(AUDIO_DEVICE_DEFAULT, 44100, 0, nullptr, nullptr))
        << audioErrorMessage(audioErrorGetCode());
    const AudioStream stream = makeStream(2.0);
    ASSERT_NE(stream, 0u) << audioErrorMessage(audioErrorGetCode());
    const int64_t length = audioChannelGetLength(stream, AUDIO_POS_BYTE);
    ASSERT_TRUE(audioStart());
    // Nothing moves before play.
    std::this_thread::sleep_for(std::chrono::milliseconds(60));
    EXPECT_EQ(audioChannelGetPosition(stream, AUDIO_POS_BYTE), 0);

    ASSERT_TRUE(audioChannelPlay(stream, false));
    const Clock::time_point start = Clock::now();
    int64_t previous = 0;
    while (previous < length && secondsSince(start) < 4.0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(7));
        const int64_t position = audioChannelGetPosition(stream, AUDIO_POS_BYTE);
        const double elapsed = secondsSince(start);
        ASSERT_GE(position, previous);
        ASSERT_EQ(position % 4, 0);
        previous = position;
        const double seconds = audioChannelBytes2Seconds(stream, position);
        if (position < length) {
            EXPECT_NEAR(seconds, elapsed, 0.050) << "at byte " << position;
        }
        EXPECT_TRUE(audioUpdate(0));
    }
    EXPECT_EQ(previous, length);
    EXPECT_NEAR(secondsSince(start), audioChannelBytes2Seconds(stream, length), 0.1);
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    EXPECT_EQ(audioChannelGetPosition(stream, AUDIO_POS_BYTE), length) << "it holds at the end";
    // Freeing while the device runs, then closing with no stream left.
    EXPECT_TRUE(audioStreamFree(stream));
    EXPECT_TRUE(audioFree());
}

TEST(DummyDevice, ExitingWhilePlayingEndsCleanly) {
    // A program may stop without audioFree (an early exit); the output thread must not outlive
    // the library's state or bring the exit down.
    EXPECT_EXIT(
        {
            setenv("SDL_AUDIODRIVER", "dummy", 1);
            if (!audioInit(AUDIO_DEVICE_DEFAULT, 44100, 0, nullptr, nullptr)) {
                std::exit(3);
            }
            const AudioStream stream = makeStream(1.0);
            audioStart();
            audioChannelPlay(stream, false);
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            std::exit(audioChannelGetPosition(stream, AUDIO_POS_BYTE) > 0 ? 0 : 4);
        },
        ::testing::ExitedWithCode(0), "");
}

TEST(DiskDevice, TheDeviceReceivesExactlyTheDecodedMusic) {
    // SDL's disk driver writes what the device is handed to a file, faster than real time: the
    // real device path (SDL callback, mixer, position) checked sample by sample against offline.
    const std::vector<uint8_t> mp3 = encodeMp3(makeChord(20000, 2, 44100), 2, 44100, 128);
    ASSERT_TRUE(audioInit(AUDIO_DEVICE_OFFLINE, 44100, 0, nullptr, nullptr));
    ASSERT_TRUE(audioStart());
    const AudioStream offline = audioStreamCreateFile(true, mp3.data(), 0, mp3.size(), AUDIO_STREAM_PRESCAN);
    ASSERT_NE(offline, 0u);
    ASSERT_TRUE(audioChannelPlay(offline, false));
    const std::vector<int16_t> expected = drainOffline(offline);
    ASSERT_TRUE(audioFree());

    const std::string output = writeTempFile("device.raw", {});
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", output.c_str(), 1);
    setenv("SDL_DISKAUDIODELAY", "2", 1); // ten times faster than real time
    ASSERT_TRUE(audioInit(AUDIO_DEVICE_DEFAULT, 44100, 0, nullptr, nullptr))
        << audioErrorMessage(audioErrorGetCode());
    const AudioStream stream = audioStreamCreateFile(true, mp3.data(), 0, mp3.size(), AUDIO_STREAM_PRESCAN);
    ASSERT_NE(stream, 0u);
    const int64_t length = audioChannelGetLength(stream, AUDIO_POS_BYTE);
    ASSERT_EQ(length, int64_t(expected.size() * 2));
    ASSERT_TRUE(audioChannelPlay(stream, false)); // before the device starts: the first block has it
    ASSERT_TRUE(audioStart());
    const Clock::time_point start = Clock::now();
    while (audioChannelGetPosition(stream, AUDIO_POS_BYTE) < length && secondsSince(start) < 5.0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    EXPECT_EQ(audioChannelGetPosition(stream, AUDIO_POS_BYTE), length);
    ASSERT_TRUE(audioFree());
    unsetenv("SDL_DISKAUDIOFILE");
    unsetenv("SDL_DISKAUDIODELAY");

    std::ifstream file(output, std::ios::binary);
    const std::vector<char> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    std::vector<int16_t> written(bytes.size() / 2);
    std::memcpy(written.data(), bytes.data(), written.size() * 2);
    std::remove(output.c_str());
    // A paused SDL device is fed silence, so the music starts after some silent blocks: line the
    // two up at their first sound.
    const auto isSound = [](int16_t v) { return v != 0; };
    const long expectedStart = std::find_if(expected.begin(), expected.end(), isSound) - expected.begin();
    const long writtenStart = std::find_if(written.begin(), written.end(), isSound) - written.begin();
    const long lead = writtenStart - expectedStart;
    ASSERT_GE(lead, 0);
    EXPECT_EQ(lead % 2, 0); // whole frames
    ASSERT_GE(written.size(), expected.size() + size_t(lead));
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), written.begin() + lead));
    // After the music the device gets silence.
    EXPECT_TRUE(std::none_of(written.begin() + lead + long(expected.size()), written.end(), isSound));
}

TEST(NoDevice, InitFailsCleanlyWhenNoOutputOpens) {
    // A driver that cannot open stands in for a machine without any sound device.
    setenv("SDL_AUDIODRIVER", "tessellune-no-such-driver", 1);
    EXPECT_FALSE(audioInit(AUDIO_DEVICE_DEFAULT, 44100, 0, nullptr, nullptr));
    EXPECT_EQ(audioErrorGetCode(), AUDIO_ERROR_NO_DEVICE);
    EXPECT_FALSE(audioFree()) << "nothing was initialised"; // every other call: the errors test's

    // After a failed init a working one still succeeds.
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    EXPECT_FALSE(audioInit(1000, 44100, 0, nullptr, nullptr)); // no thousandth device
    EXPECT_EQ(audioErrorGetCode(), AUDIO_ERROR_BAD_PARAMETER);
    EXPECT_TRUE(audioInit(AUDIO_DEVICE_DEFAULT, 44100, 0, nullptr, nullptr));
    EXPECT_FALSE(audioOfflineAdvance(nullptr, 4)); // a real device is not driven by hand
    EXPECT_EQ(audioErrorGetCode(), AUDIO_ERROR_BAD_PARAMETER);
    EXPECT_TRUE(audioFree());
}

} // namespace
} // namespace tessellune
