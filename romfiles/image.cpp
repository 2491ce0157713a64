// The ROM images of one compiled program: 16-bit main words and 8-bit aux bytes.
#include "romfiles/image.h"

// TODO(#4): encoders.
std::uint16_t EncodeMainWord(const StepRecord &, float) { return 0; }
void EncodeMainImage(const StepStore &, float, std::uint16_t *) {}
void EncodeAuxImage(const StepStore &, std::uint8_t *) {}
