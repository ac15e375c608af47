// A loaded mesh: vertices, file normals and texture coordinates, triangles, materials, placement.
//
// Conventions: model space as the file gives it. Box corner i takes max x when bit 0 of i is set,
// max y with bit 1, max z with bit 2. Every face is a triangle with mesh-local indices.
#pragma once

#include <cstdint>
#include <deque>
#include <vector>

#include "math/matrix4.h"
#include "render/material.h"
#include "render/pipeline_records.h"

namespace tessellune {

struct alignas(16) MeshVertex {
    Vec4 position; // x, y, z, 1
    Vec4 normal;   // computed vertex normal, w = 0
    Vec4 zero;     // set to 0 by the loader
    float extra0 = 0.0f;
    float extra1 = 0.0f;
    float occlusion = 0.0f; // written by the occlusion bake, copied into the pipeline
    float extra3 = 0.0f;
};

static_assert(sizeof(MeshVertex) == 64);

// A triangle of a mesh as the submission reads it: one cache line where its face record spans four.
// Submitting a mesh streams every face once a frame, and the four lines a record took were most of
// the submission's time. The fields mean what the face record's do, corner count 3.
struct alignas(64) MeshTriangle {
    Vec4 normal;
    int32_t vertex[3] = {};
    int32_t texcoord[3] = {};
    int32_t normalIndex[3] = {};
    int32_t carried = 0;
    const Material* material = nullptr;
};

static_assert(sizeof(MeshTriangle) == 64);

struct alignas(16) Mesh {
    Vec4 boxCorners[8];
    Vec4 transformedBoxCorners[8];
    std::vector<MeshVertex> vertices;
    std::vector<Vec4> normals;       // the file's "vn" lines, w = 0
    std::vector<TexCoord> texcoords; // entry 0 is (0, 0); file "vt" k is entry k
    std::vector<PipelineFace> faces;
    // The faces again as MeshTriangle records, in the same order, made by indexMeshTriangles once
    // the faces are final. Submission reads the records themselves while the two differ in count.
    std::vector<MeshTriangle> triangles;
    float scale = 1.0f;
    Matrix4 rotation;
    Matrix4 translation;
    Matrix4 world;
    std::deque<Material> materials; // a deque: faces hold pointers, so records never move
    Material defaultMaterial;
};

} // namespace tessellune
