// Text the compiler reads as nothing: found where it stands, said once, and never where a message
// already speaks or where nothing is ignored.
#include "compiler/compile.h"
#include "compiler/ignored.h"
#include "romfiles/programset.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace {

using Lines = std::vector<std::string>;

Lines WithStatement(const std::string &statement) { return {"maxsteer(100 deg)", "begin", statement, "end"}; }

// The lines of the findings of one statement on line 3.
Lines Found(const std::string &statement) {
    Lines lines;
    for (const IgnoredText &ignored : FindIgnoredText(WithStatement(statement)))
        lines.push_back(IgnoredTextLine(ignored));
    return lines;
}

} // namespace

TEST(IgnoredText, NamesWhatIsIgnoredAndWhy) {
    const struct {
        const char *statement;
        Lines found;
    } cases[] = {
        {"wait(5)", {"Line 3: \"5\" is ignored: a list of one character is not read"}},
        {"stepto(5) ; no unit", {"Line 3: \"5\" is ignored: a list of one character is not read"}},
        {"stepto(10 deg",
         {"Line 3: \"10 deg\" is ignored: no \")\" closes the list, so no parameter is read"}},
        {"stepto(10 deg, 2 sec) 3 sec", {"Line 3: \"3 sec\" is ignored: text after the \")\" is not read"}},
        {"wait(1 sec, 5 hz)", {"Line 3: \"5 hz\" is ignored: WAIT takes no frequency"}},
        {"rampto(20 deg, 2 sec, 3 cycles)", {"Line 3: \"3 cycles\" is ignored: RAMPTO takes no cycle count"}},
        {"setflag(3 b, 50 %, 10 deg)", {"Line 3: \"10 deg\" is ignored: SETFLAG takes no angle"}},
        {"w a i t (2) x",
         {"Line 3: \"2\" is ignored: a list of one character is not read",
          "Line 3: \"x\" is ignored: text after the \")\" is not read"}},
        // Nothing ignored, or a message of the compiler's own already says it.
        {"stepto(10 deg, 2 sec) ; a comment", {}},
        {"sine(10 deg, 1 hz, 2 cycles, 90 deg)", {}},
        {"wait()", {}},
        {"setrate(1024)", {}},                                   // error 13
        {"wait(1 sec, 5 x)", {}},                                // error 14
        {"wait(1 sec, 5q7 hz)", {}},                             // error 25
        {"frob(5)", {}},                                         // error 11
        {"sinesweep(10 deg, 1 hz, 5 hz, 10 sec, 2 cycles)", {}}, // warning 106
    };
    for (const auto &c : cases) EXPECT_EQ(Found(c.statement), c.found) << c.statement;
}

TEST(IgnoredText, SpansTheTypedCharactersOfOnlyTheStatementSection) {
    const Lines program{"stepto(5)",     "maxsteer(100 deg)", "wait(5)", "begin",  "  wait( 1 sec , 5 hz ) ",
                        "repeatprogram", "stepto(10 deg)",    "end(2)",  "wait(5)"};
    const std::vector<IgnoredText> found = FindIgnoredText(program);
    ASSERT_EQ(found.size(), 3u);
    EXPECT_EQ(found[0].line, 5);
    EXPECT_EQ(program[4].substr(found[0].start, found[0].length), "5 hz");
    EXPECT_EQ(found[1].line, 7);
    EXPECT_EQ(found[1].why, "nothing after REPEATPROGRAM takes effect");
    EXPECT_EQ(found[1].what, "stepto(10 deg)");
    EXPECT_EQ(found[2].line, 8);
    EXPECT_EQ(found[2].why, "END reads no parameters");
}

// The compile keeps the language's meaning and says nothing: stored sets rely on it.
TEST(IgnoredText, LeavesTheCompileAsItWas) {
    CompilerState state;
    ASSERT_TRUE(CompileProgram(state, WithStatement("stepto(10 deg"), {}));
    EXPECT_EQ(state.WarningCount, 0);
    EXPECT_EQ(state.steps[2000].steer, 0.0f);
}

TEST(IgnoredText, FindsNothingInTheExamples) {
    std::ifstream file(QUILLARD_EXAMPLES "/manoeuvres.rom", std::ios::binary);
    std::stringstream bytes;
    bytes << file.rdbuf();
    const ProgramSet set = ParseProgramSetBytes(bytes.str());
    for (int k = 0; k < ProgramCount; ++k) EXPECT_TRUE(FindIgnoredText(set[k]).empty()) << "program " << k;
}
