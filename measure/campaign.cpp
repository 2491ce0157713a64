// A sine-with-dwell campaign: the run list, the pairing of logs with runs, A, each run's verdict and
// margins, the campaign's verdict and the text of a run's figures.
#include "measure/campaign.h"

#include "compiler/format.h"
#include "compiler/state.h"
#include "files/fileio.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>

namespace {

using Json = nlohmann::json;

// The programs of a set are numbered 0 to 15 (romfiles' ProgramCount, a layer this one does not include).
constexpr int ProgramsPerSet = 16;

std::string Text(const char *format, auto... values) {
    char buffer[512];
    std::snprintf(buffer, sizeof buffer, format, values...);
    return buffer;
}

// The conditions a run list states for a run (or for all of them): its "accept" names.
std::vector<RunCondition> AcceptedIn(const Json &holder, const std::string &where) {
    std::vector<RunCondition> accepted;
    if (!holder.contains("accept")) return accepted;
    const Json &list = holder["accept"];
    if (!list.is_array()) throw FormatError(where + "\"accept\" is not a list of conditions");
    for (const Json &name : list) {
        const auto condition = name.is_string() ? RunConditionNamed(name.get<std::string>()) : std::nullopt;
        if (!condition)
            throw FormatError(where + "\"accept\" names " + name.dump() + ", no condition (it takes \"" +
                              RunConditionName(RunCondition::Speed) + "\")");
        accepted.push_back(*condition);
    }
    return accepted;
}

std::string Lowered(std::string text) {
    for (char &c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

std::string StemOf(const std::string &path) {
    std::string name = FileNameOf(path);
    const auto dot = name.rfind('.');
    return dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
}

// The number that ends the text, if it ends in digits.
std::optional<int> TrailingNumber(const std::string &text) {
    std::size_t digits = text.size();
    while (digits > 0 && std::isdigit(static_cast<unsigned char>(text[digits - 1]))) --digits;
    if (digits == text.size() || text.size() - digits > 6) return std::nullopt;
    return std::stoi(text.substr(digits));
}

// Whether a log's file name names the run: by its set and program ("swd-03 p5", "swd-03_program5"),
// else by the run's number at its end ("swd-07", "run 7").
bool NamesRun(const std::string &log, const SeriesRun &run) {
    const std::string stem = Lowered(StemOf(log));
    const std::optional<int> number = TrailingNumber(stem);
    if (!number) return false;
    // "<set> p<N>" or "<set>_program<N>": the set and program, never read as a run number.
    std::string head = stem.substr(0, stem.find_last_not_of("0123456789") + 1);
    for (const std::string word : {"program", "p"}) {
        if (head.size() <= word.size() || head.compare(head.size() - word.size(), word.size(), word) != 0)
            continue;
        const std::string set = head.substr(0, head.size() - word.size());
        if (set.empty() || std::string(" _-").find(set.back()) == std::string::npos) continue;
        return *number == run.program && set.substr(0, set.size() - 1) == Lowered(StemOf(run.set));
    }
    return *number == run.run;
}

} // namespace

const char *RegulationName(Regulation regulation) {
    switch (regulation) {
    case Regulation::Fmvss126:
        return "FMVSS No. 126";
    case Regulation::UnR140:
        return "UN R140";
    case Regulation::GbT30677:
        return "GB/T 30677";
    }
    return "";
}

const std::vector<Regulation> &Regulations() {
    static const std::vector<Regulation> all{Regulation::Fmvss126, Regulation::UnR140, Regulation::GbT30677};
    return all;
}

std::optional<Regulation> RegulationNamed(const std::string &name) {
    for (Regulation r : Regulations())
        if (name == RegulationName(r)) return r;
    return std::nullopt;
}

std::vector<std::string> RegulationCriteria(Regulation regulation, double gvwr) {
    using namespace SwdCriteria;
    const bool heavy = gvwr > HeavyVehicle;
    return {std::string("Regulation: ") + RegulationName(regulation),
            Text("Yaw rate ratio at COS + %.3f s at most %g %%, at COS + %.3f s at most %g %%", RatioCheck1,
                 RatioLimit1, RatioCheck2, RatioLimit2),
            Text("Lateral displacement at BOS + %.2f s at least %.2f m (gross vehicle weight rating %s "
                 "%g kg), judged in the runs from %g A on",
                 DisplacementTime, heavy ? HeavyDisplacementLimit : DisplacementLimit,
                 heavy ? "above" : "at most", HeavyVehicle, DisplacementFromA),
            Text("Speed at BOS %g +/- %g km/h", Speed, SpeedTolerance)};
}

RunList ParseRunList(const std::string &text) {
    Json list;
    try {
        list = Json::parse(text);
    } catch (const Json::exception &) {
        throw FormatError("is not a JSON document");
    }
    if (!list.is_object() || !list.contains("runs") || !list["runs"].is_array())
        throw FormatError("holds no run list (\"runs\"): write it with template --series ... --json");
    RunList result;
    if (list.contains("a_deg") && !list["a_deg"].is_null()) {
        if (!list["a_deg"].is_number() || !(list["a_deg"].get<double>() > 0))
            throw FormatError("its a_deg " + list["a_deg"].dump() + " is no A (a positive number of deg)");
        result.a = list["a_deg"].get<double>();
    }
    result.accepted = AcceptedIn(list, "");
    std::size_t k = 0;
    for (const Json &entry : list["runs"]) {
        ++k;
        SeriesRun run;
        try {
            run.run = entry.at("run").get<int>();
            run.set = entry.at("set").get<std::string>();
            run.program = entry.at("program").get<int>();
            run.amplitude = entry.at("amplitude_deg").get<double>();
        } catch (const Json::exception &) {
            throw FormatError(Text("run %zu lacks run, set, program or amplitude_deg", k));
        }
        if (run.program < 0 || run.program >= ProgramsPerSet)
            throw FormatError(Text("run %zu: no program %d (a set holds programs 0 to %d)", k, run.program,
                                   ProgramsPerSet - 1));
        // A sine with dwell steers past the beginning angle, within what a program can command.
        if (!(run.amplitude > 5 && run.amplitude <= ChannelPhysics::MachineSteer))
            throw FormatError(Text("run %zu: amplitude_deg %g is no amplitude a sine with dwell is run at "
                                   "(more than 5 and at most %g deg)",
                                   k, run.amplitude, ChannelPhysics::MachineSteer));
        run.accepted = AcceptedIn(entry, Text("run %zu: ", k));
        result.runs.push_back(std::move(run));
    }
    return result;
}

const char *PairingName(Pairing pairing) {
    switch (pairing) {
    case Pairing::Order:
        return "order";
    case Pairing::Name:
        return "name";
    case Pairing::Logged:
        return "logged";
    }
    return "";
}

std::optional<Pairing> PairingNamed(const std::string &name) {
    for (Pairing p : {Pairing::Order, Pairing::Name, Pairing::Logged})
        if (name == PairingName(p)) return p;
    return std::nullopt;
}

std::vector<PairedRun> PairLogs(const RunList &list, const std::vector<std::string> &logs, Pairing pairing,
                                const std::vector<LoggedProgram> &logged) {
    if (list.runs.size() != logs.size())
        throw CampaignError(Text("the run list has %zu runs and %zu logs were given: one log per run%s",
                                 list.runs.size(), logs.size(),
                                 pairing == Pairing::Order ? ", in run order" : ""));
    std::vector<PairedRun> paired;
    if (pairing == Pairing::Order) {
        for (std::size_t k = 0; k < logs.size(); ++k) paired.push_back({list.runs[k], logs[k], k});
        return paired;
    }
    if (pairing == Pairing::Logged && logged.size() != logs.size())
        throw CampaignError("the logs' sets and programs are not known");
    auto names = [&](std::size_t k, const SeriesRun &run) {
        if (pairing == Pairing::Name) return NamesRun(logs[k], run);
        return logged[k].program == run.program && !logged[k].set.empty() &&
               Lowered(StemOf(logged[k].set)) == Lowered(StemOf(run.set));
    };
    std::vector<bool> taken(logs.size());
    for (const SeriesRun &run : list.runs) {
        std::optional<std::size_t> found;
        for (std::size_t k = 0; k < logs.size(); ++k) {
            if (!names(k, run)) continue;
            if (found)
                throw CampaignError(Text("run %d is named by two logs, ", run.run) +
                                    FileNameOf(logs[*found]) + " and " + FileNameOf(logs[k]));
            found = k;
        }
        if (!found)
            throw CampaignError(Text("no log names run %d (", run.run) + FileNameOf(run.set) +
                                Text(" program %d)", run.program));
        if (taken[*found]) throw CampaignError(FileNameOf(logs[*found]) + " names two runs");
        taken[*found] = true;
        paired.push_back({run, logs[*found], *found});
    }
    return paired;
}

CampaignA ChooseAmplitudeA(const std::vector<AmplitudeCandidate> &candidates) {
    for (const AmplitudeCandidate &c : candidates)
        if (c.value && *c.value > 0) return {*c.value, c.source};
    return {};
}

double CommandedAmplitude(const CompilerState &state) {
    double peak = 0;
    const int end = std::clamp(state.endIndex, 0, StepCount - 1);
    for (int i = 0; i <= end; ++i) peak = std::max(peak, std::fabs(double(state.steps[i].steer)));
    return peak;
}

Gvwr ChooseGvwr(std::optional<double> given, const CampaignInfo &info, std::optional<double> vehicleFile) {
    if (given && *given > 0) return {*given, "--gvwr"};
    if (info.gvwr) return {*info.gvwr, "the campaign information"};
    if (vehicleFile && *vehicleFile > 0) return {*vehicleFile, "the vehicle file"};
    return {};
}

FigureMargins MarginsOf(const SwdResult &r) {
    using namespace SwdCriteria;
    FigureMargins m;
    if (r.speedAtBos) m.speed = SpeedTolerance - std::fabs(*r.speedAtBos - Speed);
    if (!r.processed) return m;
    m.ratio1 = RatioLimit1 - r.ratio1;
    m.ratio2 = RatioLimit2 - r.ratio2;
    if (r.passDisplacement) m.displacement = r.displacement - r.displacementLimit;
    return m;
}

CampaignRunResult JudgeCampaignRun(const PairedRun &paired, const VehicleLog &log,
                                   const CampaignSettings &settings,
                                   const std::vector<RunCondition> &listAccepted) {
    SwdOptions options = settings.swd;
    options.commandedAmplitude = paired.run.amplitude;
    for (const auto *more : {&listAccepted, &paired.run.accepted})
        options.accepted.insert(options.accepted.end(), more->begin(), more->end());
    CampaignRunResult c;
    c.run = paired.run;
    c.log = paired.log;
    c.result = EvaluateSineWithDwell(log, options);
    c.margins = MarginsOf(c.result);
    c.speedAtBos = c.result.speedAtBos;
    if (c.result.processed) c.direction = SteerDirectionName(c.result.firstSteer);
    c.dropouts = static_cast<int>(log.dropouts.size());
    c.warnings = static_cast<int>(c.result.warnings.size());
    return c;
}

CampaignVerdict VerdictOf(const std::vector<CampaignRunResult> &runs, const CampaignA &a) {
    std::vector<RunState> states;
    for (const CampaignRunResult &c : runs) states.push_back(c.result.state);
    return JudgeCampaign(states, a.value > 0);
}

CampaignResult JudgeCampaignRuns(const std::vector<PairedRun> &paired, const std::vector<VehicleLog> &logs,
                                 const RunList &list, CampaignSettings settings, const CampaignA &a,
                                 const Gvwr &gvwr, const CampaignInfo &info) {
    settings.swd.amplitudeA = a.value;
    settings.swd.gvwr = gvwr.kg;
    CampaignResult campaign;
    campaign.a = a;
    campaign.gvwr = gvwr;
    campaign.regulation = settings.regulation;
    campaign.info = info;
    campaign.settings = settings;
    for (const PairedRun &p : paired)
        campaign.runs.push_back(JudgeCampaignRun(p, logs.at(p.index), settings, list.accepted));
    campaign.verdict = VerdictOf(campaign.runs, a);
    return campaign;
}

std::string FigureText(double value, int decimals, const char *unit) {
    return Fixed(value, decimals) + (*unit ? " " + std::string(unit) : "");
}

std::string MarginText(double margin, int decimals) {
    const std::string text = Fixed(margin, decimals);
    return text[0] == '-' ? text : "+" + text;
}

std::vector<std::string> RunFigureLines(const SwdResult &r, const SwdOptions &settings) {
    using namespace SwdCriteria;
    auto verdict = [](bool pass) { return pass ? "pass" : "FAIL"; };
    std::vector<std::string> lines;
    if (r.processed) {
        lines.push_back(Text("Filter: 12-pole phaseless Butterworth, steer %g Hz, yaw rate and lateral "
                             "acceleration %g Hz",
                             settings.steerCutoff, settings.responseCutoff));
        lines.push_back(Text("Zeroing: means over %.3f to %.3f s (steer rate above %g deg/s from %.3f s): "
                             "steer %s deg, yaw rate %s deg/s, lateral acceleration %s g",
                             r.zeroFrom, r.zeroTo, settings.onsetRate, r.onset, Fixed(r.steerZero, 3).c_str(),
                             Fixed(r.yawRateZero, 3).c_str(), Fixed(r.lateralAccelerationZero, 4).c_str()));
        lines.push_back(Text("BOS: %.3f s (steer reaches %+g deg; first steer %s)", r.bos,
                             settings.bosAngle * r.firstSteer, SteerDirectionName(r.firstSteer)));
        lines.push_back(Text("COS: %.3f s (steer back to zero after its second peak; peaks %s and %s deg)",
                             r.cos, Fixed(r.firstPeak, 2).c_str(), Fixed(r.secondPeak, 2).c_str()));
        lines.push_back(Text("Peak yaw rate: %s deg/s at %.3f s%s", Fixed(r.peakYawRate, 2).c_str(),
                             r.peakYawRateTime,
                             r.spin ? " (the largest: the yaw rate never comes back, a spin)" : ""));
        const FigureMargins m = MarginsOf(r);
        lines.push_back(
            Text("Yaw rate ratio at COS + %.3f s: %s (%s deg/s), at most %g %%, margin %s points: %s",
                 RatioCheck1, FigureText(r.ratio1, 2, "%").c_str(), Fixed(r.yawRate1, 2).c_str(), RatioLimit1,
                 MarginText(*m.ratio1, 2).c_str(), verdict(r.pass1)));
        lines.push_back(
            Text("Yaw rate ratio at COS + %.3f s: %s (%s deg/s), at most %g %%, margin %s points: %s",
                 RatioCheck2, FigureText(r.ratio2, 2, "%").c_str(), Fixed(r.yawRate2, 2).c_str(), RatioLimit2,
                 MarginText(*m.ratio2, 2).c_str(), verdict(r.pass2)));
        std::string judged = "not judged (amplitude below 5 A, or A not known)";
        if (r.passDisplacement)
            judged = Text("at least %.2f m, margin %s m: %s", r.displacementLimit,
                          MarginText(*m.displacement, 3).c_str(), verdict(*r.passDisplacement));
        lines.push_back(Text("Lateral displacement BOS to BOS + %.2f s: %s, ", DisplacementTime,
                             FigureText(r.displacement, 3, "m").c_str()) +
                        judged);
        lines.push_back(r.amplitudeFromProgram ? Text("Amplitude: %.2f deg commanded, %.2f deg measured",
                                                      r.amplitude, r.measuredAmplitude)
                                               : Text("Amplitude: %.2f deg (measured)", r.amplitude));
        if (r.speedAtBos)
            lines.push_back(Text("Speed at BOS: %s (%g +/- %g km/h)",
                                 FigureText(*r.speedAtBos, 1, "km/h").c_str(), Speed, SpeedTolerance));
        if (r.peakRoll) lines.push_back("Peak roll angle: " + FigureText(*r.peakRoll, 2, "deg"));
    }
    for (RunCondition c : r.verdict.StatedConditions())
        lines.push_back(std::string("Stated, not measured: ") + RunConditionText(c));
    for (const std::string &w : r.warnings) lines.push_back("Warning: " + w);
    lines.push_back(std::string("Verdict: ") + (r.state == RunState::Pass ? "pass" : RunStateTitle(r.state)) +
                    (r.reason.empty() ? "" : ": " + r.reason));
    return lines;
}
