// The close request a window manager would send, sent straight to the window (no manager runs on
// the tests' screens, so nothing else would deliver it).
#include "tests/e2e/window_close.h"

#include <X11/Xlib.h>

#include <cstdlib>

#include "tests/support/process.h"

namespace tessellune::testing {

bool requestWindowClose(const std::string& display, const std::string& windowTitle) {
    ProcessOptions options;
    options.environment = {"DISPLAY=" + display};
    options.timeout = std::chrono::seconds(10);
    const ProcessResult found =
        runProcess({"xdotool", "search", "--sync", "--name", "^" + windowTitle + "$"}, options);
    const Window window = std::strtoul(found.output.c_str(), nullptr, 10);
    if (found.exitCode != 0 || window == 0) {
        return false;
    }
    ::Display* x = XOpenDisplay(display.c_str());
    if (x == nullptr) {
        return false;
    }
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(x, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(x, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    const Status sent = XSendEvent(x, window, False, NoEventMask, &event);
    XSync(x, False);
    XCloseDisplay(x);
    return sent != 0;
}

} // namespace tessellune::testing
