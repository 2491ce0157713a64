// quillard-cli on logger files as engineers have them: channels named as loggers name them need no
// column option, a choice among several is said with the option that picks another, a steer no column
// is named as is refused with the columns, epoch times are laid from the first sample, unread formats
// are named, a run steered the other way is compared mirrored; log describes a file and writes its
// channels.
#include "cli/cli_runner.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cmath>
#include <cstdio>

namespace {

using Json = nlohmann::ordered_json;

// The rows of a log simulate wrote, each a vector of its cells.
std::vector<std::vector<double>> Rows(const std::string &log) {
    std::vector<std::vector<double>> rows;
    std::size_t at = 0;
    while (at < log.size()) {
        const std::size_t end = log.find('\n', at);
        const std::string line = log.substr(at, end - at);
        at = end + 1;
        if (line.empty() || line[0] == '#' || line[0] == 't') continue;
        std::vector<double> cells;
        for (std::size_t from = 0; from <= line.size();) {
            const std::size_t comma = std::min(line.find(',', from), line.size());
            cells.push_back(std::stod(line.substr(from, comma - from)));
            from = comma + 1;
        }
        rows.push_back(cells);
    }
    return rows;
}

// A log of the rows (time, steer, yaw rate, lateral acceleration, speed) under the header, each row's
// cells made by the function, every nth row.
std::string Remade(const std::vector<std::vector<double>> &rows, const std::string &header, int every,
                   const std::function<std::string(const std::vector<double> &)> &cells) {
    std::string text = header + "\n";
    for (std::size_t i = 0; i < rows.size(); i += static_cast<std::size_t>(every))
        text += cells(rows[i]) + "\n";
    return text;
}

std::string Cells(const char *format, auto... values) {
    char text[200];
    std::snprintf(text, sizeof text, format, values...);
    return text;
}

class CliLog : public ::testing::Test {
protected:
    void SetUp() override {
        const CliResult program =
            folder.Run({"template", "sine-with-dwell", "--amplitude", "100", "--lead", "2"});
        ASSERT_EQ(program.status, 0);
        folder.Write("swd.txt", program.out);
        ASSERT_EQ(folder.Run({"simulate", "swd.txt", "--runs", "2", "-o", "run.csv"}).status, 0);
        const auto rows = Rows(folder.Read("run-1.csv"));
        // A GPS/IMU logger at 100 Hz: Y_Accel, and two yaw rate sensors.
        folder.Write(
            "imu.csv", Remade(rows, "Time,SteerAng,Yaw_Rate,YawRate,Y_Accel,Velocity", 2, [](const auto &r) {
                return Cells("%.3f,%.3f,%.3f,%.3f,%.4f,%.2f", r[0], r[1], r[2], 0.8 * r[2], r[3], r[4]);
            }));
        // A CAN export at 50 Hz: seconds since 1970, no column named the steer, a lateral acceleration
        // second.
        folder.Write("can.csv", Remade(rows, "Timestamp,AY,YAWRATE,STW_X", 4, [](const auto &r) {
                         return Cells("%.3f,%.4f,%.3f,%.2f", 1714557359.95 + r[0], r[3], r[2], r[1]);
                     }));
    }
    CliFolder folder;
};

TEST_F(CliLog, ChannelsNamedAsLoggersNameThemNeedNoOptionAndAChoiceIsSaid) {
    const CliResult text = folder.Run({"evaluate", "swd", "imu.csv", "--accept", "speed"});
    EXPECT_NE(text.status, 2) << text.err;
    EXPECT_NE(text.out.find(
                  "  Log: yaw rate: column 3 \"Yaw_Rate\" taken, the first of 2 columns named as a yaw rate "
                  "alike (also column 4 \"YawRate\"); pick another with --yaw-column\n"),
              std::string::npos)
        << text.out;
    const Json first = Json::parse(folder.Run({"evaluate", "swd", "imu.csv", "--json"}).out);
    const Json &yaw = first["log"]["reading"]["channels"]["yaw_rate"];
    EXPECT_EQ(yaw["found_by"], "order");
    EXPECT_EQ(yaw["candidates"].size(), 2u);
    EXPECT_EQ(first["log"]["columns"]["lateral_acceleration"]["name"], "Y_Accel");
    // The other sensor, asked for, moves the ratio; no choice is then said.
    const Json second =
        Json::parse(folder.Run({"evaluate", "swd", "imu.csv", "--yaw-column", "YawRate", "--json"}).out);
    EXPECT_EQ(second["log"]["columns"]["yaw_rate"]["number"], 4);
    EXPECT_EQ(second["log"]["reading"]["channels"]["yaw_rate"]["note"], nullptr);
    EXPECT_NEAR(second["peak_yaw_rate_deg_s"].get<double>(), 0.8 * first["peak_yaw_rate_deg_s"].get<double>(),
                0.05);
    // compare takes the same log without an option.
    const CliResult compared = folder.Run({"compare", "swd.txt", "--log", "imu.csv", "--json"});
    ASSERT_EQ(compared.status, 0) << compared.err;
    EXPECT_NEAR(Json::parse(compared.out)["gain"].get<double>(), 1, 0.01);
}

TEST_F(CliLog, ASteerNoColumnIsNamedAsIsRefusedAndAnEpochTimeIsLaidFromItsFirstSample) {
    const CliResult refused = folder.Run({"compare", "swd.txt", "--log", "can.csv"});
    EXPECT_EQ(refused.status, 2);
    EXPECT_EQ(refused.err,
              "quillard-cli: can.csv: no column's name says it is the steer (its columns: Timestamp, AY, "
              "YAWRATE, STW_X); by its place it would be column 2 \"AY\", named as a lateral acceleration; "
              "name the steer's column with --steer-column (a header name or a number from 1)\n");
    const CliResult compared =
        folder.Run({"compare", "swd.txt", "--log", "can.csv", "--steer-column", "STW_X", "--json"});
    ASSERT_EQ(compared.status, 0) << compared.err;
    const Json document = Json::parse(compared.out);
    EXPECT_LT(std::fabs(document["delay_s"].get<double>()), 0.05);
    EXPECT_NEAR(document["gain"].get<double>(), 1, 0.01);
    const Json &time = document["log"]["reading"]["time"];
    EXPECT_EQ(time["base"], "epoch");
    EXPECT_EQ(time["zero"], "2024-05-01 09:55:59.950 UTC");
    EXPECT_NEAR(time["sample_rate_hz"].get<double>(), 50, 1e-6);
    const CliResult text = folder.Run({"compare", "swd.txt", "--log", "can.csv", "--steer-column", "4"});
    EXPECT_NE(text.out.find("The log's time is seconds since 1970: time 0 is its first sample, 2024-05-01 "
                            "09:55:59.950 UTC\n"),
              std::string::npos)
        << text.out;
    // A missing channel of an evaluation is named with its option.
    folder.Write("noyaw.csv", "time,steer,ay\n0,0,0\n1,1,0.1\n");
    EXPECT_EQ(folder.Run({"evaluate", "swd", "noyaw.csv"}).err,
              "quillard-cli: noyaw.csv: the log has no yaw rate column (its columns: time, steer, ay); name "
              "it with "
              "--yaw-column\n");
}

TEST_F(CliLog, FormatsNotReadAreNamedAndAMatlabFileIsRead) {
    ASSERT_EQ(folder.Run({"compare", "swd.txt", "--log", "imu.csv", "--mat", "run.mat"}).status, 0);
    const Json written = Json::parse(folder.Run({"compare", "swd.txt", "--log", "imu.csv", "--json"}).out);
    const CliResult back = folder.Run({"compare", "swd.txt", "--log", "run.mat", "--json"});
    ASSERT_EQ(back.status, 0) << back.err;
    const Json read = Json::parse(back.out);
    EXPECT_EQ(read["log"]["steer_column"]["name"], "log_steer");
    EXPECT_EQ(read["log"]["reading"]["format"], "MATLAB level 5");
    EXPECT_DOUBLE_EQ(read["delay_s"].get<double>(), written["delay_s"].get<double>());
    std::string mdf = "MDF     4.10    TGT 4.7";
    mdf.resize(64, '\0');
    folder.Write("run.mf4", mdf);
    static constexpr char zip[] = "PK\x03\x04\x14\0\0\0[Content_Types].xml xl/workbook.xml";
    folder.Write("run.xlsx", std::string(zip, sizeof zip - 1));
    for (const auto &[file, name] : std::vector<std::pair<std::string, std::string>>{
             {"run.mf4", "an MDF 4 file (version 4.10)"},
             {"run.xlsx", "an Excel workbook (xlsx, a zip container)"}}) {
        for (const std::vector<std::string> &arguments : std::vector<std::vector<std::string>>{
                 {"compare", "swd.txt", "--log", file}, {"evaluate", "swd", file}, {"log", file}}) {
            const CliResult result = folder.Run(arguments);
            EXPECT_EQ(result.status, 2) << file;
            EXPECT_EQ(result.err, "quillard-cli: " + file + ": not a log format Quillard reads: " + name +
                                      " (export it as CSV, text or MAT level 5)\n");
        }
    }
}

// The clockwise-first run of a series is compared with its counter-clockwise program mirrored, and
// evaluated as driven.
TEST_F(CliLog, ARunSteeredTheOtherWayIsComparedMirroredAndNamedAsDriven) {
    const Json compared = Json::parse(folder.Run({"compare", "swd.txt", "--log", "run-2.csv", "--json"}).out);
    EXPECT_EQ(compared["mirrored"], true);
    EXPECT_EQ(compared["first_steer"],
              Json::parse(R"({"program": "counter-clockwise", "log": "clockwise"})"));
    EXPECT_NEAR(compared["gain"].get<double>(), 1, 0.01);
    EXPECT_GT(compared["alignment"]["correlation"].get<double>(), 0.99);
    EXPECT_EQ(Json::parse(folder.Run({"compare", "swd.txt", "--log", "run-1.csv", "--json"}).out)["mirrored"],
              false);
    const CliResult text = folder.Run({"compare", "swd.txt", "--log", "run-2.csv"});
    EXPECT_NE(text.out.find(
                  "Mirrored: the log's first steer is clockwise, the program's counter-clockwise: compared "
                  "with the program mirrored\n"),
              std::string::npos);
    for (const auto &[log, direction] : std::vector<std::pair<std::string, std::string>>{
             {"run-1.csv", "counter-clockwise"}, {"run-2.csv", "clockwise"}})
        EXPECT_EQ(Json::parse(folder.Run({"evaluate", "swd", log, "--json"}).out)["first_steer"], direction)
            << log;
}

TEST_F(CliLog, LogSaysWhatIsInAFileAndWritesItsChannels) {
    const CliResult text = folder.Run({"log", "imu.csv"});
    ASSERT_EQ(text.status, 0) << text.err;
    for (const char *line :
         {"Log imu.csv: text table, comma-separated, header on line 1\n",
          "       4  YawRate                      -        ", "named as yaw rate, not taken\n",
          "Note: yaw rate: column 3 \"Yaw_Rate\" taken, the first of 2 columns",
          "Runs: 1 (steer away from its rest, with 2 s of rest between)\n"})
        EXPECT_NE(text.out.find(line), std::string::npos) << line << "\n" << text.out;
    const Json document = Json::parse(folder.Run({"log", "imu.csv", "--json"}).out);
    EXPECT_EQ(document["columns"][4]["channel"], "lateral_acceleration");
    EXPECT_EQ(document["columns"][3]["also_named_as"], Json::parse(R"(["yaw_rate"])"));
    EXPECT_NEAR(document["reading"]["time"]["sample_rate_hz"].get<double>(), 100, 1e-6);
    EXPECT_EQ(document["reading"]["runs"].size(), 1u);

    // The chosen channels of a part, as CSV and as a MATLAB file, read back by log itself.
    for (const char *out : {"clean.csv", "clean.mat"}) {
        const CliResult written = folder.Run(
            {"log", "imu.csv", "--channels", "steer,yaw,ay", "--from", "1", "--to", "5", "-o", out});
        ASSERT_EQ(written.status, 0) << written.err;
        const Json clean = Json::parse(folder.Run({"log", out, "--json"}).out);
        EXPECT_EQ(clean["rows"], 401) << out;
        EXPECT_DOUBLE_EQ(clean["from_s"].get<double>(), 1) << out;
        const Json &channels = clean["reading"]["channels"];
        for (const char *key : {"time", "steer", "yaw_rate", "lateral_acceleration"})
            EXPECT_EQ(channels[key]["found_by"], "only") << out << " " << key;
        EXPECT_EQ(channels["speed"]["column"], nullptr) << out;
    }
    EXPECT_EQ(folder.Read("clean.csv").substr(0, 60),
              "# written by quillard-cli log from imu.csv, 1.000 to 5.000 s");
    const CliResult resampled =
        folder.Run({"log", "can.csv", "--steer-column", "STW_X", "--resample", "200", "-o", "fast.csv"});
    ASSERT_EQ(resampled.status, 0) << resampled.err;
    EXPECT_NEAR(
        Json::parse(folder.Run({"log", "fast.csv", "--json"}).out)["reading"]["time"]["sample_rate_hz"]
            .get<double>(),
        200, 1e-3);
}

// A unit written with a degree sign, in UTF-8 or in Latin-1, takes one place of the table, so the
// channel column stays where the header puts it.
TEST_F(CliLog, ColumnsStayAlignedWhateverTheDegreeSignIsWrittenIn) {
    for (const char *degree : {"\xc2\xb0", "\xb0"}) {
        folder.Write("deg.csv", std::string("time [s],steer [") + degree + "],yaw rate [" + degree +
                                    "/s]\n0,0,0\n0.01,1,2\n0.02,2,4\n");
        const CliResult text = folder.Run({"log", "deg.csv"});
        ASSERT_EQ(text.status, 0) << text.err;
        const std::size_t header = text.out.find("  column  name");
        ASSERT_NE(header, std::string::npos) << text.out;
        const std::size_t width = text.out.find("channel", header) - header;
        for (const char *kind : {"steer\n", "yaw rate\n"}) {
            const std::size_t at = text.out.find(kind, header + width);
            ASSERT_NE(at, std::string::npos) << text.out;
            const std::string row =
                text.out.substr(text.out.rfind('\n', at) + 1, at - text.out.rfind('\n', at) - 1);
            std::size_t shown = 0;
            for (std::size_t i = 0; i < row.size(); ++i)
                shown += (static_cast<unsigned char>(row[i]) & 0xc0) != 0x80 ||
                         (i > 0 && static_cast<unsigned char>(row[i - 1]) < 0x80);
            EXPECT_EQ(shown, width) << degree << " " << kind << "\n" << text.out;
        }
    }
}

TEST_F(CliLog, RunsArePickedAndUsageIsChecked) {
    // Two runs in one log, ten seconds apart.
    const auto rows = Rows(folder.Read("run-1.csv"));
    std::string twice = "time [s],steer [deg],yaw rate [deg/s],lateral acceleration [g],speed [km/h]\n";
    for (int pass = 0; pass < 2; ++pass)
        for (const auto &r : rows)
            twice += Cells("%.3f,%.4f,%.4f,%.5f,%.2f\n", r[0] + 10 * pass + (pass ? 0.005 : 0), r[1], r[2],
                           r[3], r[4]);
    folder.Write("twice.csv", twice);
    const Json whole = Json::parse(folder.Run({"log", "twice.csv", "--json"}).out);
    ASSERT_EQ(whole["reading"]["runs"].size(), 2u);
    const CliResult swd = folder.Run({"evaluate", "swd", "twice.csv", "--json"});
    EXPECT_NE(Json::parse(swd.out)["reason"].get<std::string>().find("the log holds more than one run"),
              std::string::npos);
    const Json second = Json::parse(folder.Run({"evaluate", "swd", "twice.csv", "--run", "2", "--json"}).out);
    EXPECT_EQ(second["log"]["reading"]["part"].get<std::string>().substr(0, 12), "run 2 of 2, ");
    EXPECT_EQ(second["reason"].get<std::string>().find("more than one run"), std::string::npos)
        << second["reason"];
    const Json compared =
        Json::parse(folder.Run({"compare", "swd.txt", "--log", "twice.csv", "--run", "2", "--json"}).out);
    EXPECT_EQ(compared["alignment"]["from_first_sample"], true);
    EXPECT_NEAR(compared["alignment"]["lag_s"].get<double>(), 10.005, 0.01);
    const std::vector<std::pair<std::vector<std::string>, std::string>> refusals{
        {{"log", "twice.csv", "--run", "3"},
         "quillard-cli: twice.csv: the log holds 2 runs: there is no run 3\n"},
        {{"log", "twice.csv", "--run", "1", "--from", "2"},
         "quillard-cli: --run and --from or --to both pick the part of the log: give one\n"},
        {{"log", "twice.csv", "--channels", "steer,wheel"}, "quillard-cli: --channels goes with -o\n"},
        {{"log", "twice.csv", "--channels", "steer,wheel", "-o", "x.csv"},
         "quillard-cli: invalid channels: steer,wheel (wheel is none of steer, mark, yaw, ay, speed, roll, "
         "sideslip, roll-rate, lift)\n"},
        {{"log", "twice.csv", "--channels", "roll", "-o", "x.csv"},
         "quillard-cli: twice.csv: the log has no roll angle column to write\n"},
        {{"log", "twice.csv", "-o", "twice.csv"},
         "quillard-cli: twice.csv: the output would replace the input file twice.csv\n"},
    };
    for (const auto &[arguments, err] : refusals) {
        const CliResult result = folder.Run(arguments);
        EXPECT_EQ(result.status, 2) << arguments.back();
        EXPECT_EQ(result.err, err);
    }
}

} // namespace
