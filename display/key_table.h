// Virtual-key numbers (the Windows numbering every host translates into) to Scanout Key codes.
//
// Conventions: every virtual-key number maps to itself except twelve: Enter 13 -> 10, Insert 45 ->
// 155, Delete 46 -> 127, and the punctuation keys 186-191 and 219-221 -> ; = , l . / [ \ ] (the
// minus key, 189, arrives as 108). Letters are 65-90, digits 48-57, Escape 27, F1 112.
#pragma once

#include <array>

#include "display/scanout_types.h"

namespace Scanout {

constexpr int VIRTUAL_KEY_COUNT = 256;

// A few virtual-key numbers the hosts need by name.
namespace VirtualKey {
constexpr int BACKSPACE = 8;
constexpr int TAB = 9;
constexpr int ENTER = 13;
constexpr int SHIFT = 16;
constexpr int CONTROL = 17;
constexpr int ALT = 18;
constexpr int PAUSE = 19;
constexpr int CAPS_LOCK = 20;
constexpr int ESCAPE = 27;
constexpr int SPACE = 32;
constexpr int PAGE_UP = 33;
constexpr int PAGE_DOWN = 34;
constexpr int END = 35;
constexpr int HOME = 36;
constexpr int LEFT = 37;
constexpr int UP = 38;
constexpr int RIGHT = 39;
constexpr int DOWN = 40;
constexpr int INSERT = 45;
constexpr int DELETE = 46;
constexpr int NUMPAD_0 = 96;
constexpr int MULTIPLY = 106;
constexpr int ADD = 107;
constexpr int SUBTRACT = 109;
constexpr int DECIMAL = 110;
constexpr int DIVIDE = 111;
constexpr int F1 = 112;
constexpr int NUM_LOCK = 144;
constexpr int SCROLL_LOCK = 145;
constexpr int SEMICOLON = 186;
constexpr int PLUS = 187;
constexpr int COMMA = 188;
constexpr int MINUS = 189;
constexpr int PERIOD = 190;
constexpr int SLASH = 191;
constexpr int BACKQUOTE = 192;
constexpr int OPEN_BRACKET = 219;
constexpr int BACKSLASH = 220;
constexpr int CLOSE_BRACKET = 221;
constexpr int QUOTE = 222;
} // namespace VirtualKey

using KeyTable = std::array<Key, VIRTUAL_KEY_COUNT>;

// The identity table with the twelve exceptions applied.
KeyTable makeKeyTable();

// The Key code for a virtual-key number; only its low byte counts, as in window messages.
Key translateVirtualKey(int virtualKey);

} // namespace Scanout
