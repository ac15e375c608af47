// Scratch folders with unique names, made and removed through the standard file system calls.
#include "tests/support/temporary_folder.h"

#include <filesystem>
#include <random>
#include <system_error>

namespace tessellune::testing {

TemporaryFolder::TemporaryFolder() {
    const std::filesystem::path base = std::filesystem::temp_directory_path();
    std::random_device entropy;
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::filesystem::path candidate = base / ("tessellune-test-" + std::to_string(entropy()));
        std::error_code error;
        // create_directory is false when the name is taken, so two tests never share a folder.
        if (std::filesystem::create_directory(candidate, error) && !error) {
            path_ = candidate.string();
            return;
        }
    }
}

TemporaryFolder::~TemporaryFolder() {
    if (!path_.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
}

} // namespace tessellune::testing
