// A real hidden window driven by sent messages, with fixed Alt state, screen and client sizes.
#pragma once

#include "display/display_adapter.h"
#include "display/listener.h"
#include "display/windows/window_record.h"
#include "tests/display/recording_listener.h"

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

// Counts the requests; the shape switches and paints succeed at once.
class CountingAdapter final : public WindowsAdapter {
public:
    bool paint() override { return true; }
    bool fullscreen() override { return true; }
    bool windowed() override { return true; }
    void requestToggle() override { ++toggles; }
    void requestClose() override { ++closes; }

    int toggles = 0;
    int closes = 0;
};

class StubDisplay final : public DisplayAdapter {
public:
    LockedFramebuffer* lock() override { return nullptr; }
    bool unlock() override { return true; }
};

} // namespace Scanout::testing
