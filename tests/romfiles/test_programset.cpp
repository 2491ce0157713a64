// The program-set file: writing, the reading rules and round trips.
#include "files/fileio.h"
#include "files/tempdir.h"
#include "romfiles/programset.h"

#include <gtest/gtest.h>

using Lines = std::vector<std::string>;

namespace {

// A file of the given marker and text lines, every line ended by CR LF.
ProgramSet Parse(const Lines &lines) { return ParseProgramSet(SplitLines(JoinLinesCrLf(lines))); }

} // namespace

TEST(ProgramSetBytes, DefaultSetIsEightyLinesWithMarkers) {
    std::string bytes = ProgramSetBytes(DefaultProgramSet());
    Lines lines = SplitLines(bytes);
    ASSERT_EQ(lines.size(), 80u);
    EXPECT_EQ(bytes.substr(0, 47), "$$~PROG00\r\nmaxsteer(100 deg)\r\nbegin\r\n\r\nend\r\n$$~");
    EXPECT_EQ(lines[75], "$$~PROG15");
    EXPECT_EQ(bytes.substr(bytes.size() - 5), "end\r\n");
}

TEST(ProgramSetBytes, EmptyProgramIsItsMarkerAlone) {
    ProgramSet set = DefaultProgramSet();
    set[0].clear();
    EXPECT_EQ(ProgramSetBytes(set).substr(0, 22), "$$~PROG00\r\n$$~PROG01\r\n");
}

TEST(ParseProgramSet, RoundTripKeepsEmptyLinesBlanksAndEmptyPrograms) {
    ProgramSet set = DefaultProgramSet();
    set[1] = {"  maxsteer(50 deg) ", "", "begin", "end", "", ""};
    set[2] = {};
    set[7] = {"\xE9\xFF latin-1", "\t"};
    set[15] = {"end", ""};
    EXPECT_EQ(ParseProgramSet(SplitLines(ProgramSetBytes(set))), set);
}

// The lines in front of the first marker go back where they were, as read (LF or CR LF, blanks).
TEST(ParseProgramSet, PreambleIsKeptAsReadAndWrittenFirst) {
    const std::string bytes =
        "Set for track day 12, driver B\n  \r\n$$~prog is text\r\n" + ProgramSetBytes(DefaultProgramSet());
    const Lines preamble = SetPreamble(bytes);
    EXPECT_EQ(preamble, (Lines{"Set for track day 12, driver B", "  ", "$$~prog is text"}));
    const std::string written = ProgramSetBytes(ParseProgramSetBytes(bytes), preamble);
    EXPECT_EQ(written.substr(0, 62), "Set for track day 12, driver B\r\n  \r\n$$~prog is text\r\n$$~PROG00");
    EXPECT_EQ(SetPreamble(written), preamble);
    EXPECT_EQ(ParseProgramSetBytes(written), DefaultProgramSet());
    EXPECT_EQ(SetPreamble("no marker\r\n"), Lines{});
}

TEST(ParseProgramSet, EmptyProgram15ReadsAsOneEmptyLine) {
    ProgramSet set = DefaultProgramSet();
    set[15] = {};
    EXPECT_EQ(ParseProgramSet(SplitLines(ProgramSetBytes(set)))[15], Lines{""});
}

TEST(ParseProgramSet, MarkersMatchOnTheirFirstSevenCharactersOnly) {
    ProgramSet set =
        Parse({"preamble", "$$~prog00 is text", "$$~PROG99", "a", "$$~PROGxyz", "b", "$$~PROG", "c"});
    EXPECT_EQ(set[0], (Lines{"a"}));
    EXPECT_EQ(set[1], (Lines{"b"}));
    EXPECT_EQ(set[2], (Lines{"c"}));
    for (int k = 3; k < 16; ++k) EXPECT_EQ(set[k], Lines{""}) << k;
}

TEST(ParseProgramSet, LineBeginningWithMarkerShiftsTheFollowingPrograms) {
    ProgramSet set = DefaultProgramSet();
    set[3] = {"begin", "$$~PROG-looking text", "end"};
    ProgramSet read = ParseProgramSet(SplitLines(ProgramSetBytes(set)));
    EXPECT_EQ(read[3], Lines{"begin"});
    EXPECT_EQ(read[4], Lines{"end"});
    EXPECT_EQ(read[5], DefaultProgram());  // the saved program 4
    EXPECT_EQ(read[15], DefaultProgram()); // the saved program 14; program 15 is past the 17th marker
}

TEST(ParseProgramSet, FewerMarkersLeaveOneEmptyLinePerMissingProgram) {
    Lines lines;
    for (int k = 0; k < 10; ++k) lines.insert(lines.end(), {ProgramMarker(k), "p" + std::to_string(k)});
    ProgramSet set = Parse(lines);
    EXPECT_EQ(set[9], Lines{"p9"});
    for (int k = 10; k < 16; ++k) EXPECT_EQ(set[k], Lines{""}) << k;
}

TEST(ParseProgramSet, LoneLfLineEndsAreRead) {
    ProgramSet set = ParseProgramSet(SplitLines("$$~PROG00\nbegin\n\nend\n$$~PROG01\nx"));
    EXPECT_EQ(set[0], (Lines{"begin", "", "end"}));
    EXPECT_EQ(set[1], Lines{"x"});
}

TEST(ParseProgramSet, WrongFileFormatWithoutAMarkerOrWithTheFirstMarkerLast) {
    for (const Lines &lines :
         {Lines{}, Lines{"maxsteer(100 deg)", "begin", "end"}, Lines{"text", "$$~PROG00"}}) {
        try {
            Parse(lines);
            FAIL() << "accepted";
        } catch (const FormatError &e) {
            EXPECT_STREQ(e.what(), "Wrong file format!");
        }
    }
    EXPECT_EQ(Parse({"$$~PROG00", "$$~PROG01"})[0], Lines{}); // a marker after it is enough
}

TEST(ProgramSetFile, WriteThenReadGivesTheSameSet) {
    TempDir dir;
    ProgramSet set = DefaultProgramSet();
    set[4] = {"maxsteer(30 deg)", "begin", "wait(1s)", "end"};
    WriteProgramSet(dir / "set.rom", set);
    EXPECT_EQ(ReadFileBytes(dir / "set.rom"), ProgramSetBytes(set));
    EXPECT_EQ(ReadProgramSet(dir / "set.rom"), set);
    EXPECT_THROW(ReadProgramSet(dir / "missing.rom"), FileError);
}

// Replacing one program keeps every other byte of the file, whatever its layout; the set read back
// differs in that program only.
TEST(ReplaceProgramBytes, KeepsEveryOtherByteOfOddLayouts) {
    const ProgramText program{"maxsteer(50 deg)", "begin", "wait(1 sec)", "end"};
    struct Case {
        const char *name;
        std::string before;
        int k;
        std::string after;
    };
    const std::string full = ProgramSetBytes(DefaultProgramSet());
    const std::string lf = "$$~PROG00\nbegin\n$$~PROG01\nend\n";
    const std::vector<Case> cases{
        {"preamble and a 17th marker", "notes\r\n" + full + "$$~PROG16\r\nkept\r\n", 15,
         "notes\r\n" + full.substr(0, full.rfind("$$~PROG15") + 11) + JoinLinesCrLf(program) +
             "$$~PROG16\r\nkept\r\n"},
        {"lone LF", lf, 0, "$$~PROG00\n" + JoinLinesCrLf(program) + "$$~PROG01\nend\n"},
        {"marker last, no line break", "$$~PROG00\r\nx\r\n$$~PROG01", 1,
         "$$~PROG00\r\nx\r\n$$~PROG01\r\n" + JoinLinesCrLf(program)},
        {"fewer markers", "$$~PROG00\r\nx", 2,
         "$$~PROG00\r\nx\r\n$$~PROG01\r\n\r\n$$~PROG02\r\n" + JoinLinesCrLf(program)},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const std::string replaced = ReplaceProgramBytes(c.before, c.k, program);
        EXPECT_EQ(replaced, c.after);
        ProgramSet expected = ParseProgramSetBytes(c.before);
        expected[static_cast<std::size_t>(c.k)] = program;
        EXPECT_EQ(ParseProgramSetBytes(replaced), expected);
    }
    EXPECT_THROW(ReplaceProgramBytes("no marker\r\n", 0, program), FormatError);
    EXPECT_THROW(ReplaceProgramBytes(full, 3, {"begin", "$$~PROG04", "end"}), FormatError);
}
