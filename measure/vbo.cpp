// Sectioned logger files as the log reader's table: sections, units, and times of day as seconds.
#include "measure/vbo.h"

#include "compiler/format.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>

namespace {

std::string_view Trimmed(std::string_view line) {
    while (!line.empty() && std::isspace(static_cast<unsigned char>(line.front()))) line.remove_prefix(1);
    while (!line.empty() && std::isspace(static_cast<unsigned char>(line.back()))) line.remove_suffix(1);
    return line;
}

std::string Lower(std::string_view text) {
    std::string lower(text);
    for (char &c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return lower;
}

std::vector<std::string_view> Words(std::string_view line) {
    std::vector<std::string_view> words;
    std::size_t at = 0;
    while (at < line.size()) {
        while (at < line.size() && std::isspace(static_cast<unsigned char>(line[at]))) ++at;
        std::size_t end = at;
        while (end < line.size() && !std::isspace(static_cast<unsigned char>(line[end]))) ++end;
        if (end > at) words.push_back(line.substr(at, end - at));
        at = end;
    }
    return words;
}

// The lines of the text, without their line ends.
std::vector<std::string_view> Lines(std::string_view bytes) {
    std::vector<std::string_view> lines;
    std::size_t at = 0;
    while (at < bytes.size()) {
        std::size_t end = bytes.find('\n', at);
        if (end == std::string_view::npos) end = bytes.size();
        std::string_view line = bytes.substr(at, end - at);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        lines.push_back(line);
        at = end + 1;
    }
    return lines;
}

bool IsSection(std::string_view line) {
    line = Trimmed(line);
    return line.size() >= 2 && line.front() == '[' && line.back() == ']';
}

// The unit a column of these files is known to carry when the file names none.
std::string KnownUnit(const std::string &name) {
    if (name == "time") return "s";
    if (name == "velocity") return "km/h";
    return "";
}

bool ReadDouble(std::string_view cell, double &value) {
    if (!cell.empty() && cell.front() == '+') cell.remove_prefix(1);
    const auto [end, error] = ReadDecimal(cell.data(), cell.data() + cell.size(), value);
    return error == std::errc() && end == cell.data() + cell.size() && std::isfinite(value);
}

} // namespace

bool IsVboText(std::string_view bytes) {
    int seen = 0;
    for (std::string_view line : Lines(bytes.substr(0, 4096))) {
        line = Trimmed(line);
        if (line.empty()) continue;
        if (Lower(line) == "[header]") return true;
        if (++seen == 3) break;
    }
    return false;
}

double VboSecondsOfDay(double hhmmss) {
    const double hours = std::floor(hhmmss / 10000);
    const double minutes = std::floor((hhmmss - hours * 10000) / 100);
    return hours * 3600 + minutes * 60 + (hhmmss - hours * 10000 - minutes * 100);
}

std::string VboAsTable(std::string_view bytes, std::string *unitNote) {
    const std::vector<std::string_view> lines = Lines(bytes);
    std::string section;
    std::vector<std::string> units;
    std::string table;
    std::size_t timeIndex = std::string::npos;
    double firstTime = 0, previousTime = 0, dayOffset = 0;
    bool anyRow = false;
    char number[40];
    // Blank unit lines count where a unit follows them: those at the end separate the sections.
    auto dropTrailingBlanks = [&] {
        while (!units.empty() && units.back().empty()) units.pop_back();
    };
    for (std::string_view line : lines) {
        if (IsSection(line)) {
            if (section == "[channel units]") dropTrailingBlanks();
            section = Lower(Trimmed(line));
            table += "#\n";
            continue;
        }
        if (section == "[channel units]") {
            units.emplace_back(Trimmed(line));
        } else if (section == "[column names]" && !Trimmed(line).empty()) {
            dropTrailingBlanks();
            const auto names = Words(line);
            // Units pair with the columns in order, as the file lists its channels.
            if (unitNote && !units.empty() && units.size() != names.size())
                *unitNote = "the file lists " + std::to_string(units.size()) + " units for its " +
                            std::to_string(names.size()) + " columns";
            for (std::size_t k = 0; k < names.size(); ++k) {
                const std::string name(names[k]), lower = Lower(name);
                std::string unit = k < units.size() ? units[k] : "";
                if (lower == "time") timeIndex = k, unit = "s"; // written as seconds below
                if (unit.empty()) unit = KnownUnit(lower);
                table += (k ? "\t" : "") + name + (unit.empty() ? "" : " [" + unit + "]");
            }
            table += "\n";
            section = "[column names] read";
            continue;
        } else if (section == "[data]" && !Trimmed(line).empty()) {
            const auto cells = Words(line);
            for (std::size_t k = 0; k < cells.size(); ++k) {
                double value = 0;
                if (k == timeIndex && ReadDouble(cells[k], value)) {
                    double seconds = VboSecondsOfDay(value) + dayOffset;
                    if (anyRow && seconds < previousTime - 43200) { // past midnight
                        dayOffset += 86400;
                        seconds += 86400;
                    }
                    if (!anyRow) firstTime = seconds;
                    anyRow = true;
                    previousTime = seconds;
                    std::snprintf(number, sizeof number, "%.6f", seconds - firstTime);
                    table += (k ? "\t" : "") + std::string(number);
                } else {
                    table += (k ? "\t" : "") + std::string(cells[k]);
                }
            }
            table += "\n";
            continue;
        }
        table += "#\n";
    }
    return table;
}
