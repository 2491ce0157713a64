// quillard-cli: shared pieces of the commands.
#pragma once

#include "compiler/state.h"
#include "romfiles/templates.h"

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

// Bad usage: exit 2 with "quillard-cli: reason".
struct UsageError : std::runtime_error {
    using std::runtime_error::runtime_error;
};
// Unreadable input or unwritable output: exit 2 with "quillard-cli: FILE: reason".
struct InputError : std::runtime_error {
    InputError(const std::string &file, const std::string &reason)
        : std::runtime_error(file.empty() ? reason : file + ": " + reason) {}
};

struct CliOptions {
    std::string command;
    std::vector<std::string> files; // positional arguments after the command
    int program = 0;
    std::optional<bool> corvan3Only; // --machine
    std::string output;              // -o
    std::string format;              // export: text | tv
    std::string type;                // import: text | tv | rom | bin
    int rate = 256;
    int maxSteer = 200;
    bool insert = false;
    int width = 1200, height = 400;
    std::vector<int> auxBits;
    float maxRate = 0;    // --max-rate: steer-rate limit, deg/s (0: off)
    bool summary = false; // check --summary
    bool report = false;  // build --report
    bool hex = false;     // build --hex
    bool srec = false;    // build --srec
    // template
    std::string templateName;
    TemplateValues templateValues;
    bool listTemplates = false;
    std::optional<std::array<double, 3>> series; // from, to, step (deg)
};

// The one input FILE of a command.
const std::string &InputFile(const CliOptions &options);

// The lines of the program named by FILE (a program text, or one program of a ".rom" set).
std::vector<std::string> ReadProgram(const CliOptions &options);

// Compile options: the machine version from --machine, else quildf.txt in the current directory,
// else Corvan 3 only; the steer-rate limit of --max-rate; notices go to stderr as they are raised.
CompileOptions MakeCompileOptions(const CliOptions &options);

void PrintLines(std::FILE *stream, const std::vector<std::string> &lines);

int RunCheck(const CliOptions &options);
int RunSteps(const CliOptions &options);
int RunBuild(const CliOptions &options);
int RunExport(const CliOptions &options);
int RunImport(const CliOptions &options);
int RunPlot(const CliOptions &options);
int RunTemplate(const CliOptions &options);
