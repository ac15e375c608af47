// Compiling the watched timeline with the sync tool's parser and replacing the tracks' keys.
#include "tools/preview/live_timeline.h"

#include <cstring>
#include <fstream>
#include <new>
#include <sstream>

#include "tools/preview/show_position.h"

namespace tessellune {

namespace {

// The demo's track records in DEMO_TRACK_NAMES order.
void trackSlots(const DemoTracks& t, SyncTrack* (&slots)[DEMO_TRACK_COUNT]) {
    SyncTrack* const ordered[DEMO_TRACK_COUNT] = {t.scene,   t.x,           t.cx,    t.cy,    t.gtn,  t.br,
                                                  t.fs,      t.lerp,        t.speed, t.scale, t.camA, t.camB,
                                                  t.camLerp, t.planeEnable, t.ta1,   t.ta2,   t.ta3};
    std::memcpy(slots, ordered, sizeof ordered);
}

} // namespace

double firstTempo(const std::string& text, double fallback) {
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream items(line.substr(0, line.find('#')));
        std::string word;
        double tempo = 0.0;
        if (items >> word && word == "tempo" && items >> tempo && tempo > 0.0) {
            return tempo;
        }
    }
    return fallback;
}

bool reloadTimeline(LiveTimeline& live, DemoTracks& tracks, std::string& error) {
    std::ifstream file(live.path, std::ios::binary);
    if (!file) {
        error = live.path + ": cannot read it";
        return false;
    }
    std::ostringstream text;
    text << file.rdbuf();
    Timeline timeline;
    if (!parseTimeline(text.str(), live.path, timeline, error)) {
        return false;
    }
    // Every new key array is made before any track changes, so running out of memory changes nothing.
    SyncTrack* slots[DEMO_TRACK_COUNT];
    trackSlots(tracks, slots);
    std::unique_ptr<SyncKey[]> keys[DEMO_TRACK_COUNT];
    int32_t counts[DEMO_TRACK_COUNT] = {};
    for (int i = 0; i < DEMO_TRACK_COUNT; ++i) {
        for (const TimelineTrack& track : timeline.tracks) {
            if (track.name == DEMO_TRACK_NAMES[i] && !track.keys.empty()) {
                keys[i].reset(new (std::nothrow) SyncKey[track.keys.size()]);
                if (!keys[i]) {
                    error = live.path + ": out of memory for the tracks";
                    return false;
                }
                std::memcpy(keys[i].get(), track.keys.data(), track.keys.size() * sizeof(SyncKey));
                counts[i] = static_cast<int32_t>(track.keys.size());
            }
        }
    }
    for (int i = 0; i < DEMO_TRACK_COUNT; ++i) {
        if (slots[i] != nullptr) {
            slots[i]->keys = std::move(keys[i]);
            slots[i]->keyCount = counts[i];
        }
    }
    live.tempo = firstTempo(text.str(), DEFAULT_TEMPO);
    return true;
}

} // namespace tessellune
