// quillard-cli: input reading, compile options and output helpers shared by the commands.
#include "cli/cli.h"

#include "romfiles/defaults.h"
#include "romfiles/fileio.h"
#include "romfiles/programset.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <utility>

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
        if (IsSetFileName(file))
            return std::move(ReadProgramSet(file)[static_cast<std::size_t>(options.program)]);
        return ReadFileLines(file, ProgramFileLimit);
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

void CheckOutput(const CliOptions &options, const std::string &output, bool compiles) {
    std::vector<std::string> inputs = options.files;
    if (!options.log.empty()) inputs.push_back(options.log);
    if (compiles && !options.corvan3Only && DefaultsFileExists(".")) inputs.push_back(DefaultsFileName);
    try {
        CheckOutputIsNoInput(output, inputs);
    } catch (const FileError &e) {
        throw InputError(output, e.reason());
    }
}

namespace {
[[noreturn]] void StandardOutputFailed(int error) {
    throw InputError("standard output", std::strerror(error));
}
} // namespace

void WriteOut(std::string_view text) {
    errno = 0;
    if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size())
        StandardOutputFailed(errno ? errno : EIO);
}

void FinishStandardOutput() {
    errno = 0;
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) StandardOutputFailed(errno ? errno : EIO);
    if (std::fclose(stdout) != 0) StandardOutputFailed(errno);
}

void PrintLines(std::FILE *stream, const std::vector<std::string> &lines) {
    for (const auto &line : lines) {
        if (stream == stdout) {
            WriteOut(line);
            WriteOut("\n");
            continue;
        }
        std::fwrite(line.data(), 1, line.size(), stream);
        std::fputc('\n', stream);
    }
}
