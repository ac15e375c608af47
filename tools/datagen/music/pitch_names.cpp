// Note names ("C#5") and chord symbols ("Am9", "C/E") turned into pitches and intervals.
#include "tools/datagen/music/score.h"

namespace tessellune {
namespace {

// Reads a letter and an optional accidental at text[pos]; advances pos. Pitch class or -1.
int readPitchClass(const std::string& text, size_t& pos) {
    static const int LETTER_CLASSES[7] = {9, 11, 0, 2, 4, 5, 7}; // A B C D E F G
    if (pos >= text.size() || text[pos] < 'A' || text[pos] > 'G')
        return -1;
    int pitchClass = LETTER_CLASSES[text[pos] - 'A'];
    ++pos;
    if (pos < text.size() && text[pos] == '#') {
        pitchClass += 1;
        ++pos;
    } else if (pos < text.size() && text[pos] == 'b') {
        pitchClass += 11;
        ++pos;
    }
    return pitchClass % 12;
}

struct ChordQuality {
    const char* suffix;
    int intervals[6];
    int count;
};

// The whole suffix after the root must match one entry exactly.
const ChordQuality CHORD_QUALITIES[] = {
    {"", {0, 4, 7}, 3},           {"m", {0, 3, 7}, 3},
    {"7", {0, 4, 7, 10}, 4},      {"m7", {0, 3, 7, 10}, 4},
    {"maj7", {0, 4, 7, 11}, 4},   {"9", {0, 4, 7, 10, 14}, 5},
    {"m9", {0, 3, 7, 10, 14}, 5}, {"maj9", {0, 4, 7, 11, 14}, 5},
    {"6", {0, 4, 7, 9}, 4},       {"m6", {0, 3, 7, 9}, 4},
    {"add9", {0, 4, 7, 14}, 4},   {"madd9", {0, 3, 7, 14}, 4},
    {"sus2", {0, 2, 7}, 3},       {"sus4", {0, 5, 7}, 3},
    {"7sus4", {0, 5, 7, 10}, 4},  {"dim", {0, 3, 6}, 3},
    {"m7b5", {0, 3, 6, 10}, 4},   {"aug", {0, 4, 8}, 3},
};

} // namespace

bool parseNoteName(const std::string& text, int& midi) {
    size_t pos = 0;
    int pitchClass = readPitchClass(text, pos);
    if (pitchClass < 0 || pos + 1 != text.size() || text[pos] < '0' || text[pos] > '8')
        return false;
    // The accidental may cross the octave: B#3 is C4 and Cb4 is B3.
    size_t letterEnd = 0;
    int letterClass = readPitchClass(text.substr(0, 1), letterEnd);
    int shift = pitchClass - letterClass;
    if (shift > 6)
        shift -= 12;
    if (shift < -6)
        shift += 12;
    midi = 12 * (text[pos] - '0' + 1) + letterClass + shift;
    return true;
}

bool parseChordName(const std::string& text, Chord& chord) {
    size_t pos = 0;
    int root = readPitchClass(text, pos);
    if (root < 0)
        return false;
    std::string rest = text.substr(pos);
    int bass = -1;
    size_t slash = rest.find('/');
    if (slash != std::string::npos) {
        std::string bassName = rest.substr(slash + 1);
        size_t bassPos = 0;
        bass = readPitchClass(bassName, bassPos);
        if (bass < 0 || bassPos != bassName.size())
            return false;
        rest.resize(slash);
    }
    for (const ChordQuality& quality : CHORD_QUALITIES) {
        if (rest == quality.suffix) {
            chord.name = text;
            chord.root = root;
            chord.bass = bass;
            chord.intervals.assign(quality.intervals, quality.intervals + quality.count);
            return true;
        }
    }
    return false;
}

} // namespace tessellune
