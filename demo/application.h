// The demo's display listener: it owns the display and turns key presses into debug controls.
#pragma once

#include <memory>

#include "demo/debug_keys.h"
#include "display/display.h"
#include "display/listener.h"

namespace tessellune {

class Application : public Scanout::Listener {
public:
    Application();                                                           // with the platform's display
    explicit Application(std::unique_ptr<Scanout::DisplayAdapter> platform); // tests, capture
    ~Application() override;

    Scanout::Display& display() { return *display_; }

    // Escape closes through the display library's own key rule; nothing else happens on key down.
    void onKeyDown(Scanout::DisplayInterface&, Scanout::Key) override {}
    void onKeyPressed(Scanout::DisplayInterface& display, Scanout::Key key) override;
    bool onClose(Scanout::DisplayInterface&) override { return true; }

    DebugControls controls;
    float* gtn = nullptr; // the demo-wide value keys '8' and '9' nudge; set by the run

private:
    std::unique_ptr<Scanout::Display> display_;
};

} // namespace tessellune
