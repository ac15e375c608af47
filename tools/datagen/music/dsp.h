// Small signal-processing pieces the voices and effects are built from: noise, oscillators,
// a state-variable filter and envelope shapes.
//
// Conventions: mono float samples at SAMPLE_RATE, nominal range -1..1; phases run 0..1;
// frequencies in Hz; every piece is a plain record whose state starts at zero.
#pragma once

#include "tools/datagen/music/arrangement.h"

#include <cmath>
#include <cstdint>

namespace tessellune {

inline constexpr float PI_F = 3.14159265358979f;

inline float midiToHz(float midi) {
    return 440.0f * std::exp2((midi - 69.0f) / 12.0f);
}

// Mixes several values into one well-spread 32-bit seed (so nearby notes get unrelated noise).
inline uint32_t mixSeed(uint32_t a, uint64_t b, uint32_t c) {
    uint64_t x = (uint64_t(a) << 32) ^ b ^ (uint64_t(c) * 0x9E3779B97F4A7C15ull);
    x ^= x >> 33;
    x *= 0xFF51AFD7ED558CCDull;
    x ^= x >> 33;
    x *= 0xC4CEB9FE1A85EC53ull;
    x ^= x >> 33;
    return uint32_t(x) | 1u; // xorshift must not start at zero
}

// White noise from a 32-bit xorshift generator: the same seed gives the same samples everywhere.
struct Noise {
    uint32_t state = 1;
    float next() {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return float(int32_t(state)) * (1.0f / 2147483648.0f);
    }
};

// Removes most of the aliasing of a hard step in a phase-driven oscillator.
inline float polyBlep(float phase, float increment) {
    if (phase < increment) {
        float t = phase / increment;
        return t + t - t * t - 1.0f;
    }
    if (phase > 1.0f - increment) {
        float t = (phase - 1.0f) / increment;
        return t * t + t + t + 1.0f;
    }
    return 0.0f;
}

// A band-limited sawtooth oscillator.
struct Saw {
    float phase = 0.0f;
    float next(float increment) {
        float value = 2.0f * phase - 1.0f - polyBlep(phase, increment);
        phase += increment;
        if (phase >= 1.0f)
            phase -= 1.0f;
        return value;
    }
};

// A band-limited square oscillator (two offset saws).
struct Square {
    float phase = 0.0f;
    float next(float increment) {
        float second = phase + 0.5f;
        if (second >= 1.0f)
            second -= 1.0f;
        float value =
            (phase < 0.5f ? 1.0f : -1.0f) + polyBlep(phase, increment) - polyBlep(second, increment);
        phase += increment;
        if (phase >= 1.0f)
            phase -= 1.0f;
        return value;
    }
};

// Trapezoidal state-variable filter: low, band and high pass outputs from one update.
struct StateVariableFilter {
    float ic1 = 0.0f, ic2 = 0.0f;
    float a1 = 0.0f, a2 = 0.0f, a3 = 0.0f, k = 2.0f;
    float low = 0.0f, band = 0.0f, high = 0.0f;

    // resonance 0 (none) .. just below 1 (ringing)
    void tune(float cutoffHz, float resonance) {
        float limited = std::fmin(std::fmax(cutoffHz, 20.0f), SAMPLE_RATE * 0.45f);
        float g = std::tan(PI_F * limited / SAMPLE_RATE);
        k = 2.0f - 2.0f * resonance;
        a1 = 1.0f / (1.0f + g * (g + k));
        a2 = g * a1;
        a3 = g * a2;
    }
    void process(float x) {
        float v3 = x - ic2;
        float v1 = a1 * ic1 + a2 * v3;
        float v2 = ic2 + a2 * ic1 + a3 * v3;
        ic1 = 2.0f * v1 - ic1;
        ic2 = 2.0f * v2 - ic2;
        low = v2;
        band = v1;
        high = x - k * v1 - v2;
    }
};

// Attack, decay to sustain, release after the gate: the gain of a note `t` seconds after its
// start. Starts and ends at zero, so no note clicks.
struct Adsr {
    float attack = 0.005f, decay = 0.1f, sustain = 0.7f, release = 0.1f;

    float held(float t) const {
        if (t < attack)
            return t / attack;
        return sustain + (1.0f - sustain) * std::exp(-(t - attack) / decay);
    }
    float at(float t, float gate) const {
        if (t < gate)
            return held(t);
        float r = (t - gate) / release;
        // Linear-times-exponential release reaches exactly zero at 5 release times.
        return r >= 5.0f ? 0.0f : held(gate) * std::exp(-r) * (1.0f - r / 5.0f);
    }
    float length(float gate) const { return gate + 5.0f * release; }
};

// Equal-power stereo gains for a pan position -1 (left) .. 1 (right).
inline void panGains(float pan, float& left, float& right) {
    float angle = (pan + 1.0f) * 0.25f * PI_F;
    left = std::cos(angle) * 1.41421356f;
    right = std::sin(angle) * 1.41421356f;
}

} // namespace tessellune
