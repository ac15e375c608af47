// Asks an X window to close the way a window manager's close button does (WM_DELETE_WINDOW).
#pragma once

#include <string>

namespace tessellune::testing {

// Sends the close request to the first window of that exact title on that X display; false when
// the display or the window cannot be reached.
bool requestWindowClose(const std::string& display, const std::string& windowTitle);

} // namespace tessellune::testing
