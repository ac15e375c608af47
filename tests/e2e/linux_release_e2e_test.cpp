// The Linux release folder end to end, run from its tarball unpacked elsewhere.
//
// What it holds, what the program asks of the system (only the distribution's SDL2 and libmpg123,
// and C and C++ runtimes that Debian 12 and Ubuntu 24.04 have), and the program's start-up lines,
// a frame on screen and Escape.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include "tests/e2e/screen_checks.h"
#include "tests/support/process.h"

using namespace tessellune::testing;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

namespace {

const fs::path RELEASE = TESSELLUNE_LINUX_RELEASE;
const fs::path TARBALL = RELEASE.parent_path() / "tessellune-linux-x86_64.tar.gz";

// The tools the checks run (binutils' objdump, glibc's ldd, tar): a failure where CI runs.
#define REQUIRE_PROGRAM(name) SKIP_OR_FAIL_WITHOUT(haveProgram(name), std::string(name) + " is missing")

// "GLIBCXX_3.4.30" -> {3, 4, 30}: versions compare part by part, as numbers.
std::vector<int> versionParts(const std::string& version) {
    std::vector<int> parts;
    std::stringstream in(version);
    for (std::string part; std::getline(in, part, '.');) {
        parts.push_back(std::atoi(part.c_str()));
    }
    return parts;
}

// The newest version of each symbol-version family (GLIBC, GLIBCXX, CXXABI, GCC) a program asks for.
std::map<std::string, std::vector<int>> newestVersions(const std::string& dynamicSymbols) {
    std::map<std::string, std::vector<int>> newest;
    std::stringstream in(dynamicSymbols);
    for (std::string word; in >> word;) {
        // objdump writes a versioned reference in parentheses: "(GLIBC_2.34)".
        if (word.size() > 2 && word.front() == '(' && word.back() == ')') {
            word = word.substr(1, word.size() - 2);
        }
        const size_t underscore = word.find('_');
        if (underscore == std::string::npos) {
            continue;
        }
        const std::string family = word.substr(0, underscore);
        const std::string number = word.substr(underscore + 1);
        if ((family != "GLIBC" && family != "GLIBCXX" && family != "CXXABI" && family != "GCC") ||
            number.empty() || number.find_first_not_of("0123456789.") != std::string::npos) {
            continue;
        }
        std::vector<int>& known = newest[family];
        known = std::max(known, versionParts(number));
    }
    return newest;
}

std::vector<std::string> sortedLines(const std::string& text) {
    std::vector<std::string> lines;
    std::stringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty()) {
            lines.push_back(line);
        }
    }
    std::sort(lines.begin(), lines.end());
    return lines;
}

// The tarball unpacked into folder; the program's path there.
std::string unpacked(const TemporaryFolder& folder) {
    const ProcessResult untar = runProcess({"tar", "-xzf", TARBALL.string(), "-C", folder.path()});
    EXPECT_EQ(untar.exitCode, 0) << untar.output;
    return folder.path() + "/tessellune/tessellune";
}

} // namespace

// The folder holds the program, its data and a README that names the packages; the tarball holds
// exactly the folder under one top folder.
TEST(LinuxRelease, TheFolderAndItsTarballHoldTheProgramItsDataAndAReadme) {
    REQUIRE_PROGRAM("tar");
    EXPECT_TRUE(fs::is_regular_file(RELEASE / "tessellune"));
    EXPECT_NE(fs::status(RELEASE / "tessellune").permissions() & fs::perms::owner_exec, fs::perms::none);
    for (const char* file : {"demotune.mp3", "envtest256.png", "blah.obj", "sync_scene.track"}) {
        EXPECT_TRUE(fs::is_regular_file(RELEASE / "data" / file)) << file;
    }
    EXPECT_FALSE(fs::exists(RELEASE / "data" / ".generated")); // the build's stamp stays behind
    std::ifstream readme(RELEASE / "README.txt");
    const std::string text((std::istreambuf_iterator<char>(readme)), std::istreambuf_iterator<char>());
    for (const char* needed : {"./tessellune", "Escape", "libsdl2-2.0-0", "libmpg123-0", "libmpg123-0t64",
                               "Debian 12", "Ubuntu 24.04", "TESSELLUNE_AUDIO_OUTPUT=silent"}) {
        EXPECT_NE(text.find(needed), std::string::npos) << needed;
    }

    std::vector<std::string> inFolder;
    for (const auto& entry : fs::recursive_directory_iterator(RELEASE)) {
        inFolder.push_back("tessellune/" + fs::relative(entry.path(), RELEASE).string() +
                           (entry.is_directory() ? "/" : ""));
    }
    inFolder.push_back("tessellune/");
    std::sort(inFolder.begin(), inFolder.end());
    const ProcessResult listing = runProcess({"tar", "-tzf", TARBALL.string()});
    ASSERT_EQ(listing.exitCode, 0) << listing.output;
    EXPECT_EQ(sortedLines(listing.output), inFolder);
}

// Only SDL2 and libmpg123 beyond the C and C++ runtimes, no search path of this build machine, and
// symbol versions no newer than Debian 12's glibc 2.36 and GCC 12's libstdc++ (Ubuntu 24.04 has
// newer of both). Every library it needs is found on this machine.
TEST(LinuxRelease, TheProgramNeedsOnlyTheDistributionsSdlAndMpg123AndOldEnoughRuntimes) {
    REQUIRE_PROGRAM("objdump");
    const std::string program = (RELEASE / "tessellune").string();
    const ProcessResult headers = runProcess({"objdump", "-p", program});
    ASSERT_EQ(headers.exitCode, 0) << headers.output;
    std::set<std::string> needed;
    std::stringstream in(headers.output);
    for (std::string line; std::getline(in, line);) {
        std::stringstream words(line);
        std::string tag, value;
        words >> tag >> value;
        if (tag == "NEEDED") {
            needed.insert(value);
        }
        EXPECT_NE(tag, "RPATH") << line;
        EXPECT_NE(tag, "RUNPATH") << line;
    }
    const std::set<std::string> allowed = {"libSDL2-2.0.so.0", "libmpg123.so.0", "libstdc++.so.6",
                                           "libm.so.6",        "libgcc_s.so.1",  "libc.so.6"};
    EXPECT_TRUE(std::includes(allowed.begin(), allowed.end(), needed.begin(), needed.end()))
        << headers.output;
    EXPECT_TRUE(needed.contains("libSDL2-2.0.so.0") && needed.contains("libmpg123.so.0"));

    const ProcessResult symbols = runProcess({"objdump", "-T", program});
    ASSERT_EQ(symbols.exitCode, 0) << symbols.output;
    const auto newest = newestVersions(symbols.output);
    const std::map<std::string, std::vector<int>> limits = {
        {"GLIBC", {2, 36}}, {"GLIBCXX", {3, 4, 30}}, {"CXXABI", {1, 3, 13}}, {"GCC", {12, 0, 0}}};
    ASSERT_TRUE(newest.contains("GLIBC") && newest.contains("GLIBCXX")) << symbols.output;
    for (const auto& [family, version] : newest) {
        EXPECT_LE(version, limits.at(family)) << family;
    }

    REQUIRE_PROGRAM("ldd");
    const ProcessResult resolved = runProcess({"ldd", program});
    EXPECT_EQ(resolved.exitCode, 0) << resolved.output;
    EXPECT_EQ(resolved.output.find("not found"), std::string::npos) << resolved.output;
}

// The tarball unpacked in another place and started from a third: its start-up lines in order, the
// intro on screen, and Escape ending it with status 0.
TEST(LinuxRelease, UnpackedElsewhereItStartsShowsAFrameAndQuitsOnEscape) {
    SKIP_WITHOUT_SCREEN_TOOLS();
    REQUIRE_PROGRAM("tar");
    TemporaryFolder unpackHere;
    TemporaryFolder workHere;
    const std::string program = unpacked(unpackHere);
    ASSERT_TRUE(fs::is_regular_file(program));
    VirtualScreen screen;
    ASSERT_TRUE(screen.running());
    ProcessOptions options;
    options.environment = {"DISPLAY=" + screen.display(), "SDL_AUDIODRIVER=dummy"};
    options.workingDirectory = workHere.path();
    RunningProcess demo({program}, options);
    ASSERT_TRUE(demo.started());
    ASSERT_TRUE(demo.waitForOutput("fps:", 120s)) << demo.output();
    expectStartupLinesInOrder(demo.output());

    const int enough = 640 * 480 / 100;
    EXPECT_GT(waitForLitPixels(screen.display(), workHere.file("shot.png"), enough, 6), enough);

    const ProcessResult result = quitWithEscape(screen, demo);
    EXPECT_FALSE(result.timedOut);
    EXPECT_EQ(result.exitCode, 0) << result.output;
}

// The start-up failures someone who unpacked it can meet, one row each: the line that says what
// failed and the exit status.
TEST(LinuxRelease, UnpackedElsewhereItsStartUpFailuresSayWhatFailed) {
    REQUIRE_PROGRAM("tar");
    const struct {
        const char* what;
        const char* missing; // a data file removed after unpacking, or nothing
        std::string audioDriver;
        int exitCode;
        const char* line;
    } cases[] = {
        {"no sound device", nullptr, "no-such-driver", 0, "audio init error\n"},
        {"the soundtrack removed", "demotune.mp3", "dummy", 0, "error (4) while creating stream\n"},
        {"a texture removed", "envtest256.png", "dummy", 1, "error(48) decoding png from [envtest256.png]\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TemporaryFolder folder;
        const std::string program = unpacked(folder);
        if (c.missing != nullptr) {
            ASSERT_TRUE(fs::remove(folder.path() + "/tessellune/data/" + c.missing));
        }
        ProcessOptions options;
        options.unset = {"AUDIODEV", "PULSE_SERVER", "DISPLAY", "TESSELLUNE_AUDIO_OUTPUT"};
        options.environment = {"SDL_AUDIODRIVER=" + c.audioDriver};
        options.workingDirectory = folder.path();
        const ProcessResult r = runProcess({program}, options);
        EXPECT_FALSE(r.timedOut);
        EXPECT_EQ(r.exitCode, c.exitCode) << r.output;
        EXPECT_NE(r.output.find(c.line), std::string::npos) << r.output;
    }
}
