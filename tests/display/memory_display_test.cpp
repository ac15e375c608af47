// The shared host behaviour through the headless host: surfaces and formats, the update path with
// dirty boxes, deferred requests and their order, and the listener contract.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>

#include "display/display.h"
#include "display/key_table.h"
#include "display/listener.h"
#include "display/memory/memory_display.h"
#include "tests/display/recording_listener.h"

namespace {

using Scanout::Format;
using Scanout::MemoryDisplay;
using Scanout::Mode;
using Scanout::Output;
using Scanout::testing::RecordingListener;
namespace VK = Scanout::VirtualKey;

// A facade around a memory host, as an application holds it.
struct Harness {
    explicit Harness(Scanout::MemoryScreen screen = {}) {
        auto owned = std::make_unique<MemoryDisplay>(std::move(screen));
        host = owned.get();
        display = std::make_unique<Scanout::Display>(std::move(owned));
        host->setFrameCallback([this](const Scanout::PresentedFrame& frame) {
            frames.push_back(frame);
            const auto* bytes = static_cast<const unsigned char*>(frame.pixels);
            lastFrame.assign(bytes, bytes + static_cast<std::size_t>(frame.stride) * frame.height);
        });
    }
    bool open(Output output = Output::Windowed, Mode mode = Mode::TrueColor, int w = 64, int h = 48) {
        return display->open("test", w, h, output, mode);
    }
    // Hands the facade the recording listener, opens 640 x 480, and forgets the callbacks of the open.
    bool openListened(Output output = Output::Windowed) {
        display->setListener(&listener);
        const bool opened = open(output, Mode::TrueColor, 640, 480);
        listener.lines.clear();
        listener.outputs.clear();
        return opened;
    }
    std::uint32_t presentedWord(int x, int y) const {
        std::uint32_t word;
        std::memcpy(&word, lastFrame.data() + static_cast<std::size_t>(y) * frames.back().stride + x * 4, 4);
        return word;
    }

    MemoryDisplay* host = nullptr;
    RecordingListener listener;
    std::unique_ptr<Scanout::Display> display;
    std::vector<Scanout::PresentedFrame> frames;
    std::vector<unsigned char> lastFrame;
};

TEST(MemoryHost, TrueColorLockHandsOutPackedXrgbAndUnlockPresentsIt) {
    Harness h;
    h.display->setListener(&h.listener);
    ASSERT_TRUE(h.display->open("Tessellune", 640, 480, Output::Default, Mode::TrueColor));
    EXPECT_EQ(h.listener.lines, std::vector<std::string>{"open"});
    EXPECT_EQ(h.listener.lastDisplay, h.display.get()) << "callbacks receive the facade";
    EXPECT_EQ(h.display->output(), Output::Windowed) << "Default opens in a window";
    EXPECT_FALSE(h.host->visible()) << "the window waits for its first frame";

    Scanout::LockedFramebuffer* fb = h.display->lock();
    ASSERT_NE(fb, nullptr);
    ASSERT_EQ(fb->stride, 2560);
    const auto mark = [](int x, int y) { return 0xff000000u | static_cast<std::uint32_t>(x << 10 | y); };
    const std::pair<int, int> marked[] = {{0, 0}, {639, 479}, {17, 300}};
    for (const auto& [x, y] : marked) {
        static_cast<std::uint32_t*>(fb->pixels)[y * 640 + x] = mark(x, y);
    }
    EXPECT_TRUE(h.display->unlock());
    ASSERT_EQ(h.frames.size(), 1u);
    EXPECT_EQ(h.frames[0].format, Format::XRGB8888);
    EXPECT_EQ(h.frames[0].width, 640);
    for (const auto& [x, y] : marked) {
        EXPECT_EQ(h.presentedWord(x, y), mark(x, y)) << x << "," << y;
    }
    EXPECT_EQ(h.presentedWord(18, 300), 0u) << "a new surface starts black";
    EXPECT_TRUE(h.host->visible());
}

// One row per pretend device and framebuffer size: the formats it accepts (empty: all), the mode
// asked for, and the surface it gets (RGB565 is tried before XRGB1555; NoFormat: the open fails,
// as it does without a window or for a size outside 1 to 16384). A sensible open works after.
TEST(MemoryHost, SurfaceTakesTheFirstAcceptedFormatOrTheOpenFailsCleanly) {
    const struct {
        std::vector<Format> accepted;
        Mode mode;
        int width, height;
        Format format;
        int stride;
        bool windowFails;
    } cases[] = {
        {{}, Mode::FloatingPoint, 8, 4, Format::XBGRFFFF, 8 * 16, false},
        {{Format::RGB565, Format::XRGB8888}, Mode::FloatingPoint, 8, 4, Format::XRGB8888, 8 * 4, false},
        {{Format::XRGB1555, Format::RGB565}, Mode::TrueColor, 8, 4, Format::RGB565, 8 * 2, false},
        {{Format::BGR565}, Mode::TrueColor, 8, 4, Format::NoFormat, 0, false},
        {{}, Mode::TrueColor, 8, 4, Format::NoFormat, 0, true},
        {{}, Mode::TrueColor, 16384, 1, Format::XRGB8888, 16384 * 4, false},
        {{}, Mode::TrueColor, 16385, 1, Format::NoFormat, 0, false},
        {{}, Mode::TrueColor, 1, 16385, Format::NoFormat, 0, false},
        {{}, Mode::TrueColor, 0, 480, Format::NoFormat, 0, false},
        {{}, Mode::TrueColor, 640, -1, Format::NoFormat, 0, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << "row " << &c - cases);
        Harness h;
        if (!c.accepted.empty()) {
            h.host->setAcceptedFormats(c.accepted);
        }
        h.host->setWindowCreationFails(c.windowFails);
        EXPECT_EQ(h.open(Output::Windowed, c.mode, c.width, c.height), c.format != Format::NoFormat);
        EXPECT_EQ(h.display->isOpen(), c.format != Format::NoFormat);
        const Scanout::LockedFramebuffer* fb = h.display->lock();
        EXPECT_EQ(fb == nullptr ? Format::NoFormat : fb->format, c.format);
        EXPECT_EQ(fb == nullptr ? 0 : fb->stride, c.stride);
        h.host->setAcceptedFormats({Format::XRGB8888});
        h.host->setWindowCreationFails(false);
        EXPECT_TRUE(h.open());
    }
}

TEST(MemoryHost, FullScreenTakesTheSmallestModeThatHoldsTheFramebuffer) {
    Scanout::MemoryScreen bigOnly;
    bigOnly.modes = {{1024, 768}, {800, 600}, {1920, 1080}};
    Harness stretched(bigOnly);
    ASSERT_TRUE(stretched.open(Output::Fullscreen, Mode::TrueColor, 640, 480));
    EXPECT_EQ(stretched.display->output(), Output::Fullscreen);
    EXPECT_TRUE(stretched.host->visible()) << "full screen shows at once";
    EXPECT_EQ(stretched.host->currentMode().width, 800);
    EXPECT_EQ(stretched.host->currentMode().height, 600);
    EXPECT_EQ(stretched.display->lock()->stride, 2560) << "the surface keeps the framebuffer size";

    Scanout::MemoryScreen tiny;
    tiny.modes = {{320, 240}};
    Harness none(tiny);
    EXPECT_FALSE(none.open(Output::Fullscreen, Mode::TrueColor, 640, 480));
    EXPECT_FALSE(none.display->isOpen());
}

TEST(MemoryHost, UpdateConvertsOnlyTheDirtyBox) {
    Harness h;
    ASSERT_TRUE(h.open(Output::Windowed, Mode::TrueColor, 32, 8));
    std::vector<Scanout::TrueColorPixel> image(32 * 8);
    for (std::size_t i = 0; i < image.size(); ++i) {
        image[i] = 0xff000000u | static_cast<std::uint32_t>(i);
    }
    const Scanout::DirtyBox box{10, 20, 5, 6};
    ASSERT_TRUE(h.display->updateTrueColor(image.data(), &box));
    ASSERT_EQ(h.frames.size(), 1u);
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 32; ++x) {
            const bool inside = y == 5 && x >= 10 && x < 20;
            EXPECT_EQ(h.presentedWord(x, y), inside ? image[static_cast<std::size_t>(y * 32 + x)] : 0u)
                << x << "," << y;
        }
    }

    const Scanout::DirtyBox empty{0, 32, 6, 6};
    ASSERT_TRUE(h.display->updateTrueColor(image.data(), &empty));
    EXPECT_EQ(h.frames.size(), 2u) << "an empty box still presents";
    EXPECT_EQ(h.presentedWord(0, 6), 0u);

    // A box reaching outside the framebuffer is cut to it.
    const Scanout::DirtyBox wild{-5, 1000, 7, 99};
    ASSERT_TRUE(h.display->updateTrueColor(image.data(), &wild));
    EXPECT_EQ(h.presentedWord(0, 7), image[7 * 32]);
    EXPECT_EQ(h.presentedWord(31, 7), image[7 * 32 + 31]);
    EXPECT_EQ(h.presentedWord(0, 6), 0u);

    ASSERT_TRUE(h.display->updateTrueColor(image.data(), nullptr));
    EXPECT_EQ(h.presentedWord(3, 0), image[3]);
    EXPECT_FALSE(h.display->updateTrueColor(nullptr, &box)) << "no pixels, no update";
    EXPECT_EQ(h.frames.size(), 4u);
}

TEST(MemoryHost, FloatUpdatesGoThroughTheConverterOfTheSurfaceFormat) {
    Harness h;
    h.host->setAcceptedFormats({Format::RGB565});
    ASSERT_TRUE(h.open(Output::Windowed, Mode::TrueColor, 6, 2));
    std::vector<Scanout::FloatingPointPixel> image(12, Scanout::FloatingPointPixel{1.0f, 0.5f, 0.0f, 1.0f});
    image[7] = Scanout::FloatingPointPixel{0.0f, 0.0f, 1.0f, 1.0f};
    ASSERT_TRUE(h.display->updateFloatingPoint(image.data(), nullptr));
    ASSERT_EQ(h.frames.back().format, Format::RGB565);
    const auto word16 = [&h](int x, int y) {
        return static_cast<unsigned>(h.lastFrame[static_cast<std::size_t>(y * 12 + x * 2)] |
                                     h.lastFrame[static_cast<std::size_t>(y * 12 + x * 2 + 1)] << 8);
    };
    EXPECT_EQ(word16(0, 0), 0xfc00u);
    EXPECT_EQ(word16(5, 1), 0xfc00u);
    EXPECT_EQ(word16(1, 1), 0x001fu);
    EXPECT_FALSE(h.display->updateFloatingPoint(nullptr, nullptr));
}

// One row per event sequence: what the host queues (and how the listener answers), the callbacks
// the listener must see in order once the first lock has drained the queue, and how many of two
// locks find the display open. Whatever closed it, it opens again.
TEST(ListenerContract, QueuedEventsReachTheListenerInOrder) {
    const struct {
        const char* what;
        std::function<void(Harness&)> push;
        std::vector<std::string> expected;
        int openLocks = 2;
    } cases[] = {
        {"key down once, then pressed per repeat, then up",
         [](Harness& h) {
             for (const int key : {'W', 'W', 'W'}) { // the second and third are auto-repeats
                 h.host->pushKeyDown(key);
             }
             h.host->pushKeyUp('W');
             h.host->pushKeyDown('W');
             h.host->pushKeyUp('W');
             for (const int key : {VK::ENTER, VK::MINUS, VK::INSERT}) {
                 h.host->pushKeyDown(key);
             }
         },
         {"down 87", "pressed 87", "pressed 87", "pressed 87", "up 87", "down 87", "pressed 87", "up 87",
          "down 10", "pressed 10", "down 108", "pressed 108", "down 155", "pressed 155"}},
        {"default keys off keep Escape for the listener",
         [](Harness& h) {
             h.listener.defaultKeys = false;
             h.host->pushKeyDown(VK::ESCAPE);
         },
         {"down 27", "pressed 27"}},
        {"Escape reaches the listener and closes",
         [](Harness& h) { h.host->pushKeyDown(VK::ESCAPE); },
         {"down 27", "pressed 27"},
         1},
        {"the close button closes once the listener agrees",
         [](Harness& h) { h.host->pushCloseButton(); },
         {"close?"},
         1},
        {"the listener may veto the close button",
         [](Harness& h) {
             h.listener.allowClose = false;
             h.host->pushCloseButton();
         },
         {"close?"}},
        {"mouse, activation and positions in framebuffer pixels",
         [](Harness& h) {
             h.host->pushActivate(true);
             h.host->pushMouseMove(10, 20);
             h.host->pushMouseButton(Scanout::MouseButton::Right, true, 11, 21);
             h.host->pushMouseButton(Scanout::MouseButton::Middle, true, 11, 21);
             h.host->pushMouseButton(Scanout::MouseButton::Right, false, 12, 22);
             h.host->pushActivate(false);
         },
         {"activate", "move 000 10.00 20.00", "mousedown 001 11.00 21.00", "mousedown 011 11.00 21.00",
          "mouseup 010 12.00 22.00", "deactivate"}},
        {"a listener closing inside a key's callback: the rest of the queue goes with the window",
         [](Harness& h) {
             h.listener.closeOnKeyDown = true; // as an application may
             h.host->pushKeyDown('A');
             h.host->pushKeyDown('B');
         },
         {"down 65", "pressed 65"},
         0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Harness h;
        ASSERT_TRUE(h.openListened());
        c.push(h);
        for (int lock = 0; lock < 2; ++lock) {
            EXPECT_EQ(h.display->lock() != nullptr, lock < c.openLocks) << "lock " << lock;
        }
        EXPECT_EQ(h.listener.lines, c.expected);
        EXPECT_EQ(h.display->isOpen(), c.openLocks == 2);
        EXPECT_TRUE(h.open());
        EXPECT_NE(h.display->lock(), nullptr);
    }
}

TEST(Requests, CloseWinsOverToggleAndBothComeBeforeTheEventDrain) {
    Harness h;
    ASSERT_TRUE(h.openListened());
    // A toggle is carried out before the queued events are delivered.
    h.host->requestToggle();
    h.host->pushKeyDown('A');
    ASSERT_NE(h.display->lock(), nullptr);
    EXPECT_EQ(h.display->output(), Output::Fullscreen);
    EXPECT_EQ(h.listener.outputs, (std::vector<Output>{Output::Fullscreen, Output::Fullscreen}));
    EXPECT_FALSE(h.host->toggleRequested());

    // A pending close ends the display before any queued event or toggle.
    h.host->requestToggle();
    h.host->requestClose();
    h.host->pushKeyUp('A');
    EXPECT_EQ(h.display->lock(), nullptr);
    EXPECT_EQ(h.listener.lines.size(), 2u) << "no callback after the close";
    EXPECT_FALSE(h.host->toggleRequested()) << "closing forgets the requests";
}

TEST(Requests, AltEnterTogglesAtTheNextLockWithoutCallbacks) {
    Harness h;
    ASSERT_TRUE(h.openListened());
    h.host->pushKeyDown(VK::ALT);
    h.host->pushKeyDown(VK::ENTER, true);
    h.host->pushKeyDown(VK::ENTER, true); // repeat
    h.host->pushKeyUp(VK::ENTER);
    h.host->pushKeyUp(VK::ALT);
    ASSERT_NE(h.display->lock(), nullptr);
    EXPECT_EQ(h.display->output(), Output::Windowed) << "only requested so far";
    EXPECT_EQ(h.listener.lines, (std::vector<std::string>{"down 18", "pressed 18", "up 18"}));
    Scanout::LockedFramebuffer* fb = h.display->lock();
    ASSERT_NE(fb, nullptr);
    EXPECT_EQ(h.display->output(), Output::Fullscreen);
    EXPECT_EQ(fb->stride, 2560);
    h.listener.lines.clear();
    h.host->pushKeyDown('2', true); // no zoom in full screen: an ordinary key
    ASSERT_NE(h.display->lock(), nullptr);
    EXPECT_EQ(h.listener.lines, (std::vector<std::string>{"down 50", "pressed 50"}));
    EXPECT_TRUE(h.host->runMenuCommand(Scanout::MenuCommand::Windowed)) << "the menu's switch is immediate";
    EXPECT_EQ(h.display->output(), Output::Windowed);
}

TEST(Requests, LostPresenterYieldsNoLockButUpdateStillSucceeds) {
    Harness h;
    ASSERT_TRUE(h.open());
    h.host->setPresenterLost(true);
    EXPECT_EQ(h.display->lock(), nullptr);
    const Scanout::TrueColorPixel pixels[64 * 48] = {};
    EXPECT_TRUE(h.display->updateTrueColor(pixels, nullptr));
    EXPECT_TRUE(h.frames.empty());
    EXPECT_TRUE(h.display->isOpen());
    h.host->setPresenterLost(false);
    EXPECT_NE(h.display->lock(), nullptr);
}

TEST(Shortcuts, ZoomAndCentreFollowTheMenuRulesAndNeverReachTheListener) {
    Harness h; // a 1920 x 1080 screen with frame insets 8, 31, 8, 8
    ASSERT_TRUE(h.openListened());
    EXPECT_EQ(h.host->clientRect().width(), 640);

    h.host->pushKeyDown('2', true);
    h.host->pushKeyDown('2', true);
    h.host->pushKeyUp('2');
    h.host->pushMouseButton(Scanout::MouseButton::Left, true, 100, 50);
    h.host->pushMouseButton(Scanout::MouseButton::Left, false, 100, 50);
    ASSERT_NE(h.display->lock(), nullptr);
    EXPECT_EQ(h.host->clientRect().width(), 1280);
    EXPECT_EQ(h.host->clientRect().height(), 960);
    EXPECT_EQ(h.listener.lines,
              (std::vector<std::string>{"mousedown 100 50.00 25.00", "mouseup 000 50.00 25.00"}));

    // After the user moves the window, Alt+C centres it again. (A shortcut the menu does not offer
    // is an ordinary key: Alt+2 in full screen here, Alt+4 that does not fit on the SDL host.)
    h.host->pushUserMove(5, 7);
    ASSERT_NE(h.display->lock(), nullptr);
    EXPECT_TRUE(h.host->currentMenu().offers(Scanout::MenuCommand::Center));
    h.listener.lines.clear();
    h.host->pushKeyDown('C', true);
    h.host->pushKeyUp('C');
    h.host->pushKeyDown('1', true);
    ASSERT_NE(h.display->lock(), nullptr);
    EXPECT_TRUE(h.listener.lines.empty());
    EXPECT_FALSE(h.host->currentMenu().offers(Scanout::MenuCommand::Center));
    EXPECT_EQ(h.host->clientRect().width(), 640);
}

TEST(MemoryHost, ClosedDisplaysStayQuietReopeningClosesFirstAndEscapeClosesWithoutAListener) {
    Harness h;
    EXPECT_EQ(h.display->lock(), nullptr) << "never opened";
    EXPECT_TRUE(h.display->unlock());
    EXPECT_TRUE(h.frames.empty());
    EXPECT_FALSE(h.host->runMenuCommand(Scanout::MenuCommand::Fullscreen));
    ASSERT_TRUE(h.open(Output::Windowed, Mode::TrueColor, 64, 48));
    EXPECT_TRUE(h.display->unlock()) << "unlock without lock presents";
    ASSERT_EQ(h.frames.size(), 1u);
    h.host->pushKeyDown(VK::ESCAPE);
    ASSERT_TRUE(h.open(Output::Windowed, Mode::TrueColor, 32, 16));
    EXPECT_FALSE(h.host->closeRequested()) << "the old window's pending events are gone";
    Scanout::LockedFramebuffer* fb = h.display->lock();
    ASSERT_NE(fb, nullptr);
    EXPECT_EQ(fb->stride, 128);
    // Without a listener Escape still closes, at the update after the one that drains it.
    h.host->pushKeyDown(VK::ESCAPE);
    static const Scanout::TrueColorPixel pixels[32 * 16] = {};
    EXPECT_TRUE(h.display->updateTrueColor(pixels, nullptr));
    EXPECT_FALSE(h.display->updateTrueColor(pixels, nullptr));
    EXPECT_FALSE(h.display->isOpen());
    EXPECT_TRUE(h.display->unlock());
    EXPECT_EQ(h.frames.size(), 2u) << "a closed display presents nothing";
}

} // namespace
