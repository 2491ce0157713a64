// quillard-cli template: the program text of a manoeuvre template, the list of templates, and the sets
// of a template over a series of amplitudes.
#include "cli/cli.h"
#include "cli/json.h"
#include "compiler/format.h"
#include "romfiles/fileio.h"
#include "romfiles/programset.h"

#include <cstdio>
#include <filesystem>

namespace {

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

Json TemplateListJson() {
    Json templates = Json::array();
    for (const ManoeuvreTemplate &t : ManoeuvreTemplates()) {
        Json parameters = Json::array();
        for (const TemplateParameter &p : t.parameters) {
            const TemplateRange &r = p.range;
            parameters.push_back({{"name", p.name},
                                  {"unit", p.unit},
                                  {"default", p.defaultValue},
                                  {"description", p.description},
                                  {"range", RangeText(p)},
                                  {"low", r.low},
                                  {"low_included", r.lowIncluded},
                                  {"high", r.high},
                                  {"whole", r.whole}});
        }
        templates.push_back({{"name", t.name},
                             {"title", t.title},
                             {"description", t.description},
                             {"parameters", parameters}});
    }
    return {{"templates", templates}};
}

// The names of the sets of a series: OUT itself for one set, else OUT-1.rom, OUT-2.rom, ...
std::vector<std::string> SetNames(const std::string &output, std::size_t sets) {
    if (sets == 1) return {output};
    std::vector<std::string> names;
    const std::string stem = output.substr(0, output.size() - 4),
                      extension = output.substr(output.size() - 4);
    for (std::size_t k = 1; k <= sets; ++k) names.push_back(stem + "-" + std::to_string(k) + extension);
    return names;
}

// Sets of an earlier series under OUT that this one did not write: OUT itself beside OUT-1.rom, ...,
// or OUT-k.rom beside OUT, or past the last set written. They are left as they are, and named.
std::vector<std::string> LeftOver(const std::string &output, const std::vector<std::string> &written) {
    std::vector<std::string> left;
    auto exists = [](const std::string &path) {
        std::error_code ignored;
        return std::filesystem::exists(std::filesystem::symlink_status(path, ignored));
    };
    if (written.size() > 1 && exists(output)) left.push_back(output);
    const std::string stem = output.substr(0, output.size() - 4),
                      extension = output.substr(output.size() - 4);
    for (std::size_t k = written.size() > 1 ? written.size() + 1 : 1;; ++k) {
        const std::string name = stem + "-" + std::to_string(k) + extension;
        if (!exists(name)) break;
        left.push_back(name);
    }
    return left;
}

int WriteSeries(const CliOptions &options) {
    TemplateValues values = options.templateValues;
    std::vector<double> amplitudes;
    std::string note;
    double a = 0; // of the standard series
    if (options.standardSeries) {
        // The standard runs go up to 300 deg: the steer limit is that unless it is given lower.
        a = values.at("amplitude");
        values.erase("amplitude");
        if (!values.count("maxsteer")) values["maxsteer"] = StandardSeriesCap;
        amplitudes = StandardSeries(a, values["maxsteer"]);
        note = StandardSeriesNote(a);
    } else {
        const auto &[from, to, step] = *options.series;
        amplitudes = AmplitudeSeries(from, to, step);
    }
    const std::vector<ProgramSet> sets =
        SeriesSets(TemplateRuns(options.templateName, values, amplitudes, note));
    const std::vector<std::string> names = SetNames(options.output, sets.size());
    if (sets.size() == 1) {
        WriteProgramSet(options.output, sets.front());
    } else {
        // All the sets of the series or none.
        std::vector<FileContent> files;
        for (std::size_t k = 0; k < sets.size(); ++k) files.push_back({names[k], ProgramSetBytes(sets[k])});
        ReplaceFileGroup(names.front(), files);
    }

    // The run list, when the amplitudes come from a rule or the runs take several sets.
    Json runs = Json::array();
    std::vector<std::string> lines;
    for (std::size_t k = 0; k < amplitudes.size(); ++k) {
        const std::string &set = names[k / ProgramCount];
        const int program = static_cast<int>(k % ProgramCount);
        runs.push_back({{"run", k + 1},
                        {"set", FileName(set)},
                        {"program", program},
                        {"amplitude_deg", Figure(static_cast<float>(amplitudes[k]))}});
        lines.push_back(Format("Run %2zu of %zu: %s program %2d, amplitude %s deg", k + 1, amplitudes.size(),
                               PrintableText(set).c_str(), program,
                               ShortestFixed(static_cast<float>(amplitudes[k])).c_str()));
    }
    const std::vector<std::string> left = LeftOver(options.output, names);
    if (options.json) {
        Json files = Json::array(), old = Json::array();
        for (const std::string &name : names) files.push_back(FileName(name));
        for (const std::string &name : left) old.push_back(FileName(name));
        Json document{{"template", options.templateName}, {"sets", files}, {"left_over", old}};
        if (options.standardSeries) document["a_deg"] = Figure(static_cast<float>(a));
        document["runs"] = runs;
        PrintJson(document);
    } else if (options.standardSeries || sets.size() > 1) {
        PrintLines(stdout, lines);
    }
    if (!left.empty()) {
        std::string list;
        for (const std::string &name : left) list += (list.empty() ? "" : ", ") + PrintableText(name);
        std::fflush(stdout);
        std::fprintf(stderr, "Not written by this series and left as they were: %s\n", list.c_str());
    }
    return 0;
}

} // namespace

int RunTemplate(const CliOptions &options) {
    if (options.listTemplates) {
        if (options.json)
            PrintJson(TemplateListJson());
        else
            PrintTemplateList();
        return 0;
    }
    if (!options.series && !options.standardSeries) {
        PrintLines(stdout, TemplateProgram(options.templateName, options.templateValues));
        return 0;
    }
    return WriteSeries(options);
}
