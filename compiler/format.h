// Number formats: fixed-point text for messages, exports and labels.
#pragma once

#include <string>

// Text of x with d decimals, right-aligned in at least w characters, exactly as C's "%*.*f".
std::string FormatFixed(double x, int w, int d);

// x rounded to single precision, as the figures read from the step store are, where a float can hold
// it; a larger value keeps a double's precision rather than becoming infinite.
double SingleWhereItFits(long double x);

// The text cut to its first n characters.
std::string Cut(const std::string &text, std::size_t n);
