// Sectioned logger files as a table: sections, units, the date line, and times of day as seconds.
#include "measure/vbo.h"

#include "files/fileio.h"
#include "measure/channelkinds.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <limits>

namespace {

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
        if (line.size() > LogFileLimit.lineBytes)
            throw FormatError("line " + std::to_string(lines.size() + 1) + " is longer than " +
                              std::to_string(LogFileLimit.lineBytes / MiB) +
                              " MiB: no logger writes lines that long");
        lines.push_back(line);
        at = end + 1;
    }
    return lines;
}

bool IsSection(std::string_view line) {
    line = TrimBlanks(line);
    return line.size() >= 2 && line.front() == '[' && line.back() == ']';
}

// The unit a column of these files is known to carry when the file names none.
std::string KnownUnit(const std::string &name) {
    if (name == "time") return "s";
    if (name == "velocity") return "km/h";
    return "";
}

// "08/12/2026 10:16:01" of "File created on 08/12/2026 @ 10:16:01" (or "at 10:16:01").
std::string RecordedOn(std::string_view line) {
    const std::string lower = LowerCase(line);
    const std::size_t on = lower.find(" on ");
    if (lower.find("created") == std::string::npos || on == std::string::npos) return "";
    std::string text(TrimBlanks(line.substr(on + 4)));
    for (const char *separator : {" @ ", " at ", " AT "})
        if (const std::size_t at = text.find(separator); at != std::string::npos)
            text.replace(at, std::string(separator).size(), " ");
    return text;
}

// The columns of the "[column names]" line, with the units in channel order.
void AddColumns(LogTable &table, std::string_view line, std::vector<std::string> units) {
    while (!units.empty() && units.back().empty()) units.pop_back();
    const auto names = Words(line);
    // Units pair with the columns in order, as the file lists its channels.
    if (!units.empty() && units.size() != names.size())
        table.unitNote = "the file lists " + std::to_string(units.size()) + " units for its " +
                         std::to_string(names.size()) + " columns";
    for (std::size_t k = 0; k < names.size(); ++k) {
        const std::string name(names[k]), lower = LowerCase(name);
        std::string unit = k < units.size() ? units[k] : "";
        if (lower == "time") unit = "s"; // written as seconds of the day below
        if (unit.empty()) unit = KnownUnit(lower);
        TableColumn column;
        column.number = static_cast<int>(k + 1);
        column.name = name + (unit.empty() ? "" : " [" + unit + "]");
        column.unit = unit;
        if (lower == "time") column.form = CellForm::ClockTime;
        table.columns.push_back(std::move(column));
    }
}

// Adds the cells of a "[data]" row; the time, hhmmss.ss, as seconds of the day carried across midnight.
class Rows {
public:
    explicit Rows(LogTable &table) : m_table(table) {}

    void Add(int number, std::string_view line) {
        const auto cells = Words(line);
        if (cells.size() != m_table.columns.size())
            throw FormatError("line " + std::to_string(number) + ": the row holds " +
                              std::to_string(cells.size()) + " cells, but the [column names] line (line " +
                              std::to_string(m_table.headerLine) + ") names " +
                              std::to_string(m_table.columns.size()) + " columns");
        for (std::size_t k = 0; k < cells.size(); ++k) {
            TableColumn &column = m_table.columns[k];
            double value = 0;
            const CellValue read = ReadLogNumber(cells[k], value);
            if (read != CellValue::Number) {
                if (!column.bad)
                    column.bad = BadCell{number, std::string(cells[k]), read == CellValue::NotFinite};
                column.values.push_back(std::numeric_limits<double>::quiet_NaN());
                continue;
            }
            if (column.form == CellForm::ClockTime) {
                value = VboSecondsOfDay(value) + m_dayOffset;
                if (m_any && value < m_previous - 43200) { // past midnight
                    m_dayOffset += 86400;
                    value += 86400;
                }
                m_any = true;
                m_previous = value;
            }
            column.values.push_back(value);
        }
        m_table.lines.push_back(number);
    }

private:
    LogTable &m_table;
    double m_dayOffset = 0, m_previous = 0;
    bool m_any = false;
};

} // namespace

bool IsVboText(std::string_view bytes) {
    int seen = 0;
    for (std::string_view line : Lines(bytes.substr(0, std::min<std::size_t>(bytes.size(), 4096)))) {
        line = TrimBlanks(line);
        if (line.empty()) continue;
        if (LowerCase(line) == "[header]") return true;
        if (++seen == 3) break;
    }
    return false;
}

double VboSecondsOfDay(double hhmmss) {
    const double hours = std::floor(hhmmss / 10000);
    const double minutes = std::floor((hhmmss - hours * 10000) / 100);
    return hours * 3600 + minutes * 60 + (hhmmss - hours * 10000 - minutes * 100);
}

LogTable SectionedTable(std::string_view bytes) {
    LogTable table;
    table.format = LogFormat::SectionedText;
    table.separator = 0;
    const std::vector<std::string_view> lines = Lines(bytes);
    std::string section;
    std::vector<std::string> units;
    Rows rows(table);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const int number = static_cast<int>(i + 1);
        const std::string_view line = lines[i];
        if (IsSection(line)) {
            // Blank unit lines count where a unit follows them: those at the end separate the sections.
            if (section == "[channel units]")
                while (!units.empty() && units.back().empty()) units.pop_back();
            section = LowerCase(TrimBlanks(line));
            continue;
        }
        if (section.empty()) {
            if (table.recorded.empty()) table.recorded = RecordedOn(line);
        } else if (section == "[channel units]") {
            units.emplace_back(TrimBlanks(line));
        } else if (section == "[comments]" && !TrimBlanks(line).empty()) {
            table.comments.emplace_back(TrimBlanks(line));
            NoteNamedProgram(TrimBlanks(line), number, table);
        } else if (section == "[column names]" && !TrimBlanks(line).empty() && table.headerLine == 0) {
            table.headerLine = number;
            AddColumns(table, line, units);
        } else if (section == "[data]" && !TrimBlanks(line).empty()) {
            if (table.headerLine == 0)
                throw FormatError("line " + std::to_string(number) +
                                  ": the file's [data] has no [column names] line before it");
            rows.Add(number, line);
        }
    }
    if (table.headerLine == 0) throw FormatError("the file has no [column names] line naming its columns");
    return table;
}
