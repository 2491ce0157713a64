// Compile messages: the message list, its counts, the catalogue and the Messages text.
#include "compiler/messages.h"

#include "compiler/format.h"
#include "compiler/state.h"

#include <string_view>

namespace {

constexpr std::size_t MessageTextLength = 80;
constexpr std::size_t PrefixLength = 40;

// How a catalogue entry puts the prefix P and the text T around its literal.
enum class Shape {
    Bare,        // literal alone, no prefix
    BareText,    // literal + T, no prefix
    Plain,       // P + literal
    Quoted,      // P + '"' + T + literal
    TextInside,  // P + literal + T + second literal
    TextFirst,   // P + T + literal
    BareWrapped, // literal + T + second literal, no prefix
};

struct CatalogueEntry {
    int code;
    Shape shape;
    std::string_view literal;
    std::string_view tail = {};
};

constexpr CatalogueEntry Catalogue[] = {
    {Msg::RanOutOfSteps, Shape::BareText, "Ran out of steps at t= "},
    {Msg::MaxSteerNotBeforeBegin, Shape::Bare, "\"MaxSteer\" not found before \"Begin\""},
    {Msg::NoMaxSteerNorBegin, Shape::Bare, "\"MaxSteer\" and \"Begin\" not found"},
    {Msg::NoBegin, Shape::Bare, "\"Begin\" not found"},
    {Msg::InvalidFunction, Shape::Quoted, "\" is an invalid function"},
    {Msg::MissingNumber, Shape::Plain, "Missing number in parameter"},
    {Msg::MissingParameterId, Shape::Plain, "Missing parameter id (sec, hz, etc.)"},
    {Msg::InvalidParameterId, Shape::Quoted, "\" is an invalid parameter id"},
    {Msg::BadPhase, Shape::Plain, "Invalid numeric format for phase angle (real)"},
    {Msg::BadClockRate, Shape::Plain, "Invalid numeric format for clock rate (integer)"},
    {Msg::BadAmplitude, Shape::Plain, "Invalid numeric format for amplitude (real)"},
    {Msg::BadSeconds, Shape::Plain, "Invalid numeric format for seconds (real)"},
    {Msg::BadCycles, Shape::Plain, "Invalid numeric format for cycles (real)"},
    {Msg::BadFrequency, Shape::Plain, "Invalid numeric format for frequency (real)"},
    {Msg::Offscale, Shape::Plain, "Steer amplitude goes offscale (abs(steer) > maxsteer)"},
    {Msg::BadMaxSteerSyntax, Shape::Plain, "Invalid MaxSteer syntax"},
    {Msg::BadMaxSteer, Shape::Plain, "Invalid numeric format for MaxSteer (real)"},
    {Msg::MaxSteerNotPositive, Shape::Plain, "MaxSteer must be positive"},
    {Msg::IllegalClockRate, Shape::Plain, "Illegal clock rate: must be 256, 512, 1024, or 2048 "},
    {Msg::NegativeWait, Shape::Plain, "Time length cannot be negative in WAIT function."},
    {Msg::NegativeStepTime, Shape::Plain, "Time length cannot be negative in STEPTO/STEPUP function."},
    {Msg::RampTimeNotPositive, Shape::Plain,
     "Time length cannot be zero or negative in RAMPTO/RAMPUP function."},
    {Msg::NegativeWaveTime, Shape::Plain,
     "Time length cannot be negative in SINE/SQUARE/TRIANG/SINESWEEP/SINESWEEPLOG function"},
    {Msg::NegativeCycles, Shape::Plain, "Number of cycles cannot be negative."},
    {Msg::NegativeFrequency, Shape::Plain, "Frequency cannot be negative."},
    {Msg::ZeroWaveFrequency, Shape::Plain, "Frequency cannot be zero in SINE/SQUARE/TRIANG functions."},
    {Msg::ZeroLogSweepFrequency, Shape::Plain, "Neither frequency can be zero in SINESWEEPLOG function."},
    {Msg::ZeroSweepFrequencies, Shape::Plain, "Both frequencies cannot be zero in SINESWEEPLIN function."},
    {Msg::NegativeInitialSteer, Shape::Plain, "Initial steer input must be positive"},
    {Msg::TooManyParameters, Shape::TextInside, "Too many ", " parameters"},
    {Msg::ParameterNotRecognized, Shape::TextFirst, " parameters not recognized for this function"},
    {Msg::BadFlagNumber, Shape::Plain, "Flag number must be an integer from 1 thru 8"},
    {Msg::BadFlagValue, Shape::Plain, "Flag value must be integer percentage 0 thru 100"},
    {Msg::NegativePulseTime, Shape::Plain, "Pulse Time length cannot be negative in PULSEFLAG function"},
    {Msg::SetRateWithoutRate, Shape::Plain,
     "SetRate must have a clock rate parameter (256, 512, 1024, or 2048 hz.)"},
    {Msg::CyclesSupersedeTime, Shape::Plain, "Cycle count supercedes time length if both are >0"},
    {Msg::EndAdded, Shape::Plain, "END not found - It will be added automatically"},
    {Msg::ExtraMaxSteer, Shape::Plain, "Extra MaxSteer command found and IGNORED."},
    {Msg::NoCyclesOrTime, Shape::Plain, "No cycle count or time given -- defaults to 0 seconds"},
    {Msg::NoSweepTime, Shape::Plain, "No time period given -- defaults to 0 seconds"},
    {Msg::SweepCyclesIgnored, Shape::Plain,
     "Cycle count is not valid in SINESWEEP/SINESWEEPLOG function -- value is ignored"},
    {Msg::CompiledOk, Shape::BareWrapped, "Compiled OK - program length: t= ", " seconds"},
};

constexpr CatalogueEntry Fallback = {0, Shape::Plain, "Error or warning with no message assigned"};

const CatalogueEntry &FindEntry(int code) {
    for (const auto &entry : Catalogue)
        if (entry.code == code) return entry;
    return Fallback;
}

// The prefix of a memo line, cut to 40 characters.
std::string Prefix(const CompileMessage &message) {
    std::string prefix;
    if (message.line == 0)
        prefix = "Error in " + message.text + " function: ";
    else if (SeverityOf(message.code) != Severity::Error)
        prefix = "Warning in line " + std::to_string(message.line) + ": ";
    else if (message.code >= Msg::InvalidFunction) // the header errors below it show a bare line number
        prefix = "Error in line " + std::to_string(message.line) + ": ";
    else
        prefix = std::to_string(message.line);
    return Cut(prefix, PrefixLength);
}

} // namespace

Severity SeverityOf(int code) {
    if (code < Msg::FirstWarning) return Severity::Error;
    return code < Msg::FirstInformation ? Severity::Warning : Severity::Information;
}

const char *SeverityName(Severity severity) {
    constexpr const char *Names[] = {"error", "warning", "information"}; // ORDER Severity
    return Names[static_cast<int>(severity)];
}

void ClearMessages(CompilerState &state) {
    state.messages.clear();
    state.ErrorCount = 0;
    state.WarningCount = 0;
}

void AddMessage(CompilerState &state, int line, int code, const std::string &text) {
    state.messages.push_back({line, code, Cut(text, MessageTextLength)});
    if (SeverityOf(code) == Severity::Error)
        ++state.ErrorCount;
    else if (SeverityOf(code) == Severity::Warning)
        ++state.WarningCount;
}

std::string MessageLine(const CompileMessage &message) {
    const CatalogueEntry &entry = FindEntry(message.code);
    const std::string literal(entry.literal);
    const std::string tail(entry.tail);
    switch (entry.shape) {
    case Shape::Bare:
        return literal;
    case Shape::BareText:
        return literal + message.text;
    case Shape::BareWrapped:
        return literal + message.text + tail;
    case Shape::Plain:
        return Prefix(message) + literal;
    case Shape::Quoted:
        return Prefix(message) + "\"" + message.text + literal;
    case Shape::TextInside:
        return Prefix(message) + literal + message.text + tail;
    case Shape::TextFirst:
        return Prefix(message) + message.text + literal;
    }
    return Prefix(message) + std::string(Fallback.literal);
}

const std::vector<std::string> &ShowMessages(CompilerState &state) {
    state.messageLines.clear();
    for (const auto &message : state.messages) state.messageLines.push_back(MessageLine(message));
    if (state.ErrorCount > 0) {
        state.messageLines.emplace_back();
        state.messageLines.push_back(
            std::to_string(state.ErrorCount) +
            (state.ErrorCount == 1 ? " Error found - Aborting..." : " Errors found - Aborting..."));
    }
    return state.messageLines;
}
