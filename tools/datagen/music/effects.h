// The mix effects: a stereo room reverb, a tempo-synced ping-pong delay and the kick ducking.
//
// Conventions: sends are mono floats (one per frame); `process` adds the effect's stereo output
// into an interleaved stereo buffer, frame by frame, keeping its state between calls.
#pragma once

#include <cstdint>
#include <vector>

namespace tessellune {

// A dense room: parallel damped comb filters into series all-pass filters, per channel.
struct Reverb {
    static constexpr int COMBS = 8;
    static constexpr int ALLPASSES = 4;
    struct Line {
        std::vector<float> buffer;
        int position = 0;
        float store = 0.0f; // the comb's damping filter state
    };
    Line combs[2][COMBS];
    Line allpasses[2][ALLPASSES];
    float feedback = 0.84f;
    float damping = 0.25f;

    Reverb();
    void process(const float* monoSend, float* stereoOut, int64_t frames);
};

// Echoes that bounce between left and right, with the repeats darkening as they fade.
struct PingPongDelay {
    std::vector<float> left, right;
    int position = 0;
    float feedback = 0.42f;
    float toneLeft = 0.0f, toneRight = 0.0f;

    explicit PingPongDelay(int delayFrames);
    void process(const float* monoSend, float* stereoOut, float outputGain, int64_t frames);
};

// Gain that dips at each kick and recovers before the next beat: 1 - depth * velocity * shape.
// kickStarts must be sorted; `first` is the track sample of gains[0].
void duckingGains(const std::vector<int64_t>& kickStarts, const std::vector<float>& kickVelocities,
                  float depth, int64_t first, std::vector<float>& gains);

} // namespace tessellune
