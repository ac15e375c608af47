// Whole-file reading with C streams (no exceptions, no locale).
#include "assets/file_reader.h"

#include <cstdio>

namespace tessellune {

std::vector<uint8_t> readFile(const std::string& path) {
    std::vector<uint8_t> bytes;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        return bytes;
    }
    // Read in blocks rather than trusting a size query: pipes and growing files report none.
    uint8_t block[65536];
    for (;;) {
        const size_t got = std::fread(block, 1, sizeof block, file);
        bytes.insert(bytes.end(), block, block + got);
        if (got < sizeof block) {
            break;
        }
    }
    if (std::ferror(file)) {
        bytes.clear(); // a directory, or a read error part way: nothing trustworthy
    }
    std::fclose(file);
    return bytes;
}

} // namespace tessellune
