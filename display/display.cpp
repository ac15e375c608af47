// The Display facade: forwards to the platform display, or answers the defaults without one.
#include "display/display.h"

namespace Scanout {

Display::Display(std::unique_ptr<DisplayAdapter> platform) : platform_(std::move(platform)) {
    if (platform_) {
        platform_->setWrapper(this);
    }
}

Display::~Display() {
    platform_.reset();
}

bool Display::isOpen() const {
    return platform_ && platform_->isOpen();
}

bool Display::open(const char* title, int width, int height, Output output, Mode mode) {
    return platform_ && platform_->open(title, width, height, output, mode);
}

void Display::close() {
    if (platform_) {
        platform_->close();
    }
}

bool Display::updateTrueColor(const TrueColorPixel* pixels, const DirtyBox* box) {
    return platform_ && platform_->updateTrueColor(pixels, box);
}

bool Display::updateFloatingPoint(const FloatingPointPixel* pixels, const DirtyBox* box) {
    return platform_ && platform_->updateFloatingPoint(pixels, box);
}

LockedFramebuffer* Display::lock() {
    return platform_ ? platform_->lock() : nullptr;
}

bool Display::unlock() {
    return platform_ && platform_->unlock();
}

void Display::setTitle(const char* title) {
    if (platform_) {
        platform_->setTitle(title);
    }
}

const char* Display::title() const {
    return platform_ ? platform_->title() : "";
}

int Display::width() const {
    return platform_ ? platform_->width() : 0;
}

int Display::height() const {
    return platform_ ? platform_->height() : 0;
}

Mode Display::mode() const {
    return platform_ ? platform_->mode() : Mode::FloatingPoint;
}

Output Display::output() const {
    return platform_ ? platform_->output() : Output::Default;
}

Listener* Display::listener() const {
    return platform_ ? platform_->listener() : nullptr;
}

void Display::setListener(Listener* listener) {
    if (platform_) {
        platform_->setListener(listener);
    }
}

} // namespace Scanout
