// The campaign sheet: a row per program with its comment, its figures and the CRC-32s of its slots.
#include "compiler/compile_text.h"
#include "romfiles/build.h"
#include "romfiles/campaign.h"
#include "romfiles/fileio.h"
#include "romfiles/imagecheck.h"
#include "romfiles/templates.h"
#include "tempdir.h"

#include <gtest/gtest.h>

TEST(CampaignSheet, RowsHoldTheCommentFiguresAndTheCrcsOfTheBuiltSlots) {
    ProgramSet set = DefaultProgramSet();
    set[0] = TemplateProgram("fishhook", {});
    set[1] = {"  ;  ramp, \"slow\"", "maxsteer(100 deg)", "begin", "rampto(10 deg, 1 s)", "end"};
    set[2] = {"maxsteer(100 deg)", "begin", "frob", "end"};
    set[3] = {"maxsteer(100 deg)", "begin", "setflag(8 b, 100 %)", "pulseflag(2 b)", "end"};
    std::vector<std::string> notices;
    const std::vector<std::string> rows = SplitLines(
        CampaignSheet(TestCompiler(), set, {true, [&](const std::string &t) { notices.push_back(t); }}));
    ASSERT_EQ(rows.size(), 17u);
    EXPECT_EQ(rows[0], "program,comment,duration_s,peak_steer_deg,peak_rate_deg_per_s,eprom_crc32,aux_crc32,"
                       "flags_after_end");
    ASSERT_EQ(notices.size(), 2u);
    EXPECT_EQ(notices[0], "Program ends at nonzero steer angle (10.0 deg).");
    EXPECT_EQ(notices[1].rfind("Flag 2 stays on after the end", 0), 0u) << notices[1];
    // The flags the aux image holds on after the end, numbers apart.
    EXPECT_EQ(rows[4].substr(rows[4].rfind(',')), ",2 8");

    set[2] = DefaultProgram(); // the built files hold every program
    TempDir dir;
    ASSERT_TRUE(BuildSet(TestCompiler(), set, dir / "s.bin", {}).success);
    const ImageReport report = ReportImages(ReadFileBytes(dir / "s.bin"), ReadFileBytes(dir / "s.aux"));
    char crcs[64];
    std::snprintf(crcs, sizeof crcs, ",0x%08X,0x%08X", report.programs[0].binCrc, report.programs[0].auxCrc);
    // The fishhook's countersteer of -60 deg is its peak by magnitude, as large as its first ramp.
    EXPECT_EQ(rows[1].substr(0, rows[1].find(",6.")), "0,\"" + FirstComment(set[0]) + "\"");
    EXPECT_NE(rows[1].find(",60.000,720.0" + std::string(crcs)), std::string::npos) << rows[1];
    EXPECT_EQ(rows[2].substr(0, rows[2].find(",1.")), "1,\"ramp, \"\"slow\"\"\"");
    EXPECT_EQ(rows[3], "2,,,,,,,");
    std::snprintf(crcs, sizeof crcs, ",0x%08X,0x%08X", report.programs[15].binCrc,
                  report.programs[15].auxCrc);
    EXPECT_EQ(rows[16], "15,,0.0000,0.000,0.0" + std::string(crcs) + ",");
}
