// quillard-cli evaluate: what the evaluation of one run and the campaign share.
#pragma once

#include "cli/cli.h"
#include "cli/json.h"
#include "measure/campaign.h"

// The settings of a sine-with-dwell run from the options: A, the GVWR, the conditions stated.
SwdOptions SwdOptionsFrom(const CliOptions &options);

// The state of a run: state, reason (for invalid and fail), the conditions stated, pass.
Json StateJson(const RunOutcome &outcome);

// The figures of a sine-with-dwell run, each step of the processing under its own key with the settings
// it was processed with; null where the log gave none.
Json SwdJson(const SwdResult &result, const SwdOptions &settings);

// A figure, or null where there is none.
Json Optional(const std::optional<double> &value);
Json Optional(const std::optional<bool> &value);

// The vehicle's name for a report, whose text is Latin-1: a name in UTF-8 as its characters ("?" for those
// Latin-1 has not), other bytes as they are.
std::string ReportText(const std::string &bytes);

// Writes an output file named by an option, atomically, after the checks every output has.
void WriteOutput(const CliOptions &options, const std::string &path, const std::string &bytes);

// A JSON file named by an option, or InputError.
Json ReadJsonFile(const std::string &path);

// evaluate campaign (campaign.cpp).
int EvaluateCampaign(const CliOptions &options);

// What the campaign's report needs besides the result (campaigntrace.cpp): the SIS runs of
// --amplitude-from's file, and each run's log hash, slot CRC-32s (--images) and how well the machine
// followed its program (where its set file is there). Throws UsageError for an image of no set of the
// runs.
struct CampaignResult;
struct ReportSis;
struct ReportRunTrace;
std::optional<ReportSis> SisRunsOf(const CliOptions &options);
std::vector<ReportRunTrace> RunTracesOf(const CliOptions &options, const CampaignResult &campaign,
                                        const std::vector<VehicleLog> &logs,
                                        const std::vector<PairedRun> &paired);
// The SIS runs as the JSON gives them.
Json SisRunsJson(const ReportSis &sis);
