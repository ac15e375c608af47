// A real hidden window driven by sent messages, with fixed Alt state, screen and client sizes.
#pragma once

#include <string>
#include <vector>

#include "display/display_adapter.h"
#include "display/listener.h"
#include "display/windows/window_record.h"

namespace Scanout::testing {

// The values the window's query seams report; tests set them before sending messages.
struct FakeSystem {
    static inline bool alt = false;
    static inline ScreenSize screen{1920, 1080};
    static inline Rect client{0, 0, 640, 480};

    static WindowQueries queries() {
        return WindowQueries{[] { return alt; }, [] { return screen; }, [](HWND) { return client; }};
    }
};

class CountingAdapter final : public WindowsAdapter {
public:
    bool paint() override {
        ++paints;
        return true;
    }
    bool fullscreen() override {
        ++fullscreens;
        return true;
    }
    bool windowed() override {
        ++windoweds;
        return true;
    }
    void requestToggle() override { ++toggles; }
    void requestClose() override { ++closes; }

    int paints = 0;
    int fullscreens = 0;
    int windoweds = 0;
    int toggles = 0;
    int closes = 0;
};

class StubDisplay final : public DisplayAdapter {
public:
    LockedFramebuffer* lock() override { return nullptr; }
    bool unlock() override { return true; }
};

// Writes every callback as a short line, e.g. "down 10", "pressed 10", "up 10", "move 50 25".
class RecordingListener : public Listener {
public:
    bool defaultKeysEnabled() override { return defaultKeys; }
    void onKeyDown(DisplayInterface& display, Key key) override {
        note(display, "down " + std::to_string(key));
    }
    void onKeyPressed(DisplayInterface& display, Key key) override {
        note(display, "pressed " + std::to_string(key));
    }
    void onKeyUp(DisplayInterface& display, Key key) override { note(display, "up " + std::to_string(key)); }
    void onMouseButtonDown(DisplayInterface& display, Mouse mouse) override {
        noteMouse(display, "press", mouse);
    }
    void onMouseButtonUp(DisplayInterface& display, Mouse mouse) override {
        noteMouse(display, "release", mouse);
    }
    void onMouseMove(DisplayInterface& display, Mouse mouse) override { noteMouse(display, "move", mouse); }
    void onActivate(DisplayInterface& display, bool active) override {
        note(display, active ? "active" : "inactive");
    }
    void onOpen(DisplayInterface& display) override { note(display, "open"); }
    bool onClose(DisplayInterface& display) override {
        note(display, "close");
        return allowClose;
    }

    bool defaultKeys = true;
    bool allowClose = true;
    std::vector<std::string> events;
    std::vector<Mouse> mice;
    DisplayInterface* lastDisplay = nullptr;

private:
    void note(DisplayInterface& display, std::string text) {
        lastDisplay = &display;
        events.push_back(std::move(text));
    }
    void noteMouse(DisplayInterface& display, const char* what, Mouse mouse) {
        mice.push_back(mouse);
        note(display, what);
    }
};

} // namespace Scanout::testing
