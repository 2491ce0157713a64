// The pages of a campaign's report as the window and quillard-cli write them: a long run table
// continued over pages without losing or repeating a row, every page numbered, the SIS page named on the
// first page where it is, and the comparison on each run's page.
#include "graph/ui/CampaignReport.h"

#include <QtTest>

namespace {

// A campaign of the runs, every other one failed with a reason; a run is processed (has a page) when
// its number is a multiple of `processedEvery`.
CampaignResult Campaign(int runs, int processedEvery = 1000) {
    CampaignResult campaign;
    campaign.a = {27.1, "sis.json"};
    for (int k = 1; k <= runs; ++k) {
        CampaignRunResult c;
        c.run.run = k;
        c.run.set = "swd-1.rom";
        c.run.program = (k - 1) % 16;
        c.run.amplitude = 40 + k;
        c.log = "swd-" + std::to_string(k) + ".csv";
        c.result.pass = k % 2 == 1;
        c.result.state = c.result.pass ? RunState::Pass : RunState::Fail;
        if (!c.result.pass) c.result.reason = "yaw rate ratio at COS + 1.750 s above 20 %";
        c.result.processed = k % processedEvery == 0;
        c.direction = "counter-clockwise";
        campaign.runs.push_back(c);
    }
    return campaign;
}

template <typename Page> std::vector<const Page *> PagesOf(const std::vector<ReportPage> &pages) {
    std::vector<const Page *> found;
    for (const ReportPage &p : pages)
        if (const Page *page = std::get_if<Page>(&p)) found.push_back(page);
    return found;
}

std::string FooterOf(const ReportPage &page) {
    return std::visit([](const auto &p) { return p.footer; }, page);
}

ReportSis SisRuns(int count) {
    ReportSis sis;
    sis.source = "sis.json";
    for (int k = 0; k < count; ++k) {
        ReportSisRun run;
        run.log = "sis-" + std::to_string(k + 1) + ".csv";
        run.result.processed = run.result.pass = true;
        run.result.state = RunState::Pass;
        run.result.angle = k % 2 ? -27.1 : 27.1;
        sis.runs.push_back(run);
    }
    return sis;
}

class TestCampaignReport : public QObject {
    Q_OBJECT
private slots:
    void runTableContinuesOverPages_data() {
        QTest::addColumn<int>("runs");
        QTest::addColumn<int>("sisRuns");
        QTest::newRow("one run") << 1 << 0;
        QTest::newRow("the standard series") << 18 << 6;
        QTest::newRow("a page and more") << 40 << 6;
        QTest::newRow("several pages") << 130 << 0;
    }
    void runTableContinuesOverPages() {
        QFETCH(int, runs);
        QFETCH(int, sisRuns);
        CampaignReportInputs inputs;
        if (sisRuns) inputs.sis = SisRuns(sisRuns);
        const std::vector<ReportPage> pages = CampaignReportPages(Campaign(runs), inputs);
        // Every run's row once, in order, on the pages before the SIS page and the sign-off.
        std::vector<std::string> numbers;
        std::size_t tables = 0;
        for (const ReportPage &p : pages) {
            const auto *page = std::get_if<CoverReportPage>(&p);
            if (!page || page->title.rfind("Sine-with-dwell campaign", 0) != 0) break;
            ++tables;
            int lines = 3 + static_cast<int>(page->lines.size()) + 3 + static_cast<int>(page->after.size());
            for (std::size_t r = 0; r < page->rows.size(); ++r) {
                numbers.push_back(page->rows[r][0]);
                lines += page->rowNotes[r].empty() ? 1 : 2;
            }
            QVERIFY2(lines <= ReportPageLines, page->title.c_str());
        }
        QCOMPARE(numbers.size(), std::size_t(runs));
        for (int k = 0; k < runs; ++k) QCOMPARE(numbers[k], std::to_string(k + 1));
        // Continuation pages say so.
        for (std::size_t k = 1; k < tables; ++k)
            QVERIFY(std::get<CoverReportPage>(pages[k]).title.find("(continued)") != std::string::npos);
        // The sign-off, once, on the last page; its table a row per run too.
        const auto covers = PagesOf<CoverReportPage>(pages);
        QVERIFY(std::get<CoverReportPage>(pages.back()).signOff);
        QCOMPARE(
            std::count_if(covers.begin(), covers.end(), [](const CoverReportPage *p) { return p->signOff; }),
            1L);
        std::size_t traced = 0;
        for (std::size_t k = tables; k < pages.size(); ++k)
            if (const auto *page = std::get_if<CoverReportPage>(&pages[k])) traced += page->rows.size();
        QCOMPARE(traced, std::size_t(runs));
        // Page x of y, in order.
        for (std::size_t k = 0; k < pages.size(); ++k)
            QCOMPARE(FooterOf(pages[k]),
                     "Page " + std::to_string(k + 1) + " of " + std::to_string(pages.size()));
        // The SIS page follows the run table, and the first page names it.
        const auto sis = PagesOf<SisReportPage>(pages);
        QCOMPARE(sis.size(), std::size_t(sisRuns ? 1 : 0));
        const auto &first = std::get<CoverReportPage>(pages[0]).lines;
        const std::string named = "The slowly increasing steer runs of A: page " + std::to_string(tables + 1);
        QCOMPARE(std::count(first.begin(), first.end(), named), sisRuns ? 1L : 0L);
        if (sisRuns) QVERIFY(std::holds_alternative<SisReportPage>(pages[tables]));
    }

    void aRunsPageSaysHowWellTheMachineFollowedItsProgram() {
        Comparison compared;
        compared.delay = -0.0004, compared.gain = 0.9987, compared.offset = -0.001, compared.rmsError = 0.412,
        compared.peakError = -1.204;
        Comparison flat = compared;
        flat.delay = flat.gain = NAN;
        const std::vector<std::pair<std::optional<ReportFollowing>, std::string>> cases{
            {ReportFollowing{compared, ""},
             "Following the program: delay 0.000 s, gain 0.999, offset 0.00 deg, RMS "
             "error 0.41 deg, peak error -1.20 deg"},
            {ReportFollowing{flat, ""},
             "Following the program: delay not measured, gain not measured, offset 0.00 "
             "deg, RMS error 0.41 deg, peak error -1.20 deg"},
            {ReportFollowing{std::nullopt, "no mark edge"},
             "Following the program: not compared: no mark edge"},
            {std::nullopt, ""},
        };
        for (const auto &[following, line] : cases) {
            CampaignReportInputs inputs;
            inputs.runs.resize(1);
            inputs.runs[0].following = following;
            const std::vector<ReportPage> pages = CampaignReportPages(Campaign(1, 1), inputs);
            const auto runs = PagesOf<RunReportPage>(pages);
            QCOMPARE(runs.size(), std::size_t(1));
            const std::vector<std::string> &lines = runs[0]->lines;
            std::string joined;
            for (const std::string &l : lines) joined += l + "|";
            if (line.empty()) {
                QVERIFY(joined.find("Following") == std::string::npos);
                continue;
            }
            // Wrapped as the page writes it, before the verdict.
            std::string unwrapped = joined;
            for (std::size_t at = 0; (at = unwrapped.find("|    ", at)) != std::string::npos; ++at)
                unwrapped.replace(at, 5, " ");
            QVERIFY2(unwrapped.find(line + "|Verdict: ") != std::string::npos, unwrapped.c_str());
        }
    }
};

} // namespace

QTEST_MAIN(TestCampaignReport)
#include "test_campaignreport.moc"
