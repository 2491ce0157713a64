// The ROM images of one compiled program: 16-bit main words and 8-bit aux bytes.
#include "romfiles/image.h"

#include "compiler/auxduty.h"

#include <array>
#include <cmath>

namespace {

int RateCode(std::uint16_t rate) {
    switch (rate) {
    case 512:
        return 1;
    case 1024:
        return 2;
    case 2048:
        return 3;
    default:
        return 0; // 256 Hz, and any rate the machine does not know
    }
}

} // namespace

std::uint16_t EncodeMainWord(const StepRecord &step, float maxSteer) {
    // A program whose limit is 0 steers nowhere but 0 degrees: the centre code, no division by zero.
    long long dac = 2048;
    if (maxSteer != 0)
        dac = std::llrint(
            static_cast<long double>(step.steer) / static_cast<long double>(maxSteer) * 2047.0L + 2048.0L);
    long long word =
        dac + 4096LL * RateCode(step.rate) + 16384LL * (step.ended ? 1 : 0) + 32768LL * (step.bit15 ? 1 : 0);
    return static_cast<std::uint16_t>(word & 0xFFFF);
}

void EncodeMainImage(const StepStore &steps, float maxSteer, std::uint16_t *out) {
    for (int k = 0; k < StepCount; ++k) out[k] = EncodeMainWord(steps[k], maxSteer);
}

void EncodeAuxImage(const StepStore &steps, std::uint8_t *out) {
    std::array<AuxDutyWindow, 8> windows;
    for (int n = 0; n < 8; ++n) windows[n] = AuxDutyWindow(steps[0].flags[n]);
    for (int k = 0; k < StepCount; ++k) {
        std::uint8_t byte = 0;
        for (int n = 0; n < 8; ++n)
            if (windows[n].Next(steps[k].flags[n]))
                byte |= static_cast<std::uint8_t>(1u << (7 - n)); // flag 1 is bit 7, flag 8 bit 0
        out[k] = byte;
    }
}
