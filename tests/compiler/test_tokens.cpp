// Editor tokens: the classes of each span, the line places, agreement with the parser, message lines.
#include "compiler/compile_text.h"
#include "compiler/messages.h"
#include "compiler/parse.h"
#include "compiler/state.h"
#include "compiler/tokens.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace {

using Lines = std::vector<std::string>;

const char *ClassName(TokenClass kind) {
    switch (kind) {
    case TokenClass::Function:
        return "F";
    case TokenClass::UnknownFunction:
        return "X";
    case TokenClass::MaxSteer:
        return "M";
    case TokenClass::ExtraMaxSteer:
        return "XM";
    case TokenClass::Begin:
        return "B";
    case TokenClass::End:
        return "E";
    case TokenClass::Number:
        return "N";
    case TokenClass::Unit:
        return "U";
    case TokenClass::Punctuation:
        return "P";
    case TokenClass::Comment:
        return "C";
    case TokenClass::Ignored:
        return "I";
    case TokenClass::Invalid:
        return "!";
    }
    return "?";
}

// The tokens as "class:text" over the typed line, blank-separated, e.g. "F:stepto P:( N:10 U:deg P:)".
std::string Render(const std::string &line, const std::vector<Token> &tokens) {
    std::string result;
    int last = 0;
    for (const Token &t : tokens) {
        EXPECT_GE(t.start, last) << "tokens overlap or are out of order in: " << line;
        EXPECT_GT(t.length, 0);
        last = t.start + t.length;
        if (!result.empty()) result += ' ';
        result += ClassName(t.kind);
        result += ':' + line.substr(std::size_t(t.start), std::size_t(t.length));
    }
    EXPECT_LE(last, int(line.size()));
    return result;
}

std::string Render(const std::string &line, LinePlace place) {
    return Render(line, TokenizeLine(line, place).tokens);
}

struct Case {
    const char *line;
    const char *tokens;
};

TEST(TokenizeLine, StatementLinesByClass) {
    const Case cases[] = {
        {"stepto(10 deg, 1 sec)", "F:stepto P:( N:10 U:deg P:, N:1 U:sec P:)"},
        {"  Ramp To ( -20 DEG , 2s ) ; back", "F:Ramp To P:( N:-20 U:DEG P:, N:2 U:s P:) C:; back"},
        {"sine(30 deg, 0.5 hz, 4 cycles)", "F:sine P:( N:30 U:deg P:, N:0.5 U:hz P:, N:4 U:cycles P:)"},
        {"setflag(3 bit, 50 %)", "F:setflag P:( N:3 U:bit P:, N:50 U:% P:)"},
        {"rampto(1E3d,.5s)", "F:rampto P:( N:1E3 U:d P:, N:.5 U:s P:)"},
        {"wait", "F:wait"},
        {"end", "E:end"},
        {"END (2 s)", "E:END P:( N:2 U:s P:)"},
        {"stepit(10 deg)", "X:stepit P:( N:10 U:deg P:)"},
        {"\tstepto(10 deg)", "X:\tstepto P:( N:10 U:deg P:)"},
        {"\t", "X:\t"},
        {"(10 deg)", "X:( N:10 U:deg P:)"},
        {"   ", ""},
        {"; only a comment", "C:; only a comment"},
        // Text that the parser never reads.
        {"stepto(10 deg", "F:stepto P:( I:10 deg"},
        {"wait(s)", "F:wait P:( I:s)"},
        {"stepto(10 deg) junk", "F:stepto P:( N:10 U:deg P:) I:junk"},
        {"wait(1s,,2s)", "F:wait P:( N:1 U:s P:, P:, N:2 U:s P:)"},
        {"wait(1s,2s,3s,4s,5s,6s,7s,8s)",
         "F:wait P:( N:1 U:s P:, N:2 U:s P:, N:3 U:s P:, N:4 U:s P:, N:5 U:s P:, N:6 U:s P:, N:7 U:s P:, "
         "I:8s P:)"},
        // Parameters the parser rejects.
        {"wait(sec)", "F:wait P:( !:sec P:)"},                       // 12
        {"setrate(1024)", "F:setrate P:( !:1024 P:)"},               // 13
        {"stepto(10 x)", "F:stepto P:( N:10 !:x P:)"},               // 14
        {"stepto(5 deg 2 sec)", "F:stepto P:( !:5 deg 2 U:sec P:)"}, // 23
        {"setrate(1.5 hz)", "F:setrate P:( !:1.5 U:hz P:)"},         // 21: an integer
        {"sine(1.5 hz, 1 s)", "F:sine P:( N:1.5 U:hz P:, N:1 U:s P:)"},
        {"stepto(10\tdeg)", "F:stepto P:( N:10 !:\tdeg P:)"},                   // 14
        {"setflag(2.5 b, 1e2 %)", "F:setflag P:( !:2.5 U:b P:, !:1e2 U:% P:)"}, // 61, 62: integers
    };
    for (const Case &c : cases) EXPECT_EQ(Render(c.line, LinePlace::Statements), c.tokens) << c.line;
}

TEST(TokenizeLine, HeaderGapAndTrailingLines) {
    struct PlaceCase {
        LinePlace place;
        const char *line;
        const char *tokens;
        LinePlace next;
    };
    const PlaceCase cases[] = {
        {LinePlace::Header, "Program 3: lane change ; v1", "I:Program 3: lane change C:; v1",
         LinePlace::Header},
        {LinePlace::Header, "maxsteer(100 deg)", "M:maxsteer P:( N:100 U:deg P:)", LinePlace::Gap},
        {LinePlace::Header, "Max Steer (-2.5e1 D) ; x", "M:Max Steer P:( N:-2.5e1 U:D P:) C:; x",
         LinePlace::Gap},
        {LinePlace::Header, "maxsteer(100 deg", "M:maxsteer P:( N:100 U:deg", LinePlace::Gap},
        {LinePlace::Header, "maxsteer 100 deg", "M:maxsteer !:100 deg", LinePlace::Gap},            // 27
        {LinePlace::Header, "maxsteering(100 deg)", "M:maxsteer !:ing(100 deg)", LinePlace::Gap},   // 27
        {LinePlace::Header, "maxsteer(1x0 deg)", "M:maxsteer P:( !:1x0 !:deg P:)", LinePlace::Gap}, // 28
        {LinePlace::Header, "maxsteer(deg)", "M:maxsteer P:( !:deg P:)", LinePlace::Gap},           // 28
        {LinePlace::Header, "b e g i n", "B:b e g i n", LinePlace::Statements},
        {LinePlace::Header, "beginning;go", "B:begin I:ning C:;go", LinePlace::Statements},
        {LinePlace::Header, "\tbegin", "I:\tbegin", LinePlace::Header},
        {LinePlace::Gap, "maxsteer(50 deg)", "XM:maxsteer I:(50 deg)", LinePlace::Gap},
        {LinePlace::Gap, "stepto(10 deg)", "I:stepto(10 deg)", LinePlace::Gap},
        {LinePlace::Gap, "Begin", "B:Begin", LinePlace::Statements},
        {LinePlace::Statements, "begin", "X:begin", LinePlace::Statements},
        {LinePlace::Statements, "end ; done", "E:end C:; done", LinePlace::Trailing},
        {LinePlace::Trailing, "stepto(10 deg) ; late", "I:stepto(10 deg) C:; late", LinePlace::Trailing},
        {LinePlace::Trailing, "begin", "I:begin", LinePlace::Trailing},
    };
    for (const PlaceCase &c : cases) {
        LineTokens result = TokenizeLine(c.line, c.place);
        EXPECT_EQ(Render(c.line, result.tokens), c.tokens) << c.line;
        EXPECT_EQ(result.next, c.next) << c.line;
    }
}

TEST(TokenizeLine, OnlyTheFirst100CharactersAreRead) {
    // The cut falls before blanks are stripped: the 100 characters count the blanks too.
    const std::string line = "wait(1s)" + std::string(90, ' ') + ";c" + "stepto";
    EXPECT_EQ(Render(line, LinePlace::Statements), "F:wait P:( N:1 U:s P:) C:;c I:stepto");
    const std::string longName = std::string(99, 'a') + "bc";
    auto tokens = TokenizeLine(longName, LinePlace::Statements).tokens;
    EXPECT_EQ(tokens,
              (std::vector<Token>{{0, 100, TokenClass::UnknownFunction}, {100, 1, TokenClass::Ignored}}));
}

TEST(TokenizeProgram, FollowsThePlacesFromHeaderToTrailingLines) {
    const Lines program = {
        "Lane change", "maxsteer(100 deg)", "maxsteer(5 deg)", "note", "begin", "", "stepto(10 deg)",
        "end",         "stepto(oops)"};
    const std::vector<std::string> expected = {"I:Lane change",
                                               "M:maxsteer P:( N:100 U:deg P:)",
                                               "XM:maxsteer I:(5 deg)",
                                               "I:note",
                                               "B:begin",
                                               "",
                                               "F:stepto P:( N:10 U:deg P:)",
                                               "E:end",
                                               "I:stepto(oops)"};
    auto tokens = TokenizeProgram(program);
    ASSERT_EQ(tokens.size(), program.size());
    for (std::size_t i = 0; i < program.size(); ++i) EXPECT_EQ(Render(program[i], tokens[i]), expected[i]);
}

// The tokens mark a line exactly when the parser raises the matching errors for it.
TEST(TokenizeProgram, MarksAgreeWithTheParsersMessages) {
    const Lines program = {"maxsteer(100 deg)",
                           "begin",
                           "stepto(10 deg, 1 sec)",
                           "stepit(1 s)", // 11
                           "\twait(1 s)", // 11
                           "wait(sec)",   // 12
                           "setrate(1024)",
                           "stepto(10 x)",
                           "setrate(1.5 hz)",
                           "sine(1 hz, 2 c)",
                           "(1 s)", // 11
                           "\t",    // 11
                           "rampto(1e99 d, 1 s)",
                           "; fine",
                           "sweep", // 11
                           "end",
                           "nothing(1 x)"};
    ClearMessages(TestCompiler());
    ParseProgram(TestCompiler(), program);
    std::set<int> unknownLines, invalidLines;
    const std::set<int> parameterErrors = {12, 13, 14, 20, 21, 22, 23, 24, 25, 27, 28};
    for (const auto &m : TestCompiler().messages) {
        if (m.code == 11) unknownLines.insert(m.line);
        if (parameterErrors.count(m.code)) invalidLines.insert(m.line);
    }
    std::set<int> markedUnknown, markedInvalid;
    auto tokens = TokenizeProgram(program);
    for (std::size_t i = 0; i < tokens.size(); ++i) {
        for (const Token &t : tokens[i]) {
            if (t.kind == TokenClass::UnknownFunction) markedUnknown.insert(int(i) + 1);
            if (t.kind == TokenClass::Invalid) markedInvalid.insert(int(i) + 1);
        }
    }
    EXPECT_EQ(markedUnknown, unknownLines);
    EXPECT_EQ(markedInvalid, invalidLines);
    EXPECT_EQ(unknownLines, (std::set<int>{4, 5, 11, 12, 15}));
    EXPECT_EQ(invalidLines, (std::set<int>{6, 7, 8, 9, 13}));
}

TEST(MessageLineNumber, ReadsTheLineOfEachPrefix) {
    const std::pair<const char *, int> cases[] = {
        {"Error in line 7: Missing parameter id (sec, hz, etc.)", 7},
        {"Warning in line 12: Cycle count supercedes time length if both are >0", 12},
        {"Error in line 65537: \"X\" is an invalid function", 65537},
        {"7Error or warning with no message assigned", 7},
        {"Error in sine function: Steer amplitude goes offscale (abs(steer) > maxsteer)", 0},
        {"Compiled OK - program length: t= 16.000 seconds", 0},
        {"\"MaxSteer\" not found before \"Begin\"", 0},
        {"2 Errors found - Aborting...", 0},
        {"1 Error found - Aborting...", 0},
        {"", 0},
        {"Error in line : x", 0},
        {"Error in line 99999999999: x", 0},
    };
    for (const auto &[line, number] : cases) EXPECT_EQ(MessageLineNumber(line), number) << line;
}

TEST(MessageLineNumber, ReadsBackTheMessagesOfACompile) {
    ClearMessages(TestCompiler());
    ParseProgram(TestCompiler(),
                 {"maxsteer(100 deg)", "begin", "wait(1 x)", "setrate(300 hz)", "sine(1 hz, 1 s, 1 c)"});
    std::vector<int> lines;
    for (const auto &text : ShowMessages(TestCompiler())) lines.push_back(MessageLineNumber(text));
    // Error 14, error 31, warning 101, warning 102 (one past the last line), then the summary.
    EXPECT_EQ(lines, (std::vector<int>{3, 4, 5, 6, 0, 0}));
}

} // namespace
