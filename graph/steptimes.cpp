#include "graph/steptimes.h"

bool IsEndStep(const StepRecord &step) { return step.ended != 0 && step.rate < 2048; }

bool IsRepeatStep(const StepRecord &step) { return step.ended != 0 && step.rate == 2048; }

StepPosition RepeatedStep(const StepStore &steps, int i, int repeatIndex) {
    if (repeatIndex <= 0) return {steps[i].time, i};
    const int source = i % repeatIndex;
    const long double shifted =
        static_cast<long double>(steps[repeatIndex].time) * (i / repeatIndex) + steps[source].time;
    return {static_cast<float>(shifted), source};
}
