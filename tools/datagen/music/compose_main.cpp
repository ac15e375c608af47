// tessellune-compose: renders the score to MP3 and reports how it measures (levels per section,
// beat alignment, timing), optionally with an analysis picture, so the mix can be checked by eye.
//
//   tessellune-compose [--score DIR] [--out FILE.mp3] [--plot FILE.png] [--plot-rows FIRST-LAST]
#include "tools/datagen/music/analysis.h"
#include "tools/datagen/music/mixdown.h"
#include "tools/datagen/music/mp3_encoder.h"
#include "tools/datagen/music/png_plot.h"
#include "tools/datagen/music/soundtrack.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

using namespace tessellune;

namespace {

void showProgress(double fraction, void* label) {
    const int width = 40;
    int filled = int(fraction * width + 0.5);
    std::printf("\r%-8s [%.*s%*s] %3d%%", static_cast<const char*>(label), filled,
                "########################################", width - filled, "", int(fraction * 100.0 + 0.5));
    std::fflush(stdout);
}

double secondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

} // namespace

int main(int argc, char** argv) {
    std::string scoreDir = "content/music", outPath = "demotune.mp3", plotPath;
    long firstRow = 0, lastRow = -1; // the rows the picture shows; -1: to the end
    for (int i = 1; i < argc; ++i) {
        if (i + 1 < argc && std::strcmp(argv[i], "--score") == 0)
            scoreDir = argv[++i];
        else if (i + 1 < argc && std::strcmp(argv[i], "--out") == 0)
            outPath = argv[++i];
        else if (i + 1 < argc && std::strcmp(argv[i], "--plot") == 0)
            plotPath = argv[++i];
        else if (i + 1 < argc && std::strcmp(argv[i], "--plot-rows") == 0 &&
                 std::sscanf(argv[i + 1], "%ld-%ld", &firstRow, &lastRow) == 2 && firstRow >= 0 &&
                 lastRow > firstRow)
            ++i;
        else {
            std::fprintf(
                stderr,
                "usage: %s [--score DIR] [--out FILE.mp3] [--plot FILE.png] [--plot-rows FIRST-LAST]\n",
                argv[0]);
            return 2;
        }
    }
    std::string error;
    Score score;
    if (!loadScore(scoreDir, score, error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    auto start = std::chrono::steady_clock::now();
    MixRequest request;
    request.progress = showProgress;
    request.user = const_cast<char*>("mixing");
    std::vector<float> mix;
    mixScore(score, request, mix);
    const double mixSeconds = secondsSince(start);
    std::vector<int16_t> pcm;
    const float rawPeak = peakOf(mix);
    saturate(mix, MASTER_DRIVE);
    // Below the saturation's knee the master is a plain gain: the stems below are measured with it.
    const float gain =
        normaliseToPcm16(mix, MASTER_PEAK_DBFS, pcm) * MASTER_DRIVE / std::tanh(MASTER_DRIVE) / rawPeak;
    std::printf("\nmixed %.1f s of audio in %.2f s; raw peak %.3f, gain for quiet parts %.3f\n",
                double(pcm.size() / 2) / SAMPLE_RATE, mixSeconds, rawPeak, gain);

    start = std::chrono::steady_clock::now();
    std::vector<unsigned char> mp3;
    if (!encodeMp3(pcm, mp3, showProgress, const_cast<char*>("encoding"), error) ||
        !writeFileAtomically(outPath, mp3, error)) {
        std::fprintf(stderr, "\n%s\n", error.c_str());
        return 1;
    }
    std::printf("\nwrote %s: %zu bytes (%.0f kbit/s) in %.2f s\n", outPath.c_str(), mp3.size(),
                mp3.size() * 8.0 / (double(pcm.size() / 2) / SAMPLE_RATE) / 1000.0, secondsSince(start));

    // Levels per section: energy should follow the arrangement.
    std::vector<int> markers;
    int64_t sectionStart = 0, bar = 0;
    const int columns = 1408;
    const int64_t frames = int64_t(pcm.size() / 2);
    for (const Section& section : score.sections) {
        const int64_t end = stepPosition(score, (bar + section.bars) * STEPS_PER_BAR);
        Level level = measureLevel(pcm, sectionStart, end - sectionStart);
        std::printf("  %-10s rows %5lld-%5lld  peak %6.1f dBFS  rms %6.1f dBFS\n", section.name.c_str(),
                    (long long)(sectionStart * SYNC_ROWS_PER_SECOND / SAMPLE_RATE),
                    (long long)(end * SYNC_ROWS_PER_SECOND / SAMPLE_RATE) - 1, level.peakDb, level.rmsDb);
        markers.push_back(int(sectionStart * columns / frames));
        sectionStart = end;
        bar += section.bars;
    }

    // Beat alignment: the kick alone, and where each of its hits begins.
    MixRequest kickOnly;
    kickOnly.instruments = 1u << unsigned(Instrument::Kick);
    std::vector<float> kicks;
    mixScore(score, kickOnly, kicks);
    const int64_t samplesPerRow = SAMPLE_RATE / SYNC_ROWS_PER_SECOND;
    int offRow = 0;
    std::vector<int64_t> onsets = onsetsAfterSilence(kicks, 64);
    for (int64_t onset : onsets)
        offRow += onset % samplesPerRow != 0;
    std::printf("kick onsets: %zu, %d not on a whole sync row\n", onsets.size(), offRow);

    // The balance: each instrument alone over the biggest section, at the master's gain.
    if (score.sections.size() >= 8) {
        int64_t firstBar = 0;
        for (size_t i = 0; i < 7; ++i)
            firstBar += score.sections[i].bars;
        MixRequest stem;
        stem.firstFrame = stepPosition(score, firstBar * STEPS_PER_BAR);
        stem.frameCount =
            stepPosition(score, (firstBar + score.sections[7].bars) * STEPS_PER_BAR) - stem.firstFrame;
        std::printf("balance in %s (dBFS after the master gain):\n", score.sections[7].name.c_str());
        for (int i = 0; i < int(Instrument::Count); ++i) {
            stem.instruments = 1u << unsigned(i);
            std::vector<float> alone;
            mixScore(score, stem, alone);
            for (float& value : alone)
                value *= gain;
            std::vector<int16_t> stemPcm(alone.size());
            for (size_t s = 0; s < alone.size(); ++s)
                stemPcm[s] =
                    int16_t(std::lrint(std::fmax(-32767.0f, std::fmin(32767.0f, alone[s] * 32767.0f))));
            Level level = measureLevel(stemPcm, 0, stem.frameCount);
            if (level.peakDb > -200.0f)
                std::printf("  %-8s peak %6.1f  rms %6.1f\n", instrumentName(Instrument(i)), level.peakDb,
                            level.rmsDb);
        }
    }

    if (!plotPath.empty()) {
        // The picture covers the chosen rows; section starts are marked where they fall in it.
        const int64_t samplesPerRow = SAMPLE_RATE / SYNC_ROWS_PER_SECOND;
        const int64_t from = std::min<int64_t>(firstRow * samplesPerRow, frames);
        const int64_t to = lastRow < 0 ? frames : std::min<int64_t>((lastRow + 1) * samplesPerRow, frames);
        if (to <= from) {
            std::fprintf(stderr, "--plot-rows lies outside the track\n");
            return 1;
        }
        std::vector<int16_t> shown(pcm.begin() + 2 * from, pcm.begin() + 2 * to);
        std::vector<int> shownMarkers;
        for (int marker : markers) {
            int64_t sample = int64_t(marker) * frames / columns;
            if (sample >= from && sample < to)
                shownMarkers.push_back(int((sample - from) * columns / (to - from)));
        }
        int height = 0;
        const int bands = 200;
        std::vector<uint8_t> rgb =
            drawAnalysis(spectrogram(shown, columns, bands), columns, bands, shown, shownMarkers, height);
        if (!writeRgbPng(plotPath, columns, height, rgb, error)) {
            std::fprintf(stderr, "%s\n", error.c_str());
            return 1;
        }
        std::printf("wrote %s\n", plotPath.c_str());
    }
    return 0;
}
