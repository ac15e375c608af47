// The abstract operation set shared by the Display facade and every platform display.
//
// Conventions: see display/scanout_types.h. A title is a NUL-terminated string of which at most 255
// characters are kept. Every operation runs on the thread that owns the display; listener callbacks
// come only from inside open, update, lock, unlock and the shape switches.
#pragma once

#include "display/scanout_types.h"

namespace Scanout {

class Listener;

class DisplayInterface {
public:
    virtual ~DisplayInterface() = default;
    virtual bool isOpen() const = 0;
    virtual bool open(const char* title, int width, int height, Output output, Mode mode) = 0;
    virtual void close() = 0;
    virtual bool updateTrueColor(const TrueColorPixel* pixels, const DirtyBox* box) = 0;
    virtual bool updateFloatingPoint(const FloatingPointPixel* pixels, const DirtyBox* box) = 0;
    // None when the display has gone (a pending close was carried out) or cannot present.
    virtual LockedFramebuffer* lock() = 0;
    virtual bool unlock() = 0;
    virtual void setTitle(const char* title) = 0;
    virtual const char* title() const = 0;
    virtual int width() const = 0;
    virtual int height() const = 0;
    virtual Mode mode() const = 0;
    virtual Output output() const = 0;
    virtual Listener* listener() const = 0;
    virtual void setListener(Listener* listener) = 0;
    virtual DisplayInterface* wrapper() = 0;
    virtual void setWrapper(DisplayInterface* wrapper) = 0;
};

} // namespace Scanout
