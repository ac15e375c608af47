// SDL key codes to the virtual-key numbers every host feeds into the shared key table.
//
// Conventions: the argument is an SDL_Keycode passed as a plain integer so no SDL header leaves
// this folder; letters follow the keyboard layout (SDL key codes do), as virtual keys do. The
// result is -1 for keys with no virtual-key number.
#pragma once

namespace Scanout {

int virtualKeyFromSdlKeycode(int keycode);

} // namespace Scanout
