// Synthesis: click-free envelopes and excerpts, smooth ducking, kicks exactly on the beat.
#include <gtest/gtest.h>

#include "tools/datagen/music/analysis.h"
#include "tools/datagen/music/dsp.h"
#include "tools/datagen/music/effects.h"
#include "tools/datagen/music/mixdown.h"
#include "tools/datagen/music/voices.h"

#include <algorithm>
#include <cmath>
#include <string>

using namespace tessellune;

namespace {

const std::string SCORE_DIR = std::string(TESSELLUNE_SOURCE_DIR) + "/content/music";
constexpr int64_t SAMPLES_PER_ROW = 2450;
constexpr int64_t SAMPLES_PER_BEAT = 8 * SAMPLES_PER_ROW;

Score demoScore() {
    Score score;
    std::string error;
    EXPECT_TRUE(loadScore(SCORE_DIR, score, error)) << error;
    return score;
}

// The largest jump between neighbouring samples of one channel of `channels` interleaved.
float largestStep(const std::vector<float>& samples, size_t channel = 0, size_t channels = 1) {
    float largest = 0.0f;
    for (size_t i = channels + channel; i < samples.size(); i += channels)
        largest = std::max(largest, std::fabs(samples[i] - samples[i - channels]));
    return largest;
}

} // namespace

TEST(MusicEnvelopes, EveryNoteStartsAndEndsAtZeroWithoutJumps) {
    const Adsr shapes[] = {
        {0.003f, 0.15f, 0.75f, 0.04f}, {0.2f, 1.0f, 0.85f, 0.5f}, {0.002f, 0.18f, 0.25f, 0.08f}};
    for (const Adsr& adsr : shapes) {
        for (float gate : {0.01f, 0.1f, 1.0f}) {
            EXPECT_EQ(adsr.at(0.0f, gate), 0.0f);
            EXPECT_EQ(adsr.at(adsr.length(gate), gate), 0.0f);
            // Continuous through the gate: the release starts where the held part stands.
            EXPECT_NEAR(adsr.at(gate - 1e-5f, gate), adsr.at(gate + 1e-5f, gate), 1e-3f);
            float previous = 0.0f, largest = 0.0f;
            for (float t = 0.0f; t <= adsr.length(gate); t += 1.0f / SAMPLE_RATE) {
                float value = adsr.at(t, gate);
                largest = std::max(largest, std::fabs(value - previous));
                previous = value;
            }
            EXPECT_LT(largest, 0.02f) << "attack " << adsr.attack << " gate " << gate;
        }
    }
}

TEST(MusicVoices, EveryInstrumentIsSilentAtItsEdgesAndWritesOnlyIntoItsBuffer) {
    const NoteEvent event{1000, 4900 * 3, {45, 60, 64}, 3};
    for (int i = 0; i < int(Instrument::Count); ++i) {
        const Instrument instrument = Instrument(i);
        // Guard frames on both sides must stay untouched; the buffer starts mid-note for one run.
        for (int64_t origin : {int64_t(0), int64_t(3000)}) {
            const int64_t frames = event.start + event.length + MAX_VOICE_TAIL + 200;
            std::vector<float> buffer(size_t(2 * (frames + 200)), 0.0f);
            VoiceTarget target{buffer.data() + 200, origin, frames - 100};
            if (instrument == Instrument::Riser)
                renderRiser(event, 300.0f, 9000.0f, 7u, target);
            else if (instrument >= Instrument::Bass)
                renderTonal(instrument, event, 0.0f, 7u, target);
            else
                renderDrum(instrument, event, 7u, target);
            for (size_t g = 0; g < 200; ++g)
                ASSERT_EQ(buffer[g], 0.0f) << instrumentName(instrument);
            for (size_t g = size_t(2 * (frames + 100)); g < buffer.size(); ++g)
                ASSERT_EQ(buffer[g], 0.0f) << instrumentName(instrument);
            if (origin != 0)
                continue;
            const float* sound = buffer.data() + 200;
            float peak = 0.0f;
            for (int64_t f = 0; f < frames - 100; ++f)
                peak = std::max(peak, std::fabs(sound[2 * f]) + std::fabs(sound[2 * f + 1]));
            EXPECT_GT(peak, 0.01f) << instrumentName(instrument);
            EXPECT_LT(peak, 4.0f) << instrumentName(instrument);
            EXPECT_EQ(sound[2 * (event.start - 1)], 0.0f) << instrumentName(instrument);
            // The sound has died away to nothing well before the buffer's end.
            EXPECT_EQ(sound[2 * (frames - 101)], 0.0f) << instrumentName(instrument);
        }
    }
}

TEST(MusicDucking, DipsAtEachKickAndNeverJumps) {
    std::vector<int64_t> kicks;
    std::vector<float> velocities;
    for (int64_t beat = 0; beat < 8; ++beat) {
        kicks.push_back(beat * SAMPLES_PER_BEAT);
        velocities.push_back(1.0f);
    }
    kicks.push_back(8 * SAMPLES_PER_BEAT + 2450); // a kick inside the previous one's recovery
    velocities.push_back(0.4f);
    std::vector<float> gains(size_t(10 * SAMPLES_PER_BEAT));
    duckingGains(kicks, velocities, 0.6f, 0, gains);
    EXPECT_LT(largestStep(gains), 0.01f);
    EXPECT_EQ(gains[0], 1.0f);
    const size_t bottom = size_t(0.005 * SAMPLE_RATE);
    EXPECT_NEAR(gains[bottom], 0.4f, 3e-3f);
    EXPECT_GT(gains[size_t(SAMPLES_PER_BEAT - 1)], 0.97f); // recovered before the next beat
    // Starting mid-track gives the same gains as the whole run at those samples.
    std::vector<float> tail(1000);
    duckingGains(kicks, velocities, 0.6f, 3 * SAMPLES_PER_BEAT + 100, tail);
    for (size_t i = 0; i < tail.size(); ++i)
        ASSERT_EQ(tail[i], gains[size_t(3 * SAMPLES_PER_BEAT + 100) + i]);
}

// (That a render repeats itself is the soundtrack's same-bytes test.)
TEST(MusicMix, KicksStartExactlyOnBeatsAndTheBreakdownIsClickFree) {
    const Score score = demoScore();
    MixRequest request;
    request.frameCount = 1024 * SAMPLES_PER_ROW; // intro, build and both main A sections
    request.instruments = 1u << unsigned(Instrument::Kick);
    std::vector<float> kicks;
    mixScore(score, request, kicks);
    // That each event sounds at its own sample is the swing test's.
    const std::vector<int64_t> onsets = onsetsAfterSilence(kicks, 64);
    EXPECT_EQ(onsets.size(), 16u + 32u + 32u); // soft kicks in the build's second half, then full
    for (int64_t onset : onsets)
        EXPECT_EQ(onset % SAMPLES_PER_BEAT, 0) << onset;

    request = MixRequest{};                      // every instrument
    request.firstFrame = 1024 * SAMPLES_PER_ROW; // the breakdown: pads, bass and arp, no drums
    request.frameCount = 128 * SAMPLES_PER_ROW;
    std::vector<float> breakdown;
    mixScore(score, request, breakdown);
    ASSERT_EQ(breakdown.size(), size_t(2 * request.frameCount));
    EXPECT_GT(peakOf(breakdown), 0.05f);
    // Without drums nothing in this section should jump by more than a small part of its peak
    // from one sample to the next: a missing envelope would show as a step.
    EXPECT_LT(largestStep(breakdown, 0, 2), 0.25f * peakOf(breakdown));
    EXPECT_LT(largestStep(breakdown, 1, 2), 0.25f * peakOf(breakdown));
}

TEST(MusicMix, NormalisationPutsThePeakWhereAsked) {
    std::vector<float> mix = {0.0f, 0.5f, -2.0f, 1.0f, 0.25f, -0.125f};
    std::vector<int16_t> pcm;
    const float gain = normaliseToPcm16(mix, -6.0f, pcm);
    EXPECT_NEAR(gain, std::pow(10.0f, -6.0f / 20.0f) / 2.0f, 1e-6f);
    ASSERT_EQ(pcm.size(), mix.size());
    EXPECT_NEAR(pcm[2], -16423, 1);
    EXPECT_NEAR(measureLevel(pcm, 0, 3).peakDb, -6.0f, 0.01f);
    std::vector<float> silence(8, 0.0f);
    normaliseToPcm16(silence, -1.0f, pcm);
    EXPECT_EQ(pcm, std::vector<int16_t>(8, 0));
}

TEST(MusicMix, InstrumentsSoundTheWrittenPitches) {
    Score score;
    std::string error;
    ASSERT_TRUE(parseScore("progression p Am\n"
                           "pattern held A4 - - - - - - - - - - - - - - -\n"
                           "pattern root 1 - - - - - - - - - - - - - - -\n"
                           "pattern fifth 3 - - - - - - - - - - - - - - -\n"
                           "section s bars 1\n"
                           " chords p\n lead held\n bass root\n arp fifth\n",
                           "p.score", score, error))
        << error;
    struct Case {
        Instrument instrument;
        float hz;
    } cases[] = {{Instrument::Lead, 440.0f}, {Instrument::Bass, 55.0f}, {Instrument::Arp, 329.63f}};
    for (const Case& c : cases) {
        MixRequest request;
        request.instruments = 1u << unsigned(c.instrument);
        std::vector<float> mix;
        mixScore(score, request, mix);
        EXPECT_NEAR(dominantFrequency(mix, 2000, 16384), c.hz, c.hz * 0.01f) << instrumentName(c.instrument);
    }
}

TEST(MusicMix, SwingDelaysTheOffBeatSixteenthsInTheAudio) {
    Score score;
    std::string error;
    ASSERT_TRUE(parseScore("swing 0.14\npattern k ..x....x........\nsection s bars 1\n kick k\n", "w.score",
                           score, error))
        << error;
    MixRequest request;
    std::vector<float> mix;
    mixScore(score, request, mix);
    // Step 2 is even and stays on the grid; step 7 is odd: late by 14 % of a 4900-sample step.
    EXPECT_EQ(onsetsAfterSilence(mix, 64), (std::vector<int64_t>{2 * 4900, 7 * 4900 + 686}));
}
