// quillard-cli steps: the whole step store of one compile as CSV.
#include "cli/cli.h"
#include "compiler/compile.h"

#include <cstdio>

namespace {
// %.9g reads back to the same float; negative zero is written as 0.
void PrintFloat(float value) {
    if (value == 0) value = 0;
    std::printf("%.9g", static_cast<double>(value));
}
} // namespace

int RunSteps(const CliOptions &options) {
    auto lines = ReadProgram(options);
    if (!CompileProgram(lines, MakeCompileOptions(options))) {
        PrintLines(stderr, Compiler().messageLines);
        return 1;
    }
    const CompilerState &state = Compiler();
    std::printf("# end_index=%d maxsteer=", state.endIndex);
    PrintFloat(state.MaxSteer);
    std::printf("\nindex,time,steer,rate,bit15,ended,f1,f2,f3,f4,f5,f6,f7,f8\n");
    for (int i = 0; i < StepCount; ++i) {
        const StepRecord &step = state.steps[i];
        std::printf("%d,", i);
        PrintFloat(step.time);
        std::putchar(',');
        PrintFloat(step.steer);
        std::printf(",%d,%d,%d", step.rate, step.bit15, step.ended);
        for (auto flag : step.flags) std::printf(",%d", flag);
        std::putchar('\n');
    }
    return 0;
}
