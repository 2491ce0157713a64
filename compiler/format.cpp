// Number formats: fixed-point text for messages, exports and labels; shortest text and decimal text
// read back through header-only libraries, so that every platform writes and reads the same digits.
#include "compiler/format.h"

#include <dragonbox/dragonbox.h>
#include <fast_float/fast_float.h>

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstdlib>

std::string FormatFixed(double x, int w, int d) {
    char buffer[512];
    int n = std::snprintf(buffer, sizeof buffer, "%*.*f", w, d, x);
    if (n < 0) return {};
    if (static_cast<std::size_t>(n) < sizeof buffer) return std::string(buffer, static_cast<std::size_t>(n));
    std::string big(static_cast<std::size_t>(n) + 1, '\0');
    std::snprintf(big.data(), big.size(), "%*.*f", w, d, x);
    big.resize(static_cast<std::size_t>(n));
    return big;
}

std::string Fixed(double x, int d) {
    std::string text = FormatFixed(x, 0, d);
    if (text[0] == '-' && text.find_first_not_of("-0.") == std::string::npos) text.erase(0, 1);
    return text;
}

namespace {

// The shortest digits that read back as a finite, nonzero value, and the power of ten of the last one.
struct Digits {
    std::string digits;
    int exponent;
};

template <class T> Digits ShortestDigits(T x) {
    const auto decimal = jkj::dragonbox::to_decimal(x, jkj::dragonbox::policy::sign::ignore);
    return {std::to_string(decimal.significand), decimal.exponent};
}

// Fixed-point text of the magnitude. A whole number is written exactly, as "%.0f" writes it, rather
// than as its shortest digits padded with zeros: 16777216 for the float nearest 16777217.
std::string FixedText(double magnitude, const Digits &d) {
    if (d.exponent >= 0) return FormatFixed(magnitude, 0, 0);
    const std::size_t decimals = static_cast<std::size_t>(-d.exponent);
    if (d.digits.size() > decimals)
        return d.digits.substr(0, d.digits.size() - decimals) + "." +
               d.digits.substr(d.digits.size() - decimals);
    return "0." + std::string(decimals - d.digits.size(), '0') + d.digits;
}

// One digit, the others after the point, and an exponent of at least two digits: 1.5e+20, 1e-05.
std::string ScientificText(const Digits &d) {
    const int power = d.exponent + static_cast<int>(d.digits.size()) - 1;
    char exponent[16];
    std::snprintf(exponent, sizeof exponent, "e%c%02d", power < 0 ? '-' : '+', std::abs(power));
    return d.digits.substr(0, 1) + (d.digits.size() > 1 ? "." + d.digits.substr(1) : "") + exponent;
}

// The shorter of the two, fixed-point on a tie.
std::string PlainText(double magnitude, const Digits &d) {
    const std::size_t n = d.digits.size();
    const std::size_t decimals = d.exponent < 0 ? static_cast<std::size_t>(-d.exponent) : 0;
    const std::size_t fixed = d.exponent >= 0 ? n + static_cast<std::size_t>(d.exponent)
                              : n > decimals  ? n + 1
                                              : decimals + 2;
    const int power = d.exponent + static_cast<int>(n) - 1;
    const std::size_t scientific = n + (n > 1 ? 1 : 0) + (std::abs(power) >= 100 ? 5 : 4);
    return fixed <= scientific ? FixedText(magnitude, d) : ScientificText(d);
}

template <class T> std::string SignedText(T x, std::string (*text)(double, const Digits &)) {
    const std::string sign = std::signbit(x) ? "-" : "";
    if (std::isnan(x)) return sign + "nan";
    if (std::isinf(x)) return sign + "inf";
    if (x == 0) return sign + "0";
    return sign + text(std::fabs(static_cast<double>(x)), ShortestDigits(x));
}

template <class T> std::from_chars_result ReadDecimalAs(const char *first, const char *last, T &value) {
    T read = 0;
    const auto result = fast_float::from_chars(first, last, read);
    if (result.ec != std::errc()) return {result.ptr, result.ec};
    const char *digits = first + (*first == '-' ? 1 : 0);
    const bool number = *digits == '.' || (*digits >= '0' && *digits <= '9'); // not inf or nan
    const char *mantissaEnd = std::find_if(digits, result.ptr, [](char c) { return c == 'e' || c == 'E'; });
    const bool notZero =
        std::find_if(digits, mantissaEnd, [](char c) { return c >= '1' && c <= '9'; }) != mantissaEnd;
    if (number && (std::isinf(read) || (read == 0 && notZero)))
        return {result.ptr, std::errc::result_out_of_range};
    value = read;
    return {result.ptr, std::errc()};
}

} // namespace

std::string ShortestFixed(float x) { return SignedText(x, FixedText); }

std::string ShortestText(double x) { return SignedText(x, PlainText); }

std::string ShortestText(float x) { return SignedText(x, PlainText); }

std::from_chars_result ReadDecimal(const char *first, const char *last, double &value) {
    return ReadDecimalAs(first, last, value);
}

std::from_chars_result ReadDecimal(const char *first, const char *last, float &value) {
    return ReadDecimalAs(first, last, value);
}

std::string Cut(const std::string &text, std::size_t n) { return text.size() > n ? text.substr(0, n) : text; }

double SingleWhereItFits(long double x) {
    return std::fabs(x) <= FLT_MAX ? static_cast<double>(static_cast<float>(x)) : static_cast<double>(x);
}
