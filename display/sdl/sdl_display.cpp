// The SDL2 host: window, renderer, streaming texture and event translation.
#include "display/sdl/sdl_display.h"

#include <csignal>
#include <filesystem>

#include <SDL.h>

#include <vector>

#include "display/sdl/sdl_keys.h"

namespace Scanout {
namespace {

// SDL's pixel format for each of ours; 0 where SDL has none (no float textures). RGB888 is bytes
// red, green, blue in memory, as the converters write it.
Uint32 sdlPixelFormat(Format format) {
    switch (format) {
    case Format::XRGB8888:
        return SDL_PIXELFORMAT_XRGB8888;
    case Format::XBGR8888:
        return SDL_PIXELFORMAT_XBGR8888;
    case Format::RGB888:
        return SDL_PIXELFORMAT_RGB24;
    case Format::BGR888:
        return SDL_PIXELFORMAT_BGR24;
    case Format::RGB565:
        return SDL_PIXELFORMAT_RGB565;
    case Format::BGR565:
        return SDL_PIXELFORMAT_BGR565;
    case Format::XRGB1555:
        return SDL_PIXELFORMAT_XRGB1555;
    case Format::XBGR1555:
        return SDL_PIXELFORMAT_XBGR1555;
    default:
        return 0;
    }
}

// Without a GPU (no DRM device node) OpenGL would be Mesa's software rasterizer: about 70 MB of
// driver in memory and threads of its own competing with the band workers for the cores, just to
// scale a 640 x 480 picture. SDL's own blitter presents it more cheaply there. The choice has the
// lowest priority, so SDL_RENDER_DRIVER and SDL_FRAMEBUFFER_ACCELERATION in the environment win.
void preferSoftwarePresentationWithoutGpu() {
#ifdef __linux__
    std::error_code error;
    if (!std::filesystem::exists("/dev/dri", error)) {
        SDL_SetHintWithPriority(SDL_HINT_RENDER_DRIVER, "software", SDL_HINT_DEFAULT);
        SDL_SetHintWithPriority(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0", SDL_HINT_DEFAULT);
    }
#endif
}

// Set by Ctrl+C in a terminal (SIGINT) or a polite kill (SIGTERM); the next event pump turns it
// into the close that Escape requests, so the program shuts down normally and exits with 0.
volatile std::sig_atomic_t stopSignalled = 0;

extern "C" void onStopSignal(int) {
    stopSignalled = 1;
}

void catchStopSignals() {
    struct sigaction action = {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

} // namespace

SdlDisplay::~SdlDisplay() {
    close();
}

bool SdlDisplay::createWindow() {
    // The program keeps its own signal handling, and a full-screen demo must not minimise itself
    // when another window takes the focus.
    // SDL_QUIT then only comes from a signal SDL caught before this window existed (its audio
    // subsystem installs handlers), never from closing the last window, which has its own event.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
    SDL_SetHint(SDL_HINT_VIDEO_MINIMIZE_ON_FOCUS_LOSS, "0");
    preferSoftwarePresentationWithoutGpu();
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        return false;
    }
    catchStopSignals();
    window_ = SDL_CreateWindow(title(), 0, 0, width(), height(), SDL_WINDOW_HIDDEN | SDL_WINDOW_RESIZABLE);
    if (window_ == nullptr) {
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        return false;
    }
    windowId_ = SDL_GetWindowID(window_);
    fullscreenShape_ = false;
    centred_ = false;
    zoom_ = 1.0f;
    return true;
}

void SdlDisplay::destroyWindow() {
    destroyPresenter();
    SDL_DestroyWindow(window_);
    window_ = nullptr;
    windowId_ = 0;
    SDL_ShowCursor(SDL_ENABLE);
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
}

Format SdlDisplay::createPresenter(bool fullscreenShape) {
    // The renderer comes first: an OpenGL renderer may rebuild the native window, which would lose
    // a position or size given to the old one.
    if (!createRenderer()) {
        return Format::NoFormat;
    }
    if (fullscreenShape) {
        if (!enterFullscreenShape()) {
            destroyPresenter();
            return Format::NoFormat;
        }
    } else {
        enterWindowedShape();
    }
    const Format format = createTexture();
    if (format == Format::NoFormat) {
        destroyPresenter();
    }
    return format;
}

bool SdlDisplay::enterFullscreenShape() {
    const int displayIndex = SDL_GetWindowDisplayIndex(window_) >= 0 ? SDL_GetWindowDisplayIndex(window_) : 0;
    const int count = SDL_GetNumDisplayModes(displayIndex);
    std::vector<SDL_DisplayMode> modes;
    std::vector<ModeSize> sizes;
    for (int i = 0; i < count; ++i) {
        SDL_DisplayMode mode;
        if (SDL_GetDisplayMode(displayIndex, i, &mode) == 0) {
            modes.push_back(mode);
            sizes.push_back(ModeSize{mode.w, mode.h});
        }
    }
    const int chosen = chooseFullscreenMode(sizes, width(), height());
    if (chosen < 0) {
        return false;
    }
    SDL_HideWindow(window_);
    // Cover the screen as a plain window first: without a window manager the full-screen request
    // alone does not resize the window.
    const SDL_DisplayMode& chosenMode = modes[static_cast<std::size_t>(chosen)];
    SDL_SetWindowSize(window_, chosenMode.w > width() ? chosenMode.w : width(),
                      chosenMode.h > height() ? chosenMode.h : height());
    moveClientTo(0, 0);
    if (SDL_SetWindowDisplayMode(window_, &chosenMode) != 0 ||
        SDL_SetWindowFullscreen(window_, SDL_WINDOW_FULLSCREEN) != 0) {
        return false;
    }
    SDL_ShowWindow(window_);
    SDL_ShowCursor(SDL_DISABLE);
    fullscreenShape_ = true;
    return true;
}

void SdlDisplay::enterWindowedShape() {
    SDL_SetWindowFullscreen(window_, 0);
    SDL_HideWindow(window_);
    SDL_SetWindowSize(window_, static_cast<int>(static_cast<float>(width()) * zoom_),
                      static_cast<int>(static_cast<float>(height()) * zoom_));
    fullscreenShape_ = false;
    centreWindow();
    SDL_ShowCursor(SDL_ENABLE);
}

bool SdlDisplay::createRenderer() {
    // Hardware attempts map onto an accelerated renderer, the reference ones onto SDL's software
    // renderer; formats SDL cannot present are skipped.
    const DeviceAttemptList attempts = deviceAttempts(mode());
    for (int i = 0; i < attempts.count && renderer_ == nullptr; ++i) {
        if (sdlPixelFormat(attempts.items[i].format) == 0) {
            continue;
        }
        const Uint32 flags =
            attempts.items[i].kind == DeviceKind::Hardware ? SDL_RENDERER_ACCELERATED : SDL_RENDERER_SOFTWARE;
        renderer_ = SDL_CreateRenderer(window_, -1, flags);
        if (attempts.items[i].kind == DeviceKind::Hardware && renderer_ == nullptr) {
            // Every hardware format would fail the same way; go straight to the reference attempts.
            while (i + 1 < attempts.count && attempts.items[i + 1].kind == DeviceKind::Hardware) {
                ++i;
            }
        }
    }
    return renderer_ != nullptr;
}

Format SdlDisplay::createTexture() {
    const FormatList formats = textureFormats(mode());
    for (int i = 0; i < formats.count; ++i) {
        const Uint32 sdlFormat = sdlPixelFormat(formats.items[i]);
        if (sdlFormat == 0) {
            continue;
        }
        texture_ = SDL_CreateTexture(renderer_, sdlFormat, SDL_TEXTUREACCESS_STREAMING, width(), height());
        if (texture_ != nullptr) {
            return formats.items[i];
        }
    }
    return Format::NoFormat;
}

void SdlDisplay::destroyPresenter() {
    if (texture_ != nullptr) {
        SDL_DestroyTexture(texture_);
        texture_ = nullptr;
    }
    if (renderer_ != nullptr) {
        SDL_DestroyRenderer(renderer_);
        renderer_ = nullptr;
    }
}

bool SdlDisplay::present(const void* pixels, int stride) {
    if (renderer_ == nullptr || texture_ == nullptr) {
        return false;
    }
    if (SDL_UpdateTexture(texture_, nullptr, pixels, stride) != 0) {
        return false;
    }
    int outputWidth = 0;
    int outputHeight = 0;
    if (SDL_GetRendererOutputSize(renderer_, &outputWidth, &outputHeight) != 0) {
        return false;
    }
    const Rect shown = fitRect(width(), height(), outputWidth, outputHeight);
    const bool magnified = shown.width() > width() || shown.height() > height();
    SDL_SetTextureScaleMode(texture_, magnified ? SDL_ScaleModeLinear : SDL_ScaleModeNearest);
    SDL_SetRenderDrawColor(renderer_, 0, 0, 0, 255);
    SDL_RenderClear(renderer_);
    const SDL_Rect target{shown.left, shown.top, shown.width(), shown.height()};
    const bool drawn = SDL_RenderCopy(renderer_, texture_, nullptr, &target) == 0;
    SDL_RenderPresent(renderer_);
    return drawn;
}

PointF SdlDisplay::toFramebuffer(int windowX, int windowY) const {
    int clientWidth = 0;
    int clientHeight = 0;
    SDL_GetWindowSize(window_, &clientWidth, &clientHeight);
    return clientToFramebuffer(static_cast<float>(windowX), static_cast<float>(windowY), width(), height(),
                               clientWidth, clientHeight);
}

void SdlDisplay::pumpEvents() {
    SDL_Event event;
    if (stopSignalled != 0) {
        stopSignalled = 0;
        requestClose();
    }
    // A listener may close the display from inside a callback; stop draining when it does.
    while (window_ != nullptr && SDL_PollEvent(&event) != 0) {
        switch (event.type) {
        case SDL_WINDOWEVENT:
            if (event.window.windowID != windowId_) {
                break;
            }
            switch (event.window.event) {
            case SDL_WINDOWEVENT_CLOSE:
                deliverCloseButton();
                break;
            case SDL_WINDOWEVENT_FOCUS_GAINED:
                deliverActivate(true);
                break;
            case SDL_WINDOWEVENT_FOCUS_LOST:
                deliverActivate(false);
                break;
            case SDL_WINDOWEVENT_EXPOSED:
            case SDL_WINDOWEVENT_SIZE_CHANGED:
                // Redraw at once while the user drags the frame, not only at the next frame.
                paint();
                break;
            case SDL_WINDOWEVENT_MOVED:
                if (!fullscreenShape_ &&
                    (event.window.data1 != placedAt_.x || event.window.data2 != placedAt_.y)) {
                    centred_ = false;
                }
                break;
            default:
                break;
            }
            break;
        case SDL_KEYDOWN:
        case SDL_KEYUP: {
            if (event.key.windowID != windowId_) {
                break;
            }
            const int virtualKey = virtualKeyFromSdlKeycode(event.key.keysym.sym);
            if (virtualKey < 0) {
                break;
            }
            if (event.type == SDL_KEYDOWN) {
                deliverKeyDown(virtualKey, (event.key.keysym.mod & KMOD_ALT) != 0);
            } else {
                deliverKeyUp(virtualKey);
            }
            break;
        }
        case SDL_MOUSEMOTION:
            if (event.motion.windowID == windowId_) {
                deliverMouseMove(toFramebuffer(event.motion.x, event.motion.y));
            }
            break;
        case SDL_MOUSEBUTTONDOWN:
        case SDL_MOUSEBUTTONUP: {
            if (event.button.windowID != windowId_) {
                break;
            }
            MouseButton button;
            if (event.button.button == SDL_BUTTON_LEFT) {
                button = MouseButton::Left;
            } else if (event.button.button == SDL_BUTTON_MIDDLE) {
                button = MouseButton::Middle;
            } else if (event.button.button == SDL_BUTTON_RIGHT) {
                button = MouseButton::Right;
            } else {
                break;
            }
            deliverMouseButton(button, event.type == SDL_MOUSEBUTTONDOWN,
                               toFramebuffer(event.button.x, event.button.y));
            break;
        }
        case SDL_QUIT:
            requestClose(); // a stop signal that reached SDL's own handler
            break;
        default:
            break;
        }
    }
}

bool SdlDisplay::windowVisible() const {
    return window_ != nullptr && (SDL_GetWindowFlags(window_) & SDL_WINDOW_SHOWN) != 0;
}

void SdlDisplay::showWindow() {
    SDL_ShowWindow(window_);
    SDL_RaiseWindow(window_);
}

void SdlDisplay::titleChanged() {
    SDL_SetWindowTitle(window_, title());
}

MenuWindowState SdlDisplay::menuState() const {
    const Uint32 flags = SDL_GetWindowFlags(window_);
    SDL_DisplayMode desktop{};
    const int displayIndex = SDL_GetWindowDisplayIndex(window_);
    SDL_GetDesktopDisplayMode(displayIndex >= 0 ? displayIndex : 0, &desktop);
    return MenuWindowState{!fullscreenShape_,
                           (flags & SDL_WINDOW_MINIMIZED) != 0,
                           (flags & SDL_WINDOW_MAXIMIZED) != 0,
                           centred_,
                           width(),
                           height(),
                           desktop.w,
                           desktop.h};
}

FrameInsets SdlDisplay::frameInsets() const {
    int top = 0, left = 0, bottom = 0, right = 0;
    if (SDL_GetWindowBordersSize(window_, &top, &left, &bottom, &right) != 0) {
        return FrameInsets{0, 0, 0, 0};
    }
    return FrameInsets{left, top, right, bottom};
}

void SdlDisplay::moveClientTo(int x, int y) {
    SDL_SetWindowPosition(window_, x, y);
    placedAt_ = Point{x, y};
}

void SdlDisplay::zoomWindow(float factor) {
    const FrameInsets frame = frameInsets();
    int x = 0, y = 0, w = 0, h = 0;
    SDL_GetWindowPosition(window_, &x, &y);
    SDL_GetWindowSize(window_, &w, &h);
    const Rect outer{x - frame.left, y - frame.top, x + w + frame.right, y + h + frame.bottom};
    const Rect zoomed = zoomedWindowRect(outer, width(), height(), factor, frame);
    SDL_SetWindowSize(window_, zoomed.width() - frame.left - frame.right,
                      zoomed.height() - frame.top - frame.bottom);
    moveClientTo(zoomed.left + frame.left, zoomed.top + frame.top);
    zoom_ = factor;
}

void SdlDisplay::centreWindow() {
    const FrameInsets frame = frameInsets();
    int w = 0, h = 0;
    SDL_GetWindowSize(window_, &w, &h);
    const MenuWindowState state = menuState();
    const Point at = centredPosition(w + frame.left + frame.right, h + frame.top + frame.bottom,
                                     state.screenWidth, state.screenHeight);
    moveClientTo(at.x + frame.left, at.y + frame.top);
    centred_ = true;
}

} // namespace Scanout
