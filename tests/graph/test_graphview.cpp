// Zoom, pan and the cursor read-out of the program graph.
#include "graph/graphview.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

// Steps 1/1024 s apart ramping one degree a step from step 0; ended (END) from `end` on.
std::unique_ptr<StepStore> Ramp(int end, std::uint16_t rateAfterEnd = 1024) {
    auto steps = std::make_unique<StepStore>();
    for (int i = 0; i < StepCount; ++i) {
        StepRecord &s = (*steps)[i];
        s = StepRecord{};
        s.time = static_cast<float>(i / 1024.0);
        s.steer = static_cast<float>(std::min(i, end));
        s.rate = i >= end ? rateAfterEnd : 1024;
        s.ended = i >= end ? 1 : 0;
    }
    return steps;
}

double Span(double lo, double hi) { return hi - lo; }

} // namespace

TEST(GraphZoom, ScalesBothAxesByOneFactorAboutThePoint) {
    const TWorldWindow world{0, -110, 10, 110};
    const TWorldWindow zoomed = ZoomWorld(world, 2.5, 55, 0.25);
    EXPECT_DOUBLE_EQ(Span(zoomed.XLow, zoomed.XHigh), 2.5);
    EXPECT_DOUBLE_EQ(Span(zoomed.YLow, zoomed.YHigh), 55);
    // The proportions of the window stay, and the point keeps its place in it.
    EXPECT_DOUBLE_EQ(Span(zoomed.XLow, zoomed.XHigh) / Span(zoomed.YLow, zoomed.YHigh), 10.0 / 220);
    EXPECT_DOUBLE_EQ((2.5 - zoomed.XLow) / Span(zoomed.XLow, zoomed.XHigh), 0.25);
    EXPECT_DOUBLE_EQ((55 - zoomed.YLow) / Span(zoomed.YLow, zoomed.YHigh), 0.75);
    // Zooming back out by the inverse factor about the same point returns the window.
    const TWorldWindow back = ZoomWorld(zoomed, 2.5, 55, 4);
    EXPECT_DOUBLE_EQ(back.XLow, 0);
    EXPECT_DOUBLE_EQ(back.XHigh, 10);
    EXPECT_DOUBLE_EQ(back.YLow, -110);
    EXPECT_DOUBLE_EQ(back.YHigh, 110);
}

TEST(GraphZoom, FactorStaysBetweenTheNarrowestSpanAndTheFit) {
    EXPECT_DOUBLE_EQ(ClampZoomFactor(10, 10, 0.5), 0.5);
    EXPECT_DOUBLE_EQ(ClampZoomFactor(5, 10, 4), 2);                         // no wider than Show drew it
    EXPECT_DOUBLE_EQ(ClampZoomFactor(0.002, 10, 0.1), MinZoomSpan / 0.002); // no narrower than 1 ms
    EXPECT_DOUBLE_EQ(ClampZoomFactor(0.0005, 0.0005, 0.5), 1);              // a fit below 1 ms stays
    EXPECT_DOUBLE_EQ(ClampZoomFactor(0, 10, 0.5), 1);
}

TEST(GraphPan, ShiftsBothBoundsOfEachAxis) {
    const TWorldWindow moved = PanWorld({0, -110, 10, 110}, 1.5, -20);
    EXPECT_EQ(moved, (TWorldWindow{1.5, -130, 11.5, 90}));
}

TEST(GraphView, PixelsMapAsThePlotLibraryMapsThem) {
    const TViewport area{100, 0, 900, 200};
    const TPointD p = ViewPoint(area, {0, -110, 8, 110}, 500, 50);
    EXPECT_DOUBLE_EQ(p.x, 4);
    EXPECT_DOUBLE_EQ(p.y, 55);
}

TEST(GraphView, AuxWindowZoomsWithTheSteerWindow) {
    const TWorldWindow fit{0, -110, 8, 110};
    EXPECT_EQ(AuxWorldFor(fit, fit), (TWorldWindow{0, AuxLow, 8, AuxHigh}));
    const TWorldWindow half = AuxWorldFor(fit, {2, 0, 6, 110});
    EXPECT_EQ(half, (TWorldWindow{2, 50, 6, 110}));
}

TEST(StepReadout, SnapsToTheNearestStepAndStopsAtTheEnd) {
    auto steps = Ramp(100);
    (*steps)[40].flags = {0, 0, 50, 0, 0, 0, 0, 100};
    (*steps)[40].bit15 = 1;
    StepReading r = ReadStepAt(*steps, 40.4 / 1024);
    EXPECT_EQ(r.index, 40);
    EXPECT_FLOAT_EQ(r.steer, 40);
    EXPECT_EQ(r.rate, 1024);
    EXPECT_FLOAT_EQ(r.steerRate, 1024); // one degree a step
    EXPECT_TRUE(r.highCurrent);
    EXPECT_EQ(StepReadingText(r),
              "Step 40: t=0.0391 s  steer=40.000 deg  1024 Hz  1024.0 deg/s  flags 3(50%) 8  roll-peak bit");
    EXPECT_EQ(ReadStepAt(*steps, 40.6 / 1024).index, 41);
    EXPECT_EQ(ReadStepAt(*steps, -1).index, 0);
    EXPECT_EQ(ReadStepAt(*steps, 0).steerRate, 0);
    // Past the END the trace has no steps of its own: the end step is the nearest.
    r = ReadStepAt(*steps, 5.0);
    EXPECT_EQ(r.index, 100);
    EXPECT_EQ(StepReadingText(r),
              "Step 100: t=0.0977 s  steer=100.000 deg  1024 Hz  1024.0 deg/s  flags off");
}

TEST(StepReadout, AfterARepeatTheProgramsOwnStepsComeAgain) {
    auto steps = Ramp(100, 2048);
    // Step 150 is drawn at time[100] + time[50] with the values of step 50.
    const StepReading r = ReadStepAt(*steps, (100 + 50) / 1024.0);
    EXPECT_EQ(r.index, 150);
    EXPECT_EQ(r.source, 50);
    EXPECT_FLOAT_EQ(r.steer, 50);
    EXPECT_NE(StepReadingText(r).find("(repeats step 50)"), std::string::npos);
    // The jump back to the start at the repeat shows as the rate of step 100 to step 101.
    EXPECT_FLOAT_EQ(ReadStepAt(*steps, 101 / 1024.0).steerRate, -99 * 1024.0f);
}
