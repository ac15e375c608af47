// tessellune-datagen: writes the show's meshes, textures, cards and picture into a data folder.
#include <cstdio>
#include <string>

#include "tools/datagen/dataset.h"

namespace {

// One line per file, and for long jobs one more each time the percentage moves on.
void showProgress(double fraction, const std::string& item) {
    static int lastPercent = -1;
    static std::string lastItem;
    const int percent = static_cast<int>(fraction * 100.0 + 0.5);
    if (percent == lastPercent && item == lastItem) {
        return;
    }
    lastPercent = percent;
    lastItem = item;
    std::printf("[%3d%%] %s\n", percent, item.c_str());
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3 || argc > 4) {
        std::fprintf(stderr, "usage: tessellune-datagen CONTENT_DIR OUTPUT_DIR [FONT_DIR]\n");
        return 2;
    }
    tessellune::datagen::DatasetPaths paths;
    paths.contentDirectory = argv[1];
    paths.outputDirectory = argv[2];
    paths.fontDirectory = argc == 4 ? argv[3] : "/usr/share/fonts/truetype/dejavu";
    std::string error;
    if (!tessellune::datagen::writeDataset(paths, showProgress, error)) {
        std::fprintf(stderr, "tessellune-datagen: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
