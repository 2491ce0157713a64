// quillard-cli log: what is in a logger file at a glance (format, rows, time, each column and the channel
// taken from it, dropouts, gaps, runs), and the channels chosen of the part read written as CSV or MATLAB.
#include "cli/commands.h"
#include "cli/logcli.h"
#include "compiler/format.h"
#include "measure/logview.h"
#include "measure/matfile.h"

#include <QString>

#include <cmath>

namespace {

// The text padded with blanks to the width of a column on a terminal: a UTF-8 sequence ("\xc2\xb0",
// a degree sign) takes one place, as does each byte outside UTF-8 (a Latin-1 degree sign).
std::string Padded(const std::string &text, std::size_t width) {
    std::size_t shown = 0;
    bool inSequence = false;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        const bool follows = inSequence && (byte & 0xc0) == 0x80;
        if (!follows) ++shown;
        inSequence = byte >= 0xc2 && byte <= 0xf4 ? true : follows;
    }
    return text + std::string(width > shown ? width - shown : 0, ' ');
}

bool IsMatName(const std::string &path) {
    return QString::fromLatin1(path.c_str()).endsWith(".mat", Qt::CaseInsensitive);
}

std::string Separator(const LogTable &table) {
    switch (table.separator) {
    case '\t':
        return "tab-separated";
    case ';':
        return "semicolon-separated";
    case ',':
        return "comma-separated";
    default:
        return "blank-separated";
    }
}

// "text table, comma-separated, header on line 3".
std::string FormatText(const LogTable &table) {
    std::string text = LogFormatName(table.format);
    if (table.format == LogFormat::TextTable) text += ", " + Separator(table);
    if (table.headerLine > 0) text += Format(", header on line %d", table.headerLine);
    if (table.unitLine > 0) text += Format(", units on line %d", table.unitLine);
    if (!table.source.empty()) text += ", the fields of struct " + table.source;
    return text;
}

std::string Range(const ColumnSummary &c) {
    if (c.numbers == 0) return c.bad ? "text (\"" + Cut(c.bad->text, 12) + "\")" : "empty";
    if (c.form != CellForm::Number) return ClockText(c.low, c.form) + " to " + ClockText(c.high, c.form);
    // A time since 1970 with its decimals.
    const char *format =
        std::fabs(c.low) >= 1e8 || std::fabs(c.high) >= 1e8 ? "%.13g to %.13g" : "%.6g to %.6g";
    return Format(format, c.low, c.high);
}

std::string KindsText(const ColumnSummary &c) {
    std::string text = c.takenFor ? ChannelKindName(*c.takenFor) : "";
    for (ChannelKind kind : c.namedAs)
        text += (text.empty() ? "" : "; ") + std::string("named as ") + ChannelKindName(kind) + ", not taken";
    return text.empty() ? "-" : text;
}

std::vector<std::string> TextLines(const std::string &file, const LogTable &table, const VehicleLog &log,
                                   const std::vector<ColumnSummary> &columns) {
    const LogInfo &info = log.info;
    std::vector<std::string> lines{"Log " + PrintableText(file) + ": " + FormatText(table)};
    lines.push_back(Format("Rows: %zu of %zu read", log.time.size(), table.Rows()) +
                    (log.skippedRows > 0 ? Format(" (%d skipped for an empty cell, the first on line %d)",
                                                  log.skippedRows, log.firstSkippedLine)
                                         : "") +
                    (info.part.empty() ? "" : "; the part read: " + info.part));
    lines.push_back(Format("Time: %.4f to %.4f s, %.4g Hz (intervals %.4g s, from %.4g to %.4g s)",
                           log.time.front(), log.time.back(), info.intervals.Rate(), info.intervals.median,
                           info.intervals.shortest, info.intervals.longest));
    if (const std::string base = TimeBaseText(info.time); !base.empty())
        lines.push_back("Time base: " + base);
    if (!info.recorded.empty()) lines.push_back("Recorded: " + info.recorded);
    if (info.namedOnLine > 0)
        lines.push_back("Names: " + (info.set.empty() ? std::string("program") : info.set) +
                        (info.program >= 0 ? Format(" program %d", info.program) : "") +
                        Format(" (line %d)", info.namedOnLine));
    lines.push_back("Columns:");
    lines.push_back(Format("  %6s  %-28s %-8s %-34s %s", "column", "name", "unit", "range", "channel"));
    for (const ColumnSummary &c : columns)
        lines.push_back(Format("  %6d  ", c.number) + Padded(Cut(c.name, 28), 28) + " " +
                        Padded(c.unit.empty() ? "-" : Cut(c.unit, 8), 8) + " " + Padded(Range(c), 34) + " " +
                        KindsText(c));
    for (const std::string &note : ReadingNotes(info, CliHints())) lines.push_back("Note: " + note);
    if (const ChannelChoice *steer = info.ChoiceOf(ChannelKind::Steer);
        steer && !steer->Taken() && steer->notRead.empty())
        lines.push_back("Note: no column is named as the steer: name its column with --steer-column");
    lines.push_back(log.dropouts.empty() ? "Dropouts: none"
                                         : Format("Dropouts: %zu replaced: ", log.dropouts.size()) +
                                               DropoutText(log.dropouts));
    std::string gaps;
    for (const LogGap &g : info.gaps)
        gaps += Format("%s%.3f s for %.3f s (line %d)", gaps.empty() ? "" : ", ", g.time, g.length, g.line);
    lines.push_back("Gaps: " + (gaps.empty() ? std::string("none") : gaps));
    if (info.runs.empty()) {
        lines.push_back(log.steer.empty() ? "Runs: none (no steer)"
                                          : "Runs: none (the steer never leaves its rest)");
    } else {
        lines.push_back(Format("Runs: %zu (steer away from its rest, with %g s of rest between)",
                               info.runs.size(), RunRules::RestBetween) +
                        (info.runs.size() > 1 ? "; pick one with --run N" : ""));
        for (const LogRun &r : info.runs)
            lines.push_back(
                Format("  %d: %.3f to %.3f s, peak %.1f deg, first steer %s (its part %.3f to %.3f s)",
                       r.number, r.start, r.end, r.peak, SteerDirectionName(r.firstSteer), r.from, r.to));
    }
    return lines;
}

Json ColumnsJson(const std::vector<ColumnSummary> &columns) {
    Json list = Json::array();
    for (const ColumnSummary &c : columns) {
        Json named = Json::array();
        for (ChannelKind kind : c.namedAs) named.push_back(KindInfo(kind).key);
        list.push_back(
            {{"number", c.number},
             {"name", c.name},
             {"unit", c.unit.empty() ? Json(nullptr) : Json(c.unit)},
             {"channel", c.takenFor ? Json(KindInfo(*c.takenFor).key) : Json(nullptr)},
             {"also_named_as", named},
             {"numbers", c.numbers},
             {"empty_cells", c.empty},
             {"from", c.numbers > 0 ? Json(c.low) : Json(nullptr)},
             {"to", c.numbers > 0 ? Json(c.high) : Json(nullptr)},
             {"not_a_number", c.bad ? Json({{"line", c.bad->line}, {"cell", c.bad->text}}) : Json(nullptr)}});
    }
    return list;
}

// The channels chosen of the part read, as a CSV text or a MATLAB file, with where they came from.
void WriteChannels(const CliOptions &options, const std::string &file, const VehicleLog &log) {
    const LogExtract extract =
        ReadingInput(file, [&] { return ExtractChannels(log, options.channels, options.resample); });
    CheckOutput(options, options.output, false);
    if (IsMatName(options.output)) {
        std::vector<MatVariable> variables;
        for (std::size_t k = 0; k < extract.kinds.size(); ++k)
            variables.push_back(
                {KindInfo(extract.kinds[k]).key, extract.values[k], extract.values[k].size(), 1});
        WriteFileAtomically(options.output, MatFileBytes(variables));
        return;
    }
    std::vector<std::string> comments{
        "written by quillard-cli log from " + FileNameOf(file) +
        (log.info.part.empty() ? "" : ", " + log.info.part) +
        (options.resample > 0 ? Format(", resampled at %g Hz", options.resample) : "")};
    if (log.info.namedOnLine > 0)
        comments.push_back("program: " + (log.info.set.empty() ? std::string("?") : log.info.set) +
                           (log.info.program >= 0 ? Format(" program %d", log.info.program) : ""));
    if (const std::string base = TimeBaseText(log.info.time); !base.empty())
        comments.push_back("time: " + base);
    WriteFileAtomically(options.output, ExtractCsv(extract, comments));
}

} // namespace

void CheckLogPart(const CommandLine &line) {
    if (line.Has("run") && (line.Has("from") || line.Has("to")))
        throw UsageError("--run and --from or --to both pick the part of the log: give one");
}

void FinishLog(const CommandLine &, CliOptions &options) {
    if (options.channelList.empty()) return;
    std::string word;
    for (char c : options.channelList + ",") {
        if (c != ',') {
            if (c != ' ') word += c;
            continue;
        }
        ChannelKind kind;
        if (!word.empty() && !ChannelKindNamed(word, kind))
            throw UsageError("invalid channels: " + options.channelList + " (" + word +
                             " is none of steer, mark, yaw, ay, speed, roll, sideslip, roll-rate, lift)");
        if (!word.empty()) options.channels.push_back(kind);
        word.clear();
    }
}

int RunLog(const CliOptions &options) {
    const std::string &file = InputFile(options);
    const LogTable table = ReadingInput(file, [&] { return ReadLogTable(file); });
    VehicleLogOptions logOptions = options.vehicleLog;
    logOptions.log = options.logOptions;
    logOptions.needsSteer = logOptions.needsYawRate = logOptions.needsLateralAcceleration = false;
    for (ChannelKind kind : options.channels) {
        logOptions.needsSteer |= kind == ChannelKind::Steer;
        logOptions.needsYawRate |= kind == ChannelKind::YawRate;
        logOptions.needsLateralAcceleration |= kind == ChannelKind::LateralAcceleration;
    }
    const VehicleLog log = ReadingInput(file, [&] { return VehicleLogOf(table, logOptions); });
    const std::vector<ColumnSummary> columns = SummariseColumns(table, log.info);
    if (!options.output.empty()) WriteChannels(options, file, log);
    if (options.json) {
        PrintJson({{"file", FileName(file)},
                   {"rows", log.time.size()},
                   {"table_rows", table.Rows()},
                   {"skipped_rows", log.skippedRows},
                   {"from_s", log.time.front()},
                   {"to_s", log.time.back()},
                   {"reading", LogInfoJson(log.info)},
                   {"columns", ColumnsJson(columns)},
                   {"dropouts", DropoutsJson(log.dropouts)},
                   {"written", options.output.empty() ? Json(nullptr) : FileName(options.output)}});
    } else {
        PrintLines(stdout, TextLines(file, table, log, columns));
    }
    return 0;
}
