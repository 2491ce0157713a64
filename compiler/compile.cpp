// The compile pipeline: phases in their fixed order, errors stopping it between phases.
#include "compiler/compile.h"

#include "compiler/checks.h"
#include "compiler/format.h"
#include "compiler/messages.h"
#include "compiler/parse.h"
#include "compiler/summary.h"
#include "compiler/timeline.h"
#include "compiler/waveforms.h"

bool CompileProgram(const std::vector<std::string> &lines, const CompileOptions &options) {
    CompilerState &state = Compiler();
    state.options = options;
    ClearMessages();
    ParseProgram(lines);
    if (state.ErrorCount == 0) {
        TimingPass();
        Split();
        AttributePass(); // runs the duty check at its end
        if (CapacityCheck()) {
            SteerPass();
            if (state.ErrorCount == 0) {
                AddMessage(0, 201, Cut(FormatFixed(state.steps[StepCount - 1].time, 4, 3), 42));
                RateViolation violation = FirstRateViolation(state, options.steerRateLimit);
                if (violation.found) Notify(RateViolationNotice(violation, options.steerRateLimit));
            }
        }
    }
    ShowMessages();
    state.options.notice = nullptr;
    return state.ErrorCount == 0;
}
