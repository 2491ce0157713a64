// Manoeuvre templates: each writes ordinary program text after checking its parameters and that the
// program fits the step store at its clock rate.
#include "romfiles/templates.h"

#include "compiler/compile.h"
#include "compiler/format.h"
#include "compiler/state.h"
#include "romfiles/programset.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <string_view>

namespace {

using Real = long double; // extended-precision intermediates, as in the compiler

// The shortest fixed-point text that reads back as the same float: what the compiler will store.
std::string Number(double value) { return ShortestFixed(static_cast<float>(value)); }

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
    // The comment, the header, the clock rate and the straight-ahead lead. A manoeuvre that started at
    // time 0 would lose its first step to the implicit STEPTO(0D), whose zero length is lengthened to
    // 1 ms.
    ProgramWriter(const ManoeuvreTemplate &info, const Values &v)
        : m_rate(static_cast<int>(v["rate"])), m_mark(static_cast<int>(v["mark"])) {
        m_lines = {"; " + Comment(info, v), "maxsteer(" + Number(v["maxsteer"]) + " deg)", "begin",
                   "setrate(" + std::to_string(m_rate) + " hz)"};
        Wait(v["lead"], "straight ahead");
        m_markLine = m_lines.size();
        m_markStart = m_clock;
    }

    void Wait(float seconds, const std::string &comment) {
        Add("wait(" + Number(seconds) + " sec)", comment);
        AddToClock(seconds);
    }
    void RampTo(float angle, float seconds, const std::string &comment) {
        Add("rampto(" + Number(angle) + " deg, " + Number(seconds) + " sec)", comment);
        AddToClock(seconds);
    }
    // A sine of whole or partial cycles, starting at the phase angle (degrees).
    void SineStatement(float amplitude, float phase, float frequency, float cycles,
                       const std::string &comment) {
        std::string text = "sine(" + Number(amplitude) + " deg, ";
        if (phase != 0) text += Number(phase) + " deg, ";
        Add(text + Number(frequency) + " hz, " + Number(cycles) + " cycles)", comment);
        AddToClock(static_cast<float>(Real(cycles) / frequency));
    }
    // A sweep from one frequency to the other over the time; downwards when from > to.
    void SweepStatement(bool logarithmic, float amplitude, float from, float to, float seconds,
                        const std::string &comment) {
        // The generator always starts at the lower frequency and rises during the first time, then
        // falls during the second: a downward sweep is all fall.
        float rise = from <= to ? seconds : 0, fall = from <= to ? 0 : seconds;
        Add(std::string(logarithmic ? "sinesweeplog(" : "sinesweep(") + Number(amplitude) + " deg, " +
                Number(std::min(from, to)) + " hz, " + Number(std::max(from, to)) + " hz, " + Number(rise) +
                " sec, " + Number(fall) + " sec)",
            comment);
        AddToClock(rise);
        AddToClock(fall);
    }
    void WaitForRollPeak(const std::string &comment) { Add("waitforrollpeak", comment); }
    // A brake pulse of the length, from the program clock on; it does not advance the clock.
    void PulseBrake(float seconds, const std::string &comment) {
        Add("pulsebrake(" + Number(seconds) + " sec)", comment);
        m_latest = std::max({m_latest, m_clock, static_cast<float>(Real(m_clock) + seconds)});
    }

    // The finished text; throws when the program does not fit the step store.
    std::vector<std::string> Finish() {
        if (m_mark > 0) AddMarks();
        m_lines.push_back("end");
        const float end = std::max(m_clock, m_latest);
        const float capacity = static_cast<float>(Real(StepCount - 1) / m_rate);
        Require(end <= capacity, "the program lasts " + Number(end) + " s; at " + std::to_string(m_rate) +
                                     " Hz the step store holds " + Number(capacity) + " s");
        return m_lines;
    }

private:
    static std::string Comment(const ManoeuvreTemplate &info, const Values &v);

    // The mark flag pulses where the steer begins (after the lead) and where it is complete (now); the
    // rising edge of each pulse is on the step where the steer begins or ends. Both pulses have their
    // full length, so a logger sees two separate edges.
    void AddMarks() {
        Require(Real(m_clock) - m_markStart >= 2 * MarkPulseLength,
                "the marks need a manoeuvre of at least " + Number(2 * MarkPulseLength) + " s");
        const std::string pulse =
            "pulseflag(" + std::to_string(m_mark) + " bit, " + Number(MarkPulseLength) + " sec)";
        m_lines.insert(m_lines.begin() + static_cast<std::ptrdiff_t>(m_markLine),
                       pulse + " ; mark: beginning of steer");
        Add(pulse, "mark: completion of steer");
        // Held at rest while it lasts: a wave would otherwise run on to the end.
        Wait(static_cast<float>(MarkPulseLength), "at rest for the mark");
    }

    void Add(const std::string &statement, const std::string &comment) {
        m_lines.push_back(comment.empty() ? statement : statement + " ; " + comment);
    }
    void AddToClock(float seconds) { m_clock = static_cast<float>(Real(m_clock) + seconds); }

    std::vector<std::string> m_lines;
    int m_rate;
    int m_mark;                 // the mark flag, 0 for none
    std::size_t m_markLine = 0; // where the beginning's mark goes: after the lead
    float m_markStart = 0;      // the time of that line, seconds
    float m_clock = 0;          // start time of the next statement, seconds
    float m_latest = 0;         // latest delayed event, seconds
};

// The program text of a template from its parameters' values; throws TemplateError.
using Writer = std::vector<std::string> (*)(const ManoeuvreTemplate &info, const Values &v);

struct TemplateDefinition {
    ManoeuvreTemplate info;
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

std::string ProgramWriter::Comment(const ManoeuvreTemplate &info, const Values &v) {
    std::string text = info.title + ":";
    for (const auto &p : info.parameters) {
        if (p.name == "lead" || p.name == "rate" || p.name == "maxsteer" || p.name == "mark") continue;
        text += text.back() == ':' ? " " : ", ";
        text += p.unit == "cycles" ? Number(v[p.name]) + " cycles"
                                   : p.name + " " + Number(v[p.name]) + " " + p.unit;
    }
    if (v["mark"] > 0) text += ", marks on flag " + Number(v["mark"]);
    return text;
}

// Ramp to the amplitude at the steer rate, hold, return: step steer and J-turn.
std::vector<std::string> WriteRampHoldReturn(const ManoeuvreTemplate &info, const Values &v,
                                             float returnTime) {
    CheckAngle(v, "amplitude");
    const float a = v["amplitude"], rate = v["steer-rate"];
    ProgramWriter w(info, v);
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
    ProgramWriter w(info, v);
    w.RampTo(angle, RampTime(angle, rate), "slow ramp at " + Number(rate) + " deg/s");
    w.Wait(v["hold"], "hold");
    w.RampTo(0, v["return"], "back to centre");
    return w.Finish();
}

std::vector<std::string> WriteSineWithDwell(const ManoeuvreTemplate &info, const Values &v) {
    CheckAngle(v, "amplitude");
    CheckFrequency(v, "frequency");
    const float a = v["amplitude"], f = v["frequency"];
    ProgramWriter w(info, v);
    w.SineStatement(a, 0, f, 0.75f, "up to the first peak, down to the second");
    w.Wait(v["dwell"], "dwell at the second peak");
    w.SineStatement(a, 270, f, 0.25f, "last quarter period back to centre");
    return w.Finish();
}

std::vector<std::string> WriteFishhook(const ManoeuvreTemplate &info, const Values &v) {
    CheckAngle(v, "amplitude");
    const float a = v["amplitude"], rate = v["steer-rate"];
    const float counter = v["countersteer"] > 0 ? v["countersteer"] : a;
    Require(counter <= v["maxsteer"], "countersteer " + Number(counter) + " deg is more than maxsteer (" +
                                          Number(v["maxsteer"]) + " deg)");
    ProgramWriter w(info, v);
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
    ProgramWriter w(info, v);
    w.SineStatement(v["amplitude"], 0, v["frequency"], 1, "one period");
    return w.Finish();
}

std::vector<std::string> WriteContinuousSine(const ManoeuvreTemplate &info, const Values &v) {
    CheckAngle(v, "amplitude");
    CheckFrequency(v, "frequency");
    ProgramWriter w(info, v);
    w.SineStatement(v["amplitude"], 0, v["frequency"], v["cycles"], "");
    return w.Finish();
}

std::vector<std::string> WriteSweep(const ManoeuvreTemplate &info, const Values &v, bool logarithmic) {
    CheckAngle(v, "amplitude");
    CheckFrequency(v, "start-frequency");
    CheckFrequency(v, "end-frequency");
    ProgramWriter w(info, v);
    w.SweepStatement(logarithmic, v["amplitude"], v["start-frequency"], v["end-frequency"], v["sweep-time"],
                     "");
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
    ProgramWriter w(info, v);
    w.RampTo(a, RampTime(a, rate), "into the turn at " + Number(rate) + " deg/s");
    w.Wait(v["settle"], "steady turn");
    w.PulseBrake(v["brake"], "brake pulse on flag 8");
    w.Wait(v["hold"], "hold the turn");
    w.RampTo(0, v["return"], "back to centre");
    return w.Finish();
}

struct ParameterRow {
    struct {
        std::string name, unit;
        double defaultValue;
        std::string description;
    } parameter;
    TemplateRange range;
};

// A template: what the catalogue shows of it, its own parameters (lead, rate and maxsteer follow them
// in every template), the clock rate it proposes and its writer.
struct TemplateRow {
    const char *name, *title, *description;
    std::vector<ParameterRow> parameters;
    int rate;
    Writer write;
};

const TemplateRange Positive{0, false}, NonNegative{0, true}, SteerRate{0, false, 4000000};

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
    TemplateDefinition t{{row.name, row.title, row.description, {}}, row.write};
    const std::vector<ParameterRow> common = {
        {{"lead", "s", 1, "straight-ahead time before the manoeuvre"}, {0, false}},
        {{"rate", "Hz", double(row.rate), "clock rate: 256, 512, 1024 or 2048"}, {256, true, 2048, true}},
        {{"maxsteer", "deg", 100, "steer limit of the program (maxsteer line)"}, {0, false, 100000}},
        {{"mark", "flag", 0, "aux flag that pulses at the beginning and the completion of steer (0: none)"},
         {0, true, 7, true}}};
    for (const auto *rows : {&row.parameters, &common})
        for (const ParameterRow &p : *rows) {
            const auto &q = p.parameter;
            t.info.parameters.push_back({q.name, q.unit, q.defaultValue, q.description, p.range});
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

bool SameName(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](unsigned char x, unsigned char y) { return std::tolower(x) == std::tolower(y); });
}

const TemplateDefinition *FindDefinition(const std::string &name) {
    for (const auto &t : Definitions())
        if (SameName(t.info.name, name)) return &t;
    return nullptr;
}

void CheckRange(const TemplateParameter &p, double value) {
    const TemplateRange &range = p.range;
    const std::string unit = p.unit == "cycles" || p.unit == "flag" ? "" : " " + p.unit;
    Require(std::isfinite(value), p.name + " is not a number");
    if (p.name == "rate") {
        Require(value == 256 || value == 512 || value == 1024 || value == 2048,
                "rate " + Number(value) + " Hz is not a clock rate (256, 512, 1024 or 2048 Hz)");
        return;
    }
    // Flag 1 is the roll-peak signal the machine steers by, flag 8 the brake.
    if (p.name == "mark") {
        Require(value == 0 || (value >= 2 && value <= 7 && value == std::floor(value)),
                "mark " + Number(value) + " is not a flag for marks: 2 to 7 (flag 1 is the roll-peak " +
                    "signal, flag 8 the brake), or 0 for none");
        return;
    }
    // The program holds its numbers in single precision, where a tiny value would become 0.
    Require(value == 0 || static_cast<float>(value) != 0,
            p.name + " " + ShortestText(value) + unit + " is too small for a program to hold");
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
        if (SameName(t.name, name)) return &t;
    return nullptr;
}

std::string RangeText(const TemplateParameter &p) {
    if (p.name == "rate") return "256, 512, 1024 or 2048";
    if (p.name == "mark") return "0 (none) or 2 to 7";
    const TemplateRange &r = p.range;
    return (r.lowIncluded ? "at least " : "more than ") + Number(r.low) + " and at most " + Number(r.high) +
           (r.whole ? ", whole" : "");
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
    for (const TemplateParameter &p : t->info.parameters) {
        auto given = values.find(p.name);
        double value = given == values.end() ? p.defaultValue : given->second;
        CheckRange(p, value);
        complete[p.name] = value;
    }
    std::vector<std::string> program = t->write(t->info, Values(complete));
    // The checks above keep every template within the language; this keeps any gap from reaching a set.
    CompilerState state;
    if (!CompileProgram(state, program))
        throw TemplateError("the program of template " + t->info.name +
                            " with these values does not compile (" + state.messageLines.front() + ")");
    return program;
}

std::vector<double> AmplitudeSeries(double from, double to, double step) {
    Require(std::isfinite(from) && std::isfinite(to) && std::isfinite(step),
            "the series needs three numbers");
    Require(from > 0, "the series must start above 0 deg");
    Require(step > 0, "the series needs a step above 0 deg");
    Require(to >= from, "the series must end at or above its start");
    // A relative tolerance keeps the last amplitude that decimal steps reach only approximately.
    const double count = std::floor((to - from) / step * (1 + 1e-9) + 1e-9) + 1;
    Require(count <= MaxSeriesRuns, "the series has " + Number(count) + " amplitudes; at most " +
                                        std::to_string(MaxSeriesRuns) + " are written");
    std::vector<double> amplitudes;
    for (int i = 0; i < static_cast<int>(count); ++i) amplitudes.push_back(from + i * step);
    return amplitudes;
}

std::vector<double> StandardSeries(double a, double cap) {
    Require(std::isfinite(a) && a > 0 && a <= TemplateRange{}.high,
            "the standard series needs an amplitude A above 0 deg and at most " +
                Number(TemplateRange{}.high) + " deg");
    Require(std::isfinite(cap) && cap > 0, "the standard series needs a cap above 0 deg");
    const double from = 1.5 * a, step = 0.5 * a;
    const double last = std::min(std::max(6.5 * a, StandardSeriesEnd), std::min(cap, StandardSeriesCap));
    // The same amplitudes as the series from 1.5 A to 6.5 A in steps of 0.5 A, up to the last run.
    std::vector<double> amplitudes;
    for (int k = 0;; ++k) {
        const double amplitude = from + k * step;
        if (amplitude > last * (1 + 1e-9)) {
            amplitudes.push_back(last);
            break;
        }
        amplitudes.push_back(amplitude);
        if (amplitude >= last * (1 - 1e-9)) break;
        Require(amplitudes.size() < MaxSeriesRuns, "the standard series for A = " + Number(a) +
                                                       " deg has more than " + std::to_string(MaxSeriesRuns) +
                                                       " runs");
    }
    return amplitudes;
}

std::string StandardSeriesNote(double a) { return "standard series, A " + Number(a) + " deg"; }

std::vector<ProgramText> TemplateRuns(const std::string &name, const TemplateValues &values,
                                      const std::vector<double> &amplitudes, const std::string &note) {
    const ManoeuvreTemplate *t = FindTemplate(name);
    Require(t != nullptr, "unknown template: " + name);
    Require(std::any_of(t->parameters.begin(), t->parameters.end(),
                        [](const TemplateParameter &p) { return p.name == "amplitude"; }),
            "template " + name + " has no amplitude to make a series of");
    Require(!amplitudes.empty(), "the series has no amplitude");
    Require(amplitudes.size() <= MaxSeriesRuns, "the series has " + std::to_string(amplitudes.size()) +
                                                    " amplitudes; at most " + std::to_string(MaxSeriesRuns) +
                                                    " are written");
    std::vector<ProgramText> runs;
    const std::string count = std::to_string(amplitudes.size());
    for (std::size_t k = 0; k < amplitudes.size(); ++k) {
        TemplateValues programValues = values;
        programValues["amplitude"] = amplitudes[k];
        try {
            runs.push_back(TemplateProgram(name, programValues));
        } catch (const TemplateError &e) {
            throw TemplateError("run " + std::to_string(k + 1) + " of " + count + ": " + e.what());
        }
        runs.back().front() +=
            "; run " + std::to_string(k + 1) + " of " + count + (note.empty() ? "" : ", " + note);
    }
    return runs;
}

std::vector<ProgramSet> SeriesSets(const std::vector<ProgramText> &runs) {
    std::vector<ProgramSet> sets;
    for (std::size_t k = 0; k < runs.size(); ++k) {
        if (k % ProgramCount == 0) sets.push_back(DefaultProgramSet());
        sets.back()[k % ProgramCount] = runs[k];
    }
    return sets;
}

ProgramSet TemplateSeries(const std::string &name, const TemplateValues &values,
                          const std::vector<double> &amplitudes) {
    Require(amplitudes.size() <= ProgramCount, "the series has " + std::to_string(amplitudes.size()) +
                                                   " amplitudes; a set holds " +
                                                   std::to_string(ProgramCount) + " programs");
    const std::vector<ProgramSet> sets = SeriesSets(TemplateRuns(name, values, amplitudes));
    return sets.front();
}
