// Keys, close, mouse and system commands through the real window procedure of a hidden window.
#include <gtest/gtest.h>

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

TEST_F(WindowProcedureTest, AltEnterOnlyRequestsTheToggle) {
    FakeSystem::alt = true;
    send(WM_SYSKEYDOWN, VK_RETURN);
    EXPECT_EQ(adapter.toggles, 1);
    EXPECT_TRUE(listener.lines.empty());
    EXPECT_EQ(record->keyDown[VK_RETURN], 0);

    // Without Alt the same message is an ordinary Enter key, arriving as 10.
    FakeSystem::alt = false;
    send(WM_SYSKEYDOWN, VK_RETURN);
    EXPECT_EQ(adapter.toggles, 1);
    EXPECT_EQ(listener.lines, (Events{"down 10", "pressed 10"}));
    EXPECT_EQ(record->keyDown[VK_RETURN], 1);
}

TEST_F(WindowProcedureTest, TranslatesKeysThroughTheTable) {
    send(WM_KEYDOWN, VK_OEM_MINUS);
    send(WM_KEYUP, VK_OEM_MINUS);
    send(WM_KEYDOWN, VK_INSERT);
    send(WM_KEYDOWN, 'A');
    EXPECT_EQ(listener.lines, (Events{"down 108", "pressed 108", "up 108", "down 155", "pressed 155",
                                      "down 65", "pressed 65"}));
}

TEST_F(WindowProcedureTest, OnlyTheLowByteOfTheKeyCounts) {
    send(WM_KEYDOWN, 0x1200 | VK_RETURN);
    send(WM_KEYUP, 0x1200 | VK_RETURN);
    EXPECT_EQ(listener.lines, (Events{"down 10", "pressed 10", "up 10"}));
    EXPECT_EQ(record->keyDown[VK_RETURN], 0);
}

TEST_F(WindowProcedureTest, AutoRepeatGivesOneDownManyPressedOneUp) {
    for (int i = 0; i < 3; ++i) {
        send(WM_KEYDOWN, 'X');
    }
    send(WM_KEYUP, 'X');
    send(WM_KEYDOWN, 'X');
    EXPECT_EQ(listener.lines, (Events{"down 88", "pressed 88", "pressed 88", "pressed 88", "up 88", "down 88",
                                      "pressed 88"}));
}

TEST_F(WindowProcedureTest, EscapeClosesOnlyWithDefaultKeys) {
    listener.defaultKeys = false;
    send(WM_KEYDOWN, VK_ESCAPE);
    EXPECT_EQ(listener.lines, (Events{"down 27", "pressed 27"}));
    EXPECT_EQ(adapter.closes, 0);
    send(WM_KEYUP, VK_ESCAPE);

    listener.defaultKeys = true;
    send(WM_KEYDOWN, VK_ESCAPE);
    EXPECT_EQ(adapter.closes, 1);
    // A held Escape repeats without asking again.
    send(WM_KEYDOWN, VK_ESCAPE);
    EXPECT_EQ(adapter.closes, 1);
}

TEST_F(WindowProcedureTest, EscapeWithoutListenerCloses) {
    record->listener = nullptr;
    send(WM_KEYDOWN, VK_ESCAPE);
    EXPECT_EQ(adapter.closes, 1);
}

TEST_F(WindowProcedureTest, CloseButtonAsksTheListener) {
    listener.allowClose = false;
    EXPECT_EQ(send(WM_CLOSE, 0), 0);
    EXPECT_EQ(adapter.closes, 0);
    EXPECT_TRUE(IsWindow(record->window)); // default processing would have destroyed it

    listener.allowClose = true;
    send(WM_CLOSE, 0);
    EXPECT_EQ(adapter.closes, 1);
    EXPECT_TRUE(IsWindow(record->window));
    EXPECT_EQ(listener.lines, (Events{"close?", "close?"}));
}

TEST_F(WindowProcedureTest, CallbacksReceiveTheWrapper) {
    StubDisplay facade;
    display.setWrapper(&facade);
    send(WM_KEYDOWN, 'Q');
    EXPECT_EQ(listener.lastDisplay, &facade);
    display.setWrapper(nullptr);
    send(WM_KEYUP, 'Q');
    EXPECT_EQ(listener.lastDisplay, &display);
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

TEST_F(WindowProcedureTest, ActivationAndShapeCommandsReachTheDisplay) {
    send(WM_ACTIVATE, WA_ACTIVE);
    EXPECT_TRUE(record->active);
    ASSERT_FALSE(listener.lines.empty());
    EXPECT_EQ(listener.lines.back(), "activate");
    send(WM_ACTIVATE, WA_INACTIVE);
    EXPECT_FALSE(record->active);
    EXPECT_EQ(listener.lines.back(), "deactivate");
    send(WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, 1)); // deactivated while minimised
    EXPECT_FALSE(record->active);
    EXPECT_EQ(listener.lines.back(), "deactivate");
    send(WM_SYSCOMMAND, 8);
    send(WM_SYSCOMMAND, 7);
    EXPECT_EQ(adapter.fullscreens, 1);
    EXPECT_EQ(adapter.windoweds, 1);
}

TEST_F(WindowProcedureTest, ZoomCommandsResizeTheClientArea) {
    // Small enough that twice the size fits the test's real screen, which bounds window sizes.
    auto small = createWindow(&display, &adapter, 320, 240, "zoom test", FakeSystem::queries());
    ASSERT_NE(small->window, nullptr);
    setWindowedShape(*small, 320, 240);
    SendMessageW(small->window, WM_SYSCOMMAND, 3, 0);
    RECT client{};
    GetClientRect(small->window, &client);
    EXPECT_EQ(client.right - client.left, 640);
    EXPECT_EQ(client.bottom - client.top, 480);
    SendMessageW(small->window, WM_SYSCOMMAND, 2, 0);
    GetClientRect(small->window, &client);
    EXPECT_EQ(client.right - client.left, 320);
    EXPECT_EQ(client.bottom - client.top, 240);
    destroyWindow(small);
}

TEST(WindowTitle, LongTitlesAreCutAndNoTitleIsEmpty) {
    wchar_t buffer[WIDE_TITLE_CAPACITY];
    const std::string longTitle(3000, 'x');
    EXPECT_EQ(wideTitle(longTitle.c_str(), buffer), WIDE_TITLE_CAPACITY - 1);
    EXPECT_EQ(buffer[WIDE_TITLE_CAPACITY - 2], L'x');
    EXPECT_EQ(buffer[WIDE_TITLE_CAPACITY - 1], L'\0');
    EXPECT_EQ(wideTitle(nullptr, buffer), 0);
    EXPECT_EQ(buffer[0], L'\0');
    EXPECT_EQ(wideTitle("Tessellune", buffer), 10);
    EXPECT_EQ(std::wstring(buffer), L"Tessellune");
}

TEST(WindowCreation, TwoWindowsWithOneTitleBothOpen) {
    StubDisplay display;
    CountingAdapter adapter;
    auto first = createWindow(&display, &adapter, 64, 48, "same title", FakeSystem::queries());
    auto second = createWindow(&display, &adapter, 64, 48, "same title", FakeSystem::queries());
    EXPECT_NE(first->window, nullptr);
    EXPECT_NE(second->window, nullptr);
    auto untitled = createWindow(&display, &adapter, 64, 48, "", FakeSystem::queries());
    EXPECT_NE(untitled->window, nullptr);
    destroyWindow(first);
    destroyWindow(second);
    destroyWindow(untitled);
    EXPECT_EQ(first, nullptr);
}

} // namespace
} // namespace Scanout
