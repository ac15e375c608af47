// Polling modification times and sizes.
#include "tools/preview/file_watch.h"

namespace tessellune {

namespace fs = std::filesystem;

namespace {
void look(WatchedFile& file) {
    std::error_code error;
    const fs::file_time_type stamp = fs::last_write_time(file.path, error);
    const uintmax_t size = error ? 0 : fs::file_size(file.path, error);
    file.present = !error;
    if (file.present) {
        file.stamp = stamp;
        file.size = size;
    }
}
} // namespace

WatchedFile watchFile(const std::string& path) {
    WatchedFile file;
    file.path = path;
    look(file);
    return file;
}

bool fileChanged(WatchedFile& file) {
    const WatchedFile before = file;
    look(file);
    if (!file.present) {
        file = before;
        return false;
    }
    return !before.present || file.stamp != before.stamp || file.size != before.size;
}

std::vector<WatchedFile> watchFolder(const std::string& folder, const std::vector<std::string>& suffixes) {
    std::vector<WatchedFile> files;
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder, error)) {
        const std::string name = entry.path().filename().string();
        for (const std::string& suffix : suffixes) {
            if (name.size() > suffix.size() && name.ends_with(suffix)) {
                files.push_back(watchFile(entry.path().string()));
                break;
            }
        }
    }
    return files;
}

} // namespace tessellune
