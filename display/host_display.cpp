// Shared host behaviour: requests, shape switches, the surface, update path and input routing.
#include "display/host_display.h"

#include <cstring>

#include "display/converter.h"
#include "display/key_table.h"
#include "display/listener.h"

namespace Scanout {

bool HostDisplay::open(const char* title, int width, int height, Output output, Mode mode) {
    DisplayAdapter::open(title, width, height, output, mode);
    if (width <= 0 || height <= 0 || width > MAX_SIDE || height > MAX_SIDE || !createWindow()) {
        close();
        return false;
    }
    const bool shaped = output == Output::Fullscreen ? fullscreen() : windowed();
    if (!shaped) {
        return false; // the failed switch has closed the display
    }
    if (listener() != nullptr) {
        listener()->onOpen(callbackTarget());
    }
    return true;
}

void HostDisplay::close() {
    if (presenterReady_) {
        destroyPresenter();
    }
    if (hasWindow()) {
        destroyWindow();
    }
    surface_.reset();
    surfaceBytes_ = 0;
    reset();
}

void HostDisplay::reset() {
    DisplayAdapter::reset();
    presenterReady_ = false;
    surfaceFormat_ = Format::NoFormat;
    surfaceStride_ = 0;
    closeRequested_ = false;
    toggleRequested_ = false;
    keyDown_.fill(false);
    shortcutHeld_.fill(false);
    mouse_ = Mouse{0, 0, 0, 0.0f, 0.0f};
}

void HostDisplay::setTitle(const char* title) {
    DisplayAdapter::setTitle(title);
    if (hasWindow()) {
        titleChanged();
    }
}

bool HostDisplay::windowed() {
    return switchShape(false);
}

bool HostDisplay::fullscreen() {
    return switchShape(true);
}

bool HostDisplay::switchShape(bool fullscreenShape) {
    const Output target = fullscreenShape ? Output::Fullscreen : Output::Windowed;
    if (presenterReady_) {
        if (output() == target) {
            return true;
        }
        destroyPresenter();
        presenterReady_ = false;
    }
    if (!hasWindow()) {
        return false; // a closed display has no shape to switch
    }
    const Format format = createPresenter(fullscreenShape);
    if (format == Format::NoFormat || bytesPerPixel(format) == 0) {
        close();
        return false;
    }
    presenterReady_ = true;
    if (!presenterUsable()) {
        close();
        return false;
    }
    allocateSurface(format);
    setOutput(target);
    if (fullscreenShape) {
        pumpEvents();
    }
    return true;
}

void HostDisplay::allocateSurface(Format format) {
    const int bytes = bytesPerPixel(format);
    const std::size_t needed = static_cast<std::size_t>(width()) * static_cast<std::size_t>(height()) *
                               static_cast<std::size_t>(bytes);
    if (!surface_ || surfaceBytes_ != needed) {
        surface_ = std::make_unique<unsigned char[]>(needed);
        surfaceBytes_ = needed;
    }
    // A new presenter starts black, whatever the previous one showed.
    std::memset(surface_.get(), 0, needed);
    surfaceFormat_ = format;
    surfaceStride_ = width() * bytes;
}

bool HostDisplay::handleRequests() {
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
    if (hasWindow()) {
        pumpEvents();
    }
    return true;
}

void HostDisplay::showIfHidden() {
    if (hasWindow() && !windowVisible()) {
        showWindow();
        pumpEvents();
    }
}

LockedFramebuffer* HostDisplay::lock() {
    if (!handleRequests() || !presenterReady_ || !presenterUsable()) {
        return nullptr;
    }
    locked_ = LockedFramebuffer{surfaceFormat_, surface_.get(), surfaceStride_};
    return &locked_;
}

bool HostDisplay::unlock() {
    if (presenterReady_ && presenterUsable()) {
        present(surface_.get(), surfaceStride_);
    }
    showIfHidden();
    return true;
}

bool HostDisplay::update(const TrueColorPixel* trueColor, const FloatingPointPixel* floatingPoint,
                         const DirtyBox* box) {
    if (!handleRequests()) {
        return false;
    }
    if (presenterReady_ && presenterUsable()) {
        if (floatingPoint != nullptr) {
            convertIntoSurface(floatingPoint, Format::XBGRFFFF, box);
        } else if (trueColor != nullptr) {
            convertIntoSurface(trueColor, Format::XRGB8888, box);
        }
        present(surface_.get(), surfaceStride_);
    }
    showIfHidden();
    return true;
}

void HostDisplay::convertIntoSurface(const void* source, Format sourceFormat, const DirtyBox* box) {
    const Converter* converter = requestConverter(sourceFormat, surfaceFormat_);
    if (converter == nullptr) {
        return; // the surface keeps its old contents
    }
    DirtyBox area = box != nullptr ? *box : DirtyBox{0, width(), 0, height()};
    // A box reaching outside the framebuffer is cut to it rather than read or written out of bounds.
    const auto clamp = [](int value, int limit) { return value < 0 ? 0 : (value > limit ? limit : value); };
    area.xBegin = clamp(area.xBegin, width());
    area.xEnd = clamp(area.xEnd, width());
    area.yBegin = clamp(area.yBegin, height());
    area.yEnd = clamp(area.yEnd, height());
    if (area.xEnd <= area.xBegin || area.yEnd <= area.yBegin) {
        return;
    }
    const std::size_t sourceBytes = static_cast<std::size_t>(bytesPerPixel(sourceFormat));
    const std::size_t targetBytes = static_cast<std::size_t>(bytesPerPixel(surfaceFormat_));
    const std::size_t sourceRowBytes = static_cast<std::size_t>(width()) * sourceBytes;
    const unsigned char* sourceRow = static_cast<const unsigned char*>(source) +
                                     static_cast<std::size_t>(area.yBegin) * sourceRowBytes +
                                     static_cast<std::size_t>(area.xBegin) * sourceBytes;
    unsigned char* targetRow =
        surface_.get() + static_cast<std::size_t>(area.yBegin) * static_cast<std::size_t>(surfaceStride_) +
        static_cast<std::size_t>(area.xBegin) * targetBytes;
    converter->begin();
    for (int y = area.yBegin; y < area.yEnd; ++y) {
        converter->convert(sourceRow, targetRow, area.xEnd - area.xBegin);
        sourceRow += sourceRowBytes;
        targetRow += surfaceStride_;
    }
    converter->end();
}

bool HostDisplay::paint() {
    if (presenterReady_ && presenterUsable()) {
        return present(surface_.get(), surfaceStride_);
    }
    return true;
}

bool HostDisplay::runMenuCommand(MenuCommand command) {
    if (!hasWindow() || !currentMenu().offers(command)) {
        return false;
    }
    switch (command) {
    case MenuCommand::OriginalSize:
    case MenuCommand::Zoom2x:
    case MenuCommand::Zoom4x:
    case MenuCommand::Zoom8x:
        zoomWindow(zoomFactor(command));
        return true;
    case MenuCommand::Center:
        centreWindow();
        return true;
    case MenuCommand::Windowed:
        return windowed();
    case MenuCommand::Fullscreen:
        return fullscreen();
    default:
        return false;
    }
}

namespace {

// The window-menu command an Alt shortcut stands for, if any.
bool shortcutCommand(int virtualKey, MenuCommand& command) {
    switch (virtualKey) {
    case '1':
        command = MenuCommand::OriginalSize;
        return true;
    case '2':
        command = MenuCommand::Zoom2x;
        return true;
    case '4':
        command = MenuCommand::Zoom4x;
        return true;
    case '8':
        command = MenuCommand::Zoom8x;
        return true;
    case 'C':
        command = MenuCommand::Center;
        return true;
    default:
        return false;
    }
}

} // namespace

void HostDisplay::deliverKeyDown(int virtualKey, bool altHeld) {
    const int vk = virtualKey & 0xff;
    if (shortcutHeld_[vk]) {
        return; // auto-repeat of a shortcut
    }
    if (altHeld) {
        MenuCommand command;
        if (vk == VirtualKey::ENTER) {
            requestToggle();
            shortcutHeld_[vk] = true;
            return;
        }
        if (shortcutCommand(vk, command) && currentMenu().offers(command)) {
            shortcutHeld_[vk] = true;
            runMenuCommand(command);
            return;
        }
    }
    const Key key = translateVirtualKey(vk);
    Listener* target = listener();
    if (!keyDown_[vk]) {
        if (target != nullptr) {
            target->onKeyDown(callbackTarget(), key);
            // The listener may have been replaced or removed inside its own callback.
            target = listener();
        }
        if (vk == VirtualKey::ESCAPE && (target == nullptr || target->defaultKeysEnabled())) {
            requestClose();
        }
        keyDown_[vk] = true;
    }
    if (target != nullptr) {
        target->onKeyPressed(callbackTarget(), key);
    }
}

void HostDisplay::deliverKeyUp(int virtualKey) {
    const int vk = virtualKey & 0xff;
    if (shortcutHeld_[vk]) {
        shortcutHeld_[vk] = false;
        return;
    }
    if (listener() != nullptr) {
        listener()->onKeyUp(callbackTarget(), translateVirtualKey(vk));
    }
    keyDown_[vk] = false;
}

void HostDisplay::deliverCloseButton() {
    if (listener() != nullptr && !listener()->onClose(callbackTarget())) {
        return; // vetoed
    }
    requestClose();
}

void HostDisplay::deliverActivate(bool active) {
    if (listener() != nullptr) {
        listener()->onActivate(callbackTarget(), active);
    }
}

void HostDisplay::deliverMouseMove(PointF position) {
    mouse_.x = position.x;
    mouse_.y = position.y;
    if (listener() != nullptr) {
        listener()->onMouseMove(callbackTarget(), mouse_);
    }
}

void HostDisplay::deliverMouseButton(MouseButton button, bool down, PointF position) {
    mouse_.x = position.x;
    mouse_.y = position.y;
    std::uint8_t& flag = button == MouseButton::Left     ? mouse_.left
                         : button == MouseButton::Middle ? mouse_.middle
                                                         : mouse_.right;
    flag = down ? 1 : 0;
    if (listener() != nullptr) {
        if (down) {
            listener()->onMouseButtonDown(callbackTarget(), mouse_);
        } else {
            listener()->onMouseButtonUp(callbackTarget(), mouse_);
        }
    }
}

} // namespace Scanout
