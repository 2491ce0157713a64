// Compile messages: the message list of a compile, its counts and the Messages text.
#pragma once

#include <string>
#include <vector>

// The message codes: errors below FirstWarning, warnings below FirstInformation, information above.
// ORDER Catalogue: every code has its entry in the catalogue of messages.cpp.
namespace Msg {
enum Code : int {
    RanOutOfSteps = 2,
    MaxSteerNotBeforeBegin = 3,
    NoMaxSteerNorBegin = 4,
    NoBegin = 5,
    InvalidFunction = 11,
    MissingNumber = 12,
    MissingParameterId = 13,
    InvalidParameterId = 14,
    BadPhase = 20,
    BadClockRate = 21,
    BadAmplitude = 22,
    BadSeconds = 23,
    BadCycles = 24,
    BadFrequency = 25,
    Offscale = 26,
    BadMaxSteerSyntax = 27,
    BadMaxSteer = 28,
    MaxSteerNotPositive = 29,
    IllegalClockRate = 31,
    NegativeWait = 32,
    NegativeStepTime = 33,
    RampTimeNotPositive = 34,
    NegativeWaveTime = 35,
    NegativeCycles = 36,
    NegativeFrequency = 37,
    ZeroWaveFrequency = 38,
    ZeroLogSweepFrequency = 39,
    ZeroSweepFrequencies = 40,
    NegativeInitialSteer = 41,
    TooManyParameters = 51,
    ParameterNotRecognized = 60,
    BadFlagNumber = 61,
    BadFlagValue = 62,
    NegativePulseTime = 63,
    SetRateWithoutRate = 71,
    FirstWarning = 100,
    CyclesSupersedeTime = 101,
    EndAdded = 102,
    ExtraMaxSteer = 103,
    NoCyclesOrTime = 104,
    NoSweepTime = 105,
    SweepCyclesIgnored = 106,
    FirstInformation = 200,
    CompiledOk = 201,
};
} // namespace Msg

struct CompileMessage {
    int line = 0;     // 1-based program line; 0 when no line is concerned
    int code = 0;     // a Msg::Code: error, warning or information by its range
    std::string text; // argument: function name, role word, id character or formatted time; at most 80
};

// What a message is by its code's range: errors stop the compile, warnings and information do not.
enum class Severity { Error, Warning, Information }; // ORDER: keep in step with SeverityName
Severity SeverityOf(int code);
// "error", "warning" or "information".
const char *SeverityName(Severity severity);

struct CompilerState;

// Discards every message of the state and zeroes both counts.
void ClearMessages(CompilerState &state);

// Appends a message (text cut to 80 characters) and counts it by its level.
void AddMessage(CompilerState &state, int line, int code, const std::string &text);

// The line that the Messages dialog shows for one message.
std::string MessageLine(const CompileMessage &message);

// Rebuilds the Messages text from the list: one line per message, then with errors an empty line
// and the summary. The lines are kept in the state (messageLines).
const std::vector<std::string> &ShowMessages(CompilerState &state);
