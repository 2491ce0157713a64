// The Build command's core: all 16 programs compiled into the EPROM (.bin) and aux (.aux) files.
#include "romfiles/build.h"

#include "compiler/compile.h"
#include "romfiles/fileio.h"
#include "romfiles/image.h"
#include "romfiles/verify.h"

#include <filesystem>

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

void AppendImages(SetImages &images, const ProgramImages &program) {
    images.main += program.MainBytes();
    images.aux += program.AuxBytes();
}

// Replaces both files with the images, and the copies made from them, all or none. Writers of the
// same pair wait for each other; a build that was interrupted is finished by the next one.
void ReplacePair(const std::string &binPath, const std::string &auxPath, SetImages &images,
                 const ImageCopies &copies) {
    std::vector<FileContent> files;
    if (copies) files = copies(images.main, images.aux);
    files.insert(files.begin(), {{binPath, std::move(images.main)}, {auxPath, std::move(images.aux)}});
    ReplaceFileGroup(auxPath, files);
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
    if (!images.Good()) {
        std::string text;
        for (const std::string &fault : images.faults) text += fault + "\n";
        return {false, text + "Error(s) were found. File was not created."};
    }
    if (callbacks.beforeWriting)
        if (const auto refusal = callbacks.beforeWriting()) return {false, *refusal};

    ReplacePair(binPath, auxPath, images, copies);
    return {true,
            "Files " + FileNameOf(binPath) + " and " + FileNameOf(auxPath) + " were successfully created."};
}
