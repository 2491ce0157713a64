// quillard-cli: the bash completion, made from the table of the commands.
#include "cli/commands.h"

#include <algorithm>

namespace {

std::string Joined(const std::vector<std::string> &words, const char *separator = " ") {
    std::string text;
    for (const std::string &word : words) text += (text.empty() ? "" : separator) + word;
    return text;
}

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
    # The command's options, and what the option before the word takes: its words, a file, a template
    # (named in any letter case), or nothing to offer (a number, a column).
    local options forms values chosen word
    case $command in
@COMMAND_CASES@    esac
    case $values in
        "") ;;
        :file) COMPREPLY=($(compgen -f -- "$cur")); return ;;
        :template) COMPREPLY=($(compgen -W "$templates" -- "${cur,,}")); return ;;
        :none) return ;;
        *) COMPREPLY=($(compgen -W "$values" -- "$cur")); return ;;
    esac
    # The parameters of the template named after the command (template) or after --template (put).
    [[ $command == template ]] && chosen=${COMP_WORDS[2]}
    for ((word = 2; word < COMP_CWORD; word++)); do
        [[ ${COMP_WORDS[word]} == --template ]] && chosen=${COMP_WORDS[word+1]}
    done
    [[ -n $chosen ]] && options="$options $(_quillard_cli_parameters "$chosen")"
    if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W "$options --help" -- "$cur"))
    elif [[ -n $forms && $COMP_CWORD -eq 2 ]]; then
        COMPREPLY=($(compgen -W "$forms" -- "$cur"))
    elif [[ $command == template && $COMP_CWORD -eq 2 ]]; then
        COMPREPLY=($(compgen -W "$templates --list" -- "${cur,,}"))
    else
        COMPREPLY=($(compgen -f -- "$cur"))
    fi
}
complete -o filenames -F _quillard_cli quillard-cli
)sh";

void Fill(std::string &script, const std::string &name, const std::string &words) {
    script.replace(script.find(name), name.size(), words);
}

// What the completion offers after the option: its words, :file, :template or :none.
std::string Offered(const Option &option) {
    std::vector<std::string> words;
    for (const Word &word : option.words) words.push_back(word.word);
    if (!words.empty()) return "\"" + Joined(words) + "\"";
    if (option.kind == Kind::File) return ":file";
    if (option.kind == Kind::Template) return ":template";
    return ":none";
}

// The options of each form of the command (evaluate sis|swd|campaign), chosen by the word after it.
std::string FormCases(const Command &command) {
    std::vector<std::string> forms;
    std::string text = "            case ${COMP_WORDS[2]} in\n";
    for (const Word &form : command.forms) {
        forms.push_back(form.word);
        std::vector<std::string> options;
        for (const Option &option : command.options)
            if (option.kind != Kind::Parameter && option.TakenBy(form.word))
                options.push_back(Dashed(option.name));
        text += "                " + form.word + ") options=\"" + Joined(options) + "\" ;;\n";
    }
    return "            forms=\"" + Joined(forms) + "\"\n" + text + "            esac\n";
}

// The case of one command: its options, and what each option that takes a value offers.
std::string CommandCase(const Command &command) {
    std::vector<std::string> options;
    std::vector<std::pair<std::string, std::vector<std::string>>> offers; // what, and the options offering it
    auto offer = [&](const std::string &what, const std::string &name) {
        auto same =
            std::find_if(offers.begin(), offers.end(), [&](const auto &o) { return o.first == what; });
        if (same == offers.end()) same = offers.insert(offers.end(), {what, {}});
        same->second.push_back(Dashed(name));
    };
    for (const Option &option : command.options) {
        // The template parameters come with the template chosen.
        if (option.kind != Kind::Parameter) options.push_back(Dashed(option.name));
        if (option.TakesValue()) offer(Offered(option), option.name);
    }
    if (command.templateParameters)
        for (const std::string &name : TemplateParameterNames())
            if (!FindOption(command, name)) offer(":none", name);
    std::string text = "        " + command.name + ")\n            options=\"" + Joined(options) + "\"\n" +
                       (command.forms.empty() ? "" : FormCases(command)) + "            case $prev in\n";
    for (const auto &[what, names] : offers)
        text += "                " + Joined(names, "|") + ") values=" + what + " ;;\n";
    return text + "            esac ;;\n";
}

} // namespace

std::string BashCompletionScript() {
    std::vector<std::string> templates, commands;
    std::string templateCases, commandCases;
    for (const ManoeuvreTemplate &t : ManoeuvreTemplates()) {
        templates.push_back(t.name);
        std::vector<std::string> parameters;
        for (const TemplateParameter &p : t.parameters) parameters.push_back("--" + p.name);
        templateCases += "        " + t.name + ") echo \"" + Joined(parameters) + "\" ;;\n";
    }
    for (const Command &command : Commands()) {
        commands.push_back(command.name);
        commandCases += CommandCase(command);
    }
    std::string script = CompletionScript;
    Fill(script, "@TEMPLATE_CASES@", templateCases);
    Fill(script, "@TEMPLATES@", Joined(templates));
    Fill(script, "@COMMANDS@", Joined(commands));
    Fill(script, "@COMMAND_CASES@", commandCases);
    return script;
}
