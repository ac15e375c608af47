// MT19937 with one state shared by every generator instance.
#include "math/mersenne.h"

namespace tessellune {

namespace {

constexpr int N = MersenneTwister::STATE_WORDS;
constexpr int M = 397;
constexpr uint32_t MATRIX_A = 0x9908b0dfu;
constexpr uint32_t UPPER_MASK = 0x80000000u;
constexpr uint32_t LOWER_MASK = 0x7fffffffu;

struct SharedState {
    uint32_t words[N];
    int32_t position = N;
    bool initialised = false;
};

SharedState g_state;

void seedState(uint32_t seed) {
    g_state.words[0] = seed;
    for (int i = 1; i < N; ++i) {
        const uint32_t previous = g_state.words[i - 1];
        g_state.words[i] = 1812433253u * (previous ^ (previous >> 30)) + static_cast<uint32_t>(i);
    }
    g_state.position = N;
    g_state.initialised = true;
}

void regenerate() {
    uint32_t* w = g_state.words;
    for (int i = 0; i < N; ++i) {
        const uint32_t y = (w[i] & UPPER_MASK) | (w[(i + 1) % N] & LOWER_MASK);
        w[i] = w[(i + M) % N] ^ (y >> 1) ^ ((w[(i + 1) % N] & 1u) ? MATRIX_A : 0u);
    }
    g_state.position = 0;
}

} // namespace

MersenneTwister::MersenneTwister(uint32_t seed) {
    seedState(seed);
}

uint32_t MersenneTwister::nextInteger() {
    if (!g_state.initialised) {
        seedState(5489u); // the reference generator's default seed
    }
    if (g_state.position >= N) {
        regenerate();
    }
    uint32_t y = g_state.words[g_state.position++];
    y ^= y >> 11;
    y ^= (y << 7) & 0x9d2c5680u;
    y ^= (y << 15) & 0xefc60000u;
    y ^= y >> 18;
    return y;
}

double MersenneRandom::nextReal() {
    return static_cast<double>(nextInteger()) * 2.3283064365386963e-10;
}

} // namespace tessellune
