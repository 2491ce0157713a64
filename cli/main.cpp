// quillard-cli: the headless front end of Quillard.
#include "cli/cli.h"

#include "romfiles/templates.h"

#include <QCommandLineParser>
#include <QGuiApplication>
#include <QStringList>

#include <cmath>
#include <csignal>
#include <cstdio>
#include <exception>
#include <memory>

namespace {

const char *const Usage = R"(Usage: quillard-cli COMMAND FILE [options]

Commands:
  check FILE [--program N] [--machine M] [--max-rate R] [--summary]
      Compile a program; print the Messages text, with --summary followed by the program
      summary (duration, steps used, steer extremes, peak steer rate, rates, flags).
  steps FILE [--program N] [--machine M] [--max-rate R] [--format csv|mat] [-o OUT]
      Compile a program; print its 16384 steps as CSV, or write them to OUT as CSV or as a
      MATLAB file (--format mat).
  build SET.rom -o OUT.bin [--machine M] [--max-rate R] [--report] [--hex] [--srec]
      Build the 16 programs of a set into OUT.bin and OUT.aux. --report prints the CRC-32s
      and the slot map of the files written; --hex and --srec also write Intel HEX
      (OUT.hex, OUT.aux.hex) and Motorola S-record (OUT.srec, OUT.aux.srec) copies.
  export FILE [--program N] --format text|tv -o OUT [--machine M]
      Write a program as text or as a time-and-value file.
  import --type text|tv|rom|bin FILE [--program N] [--rate 256|512|1024|2048]
         [--maxsteer DEG] [--mode replace|insert]
      Print the lines an import would produce.
  plot FILE [--program N] -o OUT.png|OUT.svg [--size WxH] [--aux 1,8] [--machine M]
       [--log RUN.csv [LOG OPTIONS] [--bode]]
      Draw the program graph as Show does, to a PNG or SVG image; with --log the measured
      steer over it, with --bode instead the frequency response of a sweep program.
  compare FILE [--program N] --log RUN.csv [LOG OPTIONS] [--json] [--mat OUT.mat] [--machine M]
      Compare a measured log with the program: delay, gain, offset, RMS and peak error,
      overshoot of each step and, for a sweep, the frequency response. --json prints one JSON
      document; --mat also writes the compared data and figures as a MATLAB file.
  diff A B [--program N] [--text] [--json] [--machine M]
      Compare two sets (or two programs) program by program: whether the texts differ (--text
      prints a unified diff of them) and whether the compiled steps differ: the first differing
      step, the largest steer difference and the change of duration. Exit 0 when every program
      compiles to identical steps in both, 1 otherwise. --program compares one program only.
  template NAME [--PARAMETER VALUE ...]
      Print the program text of a manoeuvre template.
  template NAME --series FROM:TO:STEP [--PARAMETER VALUE ...] -o SET.rom
      Write a set of the template over the amplitudes FROM to TO in steps of STEP (degrees,
      or multiples of A with --amplitude A) as programs 0, 1, ...; the other programs are
      default programs.
  template --list
      List the templates with their parameters, units and defaults.
  verify SET.rom IMAGE.bin [--aux IMAGE.aux] [--machine M] [--max-rate R]
      Rebuild the set and compare it word by word with an EPROM image (and an aux image)
      read back from the programmer: the first difference of each program that differs, with
      its step, time, and expected and found steer. Exit 0 when they match, 1 when they differ.

FILE is a program-set file (name ending in .rom; --program picks the program, 0 to 15)
or a program text file.
  --machine corvan3      Corvan 3 only
  --machine compatible   Corvan 1, 2 and 3
Without --machine the setting of quildf.txt in the current directory is used when it exists,
else Corvan 3 only.
  --max-rate R           steer-rate limit in deg/s: a compile whose steer rate between two
                         steps exceeds it writes a notice to stderr (0, the default: no check)

LOG OPTIONS (a log is text with a header line; tab, semicolon, comma or blank separated):
  --time-column C        time column: header name or number from 1 (default: "time...", else 1)
  --steer-column C       steer column (default: the first named "...steer...", else 2)
  --mark-column C        aux-flag channel: align the log by the flag's first rising edge
  --mark-flag F          the program's flag (1 to 8) that the mark logs (default: its only flag)
  --time-unit s|ms       unit of the time column (default: a "[ms]" in its name, else s)
  --angle-unit deg|rad   unit of the steer column (default: a "[rad]" in its name, else deg)
Without --mark-column the log's time 0 is the program's start, so the lag found is the delay.

  --help      print this text
  --version   print the version
)";

double ParseNumber(const QString &text, const std::string &what) {
    bool ok = false;
    double value = text.toDouble(&ok);
    if (!ok || !std::isfinite(value)) throw UsageError("invalid " + what + ": " + text.toStdString());
    return value;
}

// The template command: NAME and its parameters, --list, or --series with -o.
CliOptions ParseTemplateArguments(const QCommandLineParser &parser, const QStringList &positional,
                                  CliOptions options) {
    options.listTemplates = parser.isSet("list");
    if (options.listTemplates) {
        if (!positional.isEmpty()) throw UsageError("template --list takes no template name");
        return options;
    }
    if (positional.size() != 1)
        throw UsageError(positional.isEmpty() ? "no template name given (see template --list)"
                                              : "more than one template name given");
    options.templateName = positional.front().toStdString();
    const ManoeuvreTemplate *chosen = FindTemplate(options.templateName);
    if (!chosen) throw UsageError("unknown template: " + options.templateName + " (see template --list)");
    for (const ManoeuvreTemplate &t : ManoeuvreTemplates())
        for (const TemplateParameter &p : t.parameters) {
            QString name = QString::fromStdString(p.name);
            if (parser.isSet(name)) options.templateValues[p.name] = ParseNumber(parser.value(name), p.name);
        }
    if (parser.isSet("series")) {
        QStringList parts = parser.value("series").split(':');
        if (parts.size() != 3)
            throw UsageError("invalid series: " + parser.value("series").toStdString() + " (FROM:TO:STEP)");
        options.series = {ParseNumber(parts[0], "series"), ParseNumber(parts[1], "series"),
                          ParseNumber(parts[2], "series")};
        // With --amplitude A the series counts in multiples of A (1.5:6.5:0.5 is 1.5 A to 6.5 A).
        if (auto a = options.templateValues.find("amplitude"); a != options.templateValues.end()) {
            for (double &value : *options.series) value *= a->second;
            options.templateValues.erase(a);
        }
        if (options.output.empty()) throw UsageError("template --series needs -o SET.rom");
    } else if (!options.output.empty()) {
        throw UsageError("template prints its program; -o goes with --series");
    }
    return options;
}

int ParseInt(const QString &text, int low, int high, const char *what);

// The options of compare and of plot --log; every one of them is bad usage with another command.
void ParseLogArguments(const QCommandLineParser &parser, CliOptions &options) {
    const std::string &c = options.command;
    static const QStringList logOptions{"log",       "time-column", "steer-column", "mark-column",
                                        "mark-flag", "time-unit",   "angle-unit"};
    for (const QString &name : parser.optionNames()) {
        const bool fits = logOptions.contains(name) ? c == "compare" || c == "plot"
                          : name == "json"          ? c == "compare" || c == "diff"
                          : name == "mat"           ? c == "compare"
                          : name == "bode"          ? c == "plot"
                          : name == "text"          ? c == "diff"
                                                    : true;
        const std::string option = (name.size() == 1 ? "-" : "--") + name.toStdString();
        if (!fits) throw UsageError(option + " does not apply to " + c);
        // compare takes only the options that choose and compile its program.
        static const QStringList compareTakes{"program", "machine", "max-rate", "json", "mat"};
        if (c == "compare" && !logOptions.contains(name) && !compareTakes.contains(name))
            throw UsageError(option + " does not apply to compare");
        static const QStringList diffTakes{"program", "machine", "json", "text"};
        if (c == "diff" && !diffTakes.contains(name)) throw UsageError(option + " does not apply to diff");
    }
    options.log = parser.value("log").toLatin1().toStdString();
    if (c == "compare" && options.log.empty()) throw UsageError("compare needs --log RUN.csv");
    for (const QString &name : parser.optionNames())
        if (logOptions.contains(name) && name != "log" && options.log.empty())
            throw UsageError("--" + name.toStdString() + " goes with --log");
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
    options.json = parser.isSet("json");
    options.mat = parser.value("mat").toLatin1().toStdString();
    options.bode = parser.isSet("bode");
    options.text = parser.isSet("text");
}

int ParseInt(const QString &text, int low, int high, const char *what) {
    bool ok = false;
    int value = text.toInt(&ok);
    if (!ok || value < low || value > high)
        throw UsageError(std::string("invalid ") + what + ": " + text.toStdString());
    return value;
}

// Every option of every command; the values are checked when they are read.
void AddOptions(QCommandLineParser &parser) {
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    QCommandLineOption program("program", "", "N"), machine("machine", "", "M"), output("o", "", "OUT"),
        format("format", "", "F"), type("type", "", "T"), rate("rate", "", "HZ"),
        maxSteer("maxsteer", "", "DEG"), mode("mode", "", "MODE"), size("size", "", "WxH"),
        aux("aux", "", "BITS"), help({"h", "help"}, ""), version("version", ""),
        maxRate("max-rate", "", "DEG_PER_S"), summary("summary", ""), report("report", ""), hex("hex", ""),
        srec("srec", ""), list("list", ""), series("series", "", "FROM:TO:STEP"), log("log", "", "RUN"),
        timeColumn("time-column", "", "C"), steerColumn("steer-column", "", "C"),
        markColumn("mark-column", "", "C"), markFlag("mark-flag", "", "F"), timeUnit("time-unit", "", "UNIT"),
        angleUnit("angle-unit", "", "UNIT"), json("json", ""), mat("mat", "", "OUT"), bode("bode", ""),
        text("text", "");
    parser.addOptions({program,  machine,   output, format,  type,       rate,        maxSteer,   mode,
                       size,     aux,       help,   version, maxRate,    summary,     report,     hex,
                       srec,     list,      series, log,     timeColumn, steerColumn, markColumn, markFlag,
                       timeUnit, angleUnit, json,   mat,     bode,       text});
    // Every template parameter is an option; rate and maxsteer are already.
    QStringList known{"rate", "maxsteer"};
    for (const ManoeuvreTemplate &t : ManoeuvreTemplates())
        for (const TemplateParameter &p : t.parameters) {
            QString name = QString::fromStdString(p.name);
            if (known.contains(name)) continue;
            known << name;
            parser.addOption(QCommandLineOption(name, "", "VALUE"));
        }
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
    if (parser.isSet("rate")) {
        options.rate = ParseInt(parser.value("rate"), 256, 2048, "rate");
        if (options.rate != 256 && options.rate != 512 && options.rate != 1024 && options.rate != 2048)
            throw UsageError("invalid rate: " + std::to_string(options.rate) + " (256, 512, 1024 or 2048)");
    }
    if (parser.isSet("maxsteer")) options.maxSteer = ParseInt(parser.value("maxsteer"), 0, 2000, "maxsteer");
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
    if (parser.isSet("aux") && options.command != "verify") {
        for (const QString &bit : parser.value("aux").split(',', Qt::SkipEmptyParts))
            options.auxBits.push_back(ParseInt(bit.trimmed(), 1, 8, "aux bit"));
    }
    if (parser.isSet("max-rate")) {
        double limit = ParseNumber(parser.value("max-rate"), "max-rate");
        if (limit < 0 || limit > 1e9)
            throw UsageError("invalid max-rate: " + parser.value("max-rate").toStdString());
        options.maxRate = static_cast<float>(limit);
    }
    options.summary = parser.isSet("summary");
    options.report = parser.isSet("report");
    options.hex = parser.isSet("hex");
    options.srec = parser.isSet("srec");
    options.format = parser.value("format").toStdString();
    options.type = parser.value("type").toStdString();
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
}

CliOptions ParseArguments(const QStringList &arguments) {
    QCommandLineParser parser;
    AddOptions(parser);
    if (!parser.parse(arguments)) throw UsageError(parser.errorText().toStdString());

    CliOptions options;
    if (parser.isSet("help")) {
        options.command = "help";
        return options;
    }
    if (parser.isSet("version")) {
        options.command = "version";
        return options;
    }
    QStringList positional = parser.positionalArguments();
    if (positional.isEmpty()) throw UsageError("no command given (see --help)");
    options.command = positional.takeFirst().toStdString();
    static const QStringList commands{"check", "steps",    "build",   "export", "import",
                                      "plot",  "template", "compare", "verify", "diff"};
    if (!commands.contains(QString::fromStdString(options.command)))
        throw UsageError("unknown command: " + options.command);
    options.output = parser.value("o").toLatin1().toStdString();
    if (options.command == "template") return ParseTemplateArguments(parser, positional, options);
    if (options.command == "verify") {
        // The options of the other commands mean nothing here; --aux names a file, not flags.
        const QStringList taken{"aux", "machine", "max-rate"};
        for (const QString &name : parser.optionNames())
            if (!taken.contains(name))
                throw UsageError("verify does not take " + std::string(name.size() == 1 ? "-" : "--") +
                                 name.toStdString());
        if (positional.size() != 2) throw UsageError("verify needs SET.rom and IMAGE.bin");
        options.auxImage = parser.value("aux").toLatin1().toStdString();
        if (parser.isSet("aux") && options.auxImage.empty()) throw UsageError("--aux needs IMAGE.aux");
    } else if (options.command == "diff") {
        if (positional.size() != 2) throw UsageError("diff needs two files: A.rom B.rom");
    } else if (positional.size() != 1) {
        throw UsageError(positional.isEmpty() ? "no input file given" : "more than one input file given");
    }
    for (const QString &file : positional) options.files.push_back(file.toLatin1().toStdString());
    ReadValues(parser, options);
    ParseLogArguments(parser, options);
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
    return RunPlot(options);
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
        int status = 0;
        if (options.command == "help") {
            WriteOut(Usage);
        } else if (options.command == "version") {
            WriteOut("quillard-cli 1.51\n");
        } else {
            std::unique_ptr<QGuiApplication> application;
            if (options.command == "plot") {
                // stderr carries the compile's notices and failures only, not Qt's remarks.
                qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
                // Drawing needs fonts, not a display.
                if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
                application = std::make_unique<QGuiApplication>(argc, argv);
            }
            status = Dispatch(options);
        }
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
