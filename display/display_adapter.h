// The state and default behaviour that every platform display inherits.
//
// Conventions: after construction, close and reset the display is closed with an empty title,
// size 0 x 0, mode FloatingPoint and output Default; reset keeps the listener and the wrapper.
// Titles are cut to 255 characters. lock and unlock are left to the platform.
#pragma once

#include "display/display_interface.h"

namespace Scanout {

class DisplayAdapter : public DisplayInterface {
public:
    static constexpr int TITLE_CAPACITY = 256;

    DisplayAdapter();
    ~DisplayAdapter() override;
    DisplayAdapter(const DisplayAdapter&) = delete;
    DisplayAdapter& operator=(const DisplayAdapter&) = delete;

    bool isOpen() const override { return open_; }
    bool open(const char* title, int width, int height, Output output, Mode mode) override;
    void close() override;
    bool updateTrueColor(const TrueColorPixel* pixels, const DirtyBox* box) override;
    bool updateFloatingPoint(const FloatingPointPixel* pixels, const DirtyBox* box) override;
    void setTitle(const char* title) override;
    const char* title() const override { return title_; }
    int width() const override { return width_; }
    int height() const override { return height_; }
    Mode mode() const override { return mode_; }
    Output output() const override { return output_; }
    Listener* listener() const override { return listener_; }
    void setListener(Listener* listener) override { listener_ = listener; }
    DisplayInterface* wrapper() override { return wrapper_; }
    void setWrapper(DisplayInterface* wrapper) override { wrapper_ = wrapper; }

    // Exactly one of the two pixel arrays is given; the common body does nothing and succeeds.
    virtual bool update(const TrueColorPixel* trueColor, const FloatingPointPixel* floatingPoint,
                        const DirtyBox* box);
    virtual void reset();
    virtual bool windowed();
    virtual bool fullscreen();

protected:
    // The display that listener callbacks receive: the wrapper when there is one.
    DisplayInterface& callbackTarget() { return wrapper_ != nullptr ? *wrapper_ : *this; }
    void storeTitle(const char* title);
    void setOutput(Output output) { output_ = output; }

private:
    char title_[TITLE_CAPACITY];
    int width_;
    int height_;
    Mode mode_;
    Output output_;
    bool open_;
    Listener* listener_ = nullptr;
    DisplayInterface* wrapper_ = nullptr;
};

} // namespace Scanout
