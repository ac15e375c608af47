// The program's run: start-up in its fixed order, the frame loop on the music, and shutdown.
#pragma once

#include "demo/application.h"

namespace tessellune {

// Returns the process exit status: 0 on every start-up failure path and after a normal run.
int runDemo(Application& application);

} // namespace tessellune
