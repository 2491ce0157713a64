// The Build command's core: all 16 programs compiled into the EPROM (.bin) and aux (.aux) files.
#include "romfiles/build.h"

#include "compiler/compile.h"
#include "files/fileio.h"
#include "romfiles/image.h"
#include "romfiles/imagefault.h"

#include <filesystem>
#include <sys/stat.h>

bool BuildProgram(CompilerState &state, const std::vector<std::string> &lines, const CompileOptions &options,
                  ProgramImages &images) {
    if (!CompileProgram(state, lines, options)) return false;
    EncodeMainImage(state.steps, state.MaxSteer, images.main.data());
    EncodeAuxImage(state.steps, images.aux.data());
    return true;
}

std::string ProgramImages::MainBytes() const {
    std::string bytes;
    bytes.reserve(MainImageBytes);
    for (std::uint16_t word : main) {
        bytes += static_cast<char>(word & 0xFF);
        bytes += static_cast<char>(word >> 8);
    }
    return bytes;
}

std::string_view ProgramImages::AuxBytes() const {
    return {reinterpret_cast<const char *>(aux.data()), aux.size()};
}

std::string AuxPathFor(const std::string &binPath) {
    std::filesystem::path path(binPath);
    const std::string name = path.filename().string();
    // A name that is all extension (".bin", and "." and "..") loses its last dot and what follows, as
    // any other name does; the standard leaves such names without an extension.
    if (!path.has_extension() && name.find('.') != std::string::npos)
        return path.replace_filename(name.substr(0, name.rfind('.')) + ".aux").string();
    return path.replace_extension(".aux").string();
}

namespace {

// A pipe or a device (a programmer read through /dev/stdin) belongs to no pair.
bool IsSpecialFile(const std::string &path) {
    struct stat info;
    return ::stat(path.c_str(), &info) == 0 && !S_ISREG(info.st_mode) && !S_ISDIR(info.st_mode);
}

} // namespace

std::vector<std::string> ReadImageFiles(const std::vector<std::string> &paths) {
    std::vector<std::string> images;
    for (std::size_t i = 0; i < paths.size();) {
        if (IsSpecialFile(paths[i])) {
            images.push_back(ReadFileBytes(paths[i], EpromFileLimit));
            ++i;
            continue;
        }
        // The files after it that belong to the same pair are read with it.
        const std::string anchor = AuxPathFor(paths[i]);
        std::size_t end = i + 1;
        while (end < paths.size() && AuxPathFor(paths[end]) == anchor && !IsSpecialFile(paths[end])) ++end;
        const std::vector<std::string> pair(paths.begin() + i, paths.begin() + end);
        for (std::string &image : ReadFileGroup(anchor, pair, EpromFileLimit))
            images.push_back(std::move(image));
        i = end;
    }
    return images;
}

namespace {

void AppendImages(SetImages &images, const ProgramImages &program) {
    images.main += program.MainBytes();
    images.aux += program.AuxBytes();
}

// Replaces both files with the images, and the copies made from them, all or none. Writers of the
// same pair wait for each other; a build that was interrupted is finished by the next one. The images
// stay in the outcome, as the bytes this build wrote.
void ReplacePair(const std::string &binPath, const std::string &auxPath, SetImages &images,
                 const ImageCopies &copies, BuildOutcome &outcome) {
    std::vector<FileContent> files;
    if (copies) files = copies(images.main, images.aux);
    files.insert(files.begin(), {{binPath, std::move(images.main)}, {auxPath, std::move(images.aux)}});
    ReplaceFileGroup(auxPath, files);
    outcome.main = std::move(files[0].bytes);
    outcome.aux = std::move(files[1].bytes);
}

} // namespace

SetImages BuildSetImages(CompilerState &state, const ProgramSet &set, const CompileOptions &options,
                         const BuildCallbacks &callbacks, const ImageEncoder &encoder,
                         const std::function<void(int program, const ProgramImages &images)> &programBuilt) {
    SetImages images;
    ProgramImages program;
    images.main.reserve(ProgramCount * MainImageBytes);
    images.aux.reserve(ProgramCount * AuxImageBytes);
    for (int p = 0; p < ProgramCount; ++p) {
        if (callbacks.programStarts) callbacks.programStarts(p);
        if (!CompileProgram(state, set[p], options)) {
            images.compiled = false;
            if (callbacks.programFailed) callbacks.programFailed(p, state.messageLines);
            continue;
        }
        if (callbacks.programCompiled) callbacks.programCompiled(p, state);
        encoder.main(state.steps, state.MaxSteer, program.main.data());
        encoder.aux(state.steps, program.aux.data());
        // The words go to a machine that steers a vehicle: they are decoded back and checked against
        // the steps they stand for before they may join the set.
        const ImageFault fault =
            CheckProgramImages(state.steps, state.endIndex, state.MaxSteer, options.corvan3Only,
                               program.main.data(), program.aux.data());
        if (fault.found) {
            images.faults.push_back(ImageFaultText(p, fault));
            continue;
        }
        if (programBuilt) programBuilt(p, program);
        if (images.Good()) AppendImages(images, program);
    }
    return images;
}

BuildOutcome BuildSet(CompilerState &state, const ProgramSet &set, const std::string &binPath,
                      const CompileOptions &options, const BuildCallbacks &callbacks,
                      const ImageCopies &copies, const ImageEncoder &encoder) {
    const std::string auxPath = AuxPathFor(binPath);
    if (auxPath == binPath) // "x.aux": the aux image would overwrite the EPROM image
        throw FileError("write", binPath, "the EPROM file and the aux file would be the same file");

    SetImages images = BuildSetImages(state, set, options, callbacks, encoder);
    BuildOutcome outcome;
    if (!images.Good()) {
        for (const std::string &fault : images.faults) outcome.text += fault + "\n";
        outcome.text += "Error(s) were found. File was not created.";
        return outcome;
    }
    if (callbacks.beforeWriting)
        if (const auto refusal = callbacks.beforeWriting()) {
            outcome.text = *refusal;
            return outcome;
        }

    ReplacePair(binPath, auxPath, images, copies, outcome);
    outcome.success = true;
    outcome.text =
        "Files " + FileNameOf(binPath) + " and " + FileNameOf(auxPath) + " were successfully created.";
    return outcome;
}
