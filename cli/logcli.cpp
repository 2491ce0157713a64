// quillard-cli: a log's reading for every command that reads one: options added to the core's words, and
// its JSON.
#include "cli/logcli.h"

#include <cmath>

namespace {

Json Seconds(double value) { return std::isfinite(value) ? Json(value) : Json(nullptr); }

const char *TimeBaseName(TimeBase base) {
    switch (base) {
    case TimeBase::Epoch:
        return "epoch";
    case TimeBase::ClockTime:
        return "clock";
    case TimeBase::AsWritten:
        break;
    }
    return "as written";
}

Json VehicleChannelJson(const VehicleChannel &c) {
    if (!c.Present()) return nullptr;
    return {{"number", c.column.number},
            {"name", c.column.name},
            {"unit", c.unit},
            {"unit_stated", c.unitStated}};
}

} // namespace

std::string ColumnOption(ChannelKind kind) {
    switch (kind) {
    case ChannelKind::Time:
        return "--time-column";
    case ChannelKind::Steer:
        return "--steer-column";
    case ChannelKind::Mark:
        return "--mark-column";
    case ChannelKind::YawRate:
        return "--yaw-column";
    case ChannelKind::LateralAcceleration:
        return "--ay-column";
    case ChannelKind::Speed:
        return "--speed-column";
    case ChannelKind::Roll:
        return "--roll-column";
    case ChannelKind::SideslipAngle:
        return "--sideslip-column";
    case ChannelKind::RollRate:
        return "--roll-rate-column";
    case ChannelKind::WheelLift:
        return "--lift-column";
    }
    return "";
}

PickHints CliHints() {
    return {[](const ChannelChoice &c) {
                return (c.basis == ChoiceBasis::Position ? "name it with " : "pick another with ") +
                       ColumnOption(c.kind);
            },
            "pick one with --run N"};
}

std::string ChannelErrorText(const ChannelError &e) {
    const std::string option = ColumnOption(e.choice().kind);
    switch (e.problem()) {
    case ChannelProblem::Unnamed:
        return std::string(e.what()) + "; name the steer's column with " + option +
               " (a header name or a number from 1)";
    case ChannelProblem::OtherUnit:
        return std::string(e.what()) + "; name the steer angle's column with " + option;
    case ChannelProblem::Missing:
        break;
    }
    return std::string(e.what()) + "; name it with " + option;
}

Json ColumnJson(int number, const std::string &name, const std::string &unit) {
    if (number <= 0) return nullptr;
    return {{"number", number}, {"name", name}, {"unit", unit.empty() ? Json(nullptr) : Json(unit)}};
}

Json ChoiceJson(const ChannelChoice &c) {
    Json candidates = Json::array();
    for (const ChannelCandidate &candidate : c.candidates)
        candidates.push_back(ColumnJson(candidate.number, candidate.name, candidate.unit));
    return {{"column", ColumnJson(c.taken.number, c.taken.name, c.taken.unit)},
            {"found_by", ChoiceBasisName(c.basis)},
            {"candidates", candidates},
            {"note", c.Said() ? Json(ChoiceLine(c, CliHints())) : Json(nullptr)},
            {"not_read", c.notRead.empty() ? Json(nullptr) : Json(c.notRead)}};
}

Json LogInfoJson(const LogInfo &info) {
    Json gaps = Json::array(), runs = Json::array(), channels = Json::object();
    for (const LogGap &g : info.gaps)
        gaps.push_back({{"time_s", g.time}, {"length_s", g.length}, {"line", g.line}});
    for (const LogRun &r : info.runs)
        runs.push_back({{"run", r.number},
                        {"start_s", r.start},
                        {"end_s", r.end},
                        {"from_s", r.from},
                        {"to_s", r.to},
                        {"peak_steer_deg", r.peak},
                        {"first_steer", SteerDirectionName(r.firstSteer)}});
    for (const ChannelChoice &c : info.choices) channels[KindInfo(c.kind).key] = ChoiceJson(c);
    const LogTimeBase &t = info.time;
    Json time{{"base", TimeBaseName(t.base)},
              {"zero", t.base == TimeBase::AsWritten ? Json(nullptr)
                       : t.base == TimeBase::ClockTime || t.dated
                           ? Json(ClockText(t.origin, t.base == TimeBase::ClockTime ? CellForm::ClockTime
                                                                                    : CellForm::DateTime))
                           : Json(nullptr)},
              {"origin_s", t.base == TimeBase::AsWritten ? Json(nullptr) : Json(t.origin)},
              {"unit_guessed", t.unitGuessed.empty() ? Json(nullptr) : Json(t.unitGuessed)},
              {"sample_rate_hz", info.intervals.Rate() > 0 ? Json(info.intervals.Rate()) : Json(nullptr)},
              {"interval_median_s", Seconds(info.intervals.median)},
              {"interval_shortest_s", Seconds(info.intervals.shortest)},
              {"interval_longest_s", Seconds(info.intervals.longest)}};
    Json named = nullptr;
    if (info.namedOnLine > 0)
        named = {{"file", info.set.empty() ? Json(nullptr) : Json(info.set)},
                 {"program", info.program >= 0 ? Json(info.program) : Json(nullptr)},
                 {"line", info.namedOnLine}};
    return {{"format", LogFormatName(info.format)},
            {"header_line", info.headerLine > 0 ? Json(info.headerLine) : Json(nullptr)},
            {"time", time},
            {"gaps", gaps},
            {"runs", runs},
            {"part", info.part.empty() ? Json(nullptr) : Json(info.part)},
            {"named", named},
            {"recorded", info.recorded.empty() ? Json(nullptr) : Json(info.recorded)},
            {"channels", channels}};
}

Json DropoutsJson(const std::vector<LogDropout> &dropouts) {
    Json list = Json::array();
    for (const LogDropout &d : dropouts)
        list.push_back(
            {{"column", d.column}, {"time_s", d.time}, {"value", d.value}, {"beyond_limit", d.beyondLimit}});
    return list;
}

Json VehicleLogJson(const std::string &path, const VehicleLog &log, double sampleRate) {
    Json columns = Json::object();
    for (const ChannelKindInfo &info : ChannelKinds())
        columns[info.key] = VehicleChannelJson(ChannelOf(log, info.kind));
    return {{"file", FileName(path)},
            {"rows", log.time.size()},
            {"sample_rate_hz", sampleRate > 0 ? Json(sampleRate) : Json(nullptr)},
            {"skipped_rows", log.skippedRows},
            {"columns", columns},
            {"reading", LogInfoJson(log.info)}};
}

VehicleLog ReadRunLog(const std::string &path, const CliOptions &options, bool needsYawRate,
                      const DropoutRules &rules) {
    VehicleLogOptions logOptions = options.vehicleLog;
    logOptions.log = options.logOptions;
    logOptions.log.dropouts = rules;
    logOptions.needsYawRate = needsYawRate;
    return ReadingInput(path, [&] { return ReadVehicleLog(path, logOptions); });
}
