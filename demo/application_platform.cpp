// The Application on the platform's own display; only the program links this (and the window host).
#include "demo/application.h"

namespace tessellune {

Application::Application() : display_(std::make_unique<Scanout::Display>()) {}

} // namespace tessellune
