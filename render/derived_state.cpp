// Comparing the renderer's derived copies with their sources, for the debug and sanitizer builds.
#include "render/derived_state.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "render/face_order.h"

namespace tessellune {

namespace {

bool sameBits(const void* a, const void* b, size_t bytes) {
    return std::memcmp(a, b, bytes) == 0;
}

std::string faceLine(const char* what, int32_t index, const char* field) {
    return std::string(what) + " " + std::to_string(index) + ": " + field;
}

} // namespace

std::string staleBandFaces(const RenderPipeline& pipeline) {
    for (int32_t i = 0; i < pipeline.faceCount; ++i) {
        const PipelineFace& face = pipeline.faces[i];
        const BandFace& band = pipeline.bandFaces[i];
        if (band.cornerCount != face.cornerCount) {
            return faceLine("band record of face", i, "corner count");
        }
        if (band.material != face.material) {
            return faceLine("band record of face", i, "material");
        }
        if (!sameBits(&band.normal, &face.normal, sizeof face.normal)) {
            return faceLine("band record of face", i, "normal");
        }
        for (int32_t k = 0; k < 3 && k < face.cornerCount; ++k) {
            if (band.vertex[k] != face.vertex[k] || band.texcoord[k] != face.texcoord[k] ||
                band.normalIndex[k] != face.normalIndex[k]) {
                return faceLine("band record of face", i, "corner indices");
            }
        }
    }
    return "";
}

std::string staleFaceRows(const RenderPipeline& pipeline) {
    for (int32_t i = 0; i < pipeline.faceCount; ++i) {
        const PipelineFace& face = pipeline.faces[i];
        const FaceRows rows = faceRowsOf(pipeline, face.vertex, face.cornerCount);
        if (!sameBits(&rows, &pipeline.faceRows[i], sizeof rows)) {
            return faceLine("row span of face", i, "differs from its corners' screen rows");
        }
    }
    for (int32_t k = 0; k < pipeline.faceCount; ++k) {
        const int32_t face = pipeline.faceOrder[k];
        if (face < 0 || face >= pipeline.faceCount) {
            return faceLine("order entry", k, "names no face of the pass");
        }
        if (!sameBits(&pipeline.orderedRows[k], &pipeline.faceRows[face], sizeof(FaceRows))) {
            return faceLine("ordered row span", k, "differs from its face's row span");
        }
    }
    return "";
}

std::string stalePlaneBits(const RenderPipeline& pipeline, const Camera& camera) {
    for (int32_t v = pipeline.vertexBase; v < pipeline.planesKnownEnd; ++v) {
        if (pipeline.vertices[v].planeBits != insidePlanes(camera, pipeline.vertices[v].position)) {
            return faceLine("plane bits of vertex", v, "differ from the camera's planes");
        }
    }
    return "";
}

std::string staleMeshTriangles(const Mesh& mesh) {
    if (mesh.triangles.size() != mesh.faces.size()) {
        return ""; // not read as a copy: submission reads the faces themselves
    }
    for (size_t i = 0; i < mesh.faces.size(); ++i) {
        const PipelineFace& face = mesh.faces[i];
        const MeshTriangle& t = mesh.triangles[i];
        const auto index = static_cast<int32_t>(i);
        if (face.cornerCount != 3) {
            return faceLine("mesh triangle", index, "copies a face that is no triangle");
        }
        if (t.material != face.material || t.carried != face.carried ||
            !sameBits(&t.normal, &face.normal, sizeof face.normal)) {
            return faceLine("mesh triangle", index, "material, carried value or normal");
        }
        for (int32_t k = 0; k < 3; ++k) {
            if (t.vertex[k] != face.vertex[k] || t.texcoord[k] != face.texcoord[k] ||
                t.normalIndex[k] != face.normalIndex[k]) {
                return faceLine("mesh triangle", index, "corner indices");
            }
        }
    }
    return "";
}

void failOnStaleCopy(const std::string& what) {
    if (what.empty()) {
        return;
    }
    std::fprintf(stderr, "renderer: stale copy: %s\n", what.c_str());
    std::fflush(stderr);
    std::abort();
}

} // namespace tessellune
