// Reading a byte range of a file into memory, with the reasons a read can fail told apart.
#pragma once

#include <cstdint>
#include <vector>

namespace tessellune {

// Reads length bytes from offset (length 0: to the end of the file; a range past the end is cut
// at the end) into out. Returns AUDIO_OK, AUDIO_ERROR_FILE_NOT_FOUND, AUDIO_ERROR_FILE_UNREADABLE
// (a directory, no permission, a read error) or AUDIO_ERROR_TOO_LONG when more than maxBytes.
int readFileRange(const char* path, uint64_t offset, uint64_t length, uint64_t maxBytes,
                  std::vector<uint8_t>& out);

} // namespace tessellune
