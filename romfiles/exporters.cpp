// Export: the current program as text, or its compiled steer profile as a time-and-value file.
#include "romfiles/exporters.h"

#include "compiler/compile.h"
#include "compiler/format.h"
#include "files/fileio.h"

#include <cstdio>

std::string TextExportBytes(const ProgramText &program) { return JoinLinesCrLf(program); }

std::string TimeValueExportBytes(const StepStore &steps) {
    std::string bytes;
    for (int k = 0; k < StepCount; ++k) {
        const StepRecord &step = steps[k];
        bytes += FormatFixed(step.time, 8, 3);
        std::string steer = FormatFixed(step.steer, 8, 3);
        // A steer of -100 or less would touch the time; the reader needs a blank between them.
        if (steer[0] != ' ') bytes += ' ';
        bytes += steer;
        bytes += "\r\n";
        if (step.ended) break;
    }
    return bytes;
}

namespace {

// %.9g reads back to the same float; negative zero is written as 0.
std::string CsvFloat(float value) {
    if (value == 0) value = 0;
    char text[32];
    std::snprintf(text, sizeof text, "%.9g", static_cast<double>(value));
    return text;
}

} // namespace

std::vector<std::string> StepsCsvLines(const StepStore &steps, int endIndex, float maxSteer) {
    std::vector<std::string> lines;
    lines.reserve(StepCount + 2);
    lines.push_back("# end_index=" + std::to_string(endIndex) + " maxsteer=" + CsvFloat(maxSteer));
    lines.push_back("index,time,steer,rate,bit15,ended,f1,f2,f3,f4,f5,f6,f7,f8");
    for (int i = 0; i < StepCount; ++i) {
        const StepRecord &step = steps[i];
        std::string line = std::to_string(i) + ',' + CsvFloat(step.time) + ',' + CsvFloat(step.steer) + ',' +
                           std::to_string(step.rate) + ',' + std::to_string(step.bit15) + ',' +
                           std::to_string(step.ended);
        for (auto flag : step.flags) line += ',' + std::to_string(flag);
        lines.push_back(std::move(line));
    }
    return lines;
}

std::string StepsCsvBytes(const StepStore &steps, int endIndex, float maxSteer) {
    std::string bytes;
    for (const std::string &line : StepsCsvLines(steps, endIndex, maxSteer)) {
        bytes += line;
        bytes += '\n';
    }
    return bytes;
}

void ExportText(const std::string &path, const ProgramText &program) {
    WriteFileAtomically(path, TextExportBytes(program));
}

bool ExportTimeValue(CompilerState &state, const std::string &path, const ProgramText &program,
                     const CompileOptions &options) {
    if (!CompileProgram(state, program, options)) return false;
    WriteFileAtomically(path, TimeValueExportBytes(state.steps));
    return true;
}
