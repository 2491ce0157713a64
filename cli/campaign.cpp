// quillard-cli evaluate campaign: reads the run list, the test information, the vehicle file and the
// logs, has the core pair and judge them, and writes the JSON, the CSV table and the PDF report.
#include "romfiles/campaign.h"
#include "cli/evaluate.h"
#include "cli/logcli.h"
#include "compiler/compile.h"
#include "compiler/format.h"
#include "files/fileio.h"
#include "files/sha256.h"
#include "graph/ui/CampaignReport.h"
#include "measure/sis.h"
#include "measure/vehicle.h"
#include "romfiles/imagecheck.h"
#include "romfiles/programset.h"

#include <QString>

#include <algorithm>
#include <cmath>
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
    header.insert(header.end(), {"log_sha256", "image", "slot_crc32", "aux_slot_crc32", "following_delay_s",
                                 "following_gain", "following_offset_deg", "following_rms_error_deg",
                                 "following_peak_error_deg", "following_reason", "quillard_version"});
    return header;
}

// A figure of the comparison as the CSV writes it: empty where it was not measured.
std::string FollowingCell(double value, int decimals) {
    return std::isfinite(value) ? Fixed(value, decimals) : std::string();
}

std::vector<std::string> TableRow(const CampaignRunResult &c, const CampaignResult &campaign,
                                  const ReportRunTrace &trace) {
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
    const std::optional<ReportSlot> &slot = trace.slot;
    row.insert(row.end(),
               {trace.logSha256, slot ? FileNameOf(slot->image) : "", slot ? CrcText(slot->binCrc) : "",
                slot && slot->auxCrc ? CrcText(*slot->auxCrc) : ""});
    const Comparison *compared =
        trace.following && trace.following->comparison ? &*trace.following->comparison : nullptr;
    row.insert(row.end(), {compared ? FollowingCell(compared->delay, 4) : "",
                           compared ? FollowingCell(compared->gain, 4) : "",
                           compared ? FollowingCell(compared->offset, 3) : "",
                           compared ? FollowingCell(compared->rmsError, 3) : "",
                           compared ? FollowingCell(compared->peakError, 3) : "",
                           trace.following ? trace.following->reason : "", QUILLARD_VERSION});
    return row;
}

std::string CsvText(const CampaignResult &campaign, const std::vector<ReportRunTrace> &traces) {
    std::string text;
    auto add = [&](const std::vector<std::string> &cells) {
        for (std::size_t k = 0; k < cells.size(); ++k) text += (k ? "," : "") + CsvCell(cells[k]);
        text += "\n";
    };
    add(TableHeader());
    for (std::size_t k = 0; k < campaign.runs.size(); ++k)
        add(TableRow(campaign.runs[k], campaign, traces[k]));
    return text;
}

Json InfoJson(const CampaignInfo &info) {
    Json document = Json::object();
    for (const CampaignInfoField &field : CampaignInfoFields())
        document[field.key] = Optional(CampaignInfoValue(info, field.key));
    document["gvwr"] = Optional(info.gvwr);
    return document;
}

Json SlotJson(const std::optional<ReportSlot> &slot) {
    if (!slot) return nullptr;
    return {{"image", FileName(slot->image)},
            {"crc32", CrcText(slot->binCrc)},
            {"aux_crc32", slot->auxCrc ? Json(CrcText(*slot->auxCrc)) : Json(nullptr)}};
}

Json FollowingJson(const std::optional<ReportFollowing> &following) {
    if (!following) return nullptr;
    if (!following->comparison) return {{"reason", following->reason}};
    const Comparison &c = *following->comparison;
    auto figure = [](double value) { return std::isfinite(value) ? Json(value) : Json(nullptr); };
    return {{"delay_s", figure(c.delay)},
            {"gain", figure(c.gain)},
            {"offset_deg", figure(c.offset)},
            {"rms_error_deg", figure(c.rmsError)},
            {"peak_error_deg", figure(c.peakError)}};
}

Json RunJson(const CampaignRunResult &c, const VehicleLog &log, const SwdOptions &settings,
             const ReportRunTrace &trace) {
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
    run["log_sha256"] = trace.logSha256;
    run["slot"] = SlotJson(trace.slot);
    run["following"] = FollowingJson(trace.following);
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
    const std::vector<ReportRunTrace> traces = RunTracesOf(options, campaign, logs, paired);
    const std::optional<ReportSis> sis = SisRunsOf(options);
    if (!options.csv.empty()) WriteOutput(options, options.csv, CsvText(campaign, traces));
    if (!options.output.empty())
        WriteOutput(
            options, options.output,
            CampaignReportPdf(campaign, {QUILLARD_VERSION, FileNameOf(options.files.front()), sis, traces}));
    if (!options.json) {
        PrintLines(stdout, TextLines(campaign, logs, paired));
        return pass ? 0 : 1;
    }
    Json runs = Json::array();
    for (std::size_t k = 0; k < campaign.runs.size(); ++k)
        runs.push_back(RunJson(campaign.runs[k], logs[paired[k].index], campaign.settings.swd, traces[k]));
    std::vector<std::string> criteria = RegulationCriteria(campaign.regulation, campaign.gvwr.kg);
    PrintJson({{"quillard_version", QUILLARD_VERSION},
               {"run_list", FileName(options.files.front())},
               {"pairing", PairingName(in.settings.pairing)},
               {"a_deg", campaign.a.value > 0 ? Json(campaign.a.value) : Json(nullptr)},
               {"a_source", Optional(campaign.a.source)},
               {"gvwr_kg", campaign.gvwr.kg > 0 ? Json(campaign.gvwr.kg) : Json(nullptr)},
               {"gvwr_source", Optional(campaign.gvwr.source)},
               {"vehicle", FileName(options.vehicleName)},
               {"regulation", RegulationName(campaign.regulation)},
               {"criteria", criteria},
               {"test_information", InfoJson(campaign.info)},
               {"sis", sis ? SisRunsJson(*sis) : Json(nullptr)},
               {"runs", runs},
               {"passed", campaign.verdict.passed},
               {"failed", campaign.verdict.failed},
               {"invalid", campaign.verdict.invalid},
               {"state", RunStateName(campaign.verdict.state)},
               {"reason", Optional(campaign.verdict.reason)},
               {"pass", pass}});
    return pass ? 0 : 1;
}
