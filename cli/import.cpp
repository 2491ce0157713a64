// quillard-cli import: the lines an import would hand to the current program, printed or written as a
// program text.
#include "cli/cli.h"
#include "romfiles/exporters.h"
#include "romfiles/fileio.h"
#include "romfiles/importers.h"

namespace {
ImportFileType TypeOf(const std::string &type) {
    if (type == "text") return ImportFileType::Text;
    if (type == "tv") return ImportFileType::TimeValue;
    if (type == "rom") return ImportFileType::ProgramSetFile;
    return ImportFileType::Eprom;
}
} // namespace

int RunImport(const CliOptions &options) {
    const std::string &file = InputFile(options);
    ImportOptions import;
    import.mode = options.insert ? ImportMode::Insert : ImportMode::Replace;
    import.rate = options.rate;
    import.program = options.program;
    import.maxSteer = options.maxSteer;
    const ProgramText lines =
        ReadingInput(file, [&] { return ImportLines(TypeOf(options.type), file, import); });
    if (options.output.empty()) {
        PrintLines(stdout, lines);
        return 0;
    }
    // As the window saves a program: a program text the window and every command read.
    CheckOutput(options, options.output, false);
    ExportText(options.output, lines);
    return 0;
}
