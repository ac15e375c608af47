// Finds the running executable's folder, so data is found whatever the working directory is.
#include "demo/data_path.h"

#include <filesystem>

#ifdef _WIN32
#include <windows.h>
#endif

namespace tessellune {

std::string executableDirectory() {
    std::error_code error;
#ifdef _WIN32
    char buffer[MAX_PATH];
    const DWORD length = GetModuleFileNameA(nullptr, buffer, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        return "";
    }
    const std::filesystem::path exe(std::string(buffer, length));
#else
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error) {
        return "";
    }
#endif
    std::string folder = exe.parent_path().string();
    if (folder.empty()) {
        return "";
    }
    return folder + PATH_SEPARATOR;
}

std::string dataDirectory() {
    return executableDirectory() + "data" + PATH_SEPARATOR;
}

} // namespace tessellune
