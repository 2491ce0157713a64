// quillard-cli template: the program text of a manoeuvre template, the list of templates, and a
// program set of a template over a series of amplitudes.
#include "cli/cli.h"
#include "romfiles/fileio.h"
#include "romfiles/programset.h"

#include <cstdio>

namespace {

std::string Format(const char *format, auto... values) {
    char text[512];
    std::snprintf(text, sizeof text, format, values...);
    return text;
}

void PrintTemplateList() {
    bool first = true;
    for (const ManoeuvreTemplate &t : ManoeuvreTemplates()) {
        if (!first) WriteOut("\n");
        first = false;
        WriteOut(t.name + ": " + t.title + "\n  " + t.description + "\n");
        WriteOut(Format("  %-19s %-7s %-8s %s\n", "parameter", "unit", "default", "description"));
        for (const TemplateParameter &p : t.parameters)
            WriteOut(Format("  --%-17s %-7s %-8g ", p.name.c_str(), p.unit.c_str(), p.defaultValue) +
                     p.description + "\n");
    }
}

} // namespace

int RunTemplate(const CliOptions &options) {
    if (options.listTemplates) {
        PrintTemplateList();
        return 0;
    }
    if (!options.series) {
        PrintLines(stdout, TemplateProgram(options.templateName, options.templateValues));
        return 0;
    }
    const auto &[from, to, step] = *options.series;
    ProgramSet set =
        TemplateSeries(options.templateName, options.templateValues, AmplitudeSeries(from, to, step));
    try {
        WriteProgramSet(options.output, set);
    } catch (const FileError &e) {
        throw InputError(options.output, e.reason());
    }
    return 0;
}
