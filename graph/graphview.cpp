// Zoom, pan and the cursor read-out of the program graph: world windows moved about a point, and
// the step drawn nearest to a time.
#include "graph/graphview.h"

#include "compiler/format.h"
#include "graph/programgraph.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

TPointD ViewPoint(const TViewport &area, const TWorldWindow &world, int px, int py) {
    const long double width = area.Right - area.Left, height = area.Bottom - area.Top;
    const long double fx = width == 0 ? 0 : (static_cast<long double>(px) - area.Left) / width;
    const long double fy = height == 0 ? 0 : (static_cast<long double>(area.Bottom) - py) / height;
    return {static_cast<double>(world.XLow + (static_cast<long double>(world.XHigh) - world.XLow) * fx),
            static_cast<double>(world.YLow + (static_cast<long double>(world.YHigh) - world.YLow) * fy)};
}

TWorldWindow ZoomWorld(const TWorldWindow &world, double x, double y, double factor) {
    const long double f = factor;
    auto scale = [f](double bound, double about) {
        return static_cast<double>(about + (static_cast<long double>(bound) - about) * f);
    };
    return {scale(world.XLow, x), scale(world.YLow, y), scale(world.XHigh, x), scale(world.YHigh, y)};
}

TWorldWindow PanWorld(const TWorldWindow &world, double dx, double dy) {
    return {world.XLow + dx, world.YLow + dy, world.XHigh + dx, world.YHigh + dy};
}

double ClampZoomFactor(double span, double fitSpan, double factor) {
    span = std::abs(span);
    fitSpan = std::abs(fitSpan);
    if (span <= 0 || factor <= 0) return 1;
    const double narrowest = std::min(MinZoomSpan, fitSpan);
    if (span * factor < narrowest) return narrowest / span;
    if (span * factor > fitSpan) return fitSpan / span;
    return factor;
}

namespace {

// Where the trace draws step i, and the last step it draws at a place of its own.
struct TraceSteps {
    int last = StepCount - 1;
    int repeatIndex = 0;
};

TraceSteps FindTraceSteps(const StepStore &steps) {
    for (int i = 0; i < StepCount - 1; ++i) {
        if (IsEndStep(steps[i])) return {i, 0};
        if (IsRepeatStep(steps[i])) return {StepCount - 1, i};
    }
    return {};
}

StepPosition DrawnAt(const StepStore &steps, const TraceSteps &trace, int i) {
    return RepeatedStep(steps, i, i > trace.repeatIndex ? trace.repeatIndex : 0);
}

} // namespace

TWorldWindow AuxWorldFor(const TWorldWindow &fit, const TWorldWindow &view) {
    const long double fitSpan = static_cast<long double>(fit.YHigh) - fit.YLow;
    auto percent = [&](double y) {
        if (fitSpan == 0) return y;
        return static_cast<double>(AuxLow +
                                   (static_cast<long double>(y) - fit.YLow) / fitSpan * (AuxHigh - AuxLow));
    };
    return {view.XLow, percent(view.YLow), view.XHigh, percent(view.YHigh)};
}

StepReading ReadStepAt(const StepStore &steps, double time) {
    const TraceSteps trace = FindTraceSteps(steps);
    // The drawn times never decrease: the first step at or after the time, or its predecessor.
    int lo = 0, hi = trace.last;
    while (lo < hi) {
        const int mid = lo + (hi - lo) / 2;
        if (DrawnAt(steps, trace, mid).x < time)
            lo = mid + 1;
        else
            hi = mid;
    }
    int i = lo;
    if (i > 0 &&
        std::abs(time - DrawnAt(steps, trace, i - 1).x) <= std::abs(DrawnAt(steps, trace, i).x - time))
        --i;

    const StepPosition at = DrawnAt(steps, trace, i);
    const StepRecord &step = steps[at.source];
    StepReading reading;
    reading.index = i;
    reading.source = at.source;
    reading.time = at.x;
    reading.steer = step.steer == 0 ? 0 : step.steer; // no negative zero in the read-out
    reading.rate = steps[i].rate;
    reading.highCurrent = step.bit15 != 0;
    reading.flags = step.flags;
    if (i > 0) {
        const StepPosition before = DrawnAt(steps, trace, i - 1);
        const long double dt = static_cast<long double>(at.x) - before.x;
        const long double change = static_cast<long double>(step.steer) - steps[before.source].steer;
        if (dt > 0 && change != 0) reading.steerRate = SingleWhereItFits(change / dt);
    }
    return reading;
}

std::string StepReadingText(const StepReading &reading) {
    char text[200];
    std::snprintf(text, sizeof text, "Step %d: t=%.4f s  steer=%.3f deg  %d Hz  %.1f deg/s", reading.index,
                  static_cast<double>(reading.time), static_cast<double>(reading.steer), reading.rate,
                  reading.steerRate);
    std::string line = text;
    if (reading.source != reading.index) line += "  (repeats step " + std::to_string(reading.source) + ")";
    std::string flags;
    for (int flag = 0; flag < 8; ++flag) {
        const int duty = reading.flags[static_cast<std::size_t>(flag)];
        if (duty == 0) continue;
        flags += ' ' + std::to_string(flag + 1);
        if (duty != 100) flags += '(' + std::to_string(duty) + "%)";
    }
    line += flags.empty() ? "  flags off" : "  flags" + flags;
    if (reading.highCurrent) line += "  roll-peak bit";
    return line;
}

CursorSpan SpanBetween(const StepReading &from, const StepReading &to) {
    CursorSpan span;
    span.dt = static_cast<double>(static_cast<long double>(to.time) - from.time);
    span.dsteer = static_cast<double>(static_cast<long double>(to.steer) - from.steer);
    if (span.dt != 0) span.slope = span.dsteer / span.dt;
    return span;
}
