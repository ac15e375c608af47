// Test helper: decodes an MP3 file with libmpg123 (gapless, as the demo's audio library does).
//
// Conventions: the PCM comes back as interleaved 16-bit samples at the file's own rate.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct DecodedMp3 {
    std::vector<int16_t> pcm;
    long rate = 0;
    int channels = 0;
};

bool decodeMp3File(const std::string& path, DecodedMp3& decoded, std::string& error);
