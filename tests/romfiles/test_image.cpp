// The main-word and aux-byte encoders, on step stores filled by hand.
#include "romfiles/image.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

StepRecord Step(float steer, std::uint16_t rate = 256, int bit15 = 0, int ended = 0) {
    return StepRecord{0, steer, rate, static_cast<std::uint8_t>(bit15), static_cast<std::uint8_t>(ended), {}};
}

// The aux image of a store whose flag n (1 to 8) has the percentage percentAt(k) at step k.
template <typename F> std::vector<std::uint8_t> AuxImage(int flag, F percentAt) {
    auto steps = std::make_unique<StepStore>();
    for (int k = 0; k < StepCount; ++k) {
        (*steps)[k] = Step(0);
        (*steps)[k].flags[flag - 1] = static_cast<std::uint8_t>(percentAt(k));
    }
    std::vector<std::uint8_t> out(StepCount);
    EncodeAuxImage(*steps, out.data());
    return out;
}

std::vector<int> OnSteps(const std::vector<std::uint8_t> &image, std::uint8_t bit, int from, int count) {
    std::vector<int> on;
    for (int k = from; k < from + count; ++k)
        if (image[k] & bit) on.push_back(k - from + 1); // window steps count from 1
    return on;
}

} // namespace

TEST(EncodeMainWord, DacCodeScalesTheSteerAndRoundsHalfToEven) {
    EXPECT_EQ(EncodeMainWord(Step(100), 100), 4095);
    EXPECT_EQ(EncodeMainWord(Step(-100), 100), 1);
    EXPECT_EQ(EncodeMainWord(Step(50), 100), 3072);  // 3071.5
    EXPECT_EQ(EncodeMainWord(Step(-50), 100), 1024); // 1024.5
    EXPECT_EQ(EncodeMainWord(Step(0), 100), 2048);
    EXPECT_EQ(EncodeMainWord(Step(0), 0), 2048); // a limit of 0 never divides by zero
}

TEST(EncodeMainWord, RateEndAndBit15FillTheHighBits) {
    EXPECT_EQ(EncodeMainWord(Step(0, 256), 100), 0x0800);
    EXPECT_EQ(EncodeMainWord(Step(0, 512), 100), 0x1800);
    EXPECT_EQ(EncodeMainWord(Step(0, 1024, 0, 1), 100), 0x6800); // END at 1024 Hz
    EXPECT_EQ(EncodeMainWord(Step(0, 2048, 0, 1), 100), 0x7800);
    EXPECT_EQ(EncodeMainWord(Step(0, 300), 100), 0x0800); // an unknown rate is code 0
    EXPECT_EQ(EncodeMainWord(Step(100, 256, 1), 100), 0x8FFF);
    // A dac code beyond 4095 (an over-range sweep) is summed in and the word taken modulo 65536.
    EXPECT_EQ(EncodeMainWord(Step(200, 2048, 1, 1), 100), (6142 + 12288 + 16384 + 32768) % 65536);
}

TEST(EncodeMainImage, EncodesEveryStep) {
    auto steps = std::make_unique<StepStore>();
    for (int k = 0; k < StepCount; ++k) (*steps)[k] = Step(k < 10 ? 100 : 0, 1024, 0, k >= 10);
    std::vector<std::uint16_t> out(StepCount);
    EncodeMainImage(*steps, 100, out.data());
    EXPECT_EQ(out[0], 0x2FFF);
    EXPECT_EQ(out[9], 0x2FFF);
    EXPECT_EQ(out[10], 0x6800);
    EXPECT_EQ(out[StepCount - 1], 0x6800);
}

TEST(EncodeAuxImage, DitherPatternsOfAWindow) {
    EXPECT_EQ(OnSteps(AuxImage(1, [](int) { return 50; }), 0x80, 0, 6), (std::vector<int>{1, 3, 5}));
    EXPECT_EQ(OnSteps(AuxImage(8, [](int) { return 50; }), 0x01, 0, 6), (std::vector<int>{1, 3, 5}));
    EXPECT_EQ(OnSteps(AuxImage(3, [](int) { return 25; }), 0x20, 0, 10), (std::vector<int>{2, 6, 10}));
    EXPECT_EQ(OnSteps(AuxImage(2, [](int) { return 10; }), 0x40, 0, 30), (std::vector<int>{5, 15, 25}));
    EXPECT_EQ(OnSteps(AuxImage(4, [](int) { return 1; }), 0x10, 0, 100), (std::vector<int>{50}));
    EXPECT_EQ(OnSteps(AuxImage(4, [](int) { return 1; }), 0x10, 100, 100), (std::vector<int>{50}));
    auto half = AuxImage(1, [](int) { return 50; });
    EXPECT_EQ(half[0], 0x80);
    EXPECT_EQ(half[1], 0x00);
}

TEST(EncodeAuxImage, EveryFullWindowHoldsExactlyThePercentage) {
    for (int p = 0; p <= 100; ++p) {
        auto image = AuxImage(5, [p](int) { return p; });
        for (int window : {0, 1, 162}) // 162 is the last full window
            EXPECT_EQ(OnSteps(image, 0x08, window * 100, 100).size(), static_cast<std::size_t>(p)) << p;
    }
}

TEST(EncodeAuxImage, ChangeOfPercentageRestartsTheWindow) {
    const int switchAt = 137; // in the middle of the second window
    auto switched = AuxImage(6, [](int k) { return k < switchAt ? 30 : 60; });
    auto fresh = AuxImage(6, [](int) { return 60; });
    EXPECT_EQ(std::vector<std::uint8_t>(switched.begin() + switchAt, switched.begin() + switchAt + 300),
              std::vector<std::uint8_t>(fresh.begin(), fresh.begin() + 300));
}

TEST(EncodeAuxImage, OneStepPulseSetsExactlyOneBit) {
    auto image = AuxImage(7, [](int k) { return k == 500 ? 100 : 0; });
    EXPECT_EQ(OnSteps(image, 0x02, 0, StepCount), (std::vector<int>{501}));
}
