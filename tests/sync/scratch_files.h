// Test helpers: scratch files, track file bytes built by hand, in-memory tracks.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

#include "sync/sync_track.h"
#include "tests/support/temporary_folder.h"

namespace tessellune::testing {

inline void writeFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    ASSERT_TRUE(out.good()) << path;
}

inline std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Little-endian bytes written out by hand, independent of the code under test.
inline std::string le32(uint32_t word) {
    std::string bytes(4, '\0');
    for (int i = 0; i < 4; ++i) {
        bytes[i] = static_cast<char>((word >> (8 * i)) & 0xffu);
    }
    return bytes;
}

inline std::string keyBytes(int32_t row, float value, int type) {
    return le32(static_cast<uint32_t>(row)) + le32(std::bit_cast<uint32_t>(value)) +
           std::string(1, static_cast<char>(type & 0xff));
}

// A track holding these keys, as the loader would leave it.
inline SyncTrack makeTrack(const std::vector<SyncKey>& keys) {
    SyncTrack track;
    track.keyCount = static_cast<int32_t>(keys.size());
    if (!keys.empty()) {
        track.keys.reset(new SyncKey[keys.size()]);
        std::copy(keys.begin(), keys.end(), track.keys.get());
    }
    return track;
}

} // namespace tessellune::testing
