// Overlay traces follow the world they are drawn in, a long trace draws a few lines per pixel
// column, and the legend names every trace.
#include "compiler/compile.h"
#include "graph/overlay.h"
#include "graph/recording_canvas.h"
#include "measure/compare.h"

#include <gtest/gtest.h>

namespace {

void SetUpWorld(RecordingCanvas &canvas, TWorldWindow world) {
    SetGraphCanvas(&canvas);
    InitGraph();
    SetViewportRect(1, {0, 0}, {100, 100});
    SetWorldRect(1, PointD(world.XLow, world.YLow), PointD(world.XHigh, world.YHigh));
    SelectWorld(1);
    SelectViewport(1);
}

TEST(Overlay, ALongTraceDrawsAFewLinesPerColumnInItsColour) {
    RecordingCanvas canvas;
    SetUpWorld(canvas, {0, -1, 10, 1});
    OverlayTrace trace{{}, OverlayColours::Blue, "measured"};
    for (int i = 0; i <= 1000000; ++i) trace.points.push_back(PointD(i * 1e-5, (i % 2) ? 1 : -1));
    DrawOverlayTrace(trace);
    EXPECT_LE(canvas.DrawnLines().size(), 4u * 101);
    EXPECT_GE(canvas.DrawnLines().size(), 100u);
    for (const RecordedLine &line : canvas.DrawnLines()) {
        EXPECT_EQ(line.pen.color, OverlayColours::Blue);
        EXPECT_GE(line.y1, 0);
        EXPECT_LE(line.y1, 100);
    }
    EXPECT_EQ(canvas.GetPen().color, Colors::Black);
}

TEST(Overlay, FollowsTheWorldWindow) {
    const std::vector<TPointD> points{{0, 0}, {1, 10}, {2, 0}, {3, 10}};
    const std::vector<std::pair<TWorldWindow, std::size_t>> cases{
        {{0, 0, 3, 10}, 3u},     // the whole trace
        {{1.2, 0, 1.8, 10}, 1u}, // zoomed into one segment: drawn edge to edge
        {{5, 0, 6, 10}, 0u},     // panned past the end
    };
    for (const auto &[world, lines] : cases) {
        RecordingCanvas canvas;
        SetUpWorld(canvas, world);
        DrawOverlayTrace({points, OverlayColours::Magenta, ""});
        ASSERT_EQ(canvas.DrawnLines().size(), lines) << world.XLow;
        if (lines == 1) {
            EXPECT_EQ(std::min(canvas.DrawnLines()[0].x1, canvas.DrawnLines()[0].x2), 0);
            EXPECT_EQ(std::max(canvas.DrawnLines()[0].x1, canvas.DrawnLines()[0].x2), 100);
        }
    }
}

TEST(Overlay, LegendNamesEachTraceInsideThePlotArea) {
    RecordingCanvas canvas;
    SetUpWorld(canvas, {0, 0, 1, 1});
    DrawLegend({{Colors::Black, "commanded"}, {OverlayColours::Blue, "measured: run.csv"}});
    ASSERT_EQ(canvas.texts.size(), 2u);
    EXPECT_EQ(canvas.texts[1].text, "measured: run.csv");
    ASSERT_EQ(canvas.rectangles.size(), 1u);
    EXPECT_GE(canvas.rectangles[0].left, 0);
    EXPECT_LE(canvas.rectangles[0].right, 100);
}

std::vector<TPointD> TracePoints(const std::vector<std::string> &program, CompilerState &state) {
    EXPECT_TRUE(CompileProgram(state, program, {}));
    const std::vector<TPointD> points = ProgramTracePoints(state.steps);
    EXPECT_TRUE(std::is_sorted(points.begin(), points.end(),
                               [](const TPointD &a, const TPointD &b) { return a.x < b.x; }));
    return points;
}

// An overlaid program lies where its own graph draws it: after END the end angle held to the last
// step, after REPEATPROGRAM the program again; a hold costs two points.
TEST(Overlay, ProgramTracePointsEndAsTheProgramGraphDoes) {
    CompilerState state;
    const auto ended = TracePoints(
        {"maxsteer(100 deg)", "begin", "wait(1 sec)", "stepto(30 deg, 0.5 sec)", "wait(1 sec)", "end"},
        state);
    EXPECT_LT(ended.size(), 600u);
    EXPECT_EQ(ended.back().x, static_cast<double>(state.steps[StepCount - 1].time));
    EXPECT_EQ(ended.back().y, 30);

    const auto repeated =
        TracePoints({"maxsteer(100 deg)", "begin", "rampto(20 deg, 1 sec)", "repeatprogram"}, state);
    const double period = CommandedFrom(state).time.back();
    EXPECT_GT(repeated.back().x, 10 * period);
    EXPECT_TRUE(std::any_of(repeated.begin(), repeated.end(), [&](const TPointD &p) {
        return p.x > period && p.x < period + 0.1 && p.y < 5; // back at the start of the ramp
    }));
}

} // namespace
