// Messages and steps of the evaluations written with printf's formats, of any length.
#pragma once

#include <cstdio>
#include <string>

template <typename... Values> std::string Text(const char *format, Values... values) {
    const int length = std::snprintf(nullptr, 0, format, values...);
    if (length <= 0) return {};
    std::string text(static_cast<std::size_t>(length), '\0');
    std::snprintf(text.data(), text.size() + 1, format, values...);
    return text;
}
