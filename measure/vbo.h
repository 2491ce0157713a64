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
// The time column, written as UTC hhmmss.ss, becomes seconds from the first row, carried on across
// minutes, hours and midnight.
std::string VboAsTable(std::string_view bytes);

// Seconds of the day of a UTC time written hhmmss.ss (101559.95 is 10:15:59.95).
double VboSecondsOfDay(double hhmmss);
