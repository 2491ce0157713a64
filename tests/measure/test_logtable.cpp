// The log's one reading: logger files in every text layout resolve each channel to its column; every
// format not read is refused by its leading bytes; sectioned files in the variants seen in the field;
// what a file names of its set and program; clock and date cells.
#include "measure/channels.h"
#include "measure/logformats.h"
#include "measure/logger_files.h"
#include "measure/logtable.h"

#include <gtest/gtest.h>

#include <array>

namespace {

using K = ChannelKind;
using namespace std::string_literals;

std::string Utf16Le(const std::string &text) {
    std::string bytes = "\xff\xfe";
    for (char c : text) bytes += std::string{c, '\0'};
    return bytes;
}

struct FileCase {
    const char *name;
    std::string bytes;
    LogFormat format;
    std::array<int, 5> columns; // of time, steer, yaw rate, lateral acceleration, speed
    double ayFactor;            // of the file's values to g
};

std::vector<FileCase> FileCases() {
    const std::vector<std::string> logger{"Time", "SteerAng", "Yaw_Rate", "Y_Accel", "Velocity"};
    TableLayout semicolons;
    semicolons.separator = ';', semicolons.lineEnd = "\r\n";
    semicolons.preamble = "Logger: bench 3\r\nDate: 2024-05-01\r\nSample rate,100 Hz\r\n";
    TableLayout units;
    units.separator = '\t', units.unitLine = "s\tdeg\tdeg/s\tm/s2\tkm/h";
    TableLayout blanks;
    blanks.separator = 0, blanks.preamble = "# logger 7\n\n";
    auto ms2 = RunColumns({"t", "SWA", "GyroZ", "AccY", "speed"});
    ms2[3].at = [](double t) { return RunAy(t) * 9.80665; };
    const std::vector<std::string> sectionedNames{"time", "Steer", "YawRate", "LatAcc", "velocity"};
    return {
        {"comma, a GPS/IMU logger's names",
         LoggerTable(RunColumns(logger)),
         LogFormat::TextTable,
         {1, 2, 3, 4, 5},
         1},
        {"semicolons, CR LF, units in brackets, metadata lines before the header",
         LoggerTable(RunColumns({"Time [s]", "Steering_Angle [deg]", "Yaw Rate [deg/s]", "LatAcc [g]",
                                 "VehSpd [km/h]"}),
                     semicolons),
         LogFormat::TextTable,
         {1, 2, 3, 4, 5},
         1},
        {"tabs, a line of units below the header",
         LoggerTable(ms2, units),
         LogFormat::TextTable,
         {1, 2, 3, 4, 5},
         1},
        {"blanks after comments",
         LoggerTable(RunColumns({"time", "SteeringWheelAngle", "yaw_rate", "ay", "VehSpd"}), blanks),
         LogFormat::TextTable,
         {1, 2, 3, 4, 5},
         1},
        {"columns in another order",
         LoggerTable({RunColumns(logger)[0], RunColumns(logger)[4], RunColumns(logger)[3],
                      RunColumns(logger)[1], RunColumns(logger)[2]}),
         LogFormat::TextTable,
         {1, 4, 5, 3, 2},
         1},
        {"UTF-16 text, as a spreadsheet saves Unicode text",
         Utf16Le(LoggerTable(RunColumns(logger))),
         LogFormat::TextTable,
         {1, 2, 3, 4, 5},
         1},
        {"sectioned, a date with @, units in Latin-1",
         SectionedFile(RunColumns(sectionedNames), {"s", "\xb0", "\xb0/s", "g", "km/h"}),
         LogFormat::SectionedText,
         {1, 2, 3, 4, 5},
         1},
        {"sectioned, a date with at, units in UTF-8, other sections",
         SectionedFile(RunColumns(sectionedNames), {"s", "\xc2\xb0", "\xc2\xb0/s", "g", "km/h"},
                       "File created on 08/12/2026 at 10:16:01",
                       "[laptiming]\nStart  0 0 0 0\n\n[avi]\nrun3\n\n"),
         LogFormat::SectionedText,
         {1, 2, 3, 4, 5},
         1},
        {"sectioned, no unit lines",
         SectionedFile(RunColumns(sectionedNames), {}),
         LogFormat::SectionedText,
         {1, 2, 3, 4, 5},
         1},
    };
}

// Each format read resolves every channel to its column, with no column option, and reads its values.
TEST(LoggerFiles, EachLayoutResolvesEveryChannelToItsColumn) {
    const K kinds[] = {K::Time, K::Steer, K::YawRate, K::LateralAcceleration, K::Speed};
    for (const FileCase &c : FileCases()) {
        const LogTable table = ParseLogTable(c.bytes);
        EXPECT_EQ(table.format, c.format) << c.name;
        const VehicleLog log = VehicleLogOf(table, {});
        for (std::size_t k = 0; k < 5; ++k)
            EXPECT_EQ(ChannelOf(log, kinds[k]).column.number, c.columns[k])
                << c.name << ": " << ChannelKindName(kinds[k]);
        ASSERT_EQ(log.time.size(), 501u) << c.name;
        EXPECT_NEAR(log.time[150], 1.5, 1e-6) << c.name;
        EXPECT_NEAR(log.steer[150], RunSteer(1.5), 2e-3) << c.name;
        EXPECT_NEAR(log.lateralAcceleration[150], RunAy(1.5), 1e-4) << c.name;
        EXPECT_EQ(log.speed[150], 80) << c.name;
        for (const ChannelChoice &choice : log.info.choices) EXPECT_FALSE(choice.Said()) << c.name;
    }
}

// A sectioned file's header says when it was recorded, its comments the set and program; its clock time
// is laid from the first sample.
TEST(LoggerFiles, SectionedFilesKeepTheirDateTheirProgramAndTheirClock) {
    for (const char *date :
         {"File created on 08/12/2026 @ 10:16:01", "File created on 08/12/2026 at 10:16:01"}) {
        const LogTable table =
            ParseLogTable(SectionedFile(RunColumns({"time", "Steer", "YawRate", "LatAcc"}), {}, date));
        EXPECT_EQ(table.recorded, "08/12/2026 10:16:01") << date;
        EXPECT_EQ(table.set, "swd-2.rom");
        EXPECT_EQ(table.program, 5);
        const VehicleLog log = VehicleLogOf(table, {});
        EXPECT_EQ(log.info.time.base, TimeBase::ClockTime);
        EXPECT_DOUBLE_EQ(log.info.time.origin, 36959.5);
        EXPECT_EQ(log.time.front(), 0);
    }
}

// A [column names] line longer or shorter than the rows pairs nothing right: refused with the counts.
TEST(LoggerFiles, SectionedRowsThatDoNotHoldTheirColumnsAreRefused) {
    const std::string file = SectionedFile(RunColumns({"time", "Steer", "YawRate", "LatAcc"}), {});
    for (const auto &[from, to, message] : std::vector<std::tuple<std::string, std::string, std::string>>{
             {"time Steer YawRate LatAcc", "time Steer YawRate LatAcc velocity",
              "the row holds 4 cells, but the [column names] line (line 13) names 5 columns"},
             {"time Steer YawRate LatAcc", "time Steer YawRate",
              "the row holds 4 cells, but the [column names] line (line 13) names 3 columns"}}) {
        std::string text = file;
        text.replace(text.find(from + "\n\n[data]"), from.size(), to); // on line 13; the first row on 16
        try {
            ParseLogTable(text);
            ADD_FAILURE() << to;
        } catch (const FormatError &e) {
            EXPECT_EQ(std::string(e.what()), "line 16: " + message) << e.what();
        }
    }
}

std::string Padded(std::string start, std::size_t size) {
    start.resize(size, '\0');
    return start;
}

// Every binary or container file a log may be mistaken for is named by its leading bytes.
TEST(LoggerFiles, FormatsNotReadAreRefusedByTheirLeadingBytes) {
    const std::string pdf = "%PDF-1.4\n%\xe2\xe3\xcf\xd3\n1 0 obj\n";
    const std::vector<std::pair<std::string, std::string>> cases{
        {Padded("MDF     3.30    TGT 15.0", 64), "an MDF 3 file (version 3.30)"},
        {Padded("MDF     4.10    TGT 4.7", 64), "an MDF 4 file (version 4.10)"},
        {Padded("MATLAB 7.3 MAT-file, Platform: GLNXA64", 512) + "\x89HDF\r\n\x1a\n",
         "a MATLAB 7.3 file (HDF5"},
        {Padded("\x89HDF\r\n\x1a\n", 64), "a MATLAB 7.3 file (HDF5"},
        {Padded("PK\x03\x04\x14\0\0\0[Content_Types].xml xl/workbook.xml"s, 200),
         "an Excel workbook (xlsx, a zip container)"},
        {Padded("PK\x03\x04\x14\0\0\0data.csv"s, 200), "a zip archive"},
        {Padded("\xd0\xcf\x11\xe0\xa1\xb1\x1a\xe1", 512), "an Excel 97-2003 workbook (xls"},
        {Padded("\x1f\x8b\x08\0"s, 64), "a gzip-compressed file"},
        {pdf, "a PDF document"},
        {std::string(524288, '\xff'), "an EPROM image (.bin) of a set"},
        {std::string(262144, '\0'), "an aux image (.aux) of a set"},
        {Padded("\x01\x02\x03time,steer", 4000), "a binary file"},
        {":10000000FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF00\n:00000001FF\n", "an Intel HEX image"},
        {"S00F000068656C6C6F202020202000003C\nS9030000FC\n", "a Motorola S-record image"},
        {"$$~PROG00\nmaxsteer(100 deg)\nbegin\nend\n", "a program set (.rom)"},
        {"{\"runs\": []}\n", "a JSON document"},
    };
    for (const auto &[bytes, name] : cases) {
        try {
            ParseLogTable(bytes);
            ADD_FAILURE() << "read: " << name;
        } catch (const FormatError &e) {
            const std::string what = e.what();
            EXPECT_TRUE(what.starts_with("not a log format Quillard reads: " + name)) << what;
            EXPECT_TRUE(what.ends_with(ReadsMatFiles() ? "(export it as CSV, text or MAT level 5)"
                                                       : "(export it as CSV or text)"))
                << what;
        }
    }
}

// Where MATLAB files are not read (the browser edition), one is named by its header.
TEST(LoggerFiles, AMatlabFileIsReadOrRefusedHere) {
    const std::string header = Padded("MATLAB 5.0 MAT-file, written by a logger", 124) + "\x01\x00IM"s;
    if (ReadsMatFiles()) GTEST_SKIP() << "this build reads MATLAB files (test_matlog.cpp)";
    try {
        ParseLogTable(header + std::string(64, '\0'));
        ADD_FAILURE();
    } catch (const FormatError &e) {
        EXPECT_EQ(std::string(e.what()),
                  "not a log format Quillard reads here: a MATLAB level 5 file (export it as CSV or text)");
    }
}

// The set or program text and the program a log's comments name, for pairing logs with runs.
TEST(LoggerFiles, TheSetAndProgramACommentNamesAreKept) {
    const std::vector<std::tuple<std::string, std::string, int>> cases{
        {"# program: swd-1.rom program 3: Sine with dwell\n", "swd-1.rom", 3},
        {"# Program 7 of set brake.rom\n", "brake.rom", 7},
        {"# program: sid.txt: Sine with dwell\n", "sid.txt", -1},
        {"Run notes, program #12, \"campaign.ROM\"\n", "campaign.ROM", 12},
        {"# the program runs slowly\n", "", -1},
    };
    for (const auto &[comment, set, program] : cases) {
        const LogTable table = ParseLogTable(comment + "time,steer\n0,1\n1,2\n");
        EXPECT_EQ(table.set, set) << comment;
        EXPECT_EQ(table.program, program) << comment;
        EXPECT_EQ(table.namedOnLine, set.empty() && program < 0 ? 0 : 1) << comment;
    }
}

// Clock times are seconds of the day, carried across midnight; dates and clock times seconds since 1970.
TEST(LoggerFiles, ClockAndDateCellsAreSeconds) {
    const LogTable clock =
        ParseLogTable("time,steer\n23:59:59.90,1\n23:59:59.95,2\n00:00:00.00,3\n00:00:00.05,4\n");
    EXPECT_EQ(clock.columns[0].form, CellForm::ClockTime);
    EXPECT_DOUBLE_EQ(clock.columns[0].values[2], 86400);
    EXPECT_NEAR(clock.columns[0].values[3], 86400.05, 1e-9);
    const LogTable dated =
        ParseLogTable("Timestamp;SWA\n2024-05-01T09:55:59.950Z;1\n2024-05-01 09:56:00.000;2\n");
    EXPECT_EQ(dated.columns[0].form, CellForm::DateTime);
    // A date's decimals kept: the values are written less a base of whole seconds.
    EXPECT_EQ(dated.columns[0].base, 1714557359);
    EXPECT_NEAR(dated.columns[0].values[0], 0.95, 1e-12);
    EXPECT_NEAR(dated.columns[0].values[1], 1, 1e-12);
    EXPECT_EQ(ClockText(1714557359.95, CellForm::DateTime), "2024-05-01 09:55:59.950 UTC");
    EXPECT_EQ(ClockText(36959.9996, CellForm::ClockTime), "10:16:00.000");
    double seconds = 0;
    CellForm form = CellForm::Number;
    for (const char *text : {"25:00:00", "10:61:00", "1:2:3", "2024-13-01 00:00:00", "10:15:59.x"})
        EXPECT_FALSE(ReadClockTime(text, seconds, form)) << text;
}

} // namespace
