// Text files of GPS/IMU data loggers in their sectioned format ("[header]", "[channel units]",
// "[column names]", "[data]"), read by the log reader as an ordinary table.
#pragma once

#include <string>
#include <string_view>
#include <vector>

// True when the text is such a file: a "[header]" section line among its first lines.
bool IsVboText(std::string_view bytes);

// The file as a tab-separated table with the same number of lines, so that the log reader's messages
// name the file's own lines: the "[column names]" line becomes the header, each name with its unit in
// brackets where the file gives one, the "[data]" rows follow, and every other line becomes a comment.
// The units of "[channel units]" pair with the columns in order, one line each, a blank line a column
// without a unit (blank lines at the section's end separate it from the next); when the list is not as
// long as the columns, the columns past its end have no unit and unitNote (when given) says so.
// The time column, written as UTC hhmmss.ss, becomes seconds from the first row, carried on across
// minutes, hours and midnight.
std::string VboAsTable(std::string_view bytes, std::string *unitNote = nullptr);

// Seconds of the day of a UTC time written hhmmss.ss (101559.95 is 10:15:59.95).
double VboSecondsOfDay(double hhmmss);
