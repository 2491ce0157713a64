// quillard-cli evaluate: what every evaluation of a run prints of its log and its state, in JSON, and
// how it reads the run's log.
#pragma once

#include "cli/cli.h"
#include "cli/json.h"
#include "measure/channels.h"
#include "measure/verdict.h"

#include <optional>
#include <string>

// The vehicle's log of a run with the options of the command line; failures are InputErrors naming it.
VehicleLog ReadRun(const std::string &path, const CliOptions &options, bool needsYawRate,
                   const DropoutRules &rules = {});

// The dropouts replaced: column, time_s, value, beyond_limit.
Json DropoutsJson(const VehicleLog &log);
// The log: file, rows, sample_rate_hz, skipped_rows and the columns read (number, name, unit,
// unit_stated; null for time, steer, yaw rate, lateral acceleration, speed and roll where the log has
// none; sideslip, roll rate and lift only where it has them).
Json LogJson(const std::string &path, const VehicleLog &log, double sampleRate);
Json Optional(const std::optional<double> &value);
Json Optional(const std::optional<bool> &value);
// The state of a run: state, reason (for invalid and fail), the conditions stated, pass.
Json StateJson(RunState state, const std::string &reason, const RunVerdict &verdict);
