// Builds the particle field: shuffles the picture's non-white pixels over particles and rings.
#include "demo/particles.h"

#include <algorithm>
#include <cmath>

#include "math/mersenne.h"

namespace tessellune {

namespace {

// 2 pi / 128 with pi taken as the float 3.1415927.
constexpr double RING_ANGLE_STEP = 0.049087386578321457;

struct OrderEntry {
    int32_t index;
    double key;
};

Particle makeParticle() {
    Particle p;
    p.material.textureIndex = -1;
    p.material.shaderType = 0;
    p.material.name = "(unnamed)";
    p.material.specularExponent = 5; // never read by the colour shader; fixed so it is defined
    p.material.opacity = 1.0f;
    return p;
}

} // namespace

bool isWhite(const Vec4& pixel) {
    return pixel.x >= 1.0f && pixel.y >= 1.0f && pixel.z >= 1.0f;
}

ParticleField buildParticleField(const FloatImage& picture) {
    ParticleField field;
    const int64_t pixelCount = static_cast<int64_t>(picture.width) * picture.height;
    if (picture.pixels == nullptr || pixelCount <= 0) {
        return field;
    }

    int32_t count = 0;
    for (int64_t i = 0; i < pixelCount; ++i) {
        count += isWhite(picture.pixels[i]) ? 0 : 1;
    }
    field.particles.assign(static_cast<size_t>(count), makeParticle());

    MersenneRandom random(PARTICLE_ORDER_SEED);
    std::vector<OrderEntry> order(static_cast<size_t>(count));
    for (int32_t i = 0; i < count; ++i) {
        order[static_cast<size_t>(i)] = {i, random.nextReal()};
    }
    // Stable, so that even equal keys give the same field on every run.
    std::stable_sort(order.begin(), order.end(),
                     [](const OrderEntry& a, const OrderEntry& b) { return a.key < b.key; });

    int32_t k = 0;
    for (int32_t y = 0; y < picture.height; ++y) {
        for (int32_t x = 0; x < picture.width; ++x) {
            const Vec4& pixel = picture.pixels[static_cast<int64_t>(y) * picture.width + x];
            if (isWhite(pixel)) {
                continue;
            }
            Particle& p = field.particles[static_cast<size_t>(order[static_cast<size_t>(k++)].index)];
            p.column = x;
            p.row = y;
            p.centredColumn = x - picture.width / 2;
            p.centredRow = y - picture.height / 2;
            p.imageColour = {pixel.x, pixel.y, pixel.z, 0.0f};
            const float t = static_cast<float>(2.0 * random.nextReal() - 1.0);
            const float g = (1.0f - t * 0.1f) * 0.8f;
            p.grey = {g, g, g, 0.0f};
            p.sortKey = static_cast<float>(random.nextReal());
        }
    }

    MersenneRandom ringRandom(PARTICLE_RING_SEED);
    int32_t ringRow = 0;
    int32_t step = 0;
    int32_t visited = 0;
    for (int32_t i = count - 1; i >= 0; --i) {
        Particle& p = field.particles[static_cast<size_t>(i)];
        p.ringRow = ringRow;
        const double a = step * RING_ANGLE_STEP;
        p.ringDirection = {static_cast<float>(std::sin(a)), 0.0f, static_cast<float>(std::cos(a)), 0.0f};
        ++visited;
        ++step;
        if (step == RING_STEPS) {
            ++ringRow;
            step = 0;
        } else if (visited > 40 && ringRandom.nextReal() < 0.01) {
            ++ringRow;
        }
    }
    return field;
}

} // namespace tessellune
