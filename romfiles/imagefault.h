// The image check before anything is burnt: each program's images decoded back against its step store
// by the image format's rules alone.
#pragma once

#include "compiler/state.h"

#include <cstdint>
#include <string>

// The first step at which a program's images do not hold what its step store says.
struct ImageFault {
    bool found = false;
    int step = 0;     // 0 to 16383
    float time = 0;   // seconds, of that step
    std::string what; // what is wrong there, e.g. "dac code 2049, but steer 0.000 deg scales to 2048.000"
};

// Decodes every main word and aux byte by the image format's rules, independently of the encoders,
// and checks them against the store: the steer is a finite number within MaxSteer and its word holds
// the nearest dac code (ties to even), the rate code is that of the step's clock rate, the end bit is
// set exactly from the end index on, bit 15 is the step's high-current bit (never on steps 0 and
// 16383, never with the compatible machine setting, below 5 s within any 15 s), and each aux bit
// follows the 100-step duty windows of its flag's percentage.
ImageFault CheckProgramImages(const StepStore &steps, int endIndex, float maxSteer, bool corvan3Only,
                              const std::uint16_t *mainWords, const std::uint8_t *auxBytes);

// The build failure for a fault: "Image check failed for program #3 at step 1234 (t=1.2051 s): ...".
std::string ImageFaultText(int program, const ImageFault &fault);

// The steer a main word sets with a program's MaxSteer, degrees.
float SteerOfWord(std::uint16_t word, float maxSteer);

// "0x" and the value in that many upper-case hex digits, as the check writes words and bytes.
std::string HexText(unsigned value, int digits);

// A steer as the check writes it, "12.500 deg".
std::string SteerText(float steer);
