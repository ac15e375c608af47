// The virtual-key table: identity everywhere except the twelve translated keys.
#include <gtest/gtest.h>

#include <map>

#include "display/key_table.h"

namespace {

TEST(KeyTable, IdentityExceptTheTwelveTranslatedKeys) {
    const std::map<int, int> exceptions{{13, 10},   {45, 155}, {46, 127}, {186, 59}, {187, 61}, {188, 44},
                                        {189, 108}, {190, 46}, {191, 47}, {219, 91}, {220, 92}, {221, 93}};
    const Scanout::KeyTable table = Scanout::makeKeyTable();
    for (int vk = 0; vk < Scanout::VIRTUAL_KEY_COUNT; ++vk) {
        const auto found = exceptions.find(vk);
        const int expected = found == exceptions.end() ? vk : found->second;
        EXPECT_EQ(table[static_cast<std::size_t>(vk)], expected) << "virtual key " << vk;
        EXPECT_EQ(Scanout::translateVirtualKey(vk), expected);
    }
    EXPECT_EQ(Scanout::translateVirtualKey(0x100 + 13), 10) << "only the low byte of a message's key counts";
}

} // namespace
