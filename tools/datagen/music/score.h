// The soundtrack's score as parsed from its text source: tempo, chords, patterns and sections.
//
// Conventions: time is counted in sixteenth-note steps, 16 to a 4/4 bar. Pitches are MIDI note
// numbers (A4 = 69 = 440 Hz). Levels are linear gains (1 = full), cutoffs are in Hz. Sections
// play one after another from the start of the track; bars inside a section count from 1.
#pragma once

#include <string>
#include <vector>

namespace tessellune {

inline constexpr int STEPS_PER_BAR = 16;

enum class Instrument { Kick, Snare, Clap, Hat, OpenHat, Crash, Riser, Bass, Pad, Arp, Lead, Count };

// What one step of a pattern asks for.
enum class StepKind {
    Rest,      // "." silence (ends a held note)
    Hold,      // "-" keep the previous note sounding
    Hit,       // drum hit: "x" normal, "X" accent, "o" ghost
    Note,      // absolute pitch such as "A4" or "C#5"
    ChordTone, // "1".."9": that tone of the current chord, counted upwards from its root
    Chord,     // "C": the whole current chord
};

struct Step {
    StepKind kind = StepKind::Rest;
    int value = 0;         // Note: MIDI pitch; ChordTone: tone index from 0
    int octave = 0;        // ChordTone: octave shift from the suffixes ' (up) and , (down)
    float velocity = 0.8f; // Hit: x 0.8, X 1.0, o 0.4; other kinds 0.8
};

struct Pattern {
    std::string name;
    std::vector<Step> steps; // a whole number of bars
    int line = 0;            // where it was defined, for messages
};

// One chord: its root pitch class and the intervals of its tones above the root, ascending.
struct Chord {
    std::string name;
    int root = 0;               // pitch class 0..11, C = 0
    int bass = -1;              // pitch class of a slash bass ("C/E"), -1 when none
    std::vector<int> intervals; // semitones above the root, first is 0
};

// A chord progression: one chord per bar, repeated when a section is longer.
struct Progression {
    std::string name;
    std::vector<Chord> bars;
    int line = 0;
};

// A linear ramp over a part's bars: the value at the first step moves to the value at the end.
struct Ramp {
    float from = 1.0f;
    float to = 1.0f;
};

// One instrument playing one pattern in a section.
struct Part {
    Instrument instrument = Instrument::Kick;
    int pattern = -1;        // index into Score::patterns; -1 means one note held over all the bars
    int firstBar = 1;        // 1-based, inclusive
    int lastBar = 0;         // inclusive; 0 means the section's last bar
    Ramp level{1.0f, 1.0f};  // gain
    Ramp cutoff{0.0f, 0.0f}; // filter cutoff in Hz; 0 means the instrument's own default
    int line = 0;
};

struct Section {
    std::string name;
    int bars = 8;
    int progression = -1; // index into Score::progressions
    std::vector<Part> parts;
    int line = 0;
};

struct Score {
    double tempo = 135.0; // beats per minute
    float swing = 0.0f;   // fraction of a step by which the off-beat sixteenths are late
    float duck = 0.5f;    // how far the kick ducks the pads, bass and leads (0 none, 1 silence)
    unsigned seed = 1;    // seeds every noise source
    std::vector<Pattern> patterns;
    std::vector<Progression> progressions;
    std::vector<Section> sections;
};

// Total length of the score in bars.
int scoreBars(const Score& score);

// Parses score text. fileName is only used in messages, which read "file:line: what is wrong".
bool parseScore(const std::string& text, const std::string& fileName, Score& score, std::string& error);

// Reads and parses scoreDir/"demotune.score".
bool loadScore(const std::string& scoreDir, Score& score, std::string& error);

// Parses a note name such as "A4", "C#5" or "Bb2" into a MIDI pitch; false when it is not one.
bool parseNoteName(const std::string& text, int& midi);

// Parses a chord symbol such as "Am9", "Fmaj7", "G", "Esus4" or "C/E"; false when unknown.
bool parseChordName(const std::string& text, Chord& chord);

// The instrument's name as written in the score ("kick", "pad", ...); nullptr for Count.
const char* instrumentName(Instrument instrument);

} // namespace tessellune
