// quillard-cli: the usage text of --help, made from the table of the commands, and the help of each
// template.
#include "cli/commands.h"

#include <algorithm>
#include <cstdio>

namespace {

// One line each, "  --name VALUE   help" with the help's further lines below it; a choice whose words
// have help lines takes one line per word.
std::string OptionLines(const std::vector<Option> &options, int width) {
    std::string text;
    const std::string indent(static_cast<std::size_t>(width) + 3, ' ');
    auto line = [&](const std::string &head, const std::string &help) {
        text += Format("  %-*s %s\n", width, head.c_str(), help.c_str());
    };
    for (const Option &option : options) {
        std::string help = option.help, values;
        const bool wordLines = option.kind == Kind::Choice && !option.words.front().help.empty();
        for (const Word &word : option.words) {
            if (wordLines) line(Dashed(option.name) + " " + word.word, word.help);
            values += (values.empty() ? "" : "|") + word.word;
        }
        if (!wordLines) {
            const std::string value = option.kind == Kind::Choice ? values : option.value;
            const std::size_t end = std::min(help.find('\n'), help.size());
            line(Dashed(option.name) + (value.empty() ? "" : " " + value), help.substr(0, end));
            help.erase(0, end == help.size() ? end : end + 1);
        }
        for (std::size_t start = 0; start < help.size();) {
            const std::size_t end = std::min(help.find('\n', start), help.size());
            text += indent + help.substr(start, end - start) + "\n";
            start = end + 1;
        }
    }
    return text;
}

bool Listed(const std::vector<Option> &list, const Option &option) {
    return std::any_of(list.begin(), list.end(), [&](const Option &o) { return o.name == option.name; });
}

// The command's lines, then a sentence for each of its own options that has a help line: "-o OUT: write
// them to OUT." (the options of many commands have theirs in the lists below the commands).
std::string CommandLines(const Command &command) {
    std::string text = command.usage;
    for (const Option &option : command.options) {
        if (option.help.empty() || Listed(CompileOptionList(), option) || Listed(LogOptionList(), option) ||
            Listed(VehicleLogOptionList(), option) || option.name == JsonOption().name)
            continue;
        std::string help = option.help;
        for (std::size_t end = help.find('\n'); end != std::string::npos; end = help.find('\n', end + 1))
            help.insert(end + 1, 6, ' ');
        text += "      " + Dashed(option.name) + (option.value.empty() ? "" : " " + option.value) + ": " +
                help + ".\n";
    }
    return text;
}

} // namespace

std::string UsageText() {
    std::string text = "Usage: quillard-cli COMMAND FILE [options]\n\nCommands:\n";
    for (const Command &command : Commands()) text += CommandLines(command);
    text += R"(
FILE is a program-set file (name ending in .rom; --program picks the program, 0 to 15)
or a program text file.

COMPILE OPTIONS (every command that compiles):
)" + OptionLines(CompileOptionList(), 22) +
            "\n" + OptionLines({JsonOption()}, 22) +
            R"(Numbers may carry the unit the program language would read: 50deg, 0.7hz, 2sec, 720deg/s.
Templates take --mark F: aux flag F (2 to 7) pulses at the beginning and at the completion of
steer, for a logger's channel.

LOG OPTIONS (a log is a text table with a header line, tab, semicolon, comma or blank separated, a
GPS/IMU logger's sectioned text file or a MATLAB level-5 file; each channel is found by its name):
)" + OptionLines(LogOptionList(), 22) +
            R"(Without --mark-column the log's time 0 is the program's start, so the lag found is the delay; a
time since 1970 or of a clock, and a part of the log, are laid from their first sample. A run
steered the other way than the program is compared with the program mirrored.

VEHICLE LOG OPTIONS (evaluate, log): --time-column, --steer-column, --mark-column, --time-unit,
--angle-unit, --run, --from, --to and
)" + OptionLines(VehicleLogOptionList(), 22) +
            R"(Where several columns may be a channel, the one taken and why is said, with the option that
picks another. A sample or two of a channel far off both neighbours and back (a lost frame) is
replaced by interpolation before anything else, and listed; compare does the same with the steer.

Exit status: 0 success; 1 a compile or build failed, images or sets differ, a run fails a
criterion, or --strict found a warning or notice; 2 bad usage or a file that could not be read or written.

)" + OptionLines(GeneralOptions(), 18);
    return text;
}

std::string TemplateHelpText(const ManoeuvreTemplate &t) {
    std::string text =
        "Usage: quillard-cli template " + t.name + " [--PARAMETER VALUE ...] [--series FROM:TO:STEP" +
        (t.name == "sine-with-dwell" ? "|standard" : "") + " -o SET.rom]\n\n" + t.title + ": " +
        t.description + "\n\nParameters (a value may carry its unit: --" + t.parameters.front().name + " " +
        Format("%g", t.parameters.front().defaultValue) + t.parameters.front().unit + "):\n";
    text += Format("  %-19s %-7s %-8s %s\n", "parameter", "unit", "default", "range");
    for (const TemplateParameter &p : t.parameters) {
        text += Format("  --%-17s %-7s %-8g ", p.name.c_str(), p.unit.c_str(), p.defaultValue) +
                RangeText(p) + "\n";
        text += std::string(22, ' ') + p.description + "\n";
    }
    return text;
}
