// The ROM images of one compiled program: 16-bit main words and 8-bit aux bytes.
#pragma once

#include "compiler/state.h"

#include <cstdint>

// The main word of one step: dac code, rate code, end bit and bit 15.
std::uint16_t EncodeMainWord(const StepRecord &step, float maxSteer);

// Fills out[0..16383] with the main words of the store.
void EncodeMainImage(const StepStore &steps, float maxSteer, std::uint16_t *out);

// Fills out[0..16383] with the aux bytes of the store (100-step duty dither per flag).
void EncodeAuxImage(const StepStore &steps, std::uint8_t *out);
