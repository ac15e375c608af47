// Encodes 16-bit stereo PCM to MP3 with libmp3lame (VBR, about 190 kbit/s, with a LAME tag).
//
// Conventions: interleaved stereo int16 at SAMPLE_RATE. The LAME tag frame at the start of the
// file records the encoder delay and padding, so gapless decoders give back exactly the input's
// length with the first sample in place: the music clock is not shifted by the codec.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tessellune {

// Encodes into `mp3`. progress (may be null) receives 0..1.
bool encodeMp3(const std::vector<int16_t>& pcm, std::vector<unsigned char>& mp3,
               void (*progress)(double fraction, void* user), void* user, std::string& error);

// Writes bytes to path through a temporary file renamed into place, so a reader never sees half a file.
bool writeFileAtomically(const std::string& path, const std::vector<unsigned char>& bytes,
                         std::string& error);

} // namespace tessellune
