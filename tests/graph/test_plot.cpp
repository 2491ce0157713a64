#include "graph/plot.h"
#include "recording_canvas.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

// Viewport 1 = full, world 1 = world, both selected, on a fresh library state.
void SetUp1(RecordingCanvas &canvas, TViewport full, TWorldWindow world) {
    Plot() = PlotState{};
    SetGraphCanvas(&canvas);
    InitGraph();
    SetViewportRect(1, {full.Left, full.Top}, {full.Right, full.Bottom});
    SetWorldRect(1, PointD(world.XLow, world.YLow), PointD(world.XHigh, world.YHigh));
    SelectWorld(1);
    SelectViewport(1);
}

// With 6-pixel characters: left margin 60, bottom margin 24, tick length 6.
struct Axes {
    std::vector<std::string> x, y; // labels in drawing order
};
Axes DrawAxesOn(RecordingCanvas &canvas, TViewport full, TWorldWindow world) {
    SetUp1(canvas, full, world);
    DrawAxes(8, 10);
    const TViewport area = Plot().viewports[1];
    Axes axes;
    for (const auto &text : canvas.texts) {
        if (text.y == area.Bottom + 7) axes.x.push_back(text.text);
        if (text.x + canvas.TextWidth(text.text) == area.Left - 12) axes.y.push_back(text.text);
    }
    return axes;
}

std::vector<std::string> Labels(int from, int to, int step) {
    std::vector<std::string> labels;
    for (int v = from; step > 0 ? v <= to : v >= to; v += step) labels.push_back(std::to_string(v));
    return labels;
}

} // namespace

TEST(Axes, ZeroTo64In630PixelsFitsStep5AndMinus110To110StartsAtMinus100) {
    RecordingCanvas canvas;
    Axes axes = DrawAxesOn(canvas, {0, 0, 690, 224}, {0, -110, 64, 110});
    EXPECT_EQ(Plot().viewports[1], (TViewport{60, 0, 690, 200}));
    EXPECT_TRUE(Plot().PlotAreaActive);
    EXPECT_EQ(axes.x, Labels(0, 60, 5));
    EXPECT_EQ(axes.y, Labels(-100, 100, 20));
    // Labels and ticks in the 8-point axes font; the host's font comes back afterwards.
    EXPECT_EQ(canvas.texts.front().font, (Font{"Arial", 8, false}));
    EXPECT_EQ(canvas.GetFont().name, "Courier");
}

TEST(Axes, TicksWithinOneTickLengthOfTopOrRightEdgeAreLeftOut) {
    RecordingCanvas canvas;
    Axes axes = DrawAxesOn(canvas, {0, 0, 690, 224}, {0, 0, 100, 100});
    EXPECT_EQ(axes.y, Labels(0, 90, 10));
    EXPECT_EQ(axes.x.back(), "95"); // 100 lies on the right edge
}

TEST(Axes, ReversedWorldRunsTheLabelsDownward) {
    RecordingCanvas canvas;
    Axes axes = DrawAxesOn(canvas, {0, 0, 690, 224}, {64, 110, 0, -110});
    EXPECT_EQ(axes.x, Labels(60, 5, -5)); // 0 lies on the right edge
    EXPECT_EQ(axes.y, Labels(100, -100, -20));
}

TEST(Axes, MultiplierTenToTheThirdIsDrawnBesideTheYAxis) {
    RecordingCanvas canvas;
    Axes axes = DrawAxesOn(canvas, {0, 0, 690, 224}, {0, 0, 64, 10000});
    EXPECT_EQ(axes.y, Labels(0, 9, 1));
    auto at = [&](const std::string &text, int x, int y) {
        return std::any_of(canvas.texts.begin(), canvas.texts.end(),
                           [&](const RecordedText &t) { return t.text == text && t.x == x && t.y == y; });
    };
    EXPECT_TRUE(at("10", 29, 4));
    EXPECT_TRUE(at("3", 44, -2));
}

TEST(Axes, DegenerateInputStillDrawsAndEnds) {
    RecordingCanvas canvas;
    EXPECT_EQ(DrawAxesOn(canvas, {0, 0, 70, 224}, {0, -110, 64, 110}).x, Labels(0, 0, 1)); // one division
    Axes flat = DrawAxesOn(canvas, {0, 0, 690, 224}, {0, 0, 0, 0});
    EXPECT_FALSE(flat.x.empty());
    EXPECT_FALSE(flat.y.empty());
}

TEST(Axes, SelectViewportRestoresTheFullArea) {
    RecordingCanvas canvas;
    DrawAxesOn(canvas, {0, 0, 690, 224}, {0, -110, 64, 110});
    SelectViewport(2);
    EXPECT_EQ(Plot().viewports[1], (TViewport{0, 0, 690, 224}));
    EXPECT_FALSE(Plot().PlotAreaActive);
}

TEST(MultiplierExponent, FollowsTheNineDecimalLn10) {
    struct Case {
        double lo, hi;
        int m;
    };
    for (Case c :
         {Case{0, 10000, 3}, {-20000, 5, 4}, {0, 0.0005, -4}, {0, 9999, 0}, {0, 0.001, 0}, {0, 0, 0}})
        EXPECT_EQ(MultiplierExponent(c.lo, c.hi), c.m) << c.lo << " " << c.hi;
    EXPECT_EQ(AxisLabel(10000, 3, 0), "10");
    EXPECT_EQ(AxisLabel(0.0005, -4, 0), "5");
}

TEST(TickStep, ExactPowersBelowOneMoveUpOneNotch) {
    struct Case {
        double r, step;
        int decimals;
    };
    for (Case c :
         {Case{0.5, 1, 0}, {0.2, 0.25, 2}, {0.1, 0.2, 1}, {1, 1, 0}, {2, 2, 0}, {20, 20, 0}, {3, 5, 0}}) {
        TickStep ts = ComputeTickStep(1, 0, c.r);
        EXPECT_NEAR(ts.step, c.step, 1e-8) << c.r;
        EXPECT_EQ(ts.decimals, c.decimals) << c.r;
        EXPECT_NEAR(ComputeTickStep(1, 0, -c.r).step, -c.step, 1e-8) << c.r;
    }
}

TEST(TickStep, FirstTickAndAdvance) {
    EXPECT_EQ(FirstTick(-110, 20, 0), -100);
    EXPECT_EQ(FirstTick(0, 5, 0), 0);
    EXPECT_EQ(FirstTick(64, -5, 0), 60);
    EXPECT_EQ(FirstTick(-0.0000001, 0.5, 0), 0);      // within the tolerance of a bound
    EXPECT_EQ(AdvanceTick(-0.1 - 0.2 + 0.2, 0.1), 0); // residue at zero is removed
    EXPECT_EQ(AxisLabel(-1e-12, 0, 2), "0.00");
}

TEST(Transform, RoundsHalfToEvenAndExtrapolates) {
    RecordingCanvas canvas;
    SetUp1(canvas, {0, 0, 5, 7}, {0, 0, 2, 2});
    EXPECT_EQ(WorldToPixelX(1), 2); // 2.5
    EXPECT_EQ(WorldToPixelY(1), 3); // 7 - round(3.5)
    EXPECT_DOUBLE_EQ(PixelToWorldX(10), 4);
    EXPECT_DOUBLE_EQ(PixelToWorldY(14), -2);
    SetWorldRect(1, PointD(5, 5), PointD(5, 5)); // widened to 4..6
    EXPECT_EQ(WorldToPixelX(5), 2);
    EXPECT_DOUBLE_EQ(PixelToWorldX(0), 4);
}

TEST(Clip, LineBeyondTheRightEdgeEndsOnItAndTheNextStartsFromTheUnclippedPoint) {
    RecordingCanvas canvas;
    SetUp1(canvas, {0, 0, 100, 100}, {0, 0, 10, 10});
    WorldMoveTo(5, 5);
    WorldLineTo(15, 5);
    WorldLineTo(15, 8); // wholly outside: nothing
    WorldLineTo(5, 8);
    ASSERT_EQ(canvas.lines.size(), 2u);
    EXPECT_EQ(canvas.lines[0].x2, 100);
    EXPECT_EQ(canvas.lines[0].y2, 50);
    EXPECT_EQ(canvas.lines[1].x1, 100);
    EXPECT_EQ(canvas.lines[1].y1, 20);
    EXPECT_EQ(canvas.lines[1].x2, 50);
    EXPECT_EQ(Plot().penX, 5);
}

TEST(Clip, ReversedWindowClipsTheSame) {
    double x1 = -5, y1 = 5, x2 = 15, y2 = 5;
    ASSERT_TRUE(ClipSegment({10, 10, 0, 0}, x1, y1, x2, y2));
    EXPECT_EQ(x1, 0);
    EXPECT_EQ(x2, 10);
    double a = 20, b = 20, c = 30, d = -30;
    EXPECT_FALSE(ClipSegment({10, 10, 0, 0}, a, b, c, d));
    double e = -10, f = 5, g = 5, h = 20; // passes outside the corner
    EXPECT_FALSE(ClipSegment({0, 0, 10, 10}, e, f, g, h));
    double p = -4, q = 5, r = 5, s = 14; // both ends clipped, on different edges
    ASSERT_TRUE(ClipSegment({0, 0, 10, 10}, p, q, r, s));
    EXPECT_DOUBLE_EQ(p, 0);
    EXPECT_DOUBLE_EQ(q, 9);
    EXPECT_DOUBLE_EQ(r, 1);
    EXPECT_DOUBLE_EQ(s, 10);
}

TEST(Viewport, ClearPaintsInTheWindowColourAndKeepsThePen) {
    RecordingCanvas canvas;
    SetUp1(canvas, {0, 0, 100, 50}, {0, 0, 1, 1});
    SetDrawColor(Colors::Red);
    ClearViewport(1);
    FrameViewport(1);
    ASSERT_EQ(canvas.rectangles.size(), 2u);
    EXPECT_EQ(canvas.rectangles[0].pen.color, Colors::White);
    EXPECT_EQ(canvas.rectangles[0].brush, (Brush{Colors::White, BrushStyle::Solid}));
    EXPECT_EQ(canvas.rectangles[1].pen.color, Colors::Red);
    EXPECT_EQ(canvas.rectangles[1].brush.style, BrushStyle::Clear);
}
