// The campaign sheet of a set: what each program is and the figures a test engineer checks it by.
#include "romfiles/campaign.h"

#include "compiler/format.h"
#include "compiler/summary.h"
#include "romfiles/build.h"
#include "romfiles/imagecheck.h"

#include <array>
#include <cmath>
#include <optional>

namespace {

std::string Trimmed(const std::string &text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

std::string Cell(const std::string &text) {
    if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
    std::string quoted = "\"";
    for (char c : text) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    return quoted + "\"";
}

// The figures of one program that compiled and whose images passed their check.
struct SheetRow {
    ProgramSummary summary;
    std::uint32_t binCrc = 0, auxCrc = 0;
};

} // namespace

std::string FirstComment(const ProgramText &program) {
    for (const std::string &line : program) {
        const std::string text = Trimmed(line);
        if (!text.empty() && text.front() == ';') return Trimmed(text.substr(1));
    }
    return {};
}

std::string CampaignSheet(CompilerState &state, const ProgramSet &set, const CompileOptions &options) {
    std::array<std::optional<SheetRow>, ProgramCount> rows;
    BuildSetImages(state, set, options, {}, {}, [&](int p, const ProgramImages &images) {
        rows[static_cast<std::size_t>(p)] =
            SheetRow{SummarizeProgram(state), Crc32(images.MainBytes()), Crc32(images.AuxBytes())};
    });
    std::string sheet = "program,comment,duration_s,peak_steer_deg,peak_rate_deg_per_s,eprom_crc32,aux_crc32,"
                        "flags_after_end\n";
    for (int p = 0; p < ProgramCount; ++p) {
        sheet += std::to_string(p) + "," + Cell(FirstComment(set[static_cast<std::size_t>(p)]));
        if (const auto &row = rows[static_cast<std::size_t>(p)]) {
            const ProgramSummary &s = row->summary;
            const float peak = std::fabs(s.minSteer) > std::fabs(s.peakSteer) ? s.minSteer : s.peakSteer;
            sheet += "," + FormatFixed(s.duration, 0, 4) + "," + FormatFixed(peak, 0, 3) + "," +
                     FormatFixed(s.peakRate, 0, 1) + "," + CrcText(row->binCrc) + "," + CrcText(row->auxCrc) +
                     ",";
            for (const FlagAfterEnd &flag : s.flagsAfterEnd)
                sheet += (sheet.back() == ',' ? "" : " ") + std::to_string(flag.flag);
        } else {
            sheet += ",,,,,,";
        }
        sheet += "\n";
    }
    return sheet;
}
