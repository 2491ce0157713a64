// Number formats: fixed-point text for messages, exports and labels; the shortest text of a value and
// decimal text read back, locale-free and the same on every platform the core is built for.
#pragma once

#include <charconv>
#include <string>

// Text of x with d decimals, right-aligned in at least w characters, exactly as C's "%*.*f".
std::string FormatFixed(double x, int w, int d);

// Text of x with d decimals, without the minus of a value that rounds to zero ("0.000", not "-0.000").
std::string Fixed(double x, int d);

// The shortest fixed-point text that reads back as the same float: 2.929 for the float nearest 2.929,
// as the user would have written it.
std::string ShortestFixed(float x);

// The shortest text that reads back as the same value, fixed-point or scientific, whichever is shorter
// (fixed on a tie): "0.001", "1e-05", "1e+22", "5e-324", as std::to_chars writes it without a format.
std::string ShortestText(double x);
std::string ShortestText(float x);

// Reads decimal text (an optional minus, digits with an optional point and exponent, or inf and nan)
// as std::from_chars does: the end of what was read and an error code; a value beyond the type's range,
// or one that rounds to zero though it is not zero, is result_out_of_range and leaves value as it was.
std::from_chars_result ReadDecimal(const char *first, const char *last, double &value);
std::from_chars_result ReadDecimal(const char *first, const char *last, float &value);

// x rounded to single precision, as the figures read from the step store are, where a float can hold
// it; a larger value keeps a double's precision rather than becoming infinite.
double SingleWhereItFits(long double x);

// The text cut to its first n characters.
std::string Cut(const std::string &text, std::size_t n);
