// The graph of an evaluated run: strips stacked over one time axis, each with a value axis of its own
// (steer, yaw rate, lateral acceleration, ...), the limits of the criteria as bands where they are
// judged, the marks of the procedure (BOS, COS, the check times) each in its own colour and named, and
// beside them the fit of a regression. The window draws it, zoomed and panned in time, and reads its
// channels at the cursors.
#pragma once

#include "graph/canvas.h"
#include "graph/plot.h"

#include <optional>
#include <string>
#include <vector>

struct RunTrace {
    std::string name; // "yaw rate", "program steer"
    std::string unit; // "deg/s"
    int decimals = 2; // of a reading
    Color colour;
    std::vector<double> time;   // s, increasing
    std::vector<double> values; // NaN where the channel has no value
};

// A limit where a criterion judges it: from `from` to `to` seconds a value beyond `limit` (above it, or
// below it unless failsAbove) fails. Drawn as a tinted band from the limit outward, edged by its line.
struct RunBand {
    double from = 0, to = 0; // s
    double limit = 0;        // in the strip's unit
    bool failsAbove = true;
    Color colour;
    std::string label; // "35 % of the peak"
};

// A level drawn across a strip as a dotted line, named at its right end: "0.1 g".
struct RunLevel {
    double value = 0;
    Color colour;
    std::string label;
};

struct RunStrip {
    std::string title; // the value axis: "yaw rate, deg/s"
    std::vector<RunTrace> traces;
    std::vector<RunBand> bands;
    std::vector<RunLevel> levels;
    std::string note; // said in the strip when a criterion is not judged: "not judged: A is not known"
};

// A time the procedure marks, as a line across every strip in its colour.
struct RunMark {
    double time = 0;  // s
    std::string name; // "BOS"
    Color colour;
};

// A regression drawn in a panel of its own beside the strips: the samples it took, its line, and the
// value read off it.
struct RunFit {
    std::string xTitle, yTitle;      // "lateral acceleration, g", "steer, deg"
    std::vector<TPointD> samples;    // in the order taken
    double slope = 0, intercept = 0; // y = intercept + slope x
    double lineFrom = 0, lineTo = 0; // the x range the line is drawn over
    TPointD at;                      // the point read off the line
    std::string atLabel;             // "27.10 deg at 0.3 g"
    Color colour;
};

struct RunGraph {
    double from = 0, to = 0; // s: the span the graph fits, the whole log and program
    std::vector<RunStrip> strips;
    std::vector<RunMark> marks;
    std::optional<RunFit> fit;
};

// The colours of the run graph's channels and marks, apart from each other.
namespace RunColours {
constexpr Color Program{0, 0, 0};
constexpr Color Steer{0, 0, 255};
constexpr Color YawRate{200, 0, 200};
constexpr Color LateralAcceleration{0, 128, 0};
constexpr Color Displacement{140, 80, 20};
constexpr Color Bos{0, 140, 140};
constexpr Color Cos{110, 40, 180};
constexpr Color Check1{220, 120, 0};
constexpr Color Check2{190, 0, 0};
constexpr Color DisplacementCheck{128, 128, 0};
} // namespace RunColours

// Where the graph was drawn: each strip's plot area and world, and the fit panel's.
struct RunLayout {
    std::vector<TViewport> areas;
    std::vector<TWorldWindow> worlds;
    std::optional<TViewport> fitArea;
    TWorldWindow fitWorld;
};

// The viewports and worlds of the strips (1, 2, ...) and of the fit panel.
constexpr int RunFitViewport = 20;

// Draws the graph on a fresh surface of the size over the time window from..to (the graph's own span
// when it fits, less when zoomed): a band at the top naming every channel and mark by its colour, the
// strips stacked below it with the times under the last, each strip's range holding its traces inside
// the window and its limits, the bands behind the traces, and the fit in the right third. Leaves the
// plot library as it found it (PlotScope).
RunLayout DrawRunGraph(Canvas &canvas, int width, int height, const RunGraph &graph, double from, double to);

// The strip under a pixel and the point there in its world; none outside the strips' plot areas.
struct RunPoint {
    int strip = 0;
    TPointD at;
};
std::optional<RunPoint> RunPointAt(const RunLayout &layout, int x, int y);

// Every channel of the graph at a time, read by straight lines between its samples; none outside the
// channel's samples or where it has no value.
struct RunChannelReading {
    const RunTrace *trace = nullptr;
    std::optional<double> value;
};
struct RunReading {
    double time = 0;
    std::vector<RunChannelReading> channels;
};
RunReading ReadRunAt(const RunGraph &graph, double time);

// "t=3.2150 s  program steer 45.00 deg  steer 44.12 deg  yaw rate 12.35 deg/s ...", a channel without a
// value read as "-".
std::string RunReadingText(const RunReading &reading);

// The range of a channel's finite values between two times, as a pair low..high; none when it has none.
std::optional<std::pair<double, double>>
ValueRange(const std::vector<double> &time, const std::vector<double> &values, double from, double to);

// A value range widened by a twelfth of it on both sides (never to nothing), with the values given
// inside it; -1..1 when there is nothing at all.
std::pair<double, double> WidenedRange(std::optional<std::pair<double, double>> range,
                                       std::initializer_list<double> also);
