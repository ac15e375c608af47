// The display's items in the real system menu, read back from the menu itself.
#include <gtest/gtest.h>

#include "tests/display/windows/window_test_support.h"

namespace Scanout {
namespace {

using testing::CountingAdapter;
using testing::FakeSystem;
using testing::StubDisplay;

struct Item {
    UINT id;
    std::wstring text; // empty for separators

    bool operator==(const Item&) const = default;
};

// The items this display owns (identifiers 1 to 10), in menu order.
std::vector<Item> displayItems(HWND window) {
    HMENU menu = GetSystemMenu(window, FALSE);
    std::vector<Item> items;
    const int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        MENUITEMINFOW info{};
        info.cbSize = sizeof(info);
        info.fMask = MIIM_ID | MIIM_FTYPE;
        if (!GetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &info) || info.wID < 1 || info.wID > 10) {
            continue;
        }
        wchar_t text[64] = {};
        if ((info.fType & MFT_SEPARATOR) == 0) {
            GetMenuStringW(menu, static_cast<UINT>(i), text, 64, MF_BYPOSITION);
        }
        items.push_back(Item{info.wID, text});
    }
    return items;
}

// Which items are offered is the shared menu rule's (tested with it); here the real menu holds
// them, with their texts, once however often it is rebuilt, and Center goes and comes back.
TEST(SystemMenu, WindowedOffersTwoZoomsFullscreenAndCenterUntilCentredAndFullScreenOnlyWindowed) {
    FakeSystem::screen = ScreenSize{1920, 1080};
    StubDisplay display;
    CountingAdapter adapter;
    std::unique_ptr<WindowRecord> record =
        createWindow(&display, &adapter, 640, 480, "system menu test", FakeSystem::queries());
    ASSERT_NE(record->window, nullptr);
    const std::vector<Item> moved{{1, L""},       {2, L"Original Size"}, {3, L"2x Zoom"},
                                  {6, L""},       {8, L"Fullscreen"},    {9, L""},
                                  {10, L"Center"}};
    EXPECT_EQ(displayItems(record->window), moved);
    rebuildSystemMenu(*record);
    rebuildSystemMenu(*record);
    EXPECT_EQ(displayItems(record->window), moved);

    centerWindow(*record);
    EXPECT_EQ(displayItems(record->window), std::vector<Item>(moved.begin(), moved.end() - 2));
    RECT dragged{10, 10, 650, 490};
    SendMessageW(record->window, WM_MOVING, WMSZ_TOP, reinterpret_cast<LPARAM>(&dragged));
    EXPECT_EQ(displayItems(record->window), moved);

    // The full-screen shape offers Windowed only.
    setFullscreenShape(*record, 640, 480);
    EXPECT_EQ(record->windowed, 0);
    EXPECT_EQ(displayItems(record->window), (std::vector<Item>{{6, L""}, {7, L"Windowed"}}));
    RECT outer{};
    GetWindowRect(record->window, &outer);
    EXPECT_EQ(outer.right - outer.left, 1920); // covers the screen the seam reports
    EXPECT_EQ(outer.bottom - outer.top, 1080);

    setWindowedShape(*record, 640, 480);
    EXPECT_EQ(record->windowed, 1);
    EXPECT_TRUE(record->centred);
    EXPECT_EQ(displayItems(record->window).back(), (Item{8, L"Fullscreen"}));
    destroyWindow(record);
}

} // namespace
} // namespace Scanout
