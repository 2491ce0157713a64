// A sine-with-dwell campaign: the run list of a series, its logs paired with its runs, A and where it
// came from, each run judged with the margin of every figure to its limit, and the campaign's verdict.
// The command line and the window read their options and logs, call these, and format what they give.
#pragma once

#include "measure/campaigninfo.h"
#include "measure/evaluate.h"

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

struct CompilerState;

// The regulations whose sine-with-dwell test a campaign is judged by. They process the data alike and
// apply the same criteria; the report names the one applied.
enum class Regulation { Fmvss126, UnR140, GbT30677 };
// "FMVSS No. 126", "UN R140", "GB/T 30677": as --regulation takes it and the report prints it.
const char *RegulationName(Regulation regulation);
std::optional<Regulation> RegulationNamed(const std::string &name);
const std::vector<Regulation> &Regulations();
// The criteria as the report states them, the displacement limit for the gross vehicle weight rating
// (kg; 0: not given, taken as at most 3500 kg).
std::vector<std::string> RegulationCriteria(Regulation regulation, double gvwr);

// One run of a series, as the run list of template --series --json gives it.
struct SeriesRun {
    int run = 0;                        // its number in the series, from 1
    std::string set;                    // the set file that holds its program
    int program = 0;                    // 1 to 16
    double amplitude = 0;               // deg, commanded
    std::vector<RunCondition> accepted; // conditions stated for this run, not measured
};

struct RunList {
    std::vector<SeriesRun> runs;
    std::optional<double> a;            // deg, the list's a_deg
    std::vector<RunCondition> accepted; // stated for every run
};

// A run list, or how the campaign's logs do not fit it: thrown with the reason.
class CampaignError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The run list from its JSON text. Throws FormatError naming what is missing or wrong: no "runs", a
// run without run, set, program or amplitude_deg, an amplitude no sine with dwell is run at, an a_deg
// that is no positive number, an "accept" naming no condition.
RunList ParseRunList(const std::string &json);

// How the logs are paired with the runs: in the order given; by the file name (the set and program it
// names, "swd-03 p5.csv", "swd-03_program5.csv", else the run number that ends it, "swd-07.csv"); or by
// the set and program that each log names inside it (LogInfo's set and program).
enum class Pairing { Order, Name, Logged };
// "order", "name", "logged".
const char *PairingName(Pairing pairing);
std::optional<Pairing> PairingNamed(const std::string &name);
struct PairedRun {
    SeriesRun run;
    std::string log;       // as given
    std::size_t index = 0; // of the log among those given
};
// What a log names inside it: its set (a file name) and program; -1: none.
struct LoggedProgram {
    std::string set;
    int program = -1;
};
// Pairs the runs, in run-list order, with the logs. For Pairing::Logged, logged holds what each log
// names, one per log. Throws CampaignError when the logs are not one per run, or a run has no log or
// two, or a log names two runs.
std::vector<PairedRun> PairLogs(const RunList &list, const std::vector<std::string> &logs, Pairing pairing,
                                const std::vector<LoggedProgram> &logged = {});

// A and the source it was taken from, the first known of: given (--amplitude-a, a SIS file, the
// window's field), the run list's a_deg, the note of a run's program.
struct CampaignA {
    double value = 0; // deg; 0: not known, so that the campaign cannot pass
    std::string
        source; // "--amplitude-a", "the run list", "sis.json", "the program's note"; empty when not known
};
struct AmplitudeCandidate {
    std::optional<double> value;
    std::string source;
};
CampaignA ChooseAmplitudeA(const std::vector<AmplitudeCandidate> &candidates);

// The commanded amplitude of a compiled program: its peak steer in size to its end step, deg.
double CommandedAmplitude(const CompilerState &state);

// The gross vehicle weight rating and where it came from: given (--gvwr), else the campaign's
// information, else the vehicle file (0 when there is none).
struct Gvwr {
    double kg = 0;      // 0: not given
    std::string source; // "--gvwr", "the campaign information", "the vehicle file"; empty when not given
};
Gvwr ChooseGvwr(std::optional<double> given, const CampaignInfo &info, std::optional<double> vehicleFile);

// How far a figure is from its limit, in the figure's unit: positive while the run meets it, negative
// by as much as it misses it. Unset where the figure is not judged.
struct FigureMargins {
    std::optional<double> ratio1;       // points of %, RatioLimit1 - ratio at COS + 1.000 s
    std::optional<double> ratio2;       // points of %, RatioLimit2 - ratio at COS + 1.750 s
    std::optional<double> displacement; // m, displacement - its limit, where it is judged
    std::optional<double> speed;        // km/h, SpeedTolerance - |speed at BOS - Speed|
};
FigureMargins MarginsOf(const SwdResult &result);

// What a campaign is judged with besides its logs: one struct, passed to every evaluation.
struct CampaignSettings {
    SwdOptions swd; // filters and onset as used; amplitudeA, gvwr and accepted as the campaign's
    Regulation regulation = Regulation::Fmvss126;
    Pairing pairing = Pairing::Order;
};

struct CampaignRunResult {
    SeriesRun run;
    std::string log;
    SwdResult result; // its state, reason and figures; result.amplitude is the commanded amplitude
    FigureMargins margins;
    std::optional<double> speedAtBos; // km/h
    std::string direction;            // "counter-clockwise" or "clockwise", of the first steer; empty
                                      // when the log gave no figures
    int dropouts = 0;                 // samples replaced
    int warnings = 0;
};

// Judges one run's log with the settings: the commanded amplitude is the run list's, the conditions
// stated those of the settings, the list and the run.
CampaignRunResult JudgeCampaignRun(const PairedRun &run, const VehicleLog &log,
                                   const CampaignSettings &settings,
                                   const std::vector<RunCondition> &listAccepted = {});

struct CampaignResult {
    std::vector<CampaignRunResult> runs;
    CampaignA a;
    Gvwr gvwr;
    Regulation regulation = Regulation::Fmvss126;
    CampaignInfo info;
    CampaignVerdict verdict;
    CampaignSettings settings; // as applied: A and the GVWR in its SwdOptions
};
// The verdict over the judged runs: a pass only when every run passes and A is known.
CampaignVerdict VerdictOf(const std::vector<CampaignRunResult> &runs, const CampaignA &a);

// The whole campaign: every paired run judged on its log (logs[run.index]) with the settings, A and the
// GVWR as chosen (they replace the settings' amplitudeA and gvwr), the conditions the list states for
// every run, and the verdict.
CampaignResult JudgeCampaignRuns(const std::vector<PairedRun> &paired, const std::vector<VehicleLog> &logs,
                                 const RunList &list, CampaignSettings settings, const CampaignA &a,
                                 const Gvwr &gvwr, const CampaignInfo &info);

// The one text of a run's figures, for the terminal, the summary panel and the report's pages: each
// figure once, ratios to 2 decimals, displacement to 3, speed to 1, never "-0.00", with its limit and
// margin, and the settings the run was processed with.
std::vector<std::string> RunFigureLines(const SwdResult &result, const SwdOptions &settings);
// "12.34 %", "0.00 %" for -0.004: a figure to the decimals, never negative zero, with its unit.
std::string FigureText(double value, int decimals, const char *unit);
// "+1.23", "-0.40": a margin, signed, never "-0.00".
std::string MarginText(double margin, int decimals);
