// A listener for the display tests that writes every callback as one short line.
//
// Conventions: keys are "down 65", "pressed 65", "up 65"; the pointer is "mousedown", "mouseup" or
// "move", then the left, middle and right button states as digits, then x and y with two decimals
// ("mousedown 100 50.00 25.00"); then "activate", "deactivate", "open" and "close?".
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "display/display_interface.h"
#include "display/listener.h"

namespace Scanout::testing {

class RecordingListener : public Listener {
public:
    bool defaultKeysEnabled() override { return defaultKeys; }
    void onKeyDown(DisplayInterface& d, Key k) override {
        note(d, "down " + std::to_string(k));
        if (closeOnKeyDown) {
            d.close();
        }
    }
    void onKeyPressed(DisplayInterface& d, Key k) override { note(d, "pressed " + std::to_string(k)); }
    void onKeyUp(DisplayInterface& d, Key k) override { note(d, "up " + std::to_string(k)); }
    void onMouseButtonDown(DisplayInterface& d, Mouse m) override { note(d, "mousedown " + text(m)); }
    void onMouseButtonUp(DisplayInterface& d, Mouse m) override { note(d, "mouseup " + text(m)); }
    void onMouseMove(DisplayInterface& d, Mouse m) override { note(d, "move " + text(m)); }
    void onActivate(DisplayInterface& d, bool active) override {
        note(d, active ? "activate" : "deactivate");
    }
    void onOpen(DisplayInterface& d) override { note(d, "open"); }
    bool onClose(DisplayInterface& d) override {
        note(d, "close?");
        return allowClose;
    }

    // The key lines only (activation and moves come and go with a real desktop).
    std::vector<std::string> keyLines() const {
        std::vector<std::string> keys;
        for (const std::string& line : lines) {
            if (line.starts_with("down") || line.starts_with("pressed") || line.starts_with("up")) {
                keys.push_back(line);
            }
        }
        return keys;
    }

    bool defaultKeys = true;
    bool allowClose = true;
    bool closeOnKeyDown = false; // closes the display from inside the callback
    std::vector<std::string> lines;
    std::vector<Output> outputs; // the display's output at each callback
    DisplayInterface* lastDisplay = nullptr;

private:
    static std::string text(Mouse m) {
        char buffer[96];
        std::snprintf(buffer, sizeof buffer, "%d%d%d %.2f %.2f", m.left, m.middle, m.right, m.x, m.y);
        return buffer;
    }
    void note(DisplayInterface& d, const std::string& line) {
        lines.push_back(line);
        outputs.push_back(d.output());
        lastDisplay = &d;
    }
};

} // namespace Scanout::testing
