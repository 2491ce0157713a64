// The image check before a build writes, and the comparison of a set with images read back.
#include "compiler/compile.h"
#include "compiler/compile_text.h"
#include "files/fileio.h"
#include "files/tempdir.h"
#include "romfiles/build.h"
#include "romfiles/verify.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

namespace {

// A ramp, a flag at 30 %, a roll-peak pulse and REPEATPROGRAM: every field of a word in use.
const ProgramText Busy{
    "maxsteer(100 deg)", "begin",     "setflag(3 bit, 30 %)", "rampto(50 deg, 1 s)", "rampto(-20 deg, 1 s)",
    "waitforrollpeak",   "wait(5 s)", "repeatprogram"};

struct Images {
    std::vector<std::uint16_t> main = std::vector<std::uint16_t>(StepCount);
    std::vector<std::uint8_t> aux = std::vector<std::uint8_t>(StepCount);
};

// Busy compiled, its store changed, encoded by the real encoders, the images changed, and checked.
ImageFault CheckBusy(const std::function<void(StepStore &)> &store,
                     const std::function<void(Images &)> &image) {
    EXPECT_TRUE(CompileProgram(TestCompiler(), Busy));
    CompilerState &state = TestCompiler();
    store(state.steps);
    Images images;
    EncodeMainImage(state.steps, state.MaxSteer, images.main.data());
    EncodeAuxImage(state.steps, images.aux.data());
    image(images);
    return CheckProgramImages(state.steps, state.endIndex, state.MaxSteer, true, images.main.data(),
                              images.aux.data());
}

void FlipOneBit(const StepStore &steps, float maxSteer, std::uint16_t *out) {
    EncodeMainImage(steps, maxSteer, out);
    out[4242] ^= 8;
}

} // namespace

TEST(CheckProgramImages, CatchesEachWrongFieldAtItsStep) {
    ASSERT_TRUE(CompileProgram(TestCompiler(), Busy));
    const int end = TestCompiler().endIndex;
    auto none = [](auto &) {};
    struct Case {
        const char *name;
        std::function<void(StepStore &)> store;
        std::function<void(Images &)> image;
        int step;         // -1: no fault
        const char *what; // part of the fault's text
    } cases[] = {
        {"good", none, none, -1, ""},
        {"dac bit", none, [](Images &i) { i.main[777] ^= 1; }, 777, "dac code"},
        {"rate code", none, [](Images &i) { i.main[1000] ^= 0x1000; }, 1000, "rate code 3"},
        {"no end bit", none, [=](Images &i) { i.main[end] &= 0xBFFF; }, end, "end bit 0"},
        {"early end bit", none, [=](Images &i) { i.main[end - 1] |= 0x4000; }, end - 1, "end bit 1"},
        {"bit 15 at step 0", none, [](Images &i) { i.main[0] |= 0x8000; }, 0, "bit 15 is 1"},
        {"aux bit", none, [](Images &i) { i.aux[50] ^= 0x20; }, 50, "aux flag 3 is on"},
        {"steer beyond MaxSteer", [](StepStore &s) { s[300].steer = 100.5f; }, none, 300, "beyond MaxSteer"},
        {"steer not a number", [](StepStore &s) { s[301].steer = NAN; }, none, 301, "not a finite number"},
        {"high current for 6 s",
         [](StepStore &s) {
             for (int k = 10; k < 6200; ++k) s[k].bit15 = 1;
         },
         none, 10 + 5 * 1024 - 1, "high current on for 5.000 s"},
    };
    for (const Case &c : cases) {
        const ImageFault fault = CheckBusy(c.store, c.image);
        EXPECT_EQ(fault.found, c.step >= 0) << c.name;
        if (!fault.found || c.step < 0) continue;
        EXPECT_EQ(fault.step, c.step) << c.name;
        EXPECT_NE(fault.what.find(c.what), std::string::npos) << c.name << ": " << fault.what;
        EXPECT_EQ(fault.what.find("nan"), std::string::npos) << fault.what;
    }
}

TEST(BuildSet, AnEncoderThatFlipsABitWritesNothing) {
    TempDir dir;
    const BuildOutcome outcome = BuildSet(TestCompiler(), DefaultProgramSet(), dir / "set.bin", {}, {}, {}, {FlipOneBit});
    EXPECT_FALSE(outcome.success);
    EXPECT_EQ(outcome.text.rfind("Image check failed for program #0 at step 4242 (t=4.1426 s): main word "
                                 "0x6808: dac code 2056, but steer 0.000 deg scales to 2048.000\n",
                                 0),
              0u)
        << outcome.text;
    EXPECT_NE(outcome.text.find("\nError(s) were found. File was not created."), std::string::npos);
    EXPECT_TRUE(dir.Entries().empty());
}

TEST(CompareSetWithImages, CountsAuxBytesAndWordsBeyondAShortFile) {
    TempDir dir;
    ASSERT_TRUE(BuildSet(TestCompiler(), DefaultProgramSet(), dir / "set.bin", {}).success);
    const std::string bin = ReadFileBytes(dir / "set.bin");
    std::string aux = ReadFileBytes(dir / "set.aux");
    aux[5 * AuxImageBytes + 7] ^= 0x80; // program 5, step 7
    const SetComparison changed = CompareSetWithImages(TestCompiler(), DefaultProgramSet(), bin.substr(0, 100), aux, {});
    EXPECT_EQ(changed.programs[0].main.count, StepCount - 50);
    EXPECT_FALSE(changed.programs[0].main.found);
    EXPECT_EQ(changed.programs[1].main.count, StepCount);
    EXPECT_EQ(changed.programs[5].aux.count, 1);
    EXPECT_EQ(changed.programs[5].aux.step, 7);
    EXPECT_EQ(ComparisonLines(changed, "set.rom", "set.bin", "set.aux").front(),
              "set.bin: 100 bytes, 524288 expected");
}
