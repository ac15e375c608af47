// "png FILE [--rgba OUT]": decodes a PNG as the demo does and reports its size and error number.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "assets/file_reader.h"
#include "assets/png_decoder.h"
#include "commands.h"

namespace tessellune::inspect {

int runPngCommand(int argc, char** argv) {
    const char* input = nullptr;
    const char* rgbaPath = nullptr;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--rgba") == 0 && i + 1 < argc) {
            rgbaPath = argv[++i];
        } else if (input == nullptr) {
            input = argv[i];
        } else {
            input = nullptr;
            break;
        }
    }
    if (input == nullptr) {
        std::fprintf(stderr, "usage: tessellune-inspect png FILE [--rgba OUT]\n");
        return 2;
    }
    std::vector<uint8_t> pixels;
    const PngInfo info = decodePng(readFile(input), pixels);
    if (info.error != 0) {
        std::printf("0 0 %d\n", info.error);
        return 1;
    }
    std::printf("%u %u 0\n", info.width, info.height);
    if (rgbaPath != nullptr) {
        std::FILE* out = std::fopen(rgbaPath, "wb");
        const bool written =
            out != nullptr && std::fwrite(pixels.data(), 1, pixels.size(), out) == pixels.size();
        if (out != nullptr && std::fclose(out) != 0) {
            std::fprintf(stderr, "cannot write %s\n", rgbaPath);
            return 1;
        }
        if (!written) {
            std::fprintf(stderr, "cannot write %s\n", rgbaPath);
            return 1;
        }
    }
    return 0;
}

} // namespace tessellune::inspect
