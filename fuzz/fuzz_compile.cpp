// Fuzz target: CompileProgram and the image encoders of BuildProgram on arbitrary program text, and
// the summary of a program that compiled.
// Input: one settings byte (bit 0: Corvan 3 only; bit 1: a steer-rate limit of 50 deg/s), then the
// program text, split into lines as a file is.
#include "compiler/compile.h"
#include "compiler/summary.h"
#include "fuzz/fuzz_input.h"
#include "romfiles/build.h"
#include "romfiles/fileio.h"

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

// A successful compile ends once, at the end index, and every main word holds its step's fields: a
// dac code outside 0 to 4095 would spill into the rate, end and current bits.
void CheckImages(const CompilerState &state, const ProgramImages &images) {
    FUZZ_CHECK(state.endIndex >= 0 && state.endIndex < StepCount);
    for (int k = 0; k < StepCount; ++k) {
        const StepRecord &step = state.steps[k];
        const std::uint16_t word = images.main[k];
        FUZZ_CHECK(step.ended == (k >= state.endIndex ? 1 : 0));
        FUZZ_CHECK(step.rate == 256 || step.rate == 512 || step.rate == 1024 || step.rate == 2048);
        FUZZ_CHECK((256 << ((word >> 12) & 3)) == step.rate);
        FUZZ_CHECK(((word >> 14) & 1) == step.ended);
        FUZZ_CHECK((word >> 15) == step.bit15);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    FuzzInput input(data, size);
    const std::uint8_t settings = input.Byte();
    CompileOptions options;
    options.corvan3Only = (settings & 1) != 0;
    options.steerRateLimit = (settings & 2) != 0 ? 50 : 0;
    options.notice = [](const std::string &) {};

    static CompilerState state; // reused, as the window and Build reuse theirs
    ProgramImages images;
    const bool success = BuildProgram(state, SplitLines(input.Rest()), options, images);
    CheckCounts(state, success);
    if (!success) return 0;
    CheckImages(state, images);
    SummaryLines(SummarizeProgram(state));
    return 0;
}
