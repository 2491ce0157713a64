// Round trips through the importers: what an export or a build writes, read back and compiled again.
#include "compiler/compile.h"
#include "compiler/compile_text.h"
#include "files/fileio.h"
#include "romfiles/exporters.h"
#include "romfiles/image.h"
#include "romfiles/importers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

struct Compiled {
    std::vector<float> time, steer;
    std::vector<std::uint16_t> words;
    int endIndex = 0;
};

Compiled Compile(const std::vector<std::string> &lines) {
    Compiled result;
    EXPECT_TRUE(CompileProgram(TestCompiler(), lines))
        << (TestCompiler().messageLines.empty() ? "" : TestCompiler().messageLines[0]);
    const CompilerState &state = TestCompiler();
    result.words.resize(StepCount);
    EncodeMainImage(state.steps, state.MaxSteer, result.words.data());
    for (int i = 0; i < StepCount; ++i) {
        result.time.push_back(state.steps[i].time);
        result.steer.push_back(state.steps[i].steer);
    }
    result.endIndex = state.endIndex;
    return result;
}

const std::vector<std::string> Manoeuvre{"maxsteer(100 deg)",
                                         "begin",
                                         "setrate(256 hz)",
                                         "wait(1 s)",
                                         "rampto(50 deg, 1 s)",
                                         "wait(1 s)",
                                         "sine(20 deg, 0.5 hz, 1 cycles)",
                                         "rampto(0 deg, 1 s)",
                                         "end"};

TEST(RoundTrip, TimeValueExportReadBackFollowsTheProfileWithinThreeHundredthsOfADegree) {
    Compiled original = Compile(Manoeuvre);
    std::vector<std::string> fileLines = SplitLines(TimeValueExportBytes(TestCompiler().steps));
    ImportOptions options;
    options.maxSteer = 100;
    Compiled again = Compile(TimeValueLines(fileLines, options));

    // Both run at 256 Hz up to the end, so steps pair up by index; the three-decimal times of the file
    // shift the re-imported ramps by fractions of a step.
    float worst = 0;
    for (int i = 0; i <= original.endIndex; ++i)
        worst = std::max(worst, std::fabs(original.steer[i] - again.steer[i]));
    EXPECT_NEAR(worst, 0.0314f, 0.0005f);
    EXPECT_EQ(again.endIndex, original.endIndex + 1); // the last ramp's 1.0000 s ends a step late
}

// The main words of a program slot, decoded into statements, compiled and encoded again.
std::vector<std::uint16_t> DecodeAndRebuild(const std::vector<std::uint16_t> &words) {
    std::string slot;
    for (std::uint16_t word : words) slot += {char(word & 0xFF), char(word >> 8)};
    ImportOptions options;
    options.program = 0;
    options.maxSteer = 100;
    return Compile(EpromLines(slot, options)).words;
}

// The levels of a word sequence: (first index, word) of every run longer than two words. Shorter runs
// are the partial steps of the decoder's one-period ramps.
std::vector<std::pair<int, std::uint16_t>> Levels(const std::vector<std::uint16_t> &words) {
    std::vector<std::pair<int, std::uint16_t>> levels;
    for (int i = 0; i < StepCount;) {
        int j = i;
        while (j < StepCount && words[j] == words[i]) ++j;
        if (j - i > 2) levels.emplace_back(i, words[i]);
        i = j;
    }
    return levels;
}

TEST(RoundTrip, StepProgramDecodedFromItsEpromSlotKeepsEveryLevelAndLagsAFewSteps) {
    // Each run comes back as a wait of whole milliseconds and each change as a ramp over 0.004 s
    // instead of one 0.00390625-s period: the levels are exact, their starts drift later.
    Compiled original =
        Compile({"maxsteer(100 deg)", "begin", "setrate(256 hz)", "wait(1 s)", "stepto(50 deg, 1 s)",
                 "stepto(-20 deg, 0.5 s)", "wait(1 s)", "stepto(0 deg, 1 s)", "end"});
    auto before = Levels(original.words), after = Levels(DecodeAndRebuild(original.words));
    ASSERT_EQ(before.size(), after.size());
    std::vector<int> lag;
    for (std::size_t k = 0; k < before.size(); ++k) {
        EXPECT_EQ(before[k].second, after[k].second) << k;
        lag.push_back(after[k].first - before[k].first);
    }
    EXPECT_EQ(lag, (std::vector<int>{0, 2, 3, 4, 4}));
}

TEST(RoundTrip, RampsDecodedFromAnEpromSlotStretchTimeByTheRoundedPeriod) {
    // Every step of a ramp or sine becomes a ramp over 0.004 s, so the decoded program runs 1.024 times
    // slower at 256 Hz; on that stretched time axis it follows the original closely.
    Compiled original = Compile(Manoeuvre);
    std::vector<std::uint16_t> again = DecodeAndRebuild(original.words);
    int worst = 0;
    for (int i = 0; i <= original.endIndex; ++i) {
        const int j = static_cast<int>(std::lround(i * 0.004 * 256));
        worst = std::max(worst, std::abs((original.words[i] & 0xFFF) - (again[j] & 0xFFF)));
    }
    EXPECT_EQ(worst, 52); // 2.5 degrees, on the steepest part of the sine
}

} // namespace
