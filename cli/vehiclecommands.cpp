// quillard-cli: the rows of the table of the commands (commands.cpp) for the vehicle's runs, evaluate and
// simulate.
#include "cli/commands.h"

// clang-format off
Command EvaluateCommand(const SharedOptions &shared) {
    return {.name = "evaluate",
     .usage = R"(  evaluate sis RUN... [--fit-low G] [--fit-high G] [VEHICLE LOG OPTIONS] [--json]
      The steer angle at 0.3 g of each slowly increasing steer run, by a regression of steer on
      lateral acceleration over the rising part from --fit-low to --fit-high (0.1 and 0.375 g),
      and A: the mean of their absolute values, to 0.1 deg (a_deg in JSON).
  evaluate swd RUN [--program-file SET.rom --program N] [--amplitude-a A | --amplitude-from SIS.json]
                   [--gvwr KG] [--accept speed] [VEHICLE LOG OPTIONS] [--json]
      Judge a sine-with-dwell run: filter, zero, BOS, COS, the peak yaw rate, the yaw rate ratios
      at COS + 1.000 s and COS + 1.750 s (at most 35 and 20 %) and the lateral displacement at
      BOS + 1.07 s (at least 1.83 m, 1.52 m above 3500 kg; judged in runs of 5 A or more). The run
      is pass, fail or invalid (the log does not show the speed at BOS of 80 +/- 2 km/h, the
      commanded amplitude, one run or A, or a channel cannot be trusted). Exit 1 unless it passes.
  evaluate campaign RUNS.json LOG... [--amplitude-a A | --amplitude-from SIS.json] [--gvwr KG]
                   [--accept speed] [--vehicle-name TEXT] [--info INFO.txt] [--vehicle CAR.txt]
                   [--regulation NAME] [--pair order|name|logged] [--images SET.bin]...
                   [-o REPORT.pdf] [--csv TABLE.csv] [VEHICLE LOG OPTIONS] [--json]
      Judge every run of a series: RUNS.json is the run list of template --series ... --json, with
      one log per run, paired in run order, by the file names or by the set and program each log
      names. Writes the table as CSV and a PDF report: a first page with the regulation, the test
      information, A and every run with its margins; the SIS runs of --amplitude-from; a page per
      run, with how well the machine followed its program where its set is there; a last page
      with the version, the processing, each log's SHA-256, each run's slot CRC-32s (--images,
      once per set) and the sign-off. --info names the test information file
      (key = value lines); the GVWR comes from --gvwr, else from it, else from --vehicle's file.
      The campaign passes only when every run passes and A is known; exit 1 otherwise.
  evaluate step|sine|response|understeer|rollover RUN... [-o REPORT.pdf] [--vehicle-name TEXT]
                   [--steering-ratio R --wheelbase M] [VEHICLE LOG OPTIONS] [--json]
      The figures of each run, every processing step named: step steer (ISO 7401: time zero,
      steady states, gains, response and peak response times, overshoots, the steer's rise time,
      the TB factor), single-period sine (ISO 7401: time lags and peak gains), frequency response
      (ISO 7401: gain, phase and coherence of yaw rate and lateral acceleration per steer over
      frequency, steady-state gain, resonance, phase at 1 Hz), understeer (ISO 4138: steer
      gradient over the linear range, and with --steering-ratio and --wheelbase the understeer
      gradient and the characteristic speed), rollover (NHTSA fishhook and J-turn: peak roll and
      roll rate, the countersteer against the roll-rate feedback, two-wheel lift). A run is
      pass when its log gives the figures (rollover: and no two-wheel lift), else invalid with
      the reason; -o writes a PDF report, a first page of the runs and a page per run.
)",
     .files = {.counted = false}, // sis RUN..., swd RUN, campaign RUNS.json LOG..., step RUN...: read by FinishEvaluate
     .options = Options({
         shared.program.After("program-file").Only("swd"),
         shared.machine,
         shared.json,
         shared.output.Only("campaign step sine response understeer rollover"),
         EvaluateLogOptions(),
         Quantity("amplitude-a", "A", "deg", 20, Set<&CliOptions::amplitudeA>).Above(0, 1000).Only("swd campaign"),
         shared.amplitudeFrom.Only("swd campaign"),
         Quantity("gvwr", "KG", "", 2000, Set<&CliOptions::gvwr>).Above(0, 1e6).Only("swd campaign"),
         Choice("accept", "CONDITION", {{"speed", "the speed at BOS, where the log has none"}},
                [](CliOptions &o, const Value &) { o.accepted.push_back(RunCondition::Speed); })
             .Only("swd campaign")
             .Help("a condition stated, not measured: the report says so"),
         File("program-file", "SET.rom", Set<&CliOptions::programFile>).Only("swd"),
         Quantity("fit-low", "G", "", 0.1, Set<&CliOptions::fitLow>).Above(-1e-12, 2).Only("sis"),
         Quantity("fit-high", "G", "", 0.375, Set<&CliOptions::fitHigh>).Above(0, 2).Only("sis"),
         File("csv", "TABLE.csv", Set<&CliOptions::csv>).Only("campaign"),
         Text("vehicle-name", "TEXT", Set<&CliOptions::vehicleName>).Only("campaign step sine response understeer rollover"),
         File("info", "INFO.txt", Set<&CliOptions::infoFile>).Only("campaign"),
         File("vehicle", "CAR.txt", Set<&CliOptions::vehicleFile>).Only("campaign"),
         File("images", "SET.bin", nullptr) // every one given: FinishEvaluate
             .Only("campaign")
             .Help("the EPROM file of a set (its .aux beside it): the report gives each run's slot CRC-32"),
         Choice("regulation", "NAME",
                {{RegulationName(Regulation::Fmvss126), ""},
                 {RegulationName(Regulation::UnR140), ""},
                 {RegulationName(Regulation::GbT30677), ""}},
                [](CliOptions &o, const Value &v) { o.regulation = Regulations()[v.word]; })
             .Only("campaign")
             .Help("the regulation the report names: they process the data alike"),
         Choice("pair", "HOW",
                {{"order", "in run order"},
                 {"name", "by the file names"},
                 {"logged", "by the set and program each log names"}},
                [](CliOptions &o, const Value &v) { o.pairing = static_cast<Pairing>(v.word); }) // in Pairing's order
             .Only("campaign"),
         Quantity("steering-ratio", "R", "", 16, Set<&CliOptions::steeringRatio>).Above(0, 100).Only("understeer")
             .Help("handwheel angle per road-wheel angle, for the understeer gradient"),
         Quantity("wheelbase", "M", "", 2.8, Set<&CliOptions::wheelbase>).Above(0, 20).Only("understeer")
             .Help("wheelbase in m, for the understeer gradient's Ackermann part"),
     }),
     .run =
         [](const CliOptions &o) {
             const bool esc = o.evaluation == "sis" || o.evaluation == "swd" || o.evaluation == "campaign";
             return esc ? RunEvaluate(o) : RunHandlingEvaluation(o);
         },
     .finish = FinishEvaluate,
     .draws = [](const CliOptions &o) { return !o.output.empty(); }, // the PDF report
     .forms = {"sis", "swd", "campaign", "step", "sine", "response", "understeer", "rollover"}};
}

Command SimulateCommand(const SharedOptions &shared) {
    return {.name = "simulate",
     .usage = R"(  simulate FILE [--program N] -o LOG.csv [--runs N] [--vehicle CAR.txt] [--linear] [--sample-rate HZ] [--tail S]
  simulate --template NAME [--PARAMETER VALUE ...] -o LOG.csv [--runs N] [...]
  simulate --run-list RUNS.json -o LOG.csv [--vehicle CAR.txt] [--sample-rate HZ] [--tail S]
  simulate --default-vehicle
      Drive the rehearsal vehicle (a single-track model for dry runs, not a prediction of record)
      with the program (or a template's) and write its log: time, steer, yaw rate, lateral
      acceleration, sideslip, roll angle, roll rate, wheel lift and speed. At each WAITFORROLLPEAK
      the machine holds the steer until the roll rate falls back to 1.5 deg/s.
      --runs N writes LOG-1.csv ... LOG-N.csv, every second run steered the other way; --run-list
      one log per run of a series (LOG-01.csv, ...). --default-vehicle prints the default car's
      parameter file, to copy and change for --vehicle. --sample-rate 200, --tail 3 (seconds
      logged after the program's end) unless given.
)",
     .files = {.counted = false}, // FILE, or none with --template or --run-list: read by FinishSimulate
     .options = Options({
         shared.program,
         shared.machine,
         shared.maxRate,
         shared.strict,
         shared.output,
         Parameter("rate").OneOf({"256", "512", "1024", "2048"}),
         Parameter("maxsteer"),
         TemplateName("template", "NAME", nullptr),
         File("vehicle", "CAR.txt", Set<&CliOptions::vehicleFile>),
         Quantity("sample-rate", "HZ", "Hz", 200, Set<&CliOptions::sampleRate>).Above(0, 100000),
         Quantity("tail", "S", "s", 3, Set<&CliOptions::tail>).Above(-1e-12, 600),
         Whole("runs", "N", 1, 100, "runs", Set<&CliOptions::runs>),
         File("run-list", "RUNS.json", Set<&CliOptions::runList>),
         Switch("default-vehicle", Set<&CliOptions::defaultVehicle>),
         Switch("linear", Set<&CliOptions::linear>)
             .Help("the linear reference vehicle: tyre forces proportional to their slip, no friction limit\n"
                   "and no stability control, whose step and frequency responses are known in closed form"),
     }),
     .run = RunSimulate,
     .templateParameters = true,
     .finish = FinishSimulate};
}
// clang-format on
