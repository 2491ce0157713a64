// Post-compile checks: the high-current duty limit on bit15 and the notices about the final angle.
#include "compiler/checks.h"

#include "compiler/format.h"
#include "compiler/state.h"

#include <cmath>

namespace {

using Real = long double;

constexpr float DutyWindow = 15.0f;       // seconds
constexpr float DutyLimit = 5.0f;         // seconds of bit15 on-time per window
constexpr float DutyLimitAfterCut = 4.0f; // seconds, until a step passes under it
constexpr float EndAngleThreshold = 1.0f; // degrees
constexpr float RecycleThreshold = 5.0f;  // degrees

Real OnTime(const StepRecord &step) { return step.bit15 ? Real(1) / step.rate : Real(0); }

} // namespace

void DutyCheck(StepStore &steps, const NoticeHandler &notice) {
    float kept = 0;         // on-time of the kept steps examined so far
    float beforeWindow = 0; // on-time of the steps before the window start
    int windowStart = 0;
    float limit = DutyLimit;
    bool warned = false;

    for (int i = 1; i < StepCount; ++i) {
        StepRecord &step = steps[i - 1];
        if (step.bit15 == 0) continue;
        float sum = static_cast<float>(kept + OnTime(step));
        const float windowEnd = steps[i].time;
        while (windowStart < i && Real(windowEnd) - steps[windowStart].time > DutyWindow) {
            beforeWindow = static_cast<float>(beforeWindow + OnTime(steps[windowStart]));
            ++windowStart;
        }
        if (Real(sum) - beforeWindow < limit) {
            limit = DutyLimit;
        } else {
            // Cut out: the step neither counts now nor when the window passes it.
            step.bit15 = 0;
            sum = kept;
            limit = DutyLimitAfterCut;
            if (!warned) {
                Notify(notice, "High current rules violation at t=" + FormatFixed(windowEnd, 4, 2) +
                                   " sec. (All violations automatically cut out)");
                warned = true;
            }
        }
        kept = sum;
    }
}

void EndAngleWarning(float held, const NoticeHandler &notice) {
    if (std::fabs(held) > EndAngleThreshold)
        Notify(notice, "Program ends at nonzero steer angle (" + FormatFixed(held, 3, 1) + " deg).");
}

void RecycleStepWarning(float held, const NoticeHandler &notice) {
    if (std::fabs(held) > RecycleThreshold)
        Notify(notice, "There is a " + FormatFixed(-held, 3, 1) + " degree step when program recycles.");
}
