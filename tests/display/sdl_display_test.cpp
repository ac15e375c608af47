// The SDL2 host for real, on a private Xvfb server: a window opens, frames reach the screen
// (read back from the server with ffmpeg), Alt+2 zooms, Alt+Enter toggles, and full screen fills the
// screen. Keys and the pointer from real X events are checked end to end through the display
// library's example; the deferred close on Escape is the shared host's, tested on the headless host.
#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include <SDL.h>

#include "display/display.h"
#include "display/listener.h"
#include "tests/display/recording_listener.h"
#include "tests/e2e/screen_checks.h"
#include "tests/support/process.h"

// X and driver libraries keep some allocations until process exit; they are not ours.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libX11\nleak:libxcb\nleak:libdbus\nleak:libSDL2\nleak:libGLX\nleak:libGL\nleak:libEGL\n"
           "leak:dri\nleak:libLLVM\nleak:libgallium\n";
}

namespace {

using Scanout::Output;
using Scanout::testing::RecordingListener;
using tessellune::testing::VirtualScreen;

constexpr int SCREEN_WIDTH = 1024;
constexpr int SCREEN_HEIGHT = 768;

class ScreenEnvironment : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (tessellune::testing::haveScreenTools()) {
            server_ =
                new VirtualScreen(std::to_string(SCREEN_WIDTH) + "x" + std::to_string(SCREEN_HEIGHT) + "x24");
            setenv("DISPLAY", server_->display().c_str(), 1);
            // One video reference held for the whole run keeps SDL from unloading the X libraries
            // between tests, so the leak checker can still name (and skip) their long-lived allocations.
            SDL_InitSubSystem(SDL_INIT_VIDEO);
        }
    }
    static void TearDownTestSuite() {
        delete server_;
        server_ = nullptr;
    }
    void SetUp() override {
        SKIP_WITHOUT_SCREEN_TOOLS();
        ASSERT_TRUE(server_->running()) << "Xvfb is installed but did not start";
    }

    static inline VirtualScreen* server_ = nullptr;
};

// Four flat quadrants: red, green / blue, white.
std::uint32_t quadrantColour(int x, int y, int width, int height) {
    const bool right = x >= width / 2;
    const bool bottom = y >= height / 2;
    return bottom ? (right ? 0xffffffu : 0x0000ffu) : (right ? 0x00ff00u : 0xff0000u);
}

bool drawQuadrants(Scanout::DisplayInterface& display) {
    Scanout::LockedFramebuffer* fb = display.lock();
    if (fb == nullptr) {
        return false;
    }
    for (int y = 0; y < display.height(); ++y) {
        auto* row =
            reinterpret_cast<std::uint32_t*>(static_cast<unsigned char*>(fb->pixels) + y * fb->stride);
        for (int x = 0; x < display.width(); ++x) {
            row[x] = quadrantColour(x, y, display.width(), display.height());
        }
    }
    return display.unlock();
}

// Keeps presenting frames until the condition holds or two seconds pass.
bool presentUntil(Scanout::DisplayInterface& display, const std::function<bool()>& done) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    while (std::chrono::steady_clock::now() < deadline) {
        if (!drawQuadrants(display) || done()) {
            return done();
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return done();
}

void presentFrames(Scanout::DisplayInterface& display, int count) {
    for (int i = 0; i < count; ++i) {
        ASSERT_TRUE(drawQuadrants(display));
    }
}

// The quadrants' centres on the root window, grabbed from the X server by ffmpeg: an independent
// reader of what reached the screen.
void expectQuadrantsAt(int left, int top, int width, int height) {
    const std::string png =
        std::string(TESSELLUNE_BINARY_DIR) + "/sdl_display_test_" + std::to_string(getpid()) + ".png";
    const std::vector<std::uint8_t> rgba =
        tessellune::testing::grabScreen(std::getenv("DISPLAY"), png, SCREEN_WIDTH, SCREEN_HEIGHT);
    std::remove(png.c_str());
    ASSERT_EQ(rgba.size(), std::size_t(SCREEN_WIDTH) * SCREEN_HEIGHT * 4);
    for (int y : {height / 4, height * 3 / 4}) {
        for (int x : {width / 4, width * 3 / 4}) {
            const std::size_t i = (std::size_t(top + y) * SCREEN_WIDTH + std::size_t(left + x)) * 4;
            EXPECT_EQ(std::uint32_t(rgba[i] << 16 | rgba[i + 1] << 8 | rgba[i + 2]),
                      quadrantColour(x, y, width, height))
                << "at " << x << "," << y;
        }
    }
}

// The same display opens in a window, then again in full screen.
TEST_F(ScreenEnvironment, WindowIsCentredAndAltTwoZoomsUnheardFullScreenFillsTheScreenAndAltEnterToggles) {
    Scanout::Display display; // the platform's own display: SdlDisplay
    RecordingListener listener;
    display.setListener(&listener);
    ASSERT_TRUE(display.open("ScanoutZoom", 320, 240, Output::Windowed, Scanout::Mode::TrueColor));
    // The quadrants are drawn as packed XRGB8888 words: another surface would not show them.
    ASSERT_NO_FATAL_FAILURE(presentFrames(display, 5));
    // Centred without window decorations: (1024 - 320) / 2, (768 - 240) / 2.
    expectQuadrantsAt(352, 264, 320, 240);

    // 2 x 320 x 240 fits a 1024 x 768 screen; 4x does not, so Alt+4 is an ordinary key.
    tessellune::testing::sendKeys(*server_, "ScanoutZoom", "alt+2");
    tessellune::testing::sendKeys(*server_, "ScanoutZoom", "alt+4");
    EXPECT_TRUE(presentUntil(display, [&] { return listener.keyLines().size() >= 9; }));
    ASSERT_NO_FATAL_FAILURE(presentFrames(display, 5));
    EXPECT_EQ(listener.keyLines(),
              (std::vector<std::string>{"down 18", "pressed 18", "up 18", "down 18", "pressed 18", "down 52",
                                        "pressed 52", "up 18", "up 52"}));
    // The old window's centre (512, 384) stays put: the 640 x 480 client starts at (192, 144).
    expectQuadrantsAt(192, 144, 640, 480);

    // The server offers only 1024 x 768, so a 640 x 480 framebuffer is stretched to fill it.
    ASSERT_TRUE(display.open("ScanoutFull", 640, 480, Output::Fullscreen, Scanout::Mode::TrueColor));
    EXPECT_EQ(display.output(), Output::Fullscreen);
    ASSERT_NO_FATAL_FAILURE(presentFrames(display, 5));
    expectQuadrantsAt(0, 0, SCREEN_WIDTH, SCREEN_HEIGHT);

    listener.lines.clear();
    // Without a window manager the focus can still be settling after the switch to full screen and
    // a synthetic key may go nowhere; a press that did arrive switched the output, so only a lost
    // one is sent again.
    bool switched = false;
    for (int attempt = 0; attempt < 4 && !switched; ++attempt) {
        tessellune::testing::sendKeys(*server_, "ScanoutFull", "alt+Return");
        switched = presentUntil(display, [&] { return display.output() == Output::Windowed; });
    }
    EXPECT_TRUE(switched);
    for (const std::string& line : listener.keyLines()) {
        EXPECT_TRUE(line.find(" 10") == std::string::npos) << "Enter reached the listener: " << line;
    }
    EXPECT_TRUE(drawQuadrants(display)) << "the window presents after the switch";
}

} // namespace
