// The pages of the evaluation report: what a run's page marks and draws, and the first page's table.
#include "graph/reportpages.h"
#include "recording_canvas.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

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

} // namespace
