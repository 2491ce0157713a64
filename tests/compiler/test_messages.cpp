// Message list, counts, catalogue texts, prefixes and the Messages text.
#include "compiler/compile_text.h"
#include "compiler/messages.h"
#include "compiler/state.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct LineCase {
    int line;
    int code;
    const char *text;
    const char *expected;
};

const LineCase CatalogueCases[] = {
    {0, 2, "16.000 seconds in SINE function", "Ran out of steps at t= 16.000 seconds in SINE function"},
    {4, 3, "", "\"MaxSteer\" not found before \"Begin\""},
    {1, 4, "", "\"MaxSteer\" and \"Begin\" not found"},
    {9, 5, "", "\"Begin\" not found"},
    {3, 11, "STEPT", "Error in line 3: \"STEPT\" is an invalid function"},
    {3, 12, "", "Error in line 3: Missing number in parameter"},
    {7, 13, "", "Error in line 7: Missing parameter id (sec, hz, etc.)"},
    {3, 14, "X", "Error in line 3: \"X\" is an invalid parameter id"},
    {3, 20, "", "Error in line 3: Invalid numeric format for phase angle (real)"},
    {3, 21, "", "Error in line 3: Invalid numeric format for clock rate (integer)"},
    {3, 22, "", "Error in line 3: Invalid numeric format for amplitude (real)"},
    {3, 23, "", "Error in line 3: Invalid numeric format for seconds (real)"},
    {3, 24, "", "Error in line 3: Invalid numeric format for cycles (real)"},
    {3, 25, "", "Error in line 3: Invalid numeric format for frequency (real)"},
    {3, 26, "", "Error in line 3: Steer amplitude goes offscale (abs(steer) > maxsteer)"},
    {1, 27, "", "Error in line 1: Invalid MaxSteer syntax"},
    {1, 28, "", "Error in line 1: Invalid numeric format for MaxSteer (real)"},
    {1, 29, "", "Error in line 1: MaxSteer must be positive"},
    {3, 31, "", "Error in line 3: Illegal clock rate: must be 256, 512, 1024, or 2048 "},
    {3, 32, "", "Error in line 3: Time length cannot be negative in WAIT function."},
    {3, 33, "", "Error in line 3: Time length cannot be negative in STEPTO/STEPUP function."},
    {3, 34, "", "Error in line 3: Time length cannot be zero or negative in RAMPTO/RAMPUP function."},
    {3, 35, "",
     "Error in line 3: Time length cannot be negative in SINE/SQUARE/TRIANG/SINESWEEP/SINESWEEPLOG function"},
    {3, 36, "", "Error in line 3: Number of cycles cannot be negative."},
    {3, 37, "", "Error in line 3: Frequency cannot be negative."},
    {3, 38, "", "Error in line 3: Frequency cannot be zero in SINE/SQUARE/TRIANG functions."},
    {3, 39, "", "Error in line 3: Neither frequency can be zero in SINESWEEPLOG function."},
    {3, 40, "", "Error in line 3: Both frequencies cannot be zero in SINESWEEPLIN function."},
    {3, 41, "", "Error in line 3: Initial steer input must be positive"},
    {3, 51, "time", "Error in line 3: Too many time parameters"},
    {3, 60, "flag bit number",
     "Error in line 3: flag bit number parameters not recognized for this function"},
    {3, 61, "", "Error in line 3: Flag number must be an integer from 1 thru 8"},
    {3, 62, "", "Error in line 3: Flag value must be integer percentage 0 thru 100"},
    {3, 63, "", "Error in line 3: Pulse Time length cannot be negative in PULSEFLAG function"},
    {3, 71, "", "Error in line 3: SetRate must have a clock rate parameter (256, 512, 1024, or 2048 hz.)"},
    {5, 101, "", "Warning in line 5: Cycle count supercedes time length if both are >0"},
    {5, 102, "", "Warning in line 5: END not found - It will be added automatically"},
    {5, 103, "", "Warning in line 5: Extra MaxSteer command found and IGNORED."},
    {5, 104, "", "Warning in line 5: No cycle count or time given -- defaults to 0 seconds"},
    {5, 105, "", "Warning in line 5: No time period given -- defaults to 0 seconds"},
    {5, 106, "",
     "Warning in line 5: Cycle count is not valid in SINESWEEP/SINESWEEPLOG function -- value is ignored"},
    {0, 201, "16.000", "Compiled OK - program length: t= 16.000 seconds"},
};

TEST(MessageLine, EveryCatalogueEntryHasItsExactText) {
    for (const auto &c : CatalogueCases)
        EXPECT_EQ(MessageLine({c.line, c.code, c.text}), c.expected) << "code " << c.code;
}

// The prefix depends on line and code; codes without an entry fall back to one text.
const LineCase PrefixCases[] = {
    {0, 26, "sine", "Error in sine function: Steer amplitude goes offscale (abs(steer) > maxsteer)"},
    {0, 41, "stepto", "Error in stepto function: Initial steer input must be positive"},
    {7, 1, "", "7Error or warning with no message assigned"},
    {7, 10, "", "7Error or warning with no message assigned"},
    {7, 30, "", "Error in line 7: Error or warning with no message assigned"},
    {7, 199, "", "Warning in line 7: Error or warning with no message assigned"},
    {7, 202, "", "Warning in line 7: Error or warning with no message assigned"},
    {0, 99, "x", "Error in x function: Error or warning with no message assigned"},
    {65537, 13, "", "Error in line 65537: Missing parameter id (sec, hz, etc.)"},
};

TEST(MessageLine, PrefixFollowsLineAndCode) {
    for (const auto &c : PrefixCases)
        EXPECT_EQ(MessageLine({c.line, c.code, c.text}), c.expected)
            << "line " << c.line << " code " << c.code;
}

TEST(MessageLine, PrefixIsCutTo40Characters) {
    std::string word(60, 'w');
    EXPECT_EQ(MessageLine({0, 26, word}),
              "Error in " + std::string(31, 'w') + "Steer amplitude goes offscale (abs(steer) > maxsteer)");
}

TEST(AddMessage, CutsTextTo80AndCountsByLevel) {
    ClearMessages(TestCompiler());
    AddMessage(TestCompiler(), 2, 11, std::string(90, 'F'));
    AddMessage(TestCompiler(), 3, 99, "");
    AddMessage(TestCompiler(), 4, 100, "");
    AddMessage(TestCompiler(), 5, 199, "");
    AddMessage(TestCompiler(), 0, 200, "");
    const auto &s = TestCompiler();
    ASSERT_EQ(s.messages.size(), 5u);
    EXPECT_EQ(s.messages[0].text, std::string(80, 'F'));
    EXPECT_EQ(MessageLine(s.messages[0]),
              "Error in line 2: \"" + std::string(80, 'F') + "\" is an invalid function");
    EXPECT_EQ(s.ErrorCount, 2);
    EXPECT_EQ(s.WarningCount, 2);
    ClearMessages(TestCompiler());
    EXPECT_TRUE(s.messages.empty());
    EXPECT_EQ(s.ErrorCount, 0);
    EXPECT_EQ(s.WarningCount, 0);
}

TEST(SeverityOf, TheCodeRangesAndTheirNames) {
    for (auto [code, name] : std::vector<std::pair<int, std::string>>{{0, "error"},
                                                                      {99, "error"},
                                                                      {100, "warning"},
                                                                      {199, "warning"},
                                                                      {200, "information"},
                                                                      {9999, "information"}})
        EXPECT_EQ(SeverityName(SeverityOf(code)), name) << code;
}

TEST(AddMessage, CountsDoNotWrapAt65536) {
    ClearMessages(TestCompiler());
    for (int i = 0; i < 65536; ++i) AddMessage(TestCompiler(), 1, 12, "");
    EXPECT_EQ(TestCompiler().ErrorCount, 65536);
    ClearMessages(TestCompiler());
}

std::vector<std::string> Show(const std::vector<CompileMessage> &messages) {
    ClearMessages(TestCompiler());
    for (const auto &m : messages) AddMessage(TestCompiler(), m.line, m.code, m.text);
    return ShowMessages(TestCompiler());
}

TEST(ShowMessages, SummaryOnlyWithErrorsSingularAndPlural) {
    using Lines = std::vector<std::string>;
    EXPECT_EQ(Show({}), Lines{});
    EXPECT_EQ(Show({{4, 104, ""}, {0, 201, "1.000"}}),
              (Lines{"Warning in line 4: No cycle count or time given -- defaults to 0 seconds",
                     "Compiled OK - program length: t= 1.000 seconds"}));
    EXPECT_EQ(Show({{3, 12, ""}}),
              (Lines{"Error in line 3: Missing number in parameter", "", "1 Error found - Aborting..."}));
    EXPECT_EQ(
        Show({{3, 12, ""}, {5, 102, ""}, {4, 13, ""}}),
        (Lines{"Error in line 3: Missing number in parameter",
               "Warning in line 5: END not found - It will be added automatically",
               "Error in line 4: Missing parameter id (sec, hz, etc.)", "", "2 Errors found - Aborting..."}));
    EXPECT_EQ(TestCompiler().messageLines.size(), 5u);
}

} // namespace
