// quillard-cli: input reading, compile options and output helpers shared by the commands.
#include "cli/cli.h"

#include "compiler/format.h"
#include "compiler/parse.h"
#include "files/fileio.h"
#include "romfiles/defaults.h"
#include "romfiles/programset.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

bool IsSetFileName(const std::string &path) {
    if (path.size() < 4) return false;
    std::string ext = path.substr(path.size() - 4);
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
    return ext == ".rom";
}

const std::string &InputFile(const CliOptions &options) { return options.files.front(); }

ProgramSet ReadSetFile(const std::string &file) {
    std::string notice;
    ProgramSet set = ReadingInput(file, [&] { return ReadProgramSet(file, &notice); });
    NoteSetNotice(notice);
    return set;
}

void NoteSetNotice(const std::string &notice) {
    if (notice.empty()) return;
    std::fprintf(stderr, "%s\n", notice.c_str());
    std::fflush(stderr);
    Findings().notices.push_back({-1, notice});
}

std::vector<std::string> ReadProgram(const CliOptions &options) {
    const std::string &file = InputFile(options);
    if (IsSetFileName(file)) return std::move(ReadSetFile(file)[static_cast<std::size_t>(options.program)]);
    return ReadingInput(file, [&] {
        std::vector<std::string> lines = ReadFileLines(file, ProgramFileLimit);
        // A set under another name would compile as its first program, the rest after its end unread.
        if (std::any_of(lines.begin(), lines.end(), [](const std::string &l) { return IsProgramMarker(l); }))
            throw InputError(file,
                             "holds program-set markers ($$~PROG); a set is read from a name ending in .rom");
        return lines;
    });
}

CompileOptions MakeCompileOptions(const CliOptions &options, bool namePrograms) {
    CompileOptions compile;
    if (options.corvan3Only) {
        compile.corvan3Only = *options.corvan3Only;
    } else if (DefaultsFileExists("")) {
        compile.corvan3Only = ReadDefaults("").corvan3Only; // its failures name it quildf.txt
    }
    compile.steerRateLimit = options.maxRate;
    compile.notice = [namePrograms](const std::string &text) {
        if (namePrograms) std::fprintf(stderr, "Program #%d: ", Findings().program);
        std::fprintf(stderr, "%s\n", text.c_str());
        std::fflush(stderr);
        Findings().notices.push_back({Findings().program, text});
    };
    return compile;
}

CompileFindings &Findings() {
    static CompileFindings findings;
    return findings;
}

void NoteWarnings(const CliOptions &options, const CompilerState &state, const std::string &label,
                  bool messagesPrinted) {
    Findings().warnings += state.WarningCount;
    if (!options.strict || messagesPrinted) return;
    for (const CompileMessage &message : state.messages)
        if (SeverityOf(message.code) == Severity::Warning)
            std::fprintf(stderr, "%s%s\n", label.c_str(), MessageLine(message).c_str());
}

bool StrictKeepsFrom(const CliOptions &options, const std::string &output) {
    if (!options.strict || !Findings().Any()) return false;
    std::fflush(stdout);
    std::fprintf(stderr, "%s was not written: --strict found a warning or notice.\n",
                 PrintableText(output).c_str());
    return true;
}

namespace {

// The parameter id of the language that stands for a unit; 0 for none.
char UnitId(const std::string &unit) {
    if (unit == "deg" || unit == "deg/s") return 'D';
    if (unit == "s") return 'S';
    if (unit == "Hz") return 'H';
    if (unit == "cycles") return 'C';
    if (unit == "flag") return 'B';
    return 0;
}

// How the unit is written after an example number.
std::string UnitSuffix(const std::string &unit) {
    if (unit == "s") return "sec";
    if (unit == "Hz") return "hz";
    if (unit == "flag") return "bit";
    return unit;
}

} // namespace

std::optional<double> ReadQuantity(const std::string &text, const std::string &unit) {
    if (text.empty() || text.size() > LineCharactersRead) return std::nullopt;
    // Read as the parser reads a parameter: blanks dropped, letters in upper case, the number up to its
    // last digit, point or minus, and the first character after it naming the unit.
    const std::string normal = NormaliseLine(text);
    const ScannedParameter scanned = ScanParameter(normal, {0, normal.size()});
    const std::string number(scanned.number.Of(normal));
    if (number.empty() || !IsRealSyntax(number)) return std::nullopt;
    const std::string_view rest = std::string_view(normal).substr(scanned.number.end);
    if (!rest.empty() && (rest.front() != UnitId(unit) || rest.ends_with("/S") != (unit == "deg/s")))
        return std::nullopt;
    std::string_view digits = number;
    if (digits.front() == '+') digits.remove_prefix(1); // ReadDecimal takes no plus sign
    double value = 0;
    const auto result = ReadDecimal(digits.data(), digits.data() + digits.size(), value);
    if (result.ec != std::errc() || result.ptr != digits.data() + digits.size() || !std::isfinite(value))
        return std::nullopt;
    return value;
}

std::string ExpectedQuantity(const std::string &unit, double example) {
    char number[32];
    std::snprintf(number, sizeof number, "%g", example);
    if (UnitId(unit) == 0) return std::string("a number, for example ") + number;
    return "a number of " + unit + ", for example " + number + " or " + number + UnitSuffix(unit);
}

namespace {

// True when the name, through its links, is descriptor 1 of this process (/dev/stdout, /dev/fd/1,
// /proc/self/fd/1): the link there leads to whatever standard output is, /dev/null included.
bool NamesStandardOutput(std::string path) {
    const std::string own = "/proc/" + std::to_string(::getpid()) + "/";
    for (int hops = 0; hops < 40; ++hops) {
        char folder[PATH_MAX];
        if (FileNameOf(path) == "1" && ::realpath(FolderOf(path).c_str(), folder)) {
            const std::string resolved = folder; // /proc/PID/fd or /proc/PID/task/TID/fd
            if (resolved.starts_with(own) && resolved.ends_with("/fd")) return true;
        }
        struct stat info;
        if (::lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return false;
        std::string link(PATH_MAX, '\0');
        const ssize_t n = ::readlink(path.c_str(), link.data(), link.size());
        if (n <= 0) return false;
        link.resize(static_cast<std::size_t>(n));
        path = link.front() == '/' ? link : FolderOf(path) + "/" + link;
    }
    return false;
}

} // namespace

void CheckOutput(const CliOptions &options, const std::string &output, bool compiles) {
    // A standard output that was closed holds a read-only stand-in (ReserveStandardDescriptors), which
    // a file opened by name would write into, losing the output.
    if (NamesStandardOutput(output)) {
        const int flags = ::fcntl(STDOUT_FILENO, F_GETFL);
        if (flags < 0 || (flags & O_ACCMODE) == O_RDONLY)
            throw InputError("standard output", std::strerror(EBADF));
    }
    std::vector<std::string> inputs = options.files;
    if (!options.log.empty()) inputs.push_back(options.log);
    if (compiles && !options.corvan3Only && DefaultsFileExists(".")) inputs.push_back(DefaultsFileName);
    CheckOutputIsNoInput(output, inputs);
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
