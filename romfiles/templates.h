// Manoeuvre templates: ordinary program text for the standard vehicle-dynamics manoeuvres.
#pragma once

#include "romfiles/programset.h"

#include <array>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

// The values a parameter admits: above (or from) low, up to high, whole numbers only if whole. The
// clock rate admits its four rates only, the mark flag 0 or 2 to 7.
struct TemplateRange {
    double low = 0;
    bool lowIncluded = false;
    double high = 1e6;
    bool whole = false; // whole numbers only
};

struct TemplateParameter {
    std::string name; // as given on the command line without "--", e.g. "amplitude"
    std::string unit; // "deg", "Hz", "s", "deg/s", "cycles", "flag"
    double defaultValue = 0;
    std::string description; // one short line
    TemplateRange range;
};

struct ManoeuvreTemplate {
    std::string name;        // e.g. "sine-with-dwell"
    std::string title;       // e.g. "Sine with dwell"
    std::string description; // one or two sentences
    std::vector<TemplateParameter> parameters;
};

// A parameter out of range, an unknown name, or a program that does not fit the step store.
struct TemplateError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

using TemplateValues = std::map<std::string, double>; // by parameter name; missing = default

// Every template, in menu order.
const std::vector<ManoeuvreTemplate> &ManoeuvreTemplates();

// The template of that name in any letter case, or nullptr.
const ManoeuvreTemplate *FindTemplate(const std::string &name);

// The values a parameter admits, for help texts: "more than 0 and at most 1000000", "256, 512, 1024
// or 2048", ...
std::string RangeText(const TemplateParameter &parameter);

// The complete program text (maxsteer, begin, statements, end) of a template. Its first line is a
// comment naming the template and its values. Throws TemplateError.
std::vector<std::string> TemplateProgram(const std::string &name, const TemplateValues &values);

// A mark pulse on the aux flag of the "mark" parameter lasts this long, seconds: long enough for a
// logger sampling at 100 Hz to see it, short enough that the beginning's and the completion's pulses
// of any real manoeuvre stay apart.
constexpr double MarkPulseLength = 0.05;

// No series has more runs: 16 sets.
constexpr int MaxSeriesRuns = 256;

// Amplitudes from `from` to `to` inclusive in steps of `step` (at most MaxSeriesRuns). Throws
// TemplateError.
std::vector<double> AmplitudeSeries(double from, double to, double step);

// The standard sine-with-dwell series for the reference amplitude A (the steer angle at 0.3 g,
// degrees): from 1.5 A in steps of 0.5 A up to the larger of 6.5 A and 270 deg; no run above the cap
// (300 deg, or a lower steer limit), and where a step would pass the end or the cap, the last run is
// at the end or the cap. Throws TemplateError.
constexpr double StandardSeriesEnd = 270;
constexpr double StandardSeriesCap = 300;
std::vector<double> StandardSeries(double a, double cap = StandardSeriesCap);
// The note that names the standard series in its runs' comment lines: "standard series, A 20 deg".
std::string StandardSeriesNote(double a);

// The programs of a template over a list of amplitudes, one per run. The first comment line of each
// names its run: "; Sine with dwell: amplitude 30 deg, ...; run 1 of 25" and the note when one is
// given. Throws TemplateError naming the run.
std::vector<ProgramText> TemplateRuns(const std::string &name, const TemplateValues &values,
                                      const std::vector<double> &amplitudes, const std::string &note = "");

// Runs laid out over consecutive sets: run k is program k % 16 of set k / 16; the programs after the
// last run are default programs.
std::vector<ProgramSet> SeriesSets(const std::vector<ProgramText> &runs);

// Programs 0 .. n-1 of a set from a template over a list of amplitudes (at most 16), the other
// programs the default program. Throws TemplateError.
ProgramSet TemplateSeries(const std::string &name, const TemplateValues &values,
                          const std::vector<double> &amplitudes);
