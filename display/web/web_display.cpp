// The browser host: canvas presentation, page shapes and the page's key and mouse events.
#include "display/web/web_display.h"

#include <emscripten/emscripten.h>

#include <cmath>

#include "display/converter.h"
#include "display/window_geometry.h"

namespace Scanout {

namespace {

// The page's event queue holds packed events: kind in bits 16-23, Alt in bit 8, key (or mouse
// button: 0 left, 1 middle, 2 right, the browser's numbering) in bits 0-7. Mouse events also carry
// the pointer in CSS pixels from the canvas element's top left and that element's size.
constexpr int EVENT_KEY_DOWN = 1;
constexpr int EVENT_KEY_UP = 2;
constexpr int EVENT_CLOSE = 3;  // the page asked the show to end
constexpr int EVENT_TOGGLE = 4; // the page's full-screen button
constexpr int EVENT_ACTIVE = 5; // bit 0: the page became visible
constexpr int EVENT_MOUSE_MOVE = 6;
constexpr int EVENT_MOUSE_DOWN = 7;
constexpr int EVENT_MOUSE_UP = 8;
constexpr int EVENT_NONE = -1;

// Where a mouse event happened: x, y, element width, element height (CSS pixels).
struct PointerPlace {
    float values[4];
};

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
EM_JS(int, scanout_web_next_event, (float* place), {
    const event = Module.scanout.nextEvent();
    if (event === null) return -1;
    const at = place >> 2;
    HEAPF32[at] = event.x;
    HEAPF32[at + 1] = event.y;
    HEAPF32[at + 2] = event.width;
    HEAPF32[at + 3] = event.height;
    return event.code;
});
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

namespace {

// The pointer in framebuffer pixels, through the rectangle the canvas shows the frame in (the
// whole element when windowed, the aspect-kept fit inside it on the full page).
PointF framebufferPosition(const PointerPlace& place, int width, int height) {
    const float* v = place.values;
    const bool usable = std::isfinite(v[0]) && std::isfinite(v[1]) && std::isfinite(v[2]) &&
                        std::isfinite(v[3]) && v[2] >= 1.0f && v[3] >= 1.0f && v[2] < 1e6f && v[3] < 1e6f;
    if (!usable) {
        return PointF{0.0f, 0.0f};
    }
    return clientToFramebuffer(v[0], v[1], width, height, static_cast<int>(std::lround(v[2])),
                               static_cast<int>(std::lround(v[3])));
}

MouseButton mouseButton(int button) {
    return button == 1 ? MouseButton::Middle : button == 2 ? MouseButton::Right : MouseButton::Left;
}

} // namespace

void WebDisplay::pumpEvents() {
    PointerPlace place{};
    // A listener may close the display from inside a callback; stop draining when it does.
    for (int event = scanout_web_next_event(place.values); event != EVENT_NONE && window_;
         event = scanout_web_next_event(place.values)) {
        const int kind = (event >> 16) & 0xff;
        const int key = event & 0xff;
        const bool alt = (event & 0x100) != 0;
        switch (kind) {
        case EVENT_MOUSE_MOVE:
            deliverMouseMove(framebufferPosition(place, width(), height()));
            break;
        case EVENT_MOUSE_DOWN:
        case EVENT_MOUSE_UP:
            if (key <= 2) { // the browser's back and forward buttons have no place in the record
                deliverMouseButton(mouseButton(key), kind == EVENT_MOUSE_DOWN,
                                   framebufferPosition(place, width(), height()));
            }
            break;
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
