// Decoding a whole MP3 held in memory into 16-bit stereo PCM at a chosen rate.
//
// Conventions: the PCM is interleaved left/right; the encoder's delay and padding are removed, so
// the first sample is the first real sample of the music.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace tessellune {

// Decodes size bytes of MP3 data into pcm (replacing its contents) at `rate` Hz, converting mono to
// stereo and resampling as needed. prescan scans every frame first, so the PCM is allocated once
// and a stream with missing frames is rejected before decoding. Returns AUDIO_OK or an AudioError:
// NOT_DECODABLE for anything that is not a complete MP3 (no frames, decoder errors, fewer frames
// than its tag declares), TOO_LONG past maxBytes of PCM, DECODER when the decoder cannot start.
int decodeMp3(const uint8_t* data, size_t size, uint32_t rate, bool prescan, uint64_t maxBytes,
              std::vector<int16_t>& pcm);

} // namespace tessellune
