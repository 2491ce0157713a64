// One parsed statement of a program text, and the codes of the language's functions.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>

// ORDER StatementKind: the codes are fixed; the timeline and the checks dispatch on them.
enum class StatementKind : std::uint8_t {
    SetRate = 0,
    SetCurrentHigh = 1,
    SetCurrentLow = 2,
    SetFlag = 3,
    Pulse = 4, // PULSEFLAG, WAITFORROLLPEAK and PULSEBRAKE without pulse length
    Wait = 5,
    StepTo = 6,
    StepUp = 7,
    RampTo = 8,
    RampUp = 9,
    Sine = 10,
    Square = 11,
    Triangle = 12,
    SineSweep = 13,
    SineSweepLog = 14,
    RepeatProgram = 15,
    End = 16,
    None = 255, // an unknown function name: the statement has no kind
};

// Bits of ProgramStatement::givenMask, one per parameter slot.
enum GivenBit : std::uint16_t {
    GivenAmplitude = 1u << 0,
    GivenDuration = 1u << 1,
    GivenCycles = 1u << 2,
    GivenFrequency = 1u << 3,
    GivenSecondValue = 1u << 4,
    GivenExtraTime = 1u << 5,
    GivenClockRate = 1u << 7,
    GivenFlagNumber = 1u << 8,
    GivenFlagValue = 1u << 9,
};

// A function name as written, upper case, cut to its first 15 characters; held in place, so a
// statement is a plain record of fixed size that a long program's list copies as bytes.
class StatementName {
public:
    static constexpr std::size_t Capacity = 15;

    StatementName() = default;
    StatementName(std::string_view text)
        : m_size(static_cast<std::uint8_t>(std::min(text.size(), Capacity))) {
        std::copy_n(text.data(), m_size, m_text);
    }
    std::string_view View() const { return {m_text, m_size}; }
    std::string Str() const { return std::string(View()); }
    const char *c_str() const { return m_text; } // ends at the first NUL byte, as C strings do
    bool operator==(std::string_view text) const { return View() == text; }

private:
    char m_text[Capacity + 1] = {};
    std::uint8_t m_size = 0;
};

struct ProgramStatement {
    float startTime = 0;                      // seconds; set by the timing pass
    StatementKind kind = StatementKind::None; //
    float amplitude = 0;                      // degrees
    float duration = 0;                       // seconds (pulse functions: the pulse length)
    float cycles = 0;                         //
    float frequency = 0;                      // Hz
    float secondValue = 0;                    // phase (degrees), second frequency (Hz) or delay (seconds)
    float extraTime = -1;                     // seconds; -1: not given
    std::uint16_t clockRate = 1024;           // Hz
    std::uint8_t flagNumber = 0;              // 1 to 8
    std::uint8_t flagValue = 0;               // percent
    std::uint16_t givenMask = 0;              // GivenBit
    int line = 0;                             // 1-based line number of the text
    StatementName name;                       // function name as written, upper case, at most 15 characters
};
static_assert(std::is_trivially_copyable_v<ProgramStatement>);
