// The campaign sheet: a row per program with its comment, its figures and the CRC-32s of its slots.
#include "compiler/compile.h"
#include "compiler/compile_text.h"
#include "files/fileio.h"
#include "files/tempdir.h"
#include "romfiles/build.h"
#include "romfiles/campaign.h"
#include "romfiles/imagecheck.h"
#include "romfiles/templates.h"

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

namespace {

// The program without its first line (the templates' comment), as an engineer who edited it might keep it.
ProgramText WithoutComment(ProgramText program) {
    program.erase(program.begin());
    return program;
}

} // namespace

// Which template a program comes from: its comment's title first, else what its statements drive.
TEST(ProgramTemplate, ComesFromTheCommentElseFromTheStatements) {
    const ProgramText swd = TemplateProgram("sine-with-dwell", {{"amplitude", 80}});
    const ProgramText sis = TemplateProgram("slowly-increasing-steer", {});
    const ProgramText step = TemplateProgram("step-steer", {});
    const struct {
        const char *what;
        ProgramText program;
        const char *expected; // template name, or "" for none
    } cases[] = {
        {"sine with dwell by its comment", swd, "sine-with-dwell"},
        {"slowly increasing steer by its comment", sis, "slowly-increasing-steer"},
        {"fishhook by its comment", TemplateProgram("fishhook", {}), "fishhook"},
        {"sine with dwell by its sines", WithoutComment(swd), "sine-with-dwell"},
        {"slowly increasing steer by its slow ramp", WithoutComment(sis), "slowly-increasing-steer"},
        {"a step steer's ramp is fast", WithoutComment(step), ""},
        {"a slow ramp into a sine",
         {"maxsteer(100 deg)", "begin", "rampto(20 deg, 2 sec)", "sine(20 deg, 1 hz, 2 cycles)", "end"},
         ""},
        {"a single sine of 0.75 cycles",
         {"maxsteer(100 deg)", "begin", "sine(20 deg, 1 hz, 0.75 cycles)", "end"},
         ""},
        {"a title not at the start",
         {"; my Sine with dwell: 80 deg", "maxsteer(100 deg)", "begin", "end"},
         ""},
        {"the default program", DefaultProgram(), ""},
    };
    for (const auto &c : cases) {
        CompilerState &state = TestCompiler();
        ASSERT_TRUE(CompileProgram(state, c.program, {})) << c.what;
        const ManoeuvreTemplate *found = ProgramTemplate(c.program, state.statements);
        EXPECT_EQ(found ? found->name : std::string(), c.expected) << c.what;
    }
}

TEST(SeriesAmplitudeA, IsReadFromTheStandardSeriesNoteOfTheFirstCommentAndABadNoteIsRefused) {
    const struct {
        ProgramText program;
        std::optional<double> expected;
    } cases[] = {
        {TemplateRuns("sine-with-dwell", {{"maxsteer", 300}}, {100}, StandardSeriesNote(27.1))[0], 27.1},
        {{"; Sine with dwell: amplitude 30 deg; run 3 of 25, standard series, A 20 deg"}, 20},
        {{"; first", "; standard series, A 20 deg"}, std::nullopt}, // the first comment line only
        {TemplateProgram("sine-with-dwell", {}), std::nullopt},
    };
    for (const auto &c : cases) EXPECT_EQ(SeriesAmplitudeA(c.program), c.expected) << c.program.front();
    for (const char *bad :
         {"; standard series, A . deg", "; standard series, A 0 deg", "; standard series, A 1.2.3 deg",
          "; standard series, A 20", "; standard series, A deg"}) {
        try {
            SeriesAmplitudeA({bad});
            ADD_FAILURE() << bad;
        } catch (const FormatError &e) {
            EXPECT_NE(std::string(e.what()).find("holds no A"), std::string::npos) << e.what();
        }
    }
}

// A series' A from its programs' notes: sets that are not there are passed over, the first note found
// gives A and names its set and program, and a note that holds no A stops the search naming its set.
TEST(SeriesNoteA, IsTheFirstNoteFoundAndABadNoteNamesItsSet) {
    TempDir dir;
    ProgramSet plain{}, noted{}, bad{};
    for (auto &program : plain) program = DefaultProgram();
    noted = plain;
    bad = plain;
    noted[3] = {"; Sine with dwell: amplitude 30 deg; run 3 of 25, standard series, A 20.5 deg"};
    bad[3] = {"; standard series, A 0 deg"};
    WriteProgramSet(dir / "plain.rom", plain);
    WriteProgramSet(dir / "noted.rom", noted);
    WriteProgramSet(dir / "bad.rom", bad);
    const std::string missing = dir / "missing.rom";
    const std::optional<NoteA> a =
        SeriesNoteA({{missing, 3}, {dir / "plain.rom", 3}, {dir / "noted.rom", 2}, {dir / "noted.rom", 3}});
    ASSERT_TRUE(a);
    EXPECT_EQ(a->value, 20.5);
    EXPECT_EQ(a->source, "the note of noted.rom program 3");
    EXPECT_FALSE(SeriesNoteA({{missing, 3}, {dir / "plain.rom", 3}}));
    try {
        SeriesNoteA({{dir / "bad.rom", 3}, {dir / "noted.rom", 3}});
        ADD_FAILURE();
    } catch (const FormatError &e) {
        EXPECT_NE(std::string(e.what()).find("bad.rom: the note"), std::string::npos) << e.what();
    }
}
