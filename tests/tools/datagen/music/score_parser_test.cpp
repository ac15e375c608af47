// The score text: the real score's shape, note and chord names, and file:line errors for bad input.
#include <gtest/gtest.h>

#include "tools/datagen/music/arrangement.h"
#include "tools/datagen/music/score.h"

#include <fstream>
#include <iterator>
#include <random>
#include <regex>
#include <string>

using namespace tessellune;

namespace {

const std::string SCORE_DIR = std::string(TESSELLUNE_SOURCE_DIR) + "/content/music";

bool hasInstrument(const Section& section, Instrument instrument) {
    for (const Part& part : section.parts)
        if (part.instrument == instrument)
            return true;
    return false;
}

} // namespace

TEST(MusicScoreFile, TheDemoScoreHasTheAgreedShape) {
    Score score;
    std::string error;
    ASSERT_TRUE(loadScore(SCORE_DIR, score, error)) << error;
    EXPECT_EQ(score.tempo, 135.0);
    ASSERT_EQ(score.sections.size(), 11u);
    for (const Section& section : score.sections)
        EXPECT_EQ(section.bars, 8) << section.name; // 88 bars: the whole track's 2816 rows

    // The arrangement the timeline follows: where the kick, bass and lead play.
    const bool kick[11] = {false, true, true, true, false, false, true, true, false, true, false};
    for (int i = 0; i < 11; ++i) {
        const Section& section = score.sections[size_t(i)];
        EXPECT_EQ(hasInstrument(section, Instrument::Kick), kick[i]) << section.name;
        EXPECT_TRUE(hasInstrument(section, Instrument::Pad)) << section.name;
    }
    EXPECT_FALSE(hasInstrument(score.sections[2], Instrument::Lead));
    EXPECT_TRUE(hasInstrument(score.sections[3], Instrument::Lead));
    EXPECT_TRUE(hasInstrument(score.sections[4], Instrument::Bass));
    EXPECT_TRUE(hasInstrument(score.sections[5], Instrument::Riser));
    // The outro ends in silence: its pads fade to zero at the very end.
    for (const Part& part : score.sections[10].parts)
        EXPECT_EQ(part.level.to, 0.0f) << instrumentName(part.instrument);
}

TEST(MusicScoreNames, NoteNamesGiveMidiPitchesAndChordSymbolsRootAndIntervals) {
    const std::pair<const char*, int> notes[] = {{"A4", 69},  {"C4", 60},  {"C#5", 73}, {"Bb2", 46},
                                                 {"B#3", 60}, {"Cb4", 59}, {"G#4", 68}, {"C0", 12}};
    int midi = -1;
    for (const auto& [text, expected] : notes) {
        EXPECT_TRUE(parseNoteName(text, midi)) << text;
        EXPECT_EQ(midi, expected) << text;
    }
    for (const char* bad : {"", "A", "H4", "A9", "A#", "a4", "A44", "Ax4", "4"})
        EXPECT_FALSE(parseNoteName(bad, midi)) << bad;
    // Chord symbols give a root, a slash bass (-1: none) and the intervals.
    const struct {
        const char* text;
        int root, bass;
        std::vector<int> intervals;
    } chords[] = {{"Am9", 9, -1, {0, 3, 7, 10, 14}},
                  {"Fmaj7", 5, -1, {0, 4, 7, 11}},
                  {"Bbsus4", 10, -1, {0, 5, 7}},
                  {"C/E", 0, 4, {0, 4, 7}}};
    Chord chord;
    for (const auto& c : chords) {
        ASSERT_TRUE(parseChordName(c.text, chord)) << c.text;
        EXPECT_EQ(chord.root, c.root) << c.text;
        EXPECT_EQ(chord.bass, c.bass) << c.text;
        EXPECT_EQ(chord.intervals, c.intervals) << c.text;
    }
    for (const char* bad : {"", "Hm", "Cxyz", "C/H", "C/", "m7", "Am7/"})
        EXPECT_FALSE(parseChordName(bad, chord)) << bad;
}

// What the arrangement tests cannot see: the header values, drum velocities, tight bar marks and
// '|' continuation lines. (Chord tones, holds, part ranges and ramps are the arrangement's tests.)
TEST(MusicScoreText, PatternsCommentsAndContinuations) {
    const std::string text = "tempo 120   # a comment after a value\n"
                             "swing 0.2\n"
                             "pattern drums x...x...x...x...|o...X...o...X... # two bars written tight\n"
                             "pattern tune G#4 - . A4 - - - - - - - - - - - -\n"
                             "| C5 - - - - - - - - - - - - - - -\n"
                             "section only bars 4\n"
                             "  lead tune\n";
    Score score;
    std::string error;
    ASSERT_TRUE(parseScore(text, "t.score", score, error)) << error;
    EXPECT_EQ(score.tempo, 120.0);
    EXPECT_FLOAT_EQ(score.swing, 0.2f);
    ASSERT_EQ(score.patterns.size(), 2u);
    const Pattern& drums = score.patterns[0];
    ASSERT_EQ(drums.steps.size(), 32u);
    EXPECT_EQ(drums.steps[0].kind, StepKind::Hit);
    EXPECT_EQ(drums.steps[1].kind, StepKind::Rest);
    EXPECT_FLOAT_EQ(drums.steps[16].velocity, 0.4f);
    EXPECT_FLOAT_EQ(drums.steps[20].velocity, 1.0f);
    const Pattern& tune = score.patterns[1];
    ASSERT_EQ(tune.steps.size(), 32u);
    EXPECT_EQ(tune.steps[0].value, 68);
    EXPECT_EQ(tune.steps[16].kind, StepKind::Note);
    EXPECT_EQ(tune.steps[16].value, 72);
}

TEST(MusicScoreText, ErrorsNameTheFileAndLine) {
    const std::string head = "pattern four x...x...x...x...\nprogression p Am\n";
    struct Case {
        std::string text;
        std::string expected; // the whole message must start with this
    } cases[] = {
        {"tempo fast\n", "s.score:1: 'fast' is not a number"},
        {"tempo 1000\n", "s.score:1: '1000' is out of range"},
        {"\n\nwobble 3\n", "s.score:3: unknown directive 'wobble'"},
        {"pattern p x...x...x...x..\n", "s.score:1: a bar of pattern 'p' has 15 steps, not 16"},
        {"pattern p x...x...x...x... | x...\n", "s.score:1: a bar of pattern 'p' has 4 steps"},
        {"pattern p A4 Q7 - - - - - - - - - - - - - -\n", "s.score:1: bad step 'Q7'"},
        {"pattern p 1x - - - - - - - - - - - - - - -\n", "s.score:1: bad chord tone '1x'"},
        {head + "pattern four x...x...x...x...\n", "s.score:3: pattern 'four' is defined twice"},
        {"| x...x...x...x...\n", "s.score:1: a '|' line must follow a pattern"},
        {"progression q Am Hm7\n", "s.score:1: unknown chord 'Hm7'"},
        {head + "kick four\n", "s.score:3: 'kick' outside a section"},
        {head + "section a\n kick nothing\n", "s.score:4: unknown pattern 'nothing'"},
        {head + "section a\n kick four bars 3-9\n", "s.score:4: '9' is out of range"},
        {head + "section a\n kick four bars 5-2\n", "s.score:4: '2' is out of range"},
        {head + "section a\n kick four level 9\n", "s.score:4: '9' is out of range"},
        {head + "section a\n kick four level 0.5 ->\n", "s.score:4: '->' needs a value"},
        {head + "section a\n kick four loud\n", "s.score:4: unexpected 'loud'"},
        {head + "section a\n chords nope\n", "s.score:4: unknown progression 'nope'"},
        {"pattern c C - - - - - - - - - - - - - - -\nsection a\n pad c\n",
         "s.score:3: pattern 'c' needs chords"},
        {"section a bars 0\n", "s.score:1: '0' is out of range"},
        {"section a bars 2.5\n", "s.score:1: a section has a whole number of bars"},
        {"pattern empty\nsection a\n", "s.score:1: pattern 'empty' has no steps"},
        {"tempo 135\n", "s.score:1: the score has no sections"},
        {"", "s.score:1: the score has no sections"},
        // Limits that keep notes audible and the track short.
        {"pattern p 1'''' - - - - - - - - - - - - - - -\n",
         "s.score:1: chord tone '1''''' moves more than 3 octaves"},
        {"tempo 40\npattern k x...x...x...x...\nsection a bars 64\nsection b bars 64\nsection c bars 64\n"
         "section d bars 64\n",
         "s.score:6: the score lasts 25 minutes, more than 20"},
    };
    for (const Case& c : cases) {
        Score score;
        std::string error;
        EXPECT_FALSE(parseScore(c.text, "s.score", score, error)) << c.text;
        EXPECT_EQ(error.substr(0, c.expected.size()), c.expected) << "got: " << error;
    }
}

TEST(MusicScoreText, DamagedScoresParseOrFailWithALineNumber) {
    std::ifstream file(SCORE_DIR + "/demotune.score", std::ios::binary);
    const std::string original{std::istreambuf_iterator<char>(file), {}};
    ASSERT_GT(original.size(), 1000u);
    const std::string alphabet = "x.-|#'1C5A#b \n\t->0.9";
    std::mt19937 next(12345u);
    int parsed = 0;
    for (int round = 0; round < 300; ++round) {
        std::string text = original;
        for (int edit = 0; edit < 1 + int(next() % 4); ++edit) {
            size_t at = next() % text.size();
            switch (next() % 3) {
            case 0:
                text.erase(at, 1 + next() % 8);
                break;
            case 1:
                text.insert(at, 1, alphabet[next() % alphabet.size()]);
                break;
            default:
                text.insert(at, text.substr(next() % text.size(), 1 + next() % 40));
                break;
            }
        }
        Score score;
        std::string error;
        if (parseScore(text, "m.score", score, error)) {
            ++parsed;
            const Arrangement arrangement = arrangeScore(score);
            EXPECT_GT(arrangement.totalSamples, 0);
            continue;
        }
        ASSERT_TRUE(std::regex_search(error, std::regex("^m\\.score:[0-9]+: "))) << error;
    }
    // Some edits only touch comments or spacing: both outcomes are exercised.
    EXPECT_GT(parsed, 0);
    EXPECT_LT(parsed, 300);
}
