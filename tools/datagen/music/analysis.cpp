// Level, onset and spectrum measurements of rendered audio.
#include "tools/datagen/music/analysis.h"

#include "tools/datagen/music/arrangement.h"

#include <algorithm>
#include <cmath>
#include <complex>

namespace tessellune {
namespace {

float toDb(double linear) {
    return linear > 1e-10 ? float(20.0 * std::log10(linear)) : -200.0f;
}

// In-place iterative radix-2 FFT; size must be a power of two.
void fft(std::vector<std::complex<float>>& data) {
    const size_t n = data.size();
    for (size_t i = 1, j = 0; i < n; ++i) {
        size_t bit = n >> 1;
        for (; j & bit; bit >>= 1)
            j ^= bit;
        j ^= bit;
        if (i < j)
            std::swap(data[i], data[j]);
    }
    for (size_t length = 2; length <= n; length <<= 1) {
        const double angle = -2.0 * 3.14159265358979 / double(length);
        const std::complex<float> step(float(std::cos(angle)), float(std::sin(angle)));
        for (size_t start = 0; start < n; start += length) {
            std::complex<float> w(1.0f, 0.0f);
            for (size_t k = 0; k < length / 2; ++k) {
                std::complex<float> even = data[start + k];
                std::complex<float> odd = data[start + k + length / 2] * w;
                data[start + k] = even + odd;
                data[start + k + length / 2] = even - odd;
                w *= step;
            }
        }
    }
}

} // namespace

Level measureLevel(const std::vector<int16_t>& pcm, int64_t first, int64_t count) {
    const int64_t frames = int64_t(pcm.size() / 2);
    first = std::clamp<int64_t>(first, 0, frames);
    const int64_t last = std::clamp<int64_t>(first + count, first, frames);
    int peak = 0;
    double sumSquares = 0.0;
    for (int64_t i = 2 * first; i < 2 * last; ++i) {
        int value = pcm[size_t(i)];
        peak = std::max(peak, std::abs(value));
        sumSquares += double(value) * double(value);
    }
    Level level;
    if (last > first) {
        level.peakDb = toDb(peak / 32768.0);
        level.rmsDb = toDb(std::sqrt(sumSquares / double(2 * (last - first))) / 32768.0);
    }
    return level;
}

std::vector<Level> blockLevels(const std::vector<int16_t>& pcm, int64_t framesPerBlock) {
    std::vector<Level> levels;
    const int64_t frames = int64_t(pcm.size() / 2);
    if (framesPerBlock <= 0)
        return levels;
    for (int64_t first = 0; first < frames; first += framesPerBlock)
        levels.push_back(measureLevel(pcm, first, framesPerBlock));
    return levels;
}

std::vector<int64_t> onsetsAfterSilence(const std::vector<float>& mix, int64_t minSilence) {
    std::vector<int64_t> onsets;
    const int64_t frames = int64_t(mix.size() / 2);
    int64_t silent = minSilence; // the track's start counts as silence before it
    for (int64_t f = 0; f < frames; ++f) {
        bool quiet = mix[size_t(2 * f)] == 0.0f && mix[size_t(2 * f + 1)] == 0.0f;
        if (quiet) {
            ++silent;
            continue;
        }
        if (silent >= minSilence)
            onsets.push_back(f);
        silent = 0;
    }
    return onsets;
}

float dominantFrequency(const std::vector<float>& mix, int64_t first, int size) {
    const int64_t frames = int64_t(mix.size() / 2);
    if (size < 4 || (size & (size - 1)) != 0 || first < 0 || first + size > frames)
        return 0.0f;
    std::vector<std::complex<float>> data(static_cast<size_t>(size));
    for (int i = 0; i < size; ++i) {
        const float window = 0.5f - 0.5f * std::cos(2.0f * 3.14159265f * float(i) / float(size - 1));
        const size_t f = size_t(first + i);
        data[size_t(i)] = std::complex<float>((mix[2 * f] + mix[2 * f + 1]) * window, 0.0f);
    }
    fft(data);
    int best = 0;
    for (int bin = 1; bin < size / 2 - 1; ++bin)
        if (std::abs(data[size_t(bin)]) > std::abs(data[size_t(best)]))
            best = bin;
    if (best == 0 || std::abs(data[size_t(best)]) == 0.0f)
        return 0.0f;
    // A parabola through the peak and its neighbours (in log magnitude) finds the true centre.
    const float left = std::log(std::abs(data[size_t(best - 1)]) + 1e-20f);
    const float centre = std::log(std::abs(data[size_t(best)]));
    const float right = std::log(std::abs(data[size_t(best + 1)]) + 1e-20f);
    const float denominator = left - 2.0f * centre + right;
    const float offset = denominator != 0.0f ? 0.5f * (left - right) / denominator : 0.0f;
    return (float(best) + offset) * float(SAMPLE_RATE) / float(size);
}

std::vector<float> spectrogram(const std::vector<int16_t>& pcm, int columns, int bands) {
    constexpr int SIZE = 2048;
    std::vector<float> result(size_t(std::max(columns, 0)) * size_t(std::max(bands, 0)), -120.0f);
    const int64_t frames = int64_t(pcm.size() / 2);
    if (columns <= 0 || bands <= 0 || frames == 0)
        return result;
    std::vector<float> window(SIZE);
    for (int i = 0; i < SIZE; ++i)
        window[size_t(i)] = 0.5f - 0.5f * std::cos(2.0f * 3.14159265f * float(i) / float(SIZE - 1));
    std::vector<std::complex<float>> data(SIZE);
    const double lowHz = 30.0, highHz = 16000.0;
    for (int c = 0; c < columns; ++c) {
        const int64_t centre = int64_t((double(c) + 0.5) * double(frames) / double(columns));
        for (int i = 0; i < SIZE; ++i) {
            const int64_t f = centre - SIZE / 2 + i;
            float mono = 0.0f;
            if (f >= 0 && f < frames)
                mono = (float(pcm[size_t(2 * f)]) + float(pcm[size_t(2 * f + 1)])) * (0.5f / 32768.0f);
            data[size_t(i)] = std::complex<float>(mono * window[size_t(i)], 0.0f);
        }
        fft(data);
        for (int b = 0; b < bands; ++b) {
            // Each band spans a slice of the log-frequency axis; take its loudest bin.
            const double from = lowHz * std::pow(highHz / lowHz, double(b) / bands);
            const double to = lowHz * std::pow(highHz / lowHz, double(b + 1) / bands);
            int first = int(from * SIZE / SAMPLE_RATE);
            int last = std::max(first, int(to * SIZE / SAMPLE_RATE));
            float strongest = 0.0f;
            for (int bin = first; bin <= last && bin < SIZE / 2; ++bin)
                strongest = std::max(strongest, std::abs(data[size_t(bin)]));
            result[size_t(c) * size_t(bands) + size_t(b)] = toDb(strongest / (SIZE / 4.0));
        }
    }
    return result;
}

} // namespace tessellune
