// The measuring tools the other music tests rely on, checked on signals with known answers.
#include <gtest/gtest.h>

#include "tools/datagen/music/analysis.h"

#include <algorithm>
#include <cmath>

using namespace tessellune;

TEST(MusicAnalysis, DominantFrequencyFindsAKnownSine) {
    for (float hz : {55.0f, 261.63f, 1000.0f, 5000.0f}) {
        std::vector<float> stereo(2 * 40000);
        for (size_t f = 0; f < 40000; ++f) {
            float value = 0.5f * std::sin(2.0f * 3.14159265f * hz * float(f) / 44100.0f);
            stereo[2 * f] = value;
            stereo[2 * f + 1] = value + 0.1f * std::sin(2.0f * 3.14159265f * 3.0f * hz * float(f) / 44100.0f);
        }
        EXPECT_NEAR(dominantFrequency(stereo, 1000, 32768), hz, hz * 0.002f + 0.2f);
    }
    std::vector<float> silence(2 * 5000, 0.0f);
    EXPECT_EQ(dominantFrequency(silence, 0, 4096), 0.0f);
    EXPECT_EQ(dominantFrequency(silence, 2000, 4096), 0.0f); // runs past the end
    EXPECT_EQ(dominantFrequency(silence, 0, 3000), 0.0f);    // not a power of two
}

TEST(MusicAnalysis, OnsetsNeedTheGivenSilenceBeforeThem) {
    std::vector<float> stereo(2 * 1000, 0.0f);
    stereo[2 * 0] = 0.1f;       // at the very start: counts, the track begins in silence
    stereo[2 * 100 + 1] = 0.1f; // right channel only, after 99 silent frames
    stereo[2 * 150] = 0.1f;     // only 49 silent frames before it
    stereo[2 * 500] = -0.1f;
    EXPECT_EQ(onsetsAfterSilence(stereo, 50), (std::vector<int64_t>{0, 100, 500}));
    EXPECT_EQ(onsetsAfterSilence(stereo, 49), (std::vector<int64_t>{0, 100, 150, 500}));
}

TEST(MusicAnalysis, LevelsOfKnownSignals) {
    std::vector<int16_t> pcm(2 * 4410);
    for (size_t f = 0; f < 4410; ++f)
        pcm[2 * f] = pcm[2 * f + 1] =
            int16_t(16384.0 * std::sin(2.0 * 3.14159265358979 * 441.0 * double(f) / 44100.0));
    Level level = measureLevel(pcm, 0, 4410);
    EXPECT_NEAR(level.peakDb, -6.02f, 0.01f);
    EXPECT_NEAR(level.rmsDb, -9.03f, 0.02f); // a sine's RMS is 3 dB under its peak
    std::vector<Level> blocks = blockLevels(pcm, 1000);
    ASSERT_EQ(blocks.size(), 5u); // the last block is the 410 frames left over
    EXPECT_NEAR(blocks[4].peakDb, -6.02f, 0.05f);
    EXPECT_EQ(measureLevel(pcm, 5000, 100).peakDb, -200.0f); // past the end: nothing measured
    std::vector<float> spectrum = spectrogram(pcm, 4, 50);
    ASSERT_EQ(spectrum.size(), 200u);
    // The loudest band of each column is the one holding 441 Hz.
    const int expectedBand = int(50.0 * std::log(441.0 / 30.0) / std::log(16000.0 / 30.0));
    for (int c = 0; c < 4; ++c) {
        const auto column = spectrum.begin() + c * 50;
        EXPECT_NEAR(std::max_element(column, column + 50) - column, expectedBand, 1) << c;
    }
}
