// quillard-cli: the JSON documents of --json, built with nlohmann's ordered JSON.
#include "cli/json.h"

#include "compiler/format.h"
#include "compiler/messages.h"

#include <QString>

namespace {

// The length of the valid UTF-8 sequence at text[at]; 0 when the byte starts none.
std::size_t Utf8Length(const std::string &text, std::size_t at) {
    auto byte = [&](std::size_t k) -> unsigned {
        return at + k < text.size() ? static_cast<unsigned char>(text[at + k]) : 0u;
    };
    auto follows = [&](std::size_t k, unsigned low = 0x80, unsigned high = 0xbf) {
        return byte(k) >= low && byte(k) <= high;
    };
    const unsigned c = byte(0);
    if (c < 0x80) return 1;
    if (c >= 0xc2 && c <= 0xdf) return follows(1) ? 2 : 0;
    if (c >= 0xe0 && c <= 0xef) {
        const bool second = c == 0xe0 ? follows(1, 0xa0) : c == 0xed ? follows(1, 0x80, 0x9f) : follows(1);
        return second && follows(2) ? 3 : 0;
    }
    if (c >= 0xf0 && c <= 0xf4) {
        const bool second = c == 0xf0 ? follows(1, 0x90) : c == 0xf4 ? follows(1, 0x80, 0x8f) : follows(1);
        return second && follows(2) && follows(3) ? 4 : 0;
    }
    return 0;
}

void AppendString(std::string &out, const std::string &text) {
    out += '"';
    for (std::size_t at = 0; at < text.size();) {
        const auto c = static_cast<unsigned char>(text[at]);
        const std::size_t length = Utf8Length(text, at);
        if (c >= 0x80) {
            if (length > 0)
                out.append(text, at, length);
            else
                out += Format("\\u%04x", c); // a byte outside UTF-8: its Latin-1 reading
            at += std::max<std::size_t>(length, 1);
            continue;
        }
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\b':
            out += "\\b";
            break;
        case '\f':
            out += "\\f";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (c < 0x20)
                out += Format("\\u%04x", c);
            else
                out += static_cast<char>(c);
        }
        ++at;
    }
    out += '"';
}

void AppendValue(std::string &out, const Json &value, std::size_t indent) {
    const bool object = value.is_object();
    if (!object && !value.is_array()) {
        if (value.is_string())
            AppendString(out, value.get_ref<const std::string &>());
        else
            out += value.dump(); // numbers as the shortest text that reads back, true, false, null
        return;
    }
    if (value.empty()) {
        out += object ? "{}" : "[]";
        return;
    }
    out += object ? "{\n" : "[\n";
    bool first = true;
    for (auto item = value.begin(); item != value.end(); ++item) {
        if (!first) out += ",\n";
        first = false;
        out.append(indent + 2, ' ');
        if (object) {
            AppendString(out, item.key());
            out += ": ";
        }
        AppendValue(out, item.value(), indent + 2);
    }
    out += '\n';
    out.append(indent, ' ');
    out += object ? '}' : ']';
}

} // namespace

std::string JsonText(const Json &document) {
    std::string text;
    AppendValue(text, document, 0);
    return text;
}

void PrintJson(const Json &document) { PrintLines(stdout, {JsonText(document)}); }

Json Latin1(const std::string &text) {
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size())).toStdString();
}

Json FileName(const std::string &name) { return name; }

Json Time(double seconds) { return seconds; }

Json Latin1Lines(const std::vector<std::string> &lines) {
    Json array = Json::array();
    for (const std::string &line : lines) array.push_back(Latin1(line));
    return array;
}

Json Figure(float value) {
    const std::string text = ShortestText(value);
    double shortest = 0;
    ReadDecimal(text.data(), text.data() + text.size(), shortest);
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
        flags.push_back({{"flag", flag.flag}, {"on_time_s", Time(flag.onTime)}});
    Json afterEnd = Json::array(); // until_s null: on to the last step
    for (const FlagAfterEnd &flag : s.flagsAfterEnd)
        afterEnd.push_back({{"flag", flag.flag},
                            {"from_s", Time(flag.from)},
                            {"until_s", flag.lastStep == StepCount - 1 ? Json(nullptr) : Time(flag.until)}});
    return {{"duration_s", Time(s.duration)},
            {"ends_with", s.repeats ? "REPEATPROGRAM" : "END"},
            {"end_index", s.stepsUsed},
            {"time_left_s", Time(s.timeLeft)},
            {"last_rate_hz", s.lastRate},
            {"peak_steer_deg", Figure(s.peakSteer)},
            {"peak_steer_time_s", Time(s.peakSteerTime)},
            {"min_steer_deg", Figure(s.minSteer)},
            {"min_steer_time_s", Time(s.minSteerTime)},
            {"peak_rate_deg_per_s", s.peakRate},
            {"peak_rate_time_s", Time(s.peakRateTime)},
            {"end_angle_deg", Figure(s.endAngle)},
            {"rates_hz", s.rates},
            {"flags", flags},
            {"flags_after_end", afterEnd},
            {"high_current_s", Time(s.highCurrentTime)}};
}

Json NoticesJson(int program) {
    Json notices = Json::array();
    for (const CompileFindings::Notice &notice : Findings().notices)
        if (notice.program == program) notices.push_back(Latin1(notice.text));
    return notices;
}
