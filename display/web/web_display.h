// The browser host: the framebuffer shown on the page's canvas, scaled with the aspect kept, either
// filling the page (the full-screen shape) or at its own size (windowed); keys and mouse from the
// page.
//
// Conventions: the page provides a <canvas id="canvas"> and the small scanout glue of index.html
// (Module.scanout: the event queue, the shape and zoom styles). Key codes are the browser's
// keyCode numbers, which follow the virtual-key numbering every host translates from. The surface
// stays XRGB8888 as on every host; presenting converts it to the canvas's byte order (XBGR8888)
// through the library's converter and sets the alpha the canvas needs. Alt+Enter and the page's
// button toggle the shape (deferred, as on the desktop); Escape closes. Mouse buttons and moves
// over the canvas arrive in framebuffer pixels, as on every host (left, middle, right; the
// browser's back and forward buttons are ignored).
#pragma once

#include <memory>

#include "display/host_display.h"

namespace Scanout {

class WebDisplay final : public HostDisplay {
public:
    WebDisplay() = default;
    ~WebDisplay() override;

protected:
    bool createWindow() override;
    void destroyWindow() override;
    bool hasWindow() const override { return window_; }
    Format createPresenter(bool fullscreenShape) override;
    void destroyPresenter() override;
    bool present(const void* pixels, int stride) override;
    void pumpEvents() override;
    bool windowVisible() const override { return visible_; }
    void showWindow() override;
    void titleChanged() override;
    MenuWindowState menuState() const override;
    void zoomWindow(float factor) override;
    void centreWindow() override { centred_ = true; } // the page always centres the canvas

private:
    std::unique_ptr<std::uint32_t[]> canvasPixels_; // the frame in canvas byte order
    bool window_ = false;
    bool visible_ = false;
    bool fullscreenShape_ = false;
    bool centred_ = true;
};

} // namespace Scanout
