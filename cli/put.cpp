// quillard-cli put: one program of a set replaced by a program text, a template or a program of another
// set, the other 15 kept byte for byte.
#include "cli/cli.h"
#include "romfiles/fileio.h"
#include "romfiles/programset.h"

#include <optional>

namespace {

// The program that goes into the set.
ProgramText NewProgram(const CliOptions &options) {
    if (!options.templateName.empty()) return TemplateProgram(options.templateName, options.templateValues);
    const std::string &file = options.fromSet.empty() ? options.files[1] : options.fromSet;
    return ReadingInput(file, [&] {
        if (!options.fromSet.empty())
            return ReadSetFile(file)[static_cast<std::size_t>(options.sourceProgram)];
        ProgramText lines = ReadFileLines(file, ProgramFileLimit);
        for (std::size_t i = 0; i < lines.size(); ++i)
            if (IsProgramMarker(lines[i]))
                throw InputError(file, "line " + std::to_string(i + 1) +
                                           " starts with $$~PROG and would start another program of the set");
        return lines;
    });
}

} // namespace

int RunPut(const CliOptions &options) {
    const std::string &setPath = options.files[0];
    if (options.files.size() == 2) CheckOutputIsNoInput(setPath, {options.files[1]});
    const ProgramText program = NewProgram(options);
    // Read, replaced and written under the set's lock, so that two puts into one set both land.
    UpdateFileAtomically(setPath, ProgramFileLimit, [&](const std::optional<std::string> &bytes) {
        // A set that does not exist yet is a set of default programs.
        try {
            return ReplaceProgramBytes(bytes ? *bytes : ProgramSetBytes(DefaultProgramSet()), options.program,
                                       program);
        } catch (const FormatError &e) {
            throw InputError(setPath, e.what());
        }
    });
    return 0;
}
