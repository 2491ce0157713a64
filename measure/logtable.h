// One reading of a log file: every column with its name, unit and values, and what the file says of
// itself (the set and program it names, when it was recorded), from a text table, a sectioned logger
// file or a MATLAB file; every other format is refused by name.
#pragma once

#include "files/fileio.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

enum class LogFormat { TextTable, SectionedText, Mat };
// "text table", "sectioned logger text", "MATLAB level 5".
const char *LogFormatName(LogFormat format);

// How a column writes its values: numbers; clock times (10:15:59.95), read as seconds of the day; dates
// with clock times (2024-05-01 10:15:59.95), read as seconds since 1970 UTC.
enum class CellForm { Number, ClockTime, DateTime };

// The first cell of a column that is neither empty nor a number.
struct BadCell {
    int line = 0;
    std::string text;
    bool notFinite = false; // a number, but not a finite one
};

struct TableColumn {
    int number = 0;             // counted from 1
    std::string name;           // as the file writes it (a sectioned file's unit in brackets after it)
    std::string unit;           // as its name, a row of units or the file states it; empty: none
    std::vector<double> values; // one per row of the table, as written less base; NaN for an empty cell or
                                // one that is no number
    // The whole number taken off the values of a column of large numbers (a time since 1970), so that
    // they keep their decimals; 0 for every other column.
    double base = 0;
    std::size_t empty = 0;      // empty cells, missing ones at the end of a short row included
    std::optional<BadCell> bad; // a cell that is no number: the column cannot be read
    CellForm form = CellForm::Number;
};

struct LogTable {
    LogFormat format = LogFormat::TextTable;
    char separator = ','; // of a text table: '\t', ';', ',' or 0 for blanks
    int headerLine = 0;   // the line naming the columns; 0 in a MATLAB file
    int unitLine = 0;     // a line of units below it; 0: none
    std::vector<TableColumn> columns;
    std::vector<int> lines;            // the file's line of each row (in a MATLAB file, the row's number)
    std::string unitNote;              // a sectioned file whose units do not pair one to one with its columns
    std::vector<std::string> comments; // comment lines and other sections' lines, as written
    std::string recorded; // when the file says it was recorded ("08/12/2026 10:16:01"); empty: not
    // The set and program the file names (a comment "program: swd-1.rom program 3"); empty, -1: none.
    std::string set;
    int program = -1;
    int namedOnLine = 0; // the line that names them
    std::string source;  // a MATLAB file: the struct its vectors are fields of; empty: top level
    std::size_t Rows() const { return lines.size(); }
};

// Reads the bytes of a log: a text table (a header line naming the columns, optionally a line of units,
// then one row per line, the cells separated by tabs, semicolons, commas or blanks, whichever the header
// uses, with a decimal point; lines before the header that hold no row of numbers, blank lines and lines
// starting with '#' are comments; a byte-order mark, or text in UTF-16, is read as text), a sectioned
// logger file (see vbo.h) or a MATLAB level-5 file (where this build reads them). Any other format is
// refused by its leading bytes (see logformats.h). Throws FormatError naming the line for a missing
// header, a line longer than LogFileLimit's, lines that end in a lone carriage return, or a sectioned
// file whose rows do not hold its columns.
LogTable ParseLogTable(std::string_view bytes);

// Logs larger than this are refused before they are read, and a line longer than a MiB as soon as it
// is seen: a logger's line holds a few hundred bytes.
constexpr ReadLimit LogFileLimit{1024 * MiB, false, 1 * MiB};

// ParseLogTable on a file. Throws FileError (unreadable, or larger than LogFileLimit) or FormatError.
LogTable ReadLogTable(const std::string &path);

// The column names of the log's header from the start of the file, as written; empty when the bytes
// hold no whole header (no line yet, a first line of numbers, a binary file).
std::vector<std::string> LogColumnNames(std::string_view start);

// Keeps the set (or program text) and the program a comment line names in the table, unless an earlier
// line named them: "program: swd-1.rom program 3", "Program 7 of set brake.rom", "program: sid.txt".
void NoteNamedProgram(std::string_view line, int number, LogTable &table);

// A cell as a decimal number as loggers write it (an optional sign, a decimal point, an exponent),
// read locale-free.
enum class CellValue { Number, Empty, NotNumber, NotFinite };
CellValue ReadLogNumber(std::string_view cell, double &value);

// Seconds of a clock time "10:15:59.95" (of the day) or a date and clock time "2024-05-01 10:15:59.95" or
// "2024-05-01T10:15:59.95Z" (since 1970, UTC); false when the text is neither.
bool ReadClockTime(std::string_view text, double &seconds, CellForm &form);

// "2024-05-01 10:15:59.950 UTC" for seconds since 1970; "10:15:59.950" for seconds of the day.
std::string ClockText(double seconds, CellForm form);
