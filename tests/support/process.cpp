// Process spawning, output capture and a private virtual X screen for end-to-end tests.
#include "tests/support/process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace tessellune::testing {

namespace {

using Clock = std::chrono::steady_clock;

std::vector<std::string> buildEnvironment(const ProcessOptions& options) {
    std::vector<std::string> env;
    for (char** e = environ; *e != nullptr; ++e) {
        const std::string entry = *e;
        const std::string name = entry.substr(0, entry.find('='));
        bool drop = false;
        for (const std::string& u : options.unset) {
            drop = drop || u == name;
        }
        for (const std::string& added : options.environment) {
            drop = drop || added.substr(0, added.find('=')) == name;
        }
        if (!drop) {
            env.push_back(entry);
        }
    }
    env.insert(env.end(), options.environment.begin(), options.environment.end());
    return env;
}

pid_t spawn(const std::vector<std::string>& argv, const ProcessOptions& options, int* outputFd) {
    int pipeFds[2];
    if (pipe(pipeFds) != 0) {
        return -1;
    }
    const std::vector<std::string> env = buildEnvironment(options);
    std::vector<char*> argvPointers;
    for (const std::string& a : argv) {
        argvPointers.push_back(const_cast<char*>(a.c_str()));
    }
    argvPointers.push_back(nullptr);
    std::vector<char*> envPointers;
    for (const std::string& e : env) {
        envPointers.push_back(const_cast<char*>(e.c_str()));
    }
    envPointers.push_back(nullptr);

    const pid_t pid = fork();
    if (pid == 0) {
        setpgid(0, 0); // its own group, so a kill reaches its children too
        const int devNull = open("/dev/null", O_RDONLY);
        dup2(devNull, STDIN_FILENO);
        dup2(pipeFds[1], STDOUT_FILENO);
        dup2(pipeFds[1], STDERR_FILENO);
        close(pipeFds[0]);
        close(pipeFds[1]);
        if (!options.workingDirectory.empty() && chdir(options.workingDirectory.c_str()) != 0) {
            _exit(126);
        }
        execve(argvPointers[0], argvPointers.data(), envPointers.data());
        execvpe(argvPointers[0], argvPointers.data(), envPointers.data());
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

void fillStatus(int status, ProcessResult& result) {
    if (WIFEXITED(status)) {
        result.exitCode = WEXITSTATUS(status);
    } else if (WIFSIGNALED(status)) {
        result.signal = WTERMSIG(status);
    }
}

} // namespace

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

bool RunningProcess::waitForOutput(const std::string& text, std::chrono::milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    while (output_.find(text) == std::string::npos) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0 || (outputFd_ < 0)) {
            return output_.find(text) != std::string::npos;
        }
        readSome(std::min(left, std::chrono::milliseconds(100)));
    }
    return true;
}

bool RunningProcess::waitForExit(std::chrono::milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    while (pid_ > 0 && !finished_) {
        readSome(std::chrono::milliseconds(20));
        int status = 0;
        if (waitpid(pid_, &status, WNOHANG) == pid_) {
            fillStatus(status, result_);
            while (readSome(std::chrono::milliseconds(50))) {
            }
            finished_ = true;
            result_.output = output_;
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
        result_.signal = SIGKILL;
        while (readSome(std::chrono::milliseconds(50))) {
        }
        finished_ = true;
        result_.output = output_;
    }
    return result_;
}

ProcessResult runProcess(const std::vector<std::string>& argv, const ProcessOptions& options) {
    RunningProcess process(argv, options);
    if (!process.started()) {
        return {};
    }
    return process.wait(options.timeout);
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
