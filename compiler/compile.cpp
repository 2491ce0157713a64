// The compile pipeline: phases in their fixed order, errors stopping it between phases.
#include "compiler/compile.h"

#include "compiler/checks.h"
#include "compiler/format.h"
#include "compiler/messages.h"
#include "compiler/parse.h"
#include "compiler/summary.h"
#include "compiler/timeline.h"
#include "compiler/waveforms.h"

bool CompileProgram(CompilerState &state, const std::vector<std::string> &lines,
                    const CompileOptions &options) {
    state.options = {options.corvan3Only, nullptr, options.steerRateLimit};
    ClearMessages(state);
    ParseProgram(state, lines);
    if (state.ErrorCount == 0) {
        TimingPass(state);
        Split(state);
        AttributePass(state, options.notice); // runs the duty check at its end
        if (CapacityCheck(state)) {
            SteerPass(state, options.notice);
            if (state.ErrorCount == 0) {
                AddMessage(state, 0, Msg::CompiledOk,
                           Cut(FormatFixed(state.steps[StepCount - 1].time, 4, 3), 42));
                // The machine stops at END with the aux outputs as the image holds them.
                const std::string flags = FlagsAfterEndNotice(FlagsAfterEnd(state));
                if (!flags.empty()) Notify(options.notice, flags);
                RateViolation violation = FirstRateViolation(state, options.steerRateLimit);
                if (violation.found)
                    Notify(options.rateNotice ? options.rateNotice : options.notice,
                           RateViolationNotice(violation, options.steerRateLimit));
            }
        }
    }
    ShowMessages(state);
    return state.ErrorCount == 0;
}
