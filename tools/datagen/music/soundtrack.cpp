// The soundtrack generator's entry: score -> mix -> 16-bit PCM -> MP3 file.
#include "tools/datagen/music/soundtrack.h"

#include "tools/datagen/music/mixdown.h"
#include "tools/datagen/music/mp3_encoder.h"

namespace tessellune {
namespace {

// Maps a stage's own 0..1 progress into its slice of the whole job.
struct Stage {
    void (*progress)(double fraction, void* user);
    void* user;
    double from, to;
};

void stageProgress(double fraction, void* stage) {
    const Stage& s = *static_cast<const Stage*>(stage);
    if (s.progress != nullptr)
        s.progress(s.from + (s.to - s.from) * fraction, s.user);
}

} // namespace

void renderSoundtrack(const Score& score, std::vector<int16_t>& pcm,
                      void (*progress)(double fraction, void* user), void* user) {
    MixRequest request;
    request.progress = progress;
    request.user = user;
    std::vector<float> mix;
    mixScore(score, request, mix);
    saturate(mix, MASTER_DRIVE);
    normaliseToPcm16(mix, MASTER_PEAK_DBFS, pcm);
}

bool writeSoundtrack(const std::string& scoreDir, const std::string& mp3Path,
                     void (*progress)(double fraction, void* user), void* user, std::string& error) {
    Score score;
    if (!loadScore(scoreDir, score, error))
        return false;
    Stage mixing{progress, user, 0.0, 0.75};
    std::vector<int16_t> pcm;
    renderSoundtrack(score, pcm, stageProgress, &mixing);
    Stage encoding{progress, user, 0.75, 1.0};
    std::vector<unsigned char> mp3;
    if (!encodeMp3(pcm, mp3, stageProgress, &encoding, error))
        return false;
    return writeFileAtomically(mp3Path, mp3, error);
}

} // namespace tessellune
