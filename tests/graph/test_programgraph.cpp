#include "graph/programgraph.h"
#include "recording_canvas.h"

#include <gtest/gtest.h>

#include <cctype>

namespace {

// A hand-made step store: steps 0.25 s apart, rate 1024, everything else zero; ended from end on.
void FillSteps(StepStore &steps, int end, std::uint16_t rateAfterEnd = 1024) {
    for (int i = 0; i < StepCount; ++i) {
        StepRecord &s = steps[i];
        s = StepRecord{};
        s.time = static_cast<float>(i) * 0.25f;
        s.rate = i >= end ? rateAfterEnd : 1024;
        s.ended = i >= end ? 1 : 0;
    }
}

// World 1 = 0..2 s by -4..4 on an 800 x 800 surface: 400 pixels a second, 100 pixels a degree.
void SetUpTraceWorld(RecordingCanvas &canvas) {
    Plot() = PlotState{};
    SetGraphCanvas(&canvas);
    InitGraph();
    SetViewportRect(1, {0, 0}, {800, 800});
    SetWorldRect(1, PointD(0, -4), PointD(2, 4));
    SelectViewport(1);
    SelectWorld(1);
}

struct Segment {
    int x1, y1, x2, y2;
    Color color;
    friend bool operator==(const Segment &, const Segment &) = default;
};
std::ostream &operator<<(std::ostream &out, const Segment &s) {
    return out << "(" << s.x1 << "," << s.y1 << ")-(" << s.x2 << "," << s.y2 << ") rgb " << int(s.color.r)
               << "," << int(s.color.g) << "," << int(s.color.b);
}
std::vector<Segment> Segments(const RecordingCanvas &canvas) {
    std::vector<Segment> segments;
    for (const auto &l : canvas.DrawnLines()) segments.push_back({l.x1, l.y1, l.x2, l.y2, l.pen.color});
    return segments;
}

} // namespace

TEST(ProgramTrace, HoldsAreFlushedAndABit15StepIsRedThenYellowAfterEnd) {
    StepStore steps;
    FillSteps(steps, 6);
    for (int i = 2; i < StepCount; ++i) steps[i].steer = 2;
    steps[2].bit15 = 1;
    RecordingCanvas canvas;
    SetUpTraceWorld(canvas);
    DrawProgramTrace(steps);
    EXPECT_EQ(Segments(canvas), (std::vector<Segment>{
                                    {0, 400, 100, 400, Colors::Black},    // held zero out to step 1
                                    {100, 400, 200, 200, Colors::Red},    // into the high-current step
                                    {200, 200, 600, 200, Colors::Black},  // held to the end step
                                    {600, 200, 800, 200, Colors::Yellow}, // clipped one second later
                                }));
}

TEST(ProgramTrace, RepeatDrawsTheProgramAgainShiftedInAqua) {
    StepStore steps;
    FillSteps(steps, 4, 2048);
    for (int i = 0; i < StepCount; ++i) steps[i].steer = static_cast<float>(i < 4 ? i : 3);
    RecordingCanvas canvas;
    SetUpTraceWorld(canvas);
    DrawProgramTrace(steps);
    std::vector<Segment> segments = Segments(canvas);
    ASSERT_GE(segments.size(), 6u);
    EXPECT_EQ(segments[2], (Segment{200, 200, 300, 100, Colors::Black})); // step 3 at 3 degrees
    EXPECT_EQ(segments[3], (Segment{300, 100, 400, 100, Colors::Black})); // held to the repeat step
    EXPECT_EQ(segments[4], (Segment{400, 100, 500, 300, Colors::Aqua}));  // step 5 drawn as step 1
    EXPECT_EQ(segments[5], (Segment{500, 300, 600, 200, Colors::Aqua}));
    for (const auto &s : segments) EXPECT_LE(s.x2, 800);
}

TEST(ProgramTrace, SetProgramWorldReachesOneSecondPastTheEnd) {
    StepStore steps;
    FillSteps(steps, 40);
    RecordingCanvas canvas;
    SetUpTraceWorld(canvas);
    SetProgramWorld(steps, 40, 45);
    EXPECT_EQ(Plot().worlds[1], (TWorldWindow{0, -49.5, 11, 49.5}));
    EXPECT_EQ(Plot().currentWorld, 1);
}

TEST(ProgramTrace, EmptyGraphAndShowUseViewport1AndTheirWorlds) {
    StepStore steps;
    FillSteps(steps, 40);
    RecordingCanvas canvas;
    SetUpEmptyGraph(canvas, 690, 224);
    EXPECT_EQ(Plot().worlds[1], (TWorldWindow{0, -110, 64, 110}));
    EXPECT_EQ(Plot().viewports[1], (TViewport{60, 0, 690, 200})); // the plot area
    canvas.Clear();
    DrawProgramGraph(canvas, 690, 224, steps, 40, 100, nullptr);
    EXPECT_EQ(Plot().worlds[1], (TWorldWindow{0, -110, 11, 110}));
    EXPECT_EQ(canvas.rectangles.back().right, 690); // viewport 1 cleared in full
    // The zero line: black to the end step, yellow to the right edge.
    const Segment yellow = Segments(canvas).back();
    EXPECT_EQ(yellow, (Segment{WorldToPixelX(10), 100, 690, 100, Colors::Yellow}));
}

TEST(AuxTraces, AFlagStepsBetweenItsLevelsAndEndsOnTheRightEdge) {
    StepStore steps;
    FillSteps(steps, 8);
    for (int i = 2; i < 5; ++i) steps[i].flags[0] = 100;
    for (int i = 0; i < StepCount; ++i) steps[i].flags[2] = 50;
    // World 2 = 0..3 s by -10..110 on 300 x 120: 100 pixels a second, one pixel a percent.
    RecordingCanvas canvas;
    SetUpTraceWorld(canvas);
    SetViewportRect(1, {0, 0}, {300, 120});
    AuxDisplaySettings settings;
    DrawAuxTraces(steps, 8, settings);
    EXPECT_EQ(Segments(canvas), (std::vector<Segment>{
                                    {0, 110, 25, 110, Colors::Lime},
                                    {25, 110, 50, 10, Colors::Lime},
                                    {50, 10, 100, 10, Colors::Lime},
                                    {100, 10, 125, 110, Colors::Lime},
                                    {125, 110, 300, 110, Colors::Lime},
                                }));
    EXPECT_EQ(Plot().currentWorld, 1);

    canvas.Clear();
    settings.selected = {false, false, true, false, false, false, false, false};
    settings.colour[2] = Colors::Red;
    DrawAuxTraces(steps, 8, settings);
    EXPECT_EQ(Segments(canvas), (std::vector<Segment>{
                                    {0, 110, 0, 60, Colors::Red}, // the constant level from time 0
                                    {0, 60, 300, 60, Colors::Red},
                                }));
    EXPECT_EQ(canvas.GetPen().color, Colors::Black);
}

TEST(AuxTraces, InitialSettingsSelectBit1InLime) {
    const AuxDisplaySettings settings;
    EXPECT_EQ(settings.selected,
              (std::array<bool, 8>{true, false, false, false, false, false, false, false}));
    EXPECT_EQ(settings.colour[0], Colors::Lime);
}

// The legend stands in a band above the plot area, never over a trace: the program, the overlays and
// each aux bit drawn, in their colours, wrapping before the right edge; the program alone has none.
TEST(GraphLegend, NamesEveryTraceInABandAboveThePlotArea) {
    AuxDisplaySettings aux;
    aux.selected = {true, false, true, false, false, false, false, false};
    EXPECT_TRUE(GraphLegend("program 3", {}, nullptr).empty());
    const std::vector<LegendEntry> legend =
        GraphLegend("program 3", {{OverlayColours::Blue, "measured: run.csv"}}, &aux);
    std::vector<std::string> labels;
    for (const LegendEntry &e : legend) labels.push_back(e.label);
    EXPECT_EQ(labels, (std::vector<std::string>{"program 3", "measured: run.csv", "aux bit 1", "aux bit 3"}));
    EXPECT_EQ(legend[3].colour, AuxColours::Rose);
    // The eight default colours differ from each other.
    for (int a = 0; a < 8; ++a)
        for (int b = a + 1; b < 8; ++b) EXPECT_NE(aux.colour[a], aux.colour[b]) << a << " " << b;

    StepStore steps;
    FillSteps(steps, 8);
    RecordingCanvas plain, named;
    SetUpEmptyGraph(plain, 300, 200);
    ShowProgramGraph(steps, 8, 10, {});
    const TViewport plainArea = Plot().viewports[1];
    SetUpEmptyGraph(named, 300, 200);
    ShowProgramGraph(steps, 8, 10, {nullptr, {}, {}, legend});
    const TViewport area = Plot().viewports[1];
    // Four entries do not fit one row of 300 - 48 pixels at 6 pixels a character: two rows.
    EXPECT_EQ(area.Top - plainArea.Top, 4 + 2 * 14 + 4);
    std::vector<RecordedText> drawn;
    for (const RecordedText &t : named.texts)
        if (t.y < area.Top && !std::isdigit(static_cast<unsigned char>(t.text[0])))
            drawn.push_back(t); // not a steer label
    ASSERT_EQ(drawn.size(), labels.size());
    for (std::size_t i = 0; i < drawn.size(); ++i) EXPECT_EQ(drawn[i].text, labels[i]);
    EXPECT_EQ(drawn[1].y, drawn[0].y);
    EXPECT_GT(drawn[2].y, drawn[1].y);
    // The next drawing starts from the whole surface again.
    RestoreFullViewport();
    EXPECT_EQ(Plot().viewports[1], (TViewport{0, 0, 300, 200}));
}
