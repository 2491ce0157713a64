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

// A header name that says it holds a rate or another quantity of the steer, not its angle.
bool NamesNoAngle(const std::string &base) {
    for (const char *word : {"rate", "speed", "velocity", "vel", "torque", "accel"})
        if (base.find(word) != std::string::npos) return true;
    return false;
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
        const HeaderName name = SplitName(names[i]);
        const bool steer = name.base.find("steer") != std::string::npos && !NamesNoAngle(name.base) &&
                           (name.unit.empty() || KindOfUnit(name.unit) == UnitKind::Angle ||
                            KindOfUnit(name.unit) == UnitKind::Unknown);
        if (time ? (name.base == "t" || name.base.rfind("time", 0) == 0) : steer) return i;
    }
    // A column named the steer whose unit is another quantity's is not taken, and nothing else is.
    for (std::size_t i = 0; i < names.size() && !time; ++i) {
        const HeaderName name = SplitName(names[i]);
        if (name.base.find("steer") != std::string::npos && !NamesNoAngle(name.base))
            throw FormatError("column " + std::to_string(i + 1) + " \"" + names[i] +
                              "\" is named the steer but holds " + UnitKindText(KindOfUnit(name.unit)) +
                              " (" + name.unit + "): name the steer angle's column with --steer-column");
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

// A column the log is read from: its 0-based index and where its values go.
struct WantedColumn {
    std::size_t index;
    std::vector<double> *values;
    std::size_t empty = 0; // rows whose cell of the column is empty or missing
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
    const std::string steerUnit = SplitName(names[steer]).unit;
    const std::optional<AngleUnit> headerUnit = AngleUnitOf(steerUnit);
    if (!options.angleUnit && !headerUnit && KindOfUnit(steerUnit) != UnitKind::Unknown)
        throw FormatError("column " + std::to_string(steer + 1) + " \"" + names[steer] + "\" holds " +
                          UnitKindText(KindOfUnit(steerUnit)) + " (" + steerUnit +
                          "), not a steer angle: name the angle's column with --steer-column");
    log.angleUnit = options.angleUnit.value_or(headerUnit.value_or(AngleUnit::Degrees));
    log.angleUnitStated = options.angleUnit || headerUnit;
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
             std::vector<WantedColumn> &wanted, MeasuredLog &log) {
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
            if (read == CellValue::Empty) dropout = true, ++wanted[k].empty;
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

// Why a log whose every row was skipped has no rows: the columns read that are empty in every one.
FormatError NoRows(const std::vector<std::string> &names, const std::vector<WantedColumn> &wanted,
                   const MeasuredLog &log, int headerLine) {
    std::string empty;
    for (const WantedColumn &w : wanted)
        if (log.skippedRows > 0 && w.empty == static_cast<std::size_t>(log.skippedRows))
            empty += (empty.empty() ? "" : ", ") + std::string("column ") + std::to_string(w.index + 1) +
                     " \"" + names[w.index] + "\"";
    if (!empty.empty())
        return FormatError("every one of the log's " + std::to_string(log.skippedRows) +
                           " rows has an empty cell in " + empty + ": the column holds no numbers");
    return FormatError("the log has no rows of numbers below its header (" + LineText(headerLine) + ")");
}

// A log whose lines end in a carriage return alone, which LineReader would read as one line.
bool EndsLinesInCrAlone(std::string_view bytes) {
    const std::size_t end = bytes.find_first_of("\r\n");
    return end != std::string_view::npos && bytes[end] == '\r' && end + 1 < bytes.size() &&
           bytes[end + 1] != '\n';
}

std::string_view WithoutByteOrderMark(std::string_view bytes) {
    if (bytes.starts_with("\xef\xbb\xbf")) bytes.remove_prefix(3);
    return bytes;
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

UnitKind KindOfUnit(const std::string &written) {
    const std::string unit = Lower(CellSplitter::Trim(written));
    auto any = [&](std::initializer_list<const char *> spellings) {
        return std::any_of(spellings.begin(), spellings.end(), [&](const char *s) { return unit == s; });
    };
    if (unit.empty()) return UnitKind::Unknown;
    if (TimeUnitOf(unit)) return UnitKind::Time;
    if (AngleUnitOf(unit)) return UnitKind::Angle;
    if (any({"deg/s", "deg/sec", "degree/s", "degrees/s", "\xb0/s", "\xc2\xb0/s", "dps", "rad/s", "rad/sec",
             "rps", "radian/s", "radians/s"}))
        return UnitKind::AngularRate;
    if (any({"g", "m/s2", "m/s^2", "m/s\xb2", "m/s\xc2\xb2", "ms-2", "m s-2", "m/s/s", "mps2"}))
        return UnitKind::Acceleration;
    if (any({"km/h", "kmh", "kph", "km/hr", "m/s", "mps", "mph", "kn", "knots", "kt", "kts"}))
        return UnitKind::Speed;
    if (any({"mm", "cm", "m", "in", "inch", "inches"})) return UnitKind::Length;
    return UnitKind::Unknown;
}

const char *UnitKindText(UnitKind kind) {
    switch (kind) {
    case UnitKind::Time:
        return "a time";
    case UnitKind::Angle:
        return "an angle";
    case UnitKind::AngularRate:
        return "an angular rate";
    case UnitKind::Acceleration:
        return "an acceleration";
    case UnitKind::Speed:
        return "a speed";
    case UnitKind::Length:
        return "a length";
    case UnitKind::Unknown:
        break;
    }
    return "a quantity of unknown kind";
}

MeasuredLog ParseLog(std::string_view bytes, const LogOptions &options) {
    bytes = WithoutByteOrderMark(bytes);
    if (EndsLinesInCrAlone(bytes))
        throw FormatError("the log's lines end in a carriage return alone (CR): the reader takes LF or CR LF "
                          "line ends, so save it with either");
    if (IsVboText(bytes)) {
        std::string unitNote;
        const std::string table = VboAsTable(bytes, &unitNote);
        try {
            MeasuredLog log = ParseLog(table, options);
            log.unitNote = unitNote;
            return log;
        } catch (const FormatError &e) {
            if (unitNote.empty() || std::string_view(e.what()).find("holds") == std::string_view::npos) throw;
            throw FormatError(std::string(e.what()) + " (" + unitNote +
                              ": units may be paired with the wrong "
                              "columns)");
        }
    }
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
    std::vector<WantedColumn> wanted = ChooseColumns(names, options, log);
    // As many values as there are rows: the columns neither grow step by step nor take room for the
    // blank and comment lines.
    const std::size_t rows = ContentLineCount(reader);
    for (const WantedColumn &w : wanted) w.values->reserve(rows);
    const int lastRow = ReadRows(reader, SeparatorOf(header), names, wanted, log);
    if (log.time.empty()) throw NoRows(names, wanted, log, headerLine);
    if (log.time.size() == 1)
        throw FormatError("the log has only one row (" + LineText(lastRow) + "): it needs at least two");
    ToSecondsAndDegrees(log);
    if (options.dropouts) {
        DropoutRules rules = *options.dropouts;
        rules.kind = ChannelKind::Steer;
        rules.written = log.angleUnit == AngleUnit::Radians ? 180 / std::numbers::pi : 1;
        CleanedChannel cleaned = ReplaceDropouts(log.time, log.steer, log.steerColumn.name, rules);
        log.dropouts = std::move(cleaned.dropouts);
        log.faults = std::move(cleaned.faults);
    }
    return log;
}

void KeepCommandedPulses(MeasuredLog &log, const std::vector<CommandedPulse> &pulses) {
    if (pulses.empty()) return;
    const double factor = log.angleUnit == AngleUnit::Radians ? 180 / std::numbers::pi : 1;
    auto indexOf = [&](double t) {
        return static_cast<std::size_t>(std::lower_bound(log.time.begin(), log.time.end(), t) -
                                        log.time.begin());
    };
    std::vector<LogDropout> listed;
    const std::vector<LogDropout> &d = log.dropouts;
    for (std::size_t i = 0; i < d.size();) {
        // A burst: dropouts of consecutive samples, none beyond the limit.
        std::size_t j = i;
        bool beyond = d[i].beyondLimit;
        while (j + 1 < d.size() && indexOf(d[j + 1].time) == indexOf(d[j].time) + 1)
            beyond |= d[++j].beyondLimit;
        const std::size_t first = indexOf(d[i].time), last = indexOf(d[j].time);
        double excursion = 0;
        for (std::size_t k = first; k <= last && !beyond; ++k) {
            const double line = log.steer[k]; // the replacement lies on the line between its neighbours
            const double off = d[i + (k - first)].value * factor - line;
            if (std::fabs(off) > std::fabs(excursion)) excursion = off;
        }
        if (!beyond && IsCommandedPulse(pulses, excursion)) {
            for (std::size_t k = first; k <= last; ++k) log.steer[k] = d[i + (k - first)].value * factor;
        } else {
            listed.insert(listed.end(), d.begin() + static_cast<std::ptrdiff_t>(i),
                          d.begin() + static_cast<std::ptrdiff_t>(j + 1));
        }
        i = j + 1;
    }
    log.dropouts = std::move(listed);
}

std::vector<std::string> LogColumnNames(std::string_view start) {
    start = WithoutByteOrderMark(start);
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
