// tessellune-bench: renders whole 640 x 480 frames of several scenes and prints the frame rates.
//
// Usage: tessellune-bench [-v] [--kernels scalar|sse2|avx2] [--peer [--peer-images DIR]] [--workers N]
//                         [--hashes | --golden-images DIR] [--plot FILE.png] [SECONDS_PER_CASE] [CASE...]
//          -v: time per stage; --peer: the scene cases again with llvmpipe, timed in turns
//          --kernels: the rasterizers' kernel path (default: the widest this processor runs, or
//          TESSELLUNE_KERNELS)
//          --hashes: no timing; each case's golden frame hashed ("bench CASE HASH");
//          --golden-images DIR: the same, with each of those frames written as DIR/CASE.png
//          --plot FILE.png: every timed frame of the cases drawn one after another, a band per case
//          cases: cubes dunefield bunny fill-textured fill-lit
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "bench_scenes.h"
#include "render/image.h"
#include "render/kernel_path.h"
#include "render/mesh_normals.h"
#include "tools/common/frame_hash.h"
#include "tools/common/frame_time_chart.h"
#include "tools/common/png_writer.h"

#if TESSELLUNE_HAVE_OSMESA
#include <chrono>

#include "llvmpipe_peer.h"
#endif

#if TESSELLUNE_HAVE_ASSETS
#include <memory>

#include "assets/obj_loader.h"
#include "assets/texture_store.h"
#endif

using namespace tessellune;
using namespace tessellune::bench;

namespace {

bool verbose = false;
bool peerWanted = false;
bool hashesOnly = false;
std::string goldenImages; // where --hashes also writes each case's frame, when given
std::string plotPath;     // where --plot draws the timed frames, when given
tools::FrameTimeRun plotRun;

// Adds a case's timed frames to the picture, after the cases before it.
void recordForPlot(const char* name, const FrameTiming& timing) {
    if (plotPath.empty()) {
        return;
    }
    const int id = static_cast<int>(plotRun.groupIds.size());
    plotRun.groupIds.push_back(id);
    plotRun.names.emplace_back(name);
    double at = plotRun.at.empty() ? 0.0 : plotRun.at.back();
    for (const double ms : timing.frameMs) {
        at += ms / 1000.0;
        plotRun.at.push_back(at);
        plotRun.ms.push_back(ms);
        plotRun.group.push_back(id);
    }
}

// The frame of each case the golden-frame manifest holds: late enough that the pool has moved
// blocks between its workers a few times, which must not change a pixel.
constexpr int32_t GOLDEN_FRAME = 6;

// Renders the case's frames up to the golden one and prints its hash.
void printGoldenHash(const char* name, FrameContext& context, SubmitFrame submit, void* scene) {
    for (int32_t frame = 0; frame <= GOLDEN_FRAME; ++frame) {
        renderOneFrame(context, submit, scene, frame);
    }
    std::printf("bench %s %s\n", name,
                tools::hashText(tools::hashFrame(context.display.data(), FRAME_WIDTH, FRAME_HEIGHT)).c_str());
    if (!goldenImages.empty()) {
        const std::vector<uint8_t> rgba =
            tools::rgbaFromXrgb(context.display.data(), FRAME_WIDTH, FRAME_HEIGHT, FRAME_WIDTH * 4);
        std::string error;
        if (!tools::writePngRgba(goldenImages + "/" + name + ".png", FRAME_WIDTH, FRAME_HEIGHT, rgba,
                                 error)) {
            std::printf("  %s\n", error.c_str());
        }
    }
    std::fflush(stdout);
}
std::string peerImages;

// Targets printed beside the figures, never asserted.
constexpr double TARGET_PEER_RATIO = 2.0;
constexpr double TARGET_SERIAL_SHARE = 0.20;
constexpr double TARGET_DUNEFIELD_FPS = 300.0;
constexpr double TARGET_CUBES_FPS = 120.0;
// Turns of (ours, peer) per case, so that drift on a shared machine reaches both.
constexpr int32_t PEER_TURNS = 6;

void printStages(const FrameTiming& timing) {
    if (verbose) {
        std::printf("  submit %.2f ms, sort + project %.2f ms, bands %.2f ms, resolve %.2f ms, %d faces, "
                    "cpu %.2f ms/frame (main %.2f)\n",
                    timing.submitMs, timing.sortProjectMs, timing.bandsMs, timing.resolveMs, timing.faces,
                    timing.cpuMs, timing.mainCpuMs);
        // Outside the dispatches only the main thread works; inside them the work is shared, so
        // with n workers it would take about workers / n of its time (a bound the memory may not
        // allow).
        const double share = timing.msPerFrame > 0.0 ? timing.serialMs / timing.msPerFrame : 0.0;
        const auto at = [&timing](double n) {
            return timing.serialMs + timing.dispatchMs * timing.workers / n;
        };
        std::printf("  serial share %.0f %% (%.2f ms on one thread; target <= %.0f %%); with 8 workers about "
                    "%.2f ms/frame, with 16 about %.2f\n",
                    share * 100.0, timing.serialMs, TARGET_SERIAL_SHARE * 100.0, at(8.0), at(16.0));
    }
    std::fflush(stdout);
}

void printLine(const char* name, const FrameTiming& timing) {
    recordForPlot(name, timing);
    std::printf("%s: %.2f ms/frame, %.1f fps\n", name, timing.msPerFrame, timing.fps);
    if (verbose) {
        std::printf("  from processor time, unloaded: %.2f ms/frame, %.1f fps\n", timing.unloadedMs,
                    1000.0 / timing.unloadedMs);
    }
    printStages(timing);
}

void printFill(const char* name, const FrameTiming& timing) {
    recordForPlot(name, timing);
    const double megapixels = FRAME_WIDTH * FRAME_HEIGHT / 1e6;
    std::printf("%s: %.2f ms/frame, %.1f fps, %.1f Mpixels/s\n", name, timing.msPerFrame, timing.fps,
                megapixels * timing.fps);
    if (verbose) {
        std::printf("  from processor time, unloaded: %.2f ms/frame, %.1f Mpixels/s\n", timing.unloadedMs,
                    megapixels * 1000.0 / timing.unloadedMs);
    }
    printStages(timing);
}

#if TESSELLUNE_HAVE_OSMESA

PeerContext peer;
bool peerReady = false;

// Ours and the peer's frame side by side, ours on the left.
void writePair(const char* name, const FrameContext& context) {
    std::vector<uint8_t> ours =
        tools::rgbaFromXrgb(context.display.data(), FRAME_WIDTH, FRAME_HEIGHT, FRAME_WIDTH * 4);
    std::vector<uint8_t> pair(static_cast<size_t>(FRAME_WIDTH) * 2 * FRAME_HEIGHT * 4);
    const size_t row = static_cast<size_t>(FRAME_WIDTH) * 4;
    for (int32_t y = 0; y < FRAME_HEIGHT; ++y) {
        std::copy_n(ours.data() + y * row, row, pair.data() + y * row * 2);
        std::copy_n(peer.rgba.data() + y * row, row, pair.data() + y * row * 2 + row);
    }
    for (size_t i = 3; i < pair.size(); i += 4) {
        pair[i] = 255;
    }
    const std::string path = peerImages + "/" + name + ".png";
    std::string error;
    if (!tools::writePngRgba(path, FRAME_WIDTH * 2, FRAME_HEIGHT, pair, error)) {
        std::printf("  %s\n", error.c_str());
    } else {
        std::printf("  wrote %s (tessellune left, llvmpipe right)\n", path.c_str());
    }
}

// Times ours and the peer in turns on the same pass and prints both with their ratio.
void comparePeer(const char* name, FrameContext& context, SubmitFrame submit, void* scene, double seconds) {
    if (!peerReady) {
        return;
    }
    renderOneFrame(context, submit, scene, 0);
    loadPeerPass(peer, context.pipeline, context.camera.projection.m);
    drawPeerFrame(peer);
    if (!peerImages.empty()) {
        writePair(name, context);
    }
    const double turn = seconds / PEER_TURNS;
    double oursMs = 0.0;
    double peerMs = 0.0;
    int64_t oursFrames = 0;
    int64_t peerFrames = 0;
    for (int32_t t = 0; t < PEER_TURNS; ++t) {
        const FrameTiming timing = timeFrames(context, submit, scene, turn, 5);
        oursMs += timing.msPerFrame * timing.fps * turn; // frames x ms
        oursFrames += static_cast<int64_t>(timing.fps * turn + 0.5);
        double spent = 0.0;
        int32_t frames = 0;
        while (frames < 5 || spent < turn * 1000.0) {
            spent += drawPeerFrame(peer);
            ++frames;
        }
        peerMs += spent;
        peerFrames += frames;
    }
    const double ours = oursMs / static_cast<double>(oursFrames);
    const double theirs = peerMs / static_cast<double>(peerFrames);
    const double ratio = theirs / ours;
    std::printf("%s: tessellune %.2f ms/frame, llvmpipe %.2f ms/frame, ratio %.2f (target >= %.1f)\n", name,
                ours, theirs, ratio, TARGET_PEER_RATIO);
    std::fflush(stdout);
}

#else

void comparePeer(const char* name, FrameContext&, SubmitFrame, void*, double) {
    std::printf("%s: no llvmpipe peer in this build (OSMesa was not found)\n", name);
}

#endif

// The cubes case: its time, its target and, when the rings outgrow the budget, how many faces fit.
void timeCubes(FrameContext& context, CubeRings& rings, double seconds) {
    const int32_t refusedBefore = context.pipeline.refusedSubmissions;
    const FrameTiming t = timeFrames(context, submitCubeRings, &rings, seconds, 10);
    printLine("cubes", t);
    std::printf("  target >= %.0f fps\n", TARGET_CUBES_FPS);
    if (context.pipeline.refusedSubmissions > refusedBefore) {
        std::printf("  (faces per pass: %d; cubes beyond the %d-face budget were refused)\n", t.faces,
                    PIPELINE_CAPACITY);
    }
    if (peerWanted) {
        comparePeer("cubes", context, submitCubeRings, &rings, seconds);
    }
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
    uint32_t workers = 0;
    std::vector<std::string> cases;
    for (int i = 1; i < argc; ++i) {
        char* end = nullptr;
        const double value = std::strtod(argv[i], &end);
        if (std::strcmp(argv[i], "-v") == 0) {
            verbose = true;
        } else if (std::strcmp(argv[i], "--kernels") == 0 && i + 1 < argc) {
            KernelPath path;
            if (!parseKernelPath(argv[++i], path) || !setKernelPath(path)) {
                std::printf("tessellune-bench: kernel path %s is not available here\n", argv[i]);
                return 1;
            }
        } else if (std::strcmp(argv[i], "--peer") == 0) {
            peerWanted = true;
        } else if (std::strcmp(argv[i], "--hashes") == 0) {
            hashesOnly = true;
        } else if (std::strcmp(argv[i], "--golden-images") == 0 && i + 1 < argc) {
            hashesOnly = true;
            goldenImages = argv[++i];
        } else if (std::strcmp(argv[i], "--plot") == 0 && i + 1 < argc) {
            plotPath = argv[++i];
        } else if (std::strcmp(argv[i], "--workers") == 0 && i + 1 < argc) {
            const int count = std::atoi(argv[++i]);
            if (count < 1 || count > FRAME_HEIGHT / 8) {
                std::printf("tessellune-bench: --workers takes 1 to %d\n", FRAME_HEIGHT / 8);
                return 2;
            }
            workers = static_cast<uint32_t>(count);
        } else if (std::strcmp(argv[i], "--peer-images") == 0 && i + 1 < argc) {
            peerWanted = true;
            peerImages = argv[++i];
        } else if (end != argv[i] && *end == '\0' && value > 0.0) {
            seconds = value;
        } else {
            cases.emplace_back(argv[i]);
        }
    }

    std::string error;
    if (!plotPath.empty() && (hashesOnly || !tools::canWriteFrameTimes(plotPath, error))) {
        std::printf("tessellune-bench: %s\n",
                    hashesOnly ? "--plot draws timed frames; --hashes times none" : error.c_str());
        return 2;
    }

    FloatImage texels;
    buildTexture(texels);
    Texture texture{&texels, "bench256"};
    TextureStore store;
    store.entries = {nullptr, &texture};

    FrameContext context;
    std::printf("tessellune-bench: ");
    if (!createFrameContext(context, &store, workers)) {
        std::printf("cannot allocate the frame buffers\n");
        return 1;
    }
    std::printf("%u workers, %d x %d, %.1f s per case, %s kernels\n", context.pool.workerCount, FRAME_WIDTH,
                FRAME_HEIGHT, seconds, kernelPathName(activeKernelPath()));
    std::fflush(stdout);
#if TESSELLUNE_HAVE_OSMESA
    if (peerWanted) {
        peerReady = createPeer(peer, static_cast<int32_t>(context.pool.workerCount));
        std::printf(peerReady ? "llvmpipe peer: LP_NUM_THREADS=%d, turns of ours and the peer's frames\n"
                              : "llvmpipe peer: OSMesa could not start (LP_NUM_THREADS=%d)\n",
                    peer.threads);
    }
#endif

    if (wanted(cases, "cubes")) {
        CubeRings rings;
        buildCubeRings(rings);
        if (hashesOnly) {
            printGoldenHash("cubes", context, submitCubeRings, &rings);
        } else {
            timeCubes(context, rings, seconds);
        }
    }
    if (wanted(cases, "dunefield")) {
        DuneField field;
        buildDuneField(field);
        if (hashesOnly) {
            printGoldenHash("dunefield", context, submitDuneField, &field);
        } else {
            printLine("dunefield", timeFrames(context, submitDuneField, &field, seconds, 10));
            std::printf("  target >= %.0f fps\n", TARGET_DUNEFIELD_FPS);
            if (peerWanted) {
                comparePeer("dunefield", context, submitDuneField, &field, seconds);
            }
        }
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
        if (hashesOnly) {
            printGoldenHash("bunny", context, submitModel, &model);
        } else {
            printLine("bunny", timeFrames(context, submitModel, &model, seconds, 10));
        }
        if (peerWanted && !hashesOnly) {
            comparePeer("bunny", context, submitModel, &model, seconds);
        }
        destroyTextureStore(modelTextures);
#else
        std::printf("bunny: skipped, this build has no OBJ loader\n");
#endif
    }
    if (wanted(cases, "fill-textured")) {
        FillScene fill;
        fill.material.shaderType = Baked;
        fill.material.textureIndex = 1;
        if (hashesOnly) {
            printGoldenHash("fill-textured", context, submitFill, &fill);
        } else {
            printFill("fill-textured", timeFrames(context, submitFill, &fill, seconds, 10));
        }
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
        if (hashesOnly) {
            printGoldenHash("fill-lit", context, submitFill, &fill);
        } else {
            printFill("fill-lit", timeFrames(context, submitFill, &fill, seconds, 10));
        }
    }
#if TESSELLUNE_HAVE_OSMESA
    destroyPeer(peer);
#endif
    int status = 0;
    if (!plotPath.empty()) {
        char title[160];
        std::snprintf(title, sizeof title,
                      "tessellune-bench: the time of every timed frame, %u workers, %s kernels",
                      context.pool.workerCount, kernelPathName(activeKernelPath()));
        plotRun.title = title;
        plotRun.axisLabel = "time spent timing, s (the cases one after another)";
        plotRun.colourById = false;
        if (plotRun.ms.empty()) {
            std::printf("tessellune-bench: no case was timed, so there is nothing to draw\n");
            status = 1;
        } else if (!tools::writeFrameTimes(plotPath, plotRun, error)) {
            std::printf("tessellune-bench: %s: %s\n", plotPath.c_str(), error.c_str());
            status = 1;
        } else {
            std::printf("wrote %s\n", plotPath.c_str());
        }
    }
    destroyFrameContext(context);
    releaseFloatImage(texels);
    return status;
}
