// The campaign sheet of a set: what each program is and the figures a test engineer checks it by.
#include "romfiles/campaign.h"

#include "compiler/format.h"
#include "compiler/summary.h"
#include "files/fileio.h"
#include "romfiles/build.h"
#include "romfiles/imagecheck.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <filesystem>
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

namespace {

bool Moves(StatementKind kind) {
    switch (kind) {
    case StatementKind::StepTo:
    case StatementKind::StepUp:
    case StatementKind::RampTo:
    case StatementKind::RampUp:
    case StatementKind::Sine:
    case StatementKind::Square:
    case StatementKind::Triangle:
    case StatementKind::SineSweep:
    case StatementKind::SineSweepLog:
        return true;
    default:
        return false;
    }
}

bool Periodic(StatementKind kind) { return Moves(kind) && kind >= StatementKind::Sine; }

bool IsSineWithDwell(const std::vector<ProgramStatement> &statements) {
    for (std::size_t i = 0; i < statements.size(); ++i) {
        const ProgramStatement &first = statements[i];
        if (first.kind != StatementKind::Sine || first.cycles != 0.75f || first.secondValue != 0) continue;
        for (std::size_t k = i + 1; k < statements.size(); ++k) {
            const ProgramStatement &last = statements[k];
            if (last.kind == StatementKind::Sine && last.cycles == 0.25f && last.secondValue == 270 &&
                last.frequency == first.frequency)
                return true;
        }
    }
    return false;
}

bool IsSlowlyIncreasingSteer(const std::vector<ProgramStatement> &statements) {
    // The first move away from centre: the implicit STEPTO(0D) at the start and any other move to 0
    // before it leave the steer where it is.
    const auto first = std::find_if(statements.begin(), statements.end(), [](const ProgramStatement &s) {
        return Moves(s.kind) &&
               !((s.kind == StatementKind::StepTo || s.kind == StatementKind::RampTo) && s.amplitude == 0);
    });
    if (first == statements.end() || first->kind != StatementKind::RampTo || first->amplitude == 0 ||
        !(first->duration > 0) || std::fabs(first->amplitude) / first->duration > SlowRampRate)
        return false;
    return std::none_of(first, statements.end(), [](const ProgramStatement &s) { return Periodic(s.kind); });
}

} // namespace

const ManoeuvreTemplate *ProgramTemplate(const ProgramText &program,
                                         const std::vector<ProgramStatement> &statements) {
    const std::string comment = FirstComment(program);
    for (const ManoeuvreTemplate &t : ManoeuvreTemplates())
        if (comment.rfind(t.title + ":", 0) == 0) return &t;
    if (IsSineWithDwell(statements)) return FindTemplate("sine-with-dwell");
    if (IsSlowlyIncreasingSteer(statements)) return FindTemplate("slowly-increasing-steer");
    return nullptr;
}

std::optional<double> SeriesAmplitudeA(const ProgramText &program) {
    static const std::string note = "standard series, A ";
    const std::string comment = FirstComment(program);
    const std::size_t at = comment.find(note);
    if (at == std::string::npos) return std::nullopt;
    std::size_t end = at + note.size();
    while (end < comment.size() &&
           (std::isdigit(static_cast<unsigned char>(comment[end])) || comment[end] == '.'))
        ++end;
    const std::string number = comment.substr(at + note.size(), end - at - note.size());
    char *stop = nullptr;
    const double a = std::strtod(number.c_str(), &stop);
    if (number.empty() || *stop != '\0' || !(a > 0) || !std::isfinite(a) ||
        comment.compare(end, 4, " deg") != 0)
        throw FormatError("the note \"" +
                          comment.substr(at, std::min<std::size_t>(end + 4, comment.size()) - at) +
                          "\" of its first line holds no A (a positive number of deg, as in \"standard "
                          "series, A 20 deg\")");
    return a;
}

std::optional<NoteA> SeriesNoteA(const std::vector<std::pair<std::string, int>> &programs) {
    for (const auto &[set, program] : programs) {
        std::error_code error;
        if (program < 0 || program >= static_cast<int>(ProgramCount) ||
            !std::filesystem::is_regular_file(set, error))
            continue;
        std::optional<double> a;
        try {
            a = SeriesAmplitudeA(ReadProgramSet(set)[static_cast<std::size_t>(program)]);
        } catch (const FormatError &e) {
            throw FormatError(DisplayName(set) + ": " + e.what());
        }
        if (a) return NoteA{*a, "the note of " + FileNameOf(set) + " program " + std::to_string(program)};
    }
    return std::nullopt;
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
