// The window's way back into its display: repaint, shape switches and the deferred requests.
//
// Conventions: requestToggle and requestClose only set flags; the display acts on them at its next
// update or lock, never inside the window procedure. paint, windowed and fullscreen act at once.
#pragma once

namespace Scanout {

class WindowsAdapter {
public:
    virtual bool paint() = 0;
    virtual bool fullscreen() = 0;
    virtual bool windowed() = 0;
    virtual void requestToggle() = 0;
    virtual void requestClose() = 0;

protected:
    // Never deleted through this interface: the display that implements it owns itself.
    ~WindowsAdapter() = default;
};

} // namespace Scanout
