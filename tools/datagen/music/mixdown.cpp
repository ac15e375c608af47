// The mixer: renders each part into its own buffer, applies its level and filter ramps, sends it
// to the drum or (ducked) music bus and to the effects, then sums everything into the master.
#include "tools/datagen/music/mixdown.h"

#include "tools/datagen/music/dsp.h"
#include "tools/datagen/music/effects.h"
#include "tools/datagen/music/voices.h"

#include <algorithm>
#include <cmath>

namespace tessellune {
namespace {

struct Sends {
    bool music; // through the ducked music bus, else the drum bus
    float reverb;
    float delay;
};

Sends sendsFor(Instrument instrument) {
    switch (instrument) {
    case Instrument::Snare:
        return {false, 0.30f, 0.0f};
    case Instrument::Clap:
        return {false, 0.35f, 0.0f};
    case Instrument::Hat:
        return {false, 0.06f, 0.0f};
    case Instrument::OpenHat:
        return {false, 0.10f, 0.0f};
    case Instrument::Crash:
        return {false, 0.30f, 0.0f};
    case Instrument::Riser:
        return {false, 0.30f, 0.0f};
    case Instrument::Bass:
        return {true, 0.0f, 0.0f};
    case Instrument::Pad:
        return {true, 0.45f, 0.0f};
    case Instrument::Arp:
        return {true, 0.30f, 0.35f};
    case Instrument::Lead:
        return {true, 0.25f, 0.30f};
    default:
        return {false, 0.0f, 0.0f};
    }
}

float rampAt(const Ramp& ramp, float t) {
    return ramp.from + (ramp.to - ramp.from) * t;
}

// Cutoffs move exponentially, which sounds even across the octaves.
float cutoffAt(const Ramp& ramp, float t) {
    if (ramp.from <= 0.0f || ramp.to <= 0.0f)
        return ramp.from > 0.0f ? ramp.from : ramp.to;
    return ramp.from * std::pow(ramp.to / ramp.from, t);
}

float spanFraction(const PartSpan& span, int64_t sample) {
    if (span.end <= span.start)
        return 1.0f;
    float t = float(sample - span.start) / float(span.end - span.start);
    return std::clamp(t, 0.0f, 1.0f);
}

// Renders one part from its first sample up to `until` into part (origin span.start).
void renderPart(const Score& score, const PartSpan& span, int64_t until, std::vector<float>& part) {
    const int64_t frames = std::max<int64_t>(until - span.start, 0);
    part.assign(size_t(2 * frames), 0.0f);
    VoiceTarget target{part.data(), span.start, frames};
    for (const NoteEvent& event : span.events) {
        if (event.start >= until)
            break;
        const uint32_t seed = mixSeed(score.seed, uint64_t(event.start),
                                      uint32_t(span.instrument) * 131u + uint32_t(event.pitches[0]));
        if (span.instrument == Instrument::Riser) {
            renderRiser(event, span.cutoff.from, span.cutoff.to, seed, target);
        } else if (span.instrument >= Instrument::Bass) {
            float cutoff = cutoffAt(span.cutoff, spanFraction(span, event.start));
            renderTonal(span.instrument, event, cutoff, seed, target);
        } else {
            renderDrum(span.instrument, event, seed, target);
        }
    }
    // Pads are filtered as one: the sweep and a slow wobble run across the chord changes.
    if (span.instrument == Instrument::Pad) {
        StateVariableFilter left, right;
        for (int64_t f = 0; f < frames; ++f) {
            const int64_t sample = span.start + f;
            if (f % 16 == 0) {
                float base =
                    span.cutoff.from > 0.0f ? cutoffAt(span.cutoff, spanFraction(span, sample)) : 2000.0f;
                float wobble = 1.0f + 0.3f * std::sin(2.0f * PI_F * 0.11f * float(sample) / SAMPLE_RATE);
                left.tune(base * wobble, 0.25f);
                right.tune(base * wobble * 1.03f, 0.25f);
            }
            left.process(part[2 * f]);
            right.process(part[2 * f + 1]);
            part[2 * f] = left.low;
            part[2 * f + 1] = right.low;
        }
    }
    for (int64_t f = 0; f < frames; ++f) {
        const float level = rampAt(span.level, spanFraction(span, span.start + f));
        part[2 * f] *= level;
        part[2 * f + 1] *= level;
    }
}

} // namespace

void mixScore(const Score& score, const MixRequest& request, std::vector<float>& mix) {
    const Arrangement arrangement = arrangeScore(score);
    const int64_t first = std::clamp<int64_t>(request.firstFrame, 0, arrangement.totalSamples);
    const int64_t last = request.frameCount < 0
                             ? arrangement.totalSamples
                             : std::min(arrangement.totalSamples, first + request.frameCount);
    const int64_t frames = last - first;
    mix.assign(size_t(2 * frames), 0.0f);
    if (frames <= 0)
        return;
    // The drum bus becomes the master at the end; the effect sends are mono.
    std::vector<float>& drums = mix;
    std::vector<float> music(mix.size(), 0.0f);
    std::vector<float> reverbSend(size_t(frames), 0.0f), delaySend(size_t(frames), 0.0f);
    std::vector<int64_t> kickStarts;
    std::vector<float> kickVelocities;
    std::vector<float> part;

    size_t done = 0;
    for (const PartSpan& span : arrangement.parts) {
        ++done;
        if (span.instrument == Instrument::Kick) {
            for (const NoteEvent& event : span.events) {
                kickStarts.push_back(event.start);
                kickVelocities.push_back(event.velocity);
            }
        }
        if (!(request.instruments & (1u << unsigned(span.instrument))))
            continue;
        if (span.start >= last || span.end + MAX_VOICE_TAIL <= first)
            continue;
        renderPart(score, span, std::min(last, span.end + MAX_VOICE_TAIL), part);
        const Sends sends = sendsFor(span.instrument);
        std::vector<float>& bus = sends.music ? music : drums;
        const int64_t from = std::max(first, span.start);
        const int64_t to = std::min(last, span.start + int64_t(part.size() / 2));
        for (int64_t sample = from; sample < to; ++sample) {
            const size_t in = size_t(2 * (sample - span.start));
            const size_t out = size_t(2 * (sample - first));
            bus[out] += part[in];
            bus[out + 1] += part[in + 1];
            const float mono = 0.5f * (part[in] + part[in + 1]);
            reverbSend[size_t(sample - first)] += mono * sends.reverb;
            delaySend[size_t(sample - first)] += mono * sends.delay;
        }
        if (request.progress != nullptr)
            request.progress(0.9 * double(done) / double(arrangement.parts.size()), request.user);
    }

    // The echoes duck with the music they repeat; the reverb's tail stays undisturbed.
    PingPongDelay delay(int(std::lround(3.0 * arrangement.samplesPerStep)));
    delay.process(delaySend.data(), music.data(), 0.8f, frames);
    delaySend = std::vector<float>();
    Reverb reverb;
    reverb.process(reverbSend.data(), drums.data(), frames);
    reverbSend = std::vector<float>();

    std::sort(kickStarts.begin(), kickStarts.end());
    std::vector<float> duck(size_t(frames), 1.0f);
    duckingGains(kickStarts, kickVelocities, score.duck, first, duck);

    // The track opens and closes on exact silence whatever the score does at its edges.
    const int64_t fadeIn = SAMPLE_RATE / 200, fadeOut = SAMPLE_RATE / 10;
    for (int64_t f = 0; f < frames; ++f) {
        const int64_t sample = first + f;
        float edge = 1.0f;
        if (sample < fadeIn)
            edge = float(sample) / float(fadeIn);
        if (arrangement.totalSamples - 1 - sample < fadeOut)
            edge = std::min(edge, float(arrangement.totalSamples - 1 - sample) / float(fadeOut));
        for (int side = 0; side < 2; ++side) {
            const size_t i = size_t(2 * f + side);
            mix[i] = (drums[i] + duck[size_t(f)] * music[i]) * edge;
        }
    }
    if (request.progress != nullptr)
        request.progress(1.0, request.user);
}

float peakOf(const std::vector<float>& mix) {
    float peak = 0.0f;
    for (float value : mix)
        peak = std::max(peak, std::fabs(value));
    return peak;
}

void saturate(std::vector<float>& mix, float drive) {
    const float peak = peakOf(mix);
    if (peak <= 0.0f || drive <= 0.0f)
        return;
    const float scale = 1.0f / peak, norm = 1.0f / std::tanh(drive);
    for (float& value : mix)
        value = std::tanh(drive * value * scale) * norm;
}

float normaliseToPcm16(const std::vector<float>& mix, float targetDbfs, std::vector<int16_t>& pcm) {
    const float peak = peakOf(mix);
    const float gain = peak > 0.0f ? std::pow(10.0f, targetDbfs / 20.0f) / peak : 1.0f;
    pcm.resize(mix.size());
    for (size_t i = 0; i < mix.size(); ++i) {
        float scaled = std::clamp(mix[i] * gain * 32767.0f, -32767.0f, 32767.0f);
        pcm[i] = int16_t(std::lrint(scaled));
    }
    return gain;
}

} // namespace tessellune
