// SDL key codes arrive at the listener as the same Key codes as on every host.
#include <gtest/gtest.h>

#include <SDL.h>

#include "display/key_table.h"
#include "display/sdl/sdl_keys.h"

namespace {

Scanout::Key keyFor(int sdlKeycode) {
    const int vk = Scanout::virtualKeyFromSdlKeycode(sdlKeycode);
    return vk < 0 ? -1 : Scanout::translateVirtualKey(vk);
}

TEST(SdlKeys, LettersDigitsControlKeysAndPunctuationThroughTheTable) {
    // Each pair: an SDL key code and the Key the listener must receive (-1: none); the ends of
    // each run of codes that map in order (letters, digits, function keys, the keypad's digits).
    const int cases[][2] = {
        {SDLK_a, 'A'},          {SDLK_z, 'Z'},        {SDLK_0, '0'},           {SDLK_9, '9'},
        {SDLK_ESCAPE, 27},      {SDLK_RETURN, 10},    {SDLK_KP_ENTER, 10},     {SDLK_SPACE, 32},
        {SDLK_F1, 112},         {SDLK_F12, 123},      {SDLK_LEFT, 37},         {SDLK_DOWN, 40},
        {SDLK_LALT, 18},        {SDLK_RSHIFT, 16},    {SDLK_KP_0, 96},         {SDLK_KP_9, 105},
        {SDLK_EQUALS, 61},      {SDLK_MINUS, 108},    {SDLK_INSERT, 155},      {SDLK_DELETE, 127},
        {SDLK_SEMICOLON, 59},   {SDLK_COMMA, 44},     {SDLK_PERIOD, 46},       {SDLK_SLASH, 47},
        {SDLK_LEFTBRACKET, 91}, {SDLK_BACKSLASH, 92}, {SDLK_RIGHTBRACKET, 93}, {SDLK_UNKNOWN, -1},
        {SDLK_AUDIOPLAY, -1},
    };
    for (const auto& [sdl, key] : cases) {
        EXPECT_EQ(keyFor(sdl), key) << "SDL key code " << sdl;
    }
}

} // namespace
