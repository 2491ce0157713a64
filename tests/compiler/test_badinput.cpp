// Bad program text: garbage, NUL bytes, megabyte lines, non-Latin-1 bytes and very long programs
// compile into messages that name the right lines, never into a crash.
#include "compiler/compile.h"
#include "compiler/compile_text.h"
#include "compiler/state.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <random>

using Lines = std::vector<std::string>;

namespace {

// Lines of random bytes, split at LF as a file reader would.
Lines GarbageLines(std::size_t size, unsigned seed) {
    std::mt19937 random(seed);
    Lines lines(1);
    for (std::size_t i = 0; i < size; ++i) {
        const char c = static_cast<char>(random() & 0xFF);
        if (c == '\n')
            lines.emplace_back();
        else
            lines.back() += c;
    }
    return lines;
}

Lines Program(const Lines &body) {
    Lines lines{"maxsteer(100 deg)", "begin"};
    lines.insert(lines.end(), body.begin(), body.end());
    lines.push_back("end");
    return lines;
}

Lines Messages(const Lines &lines) {
    CompileProgram(TestCompiler(), lines);
    return TestCompiler().messageLines;
}

} // namespace

TEST(BadProgramText, BinaryGarbageGivesMessagesOfBoundedLength) {
    for (unsigned seed = 1; seed <= 20; ++seed) {
        const Lines garbage = GarbageLines(1 << 16, seed);
        for (const Lines &lines : {garbage, Program(garbage)}) {
            CompileProgram(TestCompiler(), lines);
            const CompilerState &state = TestCompiler();
            // The message lines are the messages, and with errors an empty line and the summary.
            EXPECT_EQ(state.messageLines.size(), state.messages.size() + (state.ErrorCount > 0 ? 2 : 0))
                << "seed " << seed;
            for (const std::string &line : state.messageLines)
                EXPECT_LE(line.size(), 160u) << "seed " << seed;
        }
    }
}

TEST(BadProgramText, NulBytesAreCharactersOfTheLine) {
    using namespace std::string_literals;
    EXPECT_EQ(
        Messages(Program({"wait(1 s)\0tail"s, "\0wait(1 s)"s, "stepto(1\0 deg)"s})),
        (Lines{"Error in line 4: \"\0WAIT\" is an invalid function"s,
               "Error in line 5: \"\0\" is an invalid parameter id"s, "", "2 Errors found - Aborting..."}));
}

TEST(BadProgramText, OnlyTheFirstHundredCharactersOfAMegabyteLineCount) {
    EXPECT_TRUE(CompileProgram(TestCompiler(), Program({"wait(1 s)" + std::string(1 << 20, ' ') + "junk"})));
    EXPECT_EQ(Messages(Program({std::string(1 << 20, 'x')})),
              (Lines{"Error in line 3: \"" + std::string(80, 'X') + "\" is an invalid function", "",
                     "1 Error found - Aborting..."}));
}

TEST(BadProgramText, Utf8BytesAreLatin1CharactersAndOnlyATozAreRaised) {
    EXPECT_TRUE(
        CompileProgram(TestCompiler(),
                       Program({"; Lenkwinkel f\xC3\xBCr die Kurve \xE2\x80\x94 \xE8\xA7\x92\xE5\xBA\xA6"})));
    EXPECT_EQ(Messages(Program({"st\xC3\xABpto(1 deg)"})),
              (Lines{"Error in line 3: \"ST\xC3\xABPTO\" is an invalid function", "",
                     "1 Error found - Aborting..."}));
}

TEST(LongProgram, HundredThousandLinesCompileAndNameTheirLinesExactly) {
    // Line n (from 1) of a 100000-line program: statements, comments and blank lines up to the end line.
    const Lines body{"stepto(10 deg, 0.0001 s)", "; comment", "setflag(2 b, 50 %)", "",
                     "rampto(0 deg, 0.0002 s)"};
    Lines lines{"maxsteer(100 deg)", "begin"};
    while (lines.size() < 99999) lines.push_back(body[lines.size() % body.size()]);
    lines.push_back("end");

    const auto start = std::chrono::steady_clock::now();
    const bool ok = CompileProgram(TestCompiler(), lines);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("compile of %zu lines: %.3f s\n", lines.size(), seconds);
    RecordProperty("compile_seconds", std::to_string(seconds));
    EXPECT_TRUE(ok);
    ASSERT_EQ(TestCompiler().messageLines.size(), 1u);
    EXPECT_EQ(TestCompiler().messageLines[0].rfind("Compiled OK - program length: t=", 0), 0u);

    // Line numbers past 65536 are named as they are.
    lines[65536] = lines[99998] = "stpto(1 deg)";
    EXPECT_EQ(Messages(lines), (Lines{"Error in line 65537: \"STPTO\" is an invalid function",
                                      "Error in line 99999: \"STPTO\" is an invalid function", "",
                                      "2 Errors found - Aborting..."}));
    for (std::size_t i = 2; i + 1 < lines.size(); ++i) lines[i] = "stpto(1 deg)";
    const Lines messages = Messages(lines);
    ASSERT_EQ(messages.size(), 99997u + 2);
    EXPECT_EQ(messages[99996], "Error in line 99999: \"STPTO\" is an invalid function");
    EXPECT_EQ(messages.back(), "99997 Errors found - Aborting...");
}
