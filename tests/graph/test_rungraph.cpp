// The graph of an evaluated run: strips over one time axis, bands, marks and the fit; its read-out; and
// every drawing of a page or a picture of its own leaving the plot library as it found it.
#include "graph/plot.h"
#include "graph/programgraph.h"
#include "graph/reportpages.h"
#include "graph/responsegraph.h"
#include "graph/rungraph.h"
#include "recording_canvas.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <stdexcept>

namespace {

constexpr Color First{1, 2, 3}, Second{4, 5, 6}, BandColour{200, 0, 0};

// Two strips over 0 to 10 s: a sine with a limit from 4 to 6 s, and a ramp with a gap from 3 to 4 s.
RunGraph TwoStrips() {
    RunTrace sine{"sine", "u", 2, Colors::Red, {}, {}}, ramp{"ramp", "v", 1, Colors::Lime, {}, {}};
    for (int k = 0; k <= 100; ++k) {
        const double t = k * 0.1;
        sine.time.push_back(t), sine.values.push_back(std::sin(t));
        ramp.time.push_back(t), ramp.values.push_back(t > 3 && t < 4 ? NAN : 2 * t);
    }
    RunGraph graph;
    graph.from = 0, graph.to = 10;
    graph.strips.push_back({"sine, u", {sine}, {{4, 6, 0.5, true, BandColour, "limit"}}, {}, {}});
    graph.strips.push_back({"ramp, v", {ramp}, {}, {{12, Colors::Black, "level"}}, "not judged"});
    graph.marks = {{2, "M1", First}, {5, "M2", Second}};
    return graph;
}

bool HasText(const RecordingCanvas &c, const std::string &text) {
    return std::any_of(c.texts.begin(), c.texts.end(), [&](const RecordedText &t) { return t.text == text; });
}

// Vertical lines of the pen colour at the pixel column.
int VerticalLines(const RecordingCanvas &c, Color colour, int x) {
    return static_cast<int>(std::count_if(c.lines.begin(), c.lines.end(), [&](const RecordedLine &l) {
        return l.pen.color == colour && l.x1 == x && l.x2 == x && l.y1 != l.y2;
    }));
}

} // namespace

TEST(DrawRunGraph, StacksTheStripsOverOneTimeAxisWithTheMarksAcrossAll) {
    RecordingCanvas canvas;
    const RunGraph graph = TwoStrips();
    const RunLayout layout = DrawRunGraph(canvas, 600, 400, graph, 0, 10);
    ASSERT_EQ(layout.areas.size(), 2u);
    const TViewport &top = layout.areas[0], &bottom = layout.areas[1];
    EXPECT_LT(top.Bottom, bottom.Top);
    EXPECT_EQ(top.Left, bottom.Left);
    EXPECT_EQ(top.Right, bottom.Right);
    EXPECT_EQ(bottom.Bottom, 400 - 2 * RecordingCanvas::CharHeight); // the time labels under the last
    for (const TWorldWindow &w : layout.worlds) EXPECT_EQ(std::pair(w.XLow, w.XHigh), std::pair(0.0, 10.0));
    // Each mark down every strip in its colour, and named once at the top of the first.
    const int x = top.Left + (top.Right - top.Left) / 5;
    EXPECT_EQ(VerticalLines(canvas, First, x), 2);
    for (const char *text : {"M1", "M2", "sine, u", "ramp, v", "limit", "level", "not judged", "time, s"})
        EXPECT_TRUE(HasText(canvas, text)) << text;
    // The time is labelled under the last strip only: the labels stand a tick and a quarter below an axis.
    const int tick = RecordingCanvas::CharWidth, below = 5 * tick / 4;
    const auto labelsUnder = [&](const TViewport &area) {
        return std::count_if(canvas.texts.begin(), canvas.texts.end(),
                             [&](const RecordedText &t) { return t.y == area.Bottom + below; });
    };
    EXPECT_EQ(labelsUnder(top), 0);
    EXPECT_GE(labelsUnder(bottom), 5);
    // The band: from its limit up to the top of the strip between 4 and 6 s, in its tint, behind the
    // trace; its limit's line across it.
    const auto band =
        std::find_if(canvas.rectangles.begin(), canvas.rectangles.end(), [](const RecordedRectangle &r) {
            return r.brush.color == Color{244, 204, 204};
        });
    ASSERT_NE(band, canvas.rectangles.end());
    SelectViewport(0); // the layout, not the library's state, says where things are
    const auto px = [&](double t) {
        return top.Left + static_cast<int>(std::lround((top.Right - top.Left) * t / 10));
    };
    EXPECT_EQ(band->left, px(4));
    EXPECT_EQ(band->right, px(6) + 1);
    EXPECT_EQ(band->top, top.Top);
    const TWorldWindow &w = layout.worlds[0];
    EXPECT_NEAR(band->bottom - 1, top.Bottom - (top.Bottom - top.Top) * (0.5 - w.YLow) / (w.YHigh - w.YLow),
                1);
}

TEST(DrawRunGraph, EachStripRangesOverTheWindowShownAndItsLimits) {
    RecordingCanvas canvas;
    const RunLayout whole = DrawRunGraph(canvas, 600, 400, TwoStrips(), 0, 10);
    const RunLayout zoomed = DrawRunGraph(canvas, 600, 400, TwoStrips(), 0, 1);
    // The sine's whole swing, then its rise to sin 1 = 0.84 alone with the limit at 0.5 inside.
    EXPECT_LT(whole.worlds[0].YLow, -1);
    EXPECT_GT(zoomed.worlds[0].YLow, -0.1);
    EXPECT_GT(zoomed.worlds[0].YHigh, 0.84);
    EXPECT_LT(zoomed.worlds[0].YHigh, 1);
    // The ramp reaches 2 by 1 s; its level at 12 stays in the range.
    EXPECT_GT(zoomed.worlds[1].YHigh, 12);
}

TEST(ReadRunAt, ReadsEveryChannelBetweenItsSamples) {
    const RunGraph graph = TwoStrips();
    const struct {
        double time;
        std::optional<double> sine, ramp;
    } cases[] = {
        {0.05, (std::sin(0.0) + std::sin(0.1)) / 2, 0.1},
        {2.0, std::sin(2.0), 4.0},
        {3.5, std::sin(3.5), std::nullopt}, // the ramp has no value there
        {10.5, std::nullopt, std::nullopt}, // after the channels end
        {-1, std::nullopt, std::nullopt},
    };
    for (const auto &c : cases) {
        const RunReading r = ReadRunAt(graph, c.time);
        ASSERT_EQ(r.channels.size(), 2u);
        EXPECT_EQ(r.channels[0].trace->name, "sine");
        ASSERT_EQ(r.channels[0].value.has_value(), c.sine.has_value()) << c.time;
        if (c.sine) {
            EXPECT_NEAR(*r.channels[0].value, *c.sine, 1e-3) << c.time;
        }
        ASSERT_EQ(r.channels[1].value.has_value(), c.ramp.has_value()) << c.time;
        if (c.ramp) {
            EXPECT_NEAR(*r.channels[1].value, *c.ramp, 1e-9) << c.time;
        }
    }
    EXPECT_EQ(RunReadingText(ReadRunAt(graph, 3.5)), "t=3.5000 s  sine -0.35 u  ramp -");
    EXPECT_EQ(RunReadingText(ReadRunAt(graph, 1)), "t=1.0000 s  sine 0.84 u  ramp 2.0 v");
}

TEST(DecadeTicks, LabelOneTwoAndFiveOfEachDecadeOrEveryMultipleInLessThanOne) {
    const struct {
        double low, high;
        std::vector<double> ticks;
    } cases[] = {
        {0.1, 10, {0.1, 0.2, 0.5, 1, 2, 5, 10}},
        {0.15, 30, {0.2, 0.5, 1, 2, 5, 10, 20}},
        {1.5, 4.5, {2, 3, 4}},
        {1.1, 1.3, {1.1, 1.3}}, // not even two multiples: the ends
        {0, 10, {}},
    };
    for (const auto &c : cases) {
        const std::vector<double> ticks = DecadeTicks(c.low, c.high);
        ASSERT_EQ(ticks.size(), c.ticks.size()) << c.low << " to " << c.high;
        for (std::size_t k = 0; k < ticks.size(); ++k) EXPECT_DOUBLE_EQ(ticks[k], c.ticks[k]);
    }
}

TEST(DrawResponseGraph, ALogarithmicSweepIsReadInDecades) {
    ResponseCurve curve;
    for (int k = 0; k <= 40; ++k) {
        curve.frequency.push_back(0.1 * std::pow(100.0, k / 40.0)); // 0.1 to 10 Hz
        curve.gainDb.push_back(-0.001 * k);
        curve.phaseDeg.push_back(-2.0 * k);
    }
    curve.logarithmic = true;
    RecordingCanvas canvas;
    const ResponseLayout layout = DrawResponseGraph(canvas, 600, 400, curve);
    for (const char *label : {"0.1", "0.2", "0.5", "1", "2", "5", "10"})
        EXPECT_TRUE(HasText(canvas, label)) << label;
    EXPECT_FALSE(HasText(canvas, "-0.5")); // no linear labels of the decades' logarithms
    // The middle of the gain graph is 1 Hz, a decade from either end.
    const TViewport &a = layout.gainArea;
    const auto p = ResponsePointAt(layout, (a.Left + a.Right) / 2, (a.Top + a.Bottom) / 2);
    ASSERT_TRUE(p.has_value());
    EXPECT_NEAR(p->x, 1, 0.02);
    EXPECT_FALSE(ResponsePointAt(layout, 2, 2));
}

TEST(PlotScope, GivesTheLibraryBackOnEveryWayOut) {
    RecordingCanvas screen, page;
    SetGraphCanvas(&screen);
    SetViewportRect(1, {0, 0}, {300, 200});
    SelectViewport(1);
    const PlotState before = Plot();
    try {
        const PlotScope scope(&page);
        SetViewportRect(1, {0, 0}, {2000, 3000});
        throw std::runtime_error("the page failed");
    } catch (const std::runtime_error &) {
    }
    EXPECT_EQ(GetGraphCanvas(), &screen);
    EXPECT_EQ(Plot().viewports[1], before.viewports[1]);
}

// Whatever draws a page or a picture on a surface of its own leaves the window's surface, viewports and
// worlds as they were: the report pages once left the PDF's surface current, and the next Show drew
// through freed memory.
TEST(PagesAndPictures, LeaveThePlotLibraryAsTheyFoundIt) {
    RunReportPage runPage;
    runPage.time = {0, 1, 2, 3, 4, 5, 6};
    runPage.steer = runPage.yawRate = runPage.displacement = {0, 1, 0, -1, 0, 0, 0};
    runPage.bos = 1, runPage.cos = 3;
    ResponseCurve curve{{1, 2, 3}, {0, -1, -2}, {0, -10, -20}, std::nullopt, false, {}};
    StepStore steps;
    for (int i = 0; i < StepCount; ++i) steps[i] = {static_cast<float>(i) / 1024, 0, 1024, 0, i >= 100, {}};
    const std::pair<const char *, std::function<void(Canvas &)>> drawings[] = {
        {"cover page", [](Canvas &c) { DrawCoverPage(c, 1240, 1754, {}); }},
        {"run page", [&](Canvas &c) { DrawRunPage(c, 1240, 1754, runPage); }},
        {"response", [&](Canvas &c) { DrawResponseGraph(c, 600, 400, curve); }},
        {"run graph", [](Canvas &c) { DrawRunGraph(c, 600, 400, TwoStrips(), 0, 10); }},
        {"graph picture", [&](Canvas &c) { DrawGraphPicture(c, 600, 400, steps, 100, 100, {}); }},
    };
    for (const auto &[what, draw] : drawings) {
        RecordingCanvas screen, other;
        SetUpEmptyGraph(screen, 300, 200);
        const PlotState before = Plot();
        draw(other);
        EXPECT_EQ(GetGraphCanvas(), &screen) << what;
        EXPECT_EQ(Plot().viewports, before.viewports) << what;
        EXPECT_EQ(Plot().worlds, before.worlds) << what;
        EXPECT_EQ(Plot().currentViewport, before.currentViewport) << what;
    }
}
