// quillard-cli diff: two sets, or two programs, compared by text and by compiled steps.
#include "cli/cli.h"
#include "cli/json.h"
#include "compiler/format.h"
#include "romfiles/fileio.h"
#include "romfiles/setdiff.h"

#include <algorithm>
#include <cstdio>

namespace {

// One program of each file, or every program when both are sets and no --program was given.
struct DiffInput {
    std::vector<int> programs;
    std::vector<ProgramText> a, b; // in the order of programs
};

// The programs of FILE that the comparison takes: the set's, or the text file's one program for each.
std::vector<ProgramText> ReadSide(const std::string &file, const std::vector<int> &programs) {
    return ReadingInput(file, [&] {
        if (!IsSetFileName(file))
            return std::vector<ProgramText>(programs.size(), SplitLines(ReadFileBytes(file)));
        const ProgramSet set = ReadSetFile(file);
        std::vector<ProgramText> texts;
        for (int k : programs) texts.push_back(set[static_cast<std::size_t>(k)]);
        return texts;
    });
}

DiffInput ReadInput(const CliOptions &options) {
    DiffInput input;
    const std::string &a = options.files[0], &b = options.files[1];
    if (options.programGiven || !IsSetFileName(a) || !IsSetFileName(b))
        input.programs = {options.program};
    else
        for (int k = 0; k < ProgramCount; ++k) input.programs.push_back(k);
    input.a = ReadSide(a, input.programs);
    input.b = ReadSide(b, input.programs);
    return input;
}

std::string Signed(double value, int decimals) {
    std::string text = Fixed(value, decimals);
    return text[0] == '-' ? text : "+" + text;
}

// Notices raised in one version and not in the other, each after the name of the version raising it.
std::vector<std::string> NoticeChanges(const ProgramDifference &d, const CliOptions &options) {
    std::vector<std::string> lines;
    auto onlyIn = [&](const CompiledVersion &v, const CompiledVersion &other, const std::string &file) {
        for (const std::string &notice : v.notices)
            if (std::find(other.notices.begin(), other.notices.end(), notice) == other.notices.end())
                lines.push_back("  notice in " + file + " only: " + notice);
    };
    if (d.a.compiled && d.b.compiled) {
        onlyIn(d.a, d.b, options.files[0]);
        onlyIn(d.b, d.a, options.files[1]);
    }
    return lines;
}

std::vector<std::string> ReportLines(int program, const ProgramDifference &d, const DiffInput &input,
                                     std::size_t index, const CliOptions &options) {
    const std::string &fileA = options.files[0], &fileB = options.files[1];
    std::vector<std::string> lines;
    std::string head = "Program " + std::to_string(program) + ": ";
    if (!d.a.compiled || !d.b.compiled) {
        const std::string where = d.a.compiled   ? "does not compile in " + fileB
                                  : d.b.compiled ? "does not compile in " + fileA
                                                 : "compiles in neither " + fileA + " nor " + fileB;
        lines.push_back(head + (d.textDiffers ? "text differs; " : "") + where);
        // The same text fails the same way: its messages once.
        for (const auto &[version, file] : {std::pair{&d.a, &fileA}, std::pair{&d.b, &fileB}})
            if (version == &d.a || d.textDiffers)
                for (const std::string &message : version->messages)
                    if (!message.empty()) lines.push_back("  " + *file + ": " + message);
    } else if (d.StepsIdentical()) {
        lines.push_back(head + (d.textDiffers ? "text differs, steps identical" : "identical"));
    } else {
        const StepDifference &s = *d.steps;
        lines.push_back(head + (d.textDiffers ? "text and steps differ" : "steps differ"));
        std::string fields;
        for (const std::string &field : s.fields) fields += (fields.empty() ? "" : ", ") + field;
        lines.push_back("  first difference at step " + std::to_string(s.firstStep) + " (" +
                        Fixed(s.firstTime, 4) + " s): " + fields);
        lines.push_back("  largest steer difference " + Fixed(s.maxSteerDifference, 3) + " deg at " +
                        Fixed(s.maxSteerTime, 4) + " s (" + Fixed(s.steerA, 3) + " deg in " + fileA + ", " +
                        Fixed(s.steerB, 3) + " deg in " + fileB + ")");
        const float durationA = d.a.summary.duration, durationB = d.b.summary.duration;
        lines.push_back(s.durationChange == 0
                            ? "  duration " + Fixed(durationA, 4) + " s in both"
                            : "  duration " + Fixed(durationA, 4) + " s -> " + Fixed(durationB, 4) + " s (" +
                                  Signed(s.durationChange, 4) + " s)");
        const std::vector<std::string> notices = NoticeChanges(d, options);
        lines.insert(lines.end(), notices.begin(), notices.end());
    }
    if (options.text && d.textDiffers) {
        const std::string suffix = IsSetFileName(fileA) || IsSetFileName(fileB)
                                       ? " program " + std::to_string(program)
                                       : std::string();
        lines.push_back("--- " + fileA + suffix);
        lines.push_back("+++ " + fileB + suffix);
        const std::vector<std::string> hunks = UnifiedDiff(input.a[index], input.b[index]);
        lines.insert(lines.end(), hunks.begin(), hunks.end());
    }
    return lines;
}

Json VersionJson(const CompiledVersion &v) {
    if (!v.compiled) return {{"compiled", false}, {"messages", Latin1Lines(v.messages)}};
    return {{"compiled", true},
            {"duration_s", Time(v.summary.duration)},
            {"end_index", v.summary.stepsUsed},
            {"ends_with", v.summary.repeats ? "REPEATPROGRAM" : "END"},
            {"notices", Latin1Lines(v.notices)}};
}

Json ProgramJson(int program, const ProgramDifference &d, const DiffInput &input, std::size_t index,
                 const CliOptions &options) {
    Json steps = nullptr;
    if (d.steps) {
        const StepDifference &s = *d.steps;
        steps = {{"identical", s.identical},
                 {"first_step", s.identical ? Json(nullptr) : Json(s.firstStep)},
                 {"first_time_s", s.identical ? Json(nullptr) : Time(s.firstTime)},
                 {"fields", s.fields},
                 {"max_steer_diff_deg", Figure(s.maxSteerDifference)},
                 {"at_time_s", Time(s.maxSteerTime)},
                 {"steer_a_deg", Figure(s.steerA)},
                 {"steer_b_deg", Figure(s.steerB)},
                 {"duration_change_s", Time(s.durationChange)}};
    }
    Json document{{"program", program},
                  {"text_differs", d.textDiffers},
                  {"a", VersionJson(d.a)},
                  {"b", VersionJson(d.b)},
                  {"steps", steps}};
    if (options.text) document["text_diff"] = Latin1Lines(UnifiedDiff(input.a[index], input.b[index]));
    return document;
}

// What --strict fails on: the notices and warnings of both versions, which it writes to stderr.
void NoteFindings(const CliOptions &options, const ProgramDifference &d, int program) {
    for (const auto &[version, file] :
         {std::pair{&d.a, &options.files[0]}, std::pair{&d.b, &options.files[1]}}) {
        for (const std::string &notice : version->notices) Findings().notices.push_back({program, notice});
        Findings().warnings += static_cast<int>(version->warnings.size());
        if (!options.strict) continue;
        for (const auto *lines : {&version->notices, &version->warnings})
            for (const std::string &line : *lines)
                std::fprintf(stderr, "Program %d in %s: %s\n", program, file->c_str(), line.c_str());
    }
}

} // namespace

int RunDiff(const CliOptions &options) {
    const DiffInput input = ReadInput(options);
    const CompileOptions compile = MakeCompileOptions(options);
    int identical = 0, differing = 0, failing = 0;
    std::vector<std::string> lines;
    Json programs = Json::array();
    CompilerState state;
    for (std::size_t i = 0; i < input.programs.size(); ++i) {
        const ProgramDifference d = DiffPrograms(state, input.a[i], input.b[i], compile);
        NoteFindings(options, d, input.programs[i]);
        if (!d.a.compiled || !d.b.compiled)
            ++failing;
        else if (d.StepsIdentical())
            ++identical;
        else
            ++differing;
        if (options.json)
            programs.push_back(ProgramJson(input.programs[i], d, input, i, options));
        else
            for (std::string &line : ReportLines(input.programs[i], d, input, i, options))
                lines.push_back(std::move(line));
    }
    const int total = static_cast<int>(input.programs.size());
    if (options.json) {
        Json document{{"file_a", FileName(options.files[0])},
                      {"file_b", FileName(options.files[1])},
                      {"identical", identical == total},
                      {"programs", programs}};
        PrintJson(document);
    } else {
        if (total > 1)
            lines.push_back("Compiled steps: " + std::to_string(identical) + " identical, " +
                            std::to_string(differing) + " different, " + std::to_string(failing) +
                            " not compiled (" + std::to_string(total) + " programs).");
        PrintLines(stdout, lines);
    }
    return identical == total ? 0 : 1;
}
