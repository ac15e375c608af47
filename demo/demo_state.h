// Everything the scenes read and write: buffers, cameras, pipeline, assets, tracks and scene state.
//
// Conventions: one instance per run, filled by the start-up steps and then used by the frame
// function on the main thread. Colour buffers are 640 x 480 premultiplied float images, row 0 at
// the top; the depth buffer has one 32-bit entry per pixel, 0 meaning nothing drawn.
#pragma once

#include <cstdint>
#include <memory>

#include "demo/camera_tables.h"
#include "demo/demo_tracks.h"
#include "demo/particles.h"
#include "render/camera.h"
#include "render/light.h"
#include "render/mesh.h"
#include "render/pipeline.h"
#include "render/texture.h"
#include "workers/front_end.h"
#include "workers/worker_pool.h"

namespace tessellune {

inline constexpr int32_t OCCLUSION_SIZE = 128;  // the bake's probe image is 128 x 128
inline constexpr double ROWS_PER_SECOND = 18.0; // sync rows per second of music
inline constexpr double LOWERED_ROWS = 0.75;    // scenes 4 and 6 lower the frame's row by this
inline constexpr float INITIAL_GTN = 3.9f;

enum TitleCard : int {
    CardVelk,
    CardCompoFilling,
    CardDemoSplash,
    CardCredits,
    CardTime,
    CardSorry,
    CARD_COUNT
};

// The input the debug keys produce: the free camera replaces the track-driven one while it is on.
struct CameraInput {
    bool freeCamera = false;
    Vec4 position;
    Vec4 rotation;
};

struct DemoState {
    CameraKeyframes keyframes = makeCameraKeyframes();
    float gtn = INITIAL_GTN; // the "gtn" value: written from its track every frame
    int32_t duneShader = 5;  // the shader type scene 4 gives the dune tile
    double spinPhase = 0.0;  // scene 10's ring rotation, integrated from "speed"

    WorkerPool pool;
    FrontEnd frontEnd;       // the passes' submissions run on the pool (none with one worker)
    FloatImage colour;       // the main colour buffer, resolved every frame
    FloatImage secondColour; // scene 4 renders here, then adds into the main buffer
    DepthImage depth;
    FloatImage occlusionColour; // the bake's probe targets
    DepthImage occlusionDepth;

    TextureStore store;
    Camera mainCamera;
    Camera occlusionCamera;
    RenderPipeline pipeline;

    Material floorMaterial;     // the particle scenes' floor plane (faces point at it during a pass)
    Material rectangleMaterial; // scene 5
    Light light;                // the one light of scenes 4, 5 and 6

    Texture* cards[CARD_COUNT] = {};
    int32_t floorTexture = 0;
    Texture* particlePicture = nullptr;
    ParticleField particles;

    SyncDevice* sync = nullptr;
    DemoTracks tracks;

    std::unique_ptr<Mesh> dune;
    std::unique_ptr<Mesh> floor;
    std::unique_ptr<Mesh> object;
};

} // namespace tessellune
