// quillard-cli import: the lines an import would hand to the current program.
#include "cli/cli.h"
#include "files/fileio.h"
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
    PrintLines(stdout, ReadingInput(file, [&] { return ImportLines(TypeOf(options.type), file, import); }));
    return 0;
}
