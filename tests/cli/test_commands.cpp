// The table of the commands, run: every usage error it states is raised by the parser, and the usage
// text and the bash completion offer what it holds.
#include "cli/commands.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

namespace {

using Line = std::vector<std::string>;

// A command line each command, and each form of a command, takes as it is.
const std::map<std::string, Line> ValidLines{
    {"check", {"p.txt"}},
    {"steps", {"p.txt", "-o", "s.mat"}},
    {"build", {"s.rom", "-o", "s.bin"}},
    {"export", {"p.txt", "--format", "tv", "-o", "p.tv"}},
    {"import", {"--type", "bin", "s.bin"}},
    {"plot", {"p.txt", "-o", "p.png"}},
    {"compare", {"p.txt", "--log", "r.csv"}},
    {"diff", {"a.rom", "b.rom"}},
    {"template", {"step-steer"}},
    {"put", {"s.rom", "--program", "1", "--from", "o.rom"}},
    {"verify", {"s.rom", "s.bin"}},
    {"evaluate sis", {"sis", "r.csv"}},
    {"evaluate swd", {"swd", "r.csv"}},
    {"evaluate campaign", {"campaign", "runs.json", "r.csv"}},
    {"evaluate step", {"step", "r.csv"}},
    {"evaluate sine", {"sine", "r.csv"}},
    {"evaluate response", {"response", "r.csv"}},
    {"evaluate understeer", {"understeer", "r.csv"}},
    {"evaluate rollover", {"rollover", "r.csv"}},
    {"simulate", {"p.txt", "-o", "l.csv"}},
    {"log", {"r.csv"}},
};

// The valid line of the command, or of its first form that takes the option.
const Line &ValidLine(const Command &command, const Option *option = nullptr) {
    for (const Word &form : command.forms)
        if (!option || option->TakenBy(form.word)) return ValidLines.at(command.name + " " + form.word);
    return ValidLines.at(command.name);
}

// The usage error of the command line, or "" when it is taken.
std::string Refusal(const std::string &command, Line line) {
    line.insert(line.begin(), {"quillard-cli", command});
    try {
        ParseArguments(line);
        return "";
    } catch (const UsageError &e) {
        return e.what();
    }
}

bool TakesValueAnywhere(const std::string &name) {
    for (const Command &command : Commands())
        if (const Option *option = FindOption(command, name)) return option->TakesValue();
    return true; // a template parameter
}

// The line without the option and its value.
Line Without(Line line, const std::string &name) {
    const auto given = std::find(line.begin(), line.end(), Dashed(name));
    if (given != line.end()) line.erase(given, given + 2);
    return line;
}

// The line with the option and, before it, the options it goes with but one.
Line With(Line line, const Option &option, const std::string &value, const std::string &lacking = "") {
    for (const std::string &other : option.after)
        if (other != lacking) line.insert(line.end(), {Dashed(other), "p.rom"});
    line.push_back(Dashed(option.name));
    if (option.TakesValue()) line.push_back(value);
    return line;
}

TEST(CliTable, EveryCommandTakesItsValidLineAndRefusesEveryOptionItDoesNotTake) {
    for (const Command &command : Commands()) {
        EXPECT_EQ(Refusal(command.name, ValidLine(command)), "") << command.name;
        for (const std::string &name : OptionNames(nullptr)) {
            if (TakesOption(command, name)) continue;
            Line line = ValidLine(command);
            line.push_back(Dashed(name));
            if (TakesValueAnywhere(name)) line.push_back("1");
            EXPECT_EQ(Refusal(command.name, line), Dashed(name) + " does not apply to " + command.name);
        }
        // An option of some forms only is refused by the others, before its value is read.
        for (const Word &form : command.forms) {
            const Line &valid = ValidLines.at(command.name + " " + form.word);
            EXPECT_EQ(Refusal(command.name, valid), "") << command.name << " " << form.word;
            for (const Option &option : command.options) {
                if (option.TakenBy(form.word)) continue;
                Line line = valid;
                line.push_back(Dashed(option.name));
                if (option.TakesValue()) line.push_back("bogus");
                EXPECT_EQ(Refusal(command.name, line),
                          Dashed(option.name) + " does not apply to " + command.name + " " + form.word);
            }
        }
    }
}

TEST(CliTable, RequiredOptionsAndPartnersAreRefusedWhenMissing) {
    for (const Command &command : Commands())
        for (const Option &option : command.options) {
            const Line &valid = ValidLine(command, &option);
            if (option.required) {
                EXPECT_NE(Refusal(command.name, Without(valid, option.name)).find(Dashed(option.name)),
                          std::string::npos)
                    << command.name << " without " << option.name;
            }
            // Refused for the option or for one of its other partners, which goes with the same.
            for (const std::string &other : option.after) {
                if (FindOption(command, other)->required) continue;
                EXPECT_TRUE(Refusal(command.name, With(Without(valid, other), option, "1", other))
                                .ends_with(" goes with " + Dashed(other)))
                    << command.name << " " << option.name << " without " << other;
            }
        }
}

TEST(CliTable, EveryWordAndNumberInRangeIsTakenAndAnythingElseRefusedNamingTheOption) {
    for (const Command &command : Commands())
        for (const Option &option : command.options) {
            std::vector<std::string> taken, refused{"bogus"};
            if (option.kind == Kind::Choice || option.kind == Kind::Quantity)
                for (const Word &word : option.words) taken.push_back(word.word);
            if (option.kind == Kind::Whole || (option.kind == Kind::Quantity && option.high > option.low)) {
                for (double bound : {option.low, option.high})
                    (bound == option.low && option.aboveLow ? refused : taken)
                        .push_back(Format("%.15g", bound));
                for (double beyond : {option.low - 1, option.high + 1})
                    refused.push_back(Format("%.15g", beyond));
            }
            if (taken.empty()) continue;
            const Line &valid = ValidLine(command, &option);
            // Taken by the option's own check; a rule between options (the fit's ends) may refuse it still.
            for (const std::string &value : taken)
                EXPECT_FALSE(Refusal(command.name, With(valid, option, value)).starts_with("invalid "))
                    << command.name << " " << option.name << " " << value;
            for (const std::string &value : refused) {
                const std::string refusal = Refusal(command.name, With(valid, option, value));
                EXPECT_TRUE(refusal.find(option.name) != std::string::npos ||
                            (!option.what.empty() && refusal.find(option.what) != std::string::npos))
                    << command.name << " " << option.name << " " << value << ": " << refusal;
            }
        }
}

TEST(CliTable, AUnitAfterABlankIsNamed) {
    EXPECT_EQ(Refusal("template", {"step-steer", "--amplitude", "20", "deg"}),
              "a unit is written without a blank: --amplitude 20deg");
    EXPECT_EQ(Refusal("check", {"p.txt", "--max-rate=400", "Deg/s"}),
              "a unit is written without a blank: --max-rate 400Deg/s");
    EXPECT_EQ(Refusal("put", {"s.rom", "--program", "1", "--template", "j-turn", "--hold", "2", "sec"}),
              "a unit is written without a blank: --hold 2sec");
    // A file after a number is a file; a word after an option that takes no unit is no unit.
    EXPECT_EQ(Refusal("import", {"--type", "bin", "--maxsteer", "300", "dump.bin"}), "");
    EXPECT_EQ(Refusal("check", {"p.txt", "--program", "3", "deg"}), "more than one input file given");
}

// The text of the command's case in the bash completion.
std::string CompletionCase(const std::string &script, const std::string &command) {
    const std::size_t start = script.find("\n        " + command + ")\n");
    return start == std::string::npos ? "" : script.substr(start, script.find("esac ;;", start) - start);
}

TEST(CliTable, TheCompletionAndTheUsageOfferWhatTheTableHolds) {
    const std::string script = BashCompletionScript(), usage = UsageText();
    for (const Command &command : Commands()) {
        const std::string offered = CompletionCase(script, command.name);
        EXPECT_NE(usage.find("\n  " + command.name + " "), std::string::npos) << command.name;
        for (const Option &option : command.options) {
            EXPECT_NE(offered.find(Dashed(option.name)), std::string::npos)
                << command.name << " " << option.name;
            std::string words;
            for (const Word &word : option.words) words += (words.empty() ? "" : " ") + word.word;
            if (option.kind == Kind::Choice) {
                const std::size_t at = offered.find("values=\"" + words + "\"");
                const std::size_t line = offered.rfind('\n', at);
                EXPECT_NE(offered.substr(line, at - line).find(Dashed(option.name)), std::string::npos)
                    << command.name << " " << option.name;
            }
            if (!option.help.empty()) {
                EXPECT_NE(usage.find(option.help.substr(0, option.help.find('\n'))), std::string::npos)
                    << option.name;
            }
        }
    }
    // Each form of a command is offered its own options.
    for (const Command &command : Commands())
        for (const Word &form : command.forms) {
            const std::string offered = CompletionCase(script, command.name),
                              head = form.word + ") options=\"";
            const std::size_t at = offered.find("\n                " + head);
            ASSERT_NE(at, std::string::npos) << command.name << " " << form.word;
            const std::size_t start = at + 17 + head.size();
            const std::string options = " " + offered.substr(start, offered.find('"', start) - start) + " ";
            for (const Option &option : command.options)
                EXPECT_EQ(options.find(" " + Dashed(option.name) + " ") != std::string::npos,
                          option.TakenBy(form.word))
                    << command.name << " " << form.word << " " << option.name;
        }
    // Each command is offered its own formats only.
    EXPECT_NE(CompletionCase(script, "steps").find("--format) values=\"csv mat\""), std::string::npos);
    EXPECT_NE(CompletionCase(script, "export").find("--format) values=\"text tv\""), std::string::npos);
}

} // namespace
