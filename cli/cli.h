// quillard-cli: shared pieces of the commands.
#pragma once

#include "compiler/state.h"
#include "files/fileio.h"
#include "measure/campaign.h"
#include "measure/channels.h"
#include "measure/compare.h"
#include "measure/logfile.h"
#include "measure/verdict.h"
#include "romfiles/templates.h"

#include <cstdio>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

// Bad usage: exit 2 with "quillard-cli: reason".
struct UsageError : std::runtime_error {
    using std::runtime_error::runtime_error;
};
// Unreadable input or unwritable output (standard output included): exit 2 with
// "quillard-cli: FILE: reason".
struct InputError : std::runtime_error {
    InputError(const std::string &file, const std::string &reason)
        : std::runtime_error(DisplayName(file) + ": " + reason) {}
};

// The text of a channel that cannot be read, with the option that names its column (logcli.cpp).
std::string ChannelErrorText(const ChannelError &error);

// Runs read(), which reads FILE, reporting its failures to read or to make sense of it as InputError
// naming FILE.
template <class Read> auto ReadingInput(const std::string &file, Read read) -> decltype(read()) {
    try {
        return read();
    } catch (const ChannelError &e) {
        throw InputError(file, ChannelErrorText(e));
    } catch (const FileError &e) {
        throw InputError(file, e.reason());
    } catch (const FormatError &e) {
        throw InputError(file, e.what());
    }
}

// The text printf writes for the format and the values (at most 511 characters).
std::string Format(const char *format, auto... values) {
    char text[512];
    std::snprintf(text, sizeof text, format, values...);
    return text;
}

struct CliOptions {
    std::string command;
    std::vector<std::string> files; // positional arguments after the command
    int program = 0;
    bool programGiven = false;       // --program was given
    std::optional<bool> corvan3Only; // --machine
    std::string output;              // -o
    std::string format;              // export: text | tv
    std::string type;                // import: text | tv | rom | bin
    int rate = 256;
    int maxSteer = 200;
    bool insert = false;
    int width = 1200, height = 400;
    std::vector<int> auxBits;
    std::string auxImage; // verify --aux: the aux image read back
    bool auxGiven = false;
    float maxRate = 0;    // --max-rate: steer-rate limit, deg/s (0: off)
    bool strict = false;  // --strict: a warning or a notice of a compile makes the exit status 1
    bool summary = false; // check --summary
    bool report = false;  // build --report
    bool hex = false;     // build --hex
    bool srec = false;    // build --srec
    // template
    std::string templateName;
    TemplateValues templateValues;
    bool listTemplates = false;
    std::optional<std::array<double, 3>> series; // from, to, step (deg)
    bool standardSeries = false;                 // --series standard, for the amplitude A
    // put
    std::string fromSet;   // --from: the set the program comes from
    int sourceProgram = 0; // --source-program (default: --program)
    // compare, and plot --log
    std::string log;       // --log: the measured log
    LogOptions logOptions; // --time-column, --steer-column, --mark-column, --time-unit, --angle-unit
    int markFlag = 0;      // --mark-flag
    bool json = false;     // --json: one JSON document on standard output
    std::string mat;       // compare --mat: MATLAB file of the comparison
    bool bode = false;     // plot --bode
    bool text = false;     // diff --text
    // evaluate and simulate
    std::string evaluation;       // evaluate: sis, swd, campaign, step, sine, response, understeer, rollover
    VehicleLogOptions vehicleLog; // the log options and --yaw-column, --ay-column, --speed-column,
                                  // --roll-column, --ay-unit
    double amplitudeA = 0;        // --amplitude-a, deg (0: not given)
    double gvwr = 0;              // --gvwr, kg (0: not given)
    std::string programFile;      // evaluate swd --program-file
    double fitLow = 0.1, fitHigh = 0.375; // evaluate sis --fit-low, --fit-high, g
    std::string csv;                      // evaluate campaign --csv
    std::string vehicleName;              // evaluate campaign --vehicle-name, as given (bytes)
    std::vector<RunCondition> accepted;   // evaluate --accept: conditions stated, not measured
    double steeringRatio = 0;             // evaluate understeer --steering-ratio (0: not given)
    double wheelbase = 0;                 // evaluate understeer --wheelbase, m (0: not given)
    bool linear = false;                  // simulate --linear: the linear reference vehicle
    std::string amplitudeSource;          // where amplitudeA came from: "--amplitude-a", the SIS file's name
    std::string amplitudeFile;            // --amplitude-from: the SIS file, whose runs the report shows
    std::vector<std::string> images;      // evaluate campaign --images: the EPROM files of the runs' sets
    std::string infoFile;                 // evaluate campaign --info: the test information
    Regulation regulation = Regulation::Fmvss126; // evaluate campaign --regulation
    Pairing pairing = Pairing::Order;             // evaluate campaign --pair
    std::string vehicleFile;           // simulate --vehicle, evaluate campaign --vehicle (its GVWR)
    double sampleRate = 200;           // simulate --sample-rate, Hz
    double tail = 3;                   // simulate --tail, s after the program's end
    int runs = 0;                      // simulate --runs N: N logs, every second one steered the other way
    std::string runList;               // simulate --run-list RUNS.json
    std::string channelList;           // log --channels: the channels written, by their words
    std::vector<ChannelKind> channels; // ...read from it; empty: every channel found
    double resample = 0;               // log --resample, Hz (0: as sampled)
    bool defaultVehicle = false;       // simulate --default-vehicle
};

// The options of the run from the command line (arguments[0] is the program's name); bad usage throws
// UsageError. The commands and their options are the table of commands.h.
CliOptions ParseArguments(const std::vector<std::string> &arguments);
// The bash completion of quillard-cli: commands, each command's options, option values and template
// names, each template's parameters.
std::string BashCompletionScript();

// The text of --help, and of template NAME --help.
std::string UsageText();
std::string TemplateHelpText(const ManoeuvreTemplate &t);

// The value of a number option: a number as the program language writes it, with or without a unit
// that the language reads as `unit` ("deg", "s", "Hz", "cycles", "flag", "deg/s"; "" for none): the
// first letter after the number decides, as in a program (50deg, 50d, 0.7hz, 720deg/s). Nothing when
// the text is not such a number.
std::optional<double> ReadQuantity(const std::string &text, const std::string &unit);
// What ReadQuantity expects, for a usage error: "a number of deg, for example 50 or 50deg".
std::string ExpectedQuantity(const std::string &unit, double example);

// What --strict fails on: the notices and warnings of the command's compiles, and ignored text. The notices
// are also kept for the JSON documents, with the program that raised them.
struct CompileFindings {
    struct Notice {
        int program = -1; // -1 when the command compiles one program
        std::string text;
    };
    int program = -1; // the program being compiled, for commands that compile a set
    std::vector<Notice> notices;
    int warnings = 0;
    int ignored = 0; // statement text the compiler reads as nothing (check)
    bool Any() const { return warnings > 0 || ignored > 0 || !notices.empty(); }
};
CompileFindings &Findings();

// Counts the warnings of a successful compile in the state. With --strict, unless the command prints
// the Messages text anyway, their lines go to stderr after the label ("Program #3: ").
void NoteWarnings(const CliOptions &options, const CompilerState &state, const std::string &label,
                  bool messagesPrinted);

// True when --strict fails the command on the warnings and notices of its compiles so far: a command
// that fails so writes no file, and this says on stderr that the file was not written.
bool StrictKeepsFrom(const CliOptions &options, const std::string &output);

// The one input FILE of a command.
const std::string &InputFile(const CliOptions &options);

// True for a name ending in ".rom" (any letter case): a program-set file.
bool IsSetFileName(const std::string &path);

// The set FILE as ReadProgramSet reads it, its failures InputErrors naming it; markers past the 16th
// are a notice (NoteSetNotice).
ProgramSet ReadSetFile(const std::string &file);
// A notice about a set file (not raised by a compile): on stderr, and kept for --strict and the JSON
// documents. Nothing for an empty text.
void NoteSetNotice(const std::string &notice);

// The lines of the program named by FILE (a program text, or one program of a ".rom" set).
std::vector<std::string> ReadProgram(const CliOptions &options);

// Compile options: the machine version from --machine, else quildf.txt in the current directory,
// else Corvan 3 only; the steer-rate limit of --max-rate; notices go to stderr as they are raised,
// after "Program #p: " with namePrograms (a build of a whole set).
CompileOptions MakeCompileOptions(const CliOptions &options, bool namePrograms = false);

// Refuses an output that is one of the command's inputs: its FILE, its --log, and the defaults file when the
// command compiles and reads it. Throws InputError naming the output.
void CheckOutput(const CliOptions &options, const std::string &output, bool compiles);

// Standard output, checked: a write that fails (full disk, closed pipe, closed descriptor) throws
// InputError "standard output: reason". FinishStandardOutput flushes and closes it at the end.
void WriteOut(std::string_view text);
void FinishStandardOutput();

// Each line followed by LF; on stdout through WriteOut.
void PrintLines(std::FILE *stream, const std::vector<std::string> &lines);

// The log of --log, and its comparison with the program in the compiler state; failures are
// InputErrors naming the log.
MeasuredLog ReadMeasuredLog(const CliOptions &options);
// The log's bursts that a short pulse of the program commands are put back first (KeepCommandedPulses).
Comparison CompareWithLog(const CompilerState &state, const CliOptions &options, MeasuredLog &log);

int RunCheck(const CliOptions &options);
int RunSteps(const CliOptions &options);
int RunBuild(const CliOptions &options);
int RunExport(const CliOptions &options);
int RunImport(const CliOptions &options);
int RunPlot(const CliOptions &options);
int RunTemplate(const CliOptions &options);
int RunCompare(const CliOptions &options);
int RunVerify(const CliOptions &options);
int RunDiff(const CliOptions &options);
int RunPut(const CliOptions &options);
// evaluate sis|swd|campaign (evaluate.cpp, campaign.cpp).
int RunEvaluate(const CliOptions &options);
// evaluate step|sine|response|understeer|rollover RUN... (handling.cpp).
int RunHandlingEvaluation(const CliOptions &options);
int RunSimulate(const CliOptions &options);
int RunLog(const CliOptions &options);

// A of a file that evaluate sis --json wrote (its a_deg). Throws InputError naming the file.
double AmplitudeFromSisFile(const std::string &path);
