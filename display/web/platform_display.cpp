// The platform choices in the browser: the facade creates a WebDisplay, and frames are timed by
// the steady clock (the page's high-resolution time).
#include <memory>

#include "display/display.h"
#include "display/steady_timer.h"
#include "display/web/web_display.h"

namespace Scanout {

Display::Display() : Display(std::make_unique<WebDisplay>()) {}

std::unique_ptr<TimerInterface> createPlatformTimer() {
    return std::make_unique<SteadyTimer>();
}

} // namespace Scanout
