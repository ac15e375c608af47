// SDL key code to virtual-key number translation.
#include "display/sdl/sdl_keys.h"

#include <SDL.h>

#include "display/key_table.h"

namespace Scanout {

int virtualKeyFromSdlKeycode(int keycode) {
    if (keycode >= SDLK_a && keycode <= SDLK_z) {
        return 'A' + (keycode - SDLK_a);
    }
    if (keycode >= SDLK_0 && keycode <= SDLK_9) {
        return keycode;
    }
    if (keycode >= SDLK_F1 && keycode <= SDLK_F12) {
        return VirtualKey::F1 + (keycode - SDLK_F1);
    }
    if (keycode >= SDLK_F13 && keycode <= SDLK_F24) {
        return VirtualKey::F1 + 12 + (keycode - SDLK_F13);
    }
    if (keycode >= SDLK_KP_1 && keycode <= SDLK_KP_9) {
        return VirtualKey::NUMPAD_0 + 1 + (keycode - SDLK_KP_1);
    }
    using namespace VirtualKey;
    switch (keycode) {
    case SDLK_BACKSPACE:
        return BACKSPACE;
    case SDLK_TAB:
        return TAB;
    case SDLK_RETURN:
    case SDLK_KP_ENTER:
        return ENTER;
    case SDLK_ESCAPE:
        return ESCAPE;
    case SDLK_SPACE:
        return SPACE;
    case SDLK_LSHIFT:
    case SDLK_RSHIFT:
        return SHIFT;
    case SDLK_LCTRL:
    case SDLK_RCTRL:
        return CONTROL;
    case SDLK_LALT:
    case SDLK_RALT:
        return ALT;
    case SDLK_PAUSE:
        return PAUSE;
    case SDLK_CAPSLOCK:
        return CAPS_LOCK;
    case SDLK_PAGEUP:
        return PAGE_UP;
    case SDLK_PAGEDOWN:
        return PAGE_DOWN;
    case SDLK_END:
        return END;
    case SDLK_HOME:
        return HOME;
    case SDLK_LEFT:
        return LEFT;
    case SDLK_UP:
        return UP;
    case SDLK_RIGHT:
        return RIGHT;
    case SDLK_DOWN:
        return DOWN;
    case SDLK_INSERT:
        return INSERT;
    case SDLK_DELETE:
        return DELETE;
    case SDLK_KP_0:
        return NUMPAD_0;
    case SDLK_KP_MULTIPLY:
        return MULTIPLY;
    case SDLK_KP_PLUS:
        return ADD;
    case SDLK_KP_MINUS:
        return SUBTRACT;
    case SDLK_KP_PERIOD:
        return DECIMAL;
    case SDLK_KP_DIVIDE:
        return DIVIDE;
    case SDLK_NUMLOCKCLEAR:
        return NUM_LOCK;
    case SDLK_SCROLLLOCK:
        return SCROLL_LOCK;
    case SDLK_SEMICOLON:
        return SEMICOLON;
    case SDLK_EQUALS:
    case SDLK_PLUS:
        return PLUS;
    case SDLK_COMMA:
        return COMMA;
    case SDLK_MINUS:
        return MINUS;
    case SDLK_PERIOD:
        return PERIOD;
    case SDLK_SLASH:
        return SLASH;
    case SDLK_BACKQUOTE:
        return BACKQUOTE;
    case SDLK_LEFTBRACKET:
        return OPEN_BRACKET;
    case SDLK_BACKSLASH:
        return BACKSLASH;
    case SDLK_RIGHTBRACKET:
        return CLOSE_BRACKET;
    case SDLK_QUOTE:
        return QUOTE;
    default:
        return -1;
    }
}

} // namespace Scanout
