// tessellune-bench: renders whole 640 x 480 frames of several scenes and prints the frame rates.
//
// Usage: tessellune-bench [-v] [SECONDS_PER_CASE] [CASE...]  (-v: time per stage)
//          cases: cubes dunefield bunny fill-textured fill-lit
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "bench_scenes.h"
#include "render/mesh_normals.h"
#include "render/targets.h"

#if TESSELLUNE_HAVE_ASSETS
#include <memory>

#include "assets/obj_loader.h"
#include "assets/texture_store.h"
#endif

using namespace tessellune;
using namespace tessellune::bench;

namespace {

bool verbose = false;

void printStages(const FrameTiming& timing) {
    if (verbose) {
        std::printf("  submit %.2f ms, sort + project %.2f ms, bands %.2f ms, resolve %.2f ms, %d faces, "
                    "cpu %.2f ms/frame (main %.2f)\n",
                    timing.submitMs, timing.sortProjectMs, timing.bandsMs, timing.resolveMs, timing.faces,
                    timing.cpuMs, timing.mainCpuMs);
    }
    std::fflush(stdout);
}

void printLine(const char* name, const FrameTiming& timing) {
    std::printf("%s: %.2f ms/frame, %.1f fps\n", name, timing.msPerFrame, timing.fps);
    if (verbose) {
        std::printf("  from processor time, unloaded: %.2f ms/frame, %.1f fps\n", timing.unloadedMs,
                    1000.0 / timing.unloadedMs);
    }
    printStages(timing);
}

void printFill(const char* name, const FrameTiming& timing) {
    const double megapixels = SCREEN_WIDTH * SCREEN_HEIGHT / 1e6;
    std::printf("%s: %.2f ms/frame, %.1f fps, %.1f Mpixels/s\n", name, timing.msPerFrame, timing.fps,
                megapixels * timing.fps);
    if (verbose) {
        std::printf("  from processor time, unloaded: %.2f ms/frame, %.1f Mpixels/s\n", timing.unloadedMs,
                    megapixels * 1000.0 / timing.unloadedMs);
    }
    printStages(timing);
}

bool wanted(const std::vector<std::string>& cases, const char* name) {
    if (cases.empty()) {
        return true;
    }
    for (const std::string& c : cases) {
        if (c == name) {
            return true;
        }
    }
    return false;
}

// A 256 x 256 texture with some structure, premultiplied and opaque.
void buildTexture(FloatImage& image) {
    createFloatImage(image, 256, 256);
    for (int32_t y = 0; y < 256; ++y) {
        for (int32_t x = 0; x < 256; ++x) {
            const float check = ((x >> 5) ^ (y >> 5)) & 1 ? 0.9f : 0.3f;
            image.pixels[y * 256 + x] = {check, static_cast<float>(x) / 255.0f,
                                         static_cast<float>(y) / 255.0f, 1.0f};
        }
    }
}

} // namespace

int main(int argc, char** argv) {
    double seconds = 3.0;
    std::vector<std::string> cases;
    for (int i = 1; i < argc; ++i) {
        char* end = nullptr;
        const double value = std::strtod(argv[i], &end);
        if (std::strcmp(argv[i], "-v") == 0) {
            verbose = true;
        } else if (end != argv[i] && *end == '\0' && value > 0.0) {
            seconds = value;
        } else {
            cases.emplace_back(argv[i]);
        }
    }

    FloatImage texels;
    buildTexture(texels);
    Texture texture{&texels, "bench256"};
    TextureStore store;
    store.entries = {nullptr, &texture};

    FrameContext context;
    std::printf("tessellune-bench: ");
    if (!createFrameContext(context, &store)) {
        std::printf("cannot allocate the frame buffers\n");
        return 1;
    }
    std::printf("%u workers, %d x %d, %.1f s per case\n", context.pool.workerCount, SCREEN_WIDTH,
                SCREEN_HEIGHT, seconds);
    std::fflush(stdout);

    if (wanted(cases, "cubes")) {
        CubeRings rings;
        buildCubeRings(rings);
        const int32_t refusedBefore = context.pipeline.refusedSubmissions;
        const FrameTiming t = timeFrames(context, submitCubeRings, &rings, seconds, 10);
        printLine("cubes", t);
        if (context.pipeline.refusedSubmissions > refusedBefore) {
            std::printf("  (faces per pass: %d; cubes beyond the %d-face budget were refused)\n", t.faces,
                        PIPELINE_CAPACITY);
        }
    }
    if (wanted(cases, "dunefield")) {
        DuneField field;
        buildDuneField(field);
        printLine("dunefield", timeFrames(context, submitDuneField, &field, seconds, 10));
    }
    if (wanted(cases, "bunny")) {
#if TESSELLUNE_HAVE_ASSETS
        TextureStore modelTextures = createTextureStore();
        std::printf("  ");
        std::unique_ptr<Mesh> bunny =
            loadObj("stanford-bunny.obj",
                    std::string(TESSELLUNE_SHARED_DIR) + "/testdata/models/stanford-bunny/", modelTextures);
        useVertexNormalsAsCornerNormals(*bunny);
        Material clay;
        clay.shaderType = VertexLit;
        clay.ambient = {0.8f, 0.72f, 0.6f, 1.0f};
        ModelScene model;
        model.mesh = bunny.get();
        model.material = &clay;
        printLine("bunny", timeFrames(context, submitModel, &model, seconds, 10));
        destroyTextureStore(modelTextures);
#else
        std::printf("bunny: skipped, this build has no OBJ loader\n");
#endif
    }
    if (wanted(cases, "fill-textured")) {
        FillScene fill;
        fill.material.shaderType = Baked;
        fill.material.textureIndex = 1;
        printFill("fill-textured", timeFrames(context, submitFill, &fill, seconds, 10));
    }
    if (wanted(cases, "fill-lit")) {
        FillScene fill;
        fill.material.shaderType = PixelLit;
        fill.material.ambient = {0.4f, 0.5f, 0.6f, 1.0f};
        fill.light.viewPosition = {2, 3, -4, 1};
        fill.light.diffuseColor = {10, 10, 10, 0};
        fill.light.diffuseIntensity = {5, 0, 0, 0};
        fill.light.specularColor = {1, 1, 1, 0};
        fill.light.specularIntensity = {5, 0, 0, 0};
        printFill("fill-lit", timeFrames(context, submitFill, &fill, seconds, 10));
    }
    destroyFrameContext(context);
    releaseFloatImage(texels);
    return 0;
}
