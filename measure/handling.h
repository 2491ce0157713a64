// The handling evaluations of a run's log: step steer and single-period sine (ISO 7401), frequency
// response (ISO 7401), understeer gradient (ISO 4138) and the NHTSA fishhook and J-turn. Each gives the
// run's state (pass: the log gives its figures; fail: a criterion of the procedure is not met, as the
// fishhook's lift; invalid with the reasons where the log cannot give them), its processing steps by
// name, its figures each named with its unit, and the traces and marks a report page draws. They read,
// clean, filter, zero and find events through the one pipeline of runsteps.h.
#pragma once

#include "measure/channels.h"
#include "measure/runsteps.h"
#include "measure/verdict.h"

#include <optional>
#include <string>
#include <vector>

enum class HandlingKind { Step, Sine, Response, Understeer, Rollover };

struct HandlingKindInfo {
    HandlingKind kind;
    const char *name;      // "step": as evaluate and JSON name it
    const char *title;     // "Step steer (ISO 7401)"
    const char *criterion; // what the procedure judges, or "" when it gives figures only
};
const std::vector<HandlingKindInfo> &HandlingKinds();
const HandlingKindInfo &InfoOf(HandlingKind kind);
std::optional<HandlingKind> HandlingKindNamed(const std::string &name);

// The evaluation a run of a manoeuvre template takes, by the template's name: "step", "sine",
// "response", "understeer", "rollover", or "swd" (and "sis": the slowly increasing steer gives A as
// well as its understeer gradient); "" for a template no evaluation is made for (brake-in-turn).
std::string EvaluationOfTemplate(const std::string &templateName);
// The same from a template's title, as a program's first comment line starts ("Step steer: ...").
std::string EvaluationOfComment(const std::string &firstComment);

// One processing step under its own name: "Time zero", "steer reaches 50 % of its change at 1.075 s".
struct HandlingStep {
    std::string name, text;
};

// One figure with its unit. JSON writes it under its key, which names the unit; a figure the log
// cannot give has no value and a note that says why.
struct HandlingFigure {
    std::string key;   // "yaw_rate_response_time_s"
    std::string label; // "yaw rate response time (90 %)"
    std::string unit;  // "s"
    std::optional<double> value;
    int decimals = 3;
    std::string note; // why it is not given; or what it is measured on
};

// A named instant on the graphs (time zero, a peak), on one channel's graph or all of them ("").
struct HandlingMark {
    std::string label;
    double at = 0;
    std::string channel;
};
// A level on one channel's graph over a span (a steady state over its window, a lift criterion).
struct HandlingLevel {
    std::string label;
    std::string channel;
    double value = 0;
    double from = 0, to = 0;
};

// A channel of the run as the evaluation used it (cleaned, filtered, zeroed), on the run's times.
struct HandlingChannel {
    std::string name; // "yaw rate"
    std::string unit; // "deg/s"
    std::vector<double> values;
};

// The frequency response at one frequency: each response's gain and phase per steer, its coherence, and
// whether it is a figure (its coherence at least the limit and the steer's input enough) or marked.
struct ResponseValue {
    double gain = 0;      // in the response's unit per deg (g per 100 deg for the lateral acceleration)
    double phase = 0;     // deg, negative: behind the steer
    double coherence = 0; // squared, 0 to 1
    std::string mark;     // "" for a figure; "low coherence" or "no input"
};
struct ResponseRow {
    double frequency = 0; // Hz
    ResponseValue yawRate, lateralAcceleration;
};
struct ResponseTable {
    std::string yawUnit = "deg/s per deg", ayUnit = "g per 100 deg";
    std::vector<ResponseRow> rows;
};

// The steer against the lateral acceleration of a slowly increasing steer run, with its line over the
// linear range.
struct UndersteerCurve {
    std::vector<double> lateralAcceleration; // g, in the direction of the turn
    std::vector<double> steer;               // deg, in the direction of the turn
    double linearFrom = 0, linearTo = 0;     // g
    double slope = 0, intercept = 0;         // deg per g, deg: the line over the linear range
    std::optional<double> leavesLinear;      // g
};

struct HandlingResult : RunOutcome {
    HandlingKind kind = HandlingKind::Step;
    bool processed = false; // the figures were measured; false when the log gave none (see reason)
    double sampleRate = 0;  // Hz
    std::vector<HandlingStep> steps;
    std::vector<HandlingFigure> figures;
    std::vector<double> time;              // s
    std::vector<HandlingChannel> channels; // steer first
    std::vector<HandlingMark> marks;
    std::vector<HandlingLevel> levels;
    std::optional<ResponseTable> response;
    std::optional<UndersteerCurve> curve;

    void Step(const std::string &name, const std::string &text);
    HandlingFigure &Figure(const std::string &key, const std::string &label, const std::string &unit,
                           std::optional<double> value, int decimals = 3, const std::string &note = "");
    // The figure of the key, or nullptr.
    const HandlingFigure *Find(const std::string &key) const;
    // Its value, or nothing (no such figure, or one not given).
    std::optional<double> Value(const std::string &key) const;
    const HandlingChannel *Channel(const std::string &name) const;
};

// "0.193 s", "0.3055 deg/s per deg", "not given (the yaw rate does not overshoot)".
std::string FigureText(const HandlingFigure &figure);
// "Yaw rate response time (90 %): 0.193 s".
std::string FigureLine(const HandlingFigure &figure);

// The steps of the processing and the figures as text lines, each named, then the warnings and the
// state; for a terminal, the summary panel and the report's page.
std::vector<std::string> HandlingReportLines(const HandlingResult &result, const VehicleLog &log);

// What an evaluation needs beyond the log.
struct HandlingOptions {
    double steeringRatio = 0; // handwheel per road-wheel angle; 0: not given (understeer)
    double wheelbase = 0;     // m; 0: not given (understeer)
};

// The evaluation of the kind.
HandlingResult EvaluateHandling(HandlingKind kind, const VehicleLog &log,
                                const HandlingOptions &options = {});
// What the kind's runs must have besides the steer and the lateral acceleration: a yaw rate (all but
// understeer), a roll angle (rollover).
bool NeedsYawRate(HandlingKind kind);
bool NeedsRoll(HandlingKind kind);

// The run's channels after the steps every handling evaluation takes first, and what they found.
struct PreparedRun {
    std::vector<double> time;
    std::vector<double> steer, yawRate, lateralAcceleration, sideslip, roll, rollRate, lift, speed;
    std::size_t start = 0;     // the sample where the steer leaves its level at the log's start
    bool zeroed = false;       // the channels less their means over the still time before the steer
    bool startsInTurn = false; // the still time is a steady turn, not straight running: not zeroed
};

namespace HandlingLimits {
// The steer has left its level where it departs from it by this share of its largest departure, or
// by the floor where that is less; the still time ends this long before.
constexpr double DepartureShare = 0.02;
constexpr double DepartureFloor = 0.5; // deg
constexpr double StillMargin = 0.05;   // s
constexpr double ZeroingTime = 1.0;    // s of still time whose means are the channels' zeros
// A still time whose lateral acceleration is larger than this is a steady turn, not straight running.
constexpr double StraightRunning = 0.05; // g
} // namespace HandlingLimits

// Checks the channels used (CheckChannels), takes the sample rate, filters the responses (and the steer
// when filterSteer) with the filter, and zeroes every channel but the lift and the speed on the still
// time before the steer leaves its level: required, or else (zeroOrMeans) the means of the whole log are
// subtracted where there is too little still time. Records each step in the result. Throws FormatError
// where a step cannot be taken.
PreparedRun PrepareRun(const VehicleLog &log, const std::vector<ChannelKind> &used,
                       const ProcedureFilter &filter, bool filterSteer, bool zeroOrMeans,
                       HandlingResult &result, RunRecord &record);

// The channels of the prepared run that the log has, as the result keeps them for its graphs.
void KeepChannels(const PreparedRun &run, HandlingResult &result);

// "the log has no yaw rate column: ..." refused before anything else, for the channels an evaluation
// cannot do without.
void RequireChannel(const VehicleLog &log, ChannelKind kind, const char *evaluation);
