// The common state and default operations of every platform display.
#include "display/display_adapter.h"

#include <cstring>

namespace Scanout {

DisplayAdapter::DisplayAdapter() {
    // Not through the virtual slot: a subclass is not built yet.
    DisplayAdapter::reset();
}

DisplayAdapter::~DisplayAdapter() {
    DisplayAdapter::reset();
    listener_ = nullptr;
    wrapper_ = nullptr;
}

bool DisplayAdapter::open(const char* title, int width, int height, Output output, Mode mode) {
    close();
    storeTitle(title);
    width_ = width;
    height_ = height;
    output_ = output;
    mode_ = mode;
    open_ = true;
    return true;
}

void DisplayAdapter::close() {
    reset();
}

void DisplayAdapter::reset() {
    title_[0] = '\0';
    width_ = 0;
    height_ = 0;
    mode_ = Mode::FloatingPoint;
    output_ = Output::Default;
    open_ = false;
}

bool DisplayAdapter::updateTrueColor(const TrueColorPixel* pixels, const DirtyBox* box) {
    if (pixels == nullptr) {
        return false;
    }
    return update(pixels, nullptr, box);
}

bool DisplayAdapter::updateFloatingPoint(const FloatingPointPixel* pixels, const DirtyBox* box) {
    if (pixels == nullptr) {
        return false;
    }
    return update(nullptr, pixels, box);
}

bool DisplayAdapter::update(const TrueColorPixel*, const FloatingPointPixel*, const DirtyBox*) {
    return true;
}

void DisplayAdapter::setTitle(const char* title) {
    storeTitle(title);
}

void DisplayAdapter::storeTitle(const char* title) {
    if (title == nullptr) {
        title_[0] = '\0';
        return;
    }
    const std::size_t length = strnlen(title, TITLE_CAPACITY - 1);
    std::memcpy(title_, title, length);
    title_[length] = '\0';
}

bool DisplayAdapter::windowed() {
    output_ = Output::Windowed;
    return true;
}

bool DisplayAdapter::fullscreen() {
    output_ = Output::Fullscreen;
    return true;
}

} // namespace Scanout
