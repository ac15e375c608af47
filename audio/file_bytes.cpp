// Reading a byte range of a file into memory.
#include "audio/file_bytes.h"

#include "audio/audio.h"

#include <filesystem>
#include <fstream>
#include <new>

namespace tessellune {

int readFileRange(const char* path, uint64_t offset, uint64_t length, uint64_t maxBytes,
                  std::vector<uint8_t>& out) {
    out.clear();
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::status(path, error);
    if (status.type() == std::filesystem::file_type::not_found) {
        return AUDIO_ERROR_FILE_NOT_FOUND;
    }
    if (error || status.type() == std::filesystem::file_type::directory) {
        return AUDIO_ERROR_FILE_UNREADABLE;
    }
    const uintmax_t fileSize = std::filesystem::file_size(path, error);
    if (error) {
        return AUDIO_ERROR_FILE_UNREADABLE;
    }
    const uint64_t available = offset < fileSize ? uint64_t(fileSize) - offset : 0;
    const uint64_t wanted = length == 0 ? available : std::min(length, available);
    if (wanted > maxBytes) {
        return AUDIO_ERROR_TOO_LONG;
    }
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        return AUDIO_ERROR_FILE_UNREADABLE;
    }
    int result = AUDIO_OK;
    try {
        out.resize(size_t(wanted));
    } catch (const std::bad_alloc&) {
        result = AUDIO_ERROR_TOO_LONG;
    }
    if (result == AUDIO_OK && wanted > 0) {
        file.seekg(std::streamoff(offset));
        file.read(reinterpret_cast<char*>(out.data()), std::streamsize(out.size()));
        if (!file || uint64_t(file.gcount()) != wanted) {
            result = AUDIO_ERROR_FILE_UNREADABLE;
        }
    }
    if (result != AUDIO_OK) {
        out.clear();
    }
    return result;
}

} // namespace tessellune
