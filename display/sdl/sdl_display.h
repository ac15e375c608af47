// The SDL2 host: a real, resizable window whose renderer shows the framebuffer scaled to the
// client area with the aspect kept, full screen in the smallest display mode that holds it.
//
// Conventions: SDL types appear only as opaque pointers here and SDL headers only in this folder's
// sources. Alt+Enter toggles the shape (deferred), Alt+1/2/4/8 zoom and Alt+C centres the window
// (at once, when the window menu rules offer them); those presses never reach the listener.
#pragma once

#include "display/host_display.h"

struct SDL_Window;
struct SDL_Renderer;
struct SDL_Texture;

namespace Scanout {

class SdlDisplay final : public HostDisplay {
public:
    SdlDisplay() = default;
    ~SdlDisplay() override;

    // The factor the windowed client area is scaled by (1 until a zoom command).
    float zoom() const { return zoom_; }

protected:
    bool createWindow() override;
    void destroyWindow() override;
    bool hasWindow() const override { return window_ != nullptr; }
    Format createPresenter(bool fullscreenShape) override;
    void destroyPresenter() override;
    bool present(const void* pixels, int stride) override;
    void pumpEvents() override;
    bool windowVisible() const override;
    void showWindow() override;
    void titleChanged() override;
    MenuWindowState menuState() const override;
    void zoomWindow(float factor) override;
    void centreWindow() override;

private:
    bool enterFullscreenShape();
    void enterWindowedShape();
    bool createRenderer();
    Format createTexture();
    FrameInsets frameInsets() const;
    void moveClientTo(int x, int y);
    PointF toFramebuffer(int windowX, int windowY) const;

    SDL_Window* window_ = nullptr;
    SDL_Renderer* renderer_ = nullptr;
    SDL_Texture* texture_ = nullptr;
    unsigned windowId_ = 0;
    bool fullscreenShape_ = false;
    bool centred_ = false;
    float zoom_ = 1.0f;
    // Where this host last put the window, to tell its own moves from the user's.
    Point placedAt_{0, 0};
};

} // namespace Scanout
