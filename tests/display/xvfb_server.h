// A private X server for tests that open real windows: started on a free display number chosen
// by the server itself, stopped (only this process) when the object goes.
#pragma once

#include <string>
#include <sys/types.h>

namespace testsupport {

class XvfbServer {
public:
    XvfbServer() = default;
    ~XvfbServer();
    XvfbServer(const XvfbServer&) = delete;
    XvfbServer& operator=(const XvfbServer&) = delete;

    // True when an Xvfb program can be found on the PATH.
    static bool installed();
    // Starts the server with one screen of the given size and depth 24 and points DISPLAY at it.
    // On failure returns false with a reason.
    bool start(int width, int height, std::string& reason);
    void stop();
    const std::string& display() const { return display_; }

private:
    pid_t pid_ = -1;
    std::string display_;
};

// Runs a shell command with this process's DISPLAY; returns its exit status (or -1).
int runCommand(const std::string& command);

} // namespace testsupport
