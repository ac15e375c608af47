// The preview's transport: the row it stands at, playing or paused, the loop, the overlay switch,
// and what its keys do to them.
//
// Conventions: keys only change this record (they arrive inside the display's lock); the frame
// loop then carries a jump out (audio seek, the scenes' carried state) before it renders the row.
#pragma once

#include <vector>

#include "display/scanout_types.h"
#include "tools/preview/show_position.h"

namespace tessellune {

struct PreviewSession {
    double row = 0.0;
    bool playing = true;
    bool jumped = false;      // the row was moved by a key: seek the music and settle the scenes
    bool toggledPlay = false; // Space was pressed: pause or resume the music
    bool overlay = false;     // Tab: the status drawn into the frame
    bool shiftDown = false;
    bool printCamera = false; // P: print the free camera for the timeline
    double tempo = DEFAULT_TEMPO;
    double endRow = 0.0;           // the music's last row; nothing steps beyond it
    std::vector<int> sceneChanges; // from the scene track, refreshed when the timeline changes
    LoopRange loop;
};

inline constexpr Scanout::Key KEY_PRINT_CAMERA = 'P';
inline constexpr Scanout::Key KEY_LOOP = 'L';

// Applies one press of a transport key; false when the key is not one (the debug keys get it).
bool applyPreviewKey(PreviewSession& session, Scanout::Key key);

} // namespace tessellune
