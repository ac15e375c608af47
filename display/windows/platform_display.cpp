// The platform choices on Windows: the facade creates a WindowsDisplay, and frames are timed by
// the performance counter.
#include <memory>

#include "display/display.h"
#include "display/windows/windows_display.h"
#include "display/windows/windows_timer.h"

namespace Scanout {

Display::Display() : Display(std::make_unique<WindowsDisplay>()) {}

std::unique_ptr<TimerInterface> createPlatformTimer() {
    return std::make_unique<WindowsTimer>();
}

} // namespace Scanout
