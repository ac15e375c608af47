// Process spawning, output capture and a private virtual X screen for end-to-end tests.
#include "tests/support/process.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

namespace tessellune::testing {

namespace {

using Clock = std::chrono::steady_clock;

pid_t spawn(const std::vector<std::string>& argv, const ProcessOptions& options, int* outputFd) {
    // env(1) sets up the environment and the folder, then becomes the program (found on PATH).
    std::vector<std::string> command{"/usr/bin/env"};
    for (const std::string& name : options.unset) {
        command.insert(command.end(), {"-u", name});
    }
    if (!options.workingDirectory.empty()) {
        command.insert(command.end(), {"-C", options.workingDirectory});
    }
    command.insert(command.end(), options.environment.begin(), options.environment.end());
    command.insert(command.end(), argv.begin(), argv.end());
    std::vector<char*> pointers;
    for (const std::string& a : command) {
        pointers.push_back(const_cast<char*>(a.c_str()));
    }
    pointers.push_back(nullptr);

    if (options.terminal) {
        const pid_t pid = forkpty(outputFd, nullptr, nullptr, nullptr); // a session and group of its own
        if (pid == 0) {
            execv(pointers[0], pointers.data());
            _exit(127);
        }
        return pid;
    }
    int pipeFds[2];
    if (pipe(pipeFds) != 0) {
        return -1;
    }
    const pid_t pid = fork();
    if (pid == 0) {
        setpgid(0, 0); // its own group, so a kill reaches its children too
        const int devNull = open("/dev/null", O_RDONLY);
        dup2(devNull, STDIN_FILENO);
        dup2(pipeFds[1], STDOUT_FILENO);
        dup2(pipeFds[1], STDERR_FILENO);
        close(pipeFds[0]);
        close(pipeFds[1]);
        execv(pointers[0], pointers.data());
        _exit(127);
    }
    close(pipeFds[1]);
    if (pid < 0) {
        close(pipeFds[0]);
        return -1;
    }
    *outputFd = pipeFds[0];
    return pid;
}

} // namespace

// The program has ended with that status: the rest of its output, and the result.
void RunningProcess::finish(int status) {
    if (WIFEXITED(status)) {
        result_.exitCode = WEXITSTATUS(status);
    } else if (WIFSIGNALED(status)) {
        result_.signal = WTERMSIG(status);
    }
    while (readSome(std::chrono::milliseconds(50))) {
    }
    finished_ = true;
    result_.output = output_;
}

RunningProcess::RunningProcess(const std::vector<std::string>& argv, const ProcessOptions& options) {
    pid_ = spawn(argv, options, &outputFd_);
}

RunningProcess::~RunningProcess() {
    if (!finished_) {
        wait(std::chrono::milliseconds(0));
    }
    if (outputFd_ >= 0) {
        close(outputFd_);
    }
}

bool RunningProcess::readSome(std::chrono::milliseconds timeout) {
    if (outputFd_ < 0) {
        return false;
    }
    pollfd fd{outputFd_, POLLIN, 0};
    if (poll(&fd, 1, static_cast<int>(timeout.count())) <= 0) {
        return false;
    }
    char buffer[4096];
    const ssize_t n = read(outputFd_, buffer, sizeof buffer);
    if (n <= 0) {
        close(outputFd_);
        outputFd_ = -1;
        return false;
    }
    output_.append(buffer, static_cast<size_t>(n));
    return true;
}

bool RunningProcess::waitForOutput(const std::string& text, std::chrono::milliseconds timeout,
                                   std::size_t from) {
    const auto deadline = Clock::now() + timeout;
    while (output_.find(text, from) == std::string::npos) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0 || (outputFd_ < 0)) {
            return output_.find(text, from) != std::string::npos;
        }
        readSome(std::min(left, std::chrono::milliseconds(100)));
    }
    return true;
}

bool RunningProcess::type(const std::string& text) {
    return outputFd_ >= 0 && write(outputFd_, text.data(), text.size()) == static_cast<ssize_t>(text.size());
}

bool RunningProcess::waitForExit(std::chrono::milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    while (pid_ > 0 && !finished_) {
        readSome(std::chrono::milliseconds(20));
        int status = 0;
        if (waitpid(pid_, &status, WNOHANG) == pid_) {
            finish(status);
        } else if (Clock::now() >= deadline) {
            return false;
        }
    }
    return true;
}

ProcessResult RunningProcess::wait(std::chrono::milliseconds timeout) {
    if (pid_ > 0 && !waitForExit(timeout)) {
        kill(-pid_, SIGKILL);
        kill(pid_, SIGKILL);
        int status = 0;
        waitpid(pid_, &status, 0);
        result_.timedOut = true;
        finish(status);
    }
    return result_;
}

ProcessResult runProcess(const std::vector<std::string>& argv, const ProcessOptions& options) {
    RunningProcess process(argv, options);
    return process.wait(options.timeout); // the empty result when it could not start
}

VirtualScreen::VirtualScreen(const std::string& geometry)
    : server_(
          {"/bin/sh", "-c", "exec Xvfb -displayfd 1 -screen 0 " + geometry + " -nolisten tcp 2>/dev/null"}) {
    // Xvfb prints its display number once it accepts connections.
    if (server_.waitForOutput("\n", std::chrono::seconds(20))) {
        display_ = ":" + server_.output().substr(0, server_.output().find('\n'));
    }
}

VirtualScreen::~VirtualScreen() {
    if (server_.started()) {
        kill(server_.pid(), SIGTERM); // a killed server would leave its lock and socket behind
        server_.wait(std::chrono::seconds(10));
    }
}

bool haveProgram(const std::string& name) {
    return runProcess({"/bin/sh", "-c", "command -v \"$0\"", name}).exitCode == 0;
}

} // namespace tessellune::testing
