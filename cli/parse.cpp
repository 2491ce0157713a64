// quillard-cli: the command line, read and checked against the table of the commands.
#include "cli/commands.h"

#include "romfiles/templates.h"

#include <QCommandLineParser>
#include <QStringList>

#include <algorithm>
#include <array>
#include <cctype>
#include <filesystem>
#include <string_view>

namespace {

// Arguments are bytes; Latin-1 maps each byte to one character and back.
QString Characters(const std::string &bytes) {
    return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
}
std::string Bytes(const QString &text) { return text.toLatin1().toStdString(); }

// The number of single-character insertions, deletions and substitutions turning a into b.
std::size_t EditDistance(std::string_view a, std::string_view b) {
    std::vector<std::size_t> row(b.size() + 1);
    for (std::size_t j = 0; j <= b.size(); ++j) row[j] = j;
    for (std::size_t i = 1; i <= a.size(); ++i) {
        std::size_t diagonal = row[0];
        row[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t above = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
            diagonal = above;
        }
    }
    return row[b.size()];
}

// The candidate nearest to the word: within two edits, or starting with it; empty when none is.
std::string Nearest(const std::string &word, const std::vector<std::string> &candidates) {
    std::string best;
    std::size_t bestDistance = 3;
    for (const std::string &candidate : candidates) {
        std::size_t distance = EditDistance(word, candidate);
        if (word.size() >= 3 && candidate.starts_with(word)) distance = std::min<std::size_t>(distance, 2);
        if (distance < bestDistance) best = candidate, bestDistance = distance;
    }
    return best;
}

// "unknown option --amplitud (did you mean --amplitude?)": the nearest option of the command, else of
// any command.
std::string UnknownOptionText(const std::string &name, const Command *command) {
    std::string nearest = command ? Nearest(name, OptionNames(command)) : "";
    if (nearest.empty()) nearest = Nearest(name, OptionNames(nullptr));
    return "unknown option " + Dashed(name) +
           (nearest.empty() ? " (see --help)" : " (did you mean " + Dashed(nearest) + "?)");
}

int ParseInt(const std::string &text, int low, int high, const std::string &what) {
    bool ok = false;
    const int value = Characters(text).toInt(&ok);
    if (!ok || value < low || value > high)
        throw UsageError("invalid " + what + ": " + text + " (a whole number from " + std::to_string(low) +
                         " to " + std::to_string(high) + ")");
    return value;
}

// A number with the unit the language would read for it; bad usage saying what is expected.
double QuantityOf(const std::string &name, const std::string &text, const std::string &unit, double example) {
    if (auto value = ReadQuantity(text, unit)) return *value;
    throw UsageError("invalid " + name + ": " + text + " (" + ExpectedQuantity(unit, example) + ")");
}

// A bound of a range as usage errors write it: 2000, 1000000000.
std::string Bound(double value) { return Format("%.15g", value); }

// What a required option that is missing is refused with: "build needs -o OUT".
std::string NeedsText(const Command &command, const Option &option) {
    if (!option.needs.empty()) return option.needs;
    return command.name + " needs " + Dashed(option.name) + " " +
           (option.kind == Kind::Choice ? WordList(option.words) : option.value);
}

double ReadQuantityValue(const Option &option, const std::string &text) {
    const double value = QuantityOf(option.name, text, option.unit, option.example);
    const std::string refused = "invalid " + option.name + ": " + text + " (";
    if (!option.words.empty() && std::none_of(option.words.begin(), option.words.end(),
                                              [&](const Word &w) { return std::stod(w.word) == value; }))
        throw UsageError(refused + WordList(option.words) + " " + option.unit + ")");
    if (option.aboveLow && !(value > option.low && value <= option.high))
        throw UsageError(refused + Format("more than %g and at most %g", option.low, option.high) +
                         (option.unit.empty() ? "" : " " + option.unit) + ")");
    if (option.high > option.low &&
        (value < option.low || value > option.high || (option.whole && value != static_cast<int>(value))))
        throw UsageError(refused + (option.whole ? "a whole number of " : "a number of ") + option.unit +
                         " from " + Bound(option.low) + " to " + Bound(option.high) + ")");
    return value;
}

std::size_t ReadWord(const Command &command, const Option &option, const std::string &text) {
    if (option.spelling) {
        if (const std::size_t word = option.spelling(text); word < option.words.size()) return word;
    }
    for (std::size_t i = 0; i < option.words.size() && !option.spelling; ++i)
        if (option.words[i].word == text) return i;
    if (!option.refusal.empty()) throw UsageError(option.refusal);
    if (option.required) throw UsageError(NeedsText(command, option));
    throw UsageError("invalid " + option.name + ": " + text + " (" + WordList(option.words) + ")");
}

// WxH, as 1200x400 or 1200X400.
std::vector<double> ReadSize(const Option &option, const std::string &text) {
    const QStringList parts = Characters(text).toLower().split('x');
    if (parts.size() != 2)
        throw UsageError("invalid " + option.name + ": " + text + " (" + option.value + ")");
    const int low = static_cast<int>(option.low), high = static_cast<int>(option.high);
    return {double(ParseInt(Bytes(parts[0]), low, high, option.what)),
            double(ParseInt(Bytes(parts[1]), low, high, option.what))};
}

std::vector<double> ReadBits(const Option &option, const std::string &text) {
    std::vector<double> bits;
    for (const QString &bit : Characters(text).split(',', Qt::SkipEmptyParts))
        bits.push_back(ParseInt(Bytes(bit.trimmed()), static_cast<int>(option.low),
                                static_cast<int>(option.high), option.what));
    return bits;
}

// The option's value read as its kind says, or bad usage saying what it takes.
Value ReadValue(const Command &command, const Option &option, const std::string &text) {
    Value value{text, {}, 0};
    switch (option.kind) {
    case Kind::File:
        if (option.notEmpty && text.empty()) throw UsageError(Dashed(option.name) + " needs " + option.value);
        break;
    case Kind::Whole:
        value.numbers = {
            double(ParseInt(text, static_cast<int>(option.low), static_cast<int>(option.high), option.what))};
        break;
    case Kind::Quantity:
        value.numbers = {ReadQuantityValue(option, text)};
        break;
    case Kind::Choice:
        value.word = ReadWord(command, option, text);
        break;
    case Kind::Size:
        value.numbers = ReadSize(option, text);
        break;
    case Kind::Bits:
        value.numbers = ReadBits(option, text);
        break;
    case Kind::Switch:
    case Kind::Text:
    case Kind::Parameter:
    case Kind::Template:
        break;
    }
    return value;
}

// An option that was given, checked and stored: first what it goes with, then its value.
void Apply(const Command &command, const Option &option, const CommandLine &line, CliOptions &options) {
    for (const std::string &other : option.after) {
        if (!line.ValueOf(other).empty()) continue;
        // Without an option the command needs anyway, that need is said instead.
        const Option *partner = FindOption(command, other);
        if (partner && partner->required) throw UsageError(NeedsText(command, *partner));
        throw UsageError(Dashed(option.name) + " goes with " + Dashed(other));
    }
    const Value value = ReadValue(command, option, line.ValueOf(option.name));
    if (option.store) option.store(options, value);
}

// Missing: not given, or a name given empty.
bool Missing(const Option &option, const CommandLine &line) {
    const bool named = option.kind == Kind::Text || option.kind == Kind::File;
    return !line.Has(option.name) || (named && line.ValueOf(option.name).empty());
}

// A needed choice is refused with its need (a wrong word is as good as none), so it is read with the
// needs; every other option given is read first.
bool ReadWithNeeds(const Option &option) { return option.required && option.kind == Kind::Choice; }

void ReadGivenOptions(const Command &command, const CommandLine &line, CliOptions &options) {
    for (const Option &option : command.options)
        if (!ReadWithNeeds(option) && line.Has(option.name)) Apply(command, option, line, options);
}

// The options the command needs: refused when missing.
void ReadNeededOptions(const Command &command, const CommandLine &line, CliOptions &options) {
    for (const Option &option : command.options) {
        if (!option.required) continue;
        if (Missing(option, line)) throw UsageError(NeedsText(command, option));
        if (ReadWithNeeds(option)) Apply(command, option, line, options);
    }
}

// A word the language reads as a unit: deg, degrees, s, sec, Hz, cycles, bit, deg/s, ...
bool IsUnitWord(std::string word) {
    std::transform(word.begin(), word.end(), word.begin(), [](unsigned char c) { return std::tolower(c); });
    auto prefixOf = [&](std::string_view whole) { return !word.empty() && whole.starts_with(word); };
    if (word.ends_with("/s")) {
        word.resize(word.size() - 2);
        return prefixOf("degrees");
    }
    static const std::array<std::string_view, 5> units{"degrees", "seconds", "hertz", "cycles", "bits"};
    return word == "hz" || word == "ms" || std::any_of(units.begin(), units.end(), prefixOf);
}

// "--amplitude 20 deg": a unit after a blank would be read as a file or a template name.
void CheckUnitWords(const std::vector<std::string> &arguments, const Command &command) {
    for (std::size_t i = 1; i < arguments.size(); ++i) {
        const std::string &argument = arguments[i];
        if (argument == "--") return;
        if (argument.size() < 2 || argument[0] != '-') continue;
        std::string name = argument.substr(argument[1] == '-' ? 2 : 1), value;
        const std::size_t equals = name.find('=');
        const Option *option = FindOption(command, name.substr(0, equals));
        const bool parameter = command.templateParameters && IsTemplateParameter(name.substr(0, equals));
        if (!parameter && (!option || !option->TakesValue())) continue;
        if (equals != std::string::npos) {
            value = name.substr(equals + 1);
            name.resize(equals);
        } else if (++i < arguments.size()) {
            value = arguments[i];
        }
        const bool number = (parameter || option->kind == Kind::Quantity) && ReadQuantity(value, "");
        if (number && i + 1 < arguments.size() && IsUnitWord(arguments[i + 1]))
            throw UsageError("a unit is written without a blank: " + Dashed(name) + " " + value +
                             arguments[i + 1]);
    }
}

const ManoeuvreTemplate &ChosenTemplate(const std::string &name) {
    const ManoeuvreTemplate *chosen = FindTemplate(name);
    if (!chosen) throw UsageError("unknown template: " + name + " (see template --list)");
    return *chosen;
}

// The template parameters given, in the order of the command's options.
std::vector<std::string> GivenParameters(const CliOptions &options, const CommandLine &line) {
    std::vector<std::string> given;
    for (const std::string &name : OptionNames(FindCommand(options.command)))
        if (IsTemplateParameter(name) && line.Has(name)) given.push_back(name);
    return given;
}

// The values of the chosen template's parameters given on the command line, in their units.
TemplateValues ReadTemplateValues(const CliOptions &options, const CommandLine &line,
                                  const ManoeuvreTemplate &chosen) {
    TemplateValues values;
    for (const std::string &name : GivenParameters(options, line)) {
        // A parameter of another template reads as a plain number; the template then refuses it.
        std::string unit;
        double example = 1;
        for (const TemplateParameter &p : chosen.parameters)
            if (p.name == name) unit = p.unit, example = p.defaultValue;
        values[name] = QuantityOf(name, line.ValueOf(name), unit, example);
    }
    return values;
}

// --template NAME and the values of its parameters; without --template, no template parameter.
void ReadTemplateOption(const CommandLine &line, CliOptions &options) {
    if (line.Has("template")) {
        const ManoeuvreTemplate &chosen = ChosenTemplate(line.ValueOf("template"));
        options.templateName = chosen.name;
        options.templateValues = ReadTemplateValues(options, line, chosen);
        return;
    }
    for (const std::string &name : GivenParameters(options, line))
        throw UsageError(Dashed(name) + " goes with --template");
}

std::vector<std::string> Split(const std::string &text, char separator) {
    std::vector<std::string> parts{""};
    for (char c : text) {
        if (c == separator)
            parts.emplace_back();
        else
            parts.back().push_back(c);
    }
    return parts;
}

bool IsStandard(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text == "standard";
}

// --series FROM:TO:STEP: degrees, or multiples of A with --amplitude A (1.5:6.5:0.5 is 1.5 A to 6.5 A);
// --series standard: the standard series for A.
void ReadSeries(const std::string &text, CliOptions &options) {
    auto a = options.templateValues.find("amplitude");
    const bool multiples = a != options.templateValues.end();
    if (IsStandard(text)) {
        if (options.templateName != "sine-with-dwell")
            throw UsageError("--series standard is a series of sine-with-dwell");
        if (!multiples)
            throw UsageError("--series standard needs --amplitude A (the steer angle at 0.3 g, deg) or "
                             "--amplitude-from SIS.json");
        options.standardSeries = true;
        return;
    }
    const std::vector<std::string> parts = Split(text, ':');
    if (parts.size() != 3) throw UsageError("invalid series: " + text + " (FROM:TO:STEP or standard)");
    std::array<double, 3> series{};
    for (int i = 0; i < 3; ++i) {
        if (auto value = ReadQuantity(parts[i], multiples ? "" : "deg")) {
            series[i] = *value * (multiples ? a->second : 1);
            continue;
        }
        throw UsageError("invalid series: " + text + " (" +
                         (multiples ? "FROM:TO:STEP in multiples of A, for example 1.5:6.5:0.5"
                                    : "FROM:TO:STEP in deg, for example 30:150:10") +
                         ")");
    }
    options.series = series;
    if (multiples) options.templateValues.erase(a);
}

// The options that are no options of template --list.
void CheckTemplateList(const CommandLine &line, const CliOptions &options) {
    if (!line.positional.empty()) throw UsageError("template --list takes no template name");
    for (const std::string &name : GivenParameters(options, line))
        throw UsageError(Dashed(name) + " does not apply to template --list");
    if (line.Has("series") || line.Has("o")) throw UsageError("template --list writes no set");
}

// Two outputs that are one file: the same name, or names of one existing file (through a link too).
bool SameOutput(const std::string &a, const std::string &b) {
    std::error_code error;
    if (std::filesystem::exists(a, error) && std::filesystem::exists(b, error))
        return std::filesystem::equivalent(a, b, error);
    return std::filesystem::weakly_canonical(a, error) == std::filesystem::weakly_canonical(b, error);
}

// --program picks a program of a set: given with program texts only, it would pick nothing.
void CheckProgramOption(const Command &command, const CliOptions &options) {
    if (!options.programGiven) return;
    std::vector<std::string> files;
    if (command.name == "evaluate")
        files = {options.programFile};
    else if (command.name == "check" || command.name == "steps" || command.name == "export" ||
             command.name == "plot" || command.name == "compare" || command.name == "simulate" ||
             command.name == "diff")
        files = options.files;
    if (files.empty() || std::any_of(files.begin(), files.end(), IsSetFileName)) return;
    throw UsageError("--program picks a program of a set: " + files.front() +
                     " is a program text (a set's name ends in .rom)");
}

} // namespace

void FinishSteps(const CommandLine &, CliOptions &options) {
    if (options.format == "mat" && options.output.empty())
        throw UsageError("steps --format mat needs -o OUT.mat");
}

// The template command: NAME and its parameters, --list, or --series with -o.
void FinishTemplate(const CommandLine &line, CliOptions &options) {
    if (options.listTemplates) return CheckTemplateList(line, options);
    if (line.positional.size() != 1)
        throw UsageError(line.positional.empty() ? "no template name given (see template --list)"
                                                 : "more than one template name given");
    const ManoeuvreTemplate &chosen = ChosenTemplate(line.positional.front());
    options.templateName = chosen.name;
    options.templateValues = ReadTemplateValues(options, line, chosen);
    if (line.Has("amplitude-from")) {
        if (options.templateValues.count("amplitude"))
            throw UsageError("--amplitude and --amplitude-from both give the amplitude: give one");
        options.templateValues["amplitude"] = AmplitudeFromSisFile(line.ValueOf("amplitude-from"));
    }
    if (line.Has("series")) {
        ReadSeries(line.ValueOf("series"), options);
        if (options.output.empty()) throw UsageError("template --series needs -o SET.rom");
        if (!IsSetFileName(options.output))
            throw UsageError("template --series writes a set: " + options.output +
                             " is not a name ending in .rom");
    } else if (!options.output.empty()) {
        throw UsageError("template prints its program; -o goes with --series");
    } else if (options.json) {
        throw UsageError("--json goes with --list or --series");
    }
}

// put SET.rom --program N (FILE | --template NAME [parameters] | --from OTHER.rom [--source-program M]).
void FinishPut(const CommandLine &line, CliOptions &options) {
    const std::string &set = options.files.front();
    if (!IsSetFileName(set)) throw UsageError("put writes a set: " + set + " is not a name ending in .rom");
    const int sources = (options.files.size() == 2) + line.Has("template") + line.Has("from");
    if (sources != 1)
        throw UsageError(sources == 0 ? "put needs FILE, --template NAME or --from OTHER.rom"
                                      : "put takes one of FILE, --template NAME and --from OTHER.rom");
    if (options.files.size() == 2 && IsSetFileName(options.files[1]))
        throw UsageError(options.files[1] + " is a program set: take its program with --from " +
                         options.files[1] + " --source-program M");
    ReadTemplateOption(line, options);
    if (line.Has("from")) {
        options.fromSet = line.ValueOf("from");
        if (!IsSetFileName(options.fromSet))
            throw UsageError("--from takes a set: " + options.fromSet + " is not a name ending in .rom");
        if (!line.Has("source-program")) options.sourceProgram = options.program;
    }
}

// evaluate sis RUN... | swd RUN | campaign RUNS.json LOG... | step RUN... (and the other handling
// evaluations): the form, its files, and A, the fit, the vehicle's steering ratio and the report.
void FinishEvaluate(const CommandLine &line, CliOptions &options) {
    const Command &command = *FindCommand(options.command);
    if (line.positional.empty()) throw UsageError("evaluate needs " + WordList(command.forms));
    const std::string &e = options.evaluation = line.positional.front();
    if (std::none_of(command.forms.begin(), command.forms.end(), [&](const Word &w) { return w.word == e; }))
        throw UsageError("unknown evaluation: " + e + " (" + WordList(command.forms) + ")");
    options.files.assign(line.positional.begin() + 1, line.positional.end());
    if (e == "swd" && options.files.size() != 1) throw UsageError("evaluate swd takes one RUN log");
    if (e == "sis" && options.files.empty()) throw UsageError("evaluate sis needs the logs of the runs");
    if (e == "campaign" && options.files.size() < 2)
        throw UsageError(
            "evaluate campaign needs RUNS.json (template --series ... --json) and a log per run");
    if (options.files.empty()) throw UsageError("evaluate " + e + " needs the logs of the runs");
    if ((options.steeringRatio > 0) != (options.wheelbase > 0))
        throw UsageError("the understeer gradient needs both --steering-ratio and --wheelbase");
    if (line.Has("amplitude-a") && line.Has("amplitude-from"))
        throw UsageError("--amplitude-a and --amplitude-from both give A: give one");
    if (line.Has("amplitude-a")) options.amplitudeSource = "--amplitude-a";
    if (line.Has("amplitude-from")) {
        options.amplitudeA = AmplitudeFromSisFile(line.ValueOf("amplitude-from"));
        options.amplitudeSource = FileNameOf(line.ValueOf("amplitude-from"));
        options.amplitudeFile = line.ValueOf("amplitude-from");
    }
    if (line.Has("images")) options.images = line.every.at("images"); // once per set
    if (!(options.fitLow < options.fitHigh && options.fitLow <= 0.3 && options.fitHigh >= 0.3))
        throw UsageError(Format("the fit runs from --fit-low to --fit-high around 0.3 g: %g to %g g",
                                options.fitLow, options.fitHigh));
    if (!options.output.empty() &&
        !QString::fromLatin1(options.output.c_str()).endsWith(".pdf", Qt::CaseInsensitive))
        throw UsageError("evaluate " + e + " -o writes the PDF report: " + options.output +
                         " is not a name ending in .pdf");
    if (!options.output.empty() && !options.csv.empty() && SameOutput(options.output, options.csv))
        throw UsageError("-o and --csv both name " + options.output +
                         ": the report and the table need a file each");
}

// simulate FILE [--program N] -o LOG.csv [--runs N] | simulate --template NAME [parameters] -o LOG.csv |
// simulate --run-list RUNS.json -o LOG.csv | simulate --default-vehicle.
void FinishSimulate(const CommandLine &line, CliOptions &options) {
    options.files = line.positional;
    if (options.defaultVehicle) {
        if (!line.positional.empty() || line.given.size() > 1)
            throw UsageError(
                "simulate --default-vehicle prints the default car's parameter file and takes nothing else");
        return;
    }
    if (!options.runList.empty() && !line.positional.empty())
        throw UsageError("simulate --run-list takes its programs from the run list, not from FILE");
    if (line.Has("template") && (!line.positional.empty() || !options.runList.empty()))
        throw UsageError("simulate takes one of FILE, --template NAME and --run-list RUNS.json");
    ReadTemplateOption(line, options);
    if (options.runList.empty() && options.templateName.empty() && line.positional.size() != 1)
        throw UsageError(line.positional.empty() ? "no input file given" : "more than one input file given");
    if (!options.runList.empty() && line.Has("runs")) throw UsageError("--runs does not go with --run-list");
    if (options.output.empty()) throw UsageError("simulate needs -o LOG.csv");
}

namespace {

// Every option of every command; which command takes which is checked once the command is known.
void AddOptions(QCommandLineParser &parser) {
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.addOption(QCommandLineOption({"h", "help"}, ""));
    for (const Option &option : GeneralOptions())
        if (option.name != "help") parser.addOption(QCommandLineOption(Characters(option.name), ""));
    for (const std::string &name : OptionNames(nullptr)) {
        bool valued = IsTemplateParameter(name);
        for (const Command &command : Commands())
            if (const Option *option = FindOption(command, name)) valued = valued || option->TakesValue();
        parser.addOption(QCommandLineOption(Characters(name), "", valued ? "VALUE" : ""));
    }
}

// The options given and the positional arguments, command included.
CommandLine ReadCommandLine(const QCommandLineParser &parser) {
    CommandLine line;
    for (const QString &name : parser.optionNames()) {
        line.given.push_back(Bytes(name));
        line.values[Bytes(name)] = Bytes(parser.value(name));
        std::vector<std::string> &every = line.every[Bytes(name)];
        if (every.empty())
            for (const QString &value : parser.values(name)) every.push_back(Bytes(value));
    }
    for (const QString &argument : parser.positionalArguments()) line.positional.push_back(Bytes(argument));
    return line;
}

// --help, template NAME --help, --version and --bash-completion: nothing else is read.
bool ReadGeneralOption(const CommandLine &line, CliOptions &options) {
    if (line.Has("help") || line.Has("h")) {
        options.command = "help";
        if (line.positional.size() == 2 && line.positional[0] == "template") {
            options.command = "template-help";
            options.templateName = ChosenTemplate(line.positional[1]).name;
        }
    } else if (line.Has("version")) {
        options.command = "version";
    } else if (line.Has("bash-completion")) {
        options.command = "bash-completion";
    }
    return !options.command.empty();
}

const Command &ReadCommand(const CommandLine &line) {
    if (line.positional.empty()) throw UsageError("no command given (see --help)");
    const std::string &name = line.positional.front();
    if (const Command *command = FindCommand(name)) return *command;
    std::vector<std::string> names;
    for (const Command &command : Commands()) names.push_back(command.name);
    const std::string nearest = Nearest(name, names);
    throw UsageError("unknown command: " + name +
                     (nearest.empty() ? " (see --help)" : " (did you mean " + nearest + "?)"));
}

// Every option given is one the command takes, and one its form takes (evaluate swd).
void CheckApplies(const Command &command, const CommandLine &line) {
    for (const std::string &name : line.given)
        if (!TakesOption(command, name))
            throw UsageError(Dashed(name) + " does not apply to " + command.name);
    if (line.positional.empty()) return;
    const std::string &form = line.positional.front();
    if (std::none_of(command.forms.begin(), command.forms.end(),
                     [&](const Word &w) { return w.word == form; }))
        return;
    for (const std::string &name : line.given) {
        const Option *option = FindOption(command, name);
        if (option && !option->TakenBy(form))
            throw UsageError(Dashed(name) + " does not apply to " + command.name + " " + form);
    }
}

void CheckFiles(const Command &command, const CommandLine &line, CliOptions &options) {
    if (!command.files.counted) return;
    if (line.positional.size() < command.files.least) throw UsageError(command.files.tooFew);
    if (line.positional.size() > command.files.most) throw UsageError(command.files.tooMany);
    options.files = line.positional;
}

} // namespace

CliOptions ParseArguments(const std::vector<std::string> &arguments) {
    QCommandLineParser parser;
    AddOptions(parser);
    QStringList list;
    for (const std::string &argument : arguments) list << Characters(argument);
    const bool parsed = parser.parse(list);
    CommandLine line = ReadCommandLine(parser);
    if (!parser.unknownOptionNames().isEmpty()) {
        const Command *command = line.positional.empty() ? nullptr : FindCommand(line.positional.front());
        throw UsageError(UnknownOptionText(Bytes(parser.unknownOptionNames().front()), command));
    }
    if (!parsed) throw UsageError(Bytes(parser.errorText()));

    CliOptions options;
    if (ReadGeneralOption(line, options)) return options;
    const Command &command = ReadCommand(line);
    options.command = command.name;
    line.positional.erase(line.positional.begin());
    CheckApplies(command, line);
    CheckUnitWords(arguments, command);
    if (!command.files.afterValues) CheckFiles(command, line, options);
    ReadGivenOptions(command, line, options);
    if (command.files.afterValues) CheckFiles(command, line, options);
    ReadNeededOptions(command, line, options);
    if (command.finish) command.finish(line, options);
    CheckLogPart(line);
    CheckProgramOption(command, options);
    return options;
}
