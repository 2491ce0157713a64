// Number formats: fixed-point text for messages, exports and labels.
#include "compiler/format.h"

#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstdio>

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

std::string ShortestFixed(float x) {
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, x, std::chars_format::fixed);
    return std::string(buffer, result.ptr);
}

std::string Cut(const std::string &text, std::size_t n) { return text.size() > n ? text.substr(0, n) : text; }

double SingleWhereItFits(long double x) {
    return std::fabs(x) <= FLT_MAX ? static_cast<double>(static_cast<float>(x)) : static_cast<double>(x);
}
