// What the end-to-end tests check of the demo on a private X screen: its start-up lines, screen
// grabs, keys and Escape.
#pragma once

#include <string>

#include "tests/support/process.h"

namespace tessellune::testing {

// True when Xvfb, xdotool and ffmpeg are installed.
bool haveScreenTools();

// How many of the screen's 640 x 480 pixels are not black; the grab is kept in `png`.
int litPixels(const std::string& display, const std::string& png);

// Grabs the screen until more than `minimum` pixels are lit or the time runs out; the last count.
int waitForLitPixels(const std::string& display, const std::string& png, int minimum, int seconds);

// Sends keys (xdotool names, for example "Escape" or "alt+Return") to the window of that title.
// No window manager runs, so the window is given the keyboard focus first.
void sendKeys(const VirtualScreen& screen, const std::string& windowTitle, const std::string& keys);

// Presses Escape until the program ends; a key sent while the focus settles can be lost, so it is
// resent.
ProcessResult quitWithEscape(const VirtualScreen& screen, RunningProcess& program,
                             const std::string& windowTitle = "Tessellune");

// The demo's start-up lines, up to its first "fps:" line, are all in the output, in order.
void expectStartupLinesInOrder(const std::string& output);

} // namespace tessellune::testing
