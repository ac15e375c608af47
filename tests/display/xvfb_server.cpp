// Starting and stopping a private Xvfb server for window tests.
#include "xvfb_server.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace testsupport {

bool XvfbServer::installed() {
    return std::system("command -v Xvfb >/dev/null 2>&1") == 0;
}

bool XvfbServer::start(int width, int height, std::string& reason) {
    int fds[2];
    if (pipe(fds) != 0) {
        reason = "pipe failed";
        return false;
    }
    const std::string screen = std::to_string(width) + "x" + std::to_string(height) + "x24";
    const std::string fdText = std::to_string(fds[1]);
    pid_ = fork();
    if (pid_ < 0) {
        reason = "fork failed";
        close(fds[0]);
        close(fds[1]);
        return false;
    }
    if (pid_ == 0) {
        close(fds[0]);
        const int devNull = open("/dev/null", O_WRONLY);
        if (devNull >= 0) {
            dup2(devNull, STDOUT_FILENO);
            dup2(devNull, STDERR_FILENO);
        }
        // -displayfd lets the server pick a free display number and report it on the pipe.
        execlp("Xvfb", "Xvfb", "-displayfd", fdText.c_str(), "-screen", "0", screen.c_str(), "-nolisten",
               "tcp", "-br", "-noreset", static_cast<char*>(nullptr));
        _exit(127);
    }
    close(fds[1]);
    std::string number;
    pollfd waitFor{fds[0], POLLIN, 0};
    // Up to ten seconds for the server to come up and name its display.
    while (poll(&waitFor, 1, 10000) > 0) {
        char c;
        const ssize_t got = read(fds[0], &c, 1);
        if (got <= 0 || c == '\n') {
            break;
        }
        number.push_back(c);
    }
    close(fds[0]);
    if (number.empty()) {
        reason = "Xvfb did not report a display number";
        stop();
        return false;
    }
    display_ = ":" + number;
    setenv("DISPLAY", display_.c_str(), 1);
    return true;
}

void XvfbServer::stop() {
    if (pid_ > 0) {
        kill(pid_, SIGTERM);
        int status = 0;
        while (waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
        }
        pid_ = -1;
    }
}

XvfbServer::~XvfbServer() {
    stop();
}

int runCommand(const std::string& command) {
    const int status = std::system(command.c_str());
    if (status == -1 || !WIFEXITED(status)) {
        return -1;
    }
    return WEXITSTATUS(status);
}

} // namespace testsupport
