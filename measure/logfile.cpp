// Measured logs: the time, steer and mark columns of a data logger's text file.
#include "measure/logfile.h"

#include "compiler/format.h"
#include "files/fileio.h"
#include "measure/vbo.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>

namespace {

// Splits one line into cells: at a separator character, or at runs of blanks when the separator
// is 0. Cells are trimmed of blanks and of one pair of surrounding double quotes.
class CellSplitter {
public:
    explicit CellSplitter(char separator) : m_separator(separator) {}

    // The cells of the line, up to and including cell `last` (0-based); fewer when the line has fewer.
    void Split(std::string_view line, std::size_t last, std::vector<std::string_view> &cells) const {
        cells.clear();
        std::size_t at = 0;
        while (cells.size() <= last) {
            if (m_separator == 0) {
                while (at < line.size() && IsBlank(line[at])) ++at;
                if (at == line.size()) break;
                std::size_t end = at;
                while (end < line.size() && !IsBlank(line[end])) ++end;
                cells.push_back(Trim(line.substr(at, end - at)));
                at = end;
            } else {
                std::size_t end = line.find(m_separator, at);
                if (end == std::string_view::npos) end = line.size();
                cells.push_back(Trim(line.substr(at, end - at)));
                if (end == line.size()) break;
                at = end + 1;
            }
        }
    }

    static bool IsBlank(char c) { return c == ' ' || c == '\t'; }
    static std::string_view Trim(std::string_view cell) {
        while (!cell.empty() && IsBlank(cell.front())) cell.remove_prefix(1);
        while (!cell.empty() && IsBlank(cell.back())) cell.remove_suffix(1);
        if (cell.size() >= 2 && cell.front() == '"' && cell.back() == '"')
            cell = cell.substr(1, cell.size() - 2);
        return cell;
    }

private:
    char m_separator;
};

// The separator a header line uses: a tab, a semicolon or a comma, whichever appears first in that
// order of preference; blanks otherwise.
char SeparatorOf(std::string_view header) {
    for (char c : {'\t', ';', ','})
        if (header.find(c) != std::string_view::npos) return c;
    return 0;
}

enum class CellValue { Number, Empty, NotNumber, NotFinite };

// A decimal number as loggers write it (optional sign, decimal point, exponent), read locale-free.
CellValue ReadNumber(std::string_view cell, double &value) {
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

std::string Lower(std::string_view text) {
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lower;
}

// A header name split into its base ("steer") and the unit in brackets at its end ("deg").
struct HeaderName {
    std::string base, unit; // lower case, trimmed
};
HeaderName SplitName(std::string_view name) {
    HeaderName split{Lower(CellSplitter::Trim(name)), ""};
    std::string &base = split.base;
    if (!base.empty() && (base.back() == ')' || base.back() == ']')) {
        const char open = base.back() == ')' ? '(' : '[';
        if (std::size_t at = base.rfind(open); at != std::string::npos) {
            split.unit =
                Lower(CellSplitter::Trim(std::string_view(base).substr(at + 1, base.size() - at - 2)));
            base = std::string(CellSplitter::Trim(std::string_view(base).substr(0, at)));
        }
    }
    return split;
}

std::optional<TimeUnit> TimeUnitOf(const std::string &unit) {
    if (unit == "s" || unit == "sec" || unit == "second" || unit == "seconds") return TimeUnit::Seconds;
    if (unit == "ms" || unit == "msec") return TimeUnit::Milliseconds;
    return std::nullopt;
}

std::optional<AngleUnit> AngleUnitOf(const std::string &unit) {
    // The degree sign in Latin-1 and in UTF-8.
    if (unit == "deg" || unit == "degree" || unit == "degrees" || unit == "\xb0" || unit == "\xc2\xb0")
        return AngleUnit::Degrees;
    if (unit == "rad" || unit == "radian" || unit == "radians") return AngleUnit::Radians;
    return std::nullopt;
}

std::string ColumnList(const std::vector<std::string> &names) {
    std::string list;
    for (const std::string &name : names) list += (list.empty() ? "" : ", ") + name;
    return list;
}

// The 0-based index of the column a user named by header name or by number.
std::size_t FindColumn(const std::vector<std::string> &names, const std::string &wanted) {
    if (!wanted.empty() &&
        std::all_of(wanted.begin(), wanted.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        const std::size_t number = wanted.size() > 6 ? 0 : std::stoul(wanted);
        if (number < 1 || number > names.size())
            throw FormatError("there is no column " + wanted + ": the header names " +
                              std::to_string(names.size()) + " columns");
        return number - 1;
    }
    const std::string full = Lower(CellSplitter::Trim(wanted));
    for (std::size_t i = 0; i < names.size(); ++i)
        if (Lower(CellSplitter::Trim(names[i])) == full) return i;
    const std::string base = SplitName(wanted).base;
    for (std::size_t i = 0; i < names.size(); ++i)
        if (SplitName(names[i]).base == base) return i;
    throw FormatError("no column \"" + wanted + "\" in the header (its columns: " + ColumnList(names) + ")");
}

std::size_t DefaultColumn(const std::vector<std::string> &names, bool time) {
    for (std::size_t i = 0; i < names.size(); ++i) {
        const std::string base = SplitName(names[i]).base;
        if (time ? (base == "t" || base.rfind("time", 0) == 0) : base.find("steer") != std::string::npos)
            return i;
    }
    const std::size_t fallback = time ? 0 : 1;
    if (fallback >= names.size())
        throw FormatError("the header names one column: a log needs a time and a steer column");
    return fallback;
}

std::string Number(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.9g", value);
    return text;
}

// The lines of a log as LineReader splits them, counted from 1; a CR that ends the text is dropped as
// one before a LF is.
class NumberedLineReader {
public:
    explicit NumberedLineReader(std::string_view bytes) : m_lines(WithoutFinalCr(bytes)) {}
    bool Next(std::string_view &line) {
        if (!m_lines.Next(line)) return false;
        ++m_number;
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

bool IsSkipped(std::string_view line) {
    std::size_t first = 0;
    while (first < line.size() && CellSplitter::IsBlank(line[first])) ++first;
    return first == line.size() || line[first] == '#';
}

// The number of lines after the reader's that are neither blank nor a comment, without reading them.
std::size_t ContentLineCount(NumberedLineReader reader) {
    std::size_t count = 0;
    std::string_view line;
    while (reader.Next(line))
        if (!IsSkipped(line)) ++count;
    return count;
}

// The next line that is neither blank nor a comment; false when there is none.
bool NextContentLine(NumberedLineReader &reader, std::string_view &line) {
    while (reader.Next(line))
        if (!IsSkipped(line)) return true;
    return false;
}

// The cells of a header line, split at the separator it uses; nothing when every cell is a number
// (a row of data, not a header).
std::vector<std::string> HeaderNames(std::string_view line) {
    std::vector<std::string_view> cells;
    CellSplitter(SeparatorOf(line)).Split(line, std::string_view::npos - 1, cells);
    double ignored = 0;
    if (std::all_of(cells.begin(), cells.end(),
                    [&](std::string_view c) { return ReadNumber(c, ignored) == CellValue::Number; }))
        return {};
    return {cells.begin(), cells.end()};
}

std::string LineText(int line) { return "line " + std::to_string(line); }

// A column the log is read from: its 0-based index and where its values go.
struct WantedColumn {
    std::size_t index;
    std::vector<double> *values;
};

// The time, steer and (when asked for) mark columns of the log, by the options or, where they name
// none, by the header's names; the log records them and the units their values are in.
std::vector<WantedColumn> ChooseColumns(const std::vector<std::string> &names, const LogOptions &options,
                                        MeasuredLog &log) {
    const std::size_t time =
        options.timeColumn.empty() ? DefaultColumn(names, true) : FindColumn(names, options.timeColumn);
    const std::size_t steer =
        options.steerColumn.empty() ? DefaultColumn(names, false) : FindColumn(names, options.steerColumn);
    log.timeColumn = {static_cast<int>(time + 1), names[time]};
    log.steerColumn = {static_cast<int>(steer + 1), names[steer]};
    log.timeUnit =
        options.timeUnit.value_or(TimeUnitOf(SplitName(names[time]).unit).value_or(TimeUnit::Seconds));
    log.angleUnit =
        options.angleUnit.value_or(AngleUnitOf(SplitName(names[steer]).unit).value_or(AngleUnit::Degrees));
    std::vector<WantedColumn> wanted{{time, &log.time}, {steer, &log.steer}};
    if (!options.markColumn.empty()) {
        const std::size_t mark = FindColumn(names, options.markColumn);
        log.markColumn = {static_cast<int>(mark + 1), names[mark]};
        wanted.push_back({mark, &log.mark});
    }
    return wanted;
}

// Why a cell of a column read is not a number, naming its line and column.
FormatError BadCell(int line, std::size_t index, const std::string &name, std::string_view cell,
                    CellValue read, char separator) {
    std::string message = LineText(line) + ", column " + std::to_string(index + 1) + " \"" + name + "\": \"" +
                          std::string(cell) + "\" is not a " +
                          (read == CellValue::NotFinite ? "finite number" : "number");
    if (read == CellValue::NotNumber && separator != ',' && cell.find(',') != std::string_view::npos)
        message += " (the log must use a decimal point)";
    return FormatError(message);
}

// Reads the rows below the header into the wanted columns. A row with an empty cell in one of them
// is a logger's dropout, counted in the log and skipped; any other cell that is not a finite number,
// or a time that does not increase, is a FormatError. Returns the line of the last row read.
int ReadRows(NumberedLineReader &reader, char separator, const std::vector<std::string> &names,
             const std::vector<WantedColumn> &wanted, MeasuredLog &log) {
    const CellSplitter splitter(separator);
    std::size_t last = 0;
    for (const WantedColumn &w : wanted) last = std::max(last, w.index);
    std::vector<std::string_view> cells;
    std::string_view line;
    double values[3] = {0, 0, 0};
    int previousLine = 0;
    while (reader.Next(line)) {
        if (IsSkipped(line)) continue;
        splitter.Split(line, last, cells);
        bool dropout = false;
        for (std::size_t k = 0; k < wanted.size(); ++k) {
            const std::size_t index = wanted[k].index;
            const std::string_view cell = index < cells.size() ? cells[index] : std::string_view();
            const CellValue read = ReadNumber(cell, values[k]);
            if (read == CellValue::Empty) dropout = true;
            if (read != CellValue::Empty && read != CellValue::Number)
                throw BadCell(reader.number(), index, names[index], cell, read, separator);
        }
        if (dropout) {
            if (log.skippedRows++ == 0) log.firstSkippedLine = reader.number();
            continue;
        }
        if (!log.time.empty() && !(values[0] > log.time.back()))
            throw FormatError(LineText(reader.number()) + ": time " + Number(values[0]) +
                              " is not after the time " + Number(log.time.back()) + " of " +
                              LineText(previousLine) + ": times must increase");
        for (std::size_t k = 0; k < wanted.size(); ++k) wanted[k].values->push_back(values[k]);
        previousLine = reader.number();
    }
    return previousLine;
}

void ToSecondsAndDegrees(MeasuredLog &log) {
    if (log.timeUnit == TimeUnit::Milliseconds)
        for (double &t : log.time) t /= 1000;
    if (log.angleUnit == AngleUnit::Radians)
        for (double &a : log.steer) a *= 180 / std::numbers::pi;
}

} // namespace

const char *TimeUnitName(TimeUnit unit) { return unit == TimeUnit::Milliseconds ? "ms" : "s"; }
const char *AngleUnitName(AngleUnit unit) { return unit == AngleUnit::Radians ? "rad" : "deg"; }

MeasuredLog ParseLog(std::string_view bytes, const LogOptions &options) {
    if (IsVboText(bytes)) return ParseLog(VboAsTable(bytes), options);
    NumberedLineReader reader(bytes);
    std::string_view header;
    if (!NextContentLine(reader, header))
        throw FormatError("the log is empty: it needs a header line and rows of numbers");
    const int headerLine = reader.number();
    const std::vector<std::string> names = HeaderNames(header);
    if (names.empty())
        throw FormatError(
            LineText(headerLine) +
            ": the log has no header line: its first line must name the columns, not hold numbers");

    MeasuredLog log;
    const std::vector<WantedColumn> wanted = ChooseColumns(names, options, log);
    // As many values as there are rows: the columns neither grow step by step nor take room for the
    // blank and comment lines.
    const std::size_t rows = ContentLineCount(reader);
    for (const WantedColumn &w : wanted) w.values->reserve(rows);
    const int lastRow = ReadRows(reader, SeparatorOf(header), names, wanted, log);
    if (log.time.empty())
        throw FormatError("the log has no rows of numbers below its header (" + LineText(headerLine) + ")");
    if (log.time.size() == 1)
        throw FormatError("the log has only one row (" + LineText(lastRow) + "): it needs at least two");
    ToSecondsAndDegrees(log);
    log.dropouts = ReplaceDropouts(log.time, log.steer, log.steerColumn.name);
    return log;
}

std::vector<std::string> LogColumnNames(std::string_view start) {
    if (IsVboText(start)) {
        // The table's lines are whole only up to the last line end of the start.
        const std::size_t end = start.rfind('\n');
        return end == std::string_view::npos ? std::vector<std::string>{}
                                             : LogColumnNames(VboAsTable(start.substr(0, end + 1)));
    }
    NumberedLineReader reader(start);
    std::string_view line;
    // A header cut off by the end of the bytes is not whole; a log's header is far shorter than them.
    if (!NextContentLine(reader, line) || line.data() + line.size() == start.data() + start.size()) return {};
    return HeaderNames(line);
}

MeasuredLog ReadLog(const std::string &path, const LogOptions &options) {
    return ParseLog(ReadFileBytes(path, LogFileLimit), options);
}
