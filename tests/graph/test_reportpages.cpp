// The pages of the evaluation report: what a run's page marks and draws, and the first page's table.
#include "graph/reportpages.h"
#include "recording_canvas.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <tuple>

namespace {

bool HasText(const RecordingCanvas &c, const std::string &text) {
    return std::any_of(c.texts.begin(), c.texts.end(), [&](const RecordedText &t) { return t.text == text; });
}

// Horizontal lines in the limits' colour.
int LimitLines(const RecordingCanvas &c) {
    return static_cast<int>(std::count_if(c.lines.begin(), c.lines.end(), [](const RecordedLine &l) {
        return l.y1 == l.y2 && l.x1 != l.x2 && l.pen.color == Color{190, 0, 0};
    }));
}

RunReportPage Page(bool judged) {
    RunReportPage page;
    page.title = "Run 3 of 18";
    page.lines = {"figures"};
    page.pass = false;
    for (int k = 0; k <= 800; ++k) {
        const double t = k * 0.01;
        page.time.push_back(t);
        page.steer.push_back(100 * std::sin(t));
        page.yawRate.push_back(-30 * std::sin(t));
        page.displacement.push_back(t < 2 ? NAN : t - 2);
    }
    page.bos = 2, page.cos = 4, page.peakYawRate = -30;
    page.check1 = 1, page.check2 = 1.75, page.limit1 = 35, page.limit2 = 20;
    page.displacementTime = 1.07, page.displacementLimit = 1.83;
    page.displacementJudged = judged;
    return page;
}

TEST(DrawRunPage, MarksTheEventsAndDrawsTheLimitsThatApply) {
    RecordingCanvas judged, notJudged;
    DrawRunPage(judged, 1240, 1754, Page(true));
    DrawRunPage(notJudged, 1240, 1754, Page(false));
    for (const char *text : {"FAIL", "Run 3 of 18", "figures", "BOS", "COS", "+1.00 s", "+1.75 s",
                             "BOS + 1.07 s", "limits 35 % and 20 % of the peak", "at least 1.83 m"})
        EXPECT_TRUE(HasText(judged, text)) << text;
    EXPECT_FALSE(HasText(notJudged, "at least 1.83 m"));
    // The two ratio limits, and the displacement's where it is judged.
    EXPECT_EQ(LimitLines(notJudged), 2);
    EXPECT_EQ(LimitLines(judged), 3);
}

TEST(DrawCoverPage, WritesTheCampaignAndARowPerRun) {
    CoverReportPage cover;
    cover.title = "Campaign: FAIL";
    cover.lines = {"A = 27.1 deg"};
    cover.header = {"run", "verdict"};
    cover.rows = {{"1", "pass"}, {"2", "FAIL"}};
    cover.rowPasses = {true, false};
    RecordingCanvas c;
    DrawCoverPage(c, 1240, 1754, cover);
    for (const char *text : {"Campaign: FAIL", "A = 27.1 deg", "run", "verdict", "1", "2", "pass", "FAIL"})
        EXPECT_TRUE(HasText(c, text)) << text;
    // Rows run down the page in order.
    auto rowOf = [&](const std::string &text) {
        return std::find_if(c.texts.begin(), c.texts.end(),
                            [&](const RecordedText &t) { return t.text == text; })
            ->y;
    };
    EXPECT_LT(rowOf("verdict"), rowOf("pass"));
    EXPECT_LT(rowOf("pass"), rowOf("FAIL"));
}

// The box a text takes on the recording canvas.
struct Box {
    int left, top, right, bottom;
};
Box BoxOf(const RecordedText &t) {
    return {t.x, t.y, t.x + RecordingCanvas::CharWidth * static_cast<int>(t.text.size()),
            t.y + RecordingCanvas::CharHeight};
}
bool Overlap(const Box &a, const Box &b) {
    return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

TEST(DrawRunPage, TheCheckTimeLabelsStayClearOfTheLegends) {
    // The last check time lies near the graphs' right end, where the legend is; at any page size and
    // with a later check time, its label is never under a legend's box.
    for (const auto &[width, height, check2] :
         std::vector<std::tuple<int, int, double>>{{1240, 1754, 1.75}, {620, 877, 1.75}, {1240, 1754, 2.4}}) {
        RunReportPage page = Page(true);
        page.check2 = check2;
        RecordingCanvas c;
        DrawRunPage(c, width, height, page);
        std::vector<Box> legends;
        for (const RecordedRectangle &r : c.rectangles)
            if (r.brush.color == Colors::White && r.brush.style == BrushStyle::Solid &&
                r.right - r.left < width / 2)
                legends.push_back({r.left, r.top, r.right, r.bottom});
        ASSERT_EQ(legends.size(), 3u) << width;
        int labels = 0;
        for (const RecordedText &t : c.texts)
            if (t.text == "+1.00 s" || t.text.rfind("+1.75", 0) == 0 || t.text.rfind("+2.40", 0) == 0) {
                ++labels;
                for (const Box &legend : legends)
                    EXPECT_FALSE(Overlap(BoxOf(t), legend)) << t.text << " " << width;
            }
        EXPECT_EQ(labels, 2) << width;
    }
}

TEST(DrawCoverPage, TheSignOffLeavesANameADateAndASignatureToEachRole) {
    CoverReportPage page;
    page.title = "Traceability and sign-off";
    page.header = {"run", "log"};
    page.rows = {{"1", "swd-1.csv"}};
    page.rowNotes = {"SHA-256 ab12"};
    page.signOff = true;
    RecordingCanvas c;
    DrawCoverPage(c, 1240, 1754, page);
    std::vector<std::string> order;
    for (const RecordedText &t : c.texts)
        if (t.text == "Tested by" || t.text == "Checked by" || t.text == "Name" || t.text == "Date" ||
            t.text == "Signature" || t.text == "SHA-256 ab12")
            order.push_back(t.text);
    const std::vector<std::string> expected{"SHA-256 ab12", "Tested by", "Name", "Date",     "Signature",
                                            "Checked by",   "Name",      "Date", "Signature"};
    EXPECT_EQ(order, expected);
    // A line to write on beside each of the six fields.
    const auto written = c.DrawnLines();
    EXPECT_GE(std::count_if(written.begin(), written.end(),
                            [](const RecordedLine &l) { return l.y1 == l.y2 && l.x2 - l.x1 > 300; }),
              6);
}

} // namespace
