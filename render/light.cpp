// The lighting model: one point light's diffuse and specular terms, their sum, and fastPow10.
#include "render/light.h"

#include <cmath>
#include <cstring>

#include "render/limits.h"
#include "render/pipeline.h"

namespace tessellune {

namespace {

struct SimdOps {
    static Vec4 add(const Vec4& a, const Vec4& b) { return tessellune::add(a, b); }
    static Vec4 sub(const Vec4& a, const Vec4& b) { return tessellune::sub(a, b); }
    static Vec4 scale(const Vec4& a, float s) { return tessellune::scale(a, s); }
    static float dot(const Vec4& a, const Vec4& b) { return tessellune::dot(a, b); }
    static Vec4 normalize(const Vec4& a) { return tessellune::normalize(a); }
};

struct ScalarOps {
    static Vec4 add(const Vec4& a, const Vec4& b) { return scalar::add(a, b); }
    static Vec4 sub(const Vec4& a, const Vec4& b) { return scalar::sub(a, b); }
    static Vec4 scale(const Vec4& a, float s) { return scalar::scale(a, s); }
    static float dot(const Vec4& a, const Vec4& b) { return scalar::dot(a, b); }
    static Vec4 normalize(const Vec4& a) { return scalar::normalize(a); }
};

inline float clampUnit(float v) {
    // Written so that a NaN becomes 0, not NaN.
    return v > 0.0f ? (v < 1.0f ? v : 1.0f) : 0.0f;
}

inline Vec4 divide(const Vec4& a, float d) {
    return {a.x / d, a.y / d, a.z / d, a.w / d};
}

template <typename Ops>
LightTerms term(const Light& light, const Vec4& position, const Vec4& normal) {
    LightTerms result{};
    const float diffuseIntensity = light.diffuseIntensity.x;
    if (!(diffuseIntensity > 0.0f)) {
        return result;
    }
    const Vec4 d = Ops::sub(light.viewPosition, position);
    const float dist = std::sqrt(Ops::dot(d, d));
    if (!(dist > 0.0f)) {
        return result; // a light sitting on the surface has no direction; it adds nothing
    }
    const float d2 = dist * dist;
    const Vec4 dn = divide(d, dist);
    const float t = clampUnit(Ops::dot(normal, dn));
    result.diffuse = divide(Ops::scale(Ops::scale(light.diffuseColor, t), diffuseIntensity), d2);

    const float specularIntensity = light.specularIntensity.x;
    if (!(specularIntensity > 0.0f)) {
        return result;
    }
    const Vec4 v = Ops::normalize(Ops::sub(Vec4{}, position));
    const Vec4 h = Ops::normalize(Ops::add(v, dn));
    const float p = fastPow10(clampUnit(Ops::dot(h, normal)));
    result.specular = divide(Ops::scale(Ops::scale(light.specularColor, p), specularIntensity), d2);
    return result;
}

} // namespace

float fastPow10(float s) {
    const double wide = static_cast<double>(s);
    uint64_t bits;
    std::memcpy(&bits, &wide, sizeof bits);
    const int32_t high = static_cast<int32_t>(static_cast<uint32_t>(bits >> 32));
    const double scaled =
        static_cast<double>(high - FAST_POW_BIAS) * FAST_POW_EXPONENT + static_cast<double>(FAST_POW_BIAS);
    // Below about 1e-31 (and at 0) the exponent goes negative: the true power is 0 for all purposes.
    if (!(scaled >= 0.0) || scaled >= FAST_POW_LIMIT) {
        return 0.0f;
    }
    const uint64_t resultBits = static_cast<uint64_t>(static_cast<uint32_t>(static_cast<int32_t>(scaled)))
                                << 32;
    double result;
    std::memcpy(&result, &resultBits, sizeof result);
    return static_cast<float>(result);
}

LightTerms lightTerm(const Light& light, const Vec4& position, const Vec4& normal) {
    return term<SimdOps>(light, position, normal);
}

namespace scalar {
LightTerms lightTerm(const Light& light, const Vec4& position, const Vec4& normal) {
    return term<ScalarOps>(light, position, normal);
}
} // namespace scalar

LightTerms lightSum(const RenderPipeline& pipeline, const Vec4& position, const Vec4& normal) {
    LightTerms sum{};
    for (int32_t i = 0; i < pipeline.lightCount; ++i) {
        const LightTerms t = lightTerm(*pipeline.lights[i], position, normal);
        sum.diffuse = add(sum.diffuse, t.diffuse);
        sum.specular = add(sum.specular, t.specular);
    }
    return sum;
}

namespace scalar {
LightTerms lightSum(const RenderPipeline& pipeline, const Vec4& position, const Vec4& normal) {
    LightTerms sum{};
    for (int32_t i = 0; i < pipeline.lightCount; ++i) {
        const LightTerms t = scalar::lightTerm(*pipeline.lights[i], position, normal);
        sum.diffuse = scalar::add(sum.diffuse, t.diffuse);
        sum.specular = scalar::add(sum.specular, t.specular);
    }
    return sum;
}
} // namespace scalar

} // namespace tessellune
