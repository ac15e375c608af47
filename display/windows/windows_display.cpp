// The Windows display: open and close, the shape switches, request handling, update, lock and
// unlock, painting, title and listener.
#include "display/windows/windows_display.h"

#include "display/converter.h"
#include "display/listener.h"
#include "display/windows/dirty_rows.h"

namespace Scanout {

WindowsDisplay::WindowsDisplay() : direct3d_(Direct3DCreate9(D3D_SDK_VERSION)) {}

WindowsDisplay::~WindowsDisplay() {
    windowCodeDepth_ = 0;
    reset();
    if (direct3d_ != nullptr) {
        direct3d_->Release();
        direct3d_ = nullptr;
    }
}

void WindowsDisplay::releaseRecords() {
    device_.reset();
    if (window_ && windowCodeDepth_ > 0) {
        // Its procedure may still be running below us: cut it off from the listener, hide it and
        // let the outermost window code destroy it.
        if (window_->window != nullptr) {
            SetWindowLongPtrW(window_->window, GWLP_USERDATA, 0);
            ShowWindow(window_->window, SW_HIDE);
        }
        window_->listener = nullptr; // the message being handled reaches no callback after this one
        retiredWindows_.push_back(std::move(window_));
    }
    destroyWindow(window_);
    if (windowCodeDepth_ == 0) {
        for (auto& retired : retiredWindows_) {
            destroyWindow(retired);
        }
        retiredWindows_.clear();
    }
}

void WindowsDisplay::leaveWindowCode() {
    if (--windowCodeDepth_ == 0) {
        for (auto& retired : retiredWindows_) {
            destroyWindow(retired);
        }
        retiredWindows_.clear();
    }
}

void WindowsDisplay::reset() {
    releaseRecords();
    DisplayAdapter::reset();
    closeRequested_ = false;
    toggleRequested_ = false;
}

void WindowsDisplay::close() {
    reset();
}

bool WindowsDisplay::open(const char* title, int width, int height, Output output, Mode mode) {
    close();
    if (width <= 0 || height <= 0 || width > MAX_SIDE || height > MAX_SIDE || direct3d_ == nullptr) {
        return false;
    }
    DisplayAdapter::open(title, width, height, output, mode);
    window_ = createWindow(this, this, width, height, title);
    window_->listener = listener();
    if (window_->window == nullptr) {
        close();
        return false;
    }
    const bool shaped = output == Output::Fullscreen ? fullscreen() : windowed();
    if (!shaped) {
        return false;
    }
    if (listener() != nullptr) {
        listener()->onOpen(callbackTarget());
    }
    return true;
}

bool WindowsDisplay::windowed() {
    return switchShape(false);
}

bool WindowsDisplay::fullscreen() {
    return switchShape(true);
}

bool WindowsDisplay::switchShape(bool toFullscreen) {
    const Output target = toFullscreen ? Output::Fullscreen : Output::Windowed;
    if (device_) {
        if (output() == target) {
            return true;
        }
        device_.reset();
    }
    if (!window_ || window_->window == nullptr) {
        close();
        return false;
    }
    enterWindowCode();
    if (toFullscreen) {
        setFullscreenShape(*window_, width(), height());
    } else {
        setWindowedShape(*window_, width(), height());
    }
    leaveWindowCode();
    if (!window_) {
        return false; // a listener closed the display while the window changed shape
    }
    auto record = std::make_unique<DeviceRecord>();
    record->direct3d = direct3d_;
    record->window = window_->window;
    record->width = width();
    record->height = height();
    record->mode = mode();
    record->windowed = !toFullscreen;
    chooseDevice(*record);
    if (!deviceReady(*record)) {
        close();
        return false;
    }
    device_ = std::move(record);
    setOutput(target);
    if (toFullscreen) {
        pump();
    }
    return true;
}

void WindowsDisplay::pump() {
    if (!window_) {
        return;
    }
    enterWindowCode();
    pumpMessages(*window_);
    leaveWindowCode();
}

bool WindowsDisplay::handleRequests() {
    if (closeRequested_) {
        close();
        return false;
    }
    if (toggleRequested_) {
        toggleRequested_ = false;
        if (output() == Output::Windowed) {
            fullscreen();
        } else {
            windowed();
        }
    }
    pump();
    return true;
}

void WindowsDisplay::showIfHidden() {
    if (!window_ || window_->window == nullptr || IsWindowVisible(window_->window)) {
        return;
    }
    enterWindowCode();
    ShowWindow(window_->window, SW_SHOW);
    leaveWindowCode();
    pump();
}

bool WindowsDisplay::update(const TrueColorPixel* trueColor, const FloatingPointPixel* floatingPoint,
                            const DirtyBox* box) {
    const bool wasOpen = isOpen();
    if (!handleRequests() || (wasOpen && !isOpen())) {
        return false; // closed by request, or by the listener while its events were delivered
    }
    if (device_ && checkDevice(*device_)) {
        const void* source = floatingPoint != nullptr ? static_cast<const void*>(floatingPoint) : trueColor;
        const Format sourceFormat = floatingPoint != nullptr ? Format::XBGRFFFF : Format::XRGB8888;
        DirtyBox area{};
        if (source != nullptr && clipDirtyBox(box, width(), height(), area)) {
            RECT rect{area.xBegin, area.yBegin, area.xEnd, area.yEnd};
            D3DLOCKED_RECT locked{};
            if (SUCCEEDED(device_->texture->LockRect(0, &locked, &rect, D3DLOCK_NOSYSLOCK))) {
                const Converter* converter = requestConverter(sourceFormat, device_->textureFormat);
                if (converter != nullptr) {
                    convertRows(*converter, source, bytesPerPixel(sourceFormat), width(), area, locked.pBits,
                                locked.Pitch);
                }
                device_->texture->UnlockRect(0);
                presentFrame(*device_);
            }
        } else {
            presentFrame(*device_); // nothing to convert, but the frame is still shown
        }
    }
    showIfHidden();
    return true;
}

LockedFramebuffer* WindowsDisplay::lock() {
    if (!handleRequests() || !device_ || !checkDevice(*device_)) {
        return nullptr;
    }
    D3DLOCKED_RECT locked{};
    if (FAILED(device_->texture->LockRect(0, &locked, nullptr, D3DLOCK_NOSYSLOCK)) ||
        locked.pBits == nullptr) {
        return nullptr;
    }
    locked_ = LockedFramebuffer{device_->textureFormat, locked.pBits, locked.Pitch};
    return &locked_;
}

bool WindowsDisplay::unlock() {
    if (device_ && device_->texture != nullptr) {
        device_->texture->UnlockRect(0);
        presentFrame(*device_);
    }
    showIfHidden();
    return true;
}

bool WindowsDisplay::paint() {
    if (device_ && deviceReady(*device_)) {
        return presentFrame(*device_);
    }
    if (!window_ || window_->window == nullptr) {
        return true;
    }
    const HWND window = window_->window;
    if (HDC dc = GetDC(window); dc != nullptr) {
        RECT client{0, 0, 0, 0};
        GetClientRect(window, &client);
        HBRUSH black = CreateSolidBrush(RGB(0, 0, 0));
        HGDIOBJ previous = SelectObject(dc, black);
        Rectangle(dc, 0, 0, client.right, client.bottom);
        SelectObject(dc, previous);
        DeleteObject(black);
        ReleaseDC(window, dc);
    }
    ValidateRect(window, nullptr);
    return true;
}

void WindowsDisplay::setTitle(const char* title) {
    DisplayAdapter::setTitle(title);
    if (window_) {
        setWindowTitle(*window_, title);
    }
}

void WindowsDisplay::setListener(Listener* listener) {
    DisplayAdapter::setListener(listener);
    if (window_) {
        window_->listener = listener;
    }
}

} // namespace Scanout
