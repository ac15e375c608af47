// Start-up lines, screen grabs and key presses for the end-to-end tests (ffmpeg and xdotool).
#include "tests/e2e/screen_checks.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <thread>
#include <vector>

#include "assets/file_reader.h"
#include "assets/png_decoder.h"

namespace tessellune::testing {

bool haveScreenTools() {
    return haveProgram("Xvfb") && haveProgram("xdotool") && haveProgram("ffmpeg");
}

bool ciRun() {
    const char* ci = std::getenv("CI");
    return ci != nullptr && *ci != '\0' && std::string(ci) != "false" && std::string(ci) != "0";
}

std::vector<uint8_t> grabScreen(const std::string& display, const std::string& png, int width, int height) {
    const std::string size = std::to_string(width) + "x" + std::to_string(height);
    const ProcessResult grab = runProcess({"ffmpeg", "-loglevel", "error", "-y", "-f", "x11grab",
                                           "-video_size", size, "-i", display, "-frames:v", "1", png});
    std::vector<uint8_t> rgba;
    if (grab.exitCode != 0 || decodePng(readFile(png), rgba).error != 0) {
        ADD_FAILURE() << "screen grab failed: " << grab.output;
        rgba.clear();
    }
    return rgba;
}

int peMachine(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    unsigned char header[0x40] = {};
    file.read(reinterpret_cast<char*>(header), sizeof header);
    const uint32_t peOffset =
        header[0x3c] | header[0x3d] << 8 | header[0x3e] << 16 | uint32_t(header[0x3f]) << 24;
    unsigned char pe[6] = {};
    file.seekg(peOffset);
    file.read(reinterpret_cast<char*>(pe), sizeof pe);
    if (!file || header[0] != 'M' || header[1] != 'Z' || pe[0] != 'P' || pe[1] != 'E' || pe[2] != 0 ||
        pe[3] != 0) {
        return -1;
    }
    return pe[4] | pe[5] << 8;
}

int waitForLitPixels(const std::string& display, const std::string& png, int minimum, int seconds) {
    int lit = 0;
    for (int attempt = 0; attempt < seconds * 2 && lit <= minimum; ++attempt) {
        if (attempt > 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(500));
        }
        const std::vector<uint8_t> rgba = grabScreen(display, png);
        lit = 0;
        for (size_t i = 0; i + 3 < rgba.size(); i += 4) {
            lit += (rgba[i] | rgba[i + 1] | rgba[i + 2]) > 16 ? 1 : 0;
        }
    }
    return lit;
}

void sendKeys(const VirtualScreen& screen, const std::string& windowTitle, const std::string& keys) {
    ProcessOptions options;
    options.environment = {"DISPLAY=" + screen.display()};
    options.timeout = std::chrono::seconds(10);
    runProcess({"xdotool", "search", "--sync", "--name", "^" + windowTitle + "$", "windowfocus", "--sync"},
               options);
    runProcess({"xdotool", "key", keys}, options);
}

ProcessResult quitWithEscape(const VirtualScreen& screen, RunningProcess& program,
                             const std::string& windowTitle) {
    for (int attempt = 0; attempt < 4; ++attempt) {
        sendKeys(screen, windowTitle, "Escape");
        if (program.waitForExit(std::chrono::seconds(8))) {
            break;
        }
    }
    return program.wait(std::chrono::seconds(10));
}

void expectStartupLinesInOrder(const std::string& output) {
    const std::vector<std::string> order = {"now we are going to load some obj.\n",
                                            "new pipeline uses:       30.52 MB\n",
                                            "---- loading [dunequad.obj]:",
                                            "---- loading [tealfloor.obj]:",
                                            "---- loading [blah.obj]:",
                                            "ao calc took",
                                            "-[ pipeline statistics ]----------------\n",
                                            "fps: "};
    size_t last = 0;
    for (const std::string& line : order) {
        const size_t at = output.find(line);
        ASSERT_NE(at, std::string::npos) << "missing: " << line << "\n" << output;
        EXPECT_GE(at, last) << "out of order: " << line;
        last = at;
    }
}

} // namespace tessellune::testing
