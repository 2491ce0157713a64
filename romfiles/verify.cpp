// A set compared word by word with images read back from an EPROM programmer.
#include "romfiles/verify.h"

#include "compiler/format.h"

namespace {

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
            if (d.found) found = SteerText(slot.foundSteer) + " (" + HexText(*d.found, 4) + ")";
            lines.push_back(program + Plural(d.count, "word differs", "words differ") + ", the first at " +
                            At(d) + ": expected steer " + SteerText(slot.expectedSteer) + " (" +
                            HexText(d.expected, 4) + "), found " + found);
        }
        if (const FirstDifference &d = slot.aux; d.count > 0) {
            const std::string found = d.found ? HexText(*d.found, 2) : "nothing (the file ends before it)";
            lines.push_back(program + Plural(d.count, "aux byte differs", "aux bytes differ") +
                            ", the first at " + At(d) + ": expected " + HexText(d.expected, 2) + ", found " +
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
