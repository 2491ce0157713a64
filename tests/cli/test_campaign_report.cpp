// The PDF report of a rehearsed campaign, read back as text (pdftotext): a passing run, one of a car
// without stability control that fails, one logged at 50 km/h that is invalid and one steered clockwise
// first; A from six slowly increasing steer runs; the images given. Its pages hold every figure of the
// JSON, each page its number, the first page each run's margins, the last the logs' SHA-256 (as
// sha256sum gives it) and the slots' CRC-32s (as a CRC written here from its definition gives them).
#include "cli/cli_runner.h"

#include <QRegularExpression>
#include <QString>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <stdexcept>

namespace {

using Json = nlohmann::ordered_json;

// CRC-32 bit by bit: reflected polynomial 0xEDB88320, initial value and final xor all ones.
std::uint32_t BitwiseCrc32(const std::string &bytes) {
    std::uint32_t crc = 0xFFFFFFFFu;
    for (unsigned char byte : bytes) {
        crc ^= byte;
        for (int bit = 0; bit < 8; ++bit) crc = crc & 1 ? (crc >> 1) ^ 0xEDB88320u : crc >> 1;
    }
    return ~crc;
}

std::string Hex(std::uint32_t crc) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", crc);
    return text;
}

// A figure as a reader sees it: to the decimals, a negative zero without its sign.
std::string Decimals(double value, int decimals) {
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    std::string s = text;
    if (s[0] == '-' && s.find_first_not_of("-0.") == std::string::npos) s.erase(0, 1);
    return s;
}

std::string Signed(double value, int decimals) {
    const std::string s = Decimals(value, decimals);
    return s[0] == '-' ? s : "+" + s;
}

// A CSV log with the cells of every row changed by the function, which finds a column by its name in
// the header ("speed" for "speed [km/h]"); comments and the header kept.
template <typename Change> std::string EachRow(const std::string &text, Change change) {
    auto split = [](const std::string &line) {
        std::vector<std::string> cells;
        for (std::size_t from = 0;;) {
            const std::size_t comma = line.find(',', from);
            cells.push_back(line.substr(from, comma - from));
            if (comma == std::string::npos) return cells;
            from = comma + 1;
        }
    };
    std::vector<std::string> names, out;
    for (std::size_t at = 0; at < text.size();) {
        std::size_t end = text.find('\n', at);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(at, end - at);
        at = end + 1;
        if (line.rfind("time", 0) == 0) names = split(line);
        if (!line.empty() && std::isdigit(static_cast<unsigned char>(line[0]))) {
            std::vector<std::string> cells = split(line);
            change([&](const std::string &name) -> std::string & {
                for (std::size_t k = 0; k < names.size(); ++k)
                    if (names[k].rfind(name + " [", 0) == 0) return cells.at(k);
                throw std::runtime_error("no column " + name);
            });
            line.clear();
            for (std::size_t k = 0; k < cells.size(); ++k) line += (k ? "," : "") + cells[k];
        }
        out.push_back(line);
    }
    std::string joined;
    for (const std::string &line : out) joined += line + "\n";
    return joined;
}

class RehearsedReport : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        folder = new CliFolder;
        const CliFolder &f = *folder;
        auto run = [&](const std::vector<std::string> &arguments, const std::string &to = "") {
            const CliResult r = f.Run(arguments, to);
            ASSERT_LE(r.status, 1) << r.err;
        };
        run({"simulate", "--template", "slowly-increasing-steer", "--steer-rate", "13.5", "--end-angle",
             "270", "--maxsteer", "300", "--lead", "2", "--runs", "6", "-o", "sis.csv"});
        run({"evaluate", "sis", "sis-1.csv", "sis-2.csv", "sis-3.csv", "sis-4.csv", "sis-5.csv", "sis-6.csv",
             "--json"},
            ">sis.json");
        run({"template", "sine-with-dwell", "--series", "150:210:20", "--maxsteer", "300", "--lead", "2",
             "-o", "swd.rom", "--json"},
            ">runs.json");
        run({"build", "swd.rom", "-o", "swd.bin"});
        run({"simulate", "--run-list", "runs.json", "-o", "swd.csv"});
        f.Write("nocontrol.txt", "stability_control_nm_s_per_rad = 0\n");
        run({"simulate", "--run-list", "runs.json", "--vehicle", "nocontrol.txt", "-o", "spin.csv"});
        f.Write("swd-2.csv", f.Read("spin-2.csv"));
        f.Write("swd-3.csv", EachRow(f.Read("swd-3.csv"), [](auto column) { column("speed") = "50.00"; }));
        // Steered the other way: every signed channel negated.
        f.Write("swd-4.csv", EachRow(f.Read("swd-4.csv"), [](auto column) {
                    for (const char *name :
                         {"steer", "yaw rate", "lateral acceleration", "sideslip", "roll", "roll rate"}) {
                        std::string &cell = column(name);
                        cell = cell[0] == '-' ? cell.substr(1) : "-" + cell;
                    }
                }));
        const CliResult r = f.Run({"evaluate", "campaign", "runs.json", "swd-1.csv", "swd-2.csv", "swd-3.csv",
                                   "swd-4.csv", "--amplitude-from", "sis.json", "--images", "swd.bin", "-o",
                                   "report.pdf", "--csv", "table.csv", "--json"});
        ASSERT_EQ(r.status, 1) << r.err;
        campaign = new Json(Json::parse(r.out));
        ASSERT_EQ(std::system(("pdftotext -layout '" + (f.path() / "report.pdf").string() + "' '" +
                               (f.path() / "report.txt").string() + "'")
                                  .c_str()),
                  0);
        // pdftotext gives the ligatures the PDF's font draws ("ﬁt"): read as their letters.
        std::string text = f.Read("report.txt");
        for (const auto &[ligature, letters] :
             std::vector<std::pair<std::string, std::string>>{{"\xef\xac\x80", "ff"},
                                                              {"\xef\xac\x81", "fi"},
                                                              {"\xef\xac\x82", "fl"},
                                                              {"\xef\xac\x83", "ffi"},
                                                              {"\xef\xac\x84", "ffl"}})
            for (std::size_t at; (at = text.find(ligature)) != std::string::npos;)
                text.replace(at, ligature.size(), letters);
        pages = new std::vector<std::string>;
        for (std::size_t at = 0; at < text.size();) {
            std::size_t end = text.find('\f', at);
            if (end == std::string::npos) end = text.size();
            if (end > at) pages->push_back(text.substr(at, end - at));
            at = end + 1;
        }
    }
    static void TearDownTestSuite() {
        delete campaign;
        delete pages;
        delete folder;
    }
    // The page that holds the text (its index), or -1.
    static int PageWith(const std::string &text) {
        for (std::size_t k = 0; k < pages->size(); ++k)
            if ((*pages)[k].find(text) != std::string::npos) return static_cast<int>(k);
        return -1;
    }
    static inline CliFolder *folder = nullptr;
    static inline Json *campaign = nullptr;
    static inline std::vector<std::string> *pages = nullptr;
};

TEST_F(RehearsedReport, TheRunsAreAsRehearsed) {
    const Json &runs = (*campaign)["runs"];
    ASSERT_EQ(runs.size(), 4u);
    const std::vector<std::pair<const char *, const char *>> expected{{"pass", "counter-clockwise"},
                                                                      {"fail", "counter-clockwise"},
                                                                      {"invalid", "counter-clockwise"},
                                                                      {"pass", "clockwise"}};
    for (std::size_t k = 0; k < expected.size(); ++k) {
        EXPECT_EQ(runs[k]["state"], expected[k].first) << k << " " << runs[k]["reason"];
        EXPECT_EQ(runs[k]["direction"], expected[k].second) << k;
    }
}

TEST_F(RehearsedReport, EveryPageSaysItsNumberAndTheCount) {
    ASSERT_GE(pages->size(), 7u); // first page, SIS runs, four runs, sign-off
    for (std::size_t k = 0; k < pages->size(); ++k) {
        const std::string mark = "Page " + std::to_string(k + 1) + " of " + std::to_string(pages->size());
        EXPECT_NE((*pages)[k].find(mark), std::string::npos) << mark;
    }
}

TEST_F(RehearsedReport, EachRunsPageHoldsEveryFigureOfItsJson) {
    // The figures of a run as the JSON gives them, with the decimals the page prints them to.
    const std::vector<std::pair<std::string, int>> figures{
        {"/bos_s", 3},
        {"/cos_s", 3},
        {"/first_peak_steer_deg", 2},
        {"/second_peak_steer_deg", 2},
        {"/peak_yaw_rate_deg_s", 2},
        {"/peak_yaw_rate_time_s", 3},
        {"/yaw_rate_1000_deg_s", 2},
        {"/yaw_rate_1750_deg_s", 2},
        {"/yaw_rate_ratio_1000_percent", 2},
        {"/yaw_rate_ratio_1750_percent", 2},
        {"/lateral_displacement_m", 3},
        {"/measured_amplitude_deg", 2},
        {"/amplitude_deg", 2},
        {"/speed_at_bos_kmh", 1},
        {"/zeroing/steer_deg", 3},
        {"/zeroing/yaw_rate_deg_s", 3},
        {"/zeroing/lateral_acceleration_g", 4},
        {"/margins/yaw_rate_ratio_1000_points", 2},
        {"/margins/yaw_rate_ratio_1750_points", 2},
        {"/margins/lateral_displacement_m", 3},
        {"/following/delay_s", 3},
        {"/following/gain", 3},
        {"/following/offset_deg", 2},
        {"/following/rms_error_deg", 2},
        {"/following/peak_error_deg", 2},
    };
    for (const Json &run : (*campaign)["runs"]) {
        const int page = PageWith("Run " + std::to_string(run["run"].get<int>()) + " of 4:");
        ASSERT_GE(page, 0) << run["run"];
        const std::string &text = (*pages)[static_cast<std::size_t>(page)];
        for (const auto &[pointer, decimals] : figures) {
            const Json &value = run[Json::json_pointer(pointer)];
            if (value.is_null()) continue;
            const std::string shown = pointer.rfind("/margins/", 0) == 0
                                          ? Signed(value.get<double>(), decimals)
                                          : Decimals(value.get<double>(), decimals);
            EXPECT_NE(text.find(shown), std::string::npos)
                << "run " << run["run"] << " " << pointer << " " << shown;
        }
        if (!run["reason"].is_null()) {
            EXPECT_NE(text.find(run["reason"].get<std::string>().substr(0, 40)), std::string::npos)
                << run["run"];
        }
    }
}

TEST_F(RehearsedReport, TheFirstPageTableHoldsEachRunsMarginsAndTheSisPageItsRuns) {
    const std::string &first = pages->front();
    for (const Json &run : (*campaign)["runs"]) {
        // The run's row: its number first, then its figures with their margins.
        const QRegularExpressionMatch found =
            QRegularExpression("\n" + QString::number(run["run"].get<int>()) + " [^\n]*")
                .match(QString::fromStdString(first));
        ASSERT_TRUE(found.hasMatch()) << run["run"];
        const std::string line = found.captured().toStdString();
        const Json &m = run["margins"];
        const std::vector<std::pair<const char *, int>> margins{{"yaw_rate_ratio_1000_points", 2},
                                                                {"yaw_rate_ratio_1750_points", 2},
                                                                {"lateral_displacement_m", 3},
                                                                {"speed_at_bos_kmh", 1}};
        for (const auto &[key, decimals] : margins)
            if (!m[key].is_null()) {
                EXPECT_NE(line.find("(" + Signed(m[key].get<double>(), decimals) + ")"), std::string::npos)
                    << key << ": " << line;
            }
        EXPECT_NE(line.find(run["state"] == "pass"   ? "pass"
                            : run["state"] == "fail" ? "FAIL"
                                                     : "INVALID"),
                  std::string::npos)
            << line;
        EXPECT_NE(line.find(run["direction"] == "clockwise" ? " cw " : " ccw "), std::string::npos) << line;
    }
    EXPECT_NE(first.find("The slowly increasing steer runs of A: page 2"), std::string::npos);
    const std::string &sis = (*pages)[1];
    const Json &sisRuns = (*campaign)["sis"]["runs"];
    ASSERT_EQ(sisRuns.size(), 6u);
    for (const Json &run : sisRuns) {
        EXPECT_TRUE(run["plotted"].get<bool>());
        for (const auto &[key, decimals] : std::vector<std::pair<const char *, int>>{
                 {"angle_deg", 3}, {"steer_rate_deg_s", 2}, {"fit_from_s", 3}, {"fit_to_s", 3}})
            EXPECT_NE(sis.find(Decimals(run[key].get<double>(), decimals)), std::string::npos) << key;
        EXPECT_NE(sis.find(run["log"].get<std::string>()), std::string::npos);
    }
    EXPECT_NE(sis.find("A = " + Decimals((*campaign)["a_deg"].get<double>(), 1) + " deg"), std::string::npos);
}

TEST_F(RehearsedReport, TheSignOffPageTiesEachRunToItsLogAndItsSlot) {
    const CliFolder &f = *folder;
    const int last = static_cast<int>(pages->size()) - 1;
    std::string signOff;
    for (int k = PageWith("Traceability and sign-off"); k >= 0 && k <= last; ++k) signOff += (*pages)[k];
    const std::string bin = f.Read("swd.bin"), aux = f.Read("swd.aux");
    for (const Json &run : (*campaign)["runs"]) {
        const std::string log = run["log"].get<std::string>();
        ASSERT_EQ(std::system(
                      ("cd '" + f.path().string() + "' && sha256sum " + log + " > " + log + ".sha").c_str()),
                  0);
        const std::string sha = f.Read(log + ".sha").substr(0, 64);
        EXPECT_EQ(run["log_sha256"], sha);
        const std::size_t program = run["program"].get<std::size_t>();
        const std::string binCrc = Hex(BitwiseCrc32(bin.substr(program * 32768, 32768)));
        const std::string auxCrc = Hex(BitwiseCrc32(aux.substr(program * 16384, 16384)));
        EXPECT_EQ(run["slot"]["crc32"], binCrc);
        EXPECT_EQ(run["slot"]["aux_crc32"], auxCrc);
        const QRegularExpression row(
            QString::fromStdString("\n" + std::to_string(run["run"].get<int>()) + " +" + log + " +swd.bin +" +
                                   std::to_string(program) + " +" + binCrc + " +" + auxCrc + " +" + sha));
        EXPECT_TRUE(row.match(QString::fromStdString(signOff)).hasMatch()) << log << "\n" << signOff;
    }
    for (const char *text : {"Quillard version ", "Tested by", "Checked by", "Name", "Date", "Signature",
                             "steer 10 Hz", "75 deg/s", "fit from 0.1 to 0.375 g"})
        EXPECT_NE(signOff.find(text), std::string::npos) << text;
    EXPECT_NE(signOff.find("Quillard version " + (*campaign)["quillard_version"].get<std::string>()),
              std::string::npos);
    // The CSV carries the same.
    const std::string table = f.Read("table.csv");
    EXPECT_NE(table.find(",log_sha256,image,slot_crc32,aux_slot_crc32,following_delay_s,"),
              std::string::npos);
    EXPECT_NE(table.find((*campaign)["runs"][3]["log_sha256"].get<std::string>() + ",swd.bin," +
                         (*campaign)["runs"][3]["slot"]["crc32"].get<std::string>()),
              std::string::npos);
}

TEST_F(RehearsedReport, NoFigureReadsMinusZero) {
    for (std::size_t k = 0; k < pages->size(); ++k) {
        const QRegularExpressionMatch found =
            QRegularExpression("-0(\\.0+)?(?![0-9.])").match(QString::fromStdString((*pages)[k]));
        EXPECT_FALSE(found.hasMatch()) << "page " << k + 1 << ": " << found.captured().toStdString();
    }
}

} // namespace
