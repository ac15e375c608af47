// The common display state and defaults, and the facade with and without a platform display.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "display/display.h"
#include "display/display_adapter.h"
#include "display/listener.h"

namespace {

using Scanout::Mode;
using Scanout::Output;

// The smallest platform display: the common bodies plus a record of what reached update.
class RecordingDisplay : public Scanout::DisplayAdapter {
public:
    Scanout::LockedFramebuffer* lock() override { return nullptr; }
    bool unlock() override { return true; }
    bool update(const Scanout::TrueColorPixel* t, const Scanout::FloatingPointPixel* f,
                const Scanout::DirtyBox* box) override {
        ++updates;
        lastTrueColor = t;
        lastFloat = f;
        lastBox = box;
        return DisplayAdapter::update(t, f, box);
    }
    void close() override {
        ++closes;
        DisplayAdapter::close();
    }
    int updates = 0;
    int closes = 0;
    const Scanout::TrueColorPixel* lastTrueColor = nullptr;
    const Scanout::FloatingPointPixel* lastFloat = nullptr;
    const Scanout::DirtyBox* lastBox = nullptr;
};

void expectClosedDefaults(const Scanout::DisplayInterface& d) {
    EXPECT_FALSE(d.isOpen());
    EXPECT_STREQ(d.title(), "");
    EXPECT_EQ(d.width(), 0);
    EXPECT_EQ(d.height(), 0);
    EXPECT_EQ(d.mode(), Mode::FloatingPoint);
    EXPECT_EQ(d.output(), Output::Default);
}

TEST(DisplayAdapter, OpenStoresCloseRestoresDefaultsButKeepsListener) {
    RecordingDisplay d;
    expectClosedDefaults(d);
    EXPECT_EQ(d.listener(), nullptr);
    EXPECT_EQ(d.wrapper(), nullptr);

    Scanout::Listener listener;
    d.setListener(&listener);
    ASSERT_TRUE(d.open("Tessellune", 640, 480, Output::Fullscreen, Mode::TrueColor));
    EXPECT_EQ(d.closes, 1) << "open closes first, through the virtual slot";
    EXPECT_TRUE(d.isOpen());
    EXPECT_STREQ(d.title(), "Tessellune");
    EXPECT_EQ(d.width(), 640);
    EXPECT_EQ(d.height(), 480);
    EXPECT_EQ(d.mode(), Mode::TrueColor);
    EXPECT_EQ(d.output(), Output::Fullscreen);

    d.close();
    expectClosedDefaults(d);
    EXPECT_EQ(d.listener(), &listener);
}

TEST(DisplayAdapter, TitlesAreCutTo255Characters) {
    RecordingDisplay d;
    const std::string longTitle(300, 'x');
    d.open(longTitle.c_str(), 4, 4, Output::Windowed, Mode::TrueColor);
    EXPECT_EQ(std::string(d.title()), std::string(255, 'x'));
    d.setTitle("short");
    EXPECT_STREQ(d.title(), "short");
    d.setTitle((std::string(254, 'y') + "z!").c_str());
    EXPECT_EQ(std::string(d.title()), std::string(254, 'y') + "z");
    d.setTitle(nullptr);
    EXPECT_STREQ(d.title(), "");
}

TEST(DisplayAdapter, UpdatesNeedPixelsAndPassExactlyOneArray) {
    RecordingDisplay d;
    const Scanout::TrueColorPixel words[1] = {0};
    const Scanout::FloatingPointPixel floats[1] = {{0, 0, 0, 0}};
    const Scanout::DirtyBox box{0, 1, 0, 1};
    EXPECT_FALSE(d.updateTrueColor(nullptr, nullptr));
    EXPECT_FALSE(d.updateFloatingPoint(nullptr, &box));
    EXPECT_EQ(d.updates, 0);
    EXPECT_TRUE(d.updateTrueColor(words, &box));
    EXPECT_EQ(d.lastTrueColor, words);
    EXPECT_EQ(d.lastFloat, nullptr);
    EXPECT_EQ(d.lastBox, &box);
    EXPECT_TRUE(d.updateFloatingPoint(floats, nullptr));
    EXPECT_EQ(d.lastTrueColor, nullptr);
    EXPECT_EQ(d.lastFloat, floats);
    EXPECT_EQ(d.updates, 2);
}

TEST(DisplayAdapter, ShapeSwitchesSetTheOutput) {
    RecordingDisplay d;
    EXPECT_TRUE(d.fullscreen());
    EXPECT_EQ(d.output(), Output::Fullscreen);
    EXPECT_TRUE(d.windowed());
    EXPECT_EQ(d.output(), Output::Windowed);
    d.reset();
    EXPECT_EQ(d.output(), Output::Default);
}

TEST(DisplayFacade, WithoutPlatformAnswersDefaults) {
    Scanout::Display facade(nullptr);
    expectClosedDefaults(facade);
    const Scanout::TrueColorPixel words[1] = {0};
    EXPECT_FALSE(facade.open("x", 640, 480, Output::Windowed, Mode::TrueColor));
    EXPECT_FALSE(facade.updateTrueColor(words, nullptr));
    EXPECT_FALSE(facade.updateFloatingPoint(nullptr, nullptr));
    EXPECT_EQ(facade.lock(), nullptr);
    EXPECT_FALSE(facade.unlock());
    Scanout::Listener listener;
    facade.setListener(&listener);
    EXPECT_EQ(facade.listener(), nullptr);
    facade.setTitle("ignored");
    EXPECT_STREQ(facade.title(), "");
    facade.close();
    EXPECT_EQ(facade.wrapper(), &facade);
    facade.setWrapper(nullptr);
    EXPECT_EQ(facade.wrapper(), &facade);
}

TEST(DisplayFacade, ForwardsToItsPlatformAndBecomesItsWrapper) {
    auto owned = std::make_unique<RecordingDisplay>();
    RecordingDisplay* platform = owned.get();
    Scanout::Display facade(std::move(owned));
    EXPECT_EQ(platform->wrapper(), &facade);
    EXPECT_EQ(facade.platform(), platform);

    ASSERT_TRUE(facade.open("demo", 320, 200, Output::Default, Mode::TrueColor));
    EXPECT_TRUE(facade.isOpen());
    EXPECT_EQ(facade.width(), 320);
    EXPECT_EQ(facade.height(), 200);
    EXPECT_EQ(facade.output(), Output::Default);
    EXPECT_EQ(facade.mode(), Mode::TrueColor);
    Scanout::Listener listener;
    facade.setListener(&listener);
    EXPECT_EQ(platform->listener(), &listener);
    const Scanout::TrueColorPixel words[1] = {0};
    EXPECT_TRUE(facade.updateTrueColor(words, nullptr));
    EXPECT_EQ(platform->lastTrueColor, words);
    facade.setTitle("renamed");
    EXPECT_STREQ(platform->title(), "renamed");
    facade.close();
    EXPECT_FALSE(platform->isOpen());
}

} // namespace
