// The facade's platform choice: on every SDL2 platform the facade creates an SdlDisplay.
#include <memory>

#include "display/display.h"
#include "display/sdl/sdl_display.h"

namespace Scanout {

Display::Display() : Display(std::make_unique<SdlDisplay>()) {}

} // namespace Scanout
