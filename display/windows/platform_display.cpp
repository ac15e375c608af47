// The facade's platform choice: on Windows the facade creates a WindowsDisplay.
#include <memory>

#include "display/display.h"
#include "display/windows/windows_display.h"

namespace Scanout {

Display::Display() : Display(std::make_unique<WindowsDisplay>()) {}

} // namespace Scanout
