// The program language: line normalising, the header scan, statements and their parameters.
#include "compiler/parse.h"

#include "compiler/format.h"
#include "compiler/messages.h"
#include "compiler/state.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string_view>

namespace {

constexpr std::size_t NameLength = 15;     // characters kept in ProgramStatement::name
constexpr std::size_t MaxParameters = 7;   // parameter slots of a statement
constexpr float UnknownMaxSteer = 1000000; // MaxSteer when the maxsteer line is missing or unreadable
constexpr std::uint8_t RollPeakFlag = 1;   // the flag that WAITFORROLLPEAK waits on
constexpr std::uint8_t BrakeFlag = 8;      // the flag that PULSEBRAKE pulses

// ORDER StatementKind: several names share a code; the table is searched by name.
struct KindName {
    std::string_view name;
    StatementKind kind;
};
constexpr std::array<KindName, 19> KindNames = {{
    {"SETRATE", StatementKind::SetRate},
    {"SETCURRENTHIGH", StatementKind::SetCurrentHigh},
    {"SETCURRENTLOW", StatementKind::SetCurrentLow},
    {"SETFLAG", StatementKind::SetFlag},
    {"PULSEFLAG", StatementKind::Pulse},
    {"WAITFORROLLPEAK", StatementKind::Pulse},
    {"PULSEBRAKE", StatementKind::Pulse},
    {"WAIT", StatementKind::Wait},
    {"STEPTO", StatementKind::StepTo},
    {"STEPUP", StatementKind::StepUp},
    {"RAMPTO", StatementKind::RampTo},
    {"RAMPUP", StatementKind::RampUp},
    {"SINE", StatementKind::Sine},
    {"SQUARE", StatementKind::Square},
    {"TRIANGLE", StatementKind::Triangle},
    {"SINESWEEP", StatementKind::SineSweep},
    {"SINESWEEPLOG", StatementKind::SineSweepLog},
    {"REPEATPROGRAM", StatementKind::RepeatProgram},
    {"END", StatementKind::End},
}};

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Index just past a run of digits starting at i.
std::size_t SkipDigits(std::string_view text, std::size_t i) {
    while (i < text.size() && IsDigit(text[i])) ++i;
    return i;
}

bool IsSineLike(StatementKind kind) {
    return kind == StatementKind::Sine || kind == StatementKind::Square || kind == StatementKind::Triangle;
}

bool IsSweep(StatementKind kind) {
    return kind == StatementKind::SineSweep || kind == StatementKind::SineSweepLog;
}

bool IsFlagFunction(StatementKind kind) {
    return kind == StatementKind::SetFlag || kind == StatementKind::Pulse;
}

char UpperCase(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

// Normalises a line into text, whose storage is reused from line to line.
void NormaliseInto(std::string_view line, std::string &text) {
    text.clear();
    for (char c : line.substr(0, LineCharactersRead))
        if (c != ' ') text.push_back(UpperCase(c));
}

// Normalises a statement line into text: a comment after ";" is dropped.
void NormaliseStatementInto(std::string_view line, std::string &text) {
    NormaliseInto(line, text);
    auto semicolon = text.find(';');
    if (semicolon != std::string::npos) text.resize(semicolon);
}

// The id and number of a scanned parameter of text; raises error 12, 13 or 14 and returns nothing on a
// fault.
struct ParameterView {
    char id;
    std::string_view number;
};
std::optional<ParameterView> ReadParameterId(CompilerState &state, int line, std::string_view text,
                                             const ScannedParameter &parameter) {
    if (parameter.number.Empty()) {
        AddMessage(state, line, Msg::MissingNumber, "");
        return std::nullopt;
    }
    if (!parameter.written) {
        AddMessage(state, line, Msg::MissingParameterId, "");
        return std::nullopt;
    }
    if (parameter.id == 0) {
        AddMessage(state, line, Msg::InvalidParameterId, std::string(1, *parameter.written));
        return std::nullopt;
    }
    return ParameterView{parameter.id, parameter.number.Of(text)};
}

// Takes a free slot: sets its bit; false when the slot was already taken.
bool TakeSlot(ProgramStatement &statement, std::uint16_t bit) {
    if (statement.givenMask & bit) return false;
    statement.givenMask |= bit;
    return true;
}

// Reads a real into a taken slot; a malformed number leaves 0 and raises the slot's format error.
bool StoreReal(CompilerState &state, int line, float &field, std::string_view number, int formatError) {
    auto value = ReadReal(number);
    field = value.value_or(0.0f);
    if (!value) AddMessage(state, line, formatError, "");
    return value.has_value();
}

// Reads an integer into a taken slot; returns the integer as written (0 when malformed).
long StoreInteger(CompilerState &state, int line, std::string_view number, int formatError) {
    auto value = ReadInteger(number);
    if (!value) AddMessage(state, line, formatError, "");
    return value.value_or(0);
}

// The first D parameter of every statement feeds the initial-steer rule.
void NoteInitialSteer(CompilerState &state, int line, float value) {
    if (state.InitialSteer != 0) return;
    state.InitialSteer = value;
    if (value < 0) AddMessage(state, line, Msg::NegativeInitialSteer, "");
}

void AssignDegrees(CompilerState &state, ProgramStatement &s, std::string_view number) {
    if (TakeSlot(s, GivenAmplitude)) {
        if (StoreReal(state, s.line, s.amplitude, number, Msg::BadAmplitude))
            NoteInitialSteer(state, s.line, s.amplitude);
    } else if (IsSineLike(s.kind)) {
        if (TakeSlot(s, GivenSecondValue))
            StoreReal(state, s.line, s.secondValue, number, Msg::BadPhase);
        else
            AddMessage(state, s.line, Msg::TooManyParameters, "amplitude or phase angle");
    } else {
        AddMessage(state, s.line, Msg::TooManyParameters, "amplitude");
    }
}

void AssignSeconds(CompilerState &state, ProgramStatement &s, std::string_view number) {
    if (TakeSlot(s, GivenDuration))
        StoreReal(state, s.line, s.duration, number, Msg::BadSeconds);
    else if (s.kind == StatementKind::Pulse && TakeSlot(s, GivenSecondValue))
        StoreReal(state, s.line, s.secondValue, number, Msg::BadSeconds);
    else if (IsSweep(s.kind) && TakeSlot(s, GivenExtraTime))
        StoreReal(state, s.line, s.extraTime, number, Msg::BadSeconds);
    else
        AddMessage(state, s.line, Msg::TooManyParameters, "time");
}

void AssignHertz(CompilerState &state, ProgramStatement &s, WrittenIntegers &written,
                 std::string_view number) {
    if (s.kind == StatementKind::SetRate) {
        if (TakeSlot(s, GivenClockRate)) {
            written.clockRate = StoreInteger(state, s.line, number, Msg::BadClockRate);
            s.clockRate = static_cast<std::uint16_t>(written.clockRate);
        } else {
            AddMessage(state, s.line, Msg::TooManyParameters, "frequency");
        }
    } else if (TakeSlot(s, GivenFrequency)) {
        StoreReal(state, s.line, s.frequency, number, Msg::BadFrequency);
    } else if (IsSweep(s.kind) && TakeSlot(s, GivenSecondValue)) {
        StoreReal(state, s.line, s.secondValue, number, Msg::BadFrequency);
    } else {
        AddMessage(state, s.line, Msg::TooManyParameters, "frequency");
    }
}

void AssignFlagNumber(CompilerState &state, ProgramStatement &s, WrittenIntegers &written,
                      std::string_view number) {
    if (!IsFlagFunction(s.kind)) {
        AddMessage(state, s.line, Msg::ParameterNotRecognized, "flag bit number");
    } else if (TakeSlot(s, GivenFlagNumber)) {
        written.flagNumber = StoreInteger(state, s.line, number, Msg::BadFlagNumber);
        s.flagNumber = static_cast<std::uint8_t>(written.flagNumber);
    } else {
        AddMessage(state, s.line, Msg::TooManyParameters, "flag number");
    }
}

void AssignFlagValue(CompilerState &state, ProgramStatement &s, WrittenIntegers &written,
                     std::string_view number) {
    if (s.kind != StatementKind::SetFlag) {
        AddMessage(state, s.line, Msg::ParameterNotRecognized, "flag value percent");
    } else if (TakeSlot(s, GivenFlagValue)) {
        written.flagValue = StoreInteger(state, s.line, number, Msg::BadFlagValue);
        s.flagValue = static_cast<std::uint8_t>(written.flagValue);
    } else {
        AddMessage(state, s.line, Msg::TooManyParameters, "flag value");
    }
}

// Puts one parameter into the first free slot its id may take, or raises error 51 or 60.
void AssignParameter(CompilerState &state, ProgramStatement &s, WrittenIntegers &written,
                     const ParameterView &parameter) {
    switch (parameter.id) {
    case 'D':
        AssignDegrees(state, s, parameter.number);
        break;
    case 'S':
        AssignSeconds(state, s, parameter.number);
        break;
    case 'C':
        if (TakeSlot(s, GivenCycles))
            StoreReal(state, s.line, s.cycles, parameter.number, Msg::BadCycles);
        else
            AddMessage(state, s.line, Msg::TooManyParameters, "cycle");
        break;
    case 'H':
        AssignHertz(state, s, written, parameter.number);
        break;
    case 'B':
        AssignFlagNumber(state, s, written, parameter.number);
        break;
    case 'P':
        AssignFlagValue(state, s, written, parameter.number);
        break;
    default:
        break;
    }
}

void ApplyPresets(ProgramStatement &s, WrittenIntegers &written) {
    if (s.name == "WAITFORROLLPEAK") {
        s.flagNumber = RollPeakFlag;
        s.duration = 0;
        s.givenMask |= GivenFlagNumber | GivenDuration;
    } else if (s.name == "PULSEBRAKE") {
        s.flagNumber = BrakeFlag;
        s.givenMask |= GivenFlagNumber;
    } else {
        return;
    }
    written.flagNumber = s.flagNumber;
}

// Appends a statement; a pulse with a positive length becomes a SETFLAG to 100 and one back to 0.
void AppendStatement(CompilerState &state, ProgramStatement statement) {
    auto &list = state.statements;
    if (statement.kind != StatementKind::Pulse || !(statement.duration > 0)) {
        list.push_back(std::move(statement));
        return;
    }
    const float length = statement.duration;
    const float delay = statement.secondValue;
    statement.kind = StatementKind::SetFlag;
    statement.duration = delay;
    statement.secondValue = 0;
    statement.flagValue = 100;
    ProgramStatement off = statement;
    off.duration = static_cast<float>(static_cast<long double>(length) + delay);
    off.flagValue = 0;
    list.push_back(std::move(statement));
    list.push_back(std::move(off));
}

// The checks of SINE, SQUARE and TRIANGLE, and of the two sweeps.
void ValidateWave(CompilerState &state, const ProgramStatement &s) {
    auto raise = [&](int code) { AddMessage(state, s.line, code, ""); };
    if (s.duration < 0) raise(Msg::NegativeWaveTime);
    if (IsSweep(s.kind)) {
        if (s.cycles != 0) raise(Msg::SweepCyclesIgnored);
        if (s.frequency < 0 || s.secondValue < 0) raise(Msg::NegativeFrequency);
        if (s.kind == StatementKind::SineSweep ? s.frequency == 0 && s.secondValue == 0
                                               : s.frequency == 0 || s.secondValue == 0)
            raise(s.kind == StatementKind::SineSweep ? Msg::ZeroSweepFrequencies
                                                     : Msg::ZeroLogSweepFrequency);
        if (s.duration == 0 && !(s.extraTime > 0)) raise(Msg::NoSweepTime);
        return;
    }
    if (s.cycles < 0) raise(Msg::NegativeCycles);
    if (s.frequency < 0)
        raise(Msg::NegativeFrequency);
    else if (s.frequency == 0)
        raise(Msg::ZeroWaveFrequency);
    if (s.cycles > 0 && s.duration > 0) raise(Msg::CyclesSupersedeTime);
    if (s.cycles == 0 && s.duration == 0) raise(Msg::NoCyclesOrTime);
}

// Real text that read with valid syntax but does not fit a float: tiny values underflow to a signed
// zero, large ones are malformed.
std::optional<float> OutOfFloatRange(std::string_view text) {
    double wide = 0;
    auto result = ReadDecimal(text.data(), text.data() + text.size(), wide);
    bool large;
    if (result.ec == std::errc()) {
        large = std::fabs(wide) >= 1;
    } else {
        // Beyond even a double: a line of 100 characters cannot move the exponent that far.
        auto e = text.find_first_of("Ee");
        large = e == std::string_view::npos || e + 1 == text.size() || text[e + 1] != '-';
    }
    if (large) return std::nullopt;
    return text.front() == '-' ? -0.0f : 0.0f;
}

} // namespace

std::string StripBlanks(const std::string &text) {
    std::string result;
    result.reserve(text.size());
    for (char c : text)
        if (c != ' ') result.push_back(c);
    return result;
}

std::string NormaliseLine(const std::string &line) {
    std::string text;
    NormaliseInto(line, text);
    return text;
}

bool LineStartsWith(const std::string &line, std::string_view keyword) {
    std::size_t matched = 0;
    for (char c : std::string_view(line).substr(0, LineCharactersRead)) {
        if (matched == keyword.size()) break;
        if (c == ' ') continue;
        if (UpperCase(c) != keyword[matched]) return false;
        ++matched;
    }
    return matched == keyword.size();
}

bool IsRealSyntax(std::string_view view) {
    std::size_t i = 0;
    if (i < view.size() && (view[i] == '+' || view[i] == '-')) ++i;
    std::size_t mantissaStart = i;
    i = SkipDigits(view, i);
    std::size_t digits = i - mantissaStart;
    if (i < view.size() && view[i] == '.') {
        std::size_t fractionStart = ++i;
        i = SkipDigits(view, i);
        digits += i - fractionStart;
    }
    if (digits == 0) return false;
    if (i < view.size() && (view[i] == 'E' || view[i] == 'e')) {
        ++i;
        if (i < view.size() && (view[i] == '+' || view[i] == '-')) ++i;
        std::size_t exponentStart = i;
        i = SkipDigits(view, i);
        if (i == exponentStart) return false;
    }
    return i == view.size();
}

bool IsIntegerParameter(char id, StatementKind kind) {
    return id == 'B' || id == 'P' || (id == 'H' && kind == StatementKind::SetRate);
}

ScannedParameter ScanParameter(std::string_view text, TextSpan span) {
    ScannedParameter parameter;
    parameter.text = span;
    parameter.number = {span.begin, span.begin};
    const std::string_view piece = span.Of(text);
    const auto k = piece.find_last_of("0123456789.-");
    if (k == std::string_view::npos) return parameter;
    parameter.number.end = span.begin + k + 1;
    if (k + 1 == piece.size()) return parameter;
    parameter.written = piece[k + 1];
    const char id = piece[k + 1] == '%' ? 'P' : piece[k + 1];
    if (std::string_view("DSCHBP").find(id) != std::string_view::npos) parameter.id = id;
    return parameter;
}

ScannedStatement ScanStatement(std::string_view text) {
    ScannedStatement statement;
    statement.open = text.find('(');
    statement.name = {0, std::min(statement.open, text.size())};
    if (statement.open == std::string_view::npos) return statement;
    const auto close = text.find(')');
    if (close == std::string_view::npos || close < statement.open + 3) return statement;
    statement.close = close;
    for (std::size_t from = statement.open + 1; from <= close;) {
        const std::size_t comma = std::min(text.find(',', from), close);
        if (comma > from && statement.parameters.size() < MaxParameters)
            statement.parameters.push_back(ScanParameter(text, {from, comma}));
        else if (comma > from)
            statement.unread.push_back({from, comma});
        if (comma < close) statement.commas.push_back(comma);
        from = comma + 1;
    }
    return statement;
}

ScannedMaxSteer ScanMaxSteerLine(std::string_view text) {
    const auto d = text.find('D');
    if (!text.starts_with("MAXSTEER(") || d == std::string_view::npos) return {};
    return {true, {MaxSteerKeyword.size() + 1, d}};
}

std::optional<float> ReadReal(std::string_view text) {
    if (!IsRealSyntax(text)) return std::nullopt;
    std::string_view view = text;
    if (view.front() == '+') view.remove_prefix(1); // ReadDecimal takes no plus sign
    float value = 0;
    auto result = ReadDecimal(view.data(), view.data() + view.size(), value);
    if (result.ec == std::errc::result_out_of_range) return OutOfFloatRange(view);
    if (result.ec != std::errc() || result.ptr != view.data() + view.size() || std::isinf(value))
        return std::nullopt;
    return value;
}

std::optional<long> ReadInteger(std::string_view text) {
    std::string_view view = text;
    bool plus = !view.empty() && view.front() == '+';
    if (plus) view.remove_prefix(1); // from_chars takes no plus sign
    std::size_t digitsStart = !plus && !view.empty() && view.front() == '-' ? 1 : 0; // one sign at most
    if (view.size() == digitsStart || SkipDigits(view, digitsStart) != view.size()) return std::nullopt;
    long long value = 0;
    auto result = std::from_chars(view.data(), view.data() + view.size(), value);
    if (result.ec != std::errc() || value < std::numeric_limits<std::int32_t>::min() ||
        value > std::numeric_limits<std::int32_t>::max())
        return std::nullopt;
    return static_cast<long>(value);
}

SplitResult SplitStatement(const std::string &text) {
    const ScannedStatement scanned = ScanStatement(text);
    SplitResult result{std::string(scanned.name.Of(text)), {}};
    for (const ScannedParameter &parameter : scanned.parameters)
        result.parameters.emplace_back(parameter.text.Of(text));
    return result;
}

std::optional<ParameterId> ParseParameterId(CompilerState &state, int line, const std::string &text) {
    auto parameter = ReadParameterId(state, line, text, ScanParameter(text, {0, text.size()}));
    if (!parameter) return std::nullopt;
    return ParameterId{parameter->id, std::string(parameter->number)};
}

std::optional<StatementKind> FindKind(std::string_view name) {
    for (const auto &entry : KindNames)
        if (entry.name == name) return entry.kind;
    return std::nullopt;
}

void ValidateStatement(CompilerState &state, const ProgramStatement &s, const WrittenIntegers &written) {
    auto raise = [&](int code) { AddMessage(state, s.line, code, ""); };
    auto flagNumberBad = written.flagNumber < 1 || written.flagNumber > 8;
    switch (s.kind) {
    case StatementKind::SetRate:
        if (!(s.givenMask & GivenClockRate))
            raise(Msg::SetRateWithoutRate);
        else if (written.clockRate != 256 && written.clockRate != 512 && written.clockRate != 1024 &&
                 written.clockRate != 2048)
            raise(Msg::IllegalClockRate);
        break;
    case StatementKind::SetFlag:
        if (flagNumberBad) raise(Msg::BadFlagNumber);
        if (written.flagValue < 0 || written.flagValue > 100) raise(Msg::BadFlagValue);
        break;
    case StatementKind::Pulse:
        if (flagNumberBad) raise(Msg::BadFlagNumber);
        if (s.duration < 0) raise(Msg::NegativePulseTime);
        break;
    case StatementKind::Wait:
        if (s.duration < 0) raise(Msg::NegativeWait);
        break;
    case StatementKind::StepTo:
    case StatementKind::RampTo:
        if (s.kind == StatementKind::StepTo ? s.duration < 0 : s.duration <= 0)
            raise(s.kind == StatementKind::StepTo ? Msg::NegativeStepTime : Msg::RampTimeNotPositive);
        if (std::fabs(s.amplitude) > state.MaxSteer) raise(Msg::Offscale);
        break;
    case StatementKind::StepUp:
        if (s.duration < 0) raise(Msg::NegativeStepTime);
        break;
    case StatementKind::RampUp:
        if (s.duration <= 0) raise(Msg::RampTimeNotPositive);
        break;
    case StatementKind::Sine:
    case StatementKind::Square:
    case StatementKind::Triangle:
    case StatementKind::SineSweep:
    case StatementKind::SineSweepLog:
        ValidateWave(state, s);
        break;
    default:
        break;
    }
}

ProgramStatement ParseStatement(CompilerState &state, int line, const std::string &text) {
    ProgramStatement statement;
    statement.line = line;
    const ScannedStatement scanned = ScanStatement(text);
    const std::string_view name = scanned.name.Of(text);
    statement.name = name.substr(0, NameLength);
    auto kind = FindKind(name);
    if (!kind) {
        AddMessage(state, line, Msg::InvalidFunction, std::string(name.substr(0, LineCharactersRead)));
        return statement;
    }
    statement.kind = *kind;
    WrittenIntegers written;
    ApplyPresets(statement, written);
    for (const ScannedParameter &parameter : scanned.parameters)
        if (auto id = ReadParameterId(state, line, text, parameter))
            AssignParameter(state, statement, written, *id);
    ValidateStatement(state, statement, written);
    return statement;
}

void ReadMaxSteerLine(CompilerState &state, int line, const std::string &text) {
    const std::string normal = NormaliseLine(text);
    const ScannedMaxSteer scanned = ScanMaxSteerLine(normal);
    if (!scanned.wellFormed) {
        AddMessage(state, line, Msg::BadMaxSteerSyntax, "");
        state.MaxSteer = UnknownMaxSteer;
        return;
    }
    auto value = ReadReal(scanned.number.Of(normal));
    if (!value) {
        AddMessage(state, line, Msg::BadMaxSteer, "");
        state.MaxSteer = UnknownMaxSteer;
    } else if (*value < 0) {
        AddMessage(state, line, Msg::MaxSteerNotPositive, "");
        state.MaxSteer = -*value;
    } else {
        state.MaxSteer = *value;
    }
}

void ParseProgram(CompilerState &state, const std::vector<std::string> &lines) {
    state.statements.clear();
    state.events.clear();
    state.segments.clear();
    state.InitialSteer = 0;
    const int count = static_cast<int>(lines.size());
    auto startsWith = [&](int i, std::string_view keyword) { return LineStartsWith(lines[i], keyword); };

    int i = 0;
    while (i < count && !startsWith(i, BeginKeyword) && !startsWith(i, MaxSteerKeyword)) ++i;
    if (i == count) {
        AddMessage(state, count + 1, Msg::NoMaxSteerNorBegin, "");
        state.MaxSteer = UnknownMaxSteer; // nothing of an earlier compile may leak into this one
    } else if (startsWith(i, BeginKeyword)) {
        AddMessage(state, i + 1, Msg::MaxSteerNotBeforeBegin, "");
        state.MaxSteer = UnknownMaxSteer;
    } else {
        ReadMaxSteerLine(state, i + 1, lines[i]);
        ++i;
    }

    for (; i < count && !startsWith(i, BeginKeyword); ++i)
        if (startsWith(i, MaxSteerKeyword)) AddMessage(state, i + 1, Msg::ExtraMaxSteer, "");

    if (i == count) {
        AddMessage(state, count + 1, Msg::NoBegin, "");
    } else {
        // Every line after begin makes two statements at most (a pulse with a length makes two), and
        // the implicit ones and END come with them. Capacity that is reserved and never filled costs
        // address space only, so a long program grows its list without ever copying it.
        state.statements.reserve(2 * static_cast<std::size_t>(count - i - 1) + 3);
        AppendStatement(state, ParseStatement(state, i + 1, "SETRATE(1024H)"));
        AppendStatement(state, ParseStatement(state, i + 1, "STEPTO(0D)"));
        std::string text;
        for (++i; i < count; ++i) {
            NormaliseStatementInto(lines[i], text);
            if (text.empty()) continue;
            AppendStatement(state, ParseStatement(state, i + 1, text));
            if (state.statements.back().kind == StatementKind::End) break;
        }
    }

    if (state.statements.empty() || state.statements.back().kind != StatementKind::End) {
        AppendStatement(state, ParseStatement(state, count + 1, "END"));
        AddMessage(state, count + 1, Msg::EndAdded, "");
    }
}

LineRange StatementLines(const std::vector<std::string> &lines) {
    const auto begin = std::find_if(lines.begin(), lines.end(), [](const std::string &line) {
        return LineStartsWith(line, BeginKeyword);
    });
    if (begin == lines.end()) return {lines.size(), lines.size()};
    const auto first = static_cast<std::size_t>(begin - lines.begin()) + 1;
    std::size_t last = first;
    std::string text;
    for (; last < lines.size(); ++last) {
        NormaliseStatementInto(lines[last], text);
        if (FindKind(ScanStatement(text).name.Of(text)) == StatementKind::End) break;
    }
    return {first, last};
}
