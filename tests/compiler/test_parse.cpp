// The program language: normalising, numbers, statements, parameters and the messages they raise.
#include "compiler/compile.h"
#include "compiler/compile_text.h"
#include "compiler/messages.h"
#include "compiler/parse.h"
#include "compiler/state.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <string>
#include <vector>

namespace {

using Lines = std::vector<std::string>;

// The memo lines of the messages that concern a program line (the parser's), in order.
Lines ParserLines(const Lines &program) {
    CompileProgram(TestCompiler(), program);
    Lines result;
    for (const auto &m : TestCompiler().messages)
        if (m.line != 0) result.push_back(MessageLine(m));
    return result;
}

// A program with the one statement line on line 3.
Lines WithStatement(const std::string &statement) { return {"maxsteer(100 deg)", "begin", statement, "end"}; }

// The statement list of a text, read by the parser alone (the later phases change start times and durations).
const std::vector<ProgramStatement> &Parse(const Lines &program) {
    ClearMessages(TestCompiler());
    ParseProgram(TestCompiler(), program);
    return TestCompiler().statements;
}

std::string E(const std::string &text) { return "Error in line 3: " + text; }

// ---- helpers -------------------------------------------------------------------------------------------

TEST(NormaliseLine, CutsAt100ThenStripsBlanksAndUpperCasesAsciiOnly) {
    EXPECT_EQ(NormaliseLine("  sine ( 10 deg , 1 hz ) ; x"), "SINE(10DEG,1HZ);X");
    EXPECT_EQ(NormaliseLine("\tstepto(\xe9)"), "\tSTEPTO(\xe9)");
    EXPECT_EQ(NormaliseLine(std::string(99, ' ') + "ab"), "A");
    EXPECT_EQ(StripBlanks(" a b\tc "), "ab\tc");
}

TEST(LineStartsWith, IsAPrefixTestOnTheNormalisedLine) {
    for (const char *line : {"begin", "Begin", "b e g i n", "begin;go", "beginning", "  BEGIN  "})
        EXPECT_TRUE(LineStartsWith(line, "BEGIN")) << line;
    for (const char *line : {"\tbegin", "begi", ";begin", ""})
        EXPECT_FALSE(LineStartsWith(line, "BEGIN")) << line;
}

TEST(ReadReal, AcceptsSignDigitsPointAndExponent) {
    struct Case {
        const char *text;
        float value;
    };
    for (const Case &c : std::vector<Case>{{"1", 1},
                                           {"+1", 1},
                                           {"-1", -1},
                                           {"1.", 1},
                                           {".5", 0.5f},
                                           {"-.5", -0.5f},
                                           {"007", 7},
                                           {"1E3", 1000},
                                           {"1.5E-3", 0.0015f},
                                           {"1E+2", 100},
                                           {"0.1", 0.1f},
                                           {"3.4028234E38", FLT_MAX},
                                           {"1E-50", 0}}) {
        auto value = ReadReal(c.text);
        ASSERT_TRUE(value) << c.text;
        EXPECT_EQ(*value, c.value) << c.text;
    }
}

TEST(ReadReal, RefusesMalformedAndFloatOverflow) {
    for (const char *text : {"",      ".",    "-",     "+",     "+-1",  "1E",    "1E+",
                             "E3",    "1..2", "1.2.3", "5DEG2", "1E39", "-1E39", "3.4028236E38",
                             "1E400", "0X10", "INF",   "NAN",   " 1",   "1 "})
        EXPECT_FALSE(ReadReal(text)) << text;
}

TEST(ReadInteger, AcceptsSignAndDigitsWithin32Bits) {
    EXPECT_EQ(ReadInteger("0"), 0);
    EXPECT_EQ(ReadInteger("+512"), 512);
    EXPECT_EQ(ReadInteger("-5"), -5);
    EXPECT_EQ(ReadInteger("2147483647"), 2147483647L);
    EXPECT_EQ(ReadInteger("-2147483648"), -2147483648L);
    for (const char *text : {"", "+", "-", "+-5", "-+5", "--5", "2147483648", "-2147483649",
                             "99999999999999999999", "1.0", "1E3", "1X2"})
        EXPECT_FALSE(ReadInteger(text)) << text;
}

TEST(SplitStatement, NameAndUpToSevenNonEmptyParameters) {
    struct Case {
        const char *text;
        const char *name;
        Lines parameters;
    };
    for (const Case &c : std::vector<Case>{
             {"END", "END", {}},
             {"A)1D", "A)1D", {}},
             {"STEPTO(10DEG", "STEPTO", {}},
             {"WAIT(S)", "WAIT", {}},
             {"A)1D(2S)", "A)1D", {}},
             {"A(1D)JUNK", "A", {"1D"}},
             {"A(,1D,,2S,)", "A", {"1D", "2S"}},
             {"A(1D,2D,3D,4D,5D,6D,7D,8D)", "A", {"1D", "2D", "3D", "4D", "5D", "6D", "7D"}},
         }) {
        auto split = SplitStatement(c.text);
        EXPECT_EQ(split.name, c.name) << c.text;
        EXPECT_EQ(split.parameters, c.parameters) << c.text;
    }
}

TEST(ParseParameterId, IdIsTheCharacterAfterTheLastNumberCharacter) {
    struct Case {
        const char *text;
        char id;
        const char *number;
    };
    ClearMessages(TestCompiler());
    for (const Case &c : std::vector<Case>{{"10DEG", 'D', "10"},
                                           {"-2.5S", 'S', "-2.5"},
                                           {"1E3D", 'D', "1E3"},
                                           {"50%", 'P', "50"},
                                           {"3BIT", 'B', "3"},
                                           {"4CYCLES", 'C', "4"},
                                           {"0.5HZ", 'H', "0.5"},
                                           {"5DEG2SEC", 'S', "5DEG2"}}) {
        auto id = ParseParameterId(TestCompiler(), 3, c.text);
        ASSERT_TRUE(id) << c.text;
        EXPECT_EQ(id->id, c.id) << c.text;
        EXPECT_EQ(id->number, c.number) << c.text;
    }
    EXPECT_TRUE(TestCompiler().messages.empty());
}

TEST(ParseParameterId, AnyCharacterAfterTheNumberIsTheIdEvenANul) {
    ClearMessages(TestCompiler());
    EXPECT_FALSE(ParseParameterId(TestCompiler(), 3, std::string("5\0", 2)));
    ASSERT_EQ(TestCompiler().messages.size(), 1u);
    EXPECT_EQ(TestCompiler().messages[0].code, Msg::InvalidParameterId);
    EXPECT_EQ(TestCompiler().messages[0].text, std::string(1, '\0'));
}

// The spans the highlighter marks: parameters read, the ones after the seventh, and the separators.
TEST(ScanStatement, SpansOfTheParametersReadAndIgnored) {
    const std::string text = "A(1D,,2S,3,4D,5D,6D,7D,8D)X";
    const ScannedStatement s = ScanStatement(text);
    EXPECT_EQ(s.name.Of(text), "A");
    EXPECT_EQ(s.open, 1u);
    EXPECT_EQ(s.close, 25u);
    EXPECT_EQ(s.commas, (std::vector<std::size_t>{4, 5, 8, 10, 13, 16, 19, 22}));
    ASSERT_EQ(s.parameters.size(), 7u);
    EXPECT_EQ(s.parameters[2].text.Of(text), "3");
    EXPECT_EQ(s.parameters[2].number.Of(text), "3");
    EXPECT_FALSE(s.parameters[2].written);
    EXPECT_EQ(s.parameters[1].id, 'S');
    ASSERT_EQ(s.unread.size(), 1u);
    EXPECT_EQ(s.unread[0].Of(text), "8D");
    EXPECT_EQ(ScanStatement("A(1)").close, std::string::npos); // too short to hold a parameter
}

// ---- messages of one statement line ------------------------------------------------------------------

// The parser's messages of a program whose one statement is on line 3, as "code" or "code text", comma
// separated. Every catalogue text is pinned in test_messages.cpp.
std::string Codes(const std::string &statement) {
    CompileProgram(TestCompiler(), WithStatement(statement));
    std::string result;
    for (const auto &m : TestCompiler().messages) {
        if (m.line == 0) continue;
        EXPECT_EQ(m.line, 3) << statement;
        if (!result.empty()) result += ", ";
        result += std::to_string(m.code) + (m.text.empty() ? "" : " " + m.text);
    }
    return result;
}

struct StatementCase {
    const char *statement;
    const char *codes;
};

void ExpectCodes(const std::vector<StatementCase> &cases) {
    for (const auto &c : cases) EXPECT_EQ(Codes(c.statement), c.codes) << c.statement;
}

TEST(ParseStatement, MemoLinesOfParameterFaults) {
    EXPECT_EQ(ParserLines(WithStatement("stepto(5 deg 2 sec)")),
              Lines{E("Invalid numeric format for seconds (real)")});
    EXPECT_EQ(ParserLines(WithStatement("setrate(1024)")),
              (Lines{E("Missing parameter id (sec, hz, etc.)"),
                     E("SetRate must have a clock rate parameter (256, 512, 1024, or 2048 hz.)")}));
    EXPECT_EQ(ParserLines(WithStatement("setrate(1x2 hz)")),
              (Lines{E("Invalid numeric format for clock rate (integer)"),
                     E("Illegal clock rate: must be 256, 512, 1024, or 2048 ")}));
    EXPECT_EQ(ParserLines(WithStatement("\tstepto(1 deg)")), Lines{E("\"\tSTEPTO\" is an invalid function")});
    EXPECT_EQ(ParserLines(WithStatement("pulsebrake(1 b)")), Lines{E("Too many flag number parameters")});
    EXPECT_EQ(ParserLines(WithStatement("stepto(1 b)")),
              Lines{E("flag bit number parameters not recognized for this function")});
}

TEST(ParseStatement, NameAndParameterIdFaults) {
    ExpectCodes({
        {"stept(1 s)", "11 STEPT"},
        {"\t", "11 \t"},
        {"stepto(deg)", "12"},
        {"stepto(1 deg, 2 sec, 3)", "13"},
        {"stepto(10 x)", "14 X"},
        {"stepto(1E deg)", "14 E"},
    });
}

TEST(ParseStatement, FormatErrorsPerSlotThenRangeChecksOnZero) {
    ExpectCodes({
        {"sine(10 deg, 1.2.3 deg, 1 hz, 1 s)", "20"},
        {"setrate(512.0 hz)", "21, 31"},
        {"setrate(4294967808 hz)", "21, 31"}, // not cut to 16 bits: that would read 1024
        {"stepto(x1 deg)", "22"},
        {"stepto(1E39 deg)", "22"},
        {"sine(10 deg, 1 hz, 1-1 c)", "24, 104"},
        {"sine(10 deg, x1 hz, 1 c)", "25, 38"},
        {"setflag(x1 b, 5 %)", "61, 61"},
        {"setflag(1 b, 5- %)", "62"},
    });
}

TEST(ParseStatement, RoleWordsOfTooManyAndNotRecognized) {
    ExpectCodes({
        {"stepto(1 deg, 2 deg)", "51 amplitude"},
        {"sine(1 deg, 2 deg, 3 deg, 1 hz, 1 c)", "51 amplitude or phase angle"},
        {"wait(1 s, 2 s)", "51 time"},
        {"pulseflag(1 b, 1 s, 2 s, 3 s)", "51 time"},
        {"sinesweep(1 deg, 1 hz, 2 hz, 1 s, 2 s, 3 s)", "51 time"},
        {"waitforrollpeak(1 s, 2 s)", "51 time"},
        {"sine(1 deg, 1 hz, 1 c, 2 c)", "51 cycle"},
        {"setrate(512 hz, 1024 hz)", "51 frequency"},
        {"sine(1 deg, 1 hz, 2 hz, 1 c)", "51 frequency"},
        {"sinesweep(1 deg, 1 hz, 2 hz, 3 hz, 1 s)", "51 frequency"},
        {"setflag(1 b, 2 b)", "51 flag number"},
        {"waitforrollpeak(1 b)", "51 flag number"},
        {"setflag(1 b, 5 %, 6 p)", "51 flag value"},
        {"pulseflag(1 b, 50 %, 1 s)", "60 flag value percent"},
        // Parameters past the seventh are dropped: five surplus times are reported, the eighth is not read.
        {"stepto(1 deg, 1 s, 1 s, 1 s, 1 s, 1 s, 1 s, 1 x)", "51 time, 51 time, 51 time, 51 time, 51 time"},
    });
}

TEST(ValidateStatement, ChecksPerKind) {
    ExpectCodes({
        {"setrate(300 hz)", "31"},
        {"setrate(66560 hz)", "31"},
        {"setrate", "71"},
        {"setrate(2 s)", "71"},
        {"setflag(50 %)", "61"},
        {"setflag(9 b)", "61"},
        {"setflag(3 b, 300 %)", "62"},
        {"setflag(0 b, -1 %)", "61, 62"},
        {"pulseflag(1 s)", "61"},
        {"pulseflag(1 b, -1 s)", "63"},
        {"wait(-1 s)", "32"},
        {"stepto(1 deg, -1 s)", "33"},
        {"stepup(-200 deg, -1 s)", "41, 33"},
        {"stepto(150 deg)", "26"},
        {"rampto(5 deg, 0 sec)", "34"},
        {"rampup(5 deg)", "34"},
        {"rampto(150 deg, 1 s)", "26"},
        {"sine(1 deg, 1 hz, -1 s)", "35"},
        {"square(1 deg, 1 hz, -1 c)", "36"},
        {"triangle(1 deg, -1 hz, 1 c)", "37"},
        {"sine(10 deg)", "38, 104"},
        {"sine(10 deg, 1 hz)", "104"},
        {"sine(10 deg, 1 hz, 2 sec, 3 cycles)", "101"},
        {"sinesweep(1 deg, 1 hz, 2 hz, -1 s)", "35"},
        {"sinesweep(1 deg, -1 hz, -2 hz, 1 s)", "37"},
        {"sinesweep(1 deg, 1 s)", "40"},
        {"sinesweep(1 deg, 0 hz, 2 hz, 1 s)", ""},
        {"sinesweeplog(1 deg, 1 hz, 1 s)", "39"},
        {"sinesweep(1 deg, 1 hz, 2 hz)", "105"},
        {"sinesweeplog(1 deg, 1 hz, 2 hz, 0 s, 0 s)", "105"},
        {"sinesweep(1 deg, 1 hz, 2 hz, 0 s, 1 s)", ""},
        {"sinesweep(1 deg, 1 hz, 2 hz, 1 s, 3 c)", "106"},
        {"repeatprogram(-1 s)", ""},
    });
}

TEST(ParseStatement, LinesThatRaiseNothing) {
    for (const char *statement : {"wait(s)", "stepto(10 deg", "stepto(10 deg) junk", "     ",
                                  "; only a comment", "stepto(10 deg) ; x(", "wait(5 deg, 1 s)",
                                  "setcurrenthigh(0.5 s)", "setrate(+512 hz, 1 s)", "stepto(.5 deg, 1. s)"})
        EXPECT_EQ(Codes(statement), "") << statement;
}

TEST(InitialSteer, FirstNonzeroFirstDegreesMustBePositive) {
    EXPECT_EQ(ParserLines({"maxsteer(100 deg)", "begin", "stepto(-5 deg)", "end"}),
              Lines{E("Initial steer input must be positive")});
    EXPECT_EQ(ParserLines(
                  {"maxsteer(100 deg)", "begin", "stepto(0 deg)", "stepto(10 deg)", "stepto(-5 deg)", "end"}),
              Lines{});
    EXPECT_EQ(TestCompiler().InitialSteer, 10);
    // A malformed first value is skipped; the rule waits for the next readable one, in any function.
    EXPECT_EQ(ParserLines({"maxsteer(100 deg)", "begin", "stepto(x1 deg)", "wait(-3 deg)", "end"}),
              (Lines{E("Invalid numeric format for amplitude (real)"),
                     "Error in line 4: Initial steer input must be positive"}));
    EXPECT_EQ(TestCompiler().InitialSteer, -3);
    EXPECT_EQ(ParserLines({"maxsteer(100 deg)", "begin", "stepto(10 deg)", "stepto(-150 deg)", "end"}),
              Lines{"Error in line 4: Steer amplitude goes offscale (abs(steer) > maxsteer)"});
}

// ---- the whole text ----------------------------------------------------------------------------------

TEST(ParseProgram, HeaderFaultsGiveTheirMemoLinesAndSummary) {
    struct Case {
        Lines program;
        Lines memo;
    };
    const std::string end102 = "END not found - It will be added automatically";
    for (const Case &c : std::vector<Case>{
             {{},
              {"\"MaxSteer\" and \"Begin\" not found", "\"Begin\" not found", "Warning in line 1: " + end102,
               "", "2 Errors found - Aborting..."}},
             {{"junk", "more junk"},
              {"\"MaxSteer\" and \"Begin\" not found", "\"Begin\" not found", "Warning in line 3: " + end102,
               "", "2 Errors found - Aborting..."}},
             {{"begin", "end"},
              {"\"MaxSteer\" not found before \"Begin\"", "", "1 Error found - Aborting..."}},
             {{"maxsteer(100 deg)", "end"},
              {"\"Begin\" not found", "Warning in line 3: " + end102, "", "1 Error found - Aborting..."}},
             {{"maxsteer 100 deg", "begin", "end"},
              {"Error in line 1: Invalid MaxSteer syntax", "", "1 Error found - Aborting..."}},
             {{"maxsteer(100)", "begin", "end"},
              {"Error in line 1: Invalid MaxSteer syntax", "", "1 Error found - Aborting..."}},
             {{"x", "maxsteer(1x deg)", "begin", "end"},
              {"Error in line 2: Invalid numeric format for MaxSteer (real)", "",
               "1 Error found - Aborting..."}},
             {{"maxsteer(-50 deg)", "begin", "stepto(60 deg)", "end"},
              {"Error in line 1: MaxSteer must be positive",
               "Error in line 3: Steer amplitude goes offscale (abs(steer) > maxsteer)", "",
               "2 Errors found - Aborting..."}},
             {{"maxsteer(100 deg)", "begin", "stept", "repeatprogram", "bad(", "end", "worse(("},
              {"Error in line 3: \"STEPT\" is an invalid function",
               "Error in line 5: \"BAD\" is an invalid function", "", "2 Errors found - Aborting..."}},
         }) {
        EXPECT_FALSE(CompileProgram(TestCompiler(), c.program));
        EXPECT_EQ(TestCompiler().messageLines, c.memo) << (c.program.empty() ? "" : c.program[0]);
    }
}

TEST(ParseProgram, MaxSteerValues) {
    struct Case {
        Lines program;
        float maxSteer;
    };
    for (const Case &c : std::vector<Case>{
             {{"maxsteer(100 deg)", "begin"}, 100},
             {{"MaxSteer ( 2 5 d", "begin"}, 25},
             {{"maxsteer(0 deg)", "begin"}, 0},
             {{"maxsteer(-50 deg)", "begin"}, 50},
             {{"maxsteer(1e2d)junk", "begin"}, 100},
             {{"maxsteer(40 deg)", "maxsteer(60 deg)", "begin"}, 40},
             {{"maxsteer(1x deg)", "begin"}, 1000000},
             {{"maxsteering", "begin"}, 1000000},
             {{"begin"}, 1000000},
         }) {
        Parse(c.program);
        EXPECT_EQ(TestCompiler().MaxSteer, c.maxSteer) << c.program[0];
    }
    Parse({"maxsteer(50 deg)", "begin"});
    Parse({"nothing here"});
    EXPECT_EQ(TestCompiler().MaxSteer, 1000000); // nothing of the earlier text leaks into this one
}

TEST(ParseProgram, ExtraMaxSteerBeforeBeginWarnsWithItsOwnLine) {
    EXPECT_EQ(ParserLines({"maxsteer(40 deg)", "x", "MAXSTEER(60 deg)", "begin", "end"}),
              Lines{"Warning in line 3: Extra MaxSteer command found and IGNORED."});
    EXPECT_EQ(ParserLines({"maxsteer(40 deg)", "\tbegin", "begin", "end"}), Lines{});
}

// Every field of a statement but startTime, in one line.
std::string Describe(const ProgramStatement &s) {
    char text[200];
    std::snprintf(text, sizeof text, "%s k%d A%g S%g C%g H%g V%g X%g R%d B%d P%d M%03x L%d", s.name.c_str(),
                  static_cast<int>(s.kind), s.amplitude, s.duration, s.cycles, s.frequency, s.secondValue,
                  s.extraTime, s.clockRate, s.flagNumber, s.flagValue, s.givenMask, s.line);
    return text;
}

// The statements that one statement line on line 3 becomes, described.
Lines Statements(const std::string &statement) {
    const auto &list = Parse(WithStatement(statement));
    Lines result;
    for (const auto &s : list)
        if (s.line == 3) result.push_back(Describe(s));
    return result;
}

// Kind and line of every statement of a text.
std::string Outline(const Lines &program) {
    std::string result;
    for (const auto &s : Parse(program))
        result += (result.empty() ? "" : " ") + std::to_string(static_cast<int>(s.kind)) + "@" +
                  std::to_string(s.line);
    return result;
}

TEST(ParseProgram, StatementListAndLineNumbers) {
    struct Case {
        Lines program;
        const char *outline;
    };
    for (const Case &c : std::vector<Case>{
             {{"maxsteer(100 deg)", "begin", "", "end"}, "0@2 6@2 16@4"},
             {{"x", "maxsteer(100 deg)", "y", "begin", "wait(1 s)"}, "0@4 6@4 5@5 16@6"},
             {{"maxsteer(100 deg)", "begin", "repeatprogram", "stept", "END ; done", "junk(("},
              "0@2 6@2 15@3 255@4 16@5"},
             {{"maxsteer(100 deg)"}, "16@2"},
             {{}, "16@1"},
         })
        EXPECT_EQ(Outline(c.program), c.outline) << c.outline;
    const auto &list = Parse({"maxsteer(100 deg)", "begin", "", "end"});
    EXPECT_EQ(Describe(list[0]), "SETRATE k0 A0 S0 C0 H0 V0 X-1 R1024 B0 P0 M080 L2");
    EXPECT_EQ(Describe(list[1]), "STEPTO k6 A0 S0 C0 H0 V0 X-1 R1024 B0 P0 M001 L2");
    EXPECT_TRUE(TestCompiler().messages.empty());
    EXPECT_TRUE(CompileProgram(TestCompiler(), {"maxsteer(100 deg)", "begin", "", "end"}));
    EXPECT_EQ(ParserLines({"maxsteer(100 deg)", "begin", "wait(1 s)"}),
              Lines{"Warning in line 4: END not found - It will be added automatically"});
}

// The statement lines are where the parser reads them: its END statement (when the text has one)
// stands on the line after them.
TEST(StatementLines, BeginAndEndAsTheParserReadsThem) {
    struct Case {
        Lines program;
        std::size_t first, last;
    };
    for (const Case &c : std::vector<Case>{
             {{"maxsteer(100 deg)", "begin", "wait(1 sec)", "end"}, 2, 3},
             {{"end", "maxsteer(1 deg)", " Begin ; x", "a", "End ; done", "b", "end"}, 3, 4}, // the first END
             {{"maxsteer(1 deg)", "beginning", "ending", "end(2 sec)", "end"}, 2, 3}, // prefix; END(...)
             {{"maxsteer(1 deg)", "begin", "\tend", "wait(1 s)"},
              2,
              4},                                           // a tab is no blank: no END, to the last
             {{"maxsteer(1 deg)", "\tbegin", "end"}, 3, 3}, // nor begin: no statements
             {{}, 0, 0},
         }) {
        const LineRange range = StatementLines(c.program);
        EXPECT_EQ(range.first, c.first) << c.program.size();
        EXPECT_EQ(range.last, c.last) << c.program.size();
        const auto &statements = Parse(c.program);
        if (range.last < c.program.size()) {
            EXPECT_EQ(statements.back().line, static_cast<int>(range.last) + 1);
        }
    }
}

TEST(ParseStatement, SlotsPerFunctionFamily) {
    struct Case {
        const char *statement;
        Lines expected;
    };
    for (const Case &c : std::vector<Case>{
             {"sine(30 deg, 45 deg, 0.5 hz, 4 cycles, 2 s)",
              {"SINE k10 A30 S2 C4 H0.5 V45 X-1 R1024 B0 P0 M01f L3"}},
             {"sinesweeplog(10 deg, 1 hz, 5 hz, 2 s, 3 s)",
              {"SINESWEEPLOG k14 A10 S2 C0 H1 V5 X3 R1024 B0 P0 M03b L3"}},
             {"sinesweep(10 deg, 1 hz, 5 hz, 2 s)",
              {"SINESWEEP k13 A10 S2 C0 H1 V5 X-1 R1024 B0 P0 M01b L3"}},
             {"setrate(512 hz, 0.25 s)", {"SETRATE k0 A0 S0.25 C0 H0 V0 X-1 R512 B0 P0 M082 L3"}},
             {"setflag(3 bit, 50 %, 1 s)", {"SETFLAG k3 A0 S1 C0 H0 V0 X-1 R1024 B3 P50 M302 L3"}},
             // D, C and H are kept for any function
             {"wait(5 deg, 2 c, 3 hz, 1 s)", {"WAIT k5 A5 S1 C2 H3 V0 X-1 R1024 B0 P0 M00f L3"}},
             // a malformed number leaves 0 and still takes its slot
             {"stepto(x1 deg, 2 s)", {"STEPTO k6 A0 S2 C0 H0 V0 X-1 R1024 B0 P0 M003 L3"}},
             {"stepto(10 deg", {"STEPTO k6 A0 S0 C0 H0 V0 X-1 R1024 B0 P0 M000 L3"}},
             {"abcdefghijklmnopqrst(1 s)", {"ABCDEFGHIJKLMNO k255 A0 S0 C0 H0 V0 X-1 R1024 B0 P0 M000 L3"}},
             // pulse presets; without a pulse length the statement stays a pulse
             {"waitforrollpeak(0.5 s)", {"WAITFORROLLPEAK k4 A0 S0 C0 H0 V0.5 X-1 R1024 B1 P0 M112 L3"}},
             {"pulseflag(2 b)", {"PULSEFLAG k4 A0 S0 C0 H0 V0 X-1 R1024 B2 P0 M100 L3"}},
             // a pulse with a length becomes a SETFLAG to 100 after the delay and one to 0 after both
             {"pulseflag(2 b, 0.25 s, 1 s)",
              {"PULSEFLAG k3 A0 S1 C0 H0 V0 X-1 R1024 B2 P100 M112 L3",
               "PULSEFLAG k3 A0 S1.25 C0 H0 V0 X-1 R1024 B2 P0 M112 L3"}},
             {"pulsebrake(0.5 s)",
              {"PULSEBRAKE k3 A0 S0 C0 H0 V0 X-1 R1024 B8 P100 M102 L3",
               "PULSEBRAKE k3 A0 S0.5 C0 H0 V0 X-1 R1024 B8 P0 M102 L3"}},
         })
        EXPECT_EQ(Statements(c.statement), c.expected) << c.statement;
}

TEST(ParseProgram, RecompileStartsFromAnEmptyList) {
    Parse(WithStatement("wait(1 s)"));
    const auto &list = Parse(WithStatement("wait(2 s)"));
    ASSERT_EQ(list.size(), 4u);
    EXPECT_EQ(list[2].duration, 2);
    EXPECT_TRUE(TestCompiler().events.empty());
    EXPECT_TRUE(TestCompiler().segments.empty());
}

} // namespace
