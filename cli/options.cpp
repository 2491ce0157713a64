// quillard-cli: which command takes which option, and the bash completion made from it.
#include "cli/cli.h"

#include <algorithm>

namespace {

// The template parameters are options of template and put too (see TakesOption).
const OptionUse Table[] = {
    {"program", "N", "check steps export import plot compare diff put evaluate simulate"},
    {"machine", "M", "check steps build export plot compare verify diff evaluate simulate"},
    {"max-rate", "DEG_PER_S", "check steps build export plot compare verify diff simulate"},
    {"strict", "", "check steps build export plot compare verify diff"},
    {"json", "", "check build verify template compare diff evaluate"},
    {"o", "OUT", "steps build export plot template evaluate simulate"},
    {"format", "F", "steps export"},
    {"summary", "", "check"},
    {"report", "", "build"},
    {"hex", "", "build"},
    {"srec", "", "build"},
    {"type", "T", "import"},
    {"rate", "HZ", "import template put simulate"},
    {"maxsteer", "DEG", "import template put simulate"},
    {"mode", "MODE", "import"},
    {"size", "WxH", "plot"},
    {"aux", "BITS", "plot verify"},
    {"bode", "", "plot"},
    {"log", "RUN", "compare plot"},
    {"time-column", "C", "compare plot evaluate"},
    {"steer-column", "C", "compare plot evaluate"},
    {"mark-column", "C", "compare plot"},
    {"mark-flag", "F", "compare plot"},
    {"time-unit", "UNIT", "compare plot evaluate"},
    {"angle-unit", "UNIT", "compare plot evaluate"},
    {"mat", "OUT", "compare"},
    {"text", "", "diff"},
    {"list", "", "template"},
    {"series", "FROM:TO:STEP", "template"},
    {"template", "NAME", "put simulate"},
    {"from", "SET", "put"},
    {"source-program", "M", "put"},
    {"yaw-column", "C", "evaluate"},
    {"ay-column", "C", "evaluate"},
    {"speed-column", "C", "evaluate"},
    {"roll-column", "C", "evaluate"},
    {"ay-unit", "UNIT", "evaluate"},
    {"amplitude-a", "A", "evaluate"},
    {"amplitude-from", "SIS.json", "evaluate template"},
    {"gvwr", "KG", "evaluate"},
    {"program-file", "SET", "evaluate"},
    {"fit-low", "G", "evaluate"},
    {"fit-high", "G", "evaluate"},
    {"csv", "OUT", "evaluate"},
    {"vehicle-name", "TEXT", "evaluate"},
    {"vehicle", "FILE", "simulate"},
    {"sample-rate", "HZ", "simulate"},
    {"tail", "S", "simulate"},
    {"runs", "N", "simulate"},
    {"run-list", "RUNS.json", "simulate"},
    {"default-vehicle", "", "simulate"},
};

std::string Joined(const std::vector<std::string> &words) {
    std::string text;
    for (const std::string &word : words) text += (text.empty() ? "" : " ") + word;
    return text;
}

} // namespace

const std::vector<OptionUse> &OptionUses() {
    static const std::vector<OptionUse> uses(std::begin(Table), std::end(Table));
    return uses;
}

const std::vector<std::string> &CommandNames() {
    static const std::vector<std::string> names{"check", "steps",    "build",   "export", "import",
                                                "plot",  "template", "compare", "verify", "diff",
                                                "put",   "evaluate", "simulate"};
    return names;
}

bool IsTemplateParameter(const std::string &name) {
    for (const ManoeuvreTemplate &t : ManoeuvreTemplates())
        for (const TemplateParameter &p : t.parameters)
            if (p.name == name) return true;
    return false;
}

bool TakesOption(const std::string &command, const std::string &name) {
    if (name == "help" || name == "h" || name == "version" || name == "bash-completion") return true;
    for (const OptionUse &use : Table) {
        if (use.name != name) continue;
        const std::string commands = std::string(" ") + use.commands + " ";
        return commands.find(" " + command + " ") != std::string::npos;
    }
    return IsTemplateParameter(name) && (command == "template" || command == "put" || command == "simulate");
}

std::vector<std::string> KnownOptions() {
    std::vector<std::string> names;
    for (const OptionUse &use : Table) names.emplace_back(use.name);
    for (const ManoeuvreTemplate &t : ManoeuvreTemplates())
        for (const TemplateParameter &p : t.parameters)
            if (std::find(names.begin(), names.end(), p.name) == names.end()) names.push_back(p.name);
    return names;
}

std::string Dashed(const std::string &name) { return (name.size() == 1 ? "-" : "--") + name; }

namespace {

// The script, with @NAME@ where the table's words go.
const char *const CompletionScript =
    R"sh(# bash completion of quillard-cli: commands, options and template names.
# Made by quillard-cli --bash-completion.

# The parameters of a template, as options.
_quillard_cli_parameters() {
    case ${1,,} in
@TEMPLATE_CASES@    esac
}

_quillard_cli() {
    local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD-1]} command=${COMP_WORDS[1]}
    local templates="@TEMPLATES@"
    COMPREPLY=()
    if [[ $COMP_CWORD -eq 1 ]]; then
        COMPREPLY=($(compgen -W "@COMMANDS@ --help --version --bash-completion" -- "$cur"))
        return
    fi
    case $prev in
        --machine) COMPREPLY=($(compgen -W "corvan3 compatible" -- "$cur")); return ;;
        --format) COMPREPLY=($(compgen -W "text tv csv mat" -- "$cur")); return ;;
        --type) COMPREPLY=($(compgen -W "text tv rom bin" -- "$cur")); return ;;
        --mode) COMPREPLY=($(compgen -W "replace insert" -- "$cur")); return ;;
        --rate) COMPREPLY=($(compgen -W "256 512 1024 2048" -- "$cur")); return ;;
        --time-unit) COMPREPLY=($(compgen -W "s ms" -- "$cur")); return ;;
        --angle-unit) COMPREPLY=($(compgen -W "deg rad" -- "$cur")); return ;;
        --ay-unit) COMPREPLY=($(compgen -W "g m/s2" -- "$cur")); return ;;
        --series) COMPREPLY=($(compgen -W "standard" -- "$cur")); return ;;
        --template) COMPREPLY=($(compgen -W "$templates" -- "$cur")); return ;;
        -o|--log|--mat|--from|--aux|--csv|--program-file|--amplitude-from|--vehicle|--run-list)
            COMPREPLY=($(compgen -f -- "$cur")); return ;;
        @VALUED@) return ;;
    esac
    local options chosen word
    case $command in
@COMMAND_CASES@    esac
    # The parameters of the template named after the command (template) or after --template (put).
    [[ $command == template ]] && chosen=${COMP_WORDS[2]}
    for ((word = 2; word < COMP_CWORD; word++)); do
        [[ ${COMP_WORDS[word]} == --template ]] && chosen=${COMP_WORDS[word+1]}
    done
    [[ -n $chosen ]] && options="$options $(_quillard_cli_parameters "$chosen")"
    if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W "$options --help" -- "$cur"))
    elif [[ $command == evaluate && $COMP_CWORD -eq 2 ]]; then
        COMPREPLY=($(compgen -W "sis swd campaign" -- "$cur"))
    elif [[ $command == template && $COMP_CWORD -eq 2 ]]; then
        COMPREPLY=($(compgen -W "$templates --list" -- "$cur"))
    else
        COMPREPLY=($(compgen -f -- "$cur"))
    fi
}
complete -o filenames -F _quillard_cli quillard-cli
)sh";

void Fill(std::string &script, const std::string &name, const std::string &words) {
    script.replace(script.find(name), name.size(), words);
}

} // namespace

std::string BashCompletionScript() {
    std::vector<std::string> templates;
    std::string templateCases, commandCases, valued;
    for (const ManoeuvreTemplate &t : ManoeuvreTemplates()) {
        templates.push_back(t.name);
        std::vector<std::string> parameters;
        for (const TemplateParameter &p : t.parameters) parameters.push_back("--" + p.name);
        templateCases += "        " + t.name + ") echo \"" + Joined(parameters) + "\" ;;\n";
    }
    for (const std::string &command : CommandNames()) {
        std::vector<std::string> options;
        for (const OptionUse &use : Table)
            // The template parameters among them come with the template chosen.
            if (TakesOption(command, use.name) && !IsTemplateParameter(use.name))
                options.push_back(Dashed(use.name));
        commandCases += "        " + command + ") options=\"" + Joined(options) + "\" ;;\n";
    }
    // The options that take a value the script does not complete: numbers, columns, the series.
    const std::string completed =
        " --machine --format --type --mode --rate --time-unit --angle-unit --series "
        "--template -o --log --mat --from --aux --ay-unit --csv --program-file --amplitude-from --vehicle "
        "--run-list ";
    for (const std::string &name : KnownOptions()) {
        const auto use = std::find_if(std::begin(Table), std::end(Table),
                                      [&](const OptionUse &u) { return u.name == name; });
        const bool takesValue = use == std::end(Table) || *use->value;
        if (takesValue && completed.find(" " + Dashed(name) + " ") == std::string::npos)
            valued += (valued.empty() ? "" : "|") + Dashed(name);
    }
    std::string script = CompletionScript;
    Fill(script, "@TEMPLATE_CASES@", templateCases);
    Fill(script, "@TEMPLATES@", Joined(templates));
    Fill(script, "@COMMANDS@", Joined(CommandNames()));
    Fill(script, "@VALUED@", valued);
    Fill(script, "@COMMAND_CASES@", commandCases);
    return script;
}
