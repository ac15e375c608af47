// "render MODEL.obj --out FILE.png [--size WxH] [--shader N] [--yaw RADIANS]": a preview of one
// mesh through the real pipeline (submission, clipping, ordering, bands on the worker pool,
// resolve), framed by its bounding box and lit from beside the eye, written as an RGB PNG.

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "assets/obj_loader.h"
#include "assets/texture_store.h"
#include "commands.h"
#include "render/band.h"
#include "render/clip.h"
#include "render/image.h"
#include "render/mesh_framing.h"
#include "render/mesh_normals.h"
#include "render/resolve.h"
#include "render/submit.h"
#include "tools/common/png_writer.h"
#include "workers/band_dispatch.h"

namespace tessellune::inspect {

namespace {

constexpr const char* RENDER_USAGE =
    "usage: tessellune-inspect render MODEL.obj --out FILE.png [--size WxH] [--shader N] [--yaw RADIANS]\n";
constexpr float PREVIEW_FILL = 0.8f;       // the model's largest extent covers this much of the height
constexpr int32_t MAX_PREVIEW_SIDE = 2048; // the rasterizer's exact range

struct RenderOptions {
    std::string model;
    std::string out;
    int32_t width = 640;
    int32_t height = 480;
    bool shaderGiven = false;
    int32_t shader = VertexLit;
    float yaw = 0.0f;
};

bool parseInt(const char* text, int32_t& value) {
    char* end = nullptr;
    const long parsed = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || parsed < -1000000 || parsed > 1000000) {
        return false;
    }
    value = static_cast<int32_t>(parsed);
    return true;
}

bool parseOptions(int argc, char** argv, RenderOptions& options) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--out" && hasValue) {
            options.out = argv[++i];
        } else if (arg == "--size" && hasValue) {
            const std::string size = argv[++i];
            const size_t x = size.find('x');
            if (x == std::string::npos || !parseInt(size.substr(0, x).c_str(), options.width) ||
                !parseInt(size.substr(x + 1).c_str(), options.height)) {
                std::fprintf(stderr, "--size wants WIDTHxHEIGHT, got %s\n", size.c_str());
                return false;
            }
        } else if (arg == "--shader" && hasValue) {
            if (!parseInt(argv[++i], options.shader)) {
                std::fprintf(stderr, "--shader wants a number\n");
                return false;
            }
            options.shaderGiven = true;
        } else if (arg == "--yaw" && hasValue) {
            char* end = nullptr;
            options.yaw = std::strtof(argv[++i], &end);
            if (end == argv[i] || *end != '\0') {
                std::fprintf(stderr, "--yaw wants radians\n");
                return false;
            }
        } else if (options.model.empty() && arg.rfind("--", 0) != 0) {
            options.model = arg;
        } else {
            std::fprintf(stderr, "unexpected argument: %s\n", arg.c_str());
            return false;
        }
    }
    if (options.model.empty() || options.out.empty()) {
        return false;
    }
    if (options.width <= 0 || options.height <= 0 || options.width % 8 != 0 || options.height % 8 != 0 ||
        options.width > MAX_PREVIEW_SIDE || options.height > MAX_PREVIEW_SIDE) {
        std::fprintf(stderr, "--size: width and height must be multiples of 8 from 8 to %d\n",
                     MAX_PREVIEW_SIDE);
        return false;
    }
    const int32_t known[] = {Baked, Hidden, PixelLit, VertexLit, VertexLitNoDepth};
    bool shaderKnown = false;
    for (int32_t type : known) {
        shaderKnown = shaderKnown || options.shader == type;
    }
    if (!shaderKnown) {
        std::fprintf(stderr, "--shader: one of -1, 1, 4, 5, 55\n");
        return false;
    }
    return true;
}

// Colours a preview can show: files often give only Kd while the renderer reads Ka; nothing is
// baked here, so every vertex is fully open.
void prepareForPreview(Mesh& mesh, const RenderOptions& options) {
    useVertexNormalsAsCornerNormals(mesh);
    for (MeshVertex& v : mesh.vertices) {
        v.occlusion = 1.0f;
    }
    auto prepare = [&](Material& m) {
        if (options.shaderGiven) {
            m.shaderType = options.shader;
        } else if (m.shaderType != Baked || m.textureIndex < 1) {
            m.shaderType = VertexLit; // untextured file materials would otherwise draw black
        }
        if (m.ambient.x == 0.0f && m.ambient.y == 0.0f && m.ambient.z == 0.0f) {
            m.ambient = m.diffuse;
        }
        if (m.ambient.x == 0.0f && m.ambient.y == 0.0f && m.ambient.z == 0.0f) {
            m.ambient = {0.7f, 0.7f, 0.7f, 1.0f};
        }
        m.ambient.w = 1.0f;
    };
    for (Material& m : mesh.materials) {
        prepare(m);
    }
    prepare(mesh.defaultMaterial);
}

// An opaque PNG of 0xAARRGGBB pixels (the preview is drawn on black).
bool writePng(const std::string& path, const std::vector<uint32_t>& pixels, int32_t width, int32_t height) {
    std::string error;
    return tools::writePngRgba(path, width, height,
                               tools::rgbaFromXrgb(pixels.data(), width, height, width * 4), error);
}

struct PreviewResources {
    RenderPipeline pipeline;
    WorkerPool pool;
    FloatImage colour;
    DepthImage depth;
    ~PreviewResources() {
        destroyWorkerPool(pool);
        releaseFloatImage(colour);
        releaseDepthImage(depth);
        destroyPipeline(pipeline);
    }
};

} // namespace

int runRenderCommand(int argc, char** argv) {
    RenderOptions options;
    if (!parseOptions(argc, argv, options)) {
        std::fprintf(stderr, "%s", RENDER_USAGE);
        return 2;
    }
    const size_t slash = options.model.find_last_of('/');
    const std::string directory =
        slash == std::string::npos ? std::string() : options.model.substr(0, slash + 1);
    const std::string fileName = slash == std::string::npos ? options.model : options.model.substr(slash + 1);

    TextureStore store = createTextureStore();
    const std::unique_ptr<Mesh> mesh = loadObj(fileName, directory, store);
    if (mesh->faces.empty()) {
        std::fprintf(stderr, "%s: no faces to render\n", options.model.c_str());
        destroyTextureStore(store);
        return 1;
    }
    prepareForPreview(*mesh, options);

    int status = 0;
    {
        PreviewResources r;
        Camera camera;
        createCamera(camera, static_cast<float>(options.width), static_cast<float>(options.height),
                     static_cast<float>(options.width) / static_cast<float>(options.height));
        if (!createPipeline(r.pipeline, &store) || !createWorkerPool(r.pool, 0, options.height) ||
            !createFloatImage(r.colour, options.width, options.height) ||
            !createDepthImage(r.depth, options.width, options.height)) {
            std::fprintf(stderr, "cannot allocate the renderer\n");
            destroyTextureStore(store);
            return 1;
        }
        MeshFraming setup;
        frameMeshInView(*mesh, options.yaw, PREVIEW_FILL, setup);
        beginScene(r.pipeline);
        addLight(r.pipeline, &setup.light);
        transformBoxCorners(*mesh, setup.view);
        const int32_t mask = classifyBox(camera, mesh->transformedBoxCorners);
        if (!submitMesh(*mesh, setup.view, camera, r.pipeline, mask == OUTSIDE ? CLIP_ALL_PLANES : mask,
                        nullptr)) {
            std::fprintf(stderr,
                         "%s: too large for the pipeline (%zu vertices, %zu faces; at most %d each)\n",
                         options.model.c_str(), mesh->vertices.size(), mesh->faces.size(), PIPELINE_CAPACITY);
            status = 1;
        } else {
            projectVertices(camera, r.pipeline);
            sortFacesByDepth(r.pipeline);
            renderPassOnPool(r.pool, r.pipeline, camera, r.colour, r.depth);
            std::vector<uint32_t> pixels(static_cast<size_t>(options.width) * options.height);
            ResolveTarget target{pixels.data(), options.width, options.height};
            resolve(target, r.colour);
            if (!writePng(options.out, pixels, options.width, options.height)) {
                std::fprintf(stderr, "cannot write %s\n", options.out.c_str());
                status = 1;
            } else {
                std::printf("rendered %s: %d of %zu faces facing the camera, %d x %d, written to %s\n",
                            options.model.c_str(), r.pipeline.faceCount, mesh->faces.size(), options.width,
                            options.height, options.out.c_str());
            }
        }
    }
    destroyTextureStore(store);
    return status;
}

} // namespace tessellune::inspect
