// The platform choices on every SDL2 platform: the facade creates an SdlDisplay, and frames are
// timed by the steady clock.
#include <memory>

#include "display/display.h"
#include "display/sdl/sdl_display.h"
#include "display/steady_timer.h"

namespace Scanout {

Display::Display() : Display(std::make_unique<SdlDisplay>()) {}

std::unique_ptr<TimerInterface> createPlatformTimer() {
    return std::make_unique<SteadyTimer>();
}

} // namespace Scanout
