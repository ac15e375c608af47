// Drawing the benchmark's pass with llvmpipe: OSMesa context, client arrays, fixed-function state.
#include "llvmpipe_peer.h"

#include <GL/osmesa.h>

#include <malloc.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "render/image.h"
#include "render/material.h"

namespace tessellune::bench {

namespace {

constexpr int32_t FLOATS_PER_CORNER = 10; // position 3, normal 3, colour 4
constexpr GLint DEPTH_BITS = 24;

void appendCorner(PeerContext& peer, const RenderPipeline& pipeline, const PipelineFace& face, int32_t k) {
    const PipelineVertex& v = pipeline.vertices[face.vertex[k]];
    const int32_t n = face.normalIndex[k];
    const Vec4 normal =
        n >= 0 ? Vec4{pipeline.normals[n].nx, pipeline.normals[n].ny, pipeline.normals[n].nz, 0.0f}
               : face.normal;
    const Material& m = *face.material;
    const float occlusion = m.shaderType == Baked ? v.occlusion : 1.0f;
    const float values[FLOATS_PER_CORNER] = {v.position.x,
                                             v.position.y,
                                             v.position.z,
                                             normal.x,
                                             normal.y,
                                             normal.z,
                                             m.ambient.x * occlusion,
                                             m.ambient.y * occlusion,
                                             m.ambient.z * occlusion,
                                             1.0f};
    peer.arrays.insert(peer.arrays.end(), values, values + FLOATS_PER_CORNER);
    ++peer.corners;
}

// llvmpipe copies the client arrays into a new buffer for every draw. Above glibc's sliding mmap
// threshold each copy is a fresh mapping, faulted in page by page, and whether a pass's copy lies
// above it depends on what the process happened to free before: the first case of a run took 3 to
// 5 times as long as the same pass after another case. A fixed threshold above any pass (a full
// pass is 12 MB of corners), and no trimming, keep every copy on the heap whatever the case order.
constexpr int PEER_MMAP_THRESHOLD = 32 * 1024 * 1024; // the largest glibc accepts on 64-bit
constexpr int PEER_TRIM_THRESHOLD = 256 * 1024 * 1024;

void keepPeerCopiesOnTheHeap() {
#if defined(__GLIBC__)
    if (mallopt(M_MMAP_THRESHOLD, PEER_MMAP_THRESHOLD) == 0 ||
        mallopt(M_TRIM_THRESHOLD, PEER_TRIM_THRESHOLD) == 0) {
        std::printf(
            "llvmpipe peer: the allocator kept its own thresholds; its times may depend on the case order\n");
    }
#endif
}

} // namespace

bool createPeer(PeerContext& peer, int32_t threads) {
    keepPeerCopiesOnTheHeap();
    // llvmpipe reads its thread count when the first context is made.
    const std::string count = std::to_string(threads);
    setenv("LP_NUM_THREADS", count.c_str(), 1);
    peer.threads = threads;
    OSMesaContext context = OSMesaCreateContextExt(OSMESA_RGBA, DEPTH_BITS, 0, 0, nullptr);
    if (context == nullptr) {
        return false;
    }
    peer.context = context;
    peer.rgba.assign(static_cast<size_t>(FRAME_WIDTH) * FRAME_HEIGHT * 4, 0);
    if (!OSMesaMakeCurrent(context, peer.rgba.data(), GL_UNSIGNED_BYTE, FRAME_WIDTH, FRAME_HEIGHT)) {
        destroyPeer(peer);
        return false;
    }
    OSMesaPixelStore(OSMESA_Y_UP, 0); // row 0 at the top, as ours
    glViewport(0, 0, FRAME_WIDTH, FRAME_HEIGHT);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LESS);
    glDisable(GL_CULL_FACE); // the pass holds only faces that survived our own culling
    glShadeModel(GL_SMOOTH);
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    return true;
}

void destroyPeer(PeerContext& peer) {
    if (peer.context != nullptr) {
        OSMesaDestroyContext(static_cast<OSMesaContext>(peer.context));
        peer.context = nullptr;
    }
}

void loadPeerPass(PeerContext& peer, const RenderPipeline& pipeline, const float projection[16]) {
    peer.arrays.clear();
    peer.corners = 0;
    peer.lit = false;
    for (int32_t i = 0; i < pipeline.faceCount; ++i) {
        const PipelineFace& face = pipeline.faces[i];
        if (face.cornerCount < 3 || face.material == nullptr || face.material->shaderType == Hidden) {
            continue;
        }
        peer.lit =
            peer.lit || face.material->shaderType == VertexLit || face.material->shaderType == PixelLit;
        for (int32_t k = 1; k + 1 < face.cornerCount; ++k) { // a clipped polygon as a fan
            appendCorner(peer, pipeline, face, 0);
            appendCorner(peer, pipeline, face, k);
            appendCorner(peer, pipeline, face, k + 1);
        }
    }
    // Row vectors in row-major order are GL's column vectors in column-major order: the same floats.
    glMatrixMode(GL_PROJECTION);
    glLoadMatrixf(projection);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    if (peer.lit) {
        glEnable(GL_LIGHTING);
        glEnable(GL_NORMALIZE);
        glEnable(GL_COLOR_MATERIAL);
        glColorMaterial(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE);
        const GLfloat ambient[4] = {1.0f, 1.0f, 1.0f, 1.0f};
        glLightModelfv(GL_LIGHT_MODEL_AMBIENT, ambient);
        for (int32_t l = 0; l < pipeline.lightCount && l < 8; ++l) {
            const Light& light = *pipeline.lights[l];
            const GLenum id = GL_LIGHT0 + static_cast<GLenum>(l);
            const float s = light.diffuseIntensity.x;
            const GLfloat diffuse[4] = {light.diffuseColor.x * s, light.diffuseColor.y * s,
                                        light.diffuseColor.z * s, 1.0f};
            const GLfloat position[4] = {light.viewPosition.x, light.viewPosition.y, light.viewPosition.z,
                                         1.0f};
            const GLfloat none[4] = {0.0f, 0.0f, 0.0f, 1.0f};
            glEnable(id);
            glLightfv(id, GL_DIFFUSE, diffuse);
            glLightfv(id, GL_AMBIENT, none);
            glLightfv(id, GL_SPECULAR, none);
            glLightfv(id, GL_POSITION, position);
            glLightf(id, GL_CONSTANT_ATTENUATION, 0.0f);
            glLightf(id, GL_QUADRATIC_ATTENUATION, 1.0f);
        }
    } else {
        glDisable(GL_LIGHTING);
    }
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_NORMAL_ARRAY);
    glEnableClientState(GL_COLOR_ARRAY);
    const GLsizei stride = FLOATS_PER_CORNER * sizeof(float);
    glVertexPointer(3, GL_FLOAT, stride, peer.arrays.data());
    glNormalPointer(GL_FLOAT, stride, peer.arrays.data() + 3);
    glColorPointer(4, GL_FLOAT, stride, peer.arrays.data() + 6);
}

double drawPeerFrame(PeerContext& peer) {
    const auto begin = std::chrono::steady_clock::now();
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glDrawArrays(GL_TRIANGLES, 0, peer.corners);
    glFinish();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - begin).count();
}

} // namespace tessellune::bench
