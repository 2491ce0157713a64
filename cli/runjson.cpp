// quillard-cli evaluate: the log, its dropouts and the run's state in JSON, and the run's log as read.
#include "cli/runjson.h"

#include "files/fileio.h"

VehicleLog ReadRun(const std::string &path, const CliOptions &options, bool needsYawRate,
                   const DropoutRules &rules) {
    VehicleLogOptions logOptions = options.vehicleLog;
    logOptions.log = options.logOptions;
    logOptions.log.dropouts = rules;
    logOptions.needsYawRate = needsYawRate;
    return ReadingInput(path, [&] { return ReadVehicleLog(path, logOptions); });
}

Json DropoutsJson(const VehicleLog &log) {
    Json list = Json::array();
    for (const LogDropout &d : log.dropouts)
        list.push_back({{"column", Latin1(d.column)},
                        {"time_s", d.time},
                        {"value", d.value},
                        {"beyond_limit", d.beyondLimit}});
    return list;
}

namespace {

Json ChannelJson(const VehicleChannel &c) {
    if (!c.Present()) return nullptr;
    return {{"number", c.column.number},
            {"name", Latin1(c.column.name)},
            {"unit", c.unit},
            {"unit_stated", c.unitStated}};
}

} // namespace

Json LogJson(const std::string &path, const VehicleLog &log, double sampleRate) {
    Json document{{"file", FileName(path)},
                  {"rows", log.time.size()},
                  {"sample_rate_hz", sampleRate > 0 ? Json(sampleRate) : Json(nullptr)},
                  {"skipped_rows", log.skippedRows},
                  {"columns",
                   {{"time", ChannelJson(log.timeChannel)},
                    {"steer", ChannelJson(log.steerChannel)},
                    {"yaw_rate", ChannelJson(log.yawChannel)},
                    {"lateral_acceleration", ChannelJson(log.ayChannel)},
                    {"speed", ChannelJson(log.speedChannel)},
                    {"roll", ChannelJson(log.rollChannel)}}}};
    for (const auto &[key, channel] :
         {std::pair{"sideslip", &log.sideslipChannel}, std::pair{"roll_rate", &log.rollRateChannel},
          std::pair{"lift", &log.liftChannel}})
        if (channel->Present()) document["columns"][key] = ChannelJson(*channel);
    return document;
}

Json Optional(const std::optional<double> &value) { return value ? Json(*value) : Json(nullptr); }
Json Optional(const std::optional<bool> &value) { return value ? Json(*value) : Json(nullptr); }

namespace {

Json StatedJson(const RunVerdict &verdict) {
    Json stated = Json::array();
    for (RunCondition c : verdict.StatedConditions()) stated.push_back(RunConditionName(c));
    return stated;
}

} // namespace

Json StateJson(RunState state, const std::string &reason, const RunVerdict &verdict) {
    return {{"state", RunStateName(state)},
            {"reason", reason.empty() ? Json(nullptr) : Json(reason)},
            {"stated", StatedJson(verdict)},
            {"pass", state == RunState::Pass}};
}
