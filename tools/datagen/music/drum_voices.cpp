// The percussion voices: kick, snare, clap, hats, crash and the noise riser.
#include "tools/datagen/music/dsp.h"
#include "tools/datagen/music/voices.h"

#include <cmath>

namespace tessellune {
namespace {

void addFrame(VoiceTarget& target, int64_t trackSample, float left, float right) {
    int64_t index = trackSample - target.origin;
    if (index < 0 || index >= target.frames)
        return;
    target.samples[2 * index] += left;
    target.samples[2 * index + 1] += right;
}

// Short linear fades at both ends of a fixed-length sound so it starts and stops at zero.
float edgeFade(float t, float duration, float fadeIn, float fadeOut) {
    float in = t < fadeIn ? t / fadeIn : 1.0f;
    float remaining = duration - t;
    float out = remaining < fadeOut ? std::fmax(remaining, 0.0f) / fadeOut : 1.0f;
    return in * out;
}

void renderKick(const NoteEvent& event, uint32_t seed, VoiceTarget target) {
    // Shorter than a beat, so at 135 bpm one kick has ended when the next one starts.
    const float duration = 0.40f;
    const int64_t frames = int64_t(duration * SAMPLE_RATE);
    Noise noise{seed};
    StateVariableFilter click;
    click.tune(3000.0f, 0.1f);
    float phase = 0.0f;
    const float drive = 1.8f, norm = 1.0f / std::tanh(drive);
    for (int64_t i = 0; i < frames; ++i) {
        float t = float(i) / SAMPLE_RATE;
        float hz = 46.0f + 110.0f * std::exp(-t / 0.032f) + 260.0f * std::exp(-t / 0.004f);
        phase += hz / SAMPLE_RATE;
        phase -= std::floor(phase);
        click.process(noise.next());
        float body = std::sin(2.0f * PI_F * phase) * std::exp(-t / 0.17f);
        float value = body + 0.35f * click.band * std::exp(-t / 0.003f);
        // The fade-in counts the first sample as already sounding, so the onset is the note's
        // very first sample: the kick lands exactly on the beat.
        value = std::tanh(drive * value) * norm * edgeFade(t + 1.0f / SAMPLE_RATE, duration, 0.0006f, 0.04f);
        value *= event.velocity * 0.72f;
        addFrame(target, event.start + i, value, value);
    }
}

void renderSnare(const NoteEvent& event, uint32_t seed, VoiceTarget target) {
    const float duration = 0.34f;
    const int64_t frames = int64_t(duration * SAMPLE_RATE);
    Noise noise{seed};
    StateVariableFilter bright, crisp;
    bright.tune(3200.0f, 0.25f);
    crisp.tune(1800.0f, 0.0f);
    float phase = 0.0f;
    for (int64_t i = 0; i < frames; ++i) {
        float t = float(i) / SAMPLE_RATE;
        phase += (175.0f + 70.0f * std::exp(-t / 0.012f)) / SAMPLE_RATE;
        phase -= std::floor(phase);
        float n = noise.next();
        bright.process(n);
        crisp.process(n);
        float tone = 0.55f * std::sin(2.0f * PI_F * phase) * std::exp(-t / 0.05f);
        float rattle = (0.8f * bright.band + 0.5f * crisp.high) * std::exp(-t / 0.10f);
        float value = (tone + rattle) * edgeFade(t, duration, 0.001f, 0.03f) * event.velocity * 0.7f;
        addFrame(target, event.start + i, value, value);
    }
}

void renderClap(const NoteEvent& event, uint32_t seed, VoiceTarget target) {
    const float duration = 0.38f;
    const int64_t frames = int64_t(duration * SAMPLE_RATE);
    Noise noise{seed};
    StateVariableFilter body;
    body.tune(1250.0f, 0.45f);
    const float bursts[3] = {0.0f, 0.010f, 0.021f};
    for (int64_t i = 0; i < frames; ++i) {
        float t = float(i) / SAMPLE_RATE;
        body.process(noise.next());
        float gain = 0.0f;
        for (float burst : bursts)
            if (t >= burst)
                gain += std::exp(-(t - burst) / 0.005f);
        if (t >= 0.03f)
            gain += 0.8f * std::exp(-(t - 0.03f) / 0.12f);
        float value = body.band * gain * edgeFade(t, duration, 0.0008f, 0.03f) * event.velocity * 1.3f;
        // A touch wider than centre: the right side a little later.
        addFrame(target, event.start + i, value, 0.0f);
        addFrame(target, event.start + i + 30, 0.0f, value);
    }
}

void renderHat(const NoteEvent& event, bool open, uint32_t seed, VoiceTarget target) {
    const float duration = open ? 0.7f : 0.16f;
    const float decay = open ? 0.2f : 0.035f;
    const int64_t frames = int64_t(duration * SAMPLE_RATE);
    Noise noise{seed};
    StateVariableFilter hiss, sheen;
    hiss.tune(7500.0f, 0.0f);
    sheen.tune(10500.0f, 0.35f);
    // The off-beat eighths lead the groove, the sixteenths between them sit back.
    const float groove = event.stepInBar % 4 == 2 ? 1.0f : event.stepInBar % 2 == 1 ? 0.6f : 0.8f;
    float left = 0.0f, right = 0.0f;
    panGains(open ? -0.3f : 0.3f, left, right);
    for (int64_t i = 0; i < frames; ++i) {
        float t = float(i) / SAMPLE_RATE;
        float n = noise.next();
        hiss.process(n);
        sheen.process(n);
        float value = (0.6f * hiss.high + 0.5f * sheen.band) * std::exp(-t / decay);
        value *= edgeFade(t, duration, 0.0005f, 0.02f) * event.velocity * groove * 0.45f;
        addFrame(target, event.start + i, value * left, value * right);
    }
}

void renderCrash(const NoteEvent& event, uint32_t seed, VoiceTarget target) {
    const float duration = 1.9f;
    const int64_t frames = int64_t(duration * SAMPLE_RATE);
    Noise noiseLeft{seed}, noiseRight{mixSeed(seed, 1, 2)};
    StateVariableFilter left, right;
    left.tune(5200.0f, 0.2f);
    right.tune(5600.0f, 0.2f);
    for (int64_t i = 0; i < frames; ++i) {
        float t = float(i) / SAMPLE_RATE;
        left.process(noiseLeft.next());
        right.process(noiseRight.next());
        float gain = (0.25f * std::exp(-t / 0.08f) + 0.3f * std::exp(-t / 0.7f)) *
                     edgeFade(t, duration, 0.001f, 0.2f) * event.velocity;
        addFrame(target, event.start + i, (left.high + 0.6f * left.band) * gain,
                 (right.high + 0.6f * right.band) * gain);
    }
}

} // namespace

void renderRiser(const NoteEvent& event, float cutoffFrom, float cutoffTo, uint32_t seed,
                 VoiceTarget target) {
    const float duration = float(event.length) / SAMPLE_RATE;
    if (duration <= 0.0f)
        return;
    Noise noiseLeft{seed}, noiseRight{mixSeed(seed, 3, 4)};
    StateVariableFilter left, right;
    const float from = cutoffFrom > 0.0f ? cutoffFrom : 300.0f;
    const float to = cutoffTo > 0.0f ? cutoffTo : 9000.0f;
    for (int64_t i = 0; i < event.length; ++i) {
        float t = float(i) / SAMPLE_RATE;
        if (i % 32 == 0) {
            float hz = from * std::pow(to / from, t / duration);
            left.tune(hz, 0.55f);
            right.tune(hz * 1.07f, 0.55f);
        }
        left.process(noiseLeft.next());
        right.process(noiseRight.next());
        // Swells towards the end, then stops short within 15 ms at the drop.
        float gain = 0.12f + 0.5f * (t / duration) * (t / duration);
        gain *= edgeFade(t, duration, 0.02f, 0.015f) * event.velocity;
        addFrame(target, event.start + i, left.band * gain, right.band * gain);
    }
}

void renderDrum(Instrument instrument, const NoteEvent& event, uint32_t seed, VoiceTarget target) {
    switch (instrument) {
    case Instrument::Kick:
        renderKick(event, seed, target);
        break;
    case Instrument::Snare:
        renderSnare(event, seed, target);
        break;
    case Instrument::Clap:
        renderClap(event, seed, target);
        break;
    case Instrument::Hat:
        renderHat(event, false, seed, target);
        break;
    case Instrument::OpenHat:
        renderHat(event, true, seed, target);
        break;
    case Instrument::Crash:
        renderCrash(event, seed, target);
        break;
    default:
        break;
    }
}

} // namespace tessellune
