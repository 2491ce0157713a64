// Manoeuvre templates: ordinary program text for the standard vehicle-dynamics manoeuvres.
#pragma once

#include <array>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

struct TemplateParameter {
    std::string name; // as given on the command line without "--", e.g. "amplitude"
    std::string unit; // "deg", "Hz", "s", "deg/s", ...
    double defaultValue = 0;
    std::string description; // one short line
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

// The template of that name, or nullptr.
const ManoeuvreTemplate *FindTemplate(const std::string &name);

// The complete program text (maxsteer, begin, statements, end) of a template. Throws TemplateError.
std::vector<std::string> TemplateProgram(const std::string &name, const TemplateValues &values);

// Amplitudes from `from` to `to` inclusive in steps of `step` (at most 16 values). Throws
// TemplateError.
std::vector<double> AmplitudeSeries(double from, double to, double step);

// Programs 0 .. n-1 of a set from a template over a list of amplitudes (at most 16), the other
// programs the default program. Throws TemplateError.
std::array<std::vector<std::string>, 16> TemplateSeries(const std::string &name, const TemplateValues &values,
                                                        const std::vector<double> &amplitudes);
