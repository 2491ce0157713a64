// The Build command's core: all 16 programs compiled into the EPROM (.bin) and aux (.aux) files.
#include "romfiles/build.h"

#include "compiler/compile.h"
#include "romfiles/fileio.h"
#include "romfiles/image.h"

#include <cerrno>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

bool BuildProgram(CompilerState &state, const std::vector<std::string> &lines, const CompileOptions &options,
                  ProgramImages &images) {
    if (!CompileProgram(state, lines, options)) return false;
    EncodeMainImage(state.steps, state.MaxSteer, images.main.data());
    EncodeAuxImage(state.steps, images.aux.data());
    return true;
}

std::string AuxPathFor(const std::string &binPath) {
    std::size_t slash = binPath.rfind('/');
    std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    std::size_t dot = binPath.rfind('.');
    if (dot == std::string::npos || dot < nameStart) return binPath + ".aux";
    return binPath.substr(0, dot) + ".aux";
}

namespace {

// The images of the programs compiled so far, program 0 first.
struct Images {
    std::string main;
    std::string aux;
};

void AppendImages(Images &images, const ProgramImages &program) {
    for (std::uint16_t word : program.main) {
        images.main += static_cast<char>(word & 0xFF); // low byte first
        images.main += static_cast<char>(word >> 8);
    }
    images.aux.append(reinterpret_cast<const char *>(program.aux.data()), AuxImageBytes);
}

bool IsRegularFile(const std::string &path) {
    struct stat info;
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

// Puts the EPROM file back as it was before the build replaced it: its old content, or no file when
// the build created it. A device or pipe written in place has nothing to put back.
void RestoreBin(const std::string &binPath, const std::optional<std::string> &oldBin, bool created) {
    if (oldBin) {
        WriteFileAtomically(binPath, *oldBin);
    } else if (created && ::unlink(binPath.c_str()) != 0) {
        ThrowFileError("remove", binPath, errno);
    }
}

// Replaces both files with the staged images, or neither.
void ReplacePair(const std::string &binPath, const std::string &auxPath, const Images &images) {
    StagedFile bin(binPath, images.main);
    StagedFile aux(auxPath, images.aux);
    // The old EPROM file is kept in memory so that it can be put back if the aux file cannot be replaced.
    std::optional<std::string> oldBin;
    if (IsRegularFile(binPath)) oldBin = ReadFileBytes(binPath);
    struct stat info;
    const bool created = ::stat(binPath.c_str(), &info) != 0;
    bin.Commit();
    try {
        aux.Commit();
    } catch (const FileError &failure) {
        try {
            RestoreBin(binPath, oldBin, created);
        } catch (const FileError &restore) {
            throw FileError(std::string(failure.what()) + "; " + restore.what());
        }
        throw;
    }
}

} // namespace

BuildOutcome BuildSet(CompilerState &state, const ProgramSet &set, const std::string &binPath,
                      const CompileOptions &options, const BuildCallbacks &callbacks) {
    const std::string auxPath = AuxPathFor(binPath);
    if (auxPath == binPath) // "x.aux": the aux image would overwrite the EPROM image
        throw FileError("write", binPath, "the EPROM file and the aux file would be the same file");

    Images images;
    images.main.reserve(ProgramCount * MainImageBytes);
    images.aux.reserve(ProgramCount * AuxImageBytes);
    ProgramImages program;
    bool failed = false;
    for (int p = 0; p < ProgramCount; ++p) {
        if (callbacks.programStarts) callbacks.programStarts(p);
        if (BuildProgram(state, set[p], options, program)) {
            if (!failed) AppendImages(images, program);
        } else {
            failed = true;
            if (callbacks.programFailed) callbacks.programFailed(p, state.messageLines);
        }
    }
    if (failed) return {false, "Error(s) were found. File was not created."};

    ReplacePair(binPath, auxPath, images);
    return {true,
            "Files " + FileNameOf(binPath) + " and " + FileNameOf(auxPath) + " were successfully created."};
}
