// The callbacks through which a display reports keys, mouse and window events to its application.
//
// Contract kept by every host: onKeyDown once when a key goes down, onKeyPressed after it and on
// every auto-repeat, onKeyUp on release. Escape requests a close (carried out at the next update or
// lock) unless defaultKeysEnabled returns false. onClose returning false vetoes the window's close.
// The display argument is the facade when there is one.
#pragma once

#include "display/display_interface.h"

namespace Scanout {

class Listener {
public:
    virtual ~Listener() = default;
    virtual bool defaultKeysEnabled() { return true; }
    virtual void onKeyDown(DisplayInterface&, Key) {}
    virtual void onKeyPressed(DisplayInterface&, Key) {}
    virtual void onKeyUp(DisplayInterface&, Key) {}
    virtual void onMouseButtonDown(DisplayInterface&, Mouse) {}
    virtual void onMouseButtonUp(DisplayInterface&, Mouse) {}
    virtual void onMouseMove(DisplayInterface&, Mouse) {}
    virtual void onActivate(DisplayInterface&, bool) {}
    virtual void onOpen(DisplayInterface&) {}
    virtual bool onClose(DisplayInterface&) { return true; }
};

} // namespace Scanout
