// Runs the project's programs from tests: captured output, environment, working folder, time limit.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstddef>
#include <string>
#include <vector>

#include "tests/support/temporary_folder.h"

namespace tessellune::testing {

struct ProcessOptions {
    std::vector<std::string> environment; // "NAME=value" entries added to (or replacing) ours
    std::vector<std::string> unset;       // names removed from the environment
    std::string workingDirectory;         // empty: ours
    std::chrono::milliseconds timeout{60000};
    bool terminal = false; // a terminal of its own for stdin and the output, instead of /dev/null and a pipe
};

struct ProcessResult {
    int exitCode = -1; // -1 when killed by a signal or the time limit
    int signal = 0;    // the signal that ended it, if any
    bool timedOut = false;
    std::string output; // stdout and stderr interleaved
};

// Runs a program to its end with stdin from /dev/null (so it never sees a terminal).
ProcessResult runProcess(const std::vector<std::string>& argv, const ProcessOptions& options = {});

// A program running in the background whose output can be awaited line by line.
class RunningProcess {
public:
    RunningProcess(const std::vector<std::string>& argv, const ProcessOptions& options = {});
    ~RunningProcess(); // kills the program if it still runs
    RunningProcess(const RunningProcess&) = delete;
    RunningProcess& operator=(const RunningProcess&) = delete;

    bool started() const { return pid_ > 0; }
    // Reads output until `text` appears at or after `from` or the time runs out; true when it appeared.
    bool waitForOutput(const std::string& text, std::chrono::milliseconds timeout, std::size_t from = 0);
    // True when the program ends within the time; it is left running otherwise.
    bool waitForExit(std::chrono::milliseconds timeout);
    // Waits for the program to end; fills exitCode/signal/timedOut, output so far included.
    ProcessResult wait(std::chrono::milliseconds timeout);
    // Types the text on the program's terminal (ProcessOptions::terminal); false when it cannot.
    bool type(const std::string& text);
    const std::string& output() const { return output_; }
    pid_t pid() const { return pid_; }

private:
    bool readSome(std::chrono::milliseconds timeout);
    void finish(int status);

    pid_t pid_ = -1;
    int outputFd_ = -1;
    std::string output_;
    bool finished_ = false;
    ProcessResult result_;
};

// A private X server (Xvfb) for the length of a test; DISPLAY names it.
class VirtualScreen {
public:
    explicit VirtualScreen(const std::string& geometry = "640x480x24");
    ~VirtualScreen();

    bool running() const { return !display_.empty(); }
    const std::string& display() const { return display_; } // for example ":3"

private:
    RunningProcess server_;
    std::string display_;
};

// True when a program of that name is on PATH.
bool haveProgram(const std::string& name);

} // namespace tessellune::testing
