// A headless display: the surface lives in memory, every presented frame goes to a callback, and
// key, mouse, activation and close events are scripted and delivered at the next event drain.
//
// Conventions: the pretend screen has a size, a list of full-screen modes and window frame insets;
// the window starts hidden at (0, 0) and follows the same shape, zoom and centre rules as a real
// host. Scripted keys are virtual-key numbers (display/key_table.h); scripted pointer positions
// are client-area pixels. A presented frame is valid only during the callback.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <vector>

#include "display/host_display.h"

namespace Scanout {

struct PresentedFrame {
    Format format;
    const void* pixels;
    int stride;
    int width;
    int height;
    std::uint64_t number; // 1 for the first frame presented since construction
};

using FrameCallback = std::function<void(const PresentedFrame&)>;

struct MemoryScreen {
    int width = 1920;
    int height = 1080;
    std::vector<ModeSize> modes{{640, 480}, {800, 600}, {1024, 768}, {1920, 1080}};
    FrameInsets frame{8, 31, 8, 8};
};

class MemoryDisplay final : public HostDisplay {
public:
    explicit MemoryDisplay(MemoryScreen screen = {});
    ~MemoryDisplay() override;

    void setFrameCallback(FrameCallback callback) { callback_ = std::move(callback); }
    // Which surface formats the pretend device accepts (all nine by default).
    void setAcceptedFormats(std::vector<Format> formats) { accepted_ = std::move(formats); }
    void setWindowCreationFails(bool fails) { windowCreationFails_ = fails; }
    // While true the presenter counts as lost: lock yields nothing, update presents nothing.
    void setPresenterLost(bool lost) { presenterLost_ = lost; }

    void pushKeyDown(int virtualKey, bool altHeld = false);
    void pushKeyUp(int virtualKey);
    void pushMouseMove(float clientX, float clientY);
    void pushMouseButton(MouseButton button, bool down, float clientX, float clientY);
    void pushCloseButton();
    void pushActivate(bool active);
    // The user drags the window to a new top-left corner.
    void pushUserMove(int left, int top);
    void pushMinimize(bool minimized);

    Rect windowRect() const { return outer_; }
    Rect clientRect() const;
    bool visible() const { return visible_; }
    std::uint64_t framesPresented() const { return framesPresented_; }
    int eventDrains() const { return eventDrains_; }
    // The full-screen mode in use, when full screen.
    ModeSize currentMode() const { return mode_; }

protected:
    bool createWindow() override;
    void destroyWindow() override;
    bool hasWindow() const override { return window_; }
    Format createPresenter(bool fullscreenShape) override;
    void destroyPresenter() override {}
    bool presenterUsable() override { return !presenterLost_; }
    bool present(const void* pixels, int stride) override;
    void pumpEvents() override;
    bool windowVisible() const override { return visible_; }
    void showWindow() override { visible_ = true; }
    MenuWindowState menuState() const override;
    void zoomWindow(float factor) override;
    void centreWindow() override;

private:
    struct Event {
        enum class Kind { KeyDown, KeyUp, MouseMove, MouseButton, Close, Activate, Move, Minimize } kind;
        int key = 0;
        bool flag = false;
        MouseButton button = MouseButton::Left;
        float x = 0.0f;
        float y = 0.0f;
        int left = 0;
        int top = 0;
    };

    bool accepts(Format format) const;
    PointF toFramebuffer(float clientX, float clientY) const;

    MemoryScreen screen_;
    FrameCallback callback_;
    std::vector<Format> accepted_;
    std::deque<Event> events_;
    bool windowCreationFails_ = false;
    bool presenterLost_ = false;
    bool window_ = false;
    bool visible_ = false;
    bool fullscreenShape_ = false;
    bool minimized_ = false;
    bool centred_ = false;
    Rect outer_{0, 0, 0, 0};
    ModeSize mode_{0, 0};
    std::uint64_t framesPresented_ = 0;
    int eventDrains_ = 0;
};

} // namespace Scanout
