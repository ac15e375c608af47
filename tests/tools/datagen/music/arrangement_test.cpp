// Laying the score out in time: held notes, part ranges and chord voicing.
#include <gtest/gtest.h>

#include "tools/datagen/music/arrangement.h"

#include <string>

using namespace tessellune;

namespace {

Score parse(const std::string& text) {
    Score score;
    std::string error;
    EXPECT_TRUE(parseScore(text, "a.score", score, error)) << error;
    return score;
}

} // namespace

TEST(MusicArrangement, HoldsLengthenNotesAndRestsEndThem) {
    Score score = parse("pattern tune A4 - - . B4 - - - - - - - - - - -\n"
                        "section s bars 2\n"
                        " lead tune\n");
    Arrangement arrangement = arrangeScore(score);
    ASSERT_EQ(arrangement.parts.size(), 1u);
    const std::vector<NoteEvent>& events = arrangement.parts[0].events;
    ASSERT_EQ(events.size(), 4u); // the one-bar pattern repeats over two bars
    EXPECT_EQ(events[0].start, 0);
    EXPECT_EQ(events[0].length, 3 * 4900);
    EXPECT_EQ(events[1].start, 4 * 4900);
    EXPECT_EQ(events[1].length, 12 * 4900); // held to the end of the bar
    EXPECT_EQ(events[2].start, 16 * 4900);
    EXPECT_EQ(events[3].start + events[3].length, 32 * 4900); // ends with the part
}

TEST(MusicArrangement, PartsPlayOnlyTheirBarsAndRampsAreKept) {
    Score score = parse("pattern k x...x...x...x...\n"
                        "section a bars 4\n"
                        " kick k bars 3-4 level 0.2 -> 0.8\n"
                        "section b\n"
                        " kick k bars 2\n"
                        " riser hold bars 5-8 cutoff 300 -> 9000\n");
    Arrangement arrangement = arrangeScore(score);
    ASSERT_EQ(arrangement.parts.size(), 3u);
    const PartSpan& first = arrangement.parts[0];
    EXPECT_EQ(first.start, 2 * 16 * 4900);
    EXPECT_EQ(first.end, 4 * 16 * 4900);
    ASSERT_EQ(first.events.size(), 8u);
    EXPECT_EQ(first.events.front().start, first.start);
    EXPECT_FLOAT_EQ(first.level.from, 0.2f);
    EXPECT_FLOAT_EQ(first.level.to, 0.8f);
    const PartSpan& second = arrangement.parts[1];
    EXPECT_EQ(second.start, (4 + 1) * 16 * 4900); // section b starts after a's four bars
    EXPECT_EQ(second.events.size(), 4u);
    const PartSpan& riser = arrangement.parts[2];
    ASSERT_EQ(riser.events.size(), 1u);
    EXPECT_EQ(riser.events[0].start, (4 + 4) * 16 * 4900);
    EXPECT_EQ(riser.events[0].length, 4 * 16 * 4900);
    EXPECT_FLOAT_EQ(riser.cutoff.to, 9000.0f);
    EXPECT_EQ(arrangement.totalSamples, 12 * 16 * 4900);
}

TEST(MusicArrangement, ChordStepsFollowTheBarsChordInEachInstrumentsRange) {
    Score score = parse("progression p Am9 C/E\n"
                        "pattern b 1 3 1' 2, C - - - - - - - - - - -\n"
                        "section s bars 2\n"
                        " chords p\n"
                        " bass b\n"
                        " pad b\n");
    Arrangement arrangement = arrangeScore(score);
    ASSERT_EQ(arrangement.parts.size(), 2u);
    const std::vector<NoteEvent>& bass = arrangement.parts[0].events;
    ASSERT_EQ(bass.size(), 10u);
    EXPECT_EQ(bass[0].pitches[0], 33);      // A1: the bass keeps roots in A1..G#2
    EXPECT_EQ(bass[1].pitches[0], 33 + 7);  // the fifth
    EXPECT_EQ(bass[2].pitches[0], 33 + 12); // root an octave up
    EXPECT_EQ(bass[3].pitches[0], 33 + 3 - 12);
    ASSERT_EQ(bass[4].pitchCount, 5);  // the whole Am9
    EXPECT_EQ(bass[5].pitches[0], 40); // bar 2, C/E: the slash bass E2 as the root
    EXPECT_EQ(bass[6].pitches[0], 36 + 7);
    // Pads voice every chord in the same window, so chords move by small steps.
    const std::vector<NoteEvent>& pad = arrangement.parts[1].events;
    for (const NoteEvent& event : pad) {
        if (event.pitchCount < 2)
            continue;
        EXPECT_GE(event.pitches[0], 45);
        EXPECT_LT(event.pitches[0], 57);
        for (int i = 1; i < event.pitchCount; ++i) {
            EXPECT_GE(event.pitches[i], 57);
            EXPECT_LT(event.pitches[i], 69);
        }
    }
    EXPECT_EQ(pad[4].pitchCount, 5);
    EXPECT_EQ(pad[9].pitches[0], 52); // C/E on pads: E3 underneath
}
