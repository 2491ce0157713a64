// The handling evaluations' kinds, results and shared first steps.
#include "measure/handling.h"
#include "measure/text.h"

#include "files/fileio.h"
#include "measure/freqresponse.h"
#include "measure/rollover.h"
#include "measure/singlesine.h"
#include "measure/stepsteer.h"
#include "measure/understeer.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

const std::vector<HandlingKindInfo> Kinds{
    {HandlingKind::Step, "step", "Step steer (ISO 7401)", ""},
    {HandlingKind::Sine, "sine", "Single-period sine (ISO 7401)", ""},
    {HandlingKind::Response, "response", "Frequency response (ISO 7401)", ""},
    {HandlingKind::Understeer, "understeer", "Understeer gradient (ISO 4138, constant speed)", ""},
    {HandlingKind::Rollover, "rollover", "Fishhook and J-turn (NHTSA rollover resistance)",
     "two-wheel lift: both wheels of one side at least 2 in (50.8 mm) off the ground"},
};

// Templates by name and title, and their evaluations.
struct TemplateEvaluation {
    const char *name, *title, *evaluation;
};
const TemplateEvaluation TemplateEvaluations[] = {
    {"step-steer", "Step steer", "step"},
    {"slowly-increasing-steer", "Slowly increasing steer", "understeer"},
    {"sine-with-dwell", "Sine with dwell", "swd"},
    {"fishhook", "Fishhook with roll-rate feedback", "rollover"},
    {"j-turn", "J-turn", "rollover"},
    {"single-sine", "Single-period sine", "sine"},
    {"continuous-sine", "Continuous sine", "response"},
    {"linear-sweep", "Linear sine sweep", "response"},
    {"log-sweep", "Logarithmic sine sweep", "response"},
    {"brake-in-turn", "Brake in a turn", ""},
};

std::string Lower(std::string text) {
    for (char &c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

} // namespace

const std::vector<HandlingKindInfo> &HandlingKinds() { return Kinds; }

const HandlingKindInfo &InfoOf(HandlingKind kind) {
    for (const HandlingKindInfo &info : Kinds)
        if (info.kind == kind) return info;
    return Kinds.front();
}

std::optional<HandlingKind> HandlingKindNamed(const std::string &name) {
    for (const HandlingKindInfo &info : Kinds)
        if (name == info.name) return info.kind;
    return std::nullopt;
}

std::string EvaluationOfTemplate(const std::string &templateName) {
    for (const TemplateEvaluation &t : TemplateEvaluations)
        if (Lower(templateName) == t.name) return t.evaluation;
    return "";
}

std::string EvaluationOfComment(const std::string &firstComment) {
    for (const TemplateEvaluation &t : TemplateEvaluations)
        if (firstComment.starts_with(std::string(t.title) + ":")) return t.evaluation;
    return "";
}

void HandlingResult::Step(const std::string &name, const std::string &text) { steps.push_back({name, text}); }

HandlingFigure &HandlingResult::Figure(const std::string &key, const std::string &label,
                                       const std::string &unit, std::optional<double> value, int decimals,
                                       const std::string &note) {
    if (value && !std::isfinite(*value)) value.reset();
    figures.push_back({key, label, unit, value, decimals, note});
    return figures.back();
}

const HandlingFigure *HandlingResult::Find(const std::string &key) const {
    for (const HandlingFigure &f : figures)
        if (f.key == key) return &f;
    return nullptr;
}

std::optional<double> HandlingResult::Value(const std::string &key) const {
    const HandlingFigure *f = Find(key);
    return f ? f->value : std::nullopt;
}

const HandlingChannel *HandlingResult::Channel(const std::string &name) const {
    for (const HandlingChannel &c : channels)
        if (c.name == name) return &c;
    return nullptr;
}

std::string FigureText(const HandlingFigure &f) {
    if (!f.value) return "not given" + (f.note.empty() ? "" : " (" + f.note + ")");
    std::string text = Text("%.*f", f.decimals, *f.value);
    if (text.find_first_not_of("-0.") == std::string::npos)
        text = Text("%.*f", f.decimals, 0.0); // no "-0.000"
    if (!f.unit.empty() && f.unit != "-") text += (f.unit == "%" ? " " : " ") + f.unit;
    if (!f.note.empty()) text += " (" + f.note + ")";
    return text;
}

std::string FigureLine(const HandlingFigure &f) {
    std::string label = f.label;
    if (!label.empty()) label[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(label[0])));
    return label + ": " + FigureText(f);
}

std::vector<std::string> HandlingReportLines(const HandlingResult &r, const VehicleLog &log) {
    std::vector<std::string> lines;
    lines.push_back(Text("Samples: %zu at %.4g Hz, %.3f to %.3f s", log.time.size(), r.sampleRate,
                         log.time.front(), log.time.back()));
    lines.push_back(log.dropouts.empty() ? "Dropouts: none"
                                         : "Dropouts replaced: " + DropoutText(log.dropouts));
    for (const HandlingStep &s : r.steps) lines.push_back(s.name + ": " + s.text);
    for (const HandlingFigure &f : r.figures) lines.push_back(FigureLine(f));
    if (r.response) {
        lines.push_back(
            "Frequency response: gain and phase per steer, coherence; frequencies that are no figure "
            "marked");
        auto cell = [](const ResponseValue &v, int decimals) {
            if (!v.mark.empty()) return Text("%s (coherence %.3f)", v.mark.c_str(), v.coherence);
            return Text("%.*f, %.2f deg, coherence %.3f", decimals, v.gain, v.phase, v.coherence);
        };
        for (const ResponseRow &row : r.response->rows)
            lines.push_back(Text("  %.3f Hz: yaw rate %s; lateral acceleration %s", row.frequency,
                                 cell(row.yawRate, 4).c_str(), cell(row.lateralAcceleration, 4).c_str()));
    }
    for (RunCondition c : r.verdict.StatedConditions())
        lines.push_back(std::string("Stated, not measured: ") + RunConditionText(c));
    for (const std::string &w : r.warnings) lines.push_back("Warning: " + w);
    const HandlingKindInfo &info = InfoOf(r.kind);
    if (*info.criterion)
        lines.push_back(std::string("Verdict: ") + (r.pass ? "pass" : RunStateTitle(r.state)) +
                        (r.reason.empty() ? "" : ": " + r.reason));
    else
        lines.push_back(r.pass ? std::string("State: pass: the log gives its figures (the procedure sets no "
                                             "pass criterion)")
                               : std::string("State: ") + RunStateTitle(r.state) + ": " + r.reason);
    return lines;
}

void RequireChannel(const VehicleLog &log, ChannelKind kind, const char *evaluation) {
    if (ChannelValues(log, kind).empty())
        throw FormatError(std::string("the log has no ") + ChannelKindName(kind) + " column: " + evaluation +
                          " needs one");
}

PreparedRun PrepareRun(const VehicleLog &log, const std::vector<ChannelKind> &used,
                       const ProcedureFilter &filter, bool filterSteer, bool zeroOrMeans, HandlingResult &r,
                       RunRecord &record) {
    using namespace HandlingLimits;
    CheckChannels(log, used, record);
    r.sampleRate = LogSampleRate(log.time, record.warnings);
    PreparedRun run;
    run.time = log.time;
    run.speed = log.speed;
    run.lift = log.wheelLift;
    struct Filtering {
        const std::vector<double> &from;
        std::vector<double> &to;
        const char *name, *unit;
    };
    const Filtering channels[] = {
        {log.yawRate, run.yawRate, "yaw rate", "deg/s"},
        {log.lateralAcceleration, run.lateralAcceleration, "lateral acceleration", "g"},
        {log.sideslip, run.sideslip, "sideslip", "deg"},
        {log.roll, run.roll, "roll angle", "deg"},
        {log.rollRate, run.rollRate, "roll rate", "deg/s"}};
    std::string filtered = filterSteer ? "steer" : "";
    run.steer = filterSteer ? Filtered(log.steer, r.sampleRate, filter) : log.steer;
    for (const Filtering &c : channels) {
        if (c.from.empty()) continue;
        c.to = Filtered(c.from, r.sampleRate, filter);
        filtered += (filtered.empty() ? "" : ", ") + std::string(c.name);
    }
    r.Step("Filter", filtered + ": " + FilterText(filter) + (filterSteer ? "" : "; the steer as logged") +
                         (log.wheelLift.empty() ? "" : "; the wheel lift as logged"));

    run.start = SteerDeparture(run.time, run.steer, DepartureShare, DepartureFloor, ZeroingTime);
    if (run.start == run.time.size())
        throw FormatError("the steer never leaves its level: the log holds no manoeuvre");
    std::vector<std::vector<double> *> zeroed{&run.steer};
    std::vector<const char *> units{"deg"};
    std::string names = "steer";
    for (const Filtering &c : channels)
        if (!c.to.empty())
            zeroed.push_back(&c.to), units.push_back(c.unit), names += std::string(", ") + c.name;
    const std::size_t end = IndexAtOrAfter(run.time, run.time[run.start] - StillMargin);
    const double still = run.time[std::min(end, run.time.size() - 1)] - run.time.front();
    if (zeroOrMeans && still < RunLimits::LeastStillTime) {
        for (std::vector<double> *c : zeroed) {
            const double mean = MeanOf(*c, 0, c->size());
            for (double &v : *c) v -= mean;
        }
        r.Step("Zeroing",
               Text("the log holds %.3f s before the steer leaves its level: the means of the whole "
                    "log are subtracted from %s",
                    std::max(still, 0.0), names.c_str()));
        return run;
    }
    if (end == 0 || still < RunLimits::LeastStillTime - 1e-9)
        throw FormatError(
            Text("the log starts %.3f s before the steer leaves its level (at %.3f s): too little "
                 "still time to zero the channels on (at least %g s)",
                 std::max(still, 0.0), run.time[run.start], RunLimits::LeastStillTime));
    const std::size_t first = IndexAtOrAfter(run.time, run.time[end] - std::min(ZeroingTime, still));
    if (!run.lateralAcceleration.empty()) {
        const double turn = MeanOf(run.lateralAcceleration, first, end);
        if (std::fabs(turn) > StraightRunning) {
            run.startsInTurn = true;
            r.Step("Zeroing",
                   Text("none: the log starts in a turn (lateral acceleration %.3f g over %.3f to %.3f "
                        "s, before the steer leaves its level at %.3f s); the channels are taken as "
                        "logged",
                        turn, run.time[first], run.time[end], run.time[run.start]));
            record.warnings.push_back("the log starts in a turn: its channels are not zeroed");
            return run;
        }
    }
    // Over up to ZeroingTime: a log that starts later than that before the steer is no fault.
    const Zeroing z = ZeroBefore(run.time, end, std::min(ZeroingTime, still), zeroed, record.warnings);
    run.zeroed = true;
    std::string means;
    for (std::size_t n = 0, at = 0; n < z.means.size(); ++n) {
        const std::size_t comma = std::min(names.find(", ", at), names.size());
        means +=
            Text("%s%s %.4f %s", n ? ", " : "", names.substr(at, comma - at).c_str(), z.means[n], units[n]);
        at = comma + 2;
    }
    r.Step("Zeroing", Text("means over %.3f to %.3f s (the steer leaves its level at %.3f s) subtracted: %s",
                           z.from, z.to, run.time[run.start], means.c_str()));
    return run;
}

void KeepChannels(const PreparedRun &run, HandlingResult &r) {
    r.time = run.time;
    const std::pair<const std::vector<double> *, HandlingChannel> all[] = {
        {&run.steer, {"steer", "deg", {}}},
        {&run.yawRate, {"yaw rate", "deg/s", {}}},
        {&run.lateralAcceleration, {"lateral acceleration", "g", {}}},
        {&run.sideslip, {"sideslip", "deg", {}}},
        {&run.roll, {"roll angle", "deg", {}}},
        {&run.rollRate, {"roll rate", "deg/s", {}}},
        {&run.lift, {"wheel lift", "mm", {}}}};
    for (const auto &[values, channel] : all) {
        if (values->empty()) continue;
        HandlingChannel c = channel;
        c.values = *values;
        r.channels.push_back(std::move(c));
    }
}

HandlingResult EvaluateHandling(HandlingKind kind, const VehicleLog &log, const HandlingOptions &options) {
    switch (kind) {
    case HandlingKind::Step:
        return EvaluateStepSteer(log);
    case HandlingKind::Sine:
        return EvaluateSingleSine(log);
    case HandlingKind::Response:
        return EvaluateFrequencyResponse(log);
    case HandlingKind::Understeer:
        return EvaluateUndersteer(log, options);
    case HandlingKind::Rollover:
        break;
    }
    return EvaluateRollover(log);
}

bool NeedsYawRate(HandlingKind kind) {
    return kind != HandlingKind::Understeer && kind != HandlingKind::Rollover;
}
bool NeedsRoll(HandlingKind kind) { return kind == HandlingKind::Rollover; }
