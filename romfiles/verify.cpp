// Image checks before anything is burnt: each program's images decoded back against its step store,
// and a set compared word by word with images read back from an EPROM programmer.
//
// The check reads the words by the format alone and never calls the encoders, so that a fault in an
// encoder cannot hide itself.
#include "romfiles/verify.h"

#include "compiler/format.h"

#include <array>
#include <cmath>
#include <cstdio>

namespace {

using Real = long double;

constexpr int LastStep = StepCount - 1;
constexpr Real DutyWindow = 15.0L; // seconds
constexpr Real DutyLimit = 5.0L;   // seconds of high current within a window, not reached

// The fields of a main word.
struct MainWord {
    int dac;      // bits 0-11
    int rateCode; // bits 12-13
    int endBit;   // bit 14
    int bit15;    // bit 15
};

MainWord Decode(std::uint16_t word) {
    return {word & 0x0FFF, (word >> 12) & 3, (word >> 14) & 1, word >> 15};
}

std::string Hex(unsigned value, int digits) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%0*X", digits, value);
    return text;
}

std::string Degrees(float steer) { return FormatFixed(steer, 0, 3) + " deg"; }

// The clock rate a rate code stands for.
int RateOfCode(int code) { return 256 << code; }

// The dac code a steer is written as lies nearest to its place on the 12-bit scale (2048 at 0 degrees,
// 2047 codes to MaxSteer), an exact tie on the even code.
bool NearestCode(int dac, Real scaled) {
    const Real distance = std::fabs(scaled - dac);
    return distance < 0.5L || (distance == 0.5L && dac % 2 == 0);
}

// The main word of step k against the step; empty when it holds what it should.
std::string MainWordFault(const StepRecord &step, int k, int endIndex, float maxSteer, bool corvan3Only,
                          std::uint16_t word) {
    const MainWord w = Decode(word);
    if (!std::isfinite(step.steer)) return "the steer is not a finite number";
    if (!(std::fabs(step.steer) <= maxSteer))
        return "steer " + Degrees(step.steer) + " is beyond MaxSteer " + Degrees(maxSteer);
    // MaxSteer 0 steers nowhere but the centre.
    const Real scaled = maxSteer == 0 ? Real(2048) : Real(step.steer) / maxSteer * 2047 + 2048;
    if (!NearestCode(w.dac, scaled))
        return "dac code " + std::to_string(w.dac) + ", but steer " + Degrees(step.steer) + " scales to " +
               FormatFixed(static_cast<double>(scaled), 0, 3);
    if (step.rate != 256 && step.rate != 512 && step.rate != 1024 && step.rate != 2048)
        return "clock rate " + std::to_string(step.rate) + " Hz has no rate code";
    if (RateOfCode(w.rateCode) != step.rate)
        return "rate code " + std::to_string(w.rateCode) + " (" + std::to_string(RateOfCode(w.rateCode)) +
               " Hz), but the step runs at " + std::to_string(step.rate) + " Hz";
    const int ended = k >= endIndex ? 1 : 0;
    if (step.ended != ended || w.endBit != ended)
        return "end bit " + std::to_string(w.endBit) + " (the step's ended flag " +
               std::to_string(step.ended) + "), but the program ends at step " + std::to_string(endIndex);
    if (step.bit15 > 1 || w.bit15 != step.bit15)
        return "bit 15 is " + std::to_string(w.bit15) + ", but the step's high-current bit is " +
               std::to_string(step.bit15);
    if (w.bit15 && (k == 0 || k == LastStep)) return "high current on the first or the last step";
    if (w.bit15 && !corvan3Only)
        return "high current, but the machine setting is compatible with Corvan 1 and 2";
    return {};
}

// Bit 15 of kept steps never reaches 5 s of on-time within 15 s: for each step with the bit, the steps
// with the bit from the first one less than 15 s before the following step's time up to it.
ImageFault DutyFault(const StepStore &steps) {
    auto onTime = [&](int k) { return steps[k].bit15 ? Real(1) / steps[k].rate : Real(0); };
    Real inWindow = 0;
    int windowStart = 0;
    for (int k = 0; k < LastStep; ++k) {
        inWindow += onTime(k);
        while (Real(steps[k + 1].time) - steps[windowStart].time > DutyWindow)
            inWindow -= onTime(windowStart++);
        if (steps[k].bit15 && !(inWindow < DutyLimit))
            return {true, k, steps[k].time,
                    "high current on for " + FormatFixed(static_cast<double>(inWindow), 0, 3) +
                        " s within 15 s (less than 5 s allowed)"};
    }
    return {};
}

// Each flag at p % is on for round(p w / 100 + 0.0001) of the first w steps of its window: a window
// starts at step 0, at every change of the percentage and 100 steps after the start of the last one.
ImageFault AuxFault(const StepStore &steps, const std::uint8_t *auxBytes) {
    std::array<int, 8> percent{}, start{}, ones{};
    for (int n = 0; n < 8; ++n) percent[n] = steps[0].flags[n];
    for (int k = 0; k < StepCount; ++k) {
        const StepRecord &step = steps[k];
        for (int n = 0; n < 8; ++n) {
            const int p = step.flags[n];
            if (p > 100)
                return {true, k, step.time,
                        "flag " + std::to_string(n + 1) + " at " + std::to_string(p) + " %, above 100 %"};
            if (p != percent[n] || k - start[n] == 100) {
                percent[n] = p;
                start[n] = k;
                ones[n] = 0;
            }
            const bool on = (auxBytes[k] >> (7 - n)) & 1; // flag 1 is bit 7, flag 8 bit 0
            ones[n] += on;
            const int position = k - start[n] + 1;
            const int due = (p * position + 50) / 100; // an exact half rounds up, as the 0.0001 does
            if (ones[n] != due)
                return {true, k, step.time,
                        "aux flag " + std::to_string(n + 1) + " is " + (on ? "on" : "off") + " in aux byte " +
                            Hex(auxBytes[k], 2) + ", but " + std::to_string(p) + " % is on for " +
                            std::to_string(due) + " of the first " + std::to_string(position) +
                            " steps of its window"};
        }
    }
    return {};
}

// The first difference of one slot; read holds the slot's bytes that the file has.
FirstDifference CompareSlot(const StepStore &steps, std::string_view built, std::string_view read,
                            int bytesPerStep) {
    FirstDifference difference;
    auto value = [&](std::string_view bytes, int k) {
        const auto at = static_cast<std::size_t>(k) * bytesPerStep;
        unsigned v = static_cast<unsigned char>(bytes[at]);
        if (bytesPerStep == 2) v |= static_cast<unsigned>(static_cast<unsigned char>(bytes[at + 1])) << 8;
        return static_cast<std::uint16_t>(v);
    };
    for (int k = 0; k < StepCount; ++k) {
        const bool present = (static_cast<std::size_t>(k) + 1) * bytesPerStep <= read.size();
        const std::uint16_t expected = value(built, k);
        if (present && value(read, k) == expected) continue;
        if (difference.count++ > 0) continue;
        difference.step = k;
        difference.time = steps[k].time;
        difference.expected = expected;
        if (present) difference.found = value(read, k);
    }
    return difference;
}

std::string_view SlotOf(std::string_view file, int program, std::size_t slotBytes) {
    const std::size_t start = static_cast<std::size_t>(program) * slotBytes;
    if (start >= file.size()) return {};
    return file.substr(start, slotBytes);
}

std::string Plural(int n, const char *one, const char *many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

std::string At(const FirstDifference &d) {
    return "step " + std::to_string(d.step) + " (t=" + FormatFixed(d.time, 0, 4) + " s)";
}

} // namespace

ImageFault CheckProgramImages(const StepStore &steps, int endIndex, float maxSteer, bool corvan3Only,
                              const std::uint16_t *mainWords, const std::uint8_t *auxBytes) {
    if (!std::isfinite(maxSteer) || maxSteer < 0)
        return {true, 0, steps[0].time, "MaxSteer is not a finite number of degrees from 0 up"};
    if (endIndex < 0 || endIndex > LastStep)
        return {true, 0, steps[0].time,
                "the end index " + std::to_string(endIndex) + " lies outside the store"};
    for (int k = 0; k < StepCount; ++k) {
        std::string what = MainWordFault(steps[k], k, endIndex, maxSteer, corvan3Only, mainWords[k]);
        if (!what.empty()) return {true, k, steps[k].time, "main word " + Hex(mainWords[k], 4) + ": " + what};
    }
    if (ImageFault fault = DutyFault(steps); fault.found) return fault;
    return AuxFault(steps, auxBytes);
}

std::string ImageFaultText(int program, const ImageFault &fault) {
    // A time that is not a number is never printed: the step store's times are finite by construction.
    const std::string time = std::isfinite(fault.time) ? " (t=" + FormatFixed(fault.time, 0, 4) + " s)" : "";
    return "Image check failed for program #" + std::to_string(program) + " at step " +
           std::to_string(fault.step) + time + ": " + fault.what;
}

float SteerOfWord(std::uint16_t word, float maxSteer) {
    return static_cast<float>((Decode(word).dac - 2048) / 2047.0L * maxSteer);
}

bool SetComparison::Identical() const {
    if (!built || binSize != ProgramCount * MainImageBytes) return false;
    if (auxSize && *auxSize != ProgramCount * AuxImageBytes) return false;
    for (const SlotComparison &slot : programs)
        if (!slot.Matches()) return false;
    return true;
}

SetComparison CompareSetWithImages(CompilerState &state, const ProgramSet &set, std::string_view bin,
                                   std::optional<std::string_view> aux, const CompileOptions &options,
                                   const BuildCallbacks &callbacks) {
    SetComparison comparison;
    comparison.binSize = bin.size();
    if (aux) comparison.auxSize = aux->size();
    auto compare = [&](int p, const ProgramImages &images) {
        SlotComparison slot;
        slot.program = p;
        slot.maxSteer = state.MaxSteer;
        slot.main = CompareSlot(state.steps, images.MainBytes(), SlotOf(bin, p, MainImageBytes), 2);
        if (slot.main.count > 0) {
            slot.expectedSteer = state.steps[slot.main.step].steer;
            if (slot.main.found) slot.foundSteer = SteerOfWord(*slot.main.found, state.MaxSteer);
        }
        if (aux) slot.aux = CompareSlot(state.steps, images.AuxBytes(), SlotOf(*aux, p, AuxImageBytes), 1);
        comparison.programs.push_back(slot);
    };
    const SetImages built = BuildSetImages(state, set, options, callbacks, {}, compare);
    comparison.built = built.Good();
    comparison.faults = built.faults;
    if (!comparison.built) comparison.programs.clear();
    return comparison;
}

std::vector<std::string> ComparisonLines(const SetComparison &comparison, const std::string &setName,
                                         const std::string &binName, const std::string &auxName) {
    std::vector<std::string> lines;
    const std::size_t binExpected = ProgramCount * MainImageBytes, auxExpected = ProgramCount * AuxImageBytes;
    if (comparison.binSize != binExpected)
        lines.push_back(binName + ": " + std::to_string(comparison.binSize) + " bytes, " +
                        std::to_string(binExpected) + " expected");
    if (comparison.auxSize && *comparison.auxSize != auxExpected)
        lines.push_back(auxName + ": " + std::to_string(*comparison.auxSize) + " bytes, " +
                        std::to_string(auxExpected) + " expected");
    int differing = 0;
    for (const SlotComparison &slot : comparison.programs) {
        if (slot.Matches()) continue;
        ++differing;
        const std::string program = "Program " + std::to_string(slot.program) + ": ";
        if (const FirstDifference &d = slot.main; d.count > 0) {
            std::string found = "nothing (the file ends before it)";
            if (d.found) found = Degrees(slot.foundSteer) + " (" + Hex(*d.found, 4) + ")";
            lines.push_back(program + Plural(d.count, "word differs", "words differ") + ", the first at " +
                            At(d) + ": expected steer " + Degrees(slot.expectedSteer) + " (" +
                            Hex(d.expected, 4) + "), found " + found);
        }
        if (const FirstDifference &d = slot.aux; d.count > 0) {
            const std::string found = d.found ? Hex(*d.found, 2) : "nothing (the file ends before it)";
            lines.push_back(program + Plural(d.count, "aux byte differs", "aux bytes differ") +
                            ", the first at " + At(d) + ": expected " + Hex(d.expected, 2) + ", found " +
                            found);
        }
    }
    const bool both = comparison.auxSize.has_value();
    const std::string files = both ? binName + " and " + auxName : binName;
    if (comparison.Identical())
        lines.push_back(files + (both ? " match " : " matches ") + setName + " (16 programs).");
    else
        lines.push_back(files + (both ? " differ from " : " differs from ") + setName +
                        (differing > 0 ? " in " + Plural(differing, "program", "programs") : "") + ".");
    return lines;
}
