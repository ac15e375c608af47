// The behaviour every concrete host shares: deferred close and toggle requests, shape switches,
// the framebuffer surface behind lock, the update path with converters and dirty boxes, and the
// translation of raw input into the listener contract and the window-menu shortcuts.
//
// Conventions: a host supplies a hidden window, a presenter for the window's shape and an event
// pump; this class owns the pixels. The surface has the first texture format the presenter
// accepts, rows packed (stride = width x bytes per pixel), so a TrueColor display hands out
// XRGB8888 with stride width x 4. Close and toggle requests are carried out at the start of the
// next update or lock, never inside the event pump. Hosts call close() in their own destructor.
#pragma once

#include <array>
#include <cstdint>
#include <memory>

#include "display/display_adapter.h"
#include "display/format_choice.h"
#include "display/window_geometry.h"
#include "display/window_menu.h"

namespace Scanout {

enum class MouseButton : int { Left = 0, Middle = 1, Right = 2 };

class HostDisplay : public DisplayAdapter {
public:
    // Framebuffers larger than this in either direction are refused by open.
    static constexpr int MAX_SIDE = 16384;

    HostDisplay() = default;
    ~HostDisplay() override = default;

    bool open(const char* title, int width, int height, Output output, Mode mode) override;
    void close() override;
    LockedFramebuffer* lock() override;
    bool unlock() override;
    void setTitle(const char* title) override;
    bool update(const TrueColorPixel* trueColor, const FloatingPointPixel* floatingPoint,
                const DirtyBox* box) override;
    void reset() override;
    bool windowed() override;
    bool fullscreen() override;

    void requestClose() { closeRequested_ = true; }
    void requestToggle() { toggleRequested_ = true; }
    bool closeRequested() const { return closeRequested_; }
    bool toggleRequested() const { return toggleRequested_; }

    // The format lock reports; NoFormat while there is no presenter.
    Format surfaceFormat() const { return presenterReady_ ? surfaceFormat_ : Format::NoFormat; }

    // A window-menu command, carried out at once (zoom, centre, shape) if the menu offers it now.
    bool runMenuCommand(MenuCommand command);
    WindowMenu currentMenu() const { return offeredMenu(menuState()); }

protected:
    // Creates the (hidden) window of the framebuffer size; false when it cannot.
    virtual bool createWindow() = 0;
    virtual void destroyWindow() = 0;
    virtual bool hasWindow() const = 0;
    // Gives the window the shape and builds a presenter for it; returns the surface format it
    // accepted from textureFormats(mode()), or NoFormat when no presenter could be made.
    virtual Format createPresenter(bool fullscreenShape) = 0;
    virtual void destroyPresenter() = 0;
    // False while the presenter cannot be used (a lost device); lock then yields nothing.
    virtual bool presenterUsable() { return true; }
    virtual bool present(const void* pixels, int stride) = 0;
    // Drains the window's event queue, calling the deliver operations below.
    virtual void pumpEvents() = 0;
    virtual bool windowVisible() const = 0;
    virtual void showWindow() = 0;
    virtual void titleChanged() {}
    virtual MenuWindowState menuState() const = 0;
    // Zoom by a factor (1, 2, 4, 8) or centre the window; called only when offered.
    virtual void zoomWindow(float factor) = 0;
    virtual void centreWindow() = 0;

    // Raw input from the event pump, as virtual-key numbers and framebuffer positions.
    void deliverKeyDown(int virtualKey, bool altHeld);
    void deliverKeyUp(int virtualKey);
    void deliverCloseButton();
    void deliverActivate(bool active);
    void deliverMouseMove(PointF position);
    void deliverMouseButton(MouseButton button, bool down, PointF position);
    // Shows the current surface again (an exposed window); true when presented or nothing to show.
    bool paint();

    int surfaceStride() const { return surfaceStride_; }

private:
    bool handleRequests();
    bool switchShape(bool fullscreenShape);
    void allocateSurface(Format format);
    void convertIntoSurface(const void* source, Format sourceFormat, const DirtyBox* box);
    void showIfHidden();

    std::unique_ptr<unsigned char[]> surface_;
    std::size_t surfaceBytes_ = 0;
    Format surfaceFormat_ = Format::NoFormat;
    int surfaceStride_ = 0;
    LockedFramebuffer locked_{Format::NoFormat, nullptr, 0};
    bool presenterReady_ = false;
    bool closeRequested_ = false;
    bool toggleRequested_ = false;
    std::array<bool, 256> keyDown_{};
    // Keys whose press was taken as a host shortcut: their repeats and release are swallowed too.
    std::array<bool, 256> shortcutHeld_{};
    Mouse mouse_{0, 0, 0, 0.0f, 0.0f};
};

} // namespace Scanout
