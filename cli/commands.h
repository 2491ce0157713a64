// quillard-cli: the table of the commands. Each command's row holds everything about it: its files,
// its options and what each takes (values, unit, range), its lines in --help and the function that runs
// it. The parser, its usage errors, the usage text (and so the manual page) and the bash completion all
// read the table; how to add a command or an option is said at the table in commands.cpp.
#pragma once

#include "cli/cli.h"

#include <cstddef>
#include <map>
#include <string>
#include <type_traits>
#include <vector>

// A word an option takes, with its help line when --help lists the words one by one.
struct Word {
    Word(const char *word, const char *help = "") : word(word), help(help) {}
    std::string word, help;
};

// An option's value as read: the text given, and the numbers or the word read from it.
struct Value {
    std::string text;
    std::vector<double> numbers; // Whole and Quantity: one; Size: width and height; Bits: each bit
    std::size_t word = 0;        // Choice: the index of the word
};

// Puts a value into the options of the run.
using Store = void (*)(CliOptions &, const Value &);

enum class Kind {
    Switch,    // takes no value
    Text,      // any text: a column name, a series
    File,      // a file name (completed as one)
    Whole,     // a whole number from low to high
    Quantity,  // a number in unit, written with or without it (50deg, 0.7hz); words: the only values
    Choice,    // one of the words
    Size,      // WxH, each a whole number from low to high
    Bits,      // whole numbers from low to high, separated by commas (1,8)
    Parameter, // a template parameter: read in the unit of the template chosen
    Template,  // a template's name, in any letter case
};

// One option of a command. The table writes it as a maker (Whole, Choice, ...) followed by what sets it
// apart: .Needs(), .After("log"), .Help("...").
struct Option {
    std::string name;  // without dashes; a one-letter name is written -o
    std::string value; // its value as usage writes it ("N", "OUT"); empty for a switch
    Kind kind = Kind::Switch;
    Store store = nullptr;
    // Choice: the words taken; Quantity: the only values taken (none: any); Text and Parameter: the words
    // the completion offers.
    std::vector<Word> words;
    double low = 0, high = 0; // Whole, Size, Bits; a Quantity with high > low takes low to high only
    bool whole = false;       // Quantity: whole numbers only
    bool aboveLow = false;    // Quantity: more than low (and at most high)
    // Choice: the index of the word the text spells, words.size() for none (nullptr: the word itself).
    std::size_t (*spelling)(const std::string &text) = nullptr;
    std::string unit;   // Quantity: "deg", "Hz", "deg/s", ...
    double example = 0; // Quantity: the number its usage error shows
    std::string what;   // Whole, Size, Bits: how a usage error names the value ("program number")
    bool required = false;
    std::string needs;              // what is said when a required option is missing: "build needs -o OUT"
    std::string refusal;            // what is said instead of "invalid NAME: VALUE (...)"
    bool notEmpty = false;          // an empty value is refused: "--aux needs IMAGE.aux"
    std::vector<std::string> after; // the options it goes with; given without them it is refused
    std::string forms;              // the forms of the command that take it, separated by blanks ("": all)
    // Its help: in the option lists of --help first beside it, then below; for an option of its own,
    // a sentence under the command.
    std::string help;

    // Required; text is said when it is missing (default: "COMMAND needs --NAME VALUE").
    Option Needs(std::string text = "") const;
    // Refused unless the other option is given (or the command needs the other anyway).
    Option After(const std::string &other) const;
    Option Help(std::string text) const;
    Option Refusing(std::string text) const;
    Option NotEmpty() const;
    // Quantity: low to high only (whole numbers only with whole); more than low and at most high.
    Option Within(double low, double high, bool whole) const;
    Option Above(double low, double high) const;
    // Choice: the text read as one of the words by the function, which takes several spellings.
    Option Spelt(std::size_t (*spelling)(const std::string &text)) const;
    // Taken by these forms of the command only: "swd campaign".
    Option Only(std::string forms) const;
    // Quantity: these values only; Text and Parameter: the values the completion offers.
    Option OneOf(std::vector<Word> values) const;
    bool TakesValue() const { return kind != Kind::Switch; }
    // Taken by the form of its command (all of them without .Only()).
    bool TakenBy(const std::string &form) const;
};

// The option makers of the table.
Option Switch(std::string name, Store store);
Option Text(std::string name, std::string value, Store store);
Option File(std::string name, std::string value, Store store);
Option Whole(std::string name, std::string value, int low, int high, std::string what, Store store);
// A number in unit; .Within() and .OneOf() narrow what it takes.
Option Quantity(std::string name, std::string value, std::string unit, double example, Store store);
Option Choice(std::string name, std::string value, std::vector<Word> words, Store store);
Option Size(std::string name, std::string value, int low, int high, Store store);
Option Bits(std::string name, std::string value, int low, int high, std::string what, Store store);
Option Parameter(std::string name);
Option TemplateName(std::string name, std::string value, Store store);

// Stores the value into the field: true for a switch, the number for a number, the text otherwise.
template <auto field> void Set(CliOptions &options, const Value &value) {
    auto &target = options.*field;
    using Target = std::remove_cvref_t<decltype(target)>;
    if constexpr (std::is_same_v<Target, bool>)
        target = true;
    else if constexpr (std::is_same_v<Target, std::string>)
        target = value.text;
    else
        target = static_cast<Target>(value.numbers.front());
}

// How many files (positional arguments) a command reads, and what is said otherwise.
struct Files {
    std::size_t least = 1, most = 1;
    std::string tooFew = "no input file given", tooMany = "more than one input file given";
    bool counted = true;      // false: the positional arguments are names, read by the finish function
    bool afterValues = false; // counted once the values of the options given are read
};

// The command line once read: the options given and the positional arguments after the command.
struct CommandLine {
    std::vector<std::string> given;            // names of the options given, in order, repeats included
    std::map<std::string, std::string> values; // the value of each option given (the last one)
    std::map<std::string, std::vector<std::string>> every; // every value of each, for an option repeated
    std::vector<std::string> positional;
    bool Has(const std::string &name) const { return values.count(name) > 0; }
    std::string ValueOf(const std::string &name) const; // "" when not given
};

struct Command {
    std::string name;
    std::string usage; // its lines under "Commands:" in --help
    Files files;
    std::vector<Option> options; // in the order suggestions and the completion take them
    int (*run)(const CliOptions &) = nullptr;
    bool templateParameters = false; // takes the parameters of the templates besides its options
    // What the table cannot say, checked after everything else (nullptr: nothing).
    void (*finish)(const CommandLine &, CliOptions &) = nullptr;
    // Draws with Qt, which needs a GUI application (on the offscreen platform); nullptr: never.
    bool (*draws)(const CliOptions &) = nullptr;
    // The words of its first positional argument when that names a form of the command, with options
    // of its own (evaluate sis|swd|campaign).
    std::vector<Word> forms{};
};

// An option, or a list of options, in the options of a command; Options() puts them in one list.
struct Part {
    Part(const Option &option) : options{option} {}
    Part(const std::vector<Option> &list) : options(list) {}
    std::vector<Option> options;
};
std::vector<Option> Options(std::initializer_list<Part> parts);

// The options of several commands, which the rows written in files of their own take too.
struct SharedOptions {
    const Option &program, &machine, &maxRate, &strict, &json, &output, &amplitudeFrom;
};
// The rows of evaluate and simulate (vehiclecommands.cpp).
Command EvaluateCommand(const SharedOptions &shared);
Command SimulateCommand(const SharedOptions &shared);

// Every command, in the order of --help.
const std::vector<Command> &Commands();
const Command *FindCommand(const std::string &name);
// The option of the command by name, or nullptr.
const Option *FindOption(const Command &command, const std::string &name);
// The options of every command: --help, --version, --bash-completion.
const std::vector<Option> &GeneralOptions();
// The option lists of --help after the commands: the compile options, the log options, the vehicle log
// options.
const std::vector<Option> &CompileOptionList();
const std::vector<Option> &LogOptionList();
const std::vector<Option> &VehicleLogOptionList();
const Option &JsonOption();

// The names of every template parameter, in the order of the templates.
const std::vector<std::string> &TemplateParameterNames();
bool IsTemplateParameter(const std::string &name);
// The options the command takes, parameters last: its own, or every command's (nullptr), each once.
std::vector<std::string> OptionNames(const Command *command);
bool TakesOption(const Command &command, const std::string &name);
// The option as written: "-o", "--program".
std::string Dashed(const std::string &name);
// The words of a Choice or a Quantity with a set of values as a usage error lists them: "a, b or c".
std::string WordList(const std::vector<Word> &words);

// The options that read a log (logoptions.cpp): its columns, units and part for plot and compare (with
// --log), for evaluate and the vehicle's channels; the log command's row.
const std::vector<Option> &LogReadingOptions();
const std::vector<Option> &VehicleLogReadingOptions();
const std::vector<Option> &EvaluateLogOptions();
Command LogCommand();

// The rules the table cannot state (parse.cpp; FinishLog in log.cpp).
void FinishSteps(const CommandLine &line, CliOptions &options);
void FinishTemplate(const CommandLine &line, CliOptions &options);
void FinishPut(const CommandLine &line, CliOptions &options);
void FinishEvaluate(const CommandLine &line, CliOptions &options);
void FinishSimulate(const CommandLine &line, CliOptions &options);
void FinishLog(const CommandLine &line, CliOptions &options);
// --run and --from or --to both pick the part of a log: refused.
void CheckLogPart(const CommandLine &line);
