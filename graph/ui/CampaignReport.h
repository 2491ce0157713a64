// The pages of a campaign's report from its result: the first page (the regulation and its criteria,
// the test information, A and where it came from, a table of every run with its margins, continued on
// further pages), the page of the slowly increasing steer runs that gave A, a page per run, and the page
// for traceability and sign-off; and what that last page and the run pages need besides the result:
// the hashes of the logs, the CRC-32s of the runs' slots, how well the machine followed each program.
// The window and quillard-cli both write the report through CampaignReportPdf.
#pragma once

#include "graph/reportpages.h"
#include "measure/campaign.h"
#include "measure/compare.h"
#include "measure/sis.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// A slowly increasing steer run that gave A: its log's name and its evaluation. Without the log (a SIS
// file alone) its traces are empty and the page has no plot of it.
struct ReportSisRun {
    std::string log;
    SisResult result;
};
struct ReportSis {
    std::string source; // where the runs came from: "sis.json"
    std::vector<ReportSisRun> runs;
    SisOptions options; // the fit range and the level A is read at
};

// A run's slot in the images burnt for it.
struct ReportSlot {
    std::string image;                   // the EPROM file's name
    std::uint32_t binCrc = 0;            // CRC-32 of the program's slot in it
    std::optional<std::uint32_t> auxCrc; // of its slot in the aux file; unset: no aux file given
};
// The slot of a program (0 to 15) in the images' bytes; unset when the EPROM file does not hold it
// whole.
std::optional<ReportSlot> SlotOf(const std::string &image, std::string_view binBytes,
                                 std::optional<std::string_view> auxBytes, int program);

// How well the machine followed the run's program, from measure's comparison.
struct ReportFollowing {
    std::optional<Comparison> comparison;
    std::string reason; // why there is none, when the program is known but the log cannot be compared
};
// The run's log compared with its commanded program (the log's steer and mark channels).
ReportFollowing FollowingOf(const CommandedProgram &program, const VehicleLog &log);

// What a run's report needs besides its result. Every member may be unknown.
struct ReportRunTrace {
    std::string logSha256;                    // of the log's bytes as read
    std::optional<ReportSlot> slot;           // where its images were given
    std::optional<ReportFollowing> following; // where its program is known
};

struct CampaignReportInputs {
    std::string version;              // of Quillard: "1.4.0"
    std::string runList;              // its file's name
    std::optional<ReportSis> sis;     // where A came from SIS runs
    std::vector<ReportRunTrace> runs; // one per run of the result, in its order; missing: unknown
};

// Every page of the report in order, each footed "Page x of y".
std::vector<ReportPage> CampaignReportPages(const CampaignResult &campaign,
                                            const CampaignReportInputs &inputs);

// The bytes of the report as a PDF: A4 portrait, the pages of CampaignReportPages.
std::string CampaignReportPdf(const CampaignResult &campaign, const CampaignReportInputs &inputs);

// "delay 0.012 s, gain 0.998, offset 0.05 deg, RMS error 0.41 deg, peak error -1.20 deg": the run
// page's line of the comparison ("not measured" for a figure the comparison could not take).
std::string FollowingText(const Comparison &comparison);
