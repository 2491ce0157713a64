// quillard-cli: the headless front end of Quillard.
#include "cli/cli.h"

#include "romfiles/templates.h"

#include <QCommandLineParser>
#include <QGuiApplication>
#include <QStringList>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <exception>
#include <memory>
#include <string_view>

namespace {

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
std::string UnknownOptionText(const std::string &name, const std::string &command) {
    std::vector<std::string> own, all = KnownOptions();
    for (const std::string &option : all)
        if (TakesOption(command, option)) own.push_back(option);
    std::string nearest = Nearest(name, own);
    if (nearest.empty()) nearest = Nearest(name, all);
    return "unknown option " + Dashed(name) +
           (nearest.empty() ? " (see --help)" : " (did you mean " + Dashed(nearest) + "?)");
}

int ParseInt(const QString &text, int low, int high, const char *what) {
    bool ok = false;
    int value = text.toInt(&ok);
    if (!ok || value < low || value > high)
        throw UsageError(std::string("invalid ") + what + ": " + text.toStdString() +
                         " (a whole number from " + std::to_string(low) + " to " + std::to_string(high) +
                         ")");
    return value;
}

// A number option with the unit the language would read for it; bad usage saying what is expected.
double Quantity(const QCommandLineParser &parser, const std::string &name, const std::string &unit,
                double example) {
    const QString text = parser.value(QString::fromStdString(name));
    if (auto value = ReadQuantity(text.toLatin1().toStdString(), unit)) return *value;
    throw UsageError("invalid " + name + ": " + text.toLatin1().toStdString() + " (" +
                     ExpectedQuantity(unit, example) + ")");
}

// The values of the chosen template's parameters given on the command line, in their units.
TemplateValues ReadTemplateValues(const QCommandLineParser &parser, const ManoeuvreTemplate &chosen) {
    TemplateValues values;
    for (const std::string &name : KnownOptions()) {
        if (!IsTemplateParameter(name) || !parser.isSet(QString::fromStdString(name))) continue;
        // A parameter of another template reads as a plain number; the template then refuses it.
        std::string unit;
        double example = 1;
        for (const TemplateParameter &p : chosen.parameters)
            if (p.name == name) unit = p.unit, example = p.defaultValue;
        values[name] = Quantity(parser, name, unit, example);
    }
    return values;
}

const ManoeuvreTemplate &ChosenTemplate(const QString &name) {
    const ManoeuvreTemplate *chosen = FindTemplate(name.toLatin1().toStdString());
    if (!chosen)
        throw UsageError("unknown template: " + name.toLatin1().toStdString() + " (see template --list)");
    return *chosen;
}

// --series FROM:TO:STEP: degrees, or multiples of A with --amplitude A (1.5:6.5:0.5 is 1.5 A to 6.5 A);
// --series standard: the standard series for A.
void ReadSeries(const QCommandLineParser &parser, CliOptions &options) {
    const QString text = parser.value("series");
    auto a = options.templateValues.find("amplitude");
    const bool multiples = a != options.templateValues.end();
    if (text.compare("standard", Qt::CaseInsensitive) == 0) {
        if (options.templateName != "sine-with-dwell")
            throw UsageError("--series standard is a series of sine-with-dwell");
        if (!multiples)
            throw UsageError("--series standard needs --amplitude A (the steer angle at 0.3 g, deg) or "
                             "--amplitude-from SIS.json");
        options.standardSeries = true;
        return;
    }
    const QStringList parts = text.split(':');
    if (parts.size() != 3)
        throw UsageError("invalid series: " + text.toLatin1().toStdString() + " (FROM:TO:STEP or standard)");
    std::array<double, 3> series{};
    for (int i = 0; i < 3; ++i) {
        if (auto value = ReadQuantity(parts[i].toLatin1().toStdString(), multiples ? "" : "deg")) {
            series[i] = *value * (multiples ? a->second : 1);
            continue;
        }
        throw UsageError("invalid series: " + text.toLatin1().toStdString() + " (" +
                         (multiples ? "FROM:TO:STEP in multiples of A, for example 1.5:6.5:0.5"
                                    : "FROM:TO:STEP in deg, for example 30:150:10") +
                         ")");
    }
    options.series = series;
    if (multiples) options.templateValues.erase(a);
}

// The template command: NAME and its parameters, --list, or --series with -o.
CliOptions ParseTemplateArguments(const QCommandLineParser &parser, const QStringList &positional,
                                  CliOptions options) {
    options.listTemplates = parser.isSet("list");
    options.json = parser.isSet("json");
    if (options.listTemplates) {
        if (!positional.isEmpty()) throw UsageError("template --list takes no template name");
        for (const std::string &name : KnownOptions())
            if (IsTemplateParameter(name) && parser.isSet(QString::fromStdString(name)))
                throw UsageError(Dashed(name) + " does not apply to template --list");
        if (parser.isSet("series") || parser.isSet("o")) throw UsageError("template --list writes no set");
        return options;
    }
    if (positional.size() != 1)
        throw UsageError(positional.isEmpty() ? "no template name given (see template --list)"
                                              : "more than one template name given");
    const ManoeuvreTemplate &chosen = ChosenTemplate(positional.front());
    options.templateName = chosen.name;
    options.templateValues = ReadTemplateValues(parser, chosen);
    if (parser.isSet("amplitude-from")) {
        if (options.templateValues.count("amplitude"))
            throw UsageError("--amplitude and --amplitude-from both give the amplitude: give one");
        options.templateValues["amplitude"] =
            AmplitudeFromSisFile(parser.value("amplitude-from").toLatin1().toStdString());
    }
    if (parser.isSet("series")) {
        ReadSeries(parser, options);
        if (options.output.empty()) throw UsageError("template --series needs -o SET.rom");
        if (!IsSetFileName(options.output))
            throw UsageError("template --series writes a set: " + options.output +
                             " is not a name ending in .rom");
    } else if (!options.output.empty()) {
        throw UsageError("template prints its program; -o goes with --series");
    } else if (options.json) {
        throw UsageError("--json goes with --list or --series");
    }
    return options;
}

// put SET.rom --program N (FILE | --template NAME [parameters] | --from OTHER.rom [--source-program M]).
void ParsePutArguments(const QCommandLineParser &parser, const QStringList &positional, CliOptions &options) {
    if (positional.isEmpty()) throw UsageError("put needs SET.rom");
    if (positional.size() > 2) throw UsageError("put takes one SET.rom and at most one program file");
    if (!parser.isSet("program")) throw UsageError("put needs --program N, the program to replace");
    const std::string &set = options.files.front();
    if (!IsSetFileName(set)) throw UsageError("put writes a set: " + set + " is not a name ending in .rom");
    const int sources = (positional.size() == 2) + parser.isSet("template") + parser.isSet("from");
    if (sources != 1)
        throw UsageError(sources == 0 ? "put needs FILE, --template NAME or --from OTHER.rom"
                                      : "put takes one of FILE, --template NAME and --from OTHER.rom");
    if (positional.size() == 2 && IsSetFileName(options.files[1]))
        throw UsageError(options.files[1] + " is a program set: take its program with --from " +
                         options.files[1] + " --source-program M");
    if (parser.isSet("source-program") && !parser.isSet("from"))
        throw UsageError("--source-program goes with --from");
    if (parser.isSet("template")) {
        const ManoeuvreTemplate &chosen = ChosenTemplate(parser.value("template"));
        options.templateName = chosen.name;
        options.templateValues = ReadTemplateValues(parser, chosen);
    } else {
        for (const std::string &name : KnownOptions())
            if (IsTemplateParameter(name) && parser.isSet(QString::fromStdString(name)))
                throw UsageError(Dashed(name) + " goes with --template");
    }
    if (parser.isSet("from")) {
        options.fromSet = parser.value("from").toLatin1().toStdString();
        if (!IsSetFileName(options.fromSet))
            throw UsageError("--from takes a set: " + options.fromSet + " is not a name ending in .rom");
        options.sourceProgram = parser.isSet("source-program")
                                    ? ParseInt(parser.value("source-program"), 0, 15, "source program")
                                    : options.program;
    }
}

// The options of compare and of plot --log: what each goes with.
void ParseLogArguments(const QCommandLineParser &parser, CliOptions &options) {
    const std::string &c = options.command;
    options.log = parser.value("log").toLatin1().toStdString();
    if (c == "compare" && options.log.empty()) throw UsageError("compare needs --log RUN.csv");
    for (const char *name :
         {"time-column", "steer-column", "mark-column", "mark-flag", "time-unit", "angle-unit"})
        if (parser.isSet(name) && options.log.empty()) throw UsageError(Dashed(name) + " goes with --log");
    if (parser.isSet("bode") && options.log.empty()) throw UsageError("--bode goes with --log");
    LogOptions &l = options.logOptions;
    l.timeColumn = parser.value("time-column").toLatin1().toStdString();
    l.steerColumn = parser.value("steer-column").toLatin1().toStdString();
    l.markColumn = parser.value("mark-column").toLatin1().toStdString();
    if (parser.isSet("mark-flag")) {
        if (l.markColumn.empty()) throw UsageError("--mark-flag goes with --mark-column");
        options.markFlag = ParseInt(parser.value("mark-flag"), 1, 8, "mark flag");
    }
    if (parser.isSet("time-unit")) {
        const QString unit = parser.value("time-unit");
        if (unit != "s" && unit != "ms")
            throw UsageError("invalid time-unit: " + unit.toStdString() + " (s or ms)");
        l.timeUnit = unit == "ms" ? TimeUnit::Milliseconds : TimeUnit::Seconds;
    }
    if (parser.isSet("angle-unit")) {
        const QString unit = parser.value("angle-unit");
        if (unit != "deg" && unit != "rad")
            throw UsageError("invalid angle-unit: " + unit.toStdString() + " (deg or rad)");
        l.angleUnit = unit == "rad" ? AngleUnit::Radians : AngleUnit::Degrees;
    }
    options.mat = parser.value("mat").toLatin1().toStdString();
    options.bode = parser.isSet("bode");
}

// A number option that must lie in (low, high]: bad usage naming it otherwise.
double Bounded(const QCommandLineParser &parser, const std::string &name, const std::string &unit,
               double example, double low, double high) {
    const double value = Quantity(parser, name, unit, example);
    if (!(value > low && value <= high))
        throw UsageError(
            "invalid " + name + ": " + parser.value(QString::fromStdString(name)).toStdString() +
            Format(" (more than %g and at most %g%s)", low, high, unit.empty() ? "" : (" " + unit).c_str()));
    return value;
}

// The log options of evaluate: the columns and units of the vehicle's channels.
void ReadVehicleLogArguments(const QCommandLineParser &parser, CliOptions &options) {
    LogOptions &l = options.logOptions;
    l.timeColumn = parser.value("time-column").toLatin1().toStdString();
    l.steerColumn = parser.value("steer-column").toLatin1().toStdString();
    if (parser.isSet("time-unit")) {
        const QString unit = parser.value("time-unit");
        if (unit != "s" && unit != "ms")
            throw UsageError("invalid time-unit: " + unit.toStdString() + " (s or ms)");
        l.timeUnit = unit == "ms" ? TimeUnit::Milliseconds : TimeUnit::Seconds;
    }
    if (parser.isSet("angle-unit")) {
        const QString unit = parser.value("angle-unit");
        if (unit != "deg" && unit != "rad")
            throw UsageError("invalid angle-unit: " + unit.toStdString() + " (deg or rad)");
        l.angleUnit = unit == "rad" ? AngleUnit::Radians : AngleUnit::Degrees;
    }
    VehicleLogOptions &v = options.vehicleLog;
    v.yawColumn = parser.value("yaw-column").toLatin1().toStdString();
    v.ayColumn = parser.value("ay-column").toLatin1().toStdString();
    v.speedColumn = parser.value("speed-column").toLatin1().toStdString();
    v.rollColumn = parser.value("roll-column").toLatin1().toStdString();
    if (parser.isSet("ay-unit")) {
        const std::string unit = parser.value("ay-unit").toLatin1().toStdString();
        v.ayUnit = AccelerationUnitOf(unit);
        if (!v.ayUnit) throw UsageError("invalid ay-unit: " + unit + " (g or m/s2)");
    }
}

// evaluate sis RUN... | swd RUN | campaign RUNS.json LOG...: what each takes.
void ParseEvaluateArguments(const QCommandLineParser &parser, QStringList positional, CliOptions &options) {
    if (positional.isEmpty()) throw UsageError("evaluate needs sis, swd or campaign");
    const std::string e = positional.takeFirst().toStdString();
    if (e != "sis" && e != "swd" && e != "campaign")
        throw UsageError("unknown evaluation: " + e + " (sis, swd or campaign)");
    options.evaluation = e;
    for (const QString &file : positional) options.files.push_back(file.toLatin1().toStdString());
    if (e == "swd" && options.files.size() != 1) throw UsageError("evaluate swd takes one RUN log");
    if (e == "sis" && options.files.empty()) throw UsageError("evaluate sis needs the logs of the runs");
    if (e == "campaign" && options.files.size() < 2)
        throw UsageError(
            "evaluate campaign needs RUNS.json (template --series ... --json) and a log per run");
    const std::vector<std::pair<const char *, const char *>> only{{"program-file", "swd"},
                                                                  {"fit-low", "sis"},
                                                                  {"fit-high", "sis"},
                                                                  {"csv", "campaign"},
                                                                  {"o", "campaign"},
                                                                  {"vehicle-name", "campaign"},
                                                                  {"amplitude-a", "swd campaign"},
                                                                  {"amplitude-from", "swd campaign"},
                                                                  {"gvwr", "swd campaign"},
                                                                  {"yaw-column", "swd campaign"},
                                                                  {"program", "swd"}};
    for (const auto &[name, evaluations] : only)
        if (parser.isSet(name) &&
            std::string(" ").append(evaluations).append(" ").find(" " + e + " ") == std::string::npos)
            throw UsageError(Dashed(name) + " does not apply to evaluate " + e);
    ReadVehicleLogArguments(parser, options);
    if (parser.isSet("amplitude-a") && parser.isSet("amplitude-from"))
        throw UsageError("--amplitude-a and --amplitude-from both give A: give one");
    if (parser.isSet("amplitude-a")) options.amplitudeA = Bounded(parser, "amplitude-a", "deg", 20, 0, 1000);
    if (parser.isSet("amplitude-from"))
        options.amplitudeA = AmplitudeFromSisFile(parser.value("amplitude-from").toLatin1().toStdString());
    if (parser.isSet("gvwr")) options.gvwr = Bounded(parser, "gvwr", "", 2000, 0, 1e6);
    options.programFile = parser.value("program-file").toLatin1().toStdString();
    if (parser.isSet("program") && options.programFile.empty())
        throw UsageError("--program goes with --program-file");
    if (parser.isSet("fit-low")) options.fitLow = Bounded(parser, "fit-low", "", 0.1, -1e-12, 2);
    if (parser.isSet("fit-high")) options.fitHigh = Bounded(parser, "fit-high", "", 0.375, 0, 2);
    if (!(options.fitLow < options.fitHigh && options.fitLow <= 0.3 && options.fitHigh >= 0.3))
        throw UsageError(Format("the fit runs from --fit-low to --fit-high around 0.3 g: %g to %g g",
                                options.fitLow, options.fitHigh));
    options.csv = parser.value("csv").toLatin1().toStdString();
    options.vehicleName = parser.value("vehicle-name").toLatin1().toStdString();
    if (!options.output.empty() &&
        !QString::fromLatin1(options.output.c_str()).endsWith(".pdf", Qt::CaseInsensitive))
        throw UsageError("evaluate campaign -o writes the PDF report: " + options.output +
                         " is not a name ending in .pdf");
}

// simulate FILE [--program N] -o LOG.csv [--runs N] | simulate --run-list RUNS.json -o LOG.csv |
// simulate --default-vehicle.
void ParseSimulateArguments(const QCommandLineParser &parser, const QStringList &positional,
                            CliOptions &options) {
    for (const QString &file : positional) options.files.push_back(file.toLatin1().toStdString());
    options.defaultVehicle = parser.isSet("default-vehicle");
    if (options.defaultVehicle) {
        if (!positional.isEmpty() || parser.optionNames().size() > 1)
            throw UsageError(
                "simulate --default-vehicle prints the default car's parameter file and takes nothing else");
        return;
    }
    options.runList = parser.value("run-list").toLatin1().toStdString();
    if (!options.runList.empty() && !positional.isEmpty())
        throw UsageError("simulate --run-list takes its programs from the run list, not from FILE");
    if (parser.isSet("template")) {
        if (!positional.isEmpty() || !options.runList.empty())
            throw UsageError("simulate takes one of FILE, --template NAME and --run-list RUNS.json");
        const ManoeuvreTemplate &chosen = ChosenTemplate(parser.value("template"));
        options.templateName = chosen.name;
        options.templateValues = ReadTemplateValues(parser, chosen);
    } else {
        for (const std::string &name : KnownOptions())
            if (IsTemplateParameter(name) && parser.isSet(QString::fromStdString(name)))
                throw UsageError(Dashed(name) + " goes with --template");
    }
    if (options.runList.empty() && options.templateName.empty() && positional.size() != 1)
        throw UsageError(positional.isEmpty() ? "no input file given" : "more than one input file given");
    if (!options.runList.empty() && parser.isSet("runs"))
        throw UsageError("--runs does not go with --run-list");
    if (options.output.empty()) throw UsageError("simulate needs -o LOG.csv");
    options.vehicleFile = parser.value("vehicle").toLatin1().toStdString();
    if (parser.isSet("sample-rate"))
        options.sampleRate = Bounded(parser, "sample-rate", "Hz", 200, 0, 100000);
    if (parser.isSet("tail")) options.tail = Bounded(parser, "tail", "s", 3, -1e-12, 600);
    if (parser.isSet("runs")) options.runs = ParseInt(parser.value("runs"), 1, 100, "runs");
}

// Every option of every command; which command takes which is checked once the command is known.
void AddOptions(QCommandLineParser &parser) {
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.addOption(QCommandLineOption({"h", "help"}, ""));
    parser.addOption(QCommandLineOption("version", ""));
    parser.addOption(QCommandLineOption("bash-completion", ""));
    for (const OptionUse &use : OptionUses()) parser.addOption(QCommandLineOption(use.name, "", use.value));
    for (const std::string &name : KnownOptions())
        if (IsTemplateParameter(name) && name != "rate" && name != "maxsteer")
            parser.addOption(QCommandLineOption(QString::fromStdString(name), "", "VALUE"));
}

// The values of the options of the commands that read a program or a set.
void ReadValues(const QCommandLineParser &parser, CliOptions &options) {
    if (parser.isSet("program")) options.program = ParseInt(parser.value("program"), 0, 15, "program number");
    options.programGiven = parser.isSet("program");
    if (parser.isSet("machine")) {
        QString value = parser.value("machine");
        if (value == "corvan3")
            options.corvan3Only = true;
        else if (value == "compatible")
            options.corvan3Only = false;
        else
            throw UsageError("invalid machine: " + value.toStdString() + " (corvan3 or compatible)");
    }
    if (parser.isSet("rate") && options.command == "import") {
        const double rate = Quantity(parser, "rate", "Hz", 256);
        if (rate != 256 && rate != 512 && rate != 1024 && rate != 2048)
            throw UsageError("invalid rate: " + parser.value("rate").toStdString() +
                             " (256, 512, 1024 or 2048 Hz)");
        options.rate = static_cast<int>(rate);
    }
    if (parser.isSet("maxsteer") && options.command == "import") {
        const double maxSteer = Quantity(parser, "maxsteer", "deg", 200);
        if (maxSteer < 0 || maxSteer > 2000 || maxSteer != static_cast<int>(maxSteer))
            throw UsageError("invalid maxsteer: " + parser.value("maxsteer").toStdString() +
                             " (a whole number of deg from 0 to 2000)");
        options.maxSteer = static_cast<int>(maxSteer);
    }
    if (parser.isSet("mode")) {
        QString value = parser.value("mode");
        if (value != "replace" && value != "insert")
            throw UsageError("invalid mode: " + value.toStdString() + " (replace or insert)");
        options.insert = value == "insert";
    }
    if (parser.isSet("size")) {
        QStringList parts = parser.value("size").toLower().split('x');
        if (parts.size() != 2)
            throw UsageError("invalid size: " + parser.value("size").toStdString() + " (WxH)");
        options.width = ParseInt(parts[0], 1, 20000, "size");
        options.height = ParseInt(parts[1], 1, 20000, "size");
    }
    if (parser.isSet("aux") && options.command == "plot") {
        for (const QString &bit : parser.value("aux").split(',', Qt::SkipEmptyParts))
            options.auxBits.push_back(ParseInt(bit.trimmed(), 1, 8, "aux bit"));
    }
    if (parser.isSet("max-rate")) {
        const double limit = Quantity(parser, "max-rate", "deg/s", 400);
        if (limit < 0 || limit > 1e9)
            throw UsageError("invalid max-rate: " + parser.value("max-rate").toStdString() +
                             " (a number of deg/s from 0 to 1000000000)");
        options.maxRate = static_cast<float>(limit);
    }
    options.summary = parser.isSet("summary");
    options.report = parser.isSet("report");
    options.hex = parser.isSet("hex");
    options.srec = parser.isSet("srec");
    options.json = parser.isSet("json");
    options.strict = parser.isSet("strict");
    options.text = parser.isSet("text");
    options.format = parser.value("format").toStdString();
    options.type = parser.value("type").toStdString();
}

// The positional arguments after the command: how many each command reads.
void CheckPositional(const CliOptions &options, const QStringList &positional) {
    const std::string &c = options.command;
    if (c == "verify" && positional.size() != 2) throw UsageError("verify needs SET.rom and IMAGE.bin");
    if (c == "diff" && positional.size() != 2) throw UsageError("diff needs two files: A.rom B.rom");
    if (c != "verify" && c != "diff" && c != "put" && positional.size() != 1)
        throw UsageError(positional.isEmpty() ? "no input file given" : "more than one input file given");
}

// What a command cannot go without.
void CheckRequired(const CliOptions &options) {
    const std::string &c = options.command;
    if ((c == "build" || c == "export" || c == "plot") && options.output.empty())
        throw UsageError(c + " needs -o OUT");
    if (c == "export" && options.format != "text" && options.format != "tv")
        throw UsageError("export needs --format text or --format tv");
    if (c == "steps" && !options.format.empty() && options.format != "csv" && options.format != "mat")
        throw UsageError("steps takes --format csv or --format mat");
    if (c == "steps" && options.format == "mat" && options.output.empty())
        throw UsageError("steps --format mat needs -o OUT.mat");
    if (c == "import" && options.type != "text" && options.type != "tv" && options.type != "rom" &&
        options.type != "bin")
        throw UsageError("import needs --type text, tv, rom or bin");
    if (c == "verify" && options.auxImage.empty() && options.auxGiven)
        throw UsageError("--aux needs IMAGE.aux");
}

CliOptions ParseArguments(const QStringList &arguments) {
    QCommandLineParser parser;
    AddOptions(parser);
    const bool parsed = parser.parse(arguments);
    QStringList positional = parser.positionalArguments();
    const std::string command = positional.isEmpty() ? std::string() : positional.front().toStdString();
    if (!parser.unknownOptionNames().isEmpty())
        throw UsageError(
            UnknownOptionText(parser.unknownOptionNames().front().toLatin1().toStdString(), command));
    if (!parsed) throw UsageError(parser.errorText().toStdString());

    CliOptions options;
    if (parser.isSet("help")) {
        options.command = "help";
        if (command == "template" && positional.size() == 2) {
            options.command = "template-help";
            options.templateName = ChosenTemplate(positional[1]).name;
        }
        return options;
    }
    if (parser.isSet("version")) {
        options.command = "version";
        return options;
    }
    if (parser.isSet("bash-completion")) {
        options.command = "bash-completion";
        return options;
    }
    if (positional.isEmpty()) throw UsageError("no command given (see --help)");
    options.command = positional.takeFirst().toStdString();
    const std::vector<std::string> &commands = CommandNames();
    if (std::find(commands.begin(), commands.end(), options.command) == commands.end()) {
        const std::string nearest = Nearest(options.command, commands);
        throw UsageError("unknown command: " + options.command +
                         (nearest.empty() ? " (see --help)" : " (did you mean " + nearest + "?)"));
    }
    for (const QString &name : parser.optionNames())
        if (!TakesOption(options.command, name.toStdString()))
            throw UsageError(Dashed(name.toStdString()) + " does not apply to " + options.command);
    options.output = parser.value("o").toLatin1().toStdString();
    if (options.command == "template") return ParseTemplateArguments(parser, positional, options);
    if (options.command == "evaluate" || options.command == "simulate") {
        ReadValues(parser, options);
        if (options.command == "evaluate")
            ParseEvaluateArguments(parser, positional, options);
        else
            ParseSimulateArguments(parser, positional, options);
        return options;
    }
    CheckPositional(options, positional);
    for (const QString &file : positional) options.files.push_back(file.toLatin1().toStdString());
    ReadValues(parser, options);
    if (options.command == "put") ParsePutArguments(parser, positional, options);
    if (options.command == "verify") {
        options.auxImage = parser.value("aux").toLatin1().toStdString();
        options.auxGiven = parser.isSet("aux");
    }
    if (options.command == "compare" || options.command == "plot") ParseLogArguments(parser, options);
    CheckRequired(options);
    return options;
}

int Dispatch(const CliOptions &options) {
    const std::string &c = options.command;
    if (c == "check") return RunCheck(options);
    if (c == "steps") return RunSteps(options);
    if (c == "build") return RunBuild(options);
    if (c == "export") return RunExport(options);
    if (c == "import") return RunImport(options);
    if (c == "template") return RunTemplate(options);
    if (c == "compare") return RunCompare(options);
    if (c == "verify") return RunVerify(options);
    if (c == "diff") return RunDiff(options);
    if (c == "put") return RunPut(options);
    if (c == "evaluate") return RunEvaluate(options);
    if (c == "simulate") return RunSimulate(options);
    return RunPlot(options);
}

// Runs the command; --strict turns its success into 1 when a compile raised a warning or a notice.
int Run(const CliOptions &options, int argc, char **argv) {
    if (options.command == "help") {
        WriteOut(UsageText());
        return 0;
    }
    if (options.command == "template-help") {
        WriteOut(TemplateHelpText(*FindTemplate(options.templateName)));
        return 0;
    }
    if (options.command == "version") {
        WriteOut("quillard-cli 1.51\n");
        return 0;
    }
    if (options.command == "bash-completion") {
        WriteOut(BashCompletionScript());
        return 0;
    }
    std::unique_ptr<QGuiApplication> application;
    if (options.command == "plot" || (options.command == "evaluate" && !options.output.empty())) {
        // stderr carries the compile's notices and failures only, not Qt's remarks.
        qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
        // Drawing needs fonts, not a display.
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
        application = std::make_unique<QGuiApplication>(argc, argv);
    }
    const int status = Dispatch(options);
    return status == 0 && options.strict && Findings().Any() ? 1 : status;
}

} // namespace

int main(int argc, char **argv) {
    // A closed descriptor 0, 1 or 2 would be taken by the first file opened, and what is printed would
    // go into it. A closed pipe on stdout is a failed write, reported like any other.
    ReserveStandardDescriptors();
    std::signal(SIGPIPE, SIG_IGN);
    QStringList arguments;
    // Latin-1 maps every byte to one character and back, so file names reach the core byte for byte,
    // whatever their encoding.
    for (int i = 0; i < argc; ++i) arguments << QString::fromLatin1(argv[i]);
    std::string concerned; // the file a failed allocation is reported for
    try {
        CliOptions options = ParseArguments(arguments);
        concerned = options.files.empty() ? options.output : options.files.front();
        const int status = Run(options, argc, argv);
        FinishStandardOutput();
        return status;
    } catch (const std::bad_alloc &) {
        const std::string what = "out of memory";
        std::fprintf(stderr, "quillard-cli: %s\n",
                     (concerned.empty() ? what : DisplayName(concerned) + ": " + what).c_str());
    } catch (const std::exception &e) { // UsageError, InputError and whatever else stopped the command
        std::fprintf(stderr, "quillard-cli: %s\n", PrintableText(e.what()).c_str());
    }
    return 2;
}
