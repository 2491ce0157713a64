// quillard-cli evaluate campaign: reads the run list, the test information, the vehicle file and the
// logs, has the core pair and judge them, and writes the JSON, the CSV table and the PDF report.
#include "romfiles/campaign.h"
#include "cli/evaluate.h"
#include "cli/logcli.h"
#include "compiler/format.h"
#include "files/fileio.h"
#include "graph/ui/EvaluationReport.h"
#include "measure/vehicle.h"
#include "romfiles/programset.h"

#include <QString>

#include <algorithm>
#include <filesystem>

namespace {

constexpr ReadLimit RunListLimit{16 * MiB};
constexpr ReadLimit InfoFileLimit{1 * MiB, false, 64 * 1024};

using ::Optional;
Json Optional(const std::string &text) { return text.empty() ? Json(nullptr) : Json(text); }

// A of the first run whose set file is there and whose program's note names it.
AmplitudeCandidate NoteCandidate(const RunList &list) {
    std::vector<std::pair<std::string, int>> programs;
    for (const SeriesRun &run : list.runs) programs.push_back({run.set, run.program});
    // A set that cannot be read, or a note that holds no A, stops the campaign naming the set.
    if (const std::optional<NoteA> note = SeriesNoteA(programs)) return {note->value, note->source};
    return {};
}

// Everything the campaign is judged with, from the options and the files they name.
struct CampaignInputs {
    RunList list;
    CampaignSettings settings;
    CampaignA a;
    Gvwr gvwr;
    CampaignInfo info;
};

CampaignInputs ReadInputs(const CliOptions &options) {
    CampaignInputs in;
    const std::string &path = options.files.front();
    in.list = ReadingInput(path, [&] { return ParseRunList(ReadFileBytes(path, RunListLimit)); });
    if (!options.infoFile.empty())
        in.info = ReadingInput(options.infoFile, [&] {
            return ParseCampaignInfo(ReadFileBytes(options.infoFile, InfoFileLimit));
        });
    if (!options.vehicleName.empty()) in.info.vehicle = ReportText(options.vehicleName);
    std::optional<double> vehicleGvwr;
    if (!options.vehicleFile.empty())
        vehicleGvwr = ReadingInput(options.vehicleFile, [&] {
            return ParseVehicleParameters(ReadFileBytes(options.vehicleFile, ProgramFileLimit)).gvwr;
        });
    in.gvwr = ChooseGvwr(options.gvwr > 0 ? std::optional(options.gvwr) : std::nullopt, in.info, vehicleGvwr);
    std::vector<AmplitudeCandidate> candidates{
        {options.amplitudeA > 0 ? std::optional(options.amplitudeA) : std::nullopt, options.amplitudeSource},
        {in.list.a, "the run list"}};
    if (!options.amplitudeA && !in.list.a) candidates.push_back(NoteCandidate(in.list));
    in.a = ChooseAmplitudeA(candidates);
    in.settings.swd = SwdOptionsFrom(options);
    in.settings.regulation = options.regulation;
    in.settings.pairing = options.pairing;
    return in;
}

std::string CsvCell(const std::string &cell) {
    if (cell.find_first_of(",\"\r\n") == std::string::npos) return cell;
    std::string quoted = "\"";
    for (char c : cell) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    return quoted + "\"";
}

std::string Cell(const std::optional<double> &value, int decimals) {
    return value ? Fixed(*value, decimals) : std::string();
}

std::string StatedText(const RunVerdict &verdict) {
    std::string text;
    for (RunCondition c : verdict.StatedConditions())
        text += (text.empty() ? "" : " ") + std::string(RunConditionName(c));
    return text;
}

std::vector<std::string> TableHeader() {
    std::vector<std::string> header{"run",
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
                                    "speed_at_bos_kmh",
                                    "yaw_rate_ratio_1000_pass",
                                    "yaw_rate_ratio_1750_pass",
                                    "lateral_displacement_pass",
                                    "state",
                                    "reason",
                                    "stated",
                                    "note",
                                    "first_steer",
                                    "measured_amplitude_deg",
                                    "yaw_rate_ratio_1000_margin_points",
                                    "yaw_rate_ratio_1750_margin_points",
                                    "lateral_displacement_margin_m",
                                    "speed_at_bos_margin_kmh",
                                    "dropouts",
                                    "warnings",
                                    "a_deg",
                                    "a_source",
                                    "regulation",
                                    "gvwr_kg",
                                    "gvwr_source"};
    for (const CampaignInfoField &field : CampaignInfoFields())
        header.push_back(std::string("info_") + field.key);
    return header;
}

std::vector<std::string> TableRow(const CampaignRunResult &c, const CampaignResult &campaign) {
    const SwdResult &r = c.result;
    auto yes = [](bool b) { return std::string(b ? "true" : "false"); };
    std::vector<std::string> row{std::to_string(c.run.run), c.run.set, std::to_string(c.run.program),
                                 ShortestFixed(static_cast<float>(c.run.amplitude)), c.log};
    if (r.processed)
        row.insert(row.end(),
                   {Fixed(r.bos, 4), Fixed(r.cos, 4), Fixed(r.peakYawRate, 3), Fixed(r.ratio1, 2),
                    Fixed(r.ratio2, 2), Fixed(r.displacement, 3), Cell(r.speedAtBos, 1), yes(r.pass1),
                    yes(r.pass2), r.passDisplacement ? yes(*r.passDisplacement) : ""});
    else
        row.insert(row.end(), {"", "", "", "", "", "", Cell(r.speedAtBos, 1), "", "", ""});
    row.insert(row.end(), {RunStateName(r.state), r.reason, StatedText(r.verdict),
                           r.warnings.empty() ? "" : r.warnings.front(), c.direction,
                           r.processed ? Fixed(r.measuredAmplitude, 2) : "", Cell(c.margins.ratio1, 2),
                           Cell(c.margins.ratio2, 2), Cell(c.margins.displacement, 3),
                           Cell(c.margins.speed, 1), std::to_string(c.dropouts), std::to_string(c.warnings),
                           campaign.a.value > 0 ? ShortestFixed(static_cast<float>(campaign.a.value)) : "",
                           campaign.a.source, RegulationName(campaign.regulation),
                           campaign.gvwr.kg > 0 ? ShortestFixed(static_cast<float>(campaign.gvwr.kg)) : "",
                           campaign.gvwr.source});
    for (const CampaignInfoField &field : CampaignInfoFields())
        row.push_back(CampaignInfoValue(campaign.info, field.key));
    return row;
}

std::string CsvText(const CampaignResult &campaign) {
    std::string text;
    auto add = [&](const std::vector<std::string> &cells) {
        for (std::size_t k = 0; k < cells.size(); ++k) text += (k ? "," : "") + CsvCell(cells[k]);
        text += "\n";
    };
    add(TableHeader());
    for (const CampaignRunResult &c : campaign.runs) add(TableRow(c, campaign));
    return text;
}

// The text in lines of at most the width, broken at blanks, the lines after the first indented: the
// report's first page does not wrap its lines.
void AddWrapped(std::vector<std::string> &lines, const std::string &text, std::size_t width = 90) {
    std::string line;
    for (std::size_t at = 0; at < text.size();) {
        std::size_t end = text.find(' ', at);
        if (end == std::string::npos) end = text.size();
        const std::string word = text.substr(at, end - at);
        if (!line.empty() && line.size() + 1 + word.size() > width) {
            lines.push_back(line);
            line = "    " + word;
        } else {
            line += (line.empty() ? "" : " ") + word;
        }
        at = end + 1;
    }
    lines.push_back(line);
}

std::string RunNumbers(const std::vector<int> &runs) {
    std::string text;
    for (int run : runs) text += (text.empty() ? "" : ", ") + std::to_string(run);
    return text;
}

CoverReportPage CoverOf(const CliOptions &options, const CampaignResult &campaign) {
    using namespace SwdCriteria;
    const CampaignVerdict &verdict = campaign.verdict;
    CoverReportPage cover;
    cover.title = "Sine-with-dwell campaign: " + std::string(RunStateTitle(verdict.state));
    // The information as given, the GVWR as applied, with where it came from when it is not given there.
    CampaignInfo shown = campaign.info;
    if (campaign.gvwr.kg > 0) shown.gvwr = campaign.gvwr.kg;
    std::string gvwrLabel;
    for (const CampaignInfoField &field : CampaignInfoFields())
        if (std::string(field.key) == "gvwr") gvwrLabel = field.label;
    for (std::string line : CampaignInfoLines(shown)) {
        if (line.rfind(gvwrLabel, 0) == 0 && campaign.gvwr.kg > 0 && !campaign.info.gvwr)
            line += " (from " + campaign.gvwr.source + ")";
        AddWrapped(cover.lines, line);
    }
    cover.lines.push_back(campaign.a.value > 0
                              ? Format("A = %.1f deg (steer angle at 0.3 g from the slowly increasing steer "
                                       "runs; from %s)",
                                       campaign.a.value, campaign.a.source.c_str())
                              : std::string("A: not known, so the campaign cannot pass"));
    cover.lines.push_back(Format("Runs: %zu, passed %d, failed %d, invalid %d%s", campaign.runs.size(),
                                 verdict.passed, verdict.failed, verdict.invalid,
                                 verdict.reason.empty() ? "" : (": " + verdict.reason).c_str()));
    for (const std::string &line : RegulationCriteria(campaign.regulation, campaign.gvwr.kg))
        AddWrapped(cover.lines, line);
    AddWrapped(cover.lines,
               Format("Each run must show: the speed at BOS %g +/- %g km/h, the commanded amplitude (within "
                      "%g %%, at least %g deg), one run per log, every channel trusted; otherwise it is "
                      "invalid",
                      Speed, SpeedTolerance, 100 * AmplitudeTolerance, AmplitudeToleranceFloor));
    for (RunCondition condition : RunConditions()) {
        std::vector<int> stated;
        for (const CampaignRunResult &c : campaign.runs) {
            const auto &s = c.result.verdict.StatedConditions();
            if (std::find(s.begin(), s.end(), condition) != s.end()) stated.push_back(c.run.run);
        }
        if (!stated.empty())
            AddWrapped(cover.lines, std::string("Stated, not measured: ") + RunConditionText(condition) +
                                        " in run" + (stated.size() > 1 ? "s " : " ") + RunNumbers(stated));
    }
    // The runs that did not pass, those with one reason together, so that the page keeps its table.
    std::vector<std::pair<std::string, std::vector<int>>> reasons;
    for (const CampaignRunResult &c : campaign.runs) {
        if (c.result.pass) continue;
        const std::string why = std::string(RunStateName(c.result.state)) + ": " + c.result.reason;
        auto same =
            std::find_if(reasons.begin(), reasons.end(), [&](const auto &r) { return r.first == why; });
        if (same == reasons.end())
            reasons.push_back({why, {c.run.run}});
        else
            same->second.push_back(c.run.run);
    }
    for (const auto &[why, numbers] : reasons)
        AddWrapped(cover.lines, (numbers.size() > 1 ? "Runs " : "Run ") + RunNumbers(numbers) + " " + why);
    cover.lines.push_back("Run list: " + options.files.front());
    cover.header = {"run",        "amplitude",  "log",        "BOS s",    "COS s",
                    "peak deg/s", "ratio 1.00", "ratio 1.75", "displ. m", "verdict"};
    for (const CampaignRunResult &c : campaign.runs) {
        std::vector<std::string> row{std::to_string(c.run.run), Format("%.2f deg", c.run.amplitude),
                                     FileNameOf(c.log)};
        const SwdResult &r = c.result;
        if (r.processed)
            row.insert(row.end(), {Fixed(r.bos, 3), Fixed(r.cos, 3), Fixed(r.peakYawRate, 2),
                                   FigureText(r.ratio1, 2, "%"), FigureText(r.ratio2, 2, "%"),
                                   Fixed(r.displacement, 3)});
        else
            row.insert(row.end(), 6, "");
        row.push_back(r.pass ? "pass" : RunStateTitle(r.state));
        cover.rows.push_back(row);
        cover.rowPasses.push_back(r.pass);
    }
    return cover;
}

Json InfoJson(const CampaignInfo &info) {
    Json document = Json::object();
    for (const CampaignInfoField &field : CampaignInfoFields())
        document[field.key] = Optional(CampaignInfoValue(info, field.key));
    document["gvwr"] = Optional(info.gvwr);
    return document;
}

Json RunJson(const CampaignRunResult &c, const VehicleLog &log, const SwdOptions &settings) {
    Json run{{"run", c.run.run},
             {"set", FileName(c.run.set)},
             {"program", c.run.program},
             {"amplitude_deg", c.run.amplitude},
             {"log", FileName(c.log)},
             {"dropouts", DropoutsJson(log.dropouts)},
             {"dropout_count", c.dropouts},
             {"warning_count", c.warnings},
             {"direction", Optional(c.direction)},
             {"reading", LogInfoJson(log.info)}};
    run.update(SwdJson(c.result, settings));
    if (c.result.state == RunState::Invalid) run["invalid"] = c.result.reason;
    return run;
}

std::vector<std::string> TextLines(const CampaignResult &campaign, const std::vector<VehicleLog> &logs,
                                   const std::vector<PairedRun> &paired) {
    std::vector<std::string> lines;
    for (std::size_t k = 0; k < campaign.runs.size(); ++k) {
        const CampaignRunResult &c = campaign.runs[k];
        const SwdResult &r = c.result;
        std::string figures;
        if (r.processed)
            figures = Format(": ratios %8s %8s, displacement %s%s", FigureText(r.ratio1, 2, "%").c_str(),
                             FigureText(r.ratio2, 2, "%").c_str(), FigureText(r.displacement, 3, "m").c_str(),
                             r.passDisplacement ? "" : " (not judged)");
        lines.push_back(Format("Run %2d %8.2f deg  %s%s: %s", c.run.run, c.run.amplitude,
                               PrintableText(c.log).c_str(), figures.c_str(),
                               r.pass ? "pass" : RunStateTitle(r.state)) +
                        (r.reason.empty() ? "" : ": " + r.reason));
        for (const std::string &note : ReadingNotes(logs[paired[k].index].info, CliHints()))
            lines.push_back("  Log: " + note);
    }
    const CampaignVerdict &verdict = campaign.verdict;
    lines.push_back(Format("Campaign: %s (%zu runs, %d failed, %d invalid)",
                           verdict.state == RunState::Pass ? "pass" : RunStateTitle(verdict.state),
                           campaign.runs.size(), verdict.failed, verdict.invalid) +
                    (verdict.reason.empty() ? "" : ": " + verdict.reason));
    return lines;
}

} // namespace

std::string ReportText(const std::string &bytes) {
    const QString text = QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
    if (text.toUtf8().toStdString() != bytes) return bytes;
    return text.toLatin1().toStdString();
}

int EvaluateCampaign(const CliOptions &options) {
    const CampaignInputs in = ReadInputs(options);
    const std::vector<std::string> logFiles(options.files.begin() + 1, options.files.end());
    std::vector<PairedRun> paired;
    std::vector<VehicleLog> logs;
    try {
        if (in.settings.pairing != Pairing::Logged) paired = PairLogs(in.list, logFiles, in.settings.pairing);
        std::vector<LoggedProgram> logged;
        for (const std::string &file : logFiles) {
            logs.push_back(ReadRunLog(file, options, true));
            logged.push_back({logs.back().info.set, logs.back().info.program});
        }
        if (in.settings.pairing == Pairing::Logged)
            paired = PairLogs(in.list, logFiles, Pairing::Logged, logged);
    } catch (const CampaignError &e) {
        throw UsageError(e.what());
    }
    const CampaignResult campaign =
        JudgeCampaignRuns(paired, logs, in.list, in.settings, in.a, in.gvwr, in.info);
    const bool pass = campaign.verdict.state == RunState::Pass;
    if (!options.csv.empty()) WriteOutput(options, options.csv, CsvText(campaign));
    if (!options.output.empty()) {
        std::vector<RunReportPage> pages;
        for (const CampaignRunResult &c : campaign.runs)
            if (c.result.processed)
                pages.push_back(
                    RunPageOf(c.result, campaign.settings.swd,
                              Format("Run %d of %zu: %s program %d, amplitude %.2f deg (%s)", c.run.run,
                                     campaign.runs.size(), FileNameOf(c.run.set).c_str(), c.run.program,
                                     c.run.amplitude, FileNameOf(c.log).c_str())));
        WriteOutput(options, options.output, EvaluationPdfBytes(CoverOf(options, campaign), pages));
    }
    if (!options.json) {
        PrintLines(stdout, TextLines(campaign, logs, paired));
        return pass ? 0 : 1;
    }
    Json runs = Json::array();
    for (std::size_t k = 0; k < campaign.runs.size(); ++k)
        runs.push_back(RunJson(campaign.runs[k], logs[paired[k].index], campaign.settings.swd));
    std::vector<std::string> criteria = RegulationCriteria(campaign.regulation, campaign.gvwr.kg);
    PrintJson({{"run_list", FileName(options.files.front())},
               {"pairing", PairingName(in.settings.pairing)},
               {"a_deg", campaign.a.value > 0 ? Json(campaign.a.value) : Json(nullptr)},
               {"a_source", Optional(campaign.a.source)},
               {"gvwr_kg", campaign.gvwr.kg > 0 ? Json(campaign.gvwr.kg) : Json(nullptr)},
               {"gvwr_source", Optional(campaign.gvwr.source)},
               {"vehicle", FileName(options.vehicleName)},
               {"regulation", RegulationName(campaign.regulation)},
               {"criteria", criteria},
               {"test_information", InfoJson(campaign.info)},
               {"runs", runs},
               {"passed", campaign.verdict.passed},
               {"failed", campaign.verdict.failed},
               {"invalid", campaign.verdict.invalid},
               {"state", RunStateName(campaign.verdict.state)},
               {"reason", Optional(campaign.verdict.reason)},
               {"pass", pass}});
    return pass ? 0 : 1;
}
