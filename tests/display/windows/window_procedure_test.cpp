// Keys, close, mouse and system commands through the real window procedure of a hidden window.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <tuple>
#include <vector>

#include "tests/display/windows/window_test_support.h"

namespace Scanout {
namespace {

using testing::CountingAdapter;
using testing::FakeSystem;
using testing::RecordingListener;
using testing::StubDisplay;
using Events = std::vector<std::string>;

class WindowProcedureTest : public ::testing::Test {
protected:
    void SetUp() override {
        FakeSystem::alt = false;
        FakeSystem::screen = ScreenSize{1920, 1080};
        FakeSystem::client = Rect{0, 0, 640, 480};
        record = createWindow(&display, &adapter, 640, 480, "window procedure test", FakeSystem::queries());
        ASSERT_NE(record->window, nullptr);
        record->listener = &listener;
    }
    void TearDown() override { destroyWindow(record); }

    LRESULT send(UINT message, WPARAM wParam, LPARAM lParam = 0) {
        return SendMessageW(record->window, message, wParam, lParam);
    }
    static LPARAM at(int x, int y) { return MAKELPARAM(x, y); }

    StubDisplay display;
    CountingAdapter adapter;
    RecordingListener listener;
    std::unique_ptr<WindowRecord> record;
};

// One row per message sequence sent to a fresh window: keys go as the row's key-down message, a
// negated one as WM_KEYUP, 0 is the close button (WM_CLOSE), and the listener answers as the row
// says. Then the callbacks it saw, joined by ", ", and the requests the display got.
TEST_F(WindowProcedureTest, KeysAndTheCloseButtonBecomeCallbacksAndRequests) {
    enum Answer { PLAIN, ALT_HELD, NO_DEFAULT_KEYS, VETO, NO_LISTENER };
    using Keys = std::vector<int>;
    const struct {
        Answer answer;
        UINT down;
        Keys keys;
        std::string expected;
        int toggles, closes;
    } cases[] = {
        {ALT_HELD, WM_SYSKEYDOWN, Keys{VK_RETURN}, "", 1, 0}, // Alt+Enter only requests the toggle
        {PLAIN, WM_SYSKEYDOWN, Keys{VK_RETURN}, "down 10, pressed 10", 0, 0},
        {PLAIN, WM_KEYDOWN, Keys{0x1200 | 'A', -(0x1200 | 'A'), VK_INSERT}, // only the low byte counts
         "down 65, pressed 65, up 65, down 155, pressed 155", 0, 0},
        {PLAIN, WM_KEYDOWN, Keys{'X', 'X', 'X', -'X', 'X'}, // auto-repeat
         "down 88, pressed 88, pressed 88, pressed 88, up 88, down 88, pressed 88", 0, 0},
        {NO_DEFAULT_KEYS, WM_KEYDOWN, Keys{VK_ESCAPE}, "down 27, pressed 27", 0, 0},
        {PLAIN, WM_KEYDOWN, Keys{VK_ESCAPE, VK_ESCAPE}, "down 27, pressed 27, pressed 27", 0, 1}, // asks once
        {NO_LISTENER, WM_KEYDOWN, Keys{VK_ESCAPE}, "", 0, 1},
        {VETO, WM_KEYDOWN, Keys{0}, "close?", 0, 0},
        {PLAIN, WM_KEYDOWN, Keys{0}, "close?", 0, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << "row " << &c - cases);
        FakeSystem::alt = c.answer == ALT_HELD;
        listener = RecordingListener{};
        listener.defaultKeys = c.answer != NO_DEFAULT_KEYS;
        listener.allowClose = c.answer != VETO;
        adapter.toggles = adapter.closes = 0;
        destroyWindow(record);
        // No title: the window class takes a name of its own.
        record = createWindow(&display, &adapter, 640, 480, "", FakeSystem::queries());
        ASSERT_NE(record->window, nullptr);
        record->listener = c.answer == NO_LISTENER ? nullptr : &listener;
        for (const int key : c.keys) {
            SendMessageW(record->window, key == 0 ? WM_CLOSE : key < 0 ? WM_KEYUP : c.down, std::abs(key), 0);
        }
        std::string seen;
        for (const std::string& line : listener.lines) {
            seen += (seen.empty() ? "" : ", ") + line;
        }
        EXPECT_EQ(seen, c.expected);
        EXPECT_EQ(adapter.toggles, c.toggles);
        EXPECT_EQ(adapter.closes, c.closes);
        EXPECT_TRUE(IsWindow(record->window)) << "only the display destroys its window";
    }
    FakeSystem::alt = false;
}

TEST_F(WindowProcedureTest, MouseScalesByFramebufferOverClient) {
    FakeSystem::client = Rect{0, 0, 1280, 960};
    send(WM_LBUTTONDOWN, MK_LBUTTON, at(100, 50));
    EXPECT_EQ(GetCapture(), record->window);
    send(WM_RBUTTONDOWN, MK_RBUTTON, at(200, 100));
    send(WM_LBUTTONUP, 0, at(300, 150));
    EXPECT_EQ(GetCapture(), record->window); // the right button is still held
    send(WM_RBUTTONUP, 0, at(300, 150));
    EXPECT_NE(GetCapture(), record->window);
    send(WM_MOUSEMOVE, 0, at(-20, 8)); // positions left of the client stay signed
    // A release already shows the released button.
    EXPECT_EQ(listener.lines,
              (Events{"mousedown 100 50.00 25.00", "mousedown 101 100.00 50.00", "mouseup 001 150.00 75.00",
                      "mouseup 000 150.00 75.00", "move 000 -10.00 4.00"}));
    FakeSystem::client = Rect{0, 0, 0, 0}; // an empty client area gives no infinite pointer
    send(WM_MOUSEMOVE, 0, at(10, 10));
    EXPECT_EQ(listener.lines.back(), "move 000 0.00 0.00");
}

// The shape commands' effect on the real display is the Direct3D display's own test.
TEST_F(WindowProcedureTest, ActivationAndKeysReachTheListenerAsTheWrapper) {
    StubDisplay facade;
    display.setWrapper(&facade);
    send(WM_KEYDOWN, 'Q');
    EXPECT_EQ(listener.lastDisplay, &facade);
    display.setWrapper(nullptr);
    send(WM_KEYUP, 'Q');
    EXPECT_EQ(listener.lastDisplay, &display);

    send(WM_ACTIVATE, WA_ACTIVE);
    EXPECT_TRUE(record->active);
    listener.lines.clear(); // the keys, and Wine may activate the new window on its own as well
    send(WM_ACTIVATE, WA_INACTIVE);
    EXPECT_FALSE(record->active);
    send(WM_ACTIVATE, WA_ACTIVE);
    send(WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, 1)); // deactivated while minimised
    EXPECT_FALSE(record->active);
    EXPECT_EQ(listener.lines, (Events{"deactivate", "activate", "deactivate"}));
}

TEST_F(WindowProcedureTest, ZoomCommandsResizeTheClientArea) {
    // Small enough that twice the size fits the test's real screen, which bounds window sizes; with
    // the title of the window still open, whose class it shares.
    auto small = createWindow(&display, &adapter, 320, 240, "window procedure test", FakeSystem::queries());
    ASSERT_NE(small->window, nullptr);
    setWindowedShape(*small, 320, 240);
    for (const auto& [command, width, height] : {std::tuple{3, 640, 480}, {2, 320, 240}}) { // 2x, original
        SendMessageW(small->window, WM_SYSCOMMAND, command, 0);
        RECT client{};
        GetClientRect(small->window, &client);
        EXPECT_EQ(client.right - client.left, width) << "command " << command;
        EXPECT_EQ(client.bottom - client.top, height) << "command " << command;
    }
    destroyWindow(small);
}

TEST(WindowTitle, LongTitlesAreCutAndNoTitleIsEmpty) {
    wchar_t buffer[WIDE_TITLE_CAPACITY];
    const std::string longTitle(3000, 'x');
    EXPECT_EQ(wideTitle(longTitle.c_str(), buffer), WIDE_TITLE_CAPACITY - 1);
    EXPECT_EQ(buffer[WIDE_TITLE_CAPACITY - 2], L'x');
    EXPECT_EQ(buffer[WIDE_TITLE_CAPACITY - 1], L'\0');
    EXPECT_EQ(wideTitle(nullptr, buffer), 0);
    EXPECT_EQ(buffer[0], L'\0'); // a title's conversion is the display's title test
}

} // namespace
} // namespace Scanout
