// quillard-cli: input reading, compile options and output helpers shared by the commands.
#include "cli/cli.h"

#include "romfiles/defaults.h"
#include "romfiles/fileio.h"
#include "romfiles/programset.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>

bool IsSetFileName(const std::string &path) {
    if (path.size() < 4) return false;
    std::string ext = path.substr(path.size() - 4);
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
    return ext == ".rom";
}

const std::string &InputFile(const CliOptions &options) { return options.files.front(); }

std::vector<std::string> ReadProgram(const CliOptions &options) {
    const std::string &file = InputFile(options);
    try {
        if (IsSetFileName(file)) return ReadProgramSet(file)[static_cast<std::size_t>(options.program)];
        return SplitLines(ReadFileBytes(file));
    } catch (const FileError &e) {
        throw InputError(file, e.reason());
    } catch (const FormatError &e) {
        throw InputError(file, e.what());
    }
}

CompileOptions MakeCompileOptions(const CliOptions &options) {
    CompileOptions compile;
    if (options.corvan3Only) {
        compile.corvan3Only = *options.corvan3Only;
    } else if (DefaultsFileExists(".")) {
        try {
            compile.corvan3Only = ReadDefaults(".").corvan3Only;
        } catch (const FileError &e) {
            throw InputError(DefaultsFileName, e.reason());
        }
    }
    compile.steerRateLimit = options.maxRate;
    compile.notice = [](const std::string &text) {
        std::fprintf(stderr, "%s\n", text.c_str());
        std::fflush(stderr);
    };
    return compile;
}

void PrintLines(std::FILE *stream, const std::vector<std::string> &lines) {
    for (const auto &line : lines) {
        std::fwrite(line.data(), 1, line.size(), stream);
        std::fputc('\n', stream);
    }
}

void RefuseInputAsOutput(const std::string &output, const std::vector<std::string> &inputs) {
    for (const std::string &input : inputs) {
        std::error_code error;
        if (output == input || std::filesystem::equivalent(output, input, error))
            throw UsageError("the output " + output + " is an input of the command");
    }
}
