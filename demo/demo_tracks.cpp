// Requests the demo's tracks in their fixed order and rounds switch-like track values.
#include "demo/demo_tracks.h"

#include <cmath>

namespace tessellune {

const char* const DEMO_TRACK_NAMES[DEMO_TRACK_COUNT] = {
    "scene", "x",     "cx",    "cy",       "gtn",          "br",   "fs",   "lerp", "speed",
    "scale", "cam_a", "cam_b", "cam_lerp", "plane_enable", "ta_1", "ta_2", "ta_3"};

bool requestDemoTracks(SyncDevice* device, DemoTracks& tracks) {
    SyncTrack** slots[DEMO_TRACK_COUNT] = {
        &tracks.scene,   &tracks.x,           &tracks.cx,    &tracks.cy,    &tracks.gtn,  &tracks.br,
        &tracks.fs,      &tracks.lerp,        &tracks.speed, &tracks.scale, &tracks.camA, &tracks.camB,
        &tracks.camLerp, &tracks.planeEnable, &tracks.ta1,   &tracks.ta2,   &tracks.ta3};
    for (int i = 0; i < DEMO_TRACK_COUNT; ++i) {
        *slots[i] = getSyncTrack(device, DEMO_TRACK_NAMES[i]);
        if (*slots[i] == nullptr) {
            return false;
        }
    }
    return true;
}

int roundedTrackValue(const SyncTrack* track, double row) {
    const float shifted = syncTrackValue(track, row) + 0.5f;
    // Truncation toward zero; values beyond the int range (broken data) select no scene.
    if (!(std::fabs(shifted) < 2.0e9f)) {
        return 0;
    }
    return static_cast<int>(shifted);
}

} // namespace tessellune
