// Encodes tracks into the binary file format and writes a timeline's files all or nothing.
#include "tools/sync/track_writer.h"

#include <cstdio>
#include <filesystem>
#include <vector>

#include "sync/track_file.h"

namespace tessellune {

namespace {

constexpr std::string_view TRACK_EXTENSION = ".track";
constexpr std::string_view TEMPORARY_SUFFIX = ".partial";

bool writeBytes(const std::string& path, const std::string& bytes) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        return false;
    }
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && written;
}

void removeAll(const std::vector<std::string>& paths) {
    for (const std::string& path : paths) {
        std::error_code ignored;
        std::filesystem::remove(path, ignored);
    }
}

} // namespace

std::string encodeTrackFile(const SyncKey* keys, int32_t keyCount) {
    std::string bytes(SYNC_COUNT_BYTES + static_cast<size_t>(keyCount) * SYNC_KEY_BYTES, '\0');
    auto* out = reinterpret_cast<unsigned char*>(bytes.data());
    encodeSyncCount(keyCount, out);
    for (int32_t k = 0; k < keyCount; ++k) {
        encodeSyncKey(keys[k], out + SYNC_COUNT_BYTES + static_cast<size_t>(k) * SYNC_KEY_BYTES);
    }
    return bytes;
}

std::string trackFileName(std::string_view base, std::string_view name) {
    return std::string(base) + "_" + std::string(name) + std::string(TRACK_EXTENSION);
}

bool trackNameFromFileName(std::string_view fileName, std::string_view base, std::string& name) {
    const std::string prefix = std::string(base) + "_";
    if (fileName.size() <= prefix.size() + TRACK_EXTENSION.size() ||
        fileName.substr(0, prefix.size()) != prefix ||
        fileName.substr(fileName.size() - TRACK_EXTENSION.size()) != TRACK_EXTENSION) {
        return false;
    }
    name = fileName.substr(prefix.size(), fileName.size() - prefix.size() - TRACK_EXTENSION.size());
    return true;
}

bool writeTimelineTracks(const Timeline& timeline, const std::string& outDir, std::string_view base,
                         std::string& error) {
    std::error_code code;
    std::filesystem::create_directories(outDir, code);
    if (code || !std::filesystem::is_directory(outDir, code)) {
        error = outDir + ": cannot create the output folder";
        return false;
    }
    std::vector<std::string> temporaries;
    std::vector<std::string> targets;
    for (const TimelineTrack& track : timeline.tracks) {
        const std::string target = (std::filesystem::path(outDir) / trackFileName(base, track.name)).string();
        const std::string temporary = target + std::string(TEMPORARY_SUFFIX);
        const std::string bytes = encodeTrackFile(track.keys.data(), static_cast<int32_t>(track.keys.size()));
        temporaries.push_back(temporary);
        if (!writeBytes(temporary, bytes)) {
            removeAll(temporaries);
            error = temporary + ": cannot write";
            return false;
        }
        targets.push_back(target);
    }
    for (size_t i = 0; i < targets.size(); ++i) {
        std::filesystem::rename(temporaries[i], targets[i], code);
        if (code) {
            removeAll(temporaries);
            error = targets[i] + ": cannot replace (" + code.message() + ")";
            return false;
        }
    }
    return true;
}

} // namespace tessellune
