// Logger files as the tests write them: the channels of a run under the names, units, separators, line
// ends, preambles and sections that loggers, acquisition systems and CAN exports use.
#pragma once

#include <cmath>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

// A column of a logger file: its header name and its value at each time.
struct LoggerColumn {
    std::string name;
    std::function<double(double)> at;
    const char *format = "%.6g";
};

// A steer of one manoeuvre from 1 s: a cycle of a 0.7 Hz sine of the amplitude (deg), counter-clockwise
// first (direction +1) or clockwise, with rest before and after; the vehicle's yaw rate and lateral
// acceleration follow it.
inline double RunSteer(double t, double amplitude = 90, double direction = 1) {
    constexpr double pi = 3.14159265358979323846;
    const double u = t - 1;
    return u < 0 || u > 1 / 0.7 ? 0 : direction * amplitude * std::sin(2 * pi * 0.7 * u);
}
inline double RunYaw(double t, double direction = 1) { return 0.25 * RunSteer(t - 0.1, 90, direction); }
inline double RunAy(double t, double direction = 1) { return 0.008 * RunSteer(t - 0.12, 90, direction); }

// The standard columns of a run: time, steer, yaw rate, lateral acceleration and speed, under the names.
inline std::vector<LoggerColumn> RunColumns(const std::vector<std::string> &names, double direction = 1) {
    const std::vector<std::function<double(double)>> values{
        [](double t) { return t; }, [=](double t) { return RunSteer(t, 90, direction); },
        [=](double t) { return RunYaw(t, direction); }, [=](double t) { return RunAy(t, direction); },
        [](double) { return 80.0; }};
    std::vector<LoggerColumn> columns;
    for (std::size_t k = 0; k < names.size() && k < values.size(); ++k)
        columns.push_back({names[k], values[k]});
    return columns;
}

struct TableLayout {
    char separator = ','; // 0: blanks
    std::string lineEnd = "\n";
    std::string preamble; // lines before the header, as written
    std::string unitLine; // a line of units below the header; empty: none
    double rate = 100, seconds = 5;
    double timeOffset = 0; // added to the time column's values (an epoch)
};

// A text table of the columns.
inline std::string LoggerTable(const std::vector<LoggerColumn> &columns, const TableLayout &layout = {}) {
    const std::string separator = layout.separator ? std::string(1, layout.separator) : "  ";
    std::string text = layout.preamble;
    for (std::size_t k = 0; k < columns.size(); ++k) text += (k ? separator : "") + columns[k].name;
    text += layout.lineEnd;
    if (!layout.unitLine.empty()) text += layout.unitLine + layout.lineEnd;
    char cell[64];
    const long rows = std::lround(layout.seconds * layout.rate);
    for (long i = 0; i <= rows; ++i) {
        const double t = static_cast<double>(i) / layout.rate;
        for (std::size_t k = 0; k < columns.size(); ++k) {
            const double value = columns[k].at(t) + (k == 0 ? layout.timeOffset : 0);
            std::snprintf(cell, sizeof cell, k == 0 && layout.timeOffset != 0 ? "%.3f" : columns[k].format,
                          value);
            text += (k ? separator : "") + std::string(cell);
        }
        text += layout.lineEnd;
    }
    return text;
}

// A sectioned logger file of the columns (the first is the time, written as UTC hhmmss.ss from the
// clock time start, seconds of the day), with a unit line per channel in [channel units] where units is
// not empty.
inline std::string SectionedFile(const std::vector<LoggerColumn> &columns,
                                 const std::vector<std::string> &units,
                                 const std::string &dateLine = "File created on 08/12/2026 @ 10:16:01",
                                 const std::string &extraSections = "", double start = 36959.5,
                                 double rate = 100, double seconds = 5) {
    std::string text = dateLine + "\n\n[header]\n";
    for (const LoggerColumn &c : columns) text += c.name + "\n";
    if (!units.empty()) {
        text += "\n[channel units]\n";
        for (const std::string &u : units) text += u + "\n";
    }
    text += "\n" + extraSections + "[comments]\nprogram: swd-2.rom program 5\n\n[column names]\n";
    for (std::size_t k = 0; k < columns.size(); ++k) text += (k ? " " : "") + columns[k].name;
    text += "\n\n[data]\n";
    char cell[64];
    const long rows = std::lround(seconds * rate);
    for (long i = 0; i <= rows; ++i) {
        const double t = static_cast<double>(i) / rate;
        for (std::size_t k = 0; k < columns.size(); ++k) {
            if (k == 0) {
                const double clock = std::fmod(start + t, 86400);
                const int h = static_cast<int>(clock / 3600), m = static_cast<int>(clock / 60) % 60;
                std::snprintf(cell, sizeof cell, "%02d%02d%05.2f", h, m, clock - h * 3600 - m * 60);
            } else {
                std::snprintf(cell, sizeof cell, "%+.4f", columns[k].at(t));
            }
            text += (k ? " " : "") + std::string(cell);
        }
        text += "\n";
    }
    return text;
}
