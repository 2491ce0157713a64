// quillard-cli: the JSON documents of --json, built with nlohmann's ordered JSON.
#include "cli/json.h"

#include "compiler/messages.h"

#include <QString>

#include <charconv>

void PrintJson(const Json &document) {
    PrintLines(stdout, {document.dump(2, ' ', false, Json::error_handler_t::replace)});
}

Json Latin1(const std::string &text) {
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size())).toStdString();
}

Json Latin1Lines(const std::vector<std::string> &lines) {
    Json array = Json::array();
    for (const std::string &line : lines) array.push_back(Latin1(line));
    return array;
}

Json Figure(float value) {
    char text[64];
    const auto end = std::to_chars(text, text + sizeof text, value).ptr;
    double shortest = 0;
    std::from_chars(text, end, shortest);
    return shortest;
}

Json MessagesJson(const CompilerState &state) {
    Json messages = Json::array();
    for (const CompileMessage &m : state.messages) {
        messages.push_back({{"line", m.line},
                            {"code", m.code},
                            {"severity", SeverityName(SeverityOf(m.code))},
                            {"text", Latin1(MessageLine(m))}});
    }
    return messages;
}

Json SummaryJson(const ProgramSummary &s) {
    Json flags = Json::array();
    for (const FlagUse &flag : s.flags)
        flags.push_back({{"flag", flag.flag}, {"on_time_s", Figure(flag.onTime)}});
    Json afterEnd = Json::array(); // until_s null: on to the last step
    for (const FlagAfterEnd &flag : s.flagsAfterEnd)
        afterEnd.push_back(
            {{"flag", flag.flag},
             {"from_s", Figure(flag.from)},
             {"until_s", flag.lastStep == StepCount - 1 ? Json(nullptr) : Figure(flag.until)}});
    return {{"duration_s", Figure(s.duration)},
            {"ends_with", s.repeats ? "REPEATPROGRAM" : "END"},
            {"end_index", s.stepsUsed},
            {"time_left_s", Figure(s.timeLeft)},
            {"last_rate_hz", s.lastRate},
            {"peak_steer_deg", Figure(s.peakSteer)},
            {"peak_steer_time_s", Figure(s.peakSteerTime)},
            {"min_steer_deg", Figure(s.minSteer)},
            {"min_steer_time_s", Figure(s.minSteerTime)},
            {"peak_rate_deg_per_s", s.peakRate},
            {"peak_rate_time_s", Figure(s.peakRateTime)},
            {"end_angle_deg", Figure(s.endAngle)},
            {"rates_hz", s.rates},
            {"flags", flags},
            {"flags_after_end", afterEnd},
            {"high_current_s", Figure(s.highCurrentTime)}};
}

Json NoticesJson(int program) {
    Json notices = Json::array();
    for (const CompileFindings::Notice &notice : Findings().notices)
        if (notice.program == program) notices.push_back(Latin1(notice.text));
    return notices;
}
