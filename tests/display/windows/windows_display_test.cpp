// The Windows display end to end: a real window and Direct3D device under the test's desktop.
#include <gtest/gtest.h>

#include <cstring>

#include "display/windows/windows_display.h"
// After the display, whose header orders the key names before the system headers.
#include "tests/display/windows/window_test_support.h"

namespace Scanout {
namespace {

using testing::RecordingListener;
using Events = std::vector<std::string>;

constexpr int WIDTH = 640;
constexpr int HEIGHT = 480;

std::uint32_t& pixelAt(const LockedFramebuffer& locked, int x, int y) {
    return reinterpret_cast<std::uint32_t*>(static_cast<unsigned char*>(locked.pixels) +
                                            y * locked.stride)[x];
}

TEST(DeviceFormats, TheTwentyFourBitSurfaceIsBlueFirst) {
    // D3DFMT_R8G8B8 keeps blue, green, red in memory: stored as BGR888, whose converters write it so.
    EXPECT_EQ(storageFormat(Format::RGB888), Format::BGR888);
    EXPECT_EQ(direct3dFormat(Format::BGR888), D3DFMT_R8G8B8);
    EXPECT_EQ(direct3dFormat(Format::RGB888), D3DFMT_UNKNOWN);
    EXPECT_EQ(storageFormat(Format::XRGB8888), Format::XRGB8888);
}

class WindowsDisplayTest : public ::testing::Test {
protected:
    // Callers wrap it in ASSERT_NO_FATAL_FAILURE: a test without a device stops there rather than
    // going on to read a window or surface that was never made.
    void openOrFail(Output output, Mode mode = Mode::TrueColor) {
        ASSERT_TRUE(display.direct3dAvailable());
        ASSERT_TRUE(display.open("Windows display test", WIDTH, HEIGHT, output, mode))
            << "no Direct3D 9 device (under Wine: is 32-bit OpenGL installed?)";
    }
    HWND window() const { return display.windowRecord()->window; }

    WindowsDisplay display;
    RecordingListener listener;
};

TEST_F(WindowsDisplayTest, RefusesImpossibleSizesThenWindowedTrueColorHandsOutThePixelsAndShowsTheTitle) {
    EXPECT_FALSE(display.open("bad", 0, 480, Output::Windowed, Mode::TrueColor));
    EXPECT_FALSE(display.open("bad", 640, -1, Output::Windowed, Mode::TrueColor));
    EXPECT_FALSE(display.open("bad", 16385, 480, Output::Windowed, Mode::TrueColor));
    EXPECT_FALSE(display.isOpen());
    EXPECT_EQ(display.width(), 0);
    EXPECT_EQ(display.lock(), nullptr);
    EXPECT_TRUE(display.unlock()); // nothing to present, and still no failure

    ASSERT_NO_FATAL_FAILURE(openOrFail(Output::Default));
    EXPECT_EQ(display.output(), Output::Windowed);
    LockedFramebuffer* locked = display.lock();
    ASSERT_NE(locked, nullptr);
    EXPECT_EQ(locked->format, Format::XRGB8888);
    EXPECT_GE(locked->stride, WIDTH * 4);
    pixelAt(*locked, 0, 0) = 0x00112233u;
    pixelAt(*locked, 639, 479) = 0x00336699u;
    EXPECT_TRUE(display.unlock());
    EXPECT_TRUE(IsWindowVisible(window()));
    RECT client{};
    GetClientRect(window(), &client);
    EXPECT_EQ(client.right, WIDTH);
    EXPECT_EQ(client.bottom, HEIGHT);

    locked = display.lock();
    ASSERT_NE(locked, nullptr);
    EXPECT_EQ(pixelAt(*locked, 0, 0) & 0xffffffu, 0x112233u);
    EXPECT_EQ(pixelAt(*locked, 639, 479) & 0xffffffu, 0x336699u);
    EXPECT_TRUE(display.unlock());
    display.setTitle("Second title");
    wchar_t caption[64] = {};
    GetWindowTextW(window(), caption, 64);
    EXPECT_EQ(std::wstring(caption), L"Second title");
    display.close();
    EXPECT_FALSE(display.isOpen());
    EXPECT_EQ(display.windowRecord(), nullptr);
    EXPECT_EQ(display.lock(), nullptr);
}

TEST_F(WindowsDisplayTest, FullScreenTheToggleAndTheMenuShapeCommands) {
    ASSERT_NO_FATAL_FAILURE(openOrFail(Output::Fullscreen));
    ASSERT_NE(display.deviceRecord(), nullptr);
    EXPECT_FALSE(display.deviceRecord()->windowed);
    EXPECT_EQ(display.windowRecord()->windowed, 0);
    const DeviceRecord& device = *display.deviceRecord();
    // A larger mode draws the frame stretched, so the texture must be one the device can sample.
    const bool larger =
        device.parameters.BackBufferWidth != WIDTH || device.parameters.BackBufferHeight != HEIGHT;
    EXPECT_EQ(device.stretch, larger);
    EXPECT_EQ(device.drawAsQuad, larger);
    EXPECT_EQ(device.textureInDefaultPool, larger);
    LockedFramebuffer* locked = display.lock();
    ASSERT_NE(locked, nullptr);
    EXPECT_EQ(locked->format, Format::XRGB8888);
    EXPECT_GE(locked->stride, WIDTH * 4);
    EXPECT_TRUE(display.unlock());

    display.requestToggle();
    EXPECT_EQ(display.output(), Output::Fullscreen); // nothing happens before the next lock
    locked = display.lock();
    ASSERT_NE(locked, nullptr);
    EXPECT_EQ(display.output(), Output::Windowed);
    EXPECT_TRUE(display.deviceRecord()->windowed);
    EXPECT_EQ(display.windowRecord()->windowed, 1);
    EXPECT_EQ(locked->format, Format::XRGB8888);
    EXPECT_TRUE(display.unlock());

    // The menu's shape commands switch at once.
    SendMessageW(window(), WM_SYSCOMMAND, 8, 0);
    EXPECT_EQ(display.output(), Output::Fullscreen);
    SendMessageW(window(), WM_SYSCOMMAND, 7, 0);
    EXPECT_EQ(display.output(), Output::Windowed);
    EXPECT_NE(display.lock(), nullptr);
    EXPECT_TRUE(display.unlock());
}

TEST_F(WindowsDisplayTest, EscapeAndTheCloseButtonCloseAtTheNextLockOrUpdateAndACallbackMayClose) {
    ASSERT_NO_FATAL_FAILURE(openOrFail(Output::Windowed));
    display.setListener(&listener);
    PostMessageW(window(), WM_KEYDOWN, VK_ESCAPE, 0);
    ASSERT_NE(display.lock(), nullptr); // the key arrives here; the close waits for the next call
    EXPECT_TRUE(display.unlock());
    EXPECT_EQ(display.lock(), nullptr);
    EXPECT_FALSE(display.isOpen());
    EXPECT_EQ(listener.keyLines(), (Events{"down 27", "pressed 27"}));
    EXPECT_EQ(display.listener(), &listener); // the listener outlives the close

    // Through update, the close button's request: the call that delivers it still presents.
    ASSERT_NO_FATAL_FAILURE(openOrFail(Output::Windowed));
    PostMessageW(window(), WM_CLOSE, 0, 0);
    static const TrueColorPixel pixels[WIDTH * HEIGHT] = {};
    EXPECT_TRUE(display.updateTrueColor(pixels, nullptr));
    EXPECT_FALSE(display.updateTrueColor(pixels, nullptr));
    EXPECT_FALSE(display.isOpen());

    // A listener that closes the display inside its key callback, while messages are handled.
    RecordingListener closing;
    closing.defaultKeys = false;
    closing.closeOnKeyDown = true;
    ASSERT_NO_FATAL_FAILURE(openOrFail(Output::Windowed));
    display.setListener(&closing);
    PostMessageW(window(), WM_KEYDOWN, 'C', 0);
    PostMessageW(window(), WM_KEYUP, 'C', 0);
    EXPECT_EQ(display.lock(), nullptr);
    EXPECT_FALSE(display.isOpen());
    EXPECT_EQ(display.windowRecord(), nullptr);
    EXPECT_EQ(closing.keyLines(), (Events{"down 67"}));    // nothing reaches the listener after the close
    ASSERT_NO_FATAL_FAILURE(openOrFail(Output::Windowed)); // and the display opens again afterwards
}

// The boxes walk the rows by the surface's pitch (wider than any box) and are cut to the
// framebuffer; one that leaves nothing still presents.
TEST_F(WindowsDisplayTest, UpdateConvertsOnlyTheDirtyBoxCutToTheFramebuffer) {
    ASSERT_NO_FATAL_FAILURE(openOrFail(Output::Windowed));
    static TrueColorPixel pixels[WIDTH * HEIGHT] = {};
    EXPECT_TRUE(display.updateTrueColor(pixels, nullptr)); // all black first
    for (int i = 0; i < WIDTH * HEIGHT; ++i) {
        pixels[i] = static_cast<TrueColorPixel>(i) & 0xffffffu;
    }
    for (const DirtyBox& box : {DirtyBox{10, 20, 5, 8}, DirtyBox{-5, 1000, 476, 999},
                                DirtyBox{0, WIDTH, 2, 2}, DirtyBox{30, 10, 0, 5}, DirtyBox{650, 700, 0, 5}}) {
        EXPECT_TRUE(display.updateTrueColor(pixels, &box));
    }
    const LockedFramebuffer* locked = display.lock();
    ASSERT_NE(locked, nullptr);
    for (const int y : {0, 2, 4, 5, 7, 8, 475, 476, 479}) {
        for (const int x : {0, 9, 10, 19, 20, 639}) {
            const bool inside = (y >= 5 && y < 8 && x >= 10 && x < 20) || y >= 476;
            EXPECT_EQ(pixelAt(*locked, x, y) & 0xffffffu, inside ? pixels[y * WIDTH + x] : 0u)
                << x << "," << y;
        }
    }
    display.unlock();
    EXPECT_FALSE(display.updateTrueColor(nullptr, nullptr));
}

TEST_F(WindowsDisplayTest, FloatingPointModeFallsBackToAFormatLockCanReport) {
    ASSERT_NO_FATAL_FAILURE(openOrFail(Output::Windowed, Mode::FloatingPoint));
    const Format format = display.deviceRecord()->textureFormat;
    EXPECT_TRUE(format == Format::XBGRFFFF || format == Format::XRGB8888) << static_cast<int>(format);
    static FloatingPointPixel pixels[WIDTH * HEIGHT];
    for (auto& pixel : pixels) {
        pixel = {1.0f, 0.5f, 0.0f, 1.0f};
    }
    EXPECT_TRUE(display.updateFloatingPoint(pixels, nullptr));
    LockedFramebuffer* locked = display.lock();
    ASSERT_NE(locked, nullptr);
    EXPECT_EQ(locked->format, format);
    if (format == Format::XBGRFFFF) {
        float red = 0.0f;
        std::memcpy(&red, locked->pixels, sizeof(float));
        EXPECT_EQ(red, 1.0f);
    } else {
        EXPECT_EQ(pixelAt(*locked, 0, 0) & 0xffffffu, 0xff7f00u);
    }
    display.unlock();
}

} // namespace
} // namespace Scanout
