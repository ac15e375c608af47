// tessellune-play end to end: it plays a file to its end with the dummy driver, printing the
// position once a second, and refuses files it cannot play with an error line and a failing exit.
#include "tests/audio/mp3_maker.h"
#include "tests/support/process.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <regex>
#include <sstream>

namespace tessellune {
namespace {

using namespace tessellune::testing;

ProcessResult runPlay(const std::vector<std::string>& arguments) {
    std::vector<std::string> argv{TESSELLUNE_BINARY_DIR "/tessellune-play"};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    ProcessOptions options;
    options.environment = {"SDL_AUDIODRIVER=dummy"};
    return runProcess(argv, options);
}

TEST(PlayTool, PlaysToTheEndPrintingThePositionEverySecond) {
    const std::string path =
        writeTempFile("tool.mp3", encodeMp3(makeChord(size_t(44100 * 2.3), 2, 44100), 2, 44100));
    const ProcessResult run = runPlay({path});
    std::remove(path.c_str());
    ASSERT_EQ(run.exitCode, 0) << run.output;

    // A progress line: "S.SS / 2.30 s [" then 40 of '#' or '-' and "]", at position S.SS.
    const std::regex progress(R"(^(\d+\.\d\d) / 2\.30 s \[[#-]{40}\]$)");
    std::vector<double> positions;
    std::istringstream lines(run.output);
    std::smatch match;
    for (std::string line; std::getline(lines, line);) {
        if (std::regex_match(line, match, progress)) {
            positions.push_back(std::stod(match[1]));
        }
    }
    // 0, about 1 and about 2 seconds, then the end.
    ASSERT_EQ(positions.size(), 4u) << run.output;
    EXPECT_NEAR(positions[0], 0.0, 0.05);
    EXPECT_NEAR(positions[1], 1.0, 0.05);
    EXPECT_NEAR(positions[2], 2.0, 0.05);
    EXPECT_EQ(positions[3], 2.30);
    EXPECT_NE(run.output.find("[########################################]"), std::string::npos);
}

TEST(PlayTool, FilesItCannotPlayGetAnErrorLine) {
    const std::string text = "not music at all";
    const std::string path = writeTempFile("text.mp3", std::vector<uint8_t>(text.begin(), text.end()));
    const struct {
        std::vector<std::string> arguments;
        int exitCode;
        const char* line;
    } cases[] = {
        {{"/nonexistent/song.mp3"}, 1, "cannot play /nonexistent/song.mp3: file not found"},
        {{path}, 1, "not a complete MP3"},
        {{}, 2, "usage: tessellune-play FILE.mp3"},
    };
    for (const auto& c : cases) {
        const ProcessResult run = runPlay(c.arguments);
        EXPECT_EQ(run.exitCode, c.exitCode) << run.output;
        EXPECT_NE(run.output.find(c.line), std::string::npos) << run.output;
    }
    std::remove(path.c_str());
}

} // namespace
} // namespace tessellune
