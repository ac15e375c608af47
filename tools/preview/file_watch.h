// Noticing saved files by polling their modification time and size (no platform watch API: the
// preview checks a handful of files a few times a second).
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace tessellune {

struct WatchedFile {
    std::string path;
    std::filesystem::file_time_type stamp{};
    uintmax_t size = 0;
    bool present = false;
};

// Records the file's present state, so only later saves count as changes.
WatchedFile watchFile(const std::string& path);

// True (once) when the file was written, replaced or appeared since the last look. A file that
// disappears is not a change: an editor saving by rename briefly removes it.
bool fileChanged(WatchedFile& file);

// Watches every file directly in folder whose name ends with one of the suffixes.
std::vector<WatchedFile> watchFolder(const std::string& folder, const std::vector<std::string>& suffixes);

} // namespace tessellune
