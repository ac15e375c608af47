// The common display state and defaults, and the facade without a platform display; the facade
// with one, and the update calls that pass one pixel array each, are exercised by every memory-host
// test, which hold the headless host through it.
#include <gtest/gtest.h>

#include <string>

#include "display/display.h"
#include "display/display_adapter.h"
#include "display/listener.h"

namespace {

using Scanout::Mode;
using Scanout::Output;

// The smallest platform display: the common bodies plus a count of the closes.
class RecordingDisplay : public Scanout::DisplayAdapter {
public:
    Scanout::LockedFramebuffer* lock() override { return nullptr; }
    bool unlock() override { return true; }
    void close() override {
        ++closes;
        DisplayAdapter::close();
    }
    int closes = 0;
};

void expectClosedDefaults(const Scanout::DisplayInterface& d) {
    EXPECT_FALSE(d.isOpen());
    EXPECT_STREQ(d.title(), "");
    EXPECT_EQ(d.width(), 0);
    EXPECT_EQ(d.height(), 0);
    EXPECT_EQ(d.mode(), Mode::FloatingPoint);
    EXPECT_EQ(d.output(), Output::Default);
}

TEST(DisplayAdapter, OpenStoresCloseRestoresDefaultsButKeepsListenerAndTitlesAreCut) {
    RecordingDisplay d;
    expectClosedDefaults(d);
    Scanout::Listener listener;
    d.setListener(&listener);
    const std::string longTitle(300, 'x');
    ASSERT_TRUE(d.open(longTitle.c_str(), 640, 480, Output::Fullscreen, Mode::TrueColor));
    EXPECT_EQ(d.closes, 1) << "open closes first, through the virtual slot";
    EXPECT_EQ(std::string(d.title()), std::string(255, 'x'));
    EXPECT_EQ(d.width(), 640);
    EXPECT_EQ(d.mode(), Mode::TrueColor);
    EXPECT_EQ(d.output(), Output::Fullscreen);
    d.setTitle((std::string(254, 'y') + "z!").c_str());
    EXPECT_EQ(std::string(d.title()), std::string(254, 'y') + "z");
    d.setTitle(nullptr);
    EXPECT_STREQ(d.title(), "");
    d.close();
    expectClosedDefaults(d);
    EXPECT_EQ(d.listener(), &listener);
}

TEST(DisplayFacade, WithoutPlatformAnswersDefaults) {
    Scanout::Display facade(nullptr);
    expectClosedDefaults(facade);
    const Scanout::TrueColorPixel words[1] = {0};
    EXPECT_FALSE(facade.open("x", 640, 480, Output::Windowed, Mode::TrueColor));
    EXPECT_FALSE(facade.updateTrueColor(words, nullptr));
    EXPECT_EQ(facade.lock(), nullptr);
    EXPECT_FALSE(facade.unlock());
    Scanout::Listener listener;
    facade.setListener(&listener);
    EXPECT_EQ(facade.listener(), nullptr);
    facade.setTitle("ignored");
    EXPECT_STREQ(facade.title(), "");
    facade.close();
    EXPECT_EQ(facade.wrapper(), &facade);
}

} // namespace
