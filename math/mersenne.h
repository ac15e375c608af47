// The seeded MT19937 generator: the demo's only source of randomness (the particle field).
//
// All instances share one program-wide state, so constructing a MersenneRandom with a seed
// restarts the one stream every instance draws from. Main thread only; the state is unlocked.
#pragma once

#include <cstdint>

namespace tessellune {

class MersenneTwister {
public:
    explicit MersenneTwister(uint32_t seed);
    virtual ~MersenneTwister() = default;

    // The next 32-bit MT19937 output.
    uint32_t nextInteger();

    static constexpr int STATE_WORDS = 624;
};

class MersenneRandom : public MersenneTwister {
public:
    explicit MersenneRandom(uint32_t seed) : MersenneTwister(seed) {}

    // nextInteger() * 2^-32: in [0, 1), never 1.0.
    double nextReal();
};

} // namespace tessellune
