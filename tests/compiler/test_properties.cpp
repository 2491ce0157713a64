// Properties over random programs, from fixed seeds: a compile depends on its text and options only,
// never on what was compiled before it.
#include "compiler/compile.h"
#include "compiler/compile_text.h"
#include "compiler/state.h"
#include "romfiles/build.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>

using Lines = std::vector<std::string>;

namespace {

int Uniform(std::mt19937 &random, int low, int high) {
    return std::uniform_int_distribution<int>(low, high)(random);
}
bool Chance(std::mt19937 &random, double p) { return std::bernoulli_distribution(p)(random); }
template <std::size_t N> const char *Pick(std::mt19937 &random, const char *const (&items)[N]) {
    return items[Uniform(random, 0, int(N) - 1)];
}

// A number as a user might type it, now and then malformed.
std::string RandomNumber(std::mt19937 &random) {
    static const char *const odd[] = {"",   "-",  ".",   "1x2",  "1e999",       "1.",
                                      ".5", "+3", "--1", "1e-3", "99999999999", "0"};
    if (Chance(random, 0.15)) return Pick(random, odd);
    std::string number = Chance(random, 0.2) ? "-" : "";
    number += std::to_string(Uniform(random, 0, Chance(random, 0.1) ? 5000 : 120));
    if (Chance(random, 0.5)) number += "." + std::to_string(Uniform(random, 0, 999));
    return number;
}

// A statement line: any function of the language or a misspelt one, with parameters of any id.
std::string RandomStatement(std::mt19937 &random) {
    static const char *const functions[] = {
        "setrate",    "setcurrenthigh", "setcurrentlow", "setflag",   "pulseflag",    "waitforrollpeak",
        "pulsebrake", "wait",           "stepto",        "stepup",    "rampto",       "rampup",
        "sine",       "square",         "triangle",      "sinesweep", "sinesweeplog", "repeatprogram",
        "stpto",      "Wait",           "RAMPTO",        "sine wave", "\tstepto"};
    static const char *const ids[] = {" deg", "d",  " s", " sec", " c", " cycles",
                                      " hz",  " b", " %", " p",   " x", ""};
    static const char *const rates[] = {"256", "512", "1024", "2048", "300", "0"};
    std::string function = Pick(random, functions);
    if (Chance(random, 0.2)) return function;
    std::string line = function + "(";
    const int count = Uniform(random, 0, 8);
    for (int i = 0; i < count; ++i) {
        if (i > 0) line += Chance(random, 0.95) ? ", " : " ";
        const std::string id = Pick(random, ids);
        line +=
            (id == " hz" && Chance(random, 0.5) ? std::string(Pick(random, rates)) : RandomNumber(random)) +
            id;
    }
    line += Chance(random, 0.95) ? ")" : "";
    if (Chance(random, 0.1)) line += " ; comment";
    return line;
}

// A well-formed statement of any function, with values that fit a maxsteer of 100 degrees.
std::string ValidStatement(std::mt19937 &random, bool &moved) {
    auto seconds = [&] { return std::to_string(Uniform(random, 1, 150) / 100.0) + " s"; };
    auto angle = [&] {
        const int degrees = Uniform(random, 0, 100);
        const bool negative = moved && Chance(random, 0.5); // a first angle below 0 is error 41
        moved = moved || degrees != 0;
        return std::to_string(negative ? -degrees : degrees) + " deg";
    };
    auto flag = [&] { return std::to_string(Uniform(random, 1, 8)) + " b"; };
    auto hertz = [&] { return std::to_string(Uniform(random, 1, 400) / 100.0) + " hz"; };
    static const char *const periodic[] = {"sine", "square", "triangle"};
    static const char *const sweeps[] = {"sinesweep", "sinesweeplog"};
    static const char *const rates[] = {"256", "512", "1024", "2048"};
    switch (Uniform(random, 0, 13)) {
    case 0:
        return std::string("setrate(") + Pick(random, rates) + " hz)";
    case 1:
        return Chance(random, 0.5) ? "setcurrenthigh" : "setcurrentlow(" + seconds() + ")";
    case 2:
        return "setflag(" + flag() + ", " + std::to_string(Uniform(random, 0, 100)) + " %)";
    case 3:
        return "pulseflag(" + flag() + ", " + seconds() + ", " + seconds() + ")";
    case 4:
        return Chance(random, 0.5) ? "waitforrollpeak" : "pulsebrake(" + seconds() + ")";
    case 5:
    case 6:
        return "wait(" + seconds() + ")";
    case 7:
        return "stepto(" + angle() + ", " + seconds() + ")";
    case 8:
        return "rampto(" + angle() + ", " + seconds() + ")";
    case 9:
        return "stepup(" + std::to_string(Uniform(random, -5, 5)) + " deg)";
    case 10:
        return std::string(Pick(random, periodic)) + "(" + std::to_string(Uniform(random, 1, 30)) + " deg, " +
               hertz() + ", " + std::to_string(Uniform(random, 1, 3)) + " c)";
    case 11:
        return std::string(Pick(random, sweeps)) + "(" + std::to_string(Uniform(random, 1, 30)) + " deg, " +
               hertz() + ", " + hertz() + ", " + seconds() + ")";
    case 12:
        return "repeatprogram";
    default:
        return "; a comment";
    }
}

// A program text: usually a header, statements and an end, but any of them may be missing or odd.
// Half the programs are mostly well-formed, the other half mostly not.
Lines RandomProgram(std::mt19937 &random) {
    Lines lines;
    const bool careful = Chance(random, 0.5);
    if (Chance(random, 0.9))
        lines.push_back("maxsteer(" + (careful ? std::string("100") : RandomNumber(random)) + " deg)");
    if (Chance(random, 0.05)) lines.push_back("maxsteer(50 deg)");
    if (Chance(random, 0.95)) lines.push_back(Chance(random, 0.9) ? "begin" : "Begin ; here");
    const int count = Uniform(random, 0, 25);
    bool moved = false;
    for (int i = 0; i < count; ++i) {
        if (careful && Chance(random, 0.97))
            lines.push_back(ValidStatement(random, moved));
        else
            lines.push_back(Chance(random, 0.1) ? std::string(Chance(random, 0.5) ? "" : "; note")
                                                : RandomStatement(random));
    }
    if (Chance(random, 0.85)) lines.push_back("end");
    if (Chance(random, 0.1)) lines.push_back("stepto(5 deg) after the end");
    return lines;
}

// Everything a compile leaves for its callers.
struct Outcome {
    bool ok = false;
    Lines messageLines, notices;
    std::vector<std::tuple<int, int, std::string>> messages;
    int errors = 0, warnings = 0, endIndex = 0;
    float maxSteer = 0;
    std::vector<StepRecord> steps;
    std::vector<std::uint16_t> mainImage;
    std::vector<std::uint8_t> auxImage;
};

// Compiles and encodes the text as Build does. The step store and the images are taken only from a
// successful compile: a failed one stops before it fills them, and they keep what came before.
Outcome Build(const Lines &lines, bool corvan3Only) {
    Outcome outcome;
    ProgramImages images;
    outcome.ok = BuildProgram(
        TestCompiler(), lines,
        {corvan3Only, [&](const std::string &text) { outcome.notices.push_back(text); }}, images);
    const CompilerState &state = TestCompiler();
    outcome.messageLines = state.messageLines;
    for (const CompileMessage &m : state.messages) outcome.messages.emplace_back(m.line, m.code, m.text);
    outcome.errors = state.ErrorCount;
    outcome.warnings = state.WarningCount;
    outcome.maxSteer = state.MaxSteer;
    if (outcome.ok) {
        outcome.endIndex = state.endIndex;
        for (int k = 0; k < StepCount; ++k) outcome.steps.push_back(state.steps[k]);
        outcome.mainImage = images.main;
        outcome.auxImage = images.aux;
    }
    return outcome;
}

// The first difference between two outcomes, or empty. Steps are compared bit for bit.
std::string Difference(const Outcome &a, const Outcome &b) {
    if (a.ok != b.ok) return "result";
    if (a.messageLines != b.messageLines) return "message lines";
    if (a.messages != b.messages) return "messages";
    if (a.notices != b.notices) return "notices";
    if (a.errors != b.errors || a.warnings != b.warnings) return "counts";
    if (std::memcmp(&a.maxSteer, &b.maxSteer, sizeof a.maxSteer) != 0) return "MaxSteer";
    if (a.endIndex != b.endIndex) return "end index";
    for (std::size_t k = 0; k < a.steps.size(); ++k)
        if (std::memcmp(&a.steps[k], &b.steps[k], sizeof(StepRecord)) != 0)
            return "step " + std::to_string(k);
    if (a.mainImage != b.mainImage) return "main image";
    if (a.auxImage != b.auxImage) return "aux image";
    return "";
}

std::string Text(const Lines &lines) {
    std::string text;
    for (const std::string &line : lines) text += line + "\n";
    return text;
}

} // namespace

TEST(Property, CheckGivesTheSameOutcomeForTheSameTextWhateverWasCompiledBefore) {
    constexpr unsigned FirstSeed = 9000, Cases = 200;
    int succeeded = 0;
    for (unsigned seed = FirstSeed; seed < FirstSeed + Cases; ++seed) {
        std::mt19937 random(seed);
        const Lines program = RandomProgram(random), other = RandomProgram(random);
        const bool corvan3Only = Chance(random, 0.5);
        const Outcome first = Build(program, corvan3Only);
        const Outcome second = Build(program, corvan3Only);
        Build(other, !corvan3Only);
        const Outcome third = Build(program, corvan3Only);
        ASSERT_EQ(Difference(first, second), "") << "seed " << seed << "\n" << Text(program);
        ASSERT_EQ(Difference(first, third), "") << "seed " << seed << ", after\n"
                                                << Text(other) << "came\n"
                                                << Text(program);
        succeeded += first.ok;
    }
    // Both outcomes are well represented.
    std::printf("%d of %u compiled\n", succeeded, Cases);
    EXPECT_GT(succeeded, int(Cases) / 10);
    EXPECT_LT(succeeded, int(Cases) * 9 / 10);
}
