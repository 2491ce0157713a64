// Number formats: fixed-point text for messages, exports and labels.
#pragma once

#include <string>

// Text of x with d decimals, right-aligned in at least w characters, exactly as C's "%*.*f".
std::string FormatFixed(double x, int w, int d);

// Text of x with d decimals, without the minus of a value that rounds to zero ("0.000", not "-0.000").
std::string Fixed(double x, int d);

// The shortest fixed-point text that reads back as the same float: 2.929 for the float nearest 2.929,
// as the user would have written it.
std::string ShortestFixed(float x);

// x rounded to single precision, as the figures read from the step store are, where a float can hold
// it; a larger value keeps a double's precision rather than becoming infinite.
double SingleWhereItFits(long double x);

// The text cut to its first n characters.
std::string Cut(const std::string &text, std::size_t n);
