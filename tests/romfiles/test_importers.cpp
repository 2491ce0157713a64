// Import: the four importers and the insertion of lines at the caret.
#include "files/fileio.h"
#include "files/tempdir.h"
#include "romfiles/importers.h"

#include <gtest/gtest.h>

using Lines = std::vector<std::string>;

namespace {

const ImportOptions Replace{ImportMode::Replace, 256, 0, 200};
const ImportOptions Insert{ImportMode::Insert, 256, 0, 200};

std::string FailureOf(const std::function<void()> &import) {
    try {
        import();
    } catch (const std::exception &e) {
        return e.what();
    }
    return "no failure";
}

// An EPROM file: slots of the given words, little-endian.
std::string Words(const std::vector<std::pair<int, std::uint16_t>> &runs) {
    std::string bytes;
    for (const auto &[count, word] : runs)
        for (int i = 0; i < count; ++i) {
            bytes += static_cast<char>(word & 0xFF);
            bytes += static_cast<char>(word >> 8);
        }
    return bytes;
}

ImportOptions Slot(ImportMode mode, int program, int maxSteer = 200) {
    return {mode, 256, program, maxSteer};
}

} // namespace

TEST(TimeValueImport, WorkedExample) {
    EXPECT_EQ(TimeValueLines({"0 0", "1 10", "2 10", "3 10", "4 0"}, Replace),
              (Lines{"maxsteer(200.000 deg)", "begin", "setrate(256 hz)", "stepto(0.000d)",
                     "rampto(10.000d,1.0000s)", "wait(2.0000s)", "rampto(0.000d,1.0000s)", "end"}));
}

TEST(TimeValueImport, PointsToStatements) {
    struct Case {
        Lines file;
        Lines lines;
    };
    const Case cases[] = {
        {{"0 5"}, {"stepto(5.000d)"}},
        {{"2.5 -10"}, {"rampto(-10.000d,2.5000s)"}},
        {{"0 0", "1 0", "2 0"}, {"stepto(0.000d)", "wait(2.0000s)"}},
        {{"0 0", "1 5", "1 7", "3 9"},
         {"stepto(0.000d)", "rampto(5.000d,1.0000s)", "rampto(9.000d,2.0000s)"}},
        {{"", "0\t1", "  ", "0.5e1 +2.5E0 trailing text", "", ""},
         {"stepto(1.000d)", "rampto(2.500d,5.0000s)"}},
        {{"1. .5", "2 .5", "3 1"}, {"rampto(0.500d,1.0000s)", "wait(1.0000s)", "rampto(1.000d,1.0000s)"}},
    };
    for (const auto &c : cases) EXPECT_EQ(TimeValueLines(c.file, Insert), c.lines) << c.file[0];
    EXPECT_EQ(TimeValueLines({"0 5"}, {ImportMode::Replace, 2048, 0, 30}),
              (Lines{"maxsteer(30.000 deg)", "begin", "setrate(2048 hz)", "stepto(5.000d)", "end"}));
}

TEST(TimeValueImport, MalformedFilesFailWhole) {
    EXPECT_EQ(FailureOf([] { TimeValueLines({}, Replace); }), "File holds no time and value points");
    EXPECT_EQ(FailureOf([] { TimeValueLines({"", " \t"}, Replace); }), "File holds no time and value points");
    EXPECT_EQ(FailureOf([] { TimeValueLines({"0 0", "1"}, Replace); }), "Line 2 holds a single number");
    for (const Lines &file : {Lines{"0,1 2"}, Lines{"0 x"}, Lines{"0 1e"}, Lines{". 1"}, Lines{"0 0x10"},
                              Lines{"0 inf"}, Lines{"0 1e999"}, Lines{"0 1,5"}, Lines{"0 1e39"}})
        EXPECT_THROW(TimeValueLines(file, Replace), FormatError) << file[0];
    // Numbers beyond a float: the program could not read them, and their differences overflow.
    EXPECT_EQ(FailureOf([] {
                  TimeValueLines({"-1e308 0", "1e308 1"}, Replace);
              }),
              "Invalid number \"-1e308\" on line 1");
    EXPECT_EQ(TimeValueLines({"-3e38 0", "3e38 1"}, Insert).back().find("inf"), std::string::npos);
}

TEST(ProgramSetImport, CaseInsensitiveMarkerAndEndAtDollarDollarTilde) {
    const Lines file{"$$~PROG00", "a", "$$~prog03 anything", "b", "", "c", "$$~x", "d", "$$~PROG15", "e", ""};
    EXPECT_EQ(ProgramFromSetLines(file, 3), (Lines{"b", "", "c"}));
    EXPECT_EQ(ProgramFromSetLines(file, 15), (Lines{"e", ""}));
    EXPECT_EQ(ProgramFromSetLines({"$$~PROG07"}, 7), Lines{}); // marker on the last line: empty program
    EXPECT_EQ(FailureOf([&] { ProgramFromSetLines(file, 4); }), "Program $$~PROG04 not found in the file");
}

TEST(EpromImport, WorkedExampleOf500Words) {
    std::string file = Words({{500, 0x0800}, {1, 0x0C00}, {1, 0x4C00}});
    EXPECT_EQ(EpromLines(file, Slot(ImportMode::Replace, 0)),
              (Lines{"maxsteer(200.000 deg)", "begin", "SetRate(256 hz)", "StepTo(0.000 deg)", "wait(1.953s)",
                     "RampTo(100.049d,0.004s)", "End"}));
}

TEST(EpromImport, DefaultSlotReadsToItsEnd) {
    std::string file = Words({{16384, 0x0800}, {16384, 0x6800}, {16384, 0x0800}});
    EXPECT_EQ(EpromLines(file, Slot(ImportMode::Insert, 1)),
              (Lines{"SetCurrentLow", "SetRate(1024 hz)", "StepTo(0.000 deg)", "wait(15.999s)", "End"}));
}

TEST(EpromImport, RatesCurrentAndAngles) {
    std::string file = Words({{1, 0x0FFF}, {256, 0x0000}, {3, 0x9000}, {2, 0x2800}, {1, 0x7800}});
    EXPECT_EQ(EpromLines(file, Slot(ImportMode::Insert, 0, 100)),
              (Lines{"SetCurrentLow", "SetRate(256 hz)", "StepTo(100.000 deg)", // a run of one
                     "RampTo(-100.049d,0.004s)", "wait(1.000s)",                // 256 words
                     "SetRate(512 hz)", "SetCurrentHigh", "wait(0.006s)",       // same angle
                     "SetRate(1024 hz)", "SetCurrentLow", "RampTo(0.000d,0.001s)", "wait(0.002s)", //
                     "SetRate(2048 hz)", "End"}));
}

TEST(EpromImport, FileTooShortForTheSlotFails) {
    std::string file = Words({{16384, 0x6800}});
    EXPECT_EQ(FailureOf([&] { EpromLines(file, Slot(ImportMode::Replace, 1)); }),
              "The EPROM file is too short for program #1");
    EXPECT_THROW(EpromLines(file.substr(0, 1000), Slot(ImportMode::Replace, 0)), FormatError);
    EXPECT_THROW(EpromLines(Words({{3, 0x0800}}) + "\x01", Slot(ImportMode::Replace, 0)), FormatError);
}

TEST(Importers, ReadFilesAndReportMissingOnes) {
    TempDir dir;
    WriteFileAtomically(dir / "p.txt", "begin\r\n\r\nend\r\n");
    WriteFileAtomically(dir / "tv.txt", "0 0\n1 10\n");
    EXPECT_EQ(ImportLines(ImportFileType::Text, dir / "p.txt", Replace), (Lines{"begin", "", "end"}));
    EXPECT_EQ(ImportLines(ImportFileType::TimeValue, dir / "tv.txt", Insert),
              (Lines{"stepto(0.000d)", "rampto(10.000d,1.0000s)"}));
    EXPECT_THROW(ImportLines(ImportFileType::ProgramSetFile, dir / "p.txt", Insert), FormatError);
    EXPECT_THROW(ImportLines(ImportFileType::Eprom, dir / "none.bin", Insert), FileError);
}

TEST(InsertLines, GoBeforeTheCaretLineInFileOrder) {
    ProgramText program{"l1", "l2", "l3", "l4", "l5"};
    int cursorLine = 3;
    InsertLines(program, cursorLine, {"a", "b"});
    EXPECT_EQ(program, (ProgramText{"l1", "l2", "a", "b", "l3", "l4", "l5"}));
    EXPECT_EQ(cursorLine, 5);
    ProgramText empty;
    cursorLine = 1;
    InsertLines(empty, cursorLine, {"x", "y"});
    EXPECT_EQ(empty, (ProgramText{"x", "y"}));
    ProgramText shortText{"a"};
    cursorLine = 4; // past the last line: appended
    InsertLines(shortText, cursorLine, {"z"});
    EXPECT_EQ(shortText, (ProgramText{"a", "z"}));
}
