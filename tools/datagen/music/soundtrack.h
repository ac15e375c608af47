// The soundtrack generator: reads the score in scoreDir and writes the demo's MP3.
//
// Conventions: the result is 44.1 kHz, 16-bit, stereo, MP3 (VBR with a LAME tag for gapless
// length), peaking below -1 dBFS. The same score always gives the same bytes. The demo's clock
// counts 18 sync rows per second, i.e. one row every 2450 samples.
#pragma once

#include "tools/datagen/music/score.h"

#include <cstdint>
#include <string>
#include <vector>

namespace tessellune {

inline constexpr int SYNC_ROWS_PER_SECOND = 18;

// Synthesises the whole score into normalised 16-bit interleaved stereo PCM (what the MP3 encodes).
void renderSoundtrack(const Score& score, std::vector<int16_t>& pcm,
                      void (*progress)(double fraction, void* user), void* user);

// Reads scoreDir/"demotune.score", synthesises it and writes the MP3 to mp3Path. progress (may
// be null) receives 0..1 as the work goes on. On failure returns false with `error` saying what
// went wrong (a score error reads "file:line: message") and leaves no partial file at mp3Path.
bool writeSoundtrack(const std::string& scoreDir, const std::string& mp3Path,
                     void (*progress)(double fraction, void* user), void* user, std::string& error);

} // namespace tessellune
