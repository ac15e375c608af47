// The whole soundtrack: levels per section, the MP3 round trip, repeatability and failures.
#include <gtest/gtest.h>

#include "assets/file_reader.h"
#include "mp3_decoder.h"
#include "tools/datagen/music/analysis.h"
#include "tools/datagen/music/mixdown.h"
#include "tools/datagen/music/mp3_encoder.h"
#include "tools/datagen/music/soundtrack.h"

#include <cmath>
#include <filesystem>
#include <fstream>

using namespace tessellune;

namespace {

const std::string SCORE_DIR = std::string(TESSELLUNE_SOURCE_DIR) + "/content/music";
const std::filesystem::path OUTPUT_DIR =
    std::filesystem::path(TESSELLUNE_BINARY_DIR) / "test-output" / "music";
constexpr int64_t SAMPLES_PER_ROW = 2450;
constexpr int64_t TRACK_FRAMES = 2816 * SAMPLES_PER_ROW;
constexpr int64_t MP3_FRAME = 1152;

// Progress that only rises, within 0..1.
void rising(double fraction, void* user) {
    double& last = *static_cast<double*>(user);
    EXPECT_GE(fraction, last);
    EXPECT_LE(fraction, 1.0);
    last = fraction;
}

} // namespace

// The whole track, rendered, encoded and decoded once: it is the slowest thing these tests do,
// so its checks share one case. The build wrote the same track in a run of its own: the bytes
// must be the same, so the generator repeats itself and the build's copy is current.
TEST(MusicWholeTrack, MeasuresAsArrangedAndSurvivesTheMp3RoundTrip) {
    std::filesystem::create_directories(OUTPUT_DIR);
    Score score;
    std::string error;
    ASSERT_TRUE(loadScore(SCORE_DIR, score, error)) << error;
    std::vector<int16_t> pcm;
    double mixed = -1.0, encoded = -1.0;
    renderSoundtrack(score, pcm, rising, &mixed);
    ASSERT_EQ(int64_t(pcm.size()), 2 * TRACK_FRAMES);

    {
        SCOPED_TRACE("peak and edges");
        const Level whole = measureLevel(pcm, 0, TRACK_FRAMES);
        EXPECT_LT(whole.peakDb, -1.0f);
        EXPECT_NEAR(whole.peakDb, MASTER_PEAK_DBFS, 0.05f); // normalised, not merely quiet
        EXPECT_EQ(pcm[0], 0);                               // it opens and closes on silence
        EXPECT_EQ(pcm[1], 0);
        EXPECT_LT(measureLevel(pcm, TRACK_FRAMES - SAMPLE_RATE / 20, SAMPLE_RATE / 20).peakDb, -60.0f);
    }
    {
        SCOPED_TRACE("section energy");
        const std::vector<Level> sections = blockLevels(pcm, 256 * SAMPLES_PER_ROW);
        ASSERT_EQ(sections.size(), 11u);
        const int full[] = {2, 3, 6, 7, 9};
        const int calm[] = {0, 4, 5, 8, 10};
        for (int loud : full)
            for (int quiet : calm)
                EXPECT_GT(sections[size_t(loud)].rmsDb, sections[size_t(quiet)].rmsDb + 3.0f)
                    << "section " << loud << " against " << quiet;
        EXPECT_GT(sections[1].rmsDb, sections[0].rmsDb + 3.0f);   // the build lifts out of the intro
        EXPECT_LT(sections[10].rmsDb, sections[9].rmsDb - 10.0f); // the outro fades away
        for (int loud : full)
            EXPECT_GT(sections[size_t(loud)].rmsDb, -20.0f) << loud;
    }

    SCOPED_TRACE("mp3 round trip");
    std::vector<unsigned char> mp3;
    ASSERT_TRUE(encodeMp3(pcm, mp3, rising, &encoded, error)) << error;
    EXPECT_EQ(mixed, 1.0);
    EXPECT_EQ(encoded, 1.0);
    EXPECT_TRUE(mp3 == readFile(TESSELLUNE_BINARY_DIR "/data/demotune.mp3"))
        << "not the bytes of the build's run";
    const std::string path = (OUTPUT_DIR / "whole.mp3").string();
    ASSERT_TRUE(writeFileAtomically(path, mp3, error)) << error;
    EXPECT_FALSE(std::filesystem::exists(path + ".part"));
    DecodedMp3 decoded;
    ASSERT_TRUE(decodeMp3File(path, decoded, error)) << error;
    EXPECT_EQ(decoded.rate, SAMPLE_RATE);
    ASSERT_EQ(decoded.channels, 2);
    const int64_t frames = int64_t(decoded.pcm.size() / 2);
    EXPECT_LE(std::llabs(frames - TRACK_FRAMES), MP3_FRAME);
    EXPECT_LT(measureLevel(decoded.pcm, 0, frames).peakDb, -1.0f);
    // The decoded music sits where the PCM does: the codec's delay is compensated, so the demo's
    // rows stay on the beat. Find the best lag around a loud passage.
    const int64_t at = 600 * SAMPLES_PER_ROW, window = 8192;
    ASSERT_GT(frames, at + 20 * window + 1500);
    int bestLag = 0;
    double best = -1e300;
    for (int lag = -1500; lag <= 1500; ++lag) {
        double sum = 0.0;
        for (int64_t i = 0; i < window; ++i)
            sum += double(pcm[size_t(2 * (at + i))]) * decoded.pcm[size_t(2 * (at + i + lag))];
        if (sum > best) {
            best = sum;
            bestLag = lag;
        }
    }
    EXPECT_EQ(bestLag, 0);
    // And it is a faithful copy: the coding noise is far below the music.
    double signal = 0.0, noise = 0.0;
    for (int64_t i = 2 * at; i < 2 * (at + 20 * window); ++i) {
        double difference = double(pcm[size_t(i)]) - decoded.pcm[size_t(i)];
        signal += double(pcm[size_t(i)]) * pcm[size_t(i)];
        noise += difference * difference;
    }
    EXPECT_GT(10.0 * std::log10(signal / noise), 15.0);
}

TEST(MusicSoundtrack, FailuresAreReportedAndLeaveNoFile) {
    const std::filesystem::path dir = OUTPUT_DIR / "broken";
    std::filesystem::create_directories(dir);
    std::ofstream(dir / "demotune.score") << "tempo 135\nsection s\n kick nowhere\n";
    const std::filesystem::path out = dir / "out.mp3";
    std::filesystem::remove(out);
    std::string error;
    EXPECT_FALSE(writeSoundtrack(dir.string(), out.string(), nullptr, nullptr, error));
    EXPECT_NE(error.find("demotune.score:3: unknown pattern 'nowhere'"), std::string::npos) << error;
    EXPECT_FALSE(std::filesystem::exists(out));

    EXPECT_FALSE(writeSoundtrack((dir / "missing").string(), out.string(), nullptr, nullptr, error));
    EXPECT_EQ(error, (dir / "missing" / "demotune.score").string() + ": cannot open the score");

    std::ofstream(dir / "demotune.score") << "pattern k x...x...x...x...\nsection s bars 1\n kick k\n";
    const std::string unwritable = (dir / "no-such-folder" / "out.mp3").string();
    EXPECT_FALSE(writeSoundtrack(dir.string(), unwritable, nullptr, nullptr, error));
    EXPECT_NE(error.find("cannot create"), std::string::npos) << error;
}
