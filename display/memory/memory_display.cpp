// The headless display: memory surface, frame callback and scripted events.
#include "display/memory/memory_display.h"

#include <algorithm>

namespace Scanout {

MemoryDisplay::MemoryDisplay(MemoryScreen screen)
    : screen_(std::move(screen)), accepted_{Format::XRGB8888, Format::XBGR8888, Format::RGB888,
                                            Format::BGR888,   Format::RGB565,   Format::BGR565,
                                            Format::XRGB1555, Format::XBGR1555, Format::XBGRFFFF} {}

MemoryDisplay::~MemoryDisplay() {
    close();
}

bool MemoryDisplay::accepts(Format format) const {
    return std::find(accepted_.begin(), accepted_.end(), format) != accepted_.end();
}

bool MemoryDisplay::createWindow() {
    if (windowCreationFails_) {
        return false;
    }
    window_ = true;
    visible_ = false;
    fullscreenShape_ = false;
    minimized_ = false;
    centred_ = false;
    outer_ = Rect{0, 0, width(), height()};
    return true;
}

void MemoryDisplay::destroyWindow() {
    window_ = false;
    visible_ = false;
    events_.clear();
}

Format MemoryDisplay::createPresenter(bool fullscreenShape) {
    // The shape first, as a real host switches the window before building its device.
    visible_ = false;
    if (fullscreenShape) {
        const int chosen = chooseFullscreenMode(screen_.modes, width(), height());
        if (chosen < 0) {
            return Format::NoFormat;
        }
        mode_ = screen_.modes[static_cast<std::size_t>(chosen)];
        outer_ = Rect{0, 0, std::max(mode_.width, width()), std::max(mode_.height, height())};
        fullscreenShape_ = true;
        visible_ = true;
    } else {
        const FrameInsets& f = screen_.frame;
        const Point at = centredPosition(width() + f.left + f.right, height() + f.top + f.bottom,
                                         screen_.width, screen_.height);
        outer_ = Rect{at.x, at.y, at.x + width() + f.left + f.right, at.y + height() + f.top + f.bottom};
        fullscreenShape_ = false;
        centred_ = true;
        mode_ = ModeSize{0, 0};
    }
    bool deviceMade = false;
    const DeviceAttemptList attempts = deviceAttempts(mode());
    for (int i = 0; i < attempts.count && !deviceMade; ++i) {
        deviceMade = accepts(attempts.items[i].format);
    }
    if (!deviceMade) {
        return Format::NoFormat;
    }
    const FormatList formats = textureFormats(mode());
    for (int i = 0; i < formats.count; ++i) {
        if (accepts(formats.items[i])) {
            return formats.items[i];
        }
    }
    return Format::NoFormat;
}

bool MemoryDisplay::present(const void* pixels, int stride) {
    ++framesPresented_;
    if (callback_) {
        callback_(PresentedFrame{surfaceFormat(), pixels, stride, width(), height(), framesPresented_});
    }
    return true;
}

Rect MemoryDisplay::clientRect() const {
    if (fullscreenShape_) {
        return outer_;
    }
    const FrameInsets& f = screen_.frame;
    return Rect{outer_.left + f.left, outer_.top + f.top, outer_.right - f.right, outer_.bottom - f.bottom};
}

PointF MemoryDisplay::toFramebuffer(float clientX, float clientY) const {
    const Rect client = clientRect();
    return clientToFramebuffer(clientX, clientY, width(), height(), client.width(), client.height());
}

void MemoryDisplay::pushKeyDown(int virtualKey, bool altHeld) {
    Event e{Event::Kind::KeyDown};
    e.key = virtualKey;
    e.flag = altHeld;
    events_.push_back(e);
}

void MemoryDisplay::pushKeyUp(int virtualKey) {
    Event e{Event::Kind::KeyUp};
    e.key = virtualKey;
    events_.push_back(e);
}

void MemoryDisplay::pushMouseMove(float clientX, float clientY) {
    Event e{Event::Kind::MouseMove};
    e.x = clientX;
    e.y = clientY;
    events_.push_back(e);
}

void MemoryDisplay::pushMouseButton(MouseButton button, bool down, float clientX, float clientY) {
    Event e{Event::Kind::MouseButton};
    e.button = button;
    e.flag = down;
    e.x = clientX;
    e.y = clientY;
    events_.push_back(e);
}

void MemoryDisplay::pushCloseButton() {
    events_.push_back(Event{Event::Kind::Close});
}

void MemoryDisplay::pushActivate(bool active) {
    Event e{Event::Kind::Activate};
    e.flag = active;
    events_.push_back(e);
}

void MemoryDisplay::pushUserMove(int left, int top) {
    Event e{Event::Kind::Move};
    e.left = left;
    e.top = top;
    events_.push_back(e);
}

void MemoryDisplay::pushMinimize(bool minimized) {
    Event e{Event::Kind::Minimize};
    e.flag = minimized;
    events_.push_back(e);
}

void MemoryDisplay::pumpEvents() {
    ++eventDrains_;
    // Only what was queued before this drain; a callback closing the display stops it.
    std::size_t pending = events_.size();
    while (pending-- > 0 && window_ && !events_.empty()) {
        const Event e = events_.front();
        events_.pop_front();
        switch (e.kind) {
        case Event::Kind::KeyDown:
            deliverKeyDown(e.key, e.flag);
            break;
        case Event::Kind::KeyUp:
            deliverKeyUp(e.key);
            break;
        case Event::Kind::MouseMove:
            deliverMouseMove(toFramebuffer(e.x, e.y));
            break;
        case Event::Kind::MouseButton:
            deliverMouseButton(e.button, e.flag, toFramebuffer(e.x, e.y));
            break;
        case Event::Kind::Close:
            deliverCloseButton();
            break;
        case Event::Kind::Activate:
            deliverActivate(e.flag);
            break;
        case Event::Kind::Move:
            outer_ = Rect{e.left, e.top, e.left + outer_.width(), e.top + outer_.height()};
            centred_ = false;
            break;
        case Event::Kind::Minimize:
            minimized_ = e.flag;
            break;
        }
    }
}

MenuWindowState MemoryDisplay::menuState() const {
    return MenuWindowState{!fullscreenShape_, minimized_, false,         centred_,
                           width(),           height(),   screen_.width, screen_.height};
}

void MemoryDisplay::zoomWindow(float factor) {
    outer_ = zoomedWindowRect(outer_, width(), height(), factor, screen_.frame);
}

void MemoryDisplay::centreWindow() {
    const Point at = centredPosition(outer_.width(), outer_.height(), screen_.width, screen_.height);
    outer_ = Rect{at.x, at.y, at.x + outer_.width(), at.y + outer_.height()};
    centred_ = true;
}

} // namespace Scanout
