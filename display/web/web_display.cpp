// The browser host: canvas presentation, page shapes and the page's key events.
#include "display/web/web_display.h"

#include <emscripten/emscripten.h>

#include "display/converter.h"

namespace Scanout {

namespace {

// The page's event queue holds packed events: kind in bits 16-23, Alt in bit 8, key in bits 0-7.
constexpr int EVENT_KEY_DOWN = 1;
constexpr int EVENT_KEY_UP = 2;
constexpr int EVENT_CLOSE = 3;  // the page asked the show to end
constexpr int EVENT_TOGGLE = 4; // the page's full-screen button
constexpr int EVENT_ACTIVE = 5; // bit 0: the page became visible
constexpr int EVENT_NONE = -1;

// clang-format off
EM_JS(int, scanout_web_attach, (int width, int height), {
    const canvas = document.getElementById('canvas');
    if (!canvas || !Module.scanout) return 0;
    canvas.width = width;
    canvas.height = height;
    Module.scanout.attach(canvas);
    return 1;
});
EM_JS(void, scanout_web_detach, (), { Module.scanout.detach(); });
EM_JS(void, scanout_web_shape, (int fullPage), { Module.scanout.setShape(fullPage != 0); });
EM_JS(void, scanout_web_show, (), { Module.scanout.show(); });
EM_JS(void, scanout_web_zoom, (double factor), { Module.scanout.zoom(factor); });
EM_JS(void, scanout_web_title, (const char* title), { document.title = UTF8ToString(title); });
EM_JS(int, scanout_web_next_event, (), { return Module.scanout.nextEvent(); });
EM_JS(int, scanout_web_page_width, (), { return window.innerWidth | 0; });
EM_JS(int, scanout_web_page_height, (), { return window.innerHeight | 0; });
EM_JS(void, scanout_web_present, (const void* pixels, int width, int height), {
    Module.scanout.present(pixels, width, height);
});
// clang-format on

} // namespace

WebDisplay::~WebDisplay() {
    close();
}

bool WebDisplay::createWindow() {
    window_ = scanout_web_attach(width(), height()) != 0;
    visible_ = false;
    return window_;
}

void WebDisplay::destroyWindow() {
    scanout_web_detach();
    window_ = false;
    visible_ = false;
}

Format WebDisplay::createPresenter(bool fullscreenShape) {
    if (!canvasPixels_) {
        canvasPixels_ = std::make_unique<std::uint32_t[]>(static_cast<std::size_t>(width()) * height());
    }
    fullscreenShape_ = fullscreenShape;
    scanout_web_shape(fullscreenShape ? 1 : 0);
    return Format::XRGB8888;
}

void WebDisplay::destroyPresenter() {}

bool WebDisplay::present(const void* pixels, int stride) {
    const Converter* converter = requestConverter(Format::XRGB8888, Format::XBGR8888);
    if (converter == nullptr || !canvasPixels_) {
        return false;
    }
    const unsigned char* row = static_cast<const unsigned char*>(pixels);
    converter->begin();
    for (int y = 0; y < height(); ++y) {
        converter->convert(row, canvasPixels_.get() + static_cast<std::size_t>(y) * width(), width());
        row += stride;
    }
    converter->end();
    scanout_web_present(canvasPixels_.get(), width(), height());
    return true;
}

void WebDisplay::pumpEvents() {
    for (int event = scanout_web_next_event(); event != EVENT_NONE; event = scanout_web_next_event()) {
        const int kind = (event >> 16) & 0xff;
        const int key = event & 0xff;
        const bool alt = (event & 0x100) != 0;
        switch (kind) {
        case EVENT_KEY_DOWN:
            deliverKeyDown(key, alt);
            break;
        case EVENT_KEY_UP:
            deliverKeyUp(key);
            break;
        case EVENT_CLOSE:
            deliverCloseButton();
            break;
        case EVENT_TOGGLE:
            requestToggle();
            break;
        case EVENT_ACTIVE:
            deliverActivate((event & 1) != 0);
            break;
        default:
            break;
        }
    }
}

void WebDisplay::showWindow() {
    scanout_web_show();
    visible_ = true;
}

void WebDisplay::titleChanged() {
    scanout_web_title(title());
}

MenuWindowState WebDisplay::menuState() const {
    return MenuWindowState{
        !fullscreenShape_,        false, false, centred_, width(), height(), scanout_web_page_width(),
        scanout_web_page_height()};
}

void WebDisplay::zoomWindow(float factor) {
    scanout_web_zoom(factor);
}

} // namespace Scanout
