// The display library's smoke test: a window with a moving test pattern that prints one line per
// listener callback ("keydown 65", "mousemove 12 34", "open", ...) and ends with status 0 when the
// display closes (Escape, by the library's default keys). In a browser the page's animation frames
// step it, and its lines go to the page's console.
#include <cstdint>
#include <cstdio>
#include <vector>

#if defined(__EMSCRIPTEN__)
#include <emscripten/emscripten.h>
#endif

#include "display/display.h"
#include "display/listener.h"

namespace {

// Small enough to draw every frame at no cost, large enough to aim a pointer at.
constexpr int WIDTH = 320;
constexpr int HEIGHT = 240;
// The pattern moves this many pixels per frame, about 60 frames a second (the page's animation
// frames pace it in a browser).
constexpr int SPEED = 2;
#if !defined(__EMSCRIPTEN__)
constexpr double FRAME_SECONDS = 1.0 / 60.0;
#endif

class PrintingListener final : public Scanout::Listener {
public:
    void onKeyDown(Scanout::DisplayInterface&, Scanout::Key key) override {
        std::printf("keydown %d\n", key);
    }
    void onKeyPressed(Scanout::DisplayInterface&, Scanout::Key key) override {
        std::printf("keypressed %d\n", key);
    }
    void onKeyUp(Scanout::DisplayInterface&, Scanout::Key key) override { std::printf("keyup %d\n", key); }
    void onMouseButtonDown(Scanout::DisplayInterface&, Scanout::Mouse mouse) override {
        std::printf("mousedown %g %g\n", mouse.x, mouse.y);
    }
    void onMouseButtonUp(Scanout::DisplayInterface&, Scanout::Mouse mouse) override {
        std::printf("mouseup %g %g\n", mouse.x, mouse.y);
    }
    void onMouseMove(Scanout::DisplayInterface&, Scanout::Mouse mouse) override {
        std::printf("mousemove %g %g\n", mouse.x, mouse.y);
    }
    void onActivate(Scanout::DisplayInterface&, bool active) override {
        std::printf("activate %d\n", active ? 1 : 0);
    }
    void onOpen(Scanout::DisplayInterface&) override { std::printf("open\n"); }
    bool onClose(Scanout::DisplayInterface&) override {
        std::printf("close\n");
        return true;
    }
};

// Diagonal colour ramps that scroll, with a white frame, so a still or torn picture shows.
void drawPattern(std::vector<Scanout::TrueColorPixel>& pixels, int frame) {
    for (int y = 0; y < HEIGHT; ++y) {
        for (int x = 0; x < WIDTH; ++x) {
            const bool border = x == 0 || y == 0 || x == WIDTH - 1 || y == HEIGHT - 1;
            const auto red = static_cast<std::uint32_t>(x + frame * SPEED) & 0xFF;
            const auto green = static_cast<std::uint32_t>(y + frame * SPEED) & 0xFF;
            const auto blue = static_cast<std::uint32_t>(x + y) & 0xFF;
            pixels[static_cast<size_t>(y) * WIDTH + x] =
                border ? 0xFFFFFFu : (red << 16) | (green << 8) | blue;
        }
    }
}

// What one frame needs: the display, the pixels and the frame count.
struct ExampleLoop {
    Scanout::Display* display = nullptr;
    std::vector<Scanout::TrueColorPixel>* pixels = nullptr;
    int frame = 0;
};

// Draws and shows one frame; false once the display has closed. Events arrive from inside the
// update; it fails once Escape's close has been carried out.
bool stepExample(ExampleLoop& loop) {
    if (!loop.display->isOpen()) {
        return false;
    }
    drawPattern(*loop.pixels, loop.frame++);
    return loop.display->updateTrueColor(loop.pixels->data(), nullptr);
}

#if defined(__EMSCRIPTEN__)
void browserStep(void* data) {
    if (!stepExample(*static_cast<ExampleLoop*>(data))) {
        emscripten_cancel_main_loop();
    }
}
#endif

} // namespace

int main() {
    // Each line must reach a pipe as it happens; the Windows C library treats line buffering as
    // full buffering, so there the output is unbuffered.
#ifdef _WIN32
    std::setvbuf(stdout, nullptr, _IONBF, 0);
#else
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
#endif
    PrintingListener listener;
    Scanout::Display display;
    display.setListener(&listener);
    if (!display.open("Scanout example", WIDTH, HEIGHT, Scanout::Output::Windowed,
                      Scanout::Mode::TrueColor)) {
        std::fprintf(stderr, "scanout-example: the display could not be opened\n");
        return 1;
    }
    std::vector<Scanout::TrueColorPixel> pixels(static_cast<size_t>(WIDTH) * HEIGHT);
    ExampleLoop loop{&display, &pixels, 0};
#if defined(__EMSCRIPTEN__)
    // The page paces the frames; main never returns, so everything above stays in place.
    emscripten_set_main_loop_arg(browserStep, &loop, 0, 1);
#else
    const auto timer = Scanout::createPlatformTimer();
    while (stepExample(loop)) {
        timer->wait(FRAME_SECONDS - timer->delta());
        timer->delta();
    }
#endif
    return 0;
}
