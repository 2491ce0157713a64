// Fuzz target: CompileProgram and the image encoders of BuildProgram on arbitrary program text, the
// image check on every program that compiled, and its summary.
// Input: one settings byte (bit 0: Corvan 3 only; bit 1: a steer-rate limit of 50 deg/s), then the
// program text, split into lines as a file is.
#include "compiler/compile.h"
#include "compiler/summary.h"
#include "files/fileio.h"
#include "fuzz/fuzz_input.h"
#include "romfiles/build.h"
#include "romfiles/imagefault.h"

#include <cstdio>
#include <string>

namespace {

// Every message counted by its level, and the Boolean agreeing with the error count.
void CheckCounts(const CompilerState &state, bool success) {
    int errors = 0, warnings = 0;
    for (const CompileMessage &message : state.messages) {
        if (message.code < 100)
            ++errors;
        else if (message.code < 200)
            ++warnings;
    }
    FUZZ_CHECK(errors == state.ErrorCount);
    FUZZ_CHECK(warnings == state.WarningCount);
    FUZZ_CHECK(success == (state.ErrorCount == 0));
}

// Whatever its numbers, a program that compiles builds images that the build's own check accepts.
void CheckImages(const CompilerState &state, const ProgramImages &images, bool corvan3Only) {
    const ImageFault fault = CheckProgramImages(state.steps, state.endIndex, state.MaxSteer, corvan3Only,
                                                images.main.data(), images.aux.data());
    if (fault.found) std::fprintf(stderr, "%s\n", ImageFaultText(0, fault).c_str());
    FUZZ_CHECK(!fault.found);
}

// Text shown to the user never holds a number that is not finite.
bool Finite(const std::string &text) {
    return text.find("nan") == std::string::npos && text.find("inf") == std::string::npos;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    FuzzInput input(data, size);
    const std::uint8_t settings = input.Byte();
    CompileOptions options;
    options.corvan3Only = (settings & 1) != 0;
    options.steerRateLimit = (settings & 2) != 0 ? 50 : 0;
    options.notice = [](const std::string &text) { FUZZ_CHECK(Finite(text)); };

    static CompilerState state; // reused, as the window and Build reuse theirs
    ProgramImages images;
    const bool success = BuildProgram(state, SplitLines(input.Rest()), options, images);
    CheckCounts(state, success);
    if (!success) return 0;
    CheckImages(state, images, options.corvan3Only);
    for (const std::string &line : SummaryLines(SummarizeProgram(state))) FUZZ_CHECK(Finite(line));
    return 0;
}
