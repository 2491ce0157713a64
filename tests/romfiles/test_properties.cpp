// Properties over random inputs, from fixed seeds: a saved set opens as the same 16 programs, and an
// EPROM slot decoded into statements and compiled again keeps its clock rates and its end.
#include "compiler/compile.h"
#include "compiler/compile_text.h"
#include "files/fileio.h"
#include "files/tempdir.h"
#include "romfiles/build.h"
#include "romfiles/image.h"
#include "romfiles/importers.h"
#include "romfiles/programset.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <random>

using Lines = std::vector<std::string>;

namespace {

int Uniform(std::mt19937 &random, int low, int high) {
    return std::uniform_int_distribution<int>(low, high)(random);
}
bool Chance(std::mt19937 &random, double p) { return std::bernoulli_distribution(p)(random); }

// What the program-set file cannot hold, and so what the texts below leave out:
// - a line that begins with "$$~PROG" (case-sensitive): it is read as the marker of the next program;
// - CR and LF inside a line: they end lines (a CR stays in the file, but no editor line can hold it);
// - program 15 with no line at all: its marker is then the last line of the file, and reading at the
//   end of the file yields one empty line, so it opens as one empty line.
// Everything else may stand in a line: any other byte, NUL included, and text that only looks like a
// marker ("$$~PRO", "$$~prog03", " $$~PROG03", "x$$~PROG").
std::string RandomLine(std::mt19937 &random) {
    static const char *const lookalikes[] = {"$$~PRO",    "$$~prog03", " $$~PROG03", "x$$~PROG",
                                             "$$~PRoG01", "$$~",       "$$",         "$$~PROG"};
    std::string line;
    if (Chance(random, 0.05)) {
        line = lookalikes[Uniform(random, 0, 7)];
        if (line == "$$~PROG") line = "\t" + line; // a marker's text is fine anywhere but at the start
    }
    const int length = Chance(random, 0.02) ? Uniform(random, 200, 5000) : Uniform(random, 0, 80);
    for (int i = 0; i < length; ++i) {
        char c;
        do c = static_cast<char>(Uniform(random, 0, 255));
        while (c == '\r' || c == '\n');
        line += c;
    }
    if (line.compare(0, 7, "$$~PROG") == 0) line.insert(0, " ");
    return line;
}

ProgramSet RandomSet(std::mt19937 &random) {
    ProgramSet set;
    for (ProgramText &program : set) {
        const int count = Chance(random, 0.15)   ? 0
                          : Chance(random, 0.05) ? Uniform(random, 100, 2000)
                                                 : Uniform(random, 1, 30);
        for (int i = 0; i < count; ++i)
            program.push_back(Chance(random, 0.1) ? std::string() : RandomLine(random));
    }
    return set;
}

} // namespace

TEST(Property, SavedSetOpensAsTheSameSixteenPrograms) {
    TempDir dir;
    constexpr unsigned FirstSeed = 1000, Cases = 200;
    for (unsigned seed = FirstSeed; seed < FirstSeed + Cases; ++seed) {
        std::mt19937 random(seed);
        const ProgramSet set = RandomSet(random);
        ProgramSet expected = set;
        if (expected[15].empty()) expected[15] = {""};
        // Every 20th set goes through a file; the others through the same bytes in memory (a file
        // write waits for the disk).
        ProgramSet read;
        if (seed % 20 == 0) {
            WriteProgramSet(dir / "set.rom", set);
            read = ReadProgramSet(dir / "set.rom");
        } else {
            read = ParseProgramSet(SplitLines(ProgramSetBytes(set)));
        }
        for (int k = 0; k < ProgramCount; ++k)
            ASSERT_TRUE(read[k] == expected[k]) << "seed " << seed << ", program " << k;
    }
}

namespace {

// A random program of SETRATE, STEPTO, RAMPTO, WAIT and END. It stays inside what the EPROM importer
// can give back as a program that compiles:
// - no change of angle at 2048 Hz, not even the last step of a move just before the rate changes to
//   it: the importer writes each change as a ramp over one period with three decimals, and 1/2048 s
//   is written 0.000 s, a ramp time that the compiler refuses;
// - the first angle other than 0 is positive and at least a hundredth of MaxSteer, so that its EPROM
//   code is not 0 degrees and a later negative angle does not become the first one (error 41);
// - every statement lasts at least 10 ms, so every clock rate holds for at least two words: the
//   importer writes no wait for a run of one word, and a rate that held for one word alone, with no
//   change of angle, would be gone;
// - the end word carries no change of angle: the importer would write it as a ramp of one period
//   before the end, a run of the end word's rate that the program never had;
// - the program is short enough (at most 12000 steps) for the importer's longer ramps to fit.
// A move reaches its target on the step at its end time, the first step of what follows: a wait
// keeps that change of angle off the first word at 2048 Hz and off the end word.
void Settle(Lines &lines) {
    if (lines.back().compare(0, 4, "wait") != 0 && lines.back() != "begin") lines.push_back("wait(0.010 s)");
}

Lines RandomRateProgram(std::mt19937 &random, int maxSteer) {
    static const int Rates[] = {256, 512, 1024, 2048};
    Lines lines{"maxsteer(" + std::to_string(maxSteer) + " deg)", "begin"};
    int rate = 1024;
    double steps = 0;
    bool moved = false;
    const int count = Uniform(random, 1, 14);
    for (int i = 0; i < count && steps < 10000; ++i) {
        char text[64];
        const double seconds = Uniform(random, 10, 1500) / 1000.0;
        const int kind = Uniform(random, 0, 3);
        if (kind == 0) {
            const int next = Rates[Uniform(random, 0, 3)];
            if (next == 2048) Settle(lines);
            rate = next;
            std::snprintf(text, sizeof text, "setrate(%d hz)", rate);
        } else if (kind == 1 || rate == 2048) {
            std::snprintf(text, sizeof text, "wait(%.3f s)", seconds);
            steps += seconds * rate;
        } else {
            double angle = Chance(random, 0.2) ? 0 : Uniform(random, maxSteer, 100 * maxSteer) / 100.0;
            if (moved && Chance(random, 0.5)) angle = -angle;
            moved = moved || angle != 0;
            std::snprintf(text, sizeof text, "%s(%.2f deg, %.3f s)", kind == 2 ? "stepto" : "rampto", angle,
                          seconds);
            steps += seconds * rate;
        }
        lines.push_back(text);
    }
    Settle(lines);
    if (Chance(random, 0.8)) lines.push_back("end");
    return lines;
}

struct Slot {
    std::vector<std::uint16_t> words;
    int endIndex = 0;
    float endTime = 0; // seconds
};

// Builds the program as the Build command does and returns its main words.
Slot Build(const Lines &program) {
    Slot slot;
    ProgramImages images;
    if (!BuildProgram(TestCompiler(), program, {}, images)) return slot;
    slot.words = images.main;
    slot.endIndex = TestCompiler().endIndex;
    slot.endTime = TestCompiler().steps[slot.endIndex].time;
    return slot;
}

int RateCode(std::uint16_t word) { return (word >> 12) & 3; }
bool EndBit(std::uint16_t word) { return (word & 0x4000) != 0; }

// The number of runs of equal words before the end.
int WordRuns(const Slot &slot) {
    int runs = 0;
    for (int k = 0; k < slot.endIndex; ++k) runs += k == 0 || slot.words[k] != slot.words[k - 1];
    return runs;
}

// The rate codes of the words before the end, each run of equal codes once.
std::vector<int> RateRuns(const Slot &slot) {
    std::vector<int> runs;
    for (int k = 0; k < slot.endIndex; ++k)
        if (runs.empty() || runs.back() != RateCode(slot.words[k])) runs.push_back(RateCode(slot.words[k]));
    return runs;
}

// The lines for a failure report; of a long text its first and last lines.
std::string Text(const Lines &lines) {
    std::string text;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (lines.size() > 40 && i == 20) {
            text += "...\n";
            i = lines.size() - 20;
        }
        text += lines[i] + "\n";
    }
    return text;
}

} // namespace

TEST(Property, EpromSlotImportedAndCompiledAgainKeepsRateCodesAndEndBits) {
    constexpr unsigned FirstSeed = 5000, Cases = 150;
    double worstShift = 0; // the largest move of the end, as a share of its bound
    for (unsigned seed = FirstSeed; seed < FirstSeed + Cases; ++seed) {
        std::mt19937 random(seed);
        const int maxSteer = std::vector<int>{10, 100, 200, 1000}[Uniform(random, 0, 3)];
        const Lines program = RandomRateProgram(random, maxSteer);
        const Slot built = Build(program);
        ASSERT_FALSE(built.words.empty()) << "seed " << seed << "\n"
                                          << Text(program) << Text(TestCompiler().messageLines);

        std::string bytes;
        for (std::uint16_t word : built.words) bytes += {char(word & 0xFF), char(word >> 8)};
        ImportOptions options;
        options.program = 0;
        options.maxSteer = maxSteer;
        const Lines imported = EpromLines(bytes, options);
        const Slot again = Build(imported);
        ASSERT_FALSE(again.words.empty()) << "seed " << seed << "\n"
                                          << Text(program) << "imported:\n"
                                          << Text(imported) << Text(TestCompiler().messageLines);

        for (const Slot *slot : {&built, &again})
            for (int k = 0; k < StepCount; ++k) {
                // From the end on every word carries the end bit and the END rate code, before it none.
                ASSERT_EQ(EndBit(slot->words[k]), k >= slot->endIndex) << "seed " << seed << ", word " << k;
                if (k >= slot->endIndex) {
                    ASSERT_EQ(RateCode(slot->words[k]), 2) << "seed " << seed << ", word " << k;
                }
            }
        EXPECT_EQ(RateRuns(again), RateRuns(built)) << "seed " << seed << "\n"
                                                    << Text(program) << Text(imported);
        // The end moves, as the importer means it to: each run of words comes back as a wait rounded to
        // whole milliseconds, and each change of angle as a ramp over one period rounded to three
        // decimals, which the run's own wait counts again. Each run moves the end by at most
        // 0.5 ms + 4 ms; one more step for where the end falls between steps.
        const double bound = WordRuns(built) * 0.0045 + 1.0 / 256;
        EXPECT_LE(std::abs(again.endTime - built.endTime), bound) << "seed " << seed << "\n" << Text(program);
        worstShift = std::max(worstShift, std::abs(again.endTime - built.endTime) / bound);
    }
    std::printf("largest move of the end: %.0f %% of its bound\n", 100 * worstShift);
}
