// The transport keys: Space, Left/Right (Shift: bars), Page Up/Down, L, Home, Tab and P.
#include "tools/preview/preview_session.h"

#include <algorithm>

#include "display/key_table.h"

namespace tessellune {

namespace {
void moveTo(PreviewSession& s, double row) {
    s.row = std::clamp(row, 0.0, std::max(0.0, s.endRow));
    s.jumped = true;
}
} // namespace

bool applyPreviewKey(PreviewSession& s, Scanout::Key key) {
    namespace VK = Scanout::VirtualKey;
    const double beat = rowsPerBeat(s.tempo);
    const double step = s.shiftDown ? beat * BEATS_PER_BAR : beat;
    switch (key) {
    case VK::SPACE:
        s.playing = !s.playing;
        s.toggledPlay = true;
        return true;
    case VK::LEFT:
    case VK::RIGHT:
        moveTo(s, stepRow(s.row, step, key == VK::RIGHT ? 1 : -1));
        return true;
    case VK::PAGE_UP:
    case VK::PAGE_DOWN:
        moveTo(s, jumpToSceneChange(s.sceneChanges, s.row, key == VK::PAGE_DOWN ? 1 : -1));
        return true;
    case VK::HOME:
        moveTo(s, 0.0);
        return true;
    case KEY_LOOP:
        pressLoopKey(s.loop, s.row);
        return true;
    case VK::TAB:
        s.overlay = !s.overlay;
        return true;
    case KEY_PRINT_CAMERA:
        s.printCamera = true;
        return true;
    default:
        return false;
    }
}

} // namespace tessellune
