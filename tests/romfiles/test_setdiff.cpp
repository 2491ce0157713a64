// Program versions compared: the unified hunks of their texts and the steps they compile to.
#include "compiler/compile_text.h"
#include "romfiles/setdiff.h"

#include <gtest/gtest.h>

using Lines = std::vector<std::string>;

namespace {

Lines Step(const std::string &angle, const std::string &comment = "; step") {
    return {comment,
            "maxsteer(100 deg)",
            "begin",
            "wait(1 sec)",
            "stepto(" + angle + " deg, 3 sec)",
            "stepto(0 deg, 2 sec)",
            "end"};
}

} // namespace

TEST(UnifiedDiff, HunksAndTheirRanges) {
    const Lines ten{"1", "2", "3", "4", "5", "6", "7", "8", "9", "10"};
    struct Case {
        const char *name;
        Lines a, b, hunks;
    };
    const std::vector<Case> cases{
        {"equal", ten, ten, {}},
        {"one line of one", {"a"}, {"b"}, {"@@ -1 +1 @@", "-a", "+b"}},
        {"into nothing", {}, {"a", "b"}, {"@@ -0,0 +1,2 @@", "+a", "+b"}},
        {"all removed", {"a", "b"}, {}, {"@@ -1,2 +0,0 @@", "-a", "-b"}},
        {"inserted after line 5",
         ten,
         {"1", "2", "3", "4", "5", "x", "6", "7", "8", "9", "10"},
         {"@@ -3,6 +3,7 @@", " 3", " 4", " 5", "+x", " 6", " 7", " 8"}},
        {"six common lines between changes join the hunks",
         ten,
         {"x", "2", "3", "4", "5", "6", "7", "y", "9", "10"},
         {"@@ -1,10 +1,10 @@", "-1", "+x", " 2", " 3", " 4", " 5", " 6", " 7", "-8", "+y", " 9", " 10"}},
        {"seven keep them apart",
         ten,
         {"x", "2", "3", "4", "5", "6", "7", "8", "y", "10"},
         {"@@ -1,4 +1,4 @@", "-1", "+x", " 2", " 3", " 4", "@@ -6,5 +6,5 @@", " 6", " 7", " 8", "-9", "+y",
          " 10"}},
    };
    for (const Case &c : cases) EXPECT_EQ(UnifiedDiff(c.a, c.b), c.hunks) << c.name;
}

TEST(UnifiedDiff, LargeTextsAreOneReplacementBetweenTheirCommonEnds) {
    // 100000 lines that all differ: the fewest changes would take minutes to find.
    Lines a, b;
    for (int i = 0; i < 100000; ++i) {
        a.push_back("wait(" + std::to_string(i) + " s)");
        b.push_back("stepto(" + std::to_string(i) + " deg)");
    }
    const Lines all = UnifiedDiff(a, b);
    ASSERT_EQ(all.size(), 200001u);
    EXPECT_EQ(all[0], "@@ -1,100000 +1,100000 @@");
    EXPECT_EQ(all[100000], "-wait(99999 s)");
    EXPECT_EQ(all[100001], "+stepto(0 deg)");

    // Two changes far apart: the common lines at both ends stay out of the hunk.
    b = a;
    b[10] = "changed";
    b.insert(b.end() - 10, "added");
    const Lines two = UnifiedDiff(a, b);
    ASSERT_EQ(two.size(), 1u + 3 + 99980 + 99981 + 3);
    EXPECT_EQ(two[0], "@@ -8,99986 +8,99987 @@");
    EXPECT_EQ(two[4], "-wait(10 s)");
    EXPECT_EQ(two[99984], "+changed");
    EXPECT_EQ(two.back(), " wait(99992 s)");
}

TEST(DiffPrograms, OneStepChangeIsFoundWhereTheStepLands) {
    const ProgramDifference d = DiffPrograms(TestCompiler(), Step("30"), Step("35"), {});
    ASSERT_TRUE(d.steps);
    const StepDifference &s = *d.steps;
    EXPECT_FALSE(s.identical);
    // The step takes its angle one step period after its start at 1 s.
    EXPECT_EQ(s.firstStep, 1025);
    EXPECT_FLOAT_EQ(s.firstTime, 1025 / 1024.0f);
    EXPECT_EQ(s.fields, Lines{"steer"});
    EXPECT_FLOAT_EQ(s.maxSteerDifference, 5);
    EXPECT_FLOAT_EQ(s.maxSteerTime, s.firstTime);
    EXPECT_FLOAT_EQ(s.steerA, 30);
    EXPECT_FLOAT_EQ(s.steerB, 35);
    EXPECT_EQ(s.durationChange, 0);
}

TEST(DiffPrograms, SteerIsComparedOverTimeWhenTheClockRatesDiffer) {
    // The same ramps at twice the rate: every step differs, the steer over time
    // by less than a step period's worth of ramp (10 deg/s over 1/1024 s).
    const Lines slow{"maxsteer(100 deg)",    "begin", "wait(1 sec)", "rampto(30 deg, 3 sec)",
                     "rampto(0 deg, 2 sec)", "end"};
    Lines fast = slow;
    fast.insert(fast.begin() + 2, "setrate(2048 hz)");
    Lines longer = slow;
    longer[4] = "rampto(0 deg, 2.5 sec)";
    const ProgramDifference d = DiffPrograms(TestCompiler(), slow, fast, {});
    const ProgramDifference e = DiffPrograms(TestCompiler(), slow, longer, {});
    ASSERT_TRUE(d.steps && e.steps);
    EXPECT_EQ(d.steps->firstStep, 0);
    EXPECT_EQ(d.steps->fields, Lines{"rate"});
    EXPECT_GT(d.steps->maxSteerDifference, 0);
    EXPECT_LT(d.steps->maxSteerDifference, 0.0098);
    EXPECT_NEAR(d.steps->durationChange, 0, 0.001);
    EXPECT_FLOAT_EQ(e.steps->durationChange, 0.5);
    // At 6 s the shorter ramp down is over; the longer one still has 0.5 s of 12 deg/s to go.
    EXPECT_FLOAT_EQ(e.steps->maxSteerDifference, 6);
    EXPECT_FLOAT_EQ(e.steps->maxSteerTime, 6);
}
