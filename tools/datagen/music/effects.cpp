// Reverb, ping-pong delay and kick ducking over interleaved stereo buffers.
#include "tools/datagen/music/effects.h"

#include "tools/datagen/music/arrangement.h"

#include <algorithm>
#include <cmath>

namespace tessellune {
namespace {

// Delay lengths in samples at 44.1 kHz; mutually prime-ish so the echoes do not line up. The
// right channel's lines are a little longer, which decorrelates the two sides.
constexpr int COMB_LENGTHS[Reverb::COMBS] = {1116, 1188, 1277, 1356, 1422, 1491, 1557, 1617};
constexpr int ALLPASS_LENGTHS[Reverb::ALLPASSES] = {556, 441, 341, 225};
constexpr int STEREO_SPREAD = 23;

} // namespace

Reverb::Reverb() {
    for (int side = 0; side < 2; ++side) {
        for (int i = 0; i < COMBS; ++i)
            combs[side][i].buffer.assign(COMB_LENGTHS[i] + side * STEREO_SPREAD, 0.0f);
        for (int i = 0; i < ALLPASSES; ++i)
            allpasses[side][i].buffer.assign(ALLPASS_LENGTHS[i] + side * STEREO_SPREAD, 0.0f);
    }
}

void Reverb::process(const float* monoSend, float* stereoOut, int64_t frames) {
    for (int64_t f = 0; f < frames; ++f) {
        const float input = monoSend[f] * 0.03f;
        for (int side = 0; side < 2; ++side) {
            float sum = 0.0f;
            for (Line& comb : combs[side]) {
                float delayed = comb.buffer[comb.position];
                comb.store = delayed * (1.0f - damping) + comb.store * damping;
                comb.buffer[comb.position] = input + comb.store * feedback;
                if (++comb.position == int(comb.buffer.size()))
                    comb.position = 0;
                sum += delayed;
            }
            for (Line& allpass : allpasses[side]) {
                float delayed = allpass.buffer[allpass.position];
                allpass.buffer[allpass.position] = sum + delayed * 0.5f;
                if (++allpass.position == int(allpass.buffer.size()))
                    allpass.position = 0;
                sum = delayed - sum;
            }
            stereoOut[2 * f + side] += sum;
        }
    }
}

PingPongDelay::PingPongDelay(int delayFrames) : left(std::max(delayFrames, 1), 0.0f), right(left) {}

void PingPongDelay::process(const float* monoSend, float* stereoOut, float outputGain, int64_t frames) {
    const int length = int(left.size());
    for (int64_t f = 0; f < frames; ++f) {
        float echoLeft = left[position];
        float echoRight = right[position];
        // One-pole low-pass in the loop: each repeat is darker than the one before.
        toneLeft += 0.45f * (echoLeft - toneLeft);
        toneRight += 0.45f * (echoRight - toneRight);
        left[position] = monoSend[f] + toneRight * feedback;
        right[position] = toneLeft * feedback;
        if (++position == length)
            position = 0;
        stereoOut[2 * f] += echoLeft * outputGain;
        stereoOut[2 * f + 1] += echoRight * outputGain;
    }
}

void duckingGains(const std::vector<int64_t>& kickStarts, const std::vector<float>& kickVelocities,
                  float depth, int64_t first, std::vector<float>& gains) {
    // A 5 ms dip in, then an exponential recovery: the pads breathe with the kick. A new kick's
    // dip takes over from the old one's recovery where it is deeper, so the gain never jumps.
    // The shape is tabulated over the second after a kick; later it is below -90 dB.
    static const std::vector<float> shape = [] {
        const float attack = 0.005f * SAMPLE_RATE;
        const float recovery = 0.09f * SAMPLE_RATE;
        std::vector<float> table(SAMPLE_RATE);
        for (size_t i = 0; i < table.size(); ++i) {
            float since = float(i);
            table[i] = since < attack ? since / attack : std::exp(-(since - attack) / recovery);
        }
        return table;
    }();
    auto dipOf = [&](size_t kick, int64_t sample) {
        const int64_t since = sample - kickStarts[kick];
        return since < int64_t(shape.size()) ? shape[size_t(since)] * std::min(kickVelocities[kick], 1.0f)
                                             : 0.0f;
    };
    size_t next = size_t(std::upper_bound(kickStarts.begin(), kickStarts.end(), first) - kickStarts.begin());
    for (size_t i = 0; i < gains.size(); ++i) {
        const int64_t sample = first + int64_t(i);
        while (next < kickStarts.size() && kickStarts[next] <= sample)
            ++next;
        float dip = 0.0f;
        if (next >= 1)
            dip = dipOf(next - 1, sample);
        if (next >= 2)
            dip = std::max(dip, dipOf(next - 2, sample));
        gains[i] = 1.0f - depth * dip;
    }
}

} // namespace tessellune
