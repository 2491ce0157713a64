// Text files of GPS/IMU data loggers in their sectioned format ("[header]", "[channel units]",
// "[comments]", "[column names]", "[data]"), read as a table.
#pragma once

#include "measure/logtable.h"

#include <string_view>

// True when the text is such a file: a "[header]" section line among its first lines.
bool IsVboText(std::string_view bytes);

// The file as a table whose lines are the file's own: the "[column names]" line names the columns, each
// with its unit in brackets where the file gives one, and the "[data]" rows (blank-separated) fill them;
// a row of more or fewer cells than the names is refused with the counts. The units of "[channel units]"
// pair with the columns in order, one line each, a blank line a column without a unit (blank lines at the
// section's end separate it from the next); when the list is not as long as the columns, the columns past
// its end have no unit and unitNote says so. A time column, written as UTC hhmmss.ss, becomes seconds of
// the day, carried on across midnight. The "[comments]" lines and a first line saying when the file was
// created ("File created on 08/12/2026 @ 10:16:01", or "at") are kept; other sections are ignored.
LogTable SectionedTable(std::string_view bytes);

// Seconds of the day of a UTC time written hhmmss.ss (101559.95 is 10:15:59.95).
double VboSecondsOfDay(double hhmmss);
