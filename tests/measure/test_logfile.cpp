// The log reader: separators, columns, units, dropouts, and bad logs refused naming the line.
#include "files/fileio.h"
#include "files/tempdir.h"
#include "measure/logfile.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

namespace {

struct ReadCase {
    const char *name;
    std::string text;
    LogOptions options;
    double time1, steer1; // of the second row
};

TEST(ParseLog, ReadsTheLoggersLayouts) {
    const double pi = 3.14159265358979323846;
    const std::vector<ReadCase> cases{
        {"comma", "time,steer\n0,1\n0.5,2.5\n", {}, 0.5, 2.5},
        {"semicolon, CR LF, quoted", "\"Time\";\"Steer\"\r\n0;1\r\n0.5;-2\r\n", {}, 0.5, -2},
        {"tab, units from the header", "Time (ms)\tSteer [rad]\n0\t0\n500\t1\n", {}, 0.5, 180 / pi},
        {"blanks, comments, default columns by name",
         "# logger\nx  steer_angle  time\n1 2 0\n\n1 3 +0.25\n",
         {},
         0.25,
         3},
        {"columns by number", "a,b,c\n0,0,9\n1e-1,0,8\n", {"1", "3", "", {}, {}}, 0.1, 8},
        {"columns by name without unit", "t [s],wheel (deg)\n0,0\n2,4\n", {"T", "wheel", "", {}, {}}, 2, 4},
        {"options over the header's units",
         "time (ms),steer\n0,0\n1,1\n",
         {"", "", "", TimeUnit::Seconds, AngleUnit::Radians},
         1,
         180 / pi},
    };
    for (const ReadCase &c : cases) {
        const MeasuredLog log = ParseLog(c.text, c.options);
        ASSERT_EQ(log.time.size(), 2u) << c.name;
        EXPECT_DOUBLE_EQ(log.time[1], c.time1) << c.name;
        EXPECT_DOUBLE_EQ(log.steer[1], c.steer1) << c.name;
    }
}

TEST(ParseLog, SkipsRowsWithEmptyCellsAndCountsThem) {
    const MeasuredLog log =
        ParseLog("time,steer,mark\n0,1,0\n0.1,,0\n0.2,3\n0.3,4,1\n", {"", "", "mark", {}, {}});
    EXPECT_EQ(log.time, (std::vector<double>{0, 0.3}));
    EXPECT_EQ(log.mark, (std::vector<double>{0, 1}));
    EXPECT_EQ(log.skippedRows, 2);
    EXPECT_EQ(log.firstSkippedLine, 3);
}

TEST(ParseLog, BadLogsAreRefusedNamingTheLine) {
    const std::vector<std::pair<std::string, std::string>> cases{
        {"", "the log is empty"},
        {"0,1\n0.1,2\n", "line 1: the log has no header line"},
        {"time,steer\n0,1\n0.1,abc\n", "line 3, column 2 \"steer\": \"abc\" is not a number"},
        {"time;steer\n0;1\n0.1;1,5\n", "\"1,5\" is not a number (the log must use a decimal point)"},
        {"time,steer\n0,1\n0.1,NaN\n", "line 3, column 2 \"steer\": \"NaN\" is not a finite number"},
        {"time,steer\n0,1\n0.1,1e999\n", "\"1e999\" is not a finite number"},
        {"time,steer\n0,1\n", "only one row (line 2)"},
        {"time,steer\n# nothing\n", "no rows of numbers below its header (line 1)"},
        {"time,steer\n0,1\n0.2,1\n0.1,1\n", "line 4: time 0.1 is not after the time 0.2 of line 3"},
        {"time,steer\n0,1\n0,1\n", "line 3: time 0 is not after"},
        {"time\n0\n1\n", "the header names one column"},
        {"time,steer\n0,\n0.1,\n",
         "every one of the log's 2 rows has an empty cell in column 2 \"steer\": the "
         "column holds no numbers"},
        {"time,steer\r0,1\r0.5,2\r", "the log's lines end in a carriage return alone (CR)"},
        {"time,steer\n0,1\n0.1," + std::string(MiB + 1, '1') + "\n", "line 3 is longer than 1 MiB"},
        {"time,steer [deg/s]\n0,1\n0.1,2\n",
         "column 2 \"steer [deg/s]\" is named the steer but holds an angular "
         "rate (deg/s)"},
    };
    for (const auto &[text, message] : cases) {
        try {
            ParseLog(text, {});
            ADD_FAILURE() << "accepted: " << text;
        } catch (const FormatError &e) {
            EXPECT_NE(std::string(e.what()).find(message), std::string::npos) << e.what();
        }
    }
    for (const auto &[column, message] : std::vector<std::pair<std::string, std::string>>{
             {"4", "there is no column 4: the header names 2 columns"},
             {"angle", "no column \"angle\" in the header (its columns: time, steer)"}}) {
        LogOptions options;
        options.steerColumn = column;
        EXPECT_THROW(
            try { ParseLog("time,steer\n0,1\n1,2\n", options); } catch (const FormatError &e) {
                EXPECT_NE(std::string(e.what()).find(message), std::string::npos) << e.what();
                throw;
            },
            FormatError);
    }
}

// A byte-order mark before the header, a rate of the steer before its angle; a rate named as the steer
// column is refused.
TEST(ParseLog, TakesTheSteerAngleAndNeverARateOfIt) {
    for (const char *text :
         {"\xef\xbb\xbftime,steer\n0,1\n0.5,2\n", "time,steer rate [deg/s],steer [deg]\n0,9,1\n0.5,9,2\n",
          "time,steering velocity,steer angle\n0,9,1\n0.5,9,2\n"}) {
        const MeasuredLog log = ParseLog(text, {});
        EXPECT_EQ(log.steer, (std::vector<double>{1, 2})) << text;
        EXPECT_EQ(log.timeColumn.name, "time") << text;
    }
    LogOptions options;
    options.steerColumn = "steer rate";
    try {
        ParseLog("time,steer rate [deg/s],steer [deg]\n0,9,1\n0.5,9,2\n", options);
        ADD_FAILURE();
    } catch (const FormatError &e) {
        EXPECT_NE(
            std::string(e.what()).find("column 2 \"steer rate [deg/s]\" holds an angular rate (deg/s), not a "
                                       "steer angle"),
            std::string::npos)
            << e.what();
    }
}

TEST(ParseLog, ACrEndsALineBeforeALfOrAtTheEndOfTheText) {
    const MeasuredLog log = ParseLog("time,steer\r\n0,1\r\n\r\n0.5,2\r", {});
    EXPECT_EQ(log.steer, (std::vector<double>{1, 2}));
    try {
        ParseLog("time,steer\n0,1\n0.5,2\r\r\n", {}); // one CR is the line's end, the other its text
        ADD_FAILURE();
    } catch (const FormatError &e) {
        EXPECT_NE(std::string(e.what()).find("line 3, column 2"), std::string::npos) << e.what();
    }
}

TEST(LogColumnNames, NamesTheHeaderOnlyWhenTheStartHoldsAWholeOne) {
    const std::vector<std::pair<std::string, std::vector<std::string>>> cases{
        {"# logger 7\n\ntime [s];steer [deg];mark\n0;1;0\n", {"time [s]", "steer [deg]", "mark"}},
        {"t\tsteer\r\n", {"t", "steer"}},
        {"0,1\n1,2\n", {}},     // numbers: no header
        {"time,steer,spe", {}}, // cut off where the start of a long file ended
        {"# only a comment\n", {}},
    };
    for (const auto &[start, names] : cases) EXPECT_EQ(LogColumnNames(start), names) << start;
}

// A line longer than any logger writes is refused as soon as the read reaches past it.
TEST(ReadLog, RefusesAnEndlessLineAsSoonAsItIsSeen) {
    TempDir folder;
    const std::string path = folder / "line.csv";
    {
        const int fd = ::open(path.c_str(), O_CREAT | O_WRONLY, 0644);
        ASSERT_GE(fd, 0);
        const std::string header = "time,steer\n", cells(3 * MiB, '7');
        ASSERT_EQ(::write(fd, header.data(), header.size()), static_cast<ssize_t>(header.size()));
        ASSERT_EQ(::write(fd, cells.data(), cells.size()), static_cast<ssize_t>(cells.size()));
        ::close(fd);
    }
    try {
        ReadLog(path, {});
        ADD_FAILURE() << "a 3 MiB line was read";
    } catch (const FileError &e) {
        EXPECT_EQ(e.reason(), "line 2 is longer than 1 MiB: no such file has lines that long");
    }
}

TEST(ReadLog, RefusesAHugeFileBeforeReadingIt) {
    TempDir folder;
    const std::string path = folder / "huge.csv";
    const int fd = ::open(path.c_str(), O_CREAT | O_WRONLY, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::ftruncate(fd, off_t{2} << 30), 0); // 2 GiB, sparse
    ::close(fd);
    try {
        ReadLog(path, {});
        ADD_FAILURE() << "a 2 GiB log was read";
    } catch (const FileError &e) {
        EXPECT_NE(e.reason().find("File too large"), std::string::npos) << e.what();
        EXPECT_EQ(e.path(), path);
    }
}

} // namespace
