// Turns the score's sections, parts and patterns into note events at sample positions.
#include "tools/datagen/music/arrangement.h"

#include <cmath>
#include <cstdint>

namespace tessellune {
namespace {

// The lowest pitch at or above `low` whose pitch class is pitchClass.
int placeAbove(int pitchClass, int low) {
    int pitch = low + ((pitchClass - low) % 12 + 12) % 12;
    return pitch;
}

// Where each instrument keeps the root of a chord: [low, low + 12).
int rootFloor(Instrument instrument) {
    switch (instrument) {
    case Instrument::Bass:
        return 33; // A1 .. G#2
    case Instrument::Pad:
        return 45; // A2 .. G#3
    case Instrument::Lead:
        return 69;
    default:
        return 57; // A3 .. G#4
    }
}

} // namespace

int stepPitches(const Step& step, const Chord& chord, Instrument instrument, int out[MAX_EVENT_PITCHES]) {
    const int floor = rootFloor(instrument);
    const int root = placeAbove(chord.root, floor);
    const int toneCount = int(chord.intervals.size());
    if (step.kind == StepKind::ChordTone) {
        if (step.value == 0 && step.octave == 0 && chord.bass >= 0 && instrument == Instrument::Bass) {
            out[0] = placeAbove(chord.bass, floor);
            return 1;
        }
        int octave = step.value / toneCount + step.octave;
        out[0] = root + chord.intervals[step.value % toneCount] + 12 * octave;
        return 1;
    }
    if (step.kind != StepKind::Chord)
        return 0;
    if (instrument != Instrument::Pad) {
        int count = 0;
        for (int i = 0; i < toneCount && count < MAX_EVENT_PITCHES; ++i)
            out[count++] = root + chord.intervals[i];
        return count;
    }
    // Pads: the root low, the other tones packed into the octave above middle A flat, so that
    // consecutive chords move by small steps instead of jumping with their roots.
    int count = 0;
    out[count++] = chord.bass >= 0 ? placeAbove(chord.bass, floor) : root;
    for (int i = 1; i < toneCount && count < MAX_EVENT_PITCHES; ++i)
        out[count++] = placeAbove((chord.root + chord.intervals[i]) % 12, floor + 12);
    return count;
}

int64_t stepPosition(const Score& score, int64_t step) {
    const double samplesPerStep = SAMPLE_RATE * 60.0 / score.tempo / 4.0;
    double position = double(step) * samplesPerStep;
    if (step % 2 != 0)
        position += score.swing * samplesPerStep;
    return int64_t(std::llround(position));
}

Arrangement arrangeScore(const Score& score) {
    Arrangement arrangement;
    arrangement.samplesPerStep = SAMPLE_RATE * 60.0 / score.tempo / 4.0;
    int64_t sectionStep = 0;
    for (const Section& section : score.sections) {
        for (const Part& part : section.parts) {
            const int lastBar = part.lastBar > 0 ? part.lastBar : section.bars;
            const int64_t firstStep = sectionStep + int64_t(part.firstBar - 1) * STEPS_PER_BAR;
            const int64_t endStep = sectionStep + int64_t(lastBar) * STEPS_PER_BAR;
            PartSpan span;
            span.instrument = part.instrument;
            span.start = stepPosition(score, firstStep);
            span.end = stepPosition(score, endStep);
            span.level = part.level;
            span.cutoff = part.cutoff;
            if (part.pattern < 0) {
                NoteEvent held;
                held.start = span.start;
                held.length = span.end - span.start;
                span.events.push_back(held);
                arrangement.parts.push_back(std::move(span));
                continue;
            }
            const Pattern& pattern = score.patterns[part.pattern];
            const int64_t patternSteps = int64_t(pattern.steps.size());
            size_t open = SIZE_MAX; // index of the note that a Hold step extends
            auto close = [&](int64_t step) {
                if (open != SIZE_MAX)
                    span.events[open].length = stepPosition(score, step) - span.events[open].start;
                open = SIZE_MAX;
            };
            for (int64_t step = firstStep; step < endStep; ++step) {
                const Step& s = pattern.steps[(step - firstStep) % patternSteps];
                if (s.kind == StepKind::Hold)
                    continue;
                close(step);
                if (s.kind == StepKind::Rest)
                    continue;
                NoteEvent event;
                event.start = stepPosition(score, step);
                event.velocity = s.velocity;
                event.stepInBar = int(step % STEPS_PER_BAR);
                if (s.kind == StepKind::Note) {
                    event.pitches[0] = s.value;
                    event.pitchCount = 1;
                } else if (s.kind == StepKind::Chord || s.kind == StepKind::ChordTone) {
                    const Progression& progression = score.progressions[section.progression];
                    const int64_t barInSection = (step - sectionStep) / STEPS_PER_BAR;
                    const Chord& chord = progression.bars[barInSection % int64_t(progression.bars.size())];
                    event.pitchCount = stepPitches(s, chord, part.instrument, event.pitches);
                }
                span.events.push_back(event);
                open = span.events.size() - 1;
            }
            close(endStep);
            arrangement.parts.push_back(std::move(span));
        }
        sectionStep += int64_t(section.bars) * STEPS_PER_BAR;
    }
    arrangement.totalSamples = stepPosition(score, sectionStep);
    return arrangement;
}

} // namespace tessellune
