// tessellune-inspect render: a real model through the pipeline into a PNG that decodes and shows it.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <unistd.h>

#include "assets/file_reader.h"
#include "assets/png_decoder.h"
#include "tests/support/process.h"

namespace tessellune {
namespace {

const std::string TOOL = std::string(TESSELLUNE_BINARY_DIR) + "/tessellune-inspect";
const std::string CUBE = std::string(TESSELLUNE_SHARED_DIR) + "/testdata/models/mcguire-cube/cube.obj";

struct Preview {
    int exitCode = -1;
    std::string output;
    PngInfo info;
    std::vector<uint8_t> rgba;
    uint8_t at(uint32_t x, uint32_t y, int channel) const { return rgba[(y * info.width + x) * 4 + channel]; }
};

Preview render(const std::vector<std::string>& arguments) {
    const std::string out =
        std::filesystem::temp_directory_path() / ("tessellune-render-" + std::to_string(getpid()) + ".png");
    std::filesystem::remove(out);
    std::vector<std::string> argv = {TOOL, "render"};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    argv.push_back("--out");
    argv.push_back(out);
    const testing::ProcessResult result = testing::runProcess(argv);
    Preview preview;
    preview.exitCode = result.exitCode;
    preview.output = result.output;
    if (std::filesystem::exists(out)) {
        const std::vector<uint8_t> file = readFile(out);
        preview.info = decodePng(file, preview.rgba);
        std::filesystem::remove(out);
    }
    return preview;
}

TEST(InspectRender, CubeIsDrawnInTheMiddleOnBlackAndTheHiddenShaderDrawsNothing) {
    const Preview p = render({CUBE, "--size", "64x48", "--yaw", "0.5"});
    ASSERT_EQ(p.exitCode, 0) << p.output;
    EXPECT_NE(p.output.find("rendered "), std::string::npos);
    ASSERT_EQ(p.info.error, 0);
    ASSERT_EQ(p.info.width, 64u);
    ASSERT_EQ(p.info.height, 48u);
    EXPECT_GT(p.at(32, 24, 0) + p.at(32, 24, 1) + p.at(32, 24, 2), 60) << "the lit cube in the middle";
    EXPECT_EQ(p.at(0, 0, 0) + p.at(0, 0, 1) + p.at(0, 0, 2), 0) << "black around it";
    EXPECT_EQ(p.at(63, 47, 1), 0);
    // Turned by 0.5 radians two sides show, lit differently.
    EXPECT_NE(p.at(26, 24, 0), p.at(38, 24, 0));

    // With the hidden shader nothing is drawn (alpha is 255 in RGB).
    const Preview hidden = render({CUBE, "--size", "32x32", "--shader", "1"});
    ASSERT_EQ(hidden.exitCode, 0) << hidden.output;
    ASSERT_EQ(hidden.rgba.size(), 32u * 32u * 4u);
    for (size_t i = 0; i < hidden.rgba.size(); i += 4) {
        ASSERT_EQ(hidden.rgba[i] + hidden.rgba[i + 1] + hidden.rgba[i + 2], 0) << "pixel " << i / 4;
    }
}

TEST(InspectRender, BadArgumentsAndMissingModelsFailClearly) {
    for (const std::vector<std::string>& bad : {std::vector<std::string>{CUBE, "--size", "30x20"},
                                                {CUBE, "--size", "4096x64"},
                                                {CUBE, "--shader", "7"},
                                                {CUBE, "--yaw"}}) {
        EXPECT_EQ(render(bad).exitCode, 2) << bad[1] << " " << bad.back();
    }
    EXPECT_EQ(testing::runProcess({TOOL, "render", CUBE}).exitCode, 2) << "no --out";
    const Preview missing = render({"/nonexistent/model.obj"});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_NE(missing.output.find("no faces"), std::string::npos);
    EXPECT_TRUE(missing.rgba.empty());
}

} // namespace
} // namespace tessellune
