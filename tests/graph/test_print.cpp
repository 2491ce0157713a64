#include "compiler/compile.h"
#include "compiler/compile_text.h"
#include "graph/plot.h"
#include "graph/print.h"
#include "recording_canvas.h"

#include <gtest/gtest.h>

namespace {

// Font height 20: line height 22; a page 1620 high holds L = 60 rows.
struct TextPage {
    std::vector<std::string> log;
    std::vector<RecordedText> texts;
};
TextPage PrintText(int lineCount, const std::string &setFile = "") {
    RecordingPrinter printer;
    printer.height = 1620;
    std::vector<std::string> lines;
    for (int i = 0; i < lineCount; ++i) lines.push_back(i == 1 ? "" : "line " + std::to_string(i));
    PrintProgramText(printer, lines, setFile, 0, Font{"Courier New", 10, false});
    return {printer.log, printer.canvas.texts};
}

} // namespace

TEST(PrintText, TenLinesMakeOnePageUnderTheHeader) {
    TextPage page = PrintText(10);
    EXPECT_EQ(page.log, (std::vector<std::string>{"begin", "end"}));
    ASSERT_EQ(page.texts.size(), 11u);
    EXPECT_EQ(page.texts[0].text, "Untitled  Program #0  Page 1");
    EXPECT_EQ(page.texts[0].x, 200);
    EXPECT_EQ(page.texts[0].y, 0);
    EXPECT_EQ(page.texts[0].font.name, "Courier New");
    EXPECT_EQ(page.texts[1].y, 88);    // three empty rows below the header
    EXPECT_EQ(page.texts[2].text, ""); // an empty line keeps its row
    EXPECT_EQ(page.texts[10].y, 88 + 9 * 22);
}

TEST(PrintText, PageHoldsLMinusTwoLinesThenBreaks) {
    TextPage full = PrintText(58, "C:\\progs\\set.rom");
    EXPECT_EQ(full.log, (std::vector<std::string>{"begin", "newpage", "end"}));
    EXPECT_EQ(full.texts.size(), 59u);
    EXPECT_EQ(full.texts[0].text, "C:\\progs\\set.rom  Program #0  Page 1");

    TextPage over = PrintText(59);
    ASSERT_EQ(over.texts.size(), 61u);
    EXPECT_EQ(over.texts[59].text, "Untitled  Program #0  Page 2");
    EXPECT_EQ(over.texts[59].y, 0);
    EXPECT_EQ(over.texts[60].text, "line 58");
    EXPECT_EQ(over.texts[60].y, 88);
}

TEST(PrintGraphs, SlotsShareTheHeightBetweenTheMargins) {
    EXPECT_EQ(PrintGraphSlot(2000, 2700, 0, 3, 0), (GraphSlot{300, 150, 1850, 750}));
    EXPECT_EQ(PrintGraphSlot(2000, 2700, 0, 3, 3), (GraphSlot{300, 1950, 1850, 2550}));
    EXPECT_EQ(PrintGraphSlot(2000, 2700, 7, 7, 7), (GraphSlot{300, 150, 1850, 2550}));
}

TEST(PrintGraphs, ReversedRangePrintsNothing) {
    RecordingPrinter printer;
    PrintGraphs(printer, TestCompiler(), std::vector<std::vector<std::string>>(16), 5, 4, {}, "set.rom");
    EXPECT_TRUE(printer.log.empty());
}

// Every slot is framed and labelled with its program and set; one that does not compile says so.
TEST(PrintGraphs, EachSlotIsFramedAndLabelledAndTheSurfaceComesBack) {
    const std::vector<std::string> good{"maxsteer(100 deg)", "begin", "", "end"};
    std::vector<std::vector<std::string>> programs(16, good);
    programs[1] = {"no such function(1)"};

    // The screen's graph as the window leaves it: its surface, viewport 1 selected in its own size.
    RecordingCanvas screen;
    SetGraphCanvas(&screen);
    SetViewportRect(1, {0, 0}, {690, 224});
    SetViewportRect(2, {0, 112}, {690, 224});
    SelectViewport(1);
    const PlotState before = Plot();
    RecordingPrinter printer;
    bool hookRan = false;
    PrintGraphs(printer, TestCompiler(), programs, 0, 3, {}, "track day 12.rom", [&] { hookRan = true; });
    EXPECT_EQ(printer.log, (std::vector<std::string>{"begin", "end"}));
    EXPECT_TRUE(hookRan);
    // The printing leaves the library as it found it.
    EXPECT_EQ(GetGraphCanvas(), &screen);
    EXPECT_EQ(Plot().currentViewport, 1);
    EXPECT_EQ(Plot().viewports, before.viewports);
    EXPECT_EQ(Plot().worlds, before.worlds);

    std::vector<GraphSlot> frames;
    for (const auto &r : printer.canvas.rectangles) {
        EXPECT_EQ(r.pen.width, 3);
        EXPECT_EQ(r.brush.style, BrushStyle::Clear);
        frames.push_back({r.left, r.top, r.right, r.bottom});
    }
    std::vector<GraphSlot> expected;
    for (int n = 0; n <= 3; ++n) expected.push_back(PrintGraphSlot(2000, 2700, 0, 3, n));
    EXPECT_EQ(frames, expected);
    std::vector<std::string> labels;
    for (const RecordedText &t : printer.canvas.texts)
        if (t.x < PrintGraphLeft || t.text.find("compile") != std::string::npos) labels.push_back(t.text);
    EXPECT_EQ(labels,
              (std::vector<std::string>{"Program #0", "track day 12.rom", "Program #1", "track day 12.rom",
                                        "Program #1 does not compile", "Program #2", "track day 12.rom",
                                        "Program #3", "track day 12.rom"}));
    // The part after the end is drawn with the thin pen.
    EXPECT_EQ(printer.canvas.lines.back().pen.width, 1);
}

// A set's name too long for the margin goes on as many lines as it takes, broken where it can be, and
// is cut only when even the slot's height cannot hold it (characters are 6 pixels wide: 43 on a line).
TEST(PrintGraphs, ALongSetNameIsWrappedInTheMarginNotCut) {
    const std::vector<std::string> good{"maxsteer(100 deg)", "begin", "", "end"};
    const std::vector<std::vector<std::string>> programs(16, good);
    const std::string name = "sine-with-dwell campaign, day 12 of the winter tests at the proving ground.rom";
    const struct {
        int first, last;
        std::vector<std::string> lines;
    } cases[] = {
        {0, 3, {"sine-with-dwell campaign, day 12 of the ", "winter tests at the proving ground.rom"}},
        {0, 15, {"sine-with-dwell campaign, day 12 of the ", "winter tests at the proving ground.rom"}},
    };
    for (const auto &c : cases) {
        RecordingPrinter printer;
        PrintGraphs(printer, TestCompiler(), programs, c.first, c.last, {}, name);
        std::vector<std::string> margin;
        for (const RecordedText &t : printer.canvas.texts)
            if (t.x < PrintGraphLeft && t.text.rfind("Program #", 0) != 0) margin.push_back(t.text);
        ASSERT_EQ(margin.size(), c.lines.size() * (c.last - c.first + 1)) << c.last;
        for (std::size_t k = 0; k < c.lines.size(); ++k) EXPECT_EQ(margin[k], c.lines[k]);
    }
    // A slot with room for one line of it only: the name is cut there, and says so.
    RecordingPrinter tiny;
    tiny.height = 150 + 150 + 16 * 40;
    PrintGraphs(tiny, TestCompiler(), programs, 0, 15, {}, name);
    std::vector<std::string> margin;
    for (const RecordedText &t : tiny.canvas.texts)
        if (t.x < PrintGraphLeft && t.text.rfind("Program #", 0) != 0) margin.push_back(t.text);
    ASSERT_FALSE(margin.empty());
    EXPECT_EQ(margin[0], "sine-with-dwell campaign, day 12 of the ...");
}
