// Every way a call can go wrong gets its error number, a failure result and no crash: calls out
// of order, bad arguments, bad handles, and files that are missing or not complete MP3s.
#include "audio/audio.h"
#include "tests/audio/mp3_maker.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <random>
#include <tuple>

namespace tessellune {
namespace {

using namespace tessellune::testing;

// The call failed and left `code` as the error number.
::testing::AssertionResult failedWith(bool failed, int code) {
    const int got = audioErrorGetCode();
    if (failed && got == code) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure() << (failed ? "failed" : "succeeded") << " with error " << got << " ("
                                         << audioErrorMessage(got) << "), not " << code;
}

// Each row is one call on a handle that must fail with the same error number.
struct FailingCall {
    const char* what;
    bool (*failed)(AudioStream);
};

template <size_t N>
void expectEveryCallFails(const FailingCall (&calls)[N], AudioStream handle, int code) {
    for (const FailingCall& call : calls) {
        EXPECT_TRUE(failedWith(call.failed(handle), code)) << call.what << " on handle " << handle;
    }
}

// The calls that take a stream handle.
const FailingCall STREAM_CALLS[] = {
    {"play", [](AudioStream s) { return !audioChannelPlay(s, true); }},
    {"position", [](AudioStream s) { return audioChannelGetPosition(s, AUDIO_POS_BYTE) == -1; }},
    {"length", [](AudioStream s) { return audioChannelGetLength(s, AUDIO_POS_BYTE) == -1; }},
    {"seconds", [](AudioStream s) { return audioChannelBytes2Seconds(s, 4) == -1.0; }},
    {"free stream", [](AudioStream s) { return !audioStreamFree(s); }},
};

TEST(AudioErrors, EveryCallFailsBeforeInit) {
    const std::string path = writeTempFile("early.mp3", encodeMp3(makeChord(2000, 2, 44100), 2, 44100));
    EXPECT_TRUE(failedWith(audioStreamCreateFile(false, path.c_str(), 0, 0, AUDIO_STREAM_PRESCAN) == 0,
                           AUDIO_ERROR_NOT_INITIALISED));
    std::remove(path.c_str());
    const FailingCall calls[] = {
        {"start", [](AudioStream) { return !audioStart(); }},
        {"update", [](AudioStream) { return !audioUpdate(0); }},
        {"advance", [](AudioStream) { return !audioOfflineAdvance(nullptr, 4); }},
        {"free", [](AudioStream) { return !audioFree(); }},
    };
    expectEveryCallFails(calls, 1, AUDIO_ERROR_NOT_INITIALISED);
    expectEveryCallFails(STREAM_CALLS, 1, AUDIO_ERROR_NOT_INITIALISED);
}

TEST(AudioErrors, InitRejectsBadArgumentsAndASecondInit) {
    for (const auto& [device, rate, flags] :
         {std::tuple{-2, 44100, 0u}, {AUDIO_DEVICE_OFFLINE, 0, 0u}, {AUDIO_DEVICE_OFFLINE, 44100, 0x4u}}) {
        EXPECT_TRUE(failedWith(!audioInit(device, rate, flags, nullptr, nullptr), AUDIO_ERROR_BAD_PARAMETER))
            << device << ", " << rate << " Hz, flags " << flags;
    }
    ASSERT_TRUE(audioInit(AUDIO_DEVICE_OFFLINE, 44100, 0, nullptr, nullptr));
    EXPECT_EQ(audioErrorGetCode(), AUDIO_OK);
    EXPECT_TRUE(failedWith(!audioInit(AUDIO_DEVICE_OFFLINE, 44100, 0, nullptr, nullptr),
                           AUDIO_ERROR_ALREADY_INITIALISED));
    EXPECT_TRUE(audioFree());
}

class BadInput : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(audioInit(AUDIO_DEVICE_OFFLINE, 44100, 0, nullptr, nullptr));
        good = encodeMp3(makeChord(44100, 2, 44100), 2, 44100);
        ASSERT_GT(good.size(), 10000u);
    }
    void TearDown() override { audioFree(); }

    // Creates a stream from the bytes, in memory and written to a file, expecting failure with `code`.
    void expectRejected(const std::vector<uint8_t>& bytes, int code, const char* what) {
        SCOPED_TRACE(what);
        const std::string path = writeTempFile("bad.mp3", bytes);
        for (const uint32_t flags : {0u, AUDIO_STREAM_PRESCAN}) {
            EXPECT_TRUE(failedWith(audioStreamCreateFile(false, path.c_str(), 0, 0, flags) == 0, code));
            if (!bytes.empty()) {
                EXPECT_TRUE(
                    failedWith(audioStreamCreateFile(true, bytes.data(), 0, bytes.size(), flags) == 0, code));
            }
        }
        std::remove(path.c_str());
    }

    std::vector<uint8_t> good;
};

// A half file is the Windows test's (and the last frame cut short, here, is the same check on
// the frames the tag promises); a text file is the player's.
TEST_F(BadInput, EmptyTruncatedCorruptAndForeignFilesAreNotDecodable) {
    std::mt19937 random(1234);
    std::vector<uint8_t> noisy = good, zeroed = good, noise(65536);
    std::generate(noisy.begin() + long(good.size() / 3), noisy.begin() + long(good.size() / 3) + 3000,
                  random);
    std::fill(zeroed.begin() + long(good.size() / 2), zeroed.begin() + long(good.size() / 2) + 600, 0);
    std::generate(noise.begin(), noise.end(), random);
    const std::vector<int16_t> pcm = makeChord(20000, 2, 44100);
    const uint8_t* raw = reinterpret_cast<const uint8_t*>(pcm.data());
    std::ifstream png(TESSELLUNE_SHARED_DIR "/testdata/pngsuite/basn2c08.png", std::ios::binary);
    const std::vector<uint8_t> image((std::istreambuf_iterator<char>(png)), std::istreambuf_iterator<char>());
    ASSERT_FALSE(image.empty());
    const struct {
        const char* what;
        std::vector<uint8_t> bytes;
    } cases[] = {
        {"empty", {}},
        {"last frame cut short", std::vector<uint8_t>(good.begin(), good.end() - 100)},
        {"only the start", std::vector<uint8_t>(good.begin(), good.begin() + 300)},
        {"a block of noise in the middle", noisy},
        {"a block of zeros in the middle", zeroed},
        {"random bytes", noise},
        {"raw PCM", std::vector<uint8_t>(raw, raw + pcm.size() * 2)},
        {"a PNG", image},
    };
    for (const auto& c : cases) {
        expectRejected(c.bytes, AUDIO_ERROR_NOT_DECODABLE, c.what);
    }
}

// One row per call with a bad argument, a missing or unreadable file, or a bad handle or mode.
TEST_F(BadInput, BadArgumentsFilesHandlesAndModes) {
    const std::string path = writeTempFile("offset.mp3", good),
                      folder = std::filesystem::temp_directory_path().string();
    const AudioStream stream = audioStreamCreateFile(true, good.data(), 0, good.size(), AUDIO_STREAM_PRESCAN);
    ASSERT_NE(stream, 0u);
    const auto fromFile = [](const std::string& name, uint64_t offset = 0) {
        return audioStreamCreateFile(false, name.c_str(), offset, 0, AUDIO_STREAM_PRESCAN) == 0;
    };
    // Each result is taken right after its call, while the error number is the call's.
    const struct {
        const char* what;
        ::testing::AssertionResult result;
    } cases[] = {
        {"missing file",
         failedWith(fromFile("/nonexistent/tessellune/demotune.mp3"), AUDIO_ERROR_FILE_NOT_FOUND)},
        {"a folder", failedWith(fromFile(folder), AUDIO_ERROR_FILE_UNREADABLE)},
        {"no path",
         failedWith(audioStreamCreateFile(false, nullptr, 0, 0, 0) == 0, AUDIO_ERROR_BAD_PARAMETER)},
        {"no bytes",
         failedWith(audioStreamCreateFile(true, good.data(), 0, 0, 0) == 0, AUDIO_ERROR_BAD_PARAMETER)},
        {"unknown flag", failedWith(audioStreamCreateFile(true, good.data(), 0, good.size(), 0x1) == 0,
                                    AUDIO_ERROR_BAD_PARAMETER)},
        {"an offset past the end", failedWith(fromFile(path, good.size() + 10), AUDIO_ERROR_NOT_DECODABLE)},
        {"position mode 1", failedWith(audioChannelGetPosition(stream, 1) == -1, AUDIO_ERROR_BAD_PARAMETER)},
        {"half a frame", failedWith(!audioOfflineAdvance(nullptr, 6), AUDIO_ERROR_BAD_PARAMETER)},
    };
    for (const auto& c : cases) {
        EXPECT_TRUE(c.result) << c.what;
    }
    std::remove(path.c_str());
    ASSERT_TRUE(audioStreamFree(stream));

    for (const AudioStream bad :
         {AudioStream(0), stream, AudioStream(stream + 1), AudioStream(0xffffffffu)}) {
        expectEveryCallFails(STREAM_CALLS, bad, AUDIO_ERROR_BAD_HANDLE);
    }

    // A handle from before audioFree is not valid in the next session.
    const AudioStream old = audioStreamCreateFile(true, good.data(), 0, good.size(), 0);
    ASSERT_NE(old, 0u);
    ASSERT_TRUE(audioFree());
    ASSERT_TRUE(audioInit(AUDIO_DEVICE_OFFLINE, 44100, 0, nullptr, nullptr));
    EXPECT_TRUE(failedWith(!audioChannelPlay(old, false), AUDIO_ERROR_BAD_HANDLE));
}

TEST(AudioErrors, MessagesNameEveryError) {
    for (int code = AUDIO_OK; code <= AUDIO_ERROR_DECODER; ++code) {
        EXPECT_STRNE(audioErrorMessage(code), audioErrorMessage(-1)) << code;
    }
}

} // namespace
} // namespace tessellune
