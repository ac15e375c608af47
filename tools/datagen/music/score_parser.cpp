// Reads the score text: one directive per line, a word starting with '#' begins a comment;
// errors name file and line.
//
//   tempo 135                       beats per minute
//   swing 0.14                      off-beat sixteenths are late by this fraction of a step
//   duck 0.55                       how deep the kick ducks pads, bass, arp and lead
//   seed 7                          seeds the noise sources
//   progression NAME CHORD...       one chord per bar
//   pattern NAME STEPS | STEPS      16 steps a bar, bars split by '|'; a line that starts with
//                                   '|' continues the pattern above it
//   section NAME [bars N]           starts a section (8 bars unless told)
//     chords NAME                   the section's progression
//     INSTRUMENT PATTERN|hold [bars A-B] [level X [-> Y]] [cutoff X [-> Y]]
//
// Steps: "." rest, "-" hold, "x" "X" "o" drum hits (normal, accent, ghost), "A4" a note,
// "1".."9" a chord tone (with ' or , for an octave up or down), "C" the whole chord. A token
// made only of the characters .-xXo is read one step per character ("x...x...").
#include "tools/datagen/music/score.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace tessellune {
namespace {

const char* const INSTRUMENT_NAMES[] = {"kick",  "snare", "clap", "hat", "openhat", "crash",
                                        "riser", "bass",  "pad",  "arp", "lead"};
static_assert(sizeof(INSTRUMENT_NAMES) / sizeof(INSTRUMENT_NAMES[0]) == int(Instrument::Count));

constexpr int MAX_OCTAVE_SHIFT = 3;
constexpr int MAX_MINUTES = 20;

struct Parser {
    const std::string& fileName;
    Score& score;
    std::string& error;
    int line = 0;
    int continuablePattern = -1; // the pattern a '|' line extends, -1 when none

    bool fail(const std::string& message) {
        error = fileName + ":" + std::to_string(line) + ": " + message;
        return false;
    }

    bool number(const std::string& word, double low, double high, double& value) {
        const char* begin = word.c_str();
        char* end = nullptr;
        errno = 0;
        value = std::strtod(begin, &end);
        if (word.empty() || *end != '\0' || errno != 0 || !std::isfinite(value))
            return fail("'" + word + "' is not a number");
        if (value < low || value > high) {
            std::ostringstream range;
            range << "'" << word << "' is out of range (" << low << " to " << high << ")";
            return fail(range.str());
        }
        return true;
    }

    bool step(const std::string& token, std::vector<Step>& bar) {
        Step s;
        bool drumString = token.find_first_not_of(".-xXo") == std::string::npos;
        if (drumString) {
            for (char c : token) {
                Step hit;
                hit.kind = c == '.' ? StepKind::Rest : c == '-' ? StepKind::Hold : StepKind::Hit;
                hit.velocity = c == 'X' ? 1.0f : c == 'o' ? 0.4f : 0.8f;
                bar.push_back(hit);
            }
            return true;
        }
        if (token == "C") {
            s.kind = StepKind::Chord;
        } else if (token[0] >= '1' && token[0] <= '9') {
            s.kind = StepKind::ChordTone;
            s.value = token[0] - '1';
            for (size_t i = 1; i < token.size(); ++i) {
                if (token[i] == '\'')
                    ++s.octave;
                else if (token[i] == ',')
                    --s.octave;
                else
                    return fail("bad chord tone '" + token + "'");
            }
            if (s.octave < -MAX_OCTAVE_SHIFT || s.octave > MAX_OCTAVE_SHIFT)
                return fail("chord tone '" + token + "' moves more than " + std::to_string(MAX_OCTAVE_SHIFT) +
                            " octaves");
        } else if (parseNoteName(token, s.value)) {
            s.kind = StepKind::Note;
        } else {
            return fail("bad step '" + token + "'");
        }
        bar.push_back(s);
        return true;
    }

    // Adds the bars written in words[first..] to the pattern.
    bool patternBars(const std::vector<std::string>& words, size_t first, Pattern& pattern) {
        std::vector<Step> bar;
        auto closeBar = [&]() {
            if (int(bar.size()) != STEPS_PER_BAR)
                return fail("a bar of pattern '" + pattern.name + "' has " + std::to_string(bar.size()) +
                            " steps, not " + std::to_string(STEPS_PER_BAR));
            pattern.steps.insert(pattern.steps.end(), bar.begin(), bar.end());
            bar.clear();
            return true;
        };
        bool barOpen = false;
        for (size_t i = first; i < words.size(); ++i) {
            if (words[i] == "|") {
                if (barOpen && !closeBar())
                    return false;
                barOpen = false;
                continue;
            }
            barOpen = true;
            if (!step(words[i], bar))
                return false;
        }
        if (barOpen && !closeBar())
            return false;
        if (pattern.steps.size() > 64 * STEPS_PER_BAR)
            return fail("pattern '" + pattern.name + "' is longer than 64 bars");
        return true;
    }

    template <typename T>
    int findByName(const std::vector<T>& list, const std::string& name) {
        for (size_t i = 0; i < list.size(); ++i)
            if (list[i].name == name)
                return int(i);
        return -1;
    }

    bool ramp(const std::vector<std::string>& words, size_t& i, double low, double high, Ramp& out) {
        double from = 0.0;
        if (i + 1 >= words.size())
            return fail("'" + words[i] + "' needs a value");
        if (!number(words[i + 1], low, high, from))
            return false;
        out.from = out.to = float(from);
        i += 2;
        if (i < words.size() && words[i] == "->") {
            double to = 0.0;
            if (i + 1 >= words.size())
                return fail("'->' needs a value");
            if (!number(words[i + 1], low, high, to))
                return false;
            out.to = float(to);
            i += 2;
        }
        return true;
    }

    bool part(Instrument instrument, const std::vector<std::string>& words) {
        if (score.sections.empty())
            return fail("'" + words[0] + "' outside a section");
        Section& section = score.sections.back();
        Part p;
        p.instrument = instrument;
        p.line = line;
        if (words.size() < 2)
            return fail("'" + words[0] + "' needs a pattern name or 'hold'");
        if (words[1] != "hold") {
            p.pattern = findByName(score.patterns, words[1]);
            if (p.pattern < 0)
                return fail("unknown pattern '" + words[1] + "'");
        }
        size_t i = 2;
        while (i < words.size()) {
            if (words[i] == "bars") {
                if (i + 1 >= words.size())
                    return fail("'bars' needs a range such as 5-8");
                const std::string& range = words[i + 1];
                size_t dash = range.find('-');
                double first = 0, last = 0;
                if (dash == std::string::npos)
                    dash = range.size();
                if (!number(range.substr(0, dash), 1, section.bars, first))
                    return false;
                last = first;
                if (dash < range.size() && !number(range.substr(dash + 1), first, section.bars, last))
                    return false;
                if (first != std::floor(first) || last != std::floor(last))
                    return fail("bar numbers must be whole");
                p.firstBar = int(first);
                p.lastBar = int(last);
                i += 2;
            } else if (words[i] == "level") {
                if (!ramp(words, i, 0.0, 4.0, p.level))
                    return false;
            } else if (words[i] == "cutoff") {
                if (!ramp(words, i, 20.0, 20000.0, p.cutoff))
                    return false;
            } else {
                return fail("unexpected '" + words[i] + "'");
            }
        }
        if (p.pattern >= 0 && section.progression < 0) {
            for (const Step& s : score.patterns[p.pattern].steps)
                if (s.kind == StepKind::Chord || s.kind == StepKind::ChordTone)
                    return fail("pattern '" + words[1] +
                                "' needs chords: give the section a 'chords' line first");
        }
        section.parts.push_back(p);
        return true;
    }

    bool directive(const std::vector<std::string>& words) {
        const std::string& keyword = words[0];
        if (keyword == "|") {
            if (continuablePattern < 0)
                return fail("a '|' line must follow a pattern");
            return patternBars(words, 0, score.patterns[continuablePattern]);
        }
        continuablePattern = -1;
        double value = 0.0;
        if (keyword == "tempo" || keyword == "swing" || keyword == "duck" || keyword == "seed") {
            if (words.size() != 2)
                return fail("'" + keyword + "' takes one value");
            if (keyword == "tempo" && number(words[1], 40.0, 300.0, value))
                score.tempo = value;
            else if (keyword == "swing" && number(words[1], 0.0, 0.5, value))
                score.swing = float(value);
            else if (keyword == "duck" && number(words[1], 0.0, 1.0, value))
                score.duck = float(value);
            else if (keyword == "seed" && number(words[1], 0.0, 4294967295.0, value))
                score.seed = unsigned(value);
            return error.empty();
        }
        if (keyword == "progression") {
            if (words.size() < 3)
                return fail("'progression' needs a name and at least one chord");
            if (findByName(score.progressions, words[1]) >= 0)
                return fail("progression '" + words[1] + "' is defined twice");
            Progression progression;
            progression.name = words[1];
            progression.line = line;
            for (size_t i = 2; i < words.size(); ++i) {
                Chord chord;
                if (!parseChordName(words[i], chord))
                    return fail("unknown chord '" + words[i] + "'");
                progression.bars.push_back(chord);
            }
            score.progressions.push_back(progression);
            return true;
        }
        if (keyword == "pattern") {
            if (words.size() < 2)
                return fail("'pattern' needs a name");
            if (words[1] == "hold" || findByName(score.patterns, words[1]) >= 0)
                return fail("pattern '" + words[1] + "' is defined twice or uses a reserved name");
            Pattern pattern;
            pattern.name = words[1];
            pattern.line = line;
            if (!patternBars(words, 2, pattern))
                return false;
            score.patterns.push_back(pattern);
            continuablePattern = int(score.patterns.size()) - 1;
            return true;
        }
        if (keyword == "section") {
            Section section;
            section.line = line;
            if (words.size() != 2 && !(words.size() == 4 && words[2] == "bars"))
                return fail("write 'section NAME' or 'section NAME bars N'");
            section.name = words[1];
            if (words.size() == 4) {
                if (!number(words[3], 1, 64, value) || value != std::floor(value))
                    return error.empty() ? fail("a section has a whole number of bars") : false;
                section.bars = int(value);
            }
            score.sections.push_back(section);
            return true;
        }
        if (keyword == "chords") {
            if (score.sections.empty())
                return fail("'chords' outside a section");
            if (words.size() != 2)
                return fail("'chords' takes one progression name");
            int index = findByName(score.progressions, words[1]);
            if (index < 0)
                return fail("unknown progression '" + words[1] + "'");
            score.sections.back().progression = index;
            return true;
        }
        for (int i = 0; i < int(Instrument::Count); ++i)
            if (keyword == INSTRUMENT_NAMES[i])
                return part(Instrument(i), words);
        return fail("unknown directive '" + keyword + "'");
    }

    bool finish() {
        for (const Pattern& pattern : score.patterns) {
            if (pattern.steps.empty()) {
                line = pattern.line;
                return fail("pattern '" + pattern.name + "' has no steps");
            }
        }
        if (score.sections.empty()) {
            line = std::max(line, 1);
            return fail("the score has no sections");
        }
        // Everything is rendered in memory: keep a typo from asking for hours of audio.
        const double minutes = scoreBars(score) * 4.0 / score.tempo;
        if (minutes > MAX_MINUTES) {
            line = score.sections.back().line;
            return fail("the score lasts " + std::to_string(int(minutes)) + " minutes, more than " +
                        std::to_string(MAX_MINUTES));
        }
        return true;
    }
};

} // namespace

const char* instrumentName(Instrument instrument) {
    int index = int(instrument);
    return index >= 0 && index < int(Instrument::Count) ? INSTRUMENT_NAMES[index] : nullptr;
}

int scoreBars(const Score& score) {
    int bars = 0;
    for (const Section& section : score.sections)
        bars += section.bars;
    return bars;
}

bool parseScore(const std::string& text, const std::string& fileName, Score& score, std::string& error) {
    score = Score{};
    error.clear();
    Parser parser{fileName, score, error};
    std::istringstream lines(text);
    std::string lineText;
    while (std::getline(lines, lineText)) {
        ++parser.line;
        // '#' opens a comment at the start of a word only, so sharps such as "G#4" stay notes.
        for (size_t hash = lineText.find('#'); hash != std::string::npos;
             hash = lineText.find('#', hash + 1)) {
            if (hash == 0 || lineText[hash - 1] == ' ' || lineText[hash - 1] == '\t') {
                lineText.resize(hash);
                break;
            }
        }
        std::istringstream wordStream(lineText);
        std::vector<std::string> words;
        std::string word;
        while (wordStream >> word) {
            // '|' may be written against its neighbours ("x...|x..."): make it a word of its own.
            size_t start = 0;
            for (size_t bar = word.find('|'); bar != std::string::npos; bar = word.find('|', start)) {
                if (bar > start)
                    words.push_back(word.substr(start, bar - start));
                words.push_back("|");
                start = bar + 1;
            }
            if (start < word.size())
                words.push_back(word.substr(start));
        }
        if (words.empty())
            continue;
        if (!parser.directive(words))
            return false;
    }
    return parser.finish();
}

bool loadScore(const std::string& scoreDir, Score& score, std::string& error) {
    const std::string path = scoreDir + "/demotune.score";
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        error = path + ": cannot open the score";
        return false;
    }
    std::ostringstream text;
    text << file.rdbuf();
    if (file.bad()) {
        error = path + ": cannot read the score";
        return false;
    }
    return parseScore(text.str(), path, score, error);
}

} // namespace tessellune
