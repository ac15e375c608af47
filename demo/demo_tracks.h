// The seventeen sync tracks the demo evaluates, requested in their fixed order at start-up.
#pragma once

#include "sync/sync_track.h"

namespace tessellune {

struct DemoTracks {
    SyncTrack* scene = nullptr;
    SyncTrack* x = nullptr;
    SyncTrack* cx = nullptr;
    SyncTrack* cy = nullptr;
    SyncTrack* gtn = nullptr;
    SyncTrack* br = nullptr; // requested for completeness, never evaluated
    SyncTrack* fs = nullptr;
    SyncTrack* lerp = nullptr;
    SyncTrack* speed = nullptr;
    SyncTrack* scale = nullptr;
    SyncTrack* camA = nullptr;
    SyncTrack* camB = nullptr;
    SyncTrack* camLerp = nullptr;
    SyncTrack* planeEnable = nullptr;
    SyncTrack* ta1 = nullptr;
    SyncTrack* ta2 = nullptr;
    SyncTrack* ta3 = nullptr;
};

inline constexpr int DEMO_TRACK_COUNT = 17;

// The track names, in the order they are requested.
extern const char* const DEMO_TRACK_NAMES[DEMO_TRACK_COUNT];

// Requests every track from the device (loading each file once); false only when memory runs out.
bool requestDemoTracks(SyncDevice* device, DemoTracks& tracks);

// A track's value rounded to an integer the way the timeline means it: + 0.5, truncated toward 0.
int roundedTrackValue(const SyncTrack* track, double row);

} // namespace tessellune
