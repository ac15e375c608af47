// The facade an application holds: it owns the platform display and forwards every operation.
//
// Conventions: the default constructor creates the platform's display (SdlDisplay on Linux; its
// definition lives with that host, so linking the facade's default constructor pulls the host in).
// Without a platform display every query answers the closed-state defaults and nothing fails loudly.
// Listener callbacks receive the facade, not the platform display.
#pragma once

#include <memory>

#include "display/display_adapter.h"
#include "display/timer_interface.h"

namespace Scanout {

class Display : public DisplayInterface {
public:
    Display();
    // Takes a ready-made platform display (tests, capture); none is allowed.
    explicit Display(std::unique_ptr<DisplayAdapter> platform);
    ~Display() override;
    Display(const Display&) = delete;
    Display& operator=(const Display&) = delete;

    bool isOpen() const override;
    bool open(const char* title, int width, int height, Output output, Mode mode) override;
    void close() override;
    bool updateTrueColor(const TrueColorPixel* pixels, const DirtyBox* box) override;
    bool updateFloatingPoint(const FloatingPointPixel* pixels, const DirtyBox* box) override;
    LockedFramebuffer* lock() override;
    bool unlock() override;
    void setTitle(const char* title) override;
    const char* title() const override;
    int width() const override;
    int height() const override;
    Mode mode() const override;
    Output output() const override;
    Listener* listener() const override;
    void setListener(Listener* listener) override;
    DisplayInterface* wrapper() override { return this; }
    void setWrapper(DisplayInterface*) override {}

    DisplayAdapter* platform() const { return platform_.get(); }

private:
    std::unique_ptr<DisplayAdapter> platform_;
};

// The frame timer of the platform the program runs on (the performance counter on Windows, the
// steady clock elsewhere); defined beside the facade's platform choice, like Display().
std::unique_ptr<TimerInterface> createPlatformTimer();

} // namespace Scanout
