// The Application listener: owns the display and forwards key presses to the debug controls.
#include "demo/application.h"

namespace tessellune {

Application::Application(std::unique_ptr<Scanout::DisplayAdapter> platform)
    : display_(std::make_unique<Scanout::Display>(std::move(platform))) {}

Application::~Application() {
    display_.reset();
}

void Application::onKeyPressed(Scanout::DisplayInterface&, Scanout::Key key) {
    float ignored = 0.0f;
    applyDebugKey(controls, gtn != nullptr ? *gtn : ignored, key);
}

} // namespace tessellune
