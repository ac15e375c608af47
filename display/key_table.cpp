// The virtual-key to Key code table with its twelve exceptions.
#include "display/key_table.h"

namespace Scanout {

KeyTable makeKeyTable() {
    KeyTable table{};
    for (int i = 0; i < VIRTUAL_KEY_COUNT; ++i) {
        table[static_cast<std::size_t>(i)] = i;
    }
    table[VirtualKey::ENTER] = 10;
    table[VirtualKey::INSERT] = 155;
    table[VirtualKey::DELETE] = 127;
    table[VirtualKey::SEMICOLON] = 59;
    table[VirtualKey::PLUS] = 61;
    table[VirtualKey::COMMA] = 44;
    table[VirtualKey::MINUS] = 108;
    table[VirtualKey::PERIOD] = 46;
    table[VirtualKey::SLASH] = 47;
    table[VirtualKey::OPEN_BRACKET] = 91;
    table[VirtualKey::BACKSLASH] = 92;
    table[VirtualKey::CLOSE_BRACKET] = 93;
    return table;
}

Key translateVirtualKey(int virtualKey) {
    static const KeyTable TABLE = makeKeyTable();
    return TABLE[static_cast<std::size_t>(virtualKey & 0xff)];
}

} // namespace Scanout
