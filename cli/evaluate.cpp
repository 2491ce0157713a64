// quillard-cli evaluate: A from the slowly increasing steer runs, the verdict of a sine-with-dwell run,
// and a campaign's table and PDF report.
#include "measure/evaluate.h"
#include "cli/cli.h"
#include "cli/json.h"
#include "compiler/compile.h"
#include "compiler/format.h"
#include "graph/ui/EvaluationReport.h"
#include "measure/sis.h"
#include "romfiles/fileio.h"

#include <algorithm>
#include <cmath>
#include <regex>

namespace {

constexpr ReadLimit JsonFileLimit{16 * MiB};

Json ReadJsonFile(const std::string &path) {
    const std::string bytes = ReadingInput(path, [&] { return ReadFileBytes(path, JsonFileLimit); });
    try {
        return Json::parse(bytes);
    } catch (const Json::exception &) {
        throw InputError(path, "is not a JSON document");
    }
}

VehicleLog ReadRun(const std::string &path, const CliOptions &options, bool needsYawRate) {
    VehicleLogOptions logOptions = options.vehicleLog;
    logOptions.log = options.logOptions;
    logOptions.needsYawRate = needsYawRate;
    return ReadingInput(path, [&] { return ReadVehicleLog(path, logOptions); });
}

Json DropoutsJson(const VehicleLog &log) {
    Json list = Json::array();
    for (const LogDropout &d : log.dropouts)
        list.push_back({{"column", Latin1(d.column)}, {"time_s", d.time}, {"value", d.value}});
    return list;
}

Json ChannelJson(const VehicleChannel &c) {
    if (!c.Present()) return nullptr;
    return {{"number", c.column.number}, {"name", Latin1(c.column.name)}, {"unit", c.unit}};
}

Json LogJson(const std::string &path, const VehicleLog &log, double sampleRate) {
    return {{"file", FileName(path)},
            {"rows", log.time.size()},
            {"sample_rate_hz", sampleRate},
            {"skipped_rows", log.skippedRows},
            {"columns",
             {{"time", ChannelJson(log.timeChannel)},
              {"steer", ChannelJson(log.steerChannel)},
              {"yaw_rate", ChannelJson(log.yawChannel)},
              {"lateral_acceleration", ChannelJson(log.ayChannel)},
              {"speed", ChannelJson(log.speedChannel)},
              {"roll", ChannelJson(log.rollChannel)}}}};
}

Json Optional(const std::optional<double> &value) { return value ? Json(*value) : Json(nullptr); }
Json Optional(const std::optional<bool> &value) { return value ? Json(*value) : Json(nullptr); }

// The figures of a sine-with-dwell run, each step of the processing under its own key.
Json SwdJson(const SwdResult &r) {
    using namespace SwdCriteria;
    return {{"filter",
             {{"order", 6},
              {"passes", 2},
              {"steer_cutoff_hz", 10},
              {"response_cutoff_hz", 6},
              {"padding_samples", 18}}},
            {"steer_rate_onset_s", r.onset},
            {"zeroing",
             {{"from_s", r.zeroFrom},
              {"to_s", r.zeroTo},
              {"steer_deg", r.steerZero},
              {"yaw_rate_deg_s", r.yawRateZero},
              {"lateral_acceleration_g", r.lateralAccelerationZero}}},
            {"first_steer", r.firstSteer > 0 ? "positive" : "negative"},
            {"bos_s", r.bos},
            {"cos_s", r.cos},
            {"first_peak_steer_deg", r.firstPeak},
            {"second_peak_steer_deg", r.secondPeak},
            {"amplitude_deg", r.amplitude},
            {"amplitude_from", r.amplitudeFromProgram ? "program" : "log"},
            {"peak_yaw_rate_deg_s", r.peakYawRate},
            {"peak_yaw_rate_time_s", r.peakYawRateTime},
            {"yaw_rate_1000_deg_s", r.yawRate1},
            {"yaw_rate_1750_deg_s", r.yawRate2},
            {"yaw_rate_ratio_1000_percent", r.ratio1},
            {"yaw_rate_ratio_1750_percent", r.ratio2},
            {"lateral_displacement_m", r.displacement},
            {"limits",
             {{"yaw_rate_ratio_1000_percent", RatioLimit1},
              {"yaw_rate_ratio_1750_percent", RatioLimit2},
              {"lateral_displacement_m", r.displacementLimit}}},
            {"yaw_rate_ratio_1000_pass", r.pass1},
            {"yaw_rate_ratio_1750_pass", r.pass2},
            {"lateral_displacement_pass", Optional(r.passDisplacement)},
            {"pass", r.pass},
            {"speed_at_bos_kmh", Optional(r.speedAtBos)},
            {"peak_roll_deg", Optional(r.peakRoll)},
            {"warnings", r.warnings}};
}

// A from the standard series note of a program's first comment line ("standard series, A 20 deg").
std::optional<double> AFromComment(const std::vector<std::string> &lines) {
    static const std::regex note("standard series, A ([0-9.]+) deg");
    for (const std::string &line : lines) {
        std::smatch match;
        if (std::regex_search(line, match, note)) return std::stod(match[1]);
        if (line.find(';') != std::string::npos) break; // the first comment line only
    }
    return std::nullopt;
}

// The peak steer of a program: the commanded amplitude of its run.
double CommandedAmplitude(const CliOptions &options, const std::string &file, int program,
                          const std::vector<std::string> &lines) {
    CompilerState state;
    Findings().program = program;
    if (!CompileProgram(state, lines, MakeCompileOptions(options)))
        throw InputError(file, "program " + std::to_string(program) + " does not compile");
    double peak = 0;
    for (int i = 0; i <= state.endIndex; ++i) peak = std::max(peak, std::fabs(double(state.steps[i].steer)));
    return peak;
}

SwdOptions SwdOptionsFrom(const CliOptions &options) {
    SwdOptions swd;
    swd.amplitudeA = options.amplitudeA;
    swd.gvwr = options.gvwr;
    return swd;
}

int EvaluateSis(const CliOptions &options) {
    SisOptions sis;
    sis.fitLow = options.fitLow;
    sis.fitHigh = options.fitHigh;
    std::vector<SisResult> results;
    Json runs = Json::array();
    std::vector<std::string> lines;
    for (const std::string &file : options.files) {
        const VehicleLog log = ReadRun(file, options, false);
        const SisResult r = ReadingInput(file, [&] { return EvaluateSlowlyIncreasingSteer(log, sis); });
        results.push_back(r);
        Json zeroing = nullptr;
        if (r.zeroed)
            zeroing = {{"from_s", r.zeroFrom},
                       {"to_s", r.zeroTo},
                       {"steer_deg", r.steerZero},
                       {"lateral_acceleration_g", r.lateralAccelerationZero}};
        runs.push_back({{"log", LogJson(file, log, r.sampleRate)},
                        {"dropouts", DropoutsJson(log)},
                        {"zeroing", zeroing},
                        {"angle_deg", r.angle},
                        {"slope_deg_per_g", r.slope},
                        {"intercept_deg", r.intercept},
                        {"samples", r.samples},
                        {"fit_from_s", r.fitFrom},
                        {"fit_to_s", r.fitTo},
                        {"peak_lateral_acceleration_g", r.peakLateralAcceleration},
                        {"warnings", r.warnings}});
        lines.push_back(
            Format("%s: steer at 0.3 g %.3f deg (regression %.3f deg/g over %g to %g g, %d samples "
                   "from %.3f to %.3f s; peak %.3f g)",
                   PrintableText(file).c_str(), r.angle, r.slope, sis.fitLow, sis.fitHigh, r.samples,
                   r.fitFrom, r.fitTo, r.peakLateralAcceleration));
        for (const std::string &w : r.warnings) lines.push_back("  Warning: " + w);
    }
    long double sum = 0;
    for (const SisResult &r : results) sum += std::fabs(r.angle);
    const double mean = static_cast<double>(sum / static_cast<long double>(results.size()));
    const double a = AmplitudeA(results);
    if (options.json) {
        PrintJson({{"runs", runs},
                   {"fit_low_g", sis.fitLow},
                   {"fit_high_g", sis.fitHigh},
                   {"at_g", sis.at},
                   {"mean_abs_angle_deg", mean},
                   {"a_deg", a}});
    } else {
        lines.push_back(Format("A = %.1f deg (the mean of %zu runs' absolute angles, %.3f deg, to 0.1 deg)",
                               a, results.size(), mean));
        PrintLines(stdout, lines);
    }
    return 0;
}

int EvaluateSwd(const CliOptions &options) {
    SwdOptions swd = SwdOptionsFrom(options);
    if (!options.programFile.empty()) {
        CliOptions programOptions = options;
        programOptions.files = {options.programFile};
        const std::vector<std::string> lines = ReadProgram(programOptions);
        swd.commandedAmplitude = CommandedAmplitude(options, options.programFile, options.program, lines);
        if (swd.amplitudeA <= 0) swd.amplitudeA = AFromComment(lines).value_or(0);
    }
    const std::string &file = options.files.front();
    const VehicleLog log = ReadRun(file, options, true);
    const SwdResult r = ReadingInput(file, [&] { return EvaluateSineWithDwell(log, swd); });
    if (options.json) {
        Json document{{"log", LogJson(file, log, r.sampleRate)}, {"dropouts", DropoutsJson(log)}};
        if (!options.programFile.empty())
            document["program"] = {{"file", FileName(options.programFile)}, {"program", options.program}};
        document["a_deg"] = swd.amplitudeA > 0 ? Json(swd.amplitudeA) : Json(nullptr);
        document["gvwr_kg"] = options.gvwr > 0 ? Json(options.gvwr) : Json(nullptr);
        document.update(SwdJson(r));
        PrintJson(document);
    } else {
        std::vector<std::string> lines{"Run " + PrintableText(file)};
        for (const std::string &line : SwdReportLines(r, log)) lines.push_back("  " + line);
        PrintLines(stdout, lines);
    }
    return r.pass ? 0 : 1;
}

// One run of a campaign: its place in the series and what its log gave.
struct CampaignRun {
    int run = 0;
    std::string set;
    int program = 0;
    double amplitude = 0; // deg
    std::string log;
    std::optional<SwdResult> result;
    std::string invalid; // why the log gives no verdict
    VehicleLog vehicleLog;
};

std::string Cell(double value, const char *format) { return Format(format, value); }

std::vector<std::string> TableHeader() {
    return {"run",
            "set",
            "program",
            "amplitude_deg",
            "log",
            "bos_s",
            "cos_s",
            "peak_yaw_rate_deg_s",
            "yaw_rate_ratio_1000_percent",
            "yaw_rate_ratio_1750_percent",
            "lateral_displacement_m",
            "yaw_rate_ratio_1000_pass",
            "yaw_rate_ratio_1750_pass",
            "lateral_displacement_pass",
            "pass",
            "note"};
}

std::vector<std::string> TableRow(const CampaignRun &c) {
    std::vector<std::string> row{std::to_string(c.run), c.set, std::to_string(c.program),
                                 ShortestFixed(static_cast<float>(c.amplitude)), c.log};
    if (!c.result) {
        row.insert(row.end(), {"", "", "", "", "", "", "", "", "", "false", "invalid: " + c.invalid});
        return row;
    }
    const SwdResult &r = *c.result;
    auto yes = [](bool b) { return std::string(b ? "true" : "false"); };
    row.insert(row.end(), {Cell(r.bos, "%.4f"), Cell(r.cos, "%.4f"), Cell(r.peakYawRate, "%.3f"),
                           Cell(r.ratio1, "%.2f"), Cell(r.ratio2, "%.2f"), Cell(r.displacement, "%.3f"),
                           yes(r.pass1), yes(r.pass2), r.passDisplacement ? yes(*r.passDisplacement) : "",
                           yes(r.pass), r.warnings.empty() ? "" : r.warnings.front()});
    return row;
}

std::string CsvCell(const std::string &cell) {
    if (cell.find_first_of(",\"\n") == std::string::npos) return cell;
    std::string quoted = "\"";
    for (char c : cell) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    return quoted + "\"";
}

std::string CsvText(const std::vector<CampaignRun> &runs) {
    std::string text;
    auto add = [&](const std::vector<std::string> &cells) {
        for (std::size_t k = 0; k < cells.size(); ++k) text += (k ? "," : "") + CsvCell(cells[k]);
        text += "\n";
    };
    add(TableHeader());
    for (const CampaignRun &c : runs) add(TableRow(c));
    return text;
}

void WriteOutput(const CliOptions &options, const std::string &path, const std::string &bytes) {
    CheckOutput(options, path, false);
    WriteFileAtomically(path, bytes);
}

// The run list of a series as template --series --json writes it, each run paired with a log in order.
std::vector<CampaignRun> PairRuns(const CliOptions &options, const Json &list, double &a) {
    const std::string &path = options.files.front();
    if (!list.is_object() || !list.contains("runs") || !list["runs"].is_array())
        throw InputError(path, "holds no run list (\"runs\"): write it with template --series ... --json");
    if (a <= 0 && list.contains("a_deg") && list["a_deg"].is_number()) a = list["a_deg"].get<double>();
    const Json &runs = list["runs"];
    const std::size_t logs = options.files.size() - 1;
    if (runs.size() != logs)
        throw UsageError(
            Format("the run list has %zu runs and %zu logs were given: one log per run, in run order",
                   runs.size(), logs));
    std::vector<CampaignRun> paired;
    for (std::size_t k = 0; k < runs.size(); ++k) {
        const Json &run = runs[k];
        try {
            paired.push_back({run.at("run").get<int>(),
                              run.at("set").get<std::string>(),
                              run.at("program").get<int>(),
                              run.at("amplitude_deg").get<double>(),
                              options.files[k + 1],
                              std::nullopt,
                              "",
                              {}});
        } catch (const Json::exception &) {
            throw InputError(path, Format("run %zu lacks run, set, program or amplitude_deg", k + 1));
        }
    }
    return paired;
}

CoverReportPage CoverOf(const CliOptions &options, const std::vector<CampaignRun> &runs, double a, bool pass,
                        int failed, int invalid) {
    CoverReportPage cover;
    cover.title = "Sine-with-dwell campaign: " + std::string(pass ? "PASS" : "FAIL");
    cover.lines.push_back("Vehicle: " +
                          (options.vehicleName.empty() ? std::string("(not named)") : options.vehicleName));
    cover.lines.push_back(options.gvwr > 0
                              ? Format("Gross vehicle weight rating: %g kg", options.gvwr)
                              : std::string("Gross vehicle weight rating: not given (at most 3500 kg)"));
    cover.lines.push_back(
        a > 0 ? Format("A = %.1f deg (steer angle at 0.3 g from the slowly increasing steer runs)", a)
              : std::string("A: not known (the lateral displacement is not judged)"));
    cover.lines.push_back(Format("Runs: %zu, passed %zu, failed %d, invalid %d", runs.size(),
                                 runs.size() - static_cast<std::size_t>(failed + invalid), failed, invalid));
    cover.lines.push_back(
        Format("Criteria: yaw rate ratio at most %g %% at COS + 1.000 s and %g %% at COS + 1.750 s;",
               SwdCriteria::RatioLimit1, SwdCriteria::RatioLimit2));
    cover.lines.push_back(
        Format("lateral displacement at BOS + 1.07 s at least %.2f m in the runs from 5 A on",
               options.gvwr > SwdCriteria::HeavyVehicle ? SwdCriteria::HeavyDisplacementLimit
                                                        : SwdCriteria::DisplacementLimit));
    cover.lines.push_back("Run list: " + options.files.front());
    cover.header = {"run",        "amplitude",  "log",        "BOS s",    "COS s",
                    "peak deg/s", "ratio 1.00", "ratio 1.75", "displ. m", "verdict"};
    for (const CampaignRun &c : runs) {
        std::vector<std::string> row{std::to_string(c.run), Format("%.2f deg", c.amplitude),
                                     FileNameOf(c.log)};
        if (c.result) {
            const SwdResult &r = *c.result;
            row.insert(row.end(),
                       {Format("%.3f", r.bos), Format("%.3f", r.cos), Format("%.2f", r.peakYawRate),
                        Format("%.1f %%", r.ratio1), Format("%.1f %%", r.ratio2),
                        Format("%.3f", r.displacement), r.pass ? "pass" : "FAIL"});
        } else {
            row.insert(row.end(), {"", "", "", "", "", "", "invalid"});
        }
        cover.rows.push_back(row);
        cover.rowPasses.push_back(c.result && c.result->pass);
    }
    return cover;
}

int EvaluateCampaign(const CliOptions &options) {
    double a = options.amplitudeA;
    std::vector<CampaignRun> runs = PairRuns(options, ReadJsonFile(options.files.front()), a);
    SwdOptions swd = SwdOptionsFrom(options);
    swd.amplitudeA = a;
    int failed = 0, invalid = 0;
    Json runsJson = Json::array();
    for (CampaignRun &c : runs) {
        swd.commandedAmplitude = c.amplitude;
        c.vehicleLog = ReadRun(c.log, options, true);
        try {
            c.result = EvaluateSineWithDwell(c.vehicleLog, swd);
            failed += !c.result->pass;
        } catch (const FormatError &e) {
            c.invalid = e.what();
            ++invalid;
        }
        Json run{{"run", c.run},           {"set", FileName(c.set)},
                 {"program", c.program},   {"amplitude_deg", c.amplitude},
                 {"log", FileName(c.log)}, {"dropouts", DropoutsJson(c.vehicleLog)}};
        if (c.result)
            run.update(SwdJson(*c.result));
        else
            run.update({{"pass", false}, {"invalid", c.invalid}});
        runsJson.push_back(run);
    }
    const bool pass = failed == 0 && invalid == 0;
    if (!options.csv.empty()) WriteOutput(options, options.csv, CsvText(runs));
    if (!options.output.empty()) {
        std::vector<RunReportPage> pages;
        for (const CampaignRun &c : runs)
            if (c.result)
                pages.push_back(RunPageOf(*c.result, c.vehicleLog,
                                          Format("Run %d of %zu: %s program %d, amplitude %.2f deg (%s)",
                                                 c.run, runs.size(), FileNameOf(c.set).c_str(), c.program,
                                                 c.amplitude, FileNameOf(c.log).c_str())));
        WriteOutput(options, options.output,
                    EvaluationPdfBytes(CoverOf(options, runs, a, pass, failed, invalid), pages));
    }
    if (options.json) {
        PrintJson({{"run_list", FileName(options.files.front())},
                   {"a_deg", a > 0 ? Json(a) : Json(nullptr)},
                   {"gvwr_kg", options.gvwr > 0 ? Json(options.gvwr) : Json(nullptr)},
                   {"vehicle", Latin1(options.vehicleName)},
                   {"runs", runsJson},
                   {"failed", failed},
                   {"invalid", invalid},
                   {"pass", pass}});
    } else {
        std::vector<std::string> lines;
        for (const CampaignRun &c : runs) {
            if (!c.result) {
                lines.push_back(Format("Run %2d %8.2f deg  %s: invalid: %s", c.run, c.amplitude,
                                       PrintableText(c.log).c_str(), c.invalid.c_str()));
                continue;
            }
            const SwdResult &r = *c.result;
            lines.push_back(
                Format("Run %2d %8.2f deg  %s: ratios %6.1f %% %6.1f %%, displacement %.3f m%s: %s", c.run,
                       c.amplitude, PrintableText(c.log).c_str(), r.ratio1, r.ratio2, r.displacement,
                       r.passDisplacement ? "" : " (not judged)", r.pass ? "pass" : "FAIL"));
        }
        lines.push_back(Format("Campaign: %s (%zu runs, %d failed, %d invalid)", pass ? "pass" : "FAIL",
                               runs.size(), failed, invalid));
        PrintLines(stdout, lines);
    }
    return pass ? 0 : 1;
}

} // namespace

double AmplitudeFromSisFile(const std::string &path) {
    const Json document = ReadJsonFile(path);
    if (!document.is_object() || !document.contains("a_deg") || !document["a_deg"].is_number() ||
        !(document["a_deg"].get<double>() > 0))
        throw InputError(path, "holds no a_deg: write it with evaluate sis ... --json");
    return document["a_deg"].get<double>();
}

int RunEvaluate(const CliOptions &options) {
    if (options.evaluation == "sis") return EvaluateSis(options);
    if (options.evaluation == "swd") return EvaluateSwd(options);
    return EvaluateCampaign(options);
}
