// The pitched voices: bass, pad, arpeggio pluck and lead.
#include "tools/datagen/music/dsp.h"
#include "tools/datagen/music/voices.h"

#include <cmath>

namespace tessellune {
namespace {

// Coefficients are refreshed every this many samples: filter sweeps stay smooth, tan() stays rare.
constexpr int CONTROL_BLOCK = 16;

struct VoiceWriter {
    VoiceTarget target;
    int64_t begin = 0; // first index in the target the note may touch
    int64_t end = 0;   // one past the last
    int64_t base = 0;  // target index of the note's first sample

    VoiceWriter(VoiceTarget t, int64_t start, int64_t frames) : target(t) {
        base = start - t.origin;
        begin = base < 0 ? -base : 0;
        end = frames;
        if (base + end > t.frames)
            end = t.frames - base;
    }
    void add(int64_t i, float left, float right) {
        target.samples[2 * (base + i)] += left;
        target.samples[2 * (base + i) + 1] += right;
    }
};

float initialPhase(Noise& noise) {
    return 0.5f + 0.5f * noise.next() * 0.999f;
}

void renderBass(const NoteEvent& event, float cutoff, uint32_t seed, VoiceTarget target) {
    const Adsr adsr{0.003f, 0.15f, 0.75f, 0.04f};
    const float gate = float(event.length) / SAMPLE_RATE;
    const int64_t frames = int64_t(adsr.length(gate) * SAMPLE_RATE);
    VoiceWriter out(target, event.start, frames);
    Noise noise{seed};
    Saw saw{initialPhase(noise)};
    StateVariableFilter filter;
    const float base = cutoff > 0.0f ? cutoff : 420.0f;
    const float increment = midiToHz(float(event.pitches[0])) / SAMPLE_RATE;
    for (int64_t i = 0; i < out.end; ++i) {
        float t = float(i) / SAMPLE_RATE;
        if (i % CONTROL_BLOCK == 0)
            filter.tune(base * (1.0f + 3.5f * std::exp(-t / 0.09f)), 0.35f);
        // The sine follows the saw's own phase, in step with its fundamental (a rising saw's
        // fundamental is -sin), so the two reinforce instead of cancelling.
        float sub = -std::sin(2.0f * PI_F * saw.phase);
        filter.process(saw.next(increment));
        if (i < out.begin)
            continue;
        float value = (0.7f * filter.low + 0.6f * sub) * adsr.at(t, gate) * event.velocity * 0.4f;
        out.add(i, value, value);
    }
}

// Raw detuned saws; the mixer filters the whole pad part so the sweep is one continuous movement.
void renderPad(const NoteEvent& event, uint32_t seed, VoiceTarget target) {
    const Adsr adsr{0.2f, 1.0f, 0.85f, 0.5f};
    const float gate = float(event.length) / SAMPLE_RATE;
    const int64_t frames = int64_t(adsr.length(gate) * SAMPLE_RATE);
    VoiceWriter out(target, event.start, frames);
    Noise noise{seed};
    const float detune = std::exp2(8.0f / 1200.0f);
    Saw saws[MAX_EVENT_PITCHES][3];
    float increments[MAX_EVENT_PITCHES][3];
    for (int p = 0; p < event.pitchCount; ++p) {
        const float hz = midiToHz(float(event.pitches[p]));
        increments[p][0] = hz / detune / SAMPLE_RATE;
        increments[p][1] = hz / SAMPLE_RATE;
        increments[p][2] = hz * detune / SAMPLE_RATE;
        for (Saw& saw : saws[p])
            saw.phase = initialPhase(noise);
    }
    for (int64_t i = 0; i < out.end; ++i) {
        float left = 0.0f, right = 0.0f;
        for (int p = 0; p < event.pitchCount; ++p) {
            float a = saws[p][0].next(increments[p][0]);
            float b = saws[p][1].next(increments[p][1]);
            float c = saws[p][2].next(increments[p][2]);
            left += a + 0.6f * b;
            right += c + 0.6f * b;
        }
        if (i < out.begin)
            continue;
        float gain = adsr.at(float(i) / SAMPLE_RATE, gate) * event.velocity * 0.11f;
        out.add(i, left * gain, right * gain);
    }
}

void renderArp(const NoteEvent& event, float cutoff, uint32_t seed, VoiceTarget target) {
    const Adsr adsr{0.002f, 0.18f, 0.25f, 0.08f};
    const float gate = float(event.length) / SAMPLE_RATE;
    const int64_t frames = int64_t(adsr.length(gate) * SAMPLE_RATE);
    VoiceWriter out(target, event.start, frames);
    Noise noise{seed};
    Saw saw{initialPhase(noise)};
    Square square{initialPhase(noise)};
    StateVariableFilter filter;
    const float base = cutoff > 0.0f ? cutoff : 1600.0f;
    const float increment = midiToHz(float(event.pitches[0])) / SAMPLE_RATE;
    float left = 0.0f, right = 0.0f;
    panGains(event.stepInBar % 4 < 2 ? -0.35f : 0.35f, left, right);
    for (int64_t i = 0; i < out.end; ++i) {
        float t = float(i) / SAMPLE_RATE;
        if (i % CONTROL_BLOCK == 0)
            filter.tune(base * (1.0f + 5.0f * std::exp(-t / 0.06f)), 0.3f);
        filter.process(saw.next(increment) + 0.5f * square.next(increment));
        if (i < out.begin)
            continue;
        float value = filter.low * adsr.at(t, gate) * event.velocity * 0.3f;
        out.add(i, value * left, value * right);
    }
}

void renderLead(const NoteEvent& event, float cutoff, uint32_t seed, VoiceTarget target) {
    const Adsr adsr{0.01f, 0.4f, 0.7f, 0.18f};
    const float gate = float(event.length) / SAMPLE_RATE;
    const int64_t frames = int64_t(adsr.length(gate) * SAMPLE_RATE);
    VoiceWriter out(target, event.start, frames);
    Noise noise{seed};
    Saw left{initialPhase(noise)}, right{initialPhase(noise)};
    Square sub{initialPhase(noise)};
    StateVariableFilter filterLeft, filterRight;
    const float base = cutoff > 0.0f ? cutoff : 2600.0f;
    const float pitch = float(event.pitches[0]);
    float incLeft = 0.0f, incRight = 0.0f, incSub = 0.0f;
    for (int64_t i = 0; i < out.end; ++i) {
        float t = float(i) / SAMPLE_RATE;
        if (i % CONTROL_BLOCK == 0) {
            // Vibrato fades in after the attack, as a player would add it to a held note.
            float depth = 0.18f * std::fmin(std::fmax((t - 0.2f) / 0.4f, 0.0f), 1.0f);
            float bend = depth * std::sin(2.0f * PI_F * 5.5f * t);
            incLeft = midiToHz(pitch + bend + 0.05f) / SAMPLE_RATE;
            incRight = midiToHz(pitch + bend - 0.05f) / SAMPLE_RATE;
            incSub = midiToHz(pitch + bend - 12.0f) / SAMPLE_RATE;
            float hz = base * (1.0f + 1.5f * std::exp(-t / 0.15f));
            filterLeft.tune(hz, 0.2f);
            filterRight.tune(hz, 0.2f);
        }
        // A quiet octave below for weight; the written pitch must stay the loudest partial.
        float s = 0.15f * sub.next(incSub);
        filterLeft.process(left.next(incLeft) + s);
        filterRight.process(right.next(incRight) + s);
        if (i < out.begin)
            continue;
        float gain = adsr.at(t, gate) * event.velocity * 0.28f;
        out.add(i, filterLeft.low * gain, filterRight.low * gain);
    }
}

} // namespace

void renderTonal(Instrument instrument, const NoteEvent& event, float cutoff, uint32_t seed,
                 VoiceTarget target) {
    if (event.pitchCount <= 0 || event.length <= 0)
        return;
    switch (instrument) {
    case Instrument::Bass:
        renderBass(event, cutoff, seed, target);
        break;
    case Instrument::Pad:
        renderPad(event, seed, target);
        break;
    case Instrument::Arp:
        renderArp(event, cutoff, seed, target);
        break;
    case Instrument::Lead:
        renderLead(event, cutoff, seed, target);
        break;
    default:
        break;
    }
}

} // namespace tessellune
