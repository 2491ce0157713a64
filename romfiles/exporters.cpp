// Export: the current program as text, or its compiled steer profile as a time-and-value file.
#include "romfiles/exporters.h"

#include "compiler/compile.h"
#include "compiler/format.h"
#include "romfiles/fileio.h"

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

void ExportText(const std::string &path, const ProgramText &program) {
    WriteFileAtomically(path, TextExportBytes(program));
}

bool ExportTimeValue(const std::string &path, const ProgramText &program, const CompileOptions &options) {
    if (!CompileProgram(program, options)) return false;
    WriteFileAtomically(path, TimeValueExportBytes(Compiler().steps));
    return true;
}
