// quillard-cli: a log's reading as every command that reads one prints it: the options that pick
// another column or a run added to the core's words, and the JSON of the channels, their choices, the
// time, gaps, runs and dropouts.
#pragma once

#include "cli/cli.h"
#include "cli/json.h"
#include "measure/channels.h"

#include <string>

// "--yaw-column": the option that names a channel's column.
std::string ColumnOption(ChannelKind kind);

// The command line's words for picking another column or a run.
PickHints CliHints();

// A column as JSON: number, name (as written) and unit; null for none.
Json ColumnJson(int number, const std::string &name, const std::string &unit);

// A channel's choice: found_by (the basis), the candidates, and a note with the option when it is said.
Json ChoiceJson(const ChannelChoice &choice);

// The reading's facts: format, header line, how the time was written, sample intervals, gaps, runs, the
// part read, the set and program the file names, and the choice of each channel looked for.
Json LogInfoJson(const LogInfo &info);

Json DropoutsJson(const std::vector<LogDropout> &dropouts);

// The log of an evaluated run: file, rows, sample rate, skipped rows, each channel's column and unit,
// and the reading's facts.
Json VehicleLogJson(const std::string &path, const VehicleLog &log, double sampleRate);

// The run's log as evaluate reads it (the log options of the command line, the steer's dropout rules);
// failures are InputErrors naming it.
VehicleLog ReadRunLog(const std::string &path, const CliOptions &options, bool needsYawRate,
                      const DropoutRules &rules = {});
