// quillard-cli compare: a measured log against its program, with the tracking figures as text or JSON.
#include "cli/cli.h"
#include "cli/json.h"
#include "compiler/compile.h"
#include "measure/figures.h"
#include "measure/matfile.h"
#include "romfiles/fileio.h"

#include <cmath>
#include <cstdio>

namespace {

// A figure that may have no value (NaN) is null in JSON.
Json Number(double value) { return std::isfinite(value) ? Json(value) : Json(nullptr); }

// A time or angle of the program's steps (or its sweep's band), which the comparison holds widened
// to double: printed as the single-precision value it is, like every stored figure.
Json StepFigure(double widened) { return Figure(static_cast<float>(widened)); }

Json ColumnJson(const LogColumn &column, const char *unit) {
    return {{"number", column.number}, {"name", column.name}, {"unit", unit}};
}

Json ComparisonJson(const CliOptions &options, const Comparison &c, const MeasuredLog &log) {
    Json alignment{{"method", c.alignment.byMark ? "mark" : "cross-correlation"}};
    if (c.alignment.byMark) {
        alignment["mark_column"] = ColumnJson(log.markColumn, "");
        alignment["mark_flag"] = c.alignment.markFlag;
        alignment["mark_time_s"] = c.alignment.markTime;
    }
    alignment["log_start_s"] = c.alignment.logStart;
    alignment["lag_s"] = c.alignment.lag;
    alignment["correlation"] = Number(c.alignment.correlation);

    Json steps = Json::array();
    for (const StepResponse &s : c.steps)
        steps.push_back({{"time_s", StepFigure(s.time)},
                         {"from_deg", StepFigure(s.from)},
                         {"to_deg", StepFigure(s.to)},
                         {"settled_deg", s.settled},
                         {"overshoot_deg", s.overshoot},
                         {"overshoot_percent", Number(s.overshootPercent)},
                         {"peak_time_s", StepFigure(s.peakTime)}});
    Json document{{"file", InputFile(options)},
                  {"program", options.program},
                  {"compiled", true},
                  {"log",
                   {{"file", options.log},
                    {"rows", log.time.size()},
                    {"time_column", ColumnJson(log.timeColumn, TimeUnitName(log.timeUnit))},
                    {"steer_column", ColumnJson(log.steerColumn, AngleUnitName(log.angleUnit))},
                    {"skipped_rows", log.skippedRows},
                    {"gaps", c.gaps}}},
                  {"alignment", alignment},
                  {"program_duration_s", StepFigure(c.programDuration)},
                  {"compared_from_s", StepFigure(c.comparedFrom)},
                  {"compared_to_s", StepFigure(c.comparedTo)},
                  {"compared_steps", c.comparedSteps},
                  {"delay_s", c.delay},
                  {"gain", Number(c.gain)},
                  {"offset_deg", c.offset},
                  {"rms_error_deg", c.rmsError},
                  {"peak_error_deg", c.peakError},
                  {"peak_error_time_s", StepFigure(c.peakErrorTime)},
                  {"steps", steps}};
    if (c.response) {
        Json points = Json::array();
        for (const ResponsePoint &p : c.response->points)
            points.push_back({{"frequency_hz", p.frequency},
                              {"gain_db", p.gainDb},
                              {"phase_deg", p.phaseDeg},
                              {"coherence", p.coherence}});
        document["frequency_response"] = {
            {"low_hz", StepFigure(c.response->lowHz)},
            {"high_hz", StepFigure(c.response->highHz)},
            {"bandwidth_3db_hz", c.response->bandwidthHz ? Json(*c.response->bandwidthHz) : Json(nullptr)},
            {"points", points}};
    }
    document["warnings"] = ComparisonWarnings(c, log);
    return document;
}

} // namespace

MeasuredLog ReadMeasuredLog(const CliOptions &options) {
    return ReadingInput(options.log, [&] { return ReadLog(options.log, options.logOptions); });
}

Comparison CompareWithLog(const CompilerState &state, const CliOptions &options, const MeasuredLog &log) {
    try {
        return CompareLog(CommandedFrom(state), log, CompareOptions{options.markFlag});
    } catch (const FormatError &e) {
        throw InputError(options.log, e.what());
    }
}

int RunCompare(const CliOptions &options) {
    const auto lines = ReadProgram(options);
    const MeasuredLog log = ReadMeasuredLog(options);
    CompilerState state;
    if (!CompileProgram(state, lines, MakeCompileOptions(options))) {
        if (options.json) {
            Json failed{{"file", InputFile(options)},
                        {"program", options.program},
                        {"compiled", false},
                        {"messages", Latin1Lines(state.messageLines)}};
            PrintJson(failed);
        } else {
            PrintLines(stderr, state.messageLines);
        }
        return 1;
    }
    NoteWarnings(options, state, "", false);
    const Comparison comparison = CompareWithLog(state, options, log);
    if (!options.mat.empty()) {
        CheckOutput(options, options.mat, true);
        try {
            WriteFileAtomically(options.mat, MatFileBytes(ComparisonMatVariables(comparison, log)));
        } catch (const FileError &e) {
            throw InputError(options.mat, e.reason());
        }
    }
    if (options.json)
        PrintJson(ComparisonJson(options, comparison, log));
    else
        PrintLines(stdout,
                   DescribeComparison(comparison, log, options.log, 13).Lines()); // figures at column 14
    return 0;
}
