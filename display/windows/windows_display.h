// The Windows platform display: a Win32 window presenting a Direct3D 9 texture that lock hands out
// directly.
//
// Conventions: the texture is the framebuffer size; lock reports its format and pitch (TrueColor
// mode on ordinary hardware: XRGB8888). Close and shape-toggle requests from the window are
// carried out at the start of the next update or lock. open refuses sizes of 0 or above MAX_SIDE.
// Closing from inside a listener callback is safe: the window then goes away once the message
// pump has returned. Without Direct3D, open fails.
#pragma once

#include <memory>
#include <vector>

#include "display/display_adapter.h"
#include "display/host_display.h"
#include "display/windows/window_record.h"
#include "display/windows/windows_adapter.h"

#include "display/windows/device_record.h"

namespace Scanout {

class WindowsDisplay final : public DisplayAdapter, public WindowsAdapter {
public:
    // The largest framebuffer side open accepts.
    static constexpr int MAX_SIDE = HostDisplay::MAX_SIDE;

    WindowsDisplay();
    ~WindowsDisplay() override;

    bool open(const char* title, int width, int height, Output output, Mode mode) override;
    void close() override;
    bool update(const TrueColorPixel* trueColor, const FloatingPointPixel* floatingPoint,
                const DirtyBox* box) override;
    LockedFramebuffer* lock() override;
    bool unlock() override;
    void setTitle(const char* title) override;
    void setListener(Listener* listener) override;
    void reset() override;
    bool windowed() override;
    bool fullscreen() override;

    bool paint() override;
    void requestToggle() override { toggleRequested_ = true; }
    void requestClose() override { closeRequested_ = true; }

    // For tests and diagnostics: the window and presentation state of the current shape.
    const WindowRecord* windowRecord() const { return window_.get(); }
    const DeviceRecord* deviceRecord() const { return device_.get(); }
    bool direct3dAvailable() const { return direct3d_ != nullptr; }

private:
    bool switchShape(bool toFullscreen);
    // Pending close (false), pending toggle, then the message pump.
    bool handleRequests();
    void pump();
    void showIfHidden();
    // Frees the device, then the window (or retires it while its messages are being handled).
    void releaseRecords();
    // Window code can call back into the listener, which may close this display: a window closed
    // meanwhile is only retired, and destroyed when the outermost stretch of window code ends.
    void enterWindowCode() { ++windowCodeDepth_; }
    void leaveWindowCode();

    IDirect3D9* direct3d_ = nullptr;
    std::unique_ptr<WindowRecord> window_;
    std::unique_ptr<DeviceRecord> device_;
    // A window closed while its own messages were being handled; freed after the pump returns.
    std::vector<std::unique_ptr<WindowRecord>> retiredWindows_;
    int windowCodeDepth_ = 0;
    bool closeRequested_ = false;
    bool toggleRequested_ = false;
    LockedFramebuffer locked_{Format::NoFormat, nullptr, 0};
};

} // namespace Scanout
