// Export: text bytes and the time-and-value lines of a step store.
#include "compiler/compile_text.h"
#include "files/fileio.h"
#include "files/tempdir.h"
#include "romfiles/exporters.h"
#include "romfiles/importers.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

// A store whose steps 0..endIndex-1 run at 256 Hz, endIndex and later ended.
std::unique_ptr<StepStore> Store(int endIndex, float steer = 0) {
    auto steps = std::make_unique<StepStore>();
    for (int k = 0; k < StepCount; ++k)
        (*steps)[k] = StepRecord{static_cast<float>(k / 256.0), steer, 256, 0, k >= endIndex, {}};
    return steps;
}

} // namespace

TEST(TimeValueExport, FieldsOfEightWithThreeDecimals) {
    auto steps = Store(3, 12.5f);
    EXPECT_EQ(TimeValueExportBytes(*steps), "   0.000  12.500\r\n"
                                            "   0.004  12.500\r\n"
                                            "   0.008  12.500\r\n"
                                            "   0.012  12.500\r\n");
}

TEST(TimeValueExport, SteerFillingItsFieldGetsOneBlank) {
    auto steps = Store(0);
    const std::pair<float, const char *> cases[] = {
        {-120.5f, "   0.000 -120.500\r\n"},
        {-99.5f, "   0.000 -99.500\r\n"},
        {1000.25f, "   0.000 1000.250\r\n"},
        {999.5f, "   0.000 999.500\r\n"},
    };
    for (const auto &[steer, line] : cases) {
        (*steps)[0].steer = steer;
        EXPECT_EQ(TimeValueExportBytes(*steps), line);
    }
    (*steps)[0].time = 1.25f;
    (*steps)[0].steer = -120.5f;
    EXPECT_EQ(TimeValueExportBytes(*steps), "   1.250 -120.500\r\n");
}

TEST(TimeValueExport, StopsAfterTheFirstEndedStepOrTheLastStep) {
    EXPECT_EQ(SplitLines(TimeValueExportBytes(*Store(100))).size(), 101u);
    EXPECT_EQ(SplitLines(TimeValueExportBytes(*Store(StepCount))).size(), 16384u);
}

TEST(TimeValueExport, EveryLineReadsBack) {
    auto steps = Store(4, -150.25f);
    ImportOptions insert{ImportMode::Insert, 256, 0, 200};
    EXPECT_EQ(TimeValueLines(SplitLines(TimeValueExportBytes(*steps)), insert),
              (std::vector<std::string>{"stepto(-150.250d)", "wait(0.0160s)"}));
}

TEST(TextExport, WritesTheLinesWithCrLf) {
    TempDir dir;
    ExportText(dir / "p.txt", {"begin", "", "end"});
    EXPECT_EQ(ReadFileBytes(dir / "p.txt"), "begin\r\n\r\nend\r\n");
    ExportText(dir / "p.txt", {});
    EXPECT_EQ(ReadFileBytes(dir / "p.txt"), "");
}

TEST(TimeValueExport, CompilesTheProgramAndWritesNothingOnErrors) {
    TempDir dir;
    EXPECT_FALSE(ExportTimeValue(TestCompiler(), dir / "tv.txt",
                                 {"maxsteer(100 deg)", "begin", "setrate(300 hz)", "end"}, {}));
    EXPECT_TRUE(dir.Entries().empty());
    ASSERT_TRUE(ExportTimeValue(TestCompiler(), dir / "tv.txt", DefaultProgram(), {}));
    EXPECT_EQ(ReadFileBytes(dir / "tv.txt"), "   0.000   0.000\r\n"); // END takes effect at step 0
}

TEST(StepsCsv, HeaderColumnsAndEveryStepWithExactFloats) {
    auto steps = Store(2, -0.0f);
    (*steps)[1].steer = 0.1f;
    (*steps)[1].bit15 = 1;
    (*steps)[1].flags = {100, 0, 0, 0, 0, 0, 0, 50};
    const auto lines = StepsCsvLines(*steps, 2, 45.5f);
    ASSERT_EQ(lines.size(), std::size_t(StepCount + 2));
    EXPECT_EQ(lines[0], "# end_index=2 maxsteer=45.5");
    EXPECT_EQ(lines[1], "index,time,steer,rate,bit15,ended,f1,f2,f3,f4,f5,f6,f7,f8");
    EXPECT_EQ(lines[2], "0,0,0,256,0,0,0,0,0,0,0,0,0,0"); // negative zero written as 0
    EXPECT_EQ(lines[3], "1,0.00390625,0.100000001,256,1,0,100,0,0,0,0,0,0,50");
    EXPECT_EQ(lines[4], "2,0.0078125,0,256,0,1,0,0,0,0,0,0,0,0");
    EXPECT_EQ(lines.back().substr(0, 6), "16383,");
}
