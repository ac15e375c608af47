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

TEST(SdlKeys, LettersDigitsAndControlKeys) {
    for (int i = 0; i < 26; ++i) {
        EXPECT_EQ(keyFor(SDLK_a + i), 'A' + i);
    }
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(keyFor(SDLK_0 + i), '0' + i);
    }
    EXPECT_EQ(keyFor(SDLK_ESCAPE), 27);
    EXPECT_EQ(keyFor(SDLK_RETURN), 10);
    EXPECT_EQ(keyFor(SDLK_KP_ENTER), 10);
    EXPECT_EQ(keyFor(SDLK_SPACE), 32);
    EXPECT_EQ(keyFor(SDLK_F1), 112);
    EXPECT_EQ(keyFor(SDLK_F12), 123);
    EXPECT_EQ(keyFor(SDLK_LEFT), 37);
    EXPECT_EQ(keyFor(SDLK_DOWN), 40);
    EXPECT_EQ(keyFor(SDLK_LALT), 18);
    EXPECT_EQ(keyFor(SDLK_RSHIFT), 16);
    EXPECT_EQ(keyFor(SDLK_KP_0), 96);
    EXPECT_EQ(keyFor(SDLK_KP_9), 105);
}

TEST(SdlKeys, PunctuationGoesThroughTheTableExceptions) {
    EXPECT_EQ(keyFor(SDLK_EQUALS), 61);
    EXPECT_EQ(keyFor(SDLK_MINUS), 108);
    EXPECT_EQ(keyFor(SDLK_INSERT), 155);
    EXPECT_EQ(keyFor(SDLK_DELETE), 127);
    EXPECT_EQ(keyFor(SDLK_SEMICOLON), 59);
    EXPECT_EQ(keyFor(SDLK_COMMA), 44);
    EXPECT_EQ(keyFor(SDLK_PERIOD), 46);
    EXPECT_EQ(keyFor(SDLK_SLASH), 47);
    EXPECT_EQ(keyFor(SDLK_LEFTBRACKET), 91);
    EXPECT_EQ(keyFor(SDLK_BACKSLASH), 92);
    EXPECT_EQ(keyFor(SDLK_RIGHTBRACKET), 93);
    EXPECT_EQ(keyFor(SDLK_UNKNOWN), -1);
    EXPECT_EQ(keyFor(SDLK_AUDIOPLAY), -1);
}

} // namespace
