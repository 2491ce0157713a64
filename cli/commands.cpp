// quillard-cli: the table of the commands and their options.
#include "cli/commands.h"

#include <algorithm>
#include <type_traits>

namespace {

// Options that several commands take, written once.

const Option Program = Whole("program", "N", 0, 15, "program number", [](CliOptions &o, const Value &v) {
    o.program = static_cast<int>(v.numbers.front());
    o.programGiven = true;
});
const Option Output = File("o", "OUT", Set<&CliOptions::output>);
const Option JsonSwitch =
    Switch("json", Set<&CliOptions::json>).Help("one JSON document on standard output instead of the text");
const Option Log = File("log", "RUN.csv", Set<&CliOptions::log>);
const Option AmplitudeFrom = File("amplitude-from", "SIS.json", nullptr);

// The compile options: every command that compiles takes them, and --help lists them.
const Option Machine =
    Choice("machine", "M", {{"corvan3", "Corvan 3 only"}, {"compatible", "Corvan 1, 2 and 3"}},
           [](CliOptions &o, const Value &v) { o.corvan3Only = v.word == 0; })
        .Help("Without --machine the setting of quildf.txt in the current directory is\n"
              "used when it exists, else Corvan 3 only.");
const Option MaxRate = Quantity("max-rate", "R", "deg/s", 400, Set<&CliOptions::maxRate>)
                           .Within(0, 1e9, false)
                           .Help("steer-rate limit in deg/s: a compile whose steer rate between two\n"
                                 "steps exceeds it writes a notice to stderr (0, the default: no check)");
const Option Strict = Switch("strict", Set<&CliOptions::strict>)
                          .Help("exit 1 when a compile raises a warning or a notice (steer rate, end\n"
                                "angle, recycle step, high current, a flag on after the end) or a set\n"
                                "file has program markers past the 16th; the texts are as without it");
const std::vector<Option> Compile{Machine, MaxRate, Strict};

const Files OneFile{};
const std::vector<Word> ClockRates{"256", "512", "1024", "2048"};

// The commands, in the order of --help; one option a line.
//
// To add an option to a command, add its line to the command's options: a maker (Switch, Text, File,
// Whole, Quantity, Choice, Size, Bits, TemplateName) with the option's name, its value as usage writes it and
// where the value goes (Set<&CliOptions::field> or a lambda), then what sets it apart: .Needs() when the
// command cannot go without it, .After("log") when it goes with another option, .Within(), .Above() or
// .OneOf() for the numbers a Quantity takes, .Only("swd campaign") when only some forms of the command take
// it, .Help("...") for its line under the command in --help. Its place in the list
// is its place in the completion and among the suggestions for a misspelt option. An option of several
// commands is written once above and named in each list; an option added to LogReadingOptions
// (logoptions.cpp) reaches every command that reads a log, and the LOG OPTIONS of --help, at once.
//
// To add a command, add its row: its name, its lines in --help, how many files it reads, its options and
// its Run function (declared in cli.h); .forms when its first word names a form with options of its own. A
// rule the table cannot state (which options go together in ways other than .After) goes into a finish
// function in parse.cpp, checked after the table's.
// The options of several commands that the rows in files of their own take.
const SharedOptions shared{Program, Machine, MaxRate, Strict, JsonSwitch, Output, AmplitudeFrom};

// clang-format off
const std::vector<Command> Table{
    {.name = "check",
     .usage = R"(  check FILE [--program N] [--summary] [--json] [COMPILE OPTIONS]
      Compile a program; print the Messages text, with --summary followed by the program
      summary (duration, steps used, steer extremes, peak steer rate, rates, flags). A set
      without --program: all 16 programs, each under "Program #n:"; exit 1 when any fails.
)",
     .files = OneFile,
     .options = Options({
         Program,
         Compile,
         JsonSwitch,
         Switch("summary", Set<&CliOptions::summary>),
     }),
     .run = RunCheck},
    {.name = "steps",
     .usage = R"(  steps FILE [--program N] [--format csv|mat] [-o OUT] [COMPILE OPTIONS]
      Compile a program; print its 16384 steps as CSV, or write them to OUT as CSV or as a
      MATLAB file (--format mat).
)",
     .files = OneFile,
     .options = Options({
         Program,
         Compile,
         Output,
         Choice("format", "F", {"csv", "mat"}, Set<&CliOptions::format>)
             .Refusing("steps takes --format csv or --format mat"),
     }),
     .run = RunSteps,
     .finish = FinishSteps},
    {.name = "build",
     .usage = R"(  build SET.rom -o OUT.bin [--report] [--hex] [--srec] [--json] [COMPILE OPTIONS]
      Build the 16 programs of a set into OUT.bin and OUT.aux. --report prints the CRC-32s
      and the slot map of the files written; --hex and --srec also write Intel HEX
      (OUT.hex, OUT.aux.hex) and Motorola S-record (OUT.srec, OUT.aux.srec) copies.
)",
     .files = OneFile,
     .options = Options({
         Compile,
         JsonSwitch,
         Output.Needs(),
         Switch("report", Set<&CliOptions::report>),
         Switch("hex", Set<&CliOptions::hex>),
         Switch("srec", Set<&CliOptions::srec>),
     }),
     .run = RunBuild},
    {.name = "export",
     .usage = R"(  export FILE [--program N] --format text|tv -o OUT [COMPILE OPTIONS]
      Write a program as text or as a time-and-value file.
)",
     .files = OneFile,
     .options = Options({
         Program,
         Compile,
         Output.Needs(),
         Choice("format", "F", {"text", "tv"}, Set<&CliOptions::format>)
             .Needs("export needs --format text or --format tv"),
     }),
     .run = RunExport},
    {.name = "import",
     .usage = R"(  import --type text|tv|rom|bin FILE [--program N] [--rate HZ] [--maxsteer DEG] [--mode MODE]
      Print the lines an import would produce (--rate 256, 512, 1024 or 2048; --maxsteer 0 to
      2000; --mode replace or insert).
)",
     .files = OneFile,
     .options = Options({
         Program,
         Choice("type", "T", {"text", "tv", "rom", "bin"}, Set<&CliOptions::type>).Needs(),
         Quantity("rate", "HZ", "Hz", 256, Set<&CliOptions::rate>).OneOf(ClockRates),
         Quantity("maxsteer", "DEG", "deg", 200, Set<&CliOptions::maxSteer>).Within(0, 2000, true),
         Choice("mode", "MODE", {"replace", "insert"}, [](CliOptions &o, const Value &v) { o.insert = v.word == 1; }),
         Output.Help("write them to OUT as a program text (CR LF) instead of printing them"),
     }),
     .run = RunImport},
    {.name = "plot",
     .usage = R"(  plot FILE [--program N] -o OUT.png|OUT.svg [--size WxH] [--aux 1,8] [COMPILE OPTIONS]
  plot FILE [--program N] -o OUT.png|OUT.svg --log RUN.csv [LOG OPTIONS] [--bode]
      Draw the program graph as Show does, to a PNG or SVG image; with --log the measured
      steer over it, with --bode instead the frequency response of a sweep program.
)",
     .files = OneFile,
     .options = Options({
         Program,
         Compile,
         Output.Needs(),
         Size("size", "WxH", 1, 20000, [](CliOptions &o, const Value &v) {
             o.width = static_cast<int>(v.numbers[0]);
             o.height = static_cast<int>(v.numbers[1]);
         }),
         Bits("aux", "BITS", 1, 8, "aux bit", [](CliOptions &o, const Value &v) {
             o.auxBits.assign(v.numbers.begin(), v.numbers.end());
         }),
         Switch("bode", Set<&CliOptions::bode>).After("log"),
         Log,
         LogReadingOptions(),
     }),
     .run = RunPlot,
     .draws = [](const CliOptions &) { return true; }},
    {.name = "compare",
     .usage = R"(  compare FILE [--program N] --log RUN.csv [LOG OPTIONS] [--json] [--mat OUT.mat]
      Compare a measured log with the program: delay, gain, offset, RMS and peak error,
      overshoot of each step and, for a sweep, the frequency response. --json prints one JSON
      document; --mat also writes the compared data and figures as a MATLAB file. Takes the
      COMPILE OPTIONS.
)",
     .files = OneFile,
     .options = Options({
         Program,
         Compile,
         JsonSwitch,
         Log.Needs(),
         LogReadingOptions(),
         File("mat", "OUT.mat", Set<&CliOptions::mat>),
     }),
     .run = RunCompare},
    LogCommand(),
    {.name = "diff",
     .usage = R"(  diff A B [--program N] [--text] [--json] [COMPILE OPTIONS]
      Compare two sets (or two programs) program by program: whether the texts differ (--text
      prints a unified diff of them) and whether the compiled steps differ: the first differing
      step, the largest steer difference and the change of duration. Exit 0 when every program
      compiles to identical steps in both, 1 otherwise. --program compares one program only.
)",
     .files = {2, 2, "diff needs two files: A.rom B.rom", "diff needs two files: A.rom B.rom"},
     .options = Options({
         Program,
         Compile,
         JsonSwitch,
         Switch("text", Set<&CliOptions::text>),
     }),
     .run = RunDiff},
    {.name = "template",
     .usage = R"(  template NAME [--PARAMETER VALUE ...]
      Print the program text of a manoeuvre template. template NAME --help lists its
      parameters with their units, defaults and ranges.
  template NAME --series FROM:TO:STEP [--PARAMETER VALUE ...] -o SET.rom [--json]
      Write the template over the amplitudes FROM to TO in steps of STEP (degrees, or multiples
      of A with --amplitude A) as programs 0, 1, ... of a set; the other programs are default
      programs. A series of more than 16 runs is written as SET-1.rom, SET-2.rom, ... and its
      run list printed.
  template sine-with-dwell --series standard --amplitude A|--amplitude-from SIS.json [...] -o SET.rom [--json]
      The standard series: 1.5 A in steps of 0.5 A up to the larger of 6.5 A and 270 deg, no
      run above 300 deg (or a lower --maxsteer), and where a step would pass that end, the last
      run is at it; maxsteer 300 unless given. The run list is printed. --amplitude-from takes A
      from the a_deg of evaluate sis --json.
  template --list [--json]
      List the templates with their parameters, units and defaults.
)",
     .files = {.counted = false}, // NAME, or none with --list: read by FinishTemplate
     .options = Options({
         JsonSwitch,
         Output,
         Parameter("rate").OneOf(ClockRates),
         Parameter("maxsteer"),
         Switch("list", Set<&CliOptions::listTemplates>),
         Text("series", "FROM:TO:STEP", nullptr).OneOf({"standard"}),
         AmplitudeFrom,
     }),
     .run = RunTemplate,
     .templateParameters = true,
     .finish = FinishTemplate},
    {.name = "put",
     .usage = R"(  put SET.rom --program N FILE
  put SET.rom --program N --template NAME [--PARAMETER VALUE ...]
  put SET.rom --program N --from OTHER.rom [--source-program M]
      Replace program N of a set with a program text, a template, or program M (default N) of
      another set; the other 15 programs stay byte for byte. A new set of default programs is
      made when SET.rom does not exist.
)",
     .files = {.least = 1, .most = 2, .tooFew = "put needs SET.rom",
               .tooMany = "put takes one SET.rom and at most one program file", .afterValues = true},
     .options = Options({
         Program.Needs("put needs --program N, the program to replace"),
         Parameter("rate").OneOf(ClockRates),
         Parameter("maxsteer"),
         TemplateName("template", "NAME", nullptr),
         File("from", "OTHER.rom", nullptr),
         Whole("source-program", "M", 0, 15, "source program", Set<&CliOptions::sourceProgram>).After("from"),
     }),
     .run = RunPut,
     .templateParameters = true,
     .finish = FinishPut},
    {.name = "verify",
     .usage = R"(  verify SET.rom IMAGE.bin [--aux IMAGE.aux] [--json] [COMPILE OPTIONS]
      Rebuild the set and compare it word by word with an EPROM image (and an aux image)
      read back from the programmer: the first difference of each program that differs, with
      its step, time, and expected and found steer. Exit 0 when they match, 1 when they differ.
)",
     .files = {2, 2, "verify needs SET.rom and IMAGE.bin", "verify needs SET.rom and IMAGE.bin"},
     .options = Options({
         Compile,
         JsonSwitch,
         File("aux", "IMAGE.aux", [](CliOptions &o, const Value &v) {
             o.auxImage = v.text;
             o.auxGiven = true;
         }).NotEmpty(),
     }),
     .run = RunVerify},
    EvaluateCommand(shared),
    SimulateCommand(shared),
};
// clang-format on

const std::vector<Option> General{
    Switch("help", nullptr).Help("print this text"),
    Switch("version", nullptr).Help("print the version"),
    Switch("bash-completion", nullptr).Help("print the bash completion script of quillard-cli"),
};

} // namespace

std::vector<Option> Options(std::initializer_list<Part> parts) {
    std::vector<Option> options;
    for (const Part &part : parts) options.insert(options.end(), part.options.begin(), part.options.end());
    return options;
}

const std::vector<Command> &Commands() { return Table; }

const Command *FindCommand(const std::string &name) {
    for (const Command &command : Table)
        if (command.name == name) return &command;
    return nullptr;
}

const Option *FindOption(const Command &command, const std::string &name) {
    for (const Option &option : command.options)
        if (option.name == name) return &option;
    return nullptr;
}

const std::vector<Option> &GeneralOptions() { return General; }
const std::vector<Option> &CompileOptionList() { return Compile; }
const std::vector<Option> &LogOptionList() { return LogReadingOptions(); }
const std::vector<Option> &VehicleLogOptionList() { return VehicleLogReadingOptions(); }
const Option &JsonOption() { return JsonSwitch; }

const std::vector<std::string> &TemplateParameterNames() {
    static const std::vector<std::string> names = [] {
        std::vector<std::string> all;
        for (const ManoeuvreTemplate &t : ManoeuvreTemplates())
            for (const TemplateParameter &p : t.parameters)
                if (std::find(all.begin(), all.end(), p.name) == all.end()) all.push_back(p.name);
        return all;
    }();
    return names;
}

bool IsTemplateParameter(const std::string &name) {
    const std::vector<std::string> &names = TemplateParameterNames();
    return std::find(names.begin(), names.end(), name) != names.end();
}

std::vector<std::string> OptionNames(const Command *command) {
    std::vector<std::string> names;
    auto add = [&](const std::string &name) {
        if (std::find(names.begin(), names.end(), name) == names.end()) names.push_back(name);
    };
    for (const Command &c : Table)
        if (!command || &c == command)
            for (const Option &option : c.options) add(option.name);
    if (!command || command->templateParameters)
        for (const std::string &name : TemplateParameterNames()) add(name);
    return names;
}

bool TakesOption(const Command &command, const std::string &name) {
    for (const Option &option : General)
        if (option.name == name || (name == "h" && option.name == "help")) return true;
    return FindOption(command, name) || (command.templateParameters && IsTemplateParameter(name));
}

std::string Dashed(const std::string &name) { return (name.size() == 1 ? "-" : "--") + name; }

std::string WordList(const std::vector<Word> &words) {
    std::string list;
    for (std::size_t i = 0; i < words.size(); ++i)
        list += (i == 0 ? "" : i + 1 == words.size() ? " or " : ", ") + words[i].word;
    return list;
}

std::string CommandLine::ValueOf(const std::string &name) const {
    const auto value = values.find(name);
    return value == values.end() ? std::string() : value->second;
}

// The makers and the settings of options.

namespace {
Option Made(std::string name, std::string value, Kind kind, Store store) {
    Option option;
    option.name = std::move(name);
    option.value = std::move(value);
    option.kind = kind;
    option.store = store;
    return option;
}
} // namespace

Option Switch(std::string name, Store store) { return Made(std::move(name), "", Kind::Switch, store); }
Option Text(std::string name, std::string value, Store store) {
    return Made(std::move(name), std::move(value), Kind::Text, store);
}
Option File(std::string name, std::string value, Store store) {
    return Made(std::move(name), std::move(value), Kind::File, store);
}

Option Whole(std::string name, std::string value, int low, int high, std::string what, Store store) {
    Option option = Made(std::move(name), std::move(value), Kind::Whole, store);
    option.low = low;
    option.high = high;
    option.what = std::move(what);
    return option;
}

Option Quantity(std::string name, std::string value, std::string unit, double example, Store store) {
    Option option = Made(std::move(name), std::move(value), Kind::Quantity, store);
    option.unit = std::move(unit);
    option.example = example;
    return option;
}

Option Choice(std::string name, std::string value, std::vector<Word> words, Store store) {
    Option option = Made(std::move(name), std::move(value), Kind::Choice, store);
    option.words = std::move(words);
    return option;
}

Option Size(std::string name, std::string value, int low, int high, Store store) {
    Option option = Whole(std::move(name), std::move(value), low, high, "size", store);
    option.kind = Kind::Size;
    return option;
}

Option Bits(std::string name, std::string value, int low, int high, std::string what, Store store) {
    Option option = Whole(std::move(name), std::move(value), low, high, std::move(what), store);
    option.kind = Kind::Bits;
    return option;
}

Option Parameter(std::string name) { return Made(std::move(name), "VALUE", Kind::Parameter, nullptr); }
Option TemplateName(std::string name, std::string value, Store store) {
    return Made(std::move(name), std::move(value), Kind::Template, store);
}

Option Option::Needs(std::string text) const {
    Option option = *this;
    option.required = true;
    option.needs = std::move(text);
    return option;
}

Option Option::After(const std::string &other) const {
    Option option = *this;
    option.after.push_back(other);
    return option;
}

Option Option::Help(std::string text) const {
    Option option = *this;
    option.help = std::move(text);
    return option;
}

Option Option::Refusing(std::string text) const {
    Option option = *this;
    option.refusal = std::move(text);
    return option;
}

Option Option::NotEmpty() const {
    Option option = *this;
    option.notEmpty = true;
    return option;
}

Option Option::Within(double low, double high, bool whole) const {
    Option option = *this;
    option.low = low;
    option.high = high;
    option.whole = whole;
    return option;
}

Option Option::Above(double low, double high) const {
    Option option = Within(low, high, false);
    option.aboveLow = true;
    return option;
}

Option Option::Spelt(std::size_t (*spelling)(const std::string &text)) const {
    Option option = *this;
    option.spelling = spelling;
    return option;
}

Option Option::Only(std::string forms) const {
    Option option = *this;
    option.forms = std::move(forms);
    return option;
}

bool Option::TakenBy(const std::string &form) const {
    return forms.empty() || (" " + forms + " ").find(" " + form + " ") != std::string::npos;
}

Option Option::OneOf(std::vector<Word> values) const {
    Option option = *this;
    option.words = std::move(values);
    return option;
}
