// Manoeuvre templates: each writes ordinary program text after checking its parameters and that the
// program fits the step store at its clock rate.
#include "romfiles/templates.h"

#include "compiler/state.h"
#include "romfiles/programset.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace {

using Real = long double; // extended-precision intermediates, as in the compiler

// The shortest fixed-point text that reads back as the same float: what the compiler will store.
std::string Number(double value) {
    char buffer[64];
    auto result =
        std::to_chars(buffer, buffer + sizeof buffer, static_cast<float>(value), std::chars_format::fixed);
    return std::string(buffer, result.ptr);
}

// The parameters' values, defaults filled in, by name.
class Values {
public:
    explicit Values(TemplateValues values) : m_values(std::move(values)) {}
    float operator[](const std::string &name) const { return static_cast<float>(m_values.at(name)); }

private:
    TemplateValues m_values;
};

void Require(bool condition, const std::string &text) {
    if (!condition) throw TemplateError(text);
}

// The text of a program under construction, with the program clock that the compiler's timing pass
// will compute (the same single-precision sums), so the fit in the step store is known exactly.
class ProgramWriter {
public:
    // The header, the clock rate and the straight-ahead lead. A manoeuvre that started at time 0 would
    // lose its first step to the implicit STEPTO(0D), whose zero length is lengthened to 1 ms.
    ProgramWriter(const std::string &comment, float maxSteer, int rate, float lead) : m_rate(rate) {
        m_lines = {"; " + comment, "maxsteer(" + Number(maxSteer) + " deg)", "begin",
                   "setrate(" + std::to_string(rate) + " hz)"};
        Wait(lead, "straight ahead");
    }

    void Wait(float seconds, const std::string &comment) {
        Add("wait(" + Number(seconds) + " sec)", comment);
        Advance(seconds);
    }
    void RampTo(float angle, float seconds, const std::string &comment) {
        Add("rampto(" + Number(angle) + " deg, " + Number(seconds) + " sec)", comment);
        Advance(seconds);
    }
    // A sine of whole or partial cycles, starting at the phase angle (degrees).
    void Sine(float amplitude, float phase, float frequency, float cycles, const std::string &comment) {
        std::string text = "sine(" + Number(amplitude) + " deg, ";
        if (phase != 0) text += Number(phase) + " deg, ";
        Add(text + Number(frequency) + " hz, " + Number(cycles) + " cycles)", comment);
        Advance(static_cast<float>(Real(cycles) / frequency));
    }
    // A sweep from one frequency to the other over the time; downwards when from > to.
    void Sweep(bool logarithmic, float amplitude, float from, float to, float seconds,
               const std::string &comment) {
        // The generator always starts at the lower frequency and rises during the first time, then
        // falls during the second: a downward sweep is all fall.
        float rise = from <= to ? seconds : 0, fall = from <= to ? 0 : seconds;
        Add(std::string(logarithmic ? "sinesweeplog(" : "sinesweep(") + Number(amplitude) + " deg, " +
                Number(std::min(from, to)) + " hz, " + Number(std::max(from, to)) + " hz, " + Number(rise) +
                " sec, " + Number(fall) + " sec)",
            comment);
        Advance(rise);
        Advance(fall);
    }
    void WaitForRollPeak(const std::string &comment) { Add("waitforrollpeak", comment); }
    // A brake pulse of the length, from the program clock on; it does not advance the clock.
    void PulseBrake(float seconds, const std::string &comment) {
        Add("pulsebrake(" + Number(seconds) + " sec)", comment);
        m_latest = std::max({m_latest, m_clock, static_cast<float>(Real(m_clock) + seconds)});
    }

    // The finished text; throws when the program does not fit the step store.
    std::vector<std::string> Finish() {
        m_lines.push_back("end");
        const float end = std::max(m_clock, m_latest);
        const float capacity = static_cast<float>(Real(StepCount - 1) / m_rate);
        Require(end <= capacity, "the program lasts " + Number(end) + " s; at " + std::to_string(m_rate) +
                                     " Hz the step store holds " + Number(capacity) + " s");
        return m_lines;
    }

private:
    void Add(const std::string &statement, const std::string &comment) {
        m_lines.push_back(comment.empty() ? statement : statement + " ; " + comment);
    }
    void Advance(float seconds) { m_clock = static_cast<float>(Real(m_clock) + seconds); }

    std::vector<std::string> m_lines;
    int m_rate;
    float m_clock = 0;  // start time of the next statement, seconds
    float m_latest = 0; // latest delayed event, seconds
};

// A parameter's admissible values.
struct Range {
    double low = 0;
    bool lowIncluded = false;
    double high = 1e6;
    bool whole = false; // whole numbers only
};

// The program text of a template from its parameters' values; throws TemplateError.
using Writer = std::vector<std::string> (*)(const ManoeuvreTemplate &info, const Values &v);

struct TemplateDefinition {
    ManoeuvreTemplate info;
    std::vector<Range> ranges; // one per parameter
    Writer write;
};

int Rate(const Values &v) { return static_cast<int>(v["rate"]); }

// An angle the program steers to stays within the steer limit (its sign is checked by its range).
void CheckAngle(const Values &v, const std::string &name) {
    Require(v[name] <= v["maxsteer"],
            name + " " + Number(v[name]) + " deg is more than maxsteer (" + Number(v["maxsteer"]) + " deg)");
}

// At least 16 steps per period, so the wave keeps its shape at the clock rate.
void CheckFrequency(const Values &v, const std::string &name) {
    Require(Real(v[name]) * 16 <= Rate(v), name + " " + Number(v[name]) +
                                               " Hz is more than a sixteenth of the " +
                                               std::to_string(Rate(v)) + " Hz clock rate");
}

// Ramp time of an angle change at a steer rate, seconds (never 0: a ramp needs a positive time).
float RampTime(Real angle, Real steerRate) {
    float time = static_cast<float>(std::fabs(angle) / steerRate);
    return std::max(time, 1e-6f);
}

std::string Comment(const ManoeuvreTemplate &info, const Values &v) {
    std::string text = info.title + ":";
    for (const auto &p : info.parameters) {
        if (p.name == "lead" || p.name == "rate" || p.name == "maxsteer") continue;
        text += text.back() == ':' ? " " : ", ";
        text += p.unit == "cycles" ? Number(v[p.name]) + " cycles"
                                   : p.name + " " + Number(v[p.name]) + " " + p.unit;
    }
    return text;
}

// Ramp to the amplitude at the steer rate, hold, return: step steer and J-turn.
std::vector<std::string> WriteRampHoldReturn(const ManoeuvreTemplate &info, const Values &v,
                                             float returnTime) {
    CheckAngle(v, "amplitude");
    const float a = v["amplitude"], rate = v["steer-rate"];
    ProgramWriter w(Comment(info, v), v["maxsteer"], Rate(v), v["lead"]);
    w.RampTo(a, RampTime(a, rate), "to the amplitude at " + Number(rate) + " deg/s");
    w.Wait(v["hold"], "hold");
    w.RampTo(0, returnTime, "back to centre");
    return w.Finish();
}

std::vector<std::string> WriteStepSteer(const ManoeuvreTemplate &info, const Values &v) {
    return WriteRampHoldReturn(info, v, RampTime(v["amplitude"], v["steer-rate"]));
}

std::vector<std::string> WriteSlowlyIncreasingSteer(const ManoeuvreTemplate &info, const Values &v) {
    CheckAngle(v, "end-angle");
    const float angle = v["end-angle"], rate = v["steer-rate"];
    ProgramWriter w(Comment(info, v), v["maxsteer"], Rate(v), v["lead"]);
    w.RampTo(angle, RampTime(angle, rate), "slow ramp at " + Number(rate) + " deg/s");
    w.Wait(v["hold"], "hold");
    w.RampTo(0, v["return"], "back to centre");
    return w.Finish();
}

std::vector<std::string> WriteSineWithDwell(const ManoeuvreTemplate &info, const Values &v) {
    CheckAngle(v, "amplitude");
    CheckFrequency(v, "frequency");
    const float a = v["amplitude"], f = v["frequency"];
    ProgramWriter w(Comment(info, v), v["maxsteer"], Rate(v), v["lead"]);
    w.Sine(a, 0, f, 0.75f, "up to the first peak, down to the second");
    w.Wait(v["dwell"], "dwell at the second peak");
    w.Sine(a, 270, f, 0.25f, "last quarter period back to centre");
    return w.Finish();
}

std::vector<std::string> WriteFishhook(const ManoeuvreTemplate &info, const Values &v) {
    CheckAngle(v, "amplitude");
    const float a = v["amplitude"], rate = v["steer-rate"];
    const float counter = v["countersteer"] > 0 ? v["countersteer"] : a;
    Require(counter <= v["maxsteer"], "countersteer " + Number(counter) + " deg is more than maxsteer (" +
                                          Number(v["maxsteer"]) + " deg)");
    ProgramWriter w(Comment(info, v), v["maxsteer"], Rate(v), v["lead"]);
    w.RampTo(a, RampTime(a, rate), "to the amplitude at " + Number(rate) + " deg/s");
    w.WaitForRollPeak("the machine waits for the roll-rate peak");
    // One step at the amplitude: the pulse's step then holds it, wherever the ramp ended.
    w.Wait(static_cast<float>(Real(1) / Rate(v)), "hold the amplitude for one step");
    w.RampTo(-counter, RampTime(Real(a) + counter, rate), "countersteer");
    w.Wait(v["hold"], "hold");
    w.RampTo(0, v["return"], "back to centre");
    return w.Finish();
}

std::vector<std::string> WriteJTurn(const ManoeuvreTemplate &info, const Values &v) {
    return WriteRampHoldReturn(info, v, v["return"]);
}

std::vector<std::string> WriteSingleSine(const ManoeuvreTemplate &info, const Values &v) {
    CheckAngle(v, "amplitude");
    CheckFrequency(v, "frequency");
    ProgramWriter w(Comment(info, v), v["maxsteer"], Rate(v), v["lead"]);
    w.Sine(v["amplitude"], 0, v["frequency"], 1, "one period");
    return w.Finish();
}

std::vector<std::string> WriteContinuousSine(const ManoeuvreTemplate &info, const Values &v) {
    CheckAngle(v, "amplitude");
    CheckFrequency(v, "frequency");
    ProgramWriter w(Comment(info, v), v["maxsteer"], Rate(v), v["lead"]);
    w.Sine(v["amplitude"], 0, v["frequency"], v["cycles"], "");
    return w.Finish();
}

std::vector<std::string> WriteSweep(const ManoeuvreTemplate &info, const Values &v, bool logarithmic) {
    CheckAngle(v, "amplitude");
    CheckFrequency(v, "start-frequency");
    CheckFrequency(v, "end-frequency");
    ProgramWriter w(Comment(info, v), v["maxsteer"], Rate(v), v["lead"]);
    w.Sweep(logarithmic, v["amplitude"], v["start-frequency"], v["end-frequency"], v["sweep-time"], "");
    w.RampTo(0, v["return"], "back to centre");
    return w.Finish();
}

std::vector<std::string> WriteLinearSweep(const ManoeuvreTemplate &info, const Values &v) {
    return WriteSweep(info, v, false);
}

std::vector<std::string> WriteLogSweep(const ManoeuvreTemplate &info, const Values &v) {
    return WriteSweep(info, v, true);
}

std::vector<std::string> WriteBrakeInTurn(const ManoeuvreTemplate &info, const Values &v) {
    CheckAngle(v, "amplitude");
    const float a = v["amplitude"], rate = v["steer-rate"];
    ProgramWriter w(Comment(info, v), v["maxsteer"], Rate(v), v["lead"]);
    w.RampTo(a, RampTime(a, rate), "into the turn at " + Number(rate) + " deg/s");
    w.Wait(v["settle"], "steady turn");
    w.PulseBrake(v["brake"], "brake pulse on flag 8");
    w.Wait(v["hold"], "hold the turn");
    w.RampTo(0, v["return"], "back to centre");
    return w.Finish();
}

struct ParameterRow {
    TemplateParameter parameter;
    Range range;
};

// A template: what the catalogue shows of it, its own parameters (lead, rate and maxsteer follow them
// in every template), the clock rate it proposes and its writer.
struct TemplateRow {
    const char *name, *title, *description;
    std::vector<ParameterRow> parameters;
    int rate;
    Writer write;
};

const Range Positive{0, false}, NonNegative{0, true}, SteerRate{0, false, 4000000};

// The catalogue, in menu order.
const TemplateRow Catalogue[] = {
    {"step-steer",
     "Step steer",
     "Ramps to the amplitude at the steer rate, holds it, and goes back to centre at that rate.",
     {{{"amplitude", "deg", 30, "steer angle of the step"}, Positive},
      {{"steer-rate", "deg/s", 500, "steer rate of the step and of the step back"}, SteerRate},
      {{"hold", "s", 4, "time at the amplitude"}, NonNegative}},
     1024,
     WriteStepSteer},
    {"slowly-increasing-steer",
     "Slowly increasing steer",
     "Ramps slowly at the steer rate to the end angle, holds it, and returns to centre.",
     {{{"steer-rate", "deg/s", 10, "steer rate of the slow ramp"}, SteerRate},
      {{"end-angle", "deg", 90, "steer angle at the end of the ramp"}, Positive},
      {{"hold", "s", 2, "time at the end angle"}, NonNegative},
      {{"return", "s", 2, "time of the ramp back to centre"}, Positive}},
     256,
     WriteSlowlyIncreasingSteer},
    {"sine-with-dwell",
     "Sine with dwell",
     "A sine that starts positive, holds its second peak for the dwell, and ends with its last quarter "
     "period.",
     {{{"amplitude", "deg", 50, "amplitude of the sine"}, Positive},
      {{"frequency", "Hz", 0.7, "frequency of the sine"}, Positive},
      {{"dwell", "s", 0.5, "time held at the second peak"}, NonNegative}},
     1024,
     WriteSineWithDwell},
    {"fishhook",
     "Fishhook with roll-rate feedback",
     "Ramps to the amplitude, waits for the roll-rate peak (WAITFORROLLPEAK), countersteers, holds, and "
     "returns to centre.",
     {{{"amplitude", "deg", 60, "steer angle of the first ramp"}, Positive},
      {{"steer-rate", "deg/s", 720, "steer rate of the ramp and of the countersteer"}, SteerRate},
      {{"countersteer", "deg", 0, "size of the countersteer angle (0: the amplitude)"}, NonNegative},
      {{"hold", "s", 3, "time at the countersteer angle"}, NonNegative},
      {{"return", "s", 2, "time of the ramp back to centre"}, Positive}},
     1024,
     WriteFishhook},
    {"j-turn",
     "J-turn",
     "Ramps quickly to the amplitude, holds it, and unwinds to centre over the return time.",
     {{{"amplitude", "deg", 60, "steer angle of the turn"}, Positive},
      {{"steer-rate", "deg/s", 1000, "steer rate into the turn"}, SteerRate},
      {{"hold", "s", 3, "time at the amplitude"}, NonNegative},
      {{"return", "s", 2, "time of the ramp back to centre"}, Positive}},
     1024,
     WriteJTurn},
    {"single-sine",
     "Single-period sine",
     "One full period of a sine, starting positive.",
     {{{"amplitude", "deg", 30, "amplitude of the sine"}, Positive},
      {{"frequency", "Hz", 0.5, "frequency of the sine"}, Positive}},
     1024,
     WriteSingleSine},
    {"continuous-sine",
     "Continuous sine",
     "Whole periods of a sine, starting positive.",
     {{{"amplitude", "deg", 30, "amplitude of the sine"}, Positive},
      {{"frequency", "Hz", 1, "frequency of the sine"}, Positive},
      {{"cycles", "cycles", 10, "number of periods (whole)"}, {1, true, 100000, true}}},
     1024,
     WriteContinuousSine},
    {"linear-sweep",
     "Linear sine sweep",
     "A sine of constant amplitude whose frequency goes linearly from the start to the end frequency, then "
     "a ramp back to centre.",
     {{{"amplitude", "deg", 20, "amplitude of the sine"}, Positive},
      {{"start-frequency", "Hz", 0.2, "frequency at the start"}, Positive},
      {{"end-frequency", "Hz", 2, "frequency at the end"}, Positive},
      {{"sweep-time", "s", 12, "time of the sweep"}, Positive},
      {{"return", "s", 1, "time of the ramp back to centre"}, Positive}},
     1024,
     WriteLinearSweep},
    {"log-sweep",
     "Logarithmic sine sweep",
     "A sine of constant amplitude whose frequency goes logarithmically from the start to the end "
     "frequency, then a ramp back to centre.",
     {{{"amplitude", "deg", 20, "amplitude of the sine"}, Positive},
      {{"start-frequency", "Hz", 0.1, "frequency at the start"}, Positive},
      {{"end-frequency", "Hz", 4, "frequency at the end"}, Positive},
      {{"sweep-time", "s", 12, "time of the sweep"}, Positive},
      {{"return", "s", 1, "time of the ramp back to centre"}, Positive}},
     1024,
     WriteLogSweep},
    {"brake-in-turn",
     "Brake in a turn",
     "Ramps into a steady turn, brakes (PULSEBRAKE, flag 8) while holding it, and returns to centre.",
     {{{"amplitude", "deg", 45, "steer angle of the turn"}, Positive},
      {{"steer-rate", "deg/s", 200, "steer rate into the turn"}, SteerRate},
      {{"settle", "s", 2, "time in the steady turn before the brake pulse"}, NonNegative},
      {{"brake", "s", 1, "length of the brake pulse"}, Positive},
      {{"hold", "s", 3, "time in the turn from the start of the brake pulse"}, NonNegative},
      {{"return", "s", 2, "time of the ramp back to centre"}, Positive}},
     1024,
     WriteBrakeInTurn},
};

// A catalogue row with the parameters every template ends with.
TemplateDefinition Define(const TemplateRow &row) {
    TemplateDefinition t{{row.name, row.title, row.description, {}}, {}, row.write};
    for (const ParameterRow &p : row.parameters) {
        t.info.parameters.push_back(p.parameter);
        t.ranges.push_back(p.range);
    }
    const std::vector<ParameterRow> common = {
        {{"lead", "s", 1, "straight-ahead time before the manoeuvre"}, {0, false}},
        {{"rate", "Hz", double(row.rate), "clock rate: 256, 512, 1024 or 2048"}, {256, true, 2048, true}},
        {{"maxsteer", "deg", 100, "steer limit of the program (maxsteer line)"}, {0, false, 100000}}};
    for (const ParameterRow &p : common) {
        t.info.parameters.push_back(p.parameter);
        t.ranges.push_back(p.range);
    }
    return t;
}

const std::vector<TemplateDefinition> &Definitions() {
    static const std::vector<TemplateDefinition> definitions = [] {
        std::vector<TemplateDefinition> all;
        for (const TemplateRow &row : Catalogue) all.push_back(Define(row));
        return all;
    }();
    return definitions;
}

const TemplateDefinition *FindDefinition(const std::string &name) {
    for (const auto &t : Definitions())
        if (t.info.name == name) return &t;
    return nullptr;
}

void CheckRange(const TemplateParameter &p, const Range &range, double value) {
    const std::string unit = p.unit == "cycles" ? "" : " " + p.unit;
    Require(std::isfinite(value), p.name + " is not a number");
    if (p.name == "rate") {
        Require(value == 256 || value == 512 || value == 1024 || value == 2048,
                "rate " + Number(value) + " Hz is not a clock rate (256, 512, 1024 or 2048 Hz)");
        return;
    }
    Require(range.lowIncluded ? value >= range.low : value > range.low,
            p.name + " must be " + (range.lowIncluded ? "at least " : "more than ") + Number(range.low) +
                unit);
    Require(value <= range.high, p.name + " must be at most " + Number(range.high) + unit);
    Require(!range.whole || value == std::floor(value), p.name + " must be a whole number");
}

} // namespace

const std::vector<ManoeuvreTemplate> &ManoeuvreTemplates() {
    static const std::vector<ManoeuvreTemplate> templates = [] {
        std::vector<ManoeuvreTemplate> list;
        for (const auto &t : Definitions()) list.push_back(t.info);
        return list;
    }();
    return templates;
}

const ManoeuvreTemplate *FindTemplate(const std::string &name) {
    for (const auto &t : ManoeuvreTemplates())
        if (t.name == name) return &t;
    return nullptr;
}

std::vector<std::string> TemplateProgram(const std::string &name, const TemplateValues &values) {
    const TemplateDefinition *t = FindDefinition(name);
    Require(t != nullptr, "unknown template: " + name);
    for (const auto &entry : values) {
        // A named variable rather than a structured binding: clang before 16 cannot capture those.
        const std::string &given = entry.first;
        bool known = std::any_of(t->info.parameters.begin(), t->info.parameters.end(),
                                 [&](const TemplateParameter &p) { return p.name == given; });
        Require(known, "template " + name + " has no parameter " + given);
    }
    TemplateValues complete;
    for (std::size_t i = 0; i < t->info.parameters.size(); ++i) {
        const TemplateParameter &p = t->info.parameters[i];
        auto given = values.find(p.name);
        double value = given == values.end() ? p.defaultValue : given->second;
        CheckRange(p, t->ranges[i], value);
        complete[p.name] = value;
    }
    return t->write(t->info, Values(complete));
}

std::vector<double> AmplitudeSeries(double from, double to, double step) {
    Require(std::isfinite(from) && std::isfinite(to) && std::isfinite(step),
            "the series needs three numbers");
    Require(from > 0, "the series must start above 0 deg");
    Require(step > 0, "the series needs a step above 0 deg");
    Require(to >= from, "the series must end at or above its start");
    // A relative tolerance keeps the last amplitude that decimal steps reach only approximately.
    const double count = std::floor((to - from) / step * (1 + 1e-9) + 1e-9) + 1;
    Require(count <= ProgramCount, "the series has " + Number(count) + " amplitudes; a set holds " +
                                       std::to_string(ProgramCount) + " programs");
    std::vector<double> amplitudes;
    for (int i = 0; i < static_cast<int>(count); ++i) amplitudes.push_back(from + i * step);
    return amplitudes;
}

std::array<std::vector<std::string>, 16> TemplateSeries(const std::string &name, const TemplateValues &values,
                                                        const std::vector<double> &amplitudes) {
    const ManoeuvreTemplate *t = FindTemplate(name);
    Require(t != nullptr, "unknown template: " + name);
    Require(std::any_of(t->parameters.begin(), t->parameters.end(),
                        [](const TemplateParameter &p) { return p.name == "amplitude"; }),
            "template " + name + " has no amplitude to make a series of");
    Require(!amplitudes.empty(), "the series has no amplitude");
    Require(amplitudes.size() <= ProgramCount, "the series has " + std::to_string(amplitudes.size()) +
                                                   " amplitudes; a set holds " +
                                                   std::to_string(ProgramCount) + " programs");
    std::array<std::vector<std::string>, 16> set;
    for (std::size_t k = 0; k < set.size(); ++k) {
        if (k >= amplitudes.size()) {
            set[k] = DefaultProgram();
            continue;
        }
        TemplateValues programValues = values;
        programValues["amplitude"] = amplitudes[k];
        try {
            set[k] = TemplateProgram(name, programValues);
        } catch (const TemplateError &e) {
            throw TemplateError("program " + std::to_string(k) + ": " + e.what());
        }
    }
    return set;
}
