// The particle field against an independent reference stream: shuffle, greys and ring rows.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include "demo/particles.h"

using namespace tessellune;

namespace {

struct Picture {
    std::vector<Vec4> pixels;
    FloatImage image;
};

// A picture with a pseudo-random pattern of coloured pixels on white.
Picture makePicture(int width, int height, int everyNth) {
    Picture p;
    p.pixels.resize(static_cast<size_t>(width) * height, Vec4{1, 1, 1, 1});
    for (size_t i = 0; i < p.pixels.size(); ++i) {
        if (i % everyNth == 0) {
            p.pixels[i] = {1.0f - 0.25f * (i % 4), 1.0f, 0.999f, 1.0f}; // every fourth white but for blue
        }
    }
    p.image = {p.pixels.data(), width, height, false};
    return p;
}

double draw(std::mt19937& rng) {
    return static_cast<double>(rng()) * 2.3283064365386963e-10;
}

} // namespace

// Only the pixels that are not white become particles (an image without pixels gives none).
TEST(Particles, PixelsAreShuffledByTheReferenceStream) {
    EXPECT_TRUE(buildParticleField(FloatImage{}).particles.empty());
    const Picture pic = makePicture(37, 23, 3);
    const ParticleField field = buildParticleField(pic.image);

    std::vector<int> nonWhite;
    for (int i = 0; i < 37 * 23; ++i) {
        if (i % 3 == 0) { // the coloured ones
            nonWhite.push_back(i);
        }
    }
    ASSERT_EQ(field.particles.size(), nonWhite.size());

    std::mt19937 rng(PARTICLE_ORDER_SEED);
    std::vector<std::pair<double, int>> order;
    for (int i = 0; i < static_cast<int>(nonWhite.size()); ++i) {
        order.push_back({draw(rng), i});
    }
    std::stable_sort(order.begin(), order.end(), [](auto& a, auto& b) { return a.first < b.first; });
    for (size_t k = 0; k < nonWhite.size(); ++k) {
        const Particle& p = field.particles[order[k].second];
        EXPECT_EQ(p.row * 37 + p.column, nonWhite[k]);
        EXPECT_EQ(p.centredColumn, p.column - 18);
        EXPECT_EQ(p.centredRow, p.row - 11);
        EXPECT_EQ(p.imageColour.x, pic.pixels[nonWhite[k]].x);
        EXPECT_EQ(p.imageColour.w, 0.0f);
        const float t = static_cast<float>(2.0 * draw(rng) - 1.0);
        const float g = (1.0f - t * 0.1f) * 0.8f;
        EXPECT_EQ(p.grey.x, g);
        EXPECT_EQ(p.grey.w, 0.0f);
        EXPECT_EQ(p.sortKey, static_cast<float>(draw(rng)));
    }
}

TEST(Particles, RingsFillFromTheLastParticleAndBreakRandomlyAfterForty) {
    const Picture pic = makePicture(64, 64, 2); // 2048 particles: many full rings
    const ParticleField field = buildParticleField(pic.image);
    const int n = static_cast<int>(field.particles.size());
    ASSERT_EQ(n, 2048);

    std::mt19937 rng(PARTICLE_RING_SEED);
    int row = 0, step = 0, visited = 0;
    for (int i = n - 1; i >= 0; --i) {
        const Particle& p = field.particles[i];
        ASSERT_EQ(p.ringRow, row) << "particle " << i;
        const double a = step * 0.049087386578321457;
        EXPECT_EQ(p.ringDirection.x, static_cast<float>(std::sin(a)));
        EXPECT_EQ(p.ringDirection.z, static_cast<float>(std::cos(a)));
        ++visited;
        ++step;
        if (step == RING_STEPS) {
            ++row;
            step = 0;
        } else if (visited > 40 && draw(rng) < 0.01) {
            ++row;
        }
    }
    // (The reference above never breaks a ring within the first forty, so they share row 0.)
    EXPECT_GT(field.particles[0].ringRow, 2048 / RING_STEPS - 1);
}
