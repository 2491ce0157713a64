// One reading of a log file: the text table (header, units, rows of cells), the set and program its
// comments name, and the other formats handed to their readers or refused.
#include "measure/logtable.h"

#include "compiler/format.h"
#include "measure/channelkinds.h"
#include "measure/logformats.h"
#if QUILLARD_MAT_FILES
#include "measure/matlog.h"
#endif
#include "measure/vbo.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <limits>

namespace {

constexpr double NaN = std::numeric_limits<double>::quiet_NaN();
// A header is looked for among this many lines before the first row of numbers.
constexpr std::size_t MostPreambleLines = 1000;
// The comments kept of a log: those of its head, not one for each of a million rows.
constexpr std::size_t MostComments = 200;

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// Splits one line into cells: at a separator character, or at runs of blanks when the separator is 0.
// Cells are trimmed of blanks and of one pair of surrounding double quotes.
void SplitCells(std::string_view line, char separator, std::size_t most,
                std::vector<std::string_view> &cells) {
    cells.clear();
    std::size_t at = 0;
    while (cells.size() < most) {
        std::size_t end = 0;
        if (separator == 0) {
            while (at < line.size() && IsBlank(line[at])) ++at;
            if (at == line.size()) break;
            end = at;
            while (end < line.size() && !IsBlank(line[end])) ++end;
        } else {
            end = line.find(separator, at);
            if (end == std::string_view::npos) end = line.size();
        }
        std::string_view cell = TrimBlanks(line.substr(at, end - at));
        if (cell.size() >= 2 && cell.front() == '"' && cell.back() == '"')
            cell = cell.substr(1, cell.size() - 2);
        cells.push_back(cell);
        if (end == line.size()) break;
        at = end + (separator == 0 ? 0 : 1);
    }
}

// The separator a line uses: a tab, a semicolon or a comma, whichever appears first in that order of
// preference; blanks otherwise.
char SeparatorOf(std::string_view line) {
    for (char c : {'\t', ';', ','})
        if (line.find(c) != std::string_view::npos) return c;
    return 0;
}

} // namespace

CellValue ReadLogNumber(std::string_view cell, double &value) {
    if (cell.empty()) return CellValue::Empty;
    std::string_view digits = cell;
    if (digits.front() == '+') digits.remove_prefix(1);
    if (digits.empty() || digits.front() == '+' || (digits.front() == '-' && cell.front() == '+'))
        return CellValue::NotNumber;
    auto [end, error] = ReadDecimal(digits.data(), digits.data() + digits.size(), value);
    if (end != digits.data() + digits.size()) return CellValue::NotNumber;
    if (error == std::errc::result_out_of_range) return CellValue::NotFinite;
    if (error != std::errc()) return CellValue::NotNumber;
    return std::isfinite(value) ? CellValue::Number : CellValue::NotFinite;
}

namespace {

CellValue ReadNumber(std::string_view cell, double &value) { return ReadLogNumber(cell, value); }

bool ReadClockParts(std::string_view text, double &whole, double &fraction, CellForm &form);

// A cell as a value: a number, or a clock time.
CellValue ReadCell(std::string_view cell, double &value, CellForm &form) {
    const CellValue read = ReadNumber(cell, value);
    form = CellForm::Number;
    if (read == CellValue::NotNumber && ReadClockTime(cell, value, form)) return CellValue::Number;
    return read;
}

// A cell as its whole part and its decimals, both exact where a double holds the whole part: a number
// from 1e8 on written without an exponent (a time since 1970), or a date and clock time.
CellValue ReadCellParts(std::string_view cell, double &whole, double &fraction, CellForm &form) {
    fraction = 0;
    const CellValue read = ReadCell(cell, whole, form);
    if (read != CellValue::Number) return read;
    if (form != CellForm::Number) {
        ReadClockParts(cell, whole, fraction, form);
        return read;
    }
    const std::size_t point = cell.find('.');
    if (!(std::fabs(whole) >= 1e8) || point == std::string_view::npos ||
        cell.find_first_of("eE") != std::string_view::npos)
        return read;
    double integer = 0;
    const std::string_view digits = cell.substr(0, point);
    std::string decimals = "0" + std::string(cell.substr(point));
    if (ReadNumber(digits, integer) != CellValue::Number ||
        ReadDecimal(decimals.data(), decimals.data() + decimals.size(), fraction).ec != std::errc())
        return read;
    whole = integer;
    if (digits.starts_with('-')) fraction = -fraction;
    return read;
}

std::string LineText(int line) { return "line " + std::to_string(line); }

// The lines of a log as LineReader splits them, counted from 1; a CR that ends the text is dropped as
// one before a LF is.
class NumberedLineReader {
public:
    explicit NumberedLineReader(std::string_view bytes) : m_lines(WithoutFinalCr(bytes)) {}
    bool Next(std::string_view &line) {
        if (!m_lines.Next(line)) return false;
        ++m_number;
        if (line.size() > LogFileLimit.lineBytes)
            throw FormatError(LineText(m_number) + " is longer than " +
                              std::to_string(LogFileLimit.lineBytes / MiB) +
                              " MiB: no logger writes lines that long");
        return true;
    }
    int number() const { return m_number; }

private:
    static std::string_view WithoutFinalCr(std::string_view bytes) {
        if (!bytes.empty() && bytes.back() == '\r') bytes.remove_suffix(1);
        return bytes;
    }
    LineReader m_lines;
    int m_number = 0;
};

bool IsComment(std::string_view line) {
    const std::string_view trimmed = TrimBlanks(line);
    return trimmed.empty() || trimmed.front() == '#';
}

// A line of the text with its number.
struct NumberedLine {
    int number = 0;
    std::string_view text;
};

// A row of numbers: two cells or more, each a number, a clock time or empty, one at least not empty.
bool IsRowOfNumbers(std::string_view line) {
    std::vector<std::string_view> cells;
    SplitCells(line, SeparatorOf(line), std::numeric_limits<std::size_t>::max(), cells);
    if (cells.size() < 2) return false;
    bool any = false;
    for (std::string_view cell : cells) {
        double value = 0;
        CellForm form = CellForm::Number;
        const CellValue read = ReadCell(cell, value, form);
        if (read != CellValue::Number && read != CellValue::Empty) return false;
        any |= read == CellValue::Number;
    }
    return any;
}

std::vector<std::string_view> CellsOf(std::string_view line) {
    std::vector<std::string_view> cells;
    SplitCells(line, SeparatorOf(line), std::numeric_limits<std::size_t>::max(), cells);
    return cells;
}

// A header line: two names or more, none of them a number.
bool IsHeaderLine(std::string_view line) {
    const auto cells = CellsOf(line);
    double value = 0;
    return cells.size() >= 2 && std::none_of(cells.begin(), cells.end(), [&](std::string_view c) {
               return ReadNumber(c, value) == CellValue::Number;
           });
}

// A line of units below the header: every cell a unit the reader knows, empty or "-".
bool IsUnitLine(std::string_view line) {
    const auto cells = CellsOf(line);
    bool any = false;
    for (std::string_view cell : cells) {
        std::string unit(cell);
        if (unit.size() >= 2 && (unit.front() == '[' || unit.front() == '('))
            unit = unit.substr(1, unit.size() - 2);
        if (unit.empty() || unit == "-") continue;
        if (KindOfUnit(unit) == UnitKind::Unknown) return false;
        any = true;
    }
    return any;
}

} // namespace

void NoteNamedProgram(std::string_view line, int number, LogTable &table) {
    if (table.namedOnLine != 0) return;
    std::vector<std::string> words, lower; // trailing ':', ',', ')' and '.' taken off
    std::vector<bool> colon;               // the word ended with ':'
    std::string word;
    for (char c : std::string(line) + " ") {
        if (!IsBlank(c) && c != ',' && c != ';' && c != '"' && c != '\'' && c != '(') {
            word += c;
            continue;
        }
        const bool endsWithColon = word.ends_with(':');
        while (!word.empty() && (word.back() == ':' || word.back() == '.' || word.back() == ')'))
            word.pop_back();
        if (!word.empty()) {
            words.push_back(word);
            std::string l = word;
            for (char &ch : l) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
            lower.push_back(l);
            colon.push_back(endsWithColon);
        }
        word.clear();
    }
    std::string file;
    int program = -1;
    for (std::size_t i = 0; i < words.size(); ++i) {
        if (file.empty() && lower[i].size() > 4 && lower[i].ends_with(".rom")) file = words[i];
        if (file.empty() && i > 0 && lower[i - 1] == "program" && colon[i - 1] &&
            words[i].find('.') != std::string::npos)
            file = words[i]; // "program: sid.txt"
        if (program < 0 && lower[i] == "program" && i + 1 < words.size()) {
            std::string n = words[i + 1];
            if (!n.empty() && n.front() == '#') n.erase(0, 1);
            if (!n.empty() && n.size() <= 2 &&
                std::all_of(n.begin(), n.end(), [](char c) { return c >= '0' && c <= '9'; }))
                program = std::stoi(n);
        }
    }
    if (file.empty() && program < 0) return;
    table.set = file;
    table.program = program;
    table.namedOnLine = number;
}

namespace {

void AddComment(LogTable &table, const NumberedLine &line) {
    std::string_view text = TrimBlanks(line.text);
    if (text.starts_with("#")) text = TrimBlanks(text.substr(1));
    if (text.empty()) return;
    if (table.comments.size() < MostComments) table.comments.emplace_back(text);
    NoteNamedProgram(text, line.number, table);
}

// The columns of a header line and the units of a line of units below it.
void AddColumns(LogTable &table, std::string_view header, std::string_view units) {
    std::vector<std::string_view> names, unitCells;
    SplitCells(header, table.separator, std::numeric_limits<std::size_t>::max(), names);
    if (!units.empty()) SplitCells(units, SeparatorOf(units), names.size(), unitCells);
    for (std::size_t k = 0; k < names.size(); ++k) {
        TableColumn column;
        column.number = static_cast<int>(k + 1);
        column.name = std::string(names[k]);
        column.unit = SplitColumnName(column.name).unit;
        if (column.unit.empty() && k < unitCells.size()) {
            std::string unit(unitCells[k]);
            if (unit.size() >= 2 && (unit.front() == '[' || unit.front() == '('))
                unit = unit.substr(1, unit.size() - 2);
            if (unit != "-") column.unit = unit;
        }
        table.columns.push_back(std::move(column));
    }
}

// Fills the columns with the cells of one row. A clock time that falls back by more than half a day has
// passed midnight: the day is carried on.
class RowReader {
public:
    explicit RowReader(LogTable &table)
        : m_table(table), m_dayOffset(table.columns.size(), 0), m_previous(table.columns.size(), NaN),
          m_seen(table.columns.size(), false) {}

    void Add(const NumberedLine &line) {
        SplitCells(line.text, m_table.separator, m_table.columns.size(), m_cells);
        for (std::size_t k = 0; k < m_table.columns.size(); ++k) {
            TableColumn &column = m_table.columns[k];
            const std::string_view cell = k < m_cells.size() ? m_cells[k] : std::string_view();
            double value = NaN, fraction = 0;
            CellForm form = CellForm::Number;
            const CellValue read = ReadCellParts(cell, value, fraction, form);
            if (read == CellValue::Number) {
                if (!m_seen[k] && std::fabs(value) >= 1e8) column.base = value;
                m_seen[k] = true;
                value = (value - column.base) + fraction;
            }
            if (read == CellValue::Empty) {
                ++column.empty;
            } else if (read != CellValue::Number) {
                if (!column.bad)
                    column.bad = BadCell{line.number, std::string(cell), read == CellValue::NotFinite};
                value = NaN;
            } else if (form == CellForm::ClockTime) {
                column.form = form;
                if (!std::isnan(m_previous[k]) && value + m_dayOffset[k] < m_previous[k] - 43200)
                    m_dayOffset[k] += 86400;
                value += m_dayOffset[k];
                m_previous[k] = value;
            } else if (form == CellForm::DateTime) {
                column.form = form;
            }
            column.values.push_back(read == CellValue::Number ? value : NaN);
        }
        m_table.lines.push_back(line.number);
    }

private:
    LogTable &m_table;
    std::vector<double> m_dayOffset, m_previous;
    std::vector<bool> m_seen; // a number of the column was read
    std::vector<std::string_view> m_cells;
};

// A log whose lines end in a carriage return alone, which LineReader would read as one line.
bool EndsLinesInCrAlone(std::string_view bytes) {
    const std::size_t end = bytes.find_first_of("\r\n");
    return end != std::string_view::npos && bytes[end] == '\r' && end + 1 < bytes.size() &&
           bytes[end + 1] != '\n';
}

// The number of lines after the reader's that are no comments, without reading them.
std::size_t RowCount(NumberedLineReader reader) {
    std::size_t count = 0;
    std::string_view line;
    while (reader.Next(line))
        if (!IsComment(line)) ++count;
    return count;
}

LogTable ParseTextTable(std::string_view bytes) {
    if (EndsLinesInCrAlone(bytes))
        throw FormatError("the log's lines end in a carriage return alone (CR): the reader takes LF or CR LF "
                          "line ends, so save it with either");
    LogTable table;
    NumberedLineReader reader(bytes);
    // The lines before the first row of numbers: the header is the last of them (or the one before a
    // line of units), those before it are comments. Without such a header the first line is the header
    // and every line after it a row, as in a log whose first row holds a cell that is no number.
    std::vector<NumberedLine> preamble;
    std::optional<NumberedLine> firstRow;
    std::string_view line;
    while (preamble.size() < MostPreambleLines && reader.Next(line)) {
        if (IsComment(line)) {
            if (!TrimBlanks(line).empty()) AddComment(table, {reader.number(), line});
            continue;
        }
        if (IsRowOfNumbers(line)) {
            firstRow = NumberedLine{reader.number(), line};
            break;
        }
        preamble.push_back({reader.number(), line});
    }
    if (preamble.empty()) {
        if (!firstRow) throw FormatError("the log is empty: it needs a header line and rows of numbers");
        throw FormatError(
            LineText(firstRow->number) +
            ": the log has no header line: its first line must name the columns, not hold numbers");
    }
    std::size_t header = 0, units = 0; // in the preamble, from 1; 0: none
    if (firstRow) {
        const std::size_t last = preamble.size();
        if (last >= 2 && IsUnitLine(preamble[last - 1].text) && IsHeaderLine(preamble[last - 2].text))
            header = last - 1, units = last;
        else if (IsHeaderLine(preamble[last - 1].text))
            header = last;
    }
    std::vector<NumberedLine> rows;
    if (header == 0) { // the first line is the header, the rest rows
        header = 1;
        rows.assign(preamble.begin() + 1, preamble.end());
    } else {
        for (std::size_t i = 0; i + 1 < header; ++i) AddComment(table, preamble[i]);
    }
    const NumberedLine &headerLine = preamble[header - 1];
    table.headerLine = headerLine.number;
    table.separator = SeparatorOf(headerLine.text);
    if (units) table.unitLine = preamble[units - 1].number;
    AddColumns(table, headerLine.text, units ? preamble[units - 1].text : std::string_view());
    // As many values as there are rows: the columns neither grow step by step nor take room for the
    // comment lines.
    const std::size_t count = rows.size() + (firstRow ? 1 : 0) + RowCount(reader);
    for (TableColumn &column : table.columns) column.values.reserve(count);
    table.lines.reserve(count);
    RowReader rowReader(table);
    for (const NumberedLine &row : rows) rowReader.Add(row);
    if (firstRow) rowReader.Add(*firstRow);
    while (reader.Next(line)) {
        if (IsComment(line)) {
            if (table.comments.size() < MostComments || table.namedOnLine == 0)
                AddComment(table, {reader.number(), line});
            continue;
        }
        rowReader.Add({reader.number(), line});
    }
    return table;
}

// UTF-16 text (with its byte-order mark) as UTF-8.
std::string Utf8OfUtf16(std::string_view bytes) {
    const bool little = static_cast<unsigned char>(bytes[0]) == 0xff;
    std::string text;
    text.reserve(bytes.size() / 2);
    auto unit = [&](std::size_t i) {
        const auto a = static_cast<unsigned char>(bytes[i]), b = static_cast<unsigned char>(bytes[i + 1]);
        return static_cast<unsigned>(little ? a | b << 8 : b | a << 8);
    };
    for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) {
        unsigned c = unit(i);
        if (c >= 0xd800 && c < 0xdc00 && i + 3 < bytes.size()) {
            const unsigned low = unit(i + 2);
            if (low >= 0xdc00 && low < 0xe000) c = 0x10000 + ((c - 0xd800) << 10) + (low - 0xdc00), i += 2;
        }
        if (c < 0x80) {
            text += static_cast<char>(c);
        } else if (c < 0x800) {
            text += static_cast<char>(0xc0 | c >> 6);
            text += static_cast<char>(0x80 | (c & 0x3f));
        } else if (c < 0x10000) {
            text += static_cast<char>(0xe0 | c >> 12);
            text += static_cast<char>(0x80 | (c >> 6 & 0x3f));
            text += static_cast<char>(0x80 | (c & 0x3f));
        } else {
            text += static_cast<char>(0xf0 | c >> 18);
            text += static_cast<char>(0x80 | (c >> 12 & 0x3f));
            text += static_cast<char>(0x80 | (c >> 6 & 0x3f));
            text += static_cast<char>(0x80 | (c & 0x3f));
        }
    }
    return text;
}

int DaysFromCivil(int y, unsigned m, unsigned d) { // days since 1970-01-01 of a proleptic Gregorian date
    y -= m <= 2;
    const int era = (y >= 0 ? y : y - 399) / 400;
    const auto yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<int>(doe) - 719468;
}

// Digits at the start of the text, exactly n of them.
bool Digits(std::string_view &text, std::size_t n, int &value) {
    if (text.size() < n) return false;
    value = 0;
    for (std::size_t i = 0; i < n; ++i) {
        if (text[i] < '0' || text[i] > '9') return false;
        value = value * 10 + (text[i] - '0');
    }
    text.remove_prefix(n);
    return true;
}

bool Expect(std::string_view &text, char c) {
    if (text.empty() || text.front() != c) return false;
    text.remove_prefix(1);
    return true;
}

// hh:mm:ss with optional decimals, as whole seconds of the day and their decimals.
bool ReadClock(std::string_view text, double &whole, double &fraction) {
    int h = 0, m = 0, s = 0;
    const std::size_t colon = text.find(':');
    if (colon == 0 || colon > 2) return false;
    std::string_view rest = text;
    if (!Digits(rest, colon, h) || !Expect(rest, ':') || !Digits(rest, 2, m) || !Expect(rest, ':') ||
        !Digits(rest, 2, s) || h > 23 || m > 59 || s > 60)
        return false;
    fraction = 0;
    if (!rest.empty()) {
        if (rest.front() != '.' && rest.front() != ',') return false;
        std::string decimals = "0." + std::string(rest.substr(1));
        if (rest.size() < 2 ||
            !std::all_of(rest.begin() + 1, rest.end(), [](char c) { return c >= '0' && c <= '9'; }))
            return false;
        ReadDecimal(decimals.data(), decimals.data() + decimals.size(), fraction);
    }
    whole = h * 3600.0 + m * 60.0 + s;
    return true;
}

} // namespace

const char *LogFormatName(LogFormat format) {
    switch (format) {
    case LogFormat::SectionedText:
        return "sectioned logger text";
    case LogFormat::Mat:
        return "MATLAB level 5";
    case LogFormat::TextTable:
        break;
    }
    return "text table";
}

bool ReadClockTime(std::string_view text, double &seconds, CellForm &form) {
    double whole = 0, fraction = 0;
    if (!ReadClockParts(text, whole, fraction, form)) return false;
    seconds = whole + fraction;
    return true;
}

namespace {

bool ReadClockParts(std::string_view text, double &whole, double &fraction, CellForm &form) {
    if (text.size() >= 19 && text[4] == '-' && text[7] == '-' && (text[10] == 'T' || text[10] == ' ')) {
        std::string_view rest = text;
        int y = 0, mo = 0, d = 0;
        if (!Digits(rest, 4, y) || !Expect(rest, '-') || !Digits(rest, 2, mo) || !Expect(rest, '-') ||
            !Digits(rest, 2, d) || mo < 1 || mo > 12 || d < 1 || d > 31)
            return false;
        rest.remove_prefix(1);
        if (rest.ends_with('Z')) rest.remove_suffix(1);
        if (!ReadClock(rest, whole, fraction)) return false;
        whole += DaysFromCivil(y, static_cast<unsigned>(mo), static_cast<unsigned>(d)) * 86400.0;
        form = CellForm::DateTime;
        return true;
    }
    if (text.find(':') == std::string_view::npos || !ReadClock(text, whole, fraction)) return false;
    form = CellForm::ClockTime;
    return true;
}

} // namespace

std::string ClockText(double seconds, CellForm form) {
    const double days = std::floor(seconds / 86400);
    double inDay = seconds - days * 86400;
    // Milliseconds, rounded once, so that 59.9996 s is written as the next minute.
    auto ms = static_cast<long long>(std::llround(inDay * 1000));
    long long day = static_cast<long long>(days);
    if (ms >= 86400000) ms -= 86400000, ++day;
    char clock[32];
    std::snprintf(clock, sizeof clock, "%02lld:%02lld:%02lld.%03lld", ms / 3600000, ms / 60000 % 60,
                  ms / 1000 % 60, ms % 1000);
    if (form != CellForm::DateTime) return clock;
    // The civil date of the day since 1970.
    long long z = day + 719468;
    const long long era = (z >= 0 ? z : z - 146096) / 146097;
    const long long doe = z - era * 146097;
    const long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const long long mp = (5 * doy + 2) / 153;
    const long long d = doy - (153 * mp + 2) / 5 + 1;
    const long long m = mp < 10 ? mp + 3 : mp - 9;
    const long long y = yoe + era * 400 + (m <= 2);
    char date[96];
    std::snprintf(date, sizeof date, "%04lld-%02lld-%02lld %s UTC", y, m, d, clock);
    return date;
}

LogTable ParseLogTable(std::string_view bytes) {
    const LogFileKind kind = RecogniseLogBytes(bytes.substr(0, 8192), bytes.size());
    switch (kind.bytes) {
    case LogBytes::Other:
        RefuseLogFormat(kind.name);
    case LogBytes::Mat5:
#if QUILLARD_MAT_FILES
        return MatLogTable(bytes);
#else
        RefuseLogFormat(kind.name, true);
#endif
    case LogBytes::Utf16Text:
        return ParseLogTable(Utf8OfUtf16(bytes));
    case LogBytes::Text:
        break;
    }
    if (bytes.starts_with("\xef\xbb\xbf")) bytes.remove_prefix(3);
    if (IsVboText(bytes)) return SectionedTable(bytes);
    return ParseTextTable(bytes);
}

LogTable ReadLogTable(const std::string &path) { return ParseLogTable(ReadFileBytes(path, LogFileLimit)); }

std::vector<std::string> LogColumnNames(std::string_view start) {
    // The table's lines are whole only up to the last line end of the start.
    const std::size_t end = start.rfind('\n');
    if (end == std::string_view::npos) return {};
    try {
        const LogTable table = ParseLogTable(start.substr(0, end + 1));
        std::vector<std::string> names;
        for (const TableColumn &column : table.columns) names.push_back(column.name);
        return names;
    } catch (const FormatError &) {
        return {};
    }
}
