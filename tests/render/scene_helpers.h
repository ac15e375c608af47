// Test helpers: a pipeline with a screen camera and hand-made submissions of view-space triangles.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "render/camera.h"
#include "render/clip.h"
#include "render/light.h"
#include "render/material.h"
#include "render/pipeline.h"

namespace tessellune::testing {

// A mesh triangle on vertices a, b, c whose corners all name normal `normalIndex` (-1: the face
// normal) and texture coordinate `texcoord`.
inline PipelineFace meshTriangle(int32_t a, int32_t b, int32_t c, const Vec4& normal,
                                 const Material* material, int32_t normalIndex = -1, int32_t texcoord = 0) {
    PipelineFace face;
    face.normal = normal;
    face.cornerCount = 3;
    face.material = material;
    const int32_t corners[3] = {a, b, c};
    for (int k = 0; k < 3; ++k) {
        face.vertex[k] = corners[k];
        face.normalIndex[k] = normalIndex;
        face.texcoord[k] = texcoord;
    }
    return face;
}

// A white point light (diffuse colour 10, specular 1) with the two intensities.
inline Light makeLight(const Vec4& viewPosition, float diffuseIntensity, float specularIntensity) {
    Light light;
    light.viewPosition = viewPosition;
    light.diffuseColor = {10, 10, 10, 0};
    light.diffuseIntensity = {diffuseIntensity, 0, 0, 0};
    light.specularColor = {1, 1, 1, 0};
    light.specularIntensity = {specularIntensity, 0, 0, 0};
    return light;
}

struct PipelineFixture : ::testing::Test {
    RenderPipeline pipeline;
    Camera camera;
    Material material;
    std::string report; // what creating the pipeline printed

    void SetUp() override {
        ::testing::internal::CaptureStdout();
        ASSERT_TRUE(createPipeline(pipeline, nullptr));
        report = ::testing::internal::GetCapturedStdout();
        createCamera(camera, 640.0f, 480.0f, 640.0f / 480.0f);
        beginScene(pipeline);
    }
    void TearDown() override { destroyPipeline(pipeline); }

    // One submission of a view-space triangle with one normal and one texcoord per corner.
    int32_t submitTriangle(const Vec4& a, const Vec4& b, const Vec4& c, int32_t mask, float facing = -1.0f,
                           const Material* faceMaterial = nullptr) {
        openSubmission(pipeline);
        const int32_t v = reserveVertices(pipeline, 3);
        const int32_t n = reserveNormals(pipeline, 3);
        const int32_t t = reserveTexcoords(pipeline, 3);
        const Vec4 corners[3] = {a, b, c};
        PipelineFace face;
        for (int k = 0; k < 3; ++k) {
            pipeline.vertices[v + k].position = corners[k];
            pipeline.vertices[v + k].occlusion = 1.0f;
            pipeline.normals[n + k] = {0, 0, 1, 0};
            pipeline.texcoords[t + k] = TexCoord{static_cast<float>(k), 1.0f - k};
            face.vertex[k] = k;
            face.texcoord[k] = k;
            face.normalIndex[k] = k;
        }
        face.cornerCount = 3;
        face.material = faceMaterial != nullptr ? faceMaterial : &material;
        const int32_t stored = clipFace(pipeline, camera, face, {0, 0, 1, 0}, facing, mask, nullptr);
        commitSubmission(pipeline);
        return stored;
    }

    // Every corner of every stored face lies inside every camera plane, to rounding.
    void expectStoredCornersInside() const {
        for (int32_t f = 0; f < pipeline.faceCount; ++f) {
            for (int32_t k = 0; k < 3; ++k) {
                const Vec4 p = pipeline.vertices[pipeline.faces[f].vertex[k]].position;
                for (const ClipPlane& plane : camera.planes) {
                    EXPECT_GE(dot(p, plane.normal) + plane.distance, -1e-4f)
                        << "face " << f << " corner " << k;
                }
            }
        }
    }
};

} // namespace tessellune::testing
