// Start-up steps: workers, buffers, renderer, pictures, particles, tracks, meshes, occlusion bake.
#include "demo/demo_setup.h"

#include <cstdio>

#include "assets/obj_loader.h"
#include "assets/texture_loader.h"
#include "assets/texture_store.h"
#include "demo/occlusion_bake.h"
#include "render/image.h"

namespace tessellune {

namespace {

struct CardFile {
    const char* name;
    const char* file;
};

constexpr CardFile CARD_FILES[CARD_COUNT] = {
    {"t-velk", "t-velk.png"},
    {"t-compofilling", "t-compofilling.png"},
    {"t-demosplash", "t-demosplash.png"},
    {"t-cred", "t-cred.png"},
    {"t-time", "t-time.png"},
    {"t-sorry", "t-sorry.png"},
};

// Finds a texture by its file name or loads and adds it; its index in the store.
int32_t findOrAdd(TextureStore& store, const std::string& file, const std::string& dataDir) {
    const int32_t found = findTexture(store, file);
    if (found != 0) {
        return found;
    }
    return addTexture(store, loadTexture(file, dataDir, file));
}

} // namespace

bool createWorkersAndBuffers(DemoState& state, uint32_t workers) {
    if (!createWorkerPool(state.pool, workers, FRAME_HEIGHT)) {
        return false;
    }
    // Without staging (one worker, or no memory for it) the submissions run as they are made.
    createFrontEnd(state.frontEnd, state.pool);
    return createFloatImage(state.colour, FRAME_WIDTH, FRAME_HEIGHT) &&
           createFloatImage(state.secondColour, FRAME_WIDTH, FRAME_HEIGHT) &&
           createDepthImage(state.depth, FRAME_WIDTH, FRAME_HEIGHT);
}

bool createRenderer(DemoState& state) {
    state.store = createTextureStore();
    std::printf("now we are going to load some obj.\n");
    createCamera(state.mainCamera, static_cast<float>(FRAME_WIDTH), static_cast<float>(FRAME_HEIGHT),
                 4.0f / 3.0f);
    if (!createPipeline(state.pipeline, &state.store)) {
        return false;
    }
    state.pipeline.recording = !state.frontEnd.staging.empty();
    return true;
}

void loadPictures(DemoState& state, const std::string& dataDir) {
    for (int i = 0; i < CARD_COUNT; ++i) {
        state.cards[i] = loadTexture(CARD_FILES[i].file, dataDir, CARD_FILES[i].name);
    }
    addTexture(state.store, loadTexture("colors512.png", dataDir, "colors"));
    findOrAdd(state.store, "envtest256.png", dataDir);
    state.floorTexture = findOrAdd(state.store, "openfloor.png", dataDir);
    state.particlePicture = loadTexture("finishedgirl.png", dataDir, "finishedgirl");
}

void buildParticles(DemoState& state) {
    if (state.particlePicture != nullptr && state.particlePicture->image != nullptr) {
        state.particles = buildParticleField(*state.particlePicture->image);
    }
}

bool openTracks(DemoState& state, const std::string& dataDir) {
    state.sync = createSyncDevice((dataDir + "sync").c_str());
    if (state.sync == nullptr) {
        return false;
    }
    return requestDemoTracks(state.sync, state.tracks);
}

void loadMeshes(DemoState& state, const std::string& dataDir) {
    state.dune = loadObj("dunequad.obj", dataDir, state.store);
    state.floor = loadObj("tealfloor.obj", dataDir, state.store);
    state.object = loadObj("blah.obj", dataDir, state.store);
    if (state.dune) {
        state.dune->defaultMaterial.shaderType = VertexLit;
    }
}

bool prepareAndBakeOcclusion(DemoState& state) {
    createCamera(state.occlusionCamera, static_cast<float>(OCCLUSION_SIZE),
                 static_cast<float>(OCCLUSION_SIZE), 1.0f);
    if (!createFloatImage(state.occlusionColour, OCCLUSION_SIZE, OCCLUSION_SIZE) ||
        !createDepthImage(state.occlusionDepth, OCCLUSION_SIZE, OCCLUSION_SIZE)) {
        return false;
    }
    bakeOcclusion(state);
    return true;
}

void releaseDemo(DemoState& state) {
    destroySyncDevice(state.sync);
    state.sync = nullptr;
    state.tracks = DemoTracks{};
    releaseFloatImage(state.occlusionColour);
    releaseDepthImage(state.occlusionDepth);
    for (Texture*& card : state.cards) {
        destroyTexture(card);
        card = nullptr;
    }
    destroyTexture(state.particlePicture);
    state.particlePicture = nullptr;
    releaseDepthImage(state.depth);
    releaseFloatImage(state.secondColour);
    releaseFloatImage(state.colour);
    state.dune.reset();
    state.floor.reset();
    state.object.reset();
    destroyPipeline(state.pipeline);
    destroyTextureStore(state.store);
    destroyFrontEnd(state.frontEnd);
    destroyWorkerPool(state.pool);
}

} // namespace tessellune
