// quillard-cli compare: a measured log against its program, with the tracking figures as text or JSON.
#include "cli/cli.h"
#include "cli/json.h"
#include "cli/logcli.h"
#include "compiler/compile.h"
#include "files/fileio.h"
#include "measure/figures.h"
#include "measure/matfile.h"

#include <cmath>
#include <cstdio>
#include <new>

namespace {

// A figure that may have no value (NaN) is null in JSON.
Json Number(double value) { return std::isfinite(value) ? Json(value) : Json(nullptr); }

// An angle of the program's steps (or its sweep's band), which the comparison holds widened to
// double: printed as the single-precision value it is, like every stored figure.
Json StepFigure(double widened) { return Figure(static_cast<float>(widened)); }

// A time in seconds; null when it has no value.
Json Seconds(double value) { return std::isfinite(value) ? Time(value) : Json(nullptr); }

// The program of FILE: its number in a set, null for a program text.
Json ProgramJson(const CliOptions &options) {
    return IsSetFileName(InputFile(options)) ? Json(options.program) : Json(nullptr);
}

Json ComparisonJson(const CliOptions &options, const Comparison &c, const MeasuredLog &log) {
    // Without a mark and without a commanded change, the log's time 0 is simply the program's start.
    Json alignment{{"method", c.alignment.byMark       ? "mark"
                              : std::isfinite(c.delay) ? "cross-correlation"
                                                       : "log-time"}};
    if (c.alignment.byMark) {
        alignment["mark_column"] = ColumnJson(log.markColumn.number, log.markColumn.name, "");
        alignment["mark_flag"] = c.alignment.markFlag;
        alignment["mark_time_s"] = Seconds(c.alignment.markTime);
        alignment["mark_number"] = c.alignment.markEdge;
    }
    alignment["log_start_s"] = Seconds(c.alignment.logStart);
    alignment["lag_s"] = Seconds(c.alignment.lag);
    alignment["correlation"] = Number(c.alignment.correlation);
    alignment["from_first_sample"] = c.alignment.fromFirstSample;

    Json steps = Json::array();
    for (const StepResponse &s : c.steps)
        steps.push_back({{"time_s", Seconds(s.time)},
                         {"from_deg", StepFigure(s.from)},
                         {"to_deg", StepFigure(s.to)},
                         {"before_deg", s.before},
                         {"settled_deg", s.settled},
                         {"overshoot_deg", s.overshoot},
                         {"overshoot_percent", Number(s.overshootPercent)},
                         {"peak_time_s", Seconds(s.peakTime)}});
    Json document{
        {"file", FileName(InputFile(options))},
        {"program", ProgramJson(options)},
        {"compiled", true},
        {"log",
         {{"file", FileName(options.log)},
          {"rows", log.time.size()},
          {"time_column", ColumnJson(log.timeColumn.number, log.timeColumn.name, TimeUnitName(log.timeUnit))},
          {"steer_column",
           ColumnJson(log.steerColumn.number, log.steerColumn.name, AngleUnitName(log.angleUnit))},
          {"skipped_rows", log.skippedRows},
          {"gaps", c.gaps},
          {"reading", LogInfoJson(log.info)}}},
        {"alignment", alignment},
        {"mirrored", c.alignment.mirrored},
        {"first_steer",
         {{"program", SteerDirectionName(c.programFirstSteer)},
          {"log", SteerDirectionName(c.logFirstSteer)}}},
        {"program_duration_s", Seconds(c.programDuration)},
        {"compared_from_s", Seconds(c.comparedFrom)},
        {"compared_to_s", Seconds(c.comparedTo)},
        {"compared_steps", c.comparedSteps},
        {"delay_s", Seconds(c.delay)},
        {"gain", Number(c.gain)},
        {"offset_deg", c.offset},
        {"rms_error_deg", c.rmsError},
        {"peak_error_deg", c.peakError},
        {"peak_error_time_s", Seconds(c.peakErrorTime)},
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
    } else if (c.hasSweep) {
        document["frequency_response"] = nullptr; // the warnings say why
    }
    document["warnings"] = ComparisonWarnings(c, log, CliHints());
    return document;
}

} // namespace

MeasuredLog ReadMeasuredLog(const CliOptions &options) {
    try {
        return ReadingInput(options.log, [&] { return ReadLog(options.log, options.logOptions); });
    } catch (const std::bad_alloc &) { // the log, not the program, took the memory
        throw InputError(options.log, "out of memory");
    }
}

Comparison CompareWithLog(const CompilerState &state, const CliOptions &options, MeasuredLog &log) {
    try {
        const CommandedProgram program = CommandedFrom(state);
        KeepCommandedPulses(log, CommandedPulses(program.time, program.steer));
        return CompareLog(program, log, CompareOptions{options.markFlag});
    } catch (const FormatError &e) {
        throw InputError(options.log, e.what());
    }
}

int RunCompare(const CliOptions &options) {
    const auto lines = ReadProgram(options);
    MeasuredLog log = ReadMeasuredLog(options);
    CompilerState state;
    if (!CompileProgram(state, lines, MakeCompileOptions(options))) {
        if (options.json) {
            Json failed{{"file", FileName(InputFile(options))},
                        {"program", ProgramJson(options)},
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
    if (!options.mat.empty()) CheckOutput(options, options.mat, true);
    if (!options.mat.empty() && !StrictKeepsFrom(options, options.mat))
        WriteFileAtomically(options.mat, MatFileBytes(ComparisonMatVariables(comparison, log)));
    if (options.json)
        PrintJson(ComparisonJson(options, comparison, log));
    else
        PrintLines(
            stdout,
            DescribeComparison(comparison, log, options.log, 13, CliHints()).Lines()); // figures at column 14
    return 0;
}
