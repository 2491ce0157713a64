// Number formats: fixed-point text for messages, exports and labels.
#include "compiler/format.h"

#include <cfloat>
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

std::string Cut(const std::string &text, std::size_t n) { return text.size() > n ? text.substr(0, n) : text; }

double SingleWhereItFits(long double x) {
    return std::fabs(x) <= FLT_MAX ? static_cast<double>(static_cast<float>(x)) : static_cast<double>(x);
}
