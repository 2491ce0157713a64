// Comparison of two versions of a program or a set: text hunks and compiled steps.
#include "romfiles/setdiff.h"

#include "compiler/compile.h"
#include "compiler/messages.h"

#include <dtl/dtl.hpp>

#include <algorithm>
#include <cmath>

namespace {

using Real = long double;

struct CompiledSteps {
    CompiledVersion version;
    std::vector<StepRecord> steps; // all StepCount steps, when compiled
};

CompiledSteps CompileVersion(CompilerState &state, const ProgramText &lines, CompileOptions options) {
    CompiledSteps result;
    options.notice = [&](const std::string &text) { result.version.notices.push_back(text); };
    result.version.compiled = CompileProgram(state, lines, options);
    if (!result.version.compiled) {
        result.version.messages = state.messageLines;
        return result;
    }
    for (const CompileMessage &message : state.messages)
        if (SeverityOf(message.code) == Severity::Warning)
            result.version.warnings.push_back(MessageLine(message));
    result.version.summary = SummarizeProgram(state);
    result.steps.reserve(StepCount);
    for (int k = 0; k < StepCount; ++k) result.steps.push_back(state.steps[k]);
    return result;
}

std::vector<std::string> DifferingFields(const StepRecord &a, const StepRecord &b) {
    std::vector<std::string> fields;
    if (a.time != b.time) fields.push_back("time");
    if (a.steer != b.steer) fields.push_back("steer");
    if (a.rate != b.rate) fields.push_back("rate");
    if (a.bit15 != b.bit15) fields.push_back("bit15");
    if (a.ended != b.ended) fields.push_back("ended");
    if (a.flags != b.flags) fields.push_back("flags");
    return fields;
}

// The steers of both programs walked together over every step time of either, up to the later end;
// a program holds each step's steer until its next step, and its end angle after its end.
void CompareSteerOverTime(const std::vector<StepRecord> &a, int endA, const std::vector<StepRecord> &b,
                          int endB, StepDifference &difference) {
    int i = 0, j = 0;
    float steerA = a[0].steer, steerB = b[0].steer;
    Real largest = -1;
    while (i <= endA || j <= endB) {
        const float t = j > endB || (i <= endA && a[i].time <= b[j].time) ? a[i].time : b[j].time;
        for (; i <= endA && a[i].time <= t; ++i) steerA = a[i].steer;
        for (; j <= endB && b[j].time <= t; ++j) steerB = b[j].steer;
        const Real gap = std::fabs(Real(steerB) - steerA);
        if (gap > largest) {
            largest = gap;
            difference.maxSteerTime = t;
            difference.steerA = steerA;
            difference.steerB = steerB;
        }
    }
    difference.maxSteerDifference = static_cast<float>(largest);
}

StepDifference CompareSteps(const CompiledSteps &a, const CompiledSteps &b) {
    StepDifference difference;
    for (int k = 0; k < StepCount; ++k) {
        std::vector<std::string> fields = DifferingFields(a.steps[k], b.steps[k]);
        if (fields.empty()) continue;
        difference.identical = false;
        difference.firstStep = k;
        difference.firstTime = a.steps[k].time;
        difference.fields = std::move(fields);
        break;
    }
    const ProgramSummary &sa = a.version.summary, &sb = b.version.summary;
    CompareSteerOverTime(a.steps, sa.stepsUsed, b.steps, sb.stepsUsed, difference);
    difference.durationChange = static_cast<float>(Real(sb.duration) - sa.duration);
    return difference;
}

// "l,s" of a hunk header: s lines from line l; one line is "l" alone, and no lines are "l,0" with l
// the line before them.
std::string HunkRange(int before, int count) {
    if (count == 1) return std::to_string(before + 1);
    return std::to_string(count == 0 ? before : before + 1) + "," + std::to_string(count);
}

} // namespace

ProgramDifference DiffPrograms(CompilerState &state, const ProgramText &a, const ProgramText &b,
                               CompileOptions options) {
    ProgramDifference difference;
    difference.textDiffers = a != b;
    CompiledSteps first = CompileVersion(state, a, options);
    CompiledSteps second = CompileVersion(state, b, options);
    if (first.version.compiled && second.version.compiled) difference.steps = CompareSteps(first, second);
    difference.a = std::move(first.version);
    difference.b = std::move(second.version);
    return difference;
}

std::vector<ProgramDifference> DiffProgramSets(CompilerState &state, const ProgramSet &a, const ProgramSet &b,
                                               const CompileOptions &options) {
    std::vector<ProgramDifference> differences;
    for (int k = 0; k < ProgramCount; ++k) differences.push_back(DiffPrograms(state, a[k], b[k], options));
    return differences;
}

namespace {

// The shortest edit script costs dtl about (M + N) x D steps for M and N lines of which D differ; its
// worst case (D = the smaller of M and N) above this many steps would take seconds.
constexpr double EditScriptBudget = 5e7;

double WorstEditCost(std::size_t m, std::size_t n) {
    return static_cast<double>(m + n) * static_cast<double>(std::min(m, n));
}

// The shortest edit script turning a into b, each line behind its mark (' ', '-' or '+'), deletions
// before insertions within a change.
void AppendShortestEdits(std::vector<std::string> &edits, const std::vector<std::string> &a,
                         const std::vector<std::string> &b) {
    dtl::Diff<std::string> diff(a, b, true);
    diff.compose();
    for (const auto &[line, info] : diff.getSes().getSequence())
        edits.push_back((info.type == dtl::SES_DELETE ? '-' : info.type == dtl::SES_ADD ? '+' : ' ') + line);
}

// The edit script of the hunks: the shortest one for texts of any usual size; for larger ones the
// common lines at both ends are kept aside first, and a middle still too large for the shortest script
// is replaced whole, so the cost stays near linear.
std::vector<std::string> EditScript(const std::vector<std::string> &a, const std::vector<std::string> &b) {
    std::vector<std::string> edits;
    if (WorstEditCost(a.size(), b.size()) <= EditScriptBudget) {
        AppendShortestEdits(edits, a, b);
        return edits;
    }
    std::size_t head = 0, tail = 0;
    while (head < a.size() && head < b.size() && a[head] == b[head]) ++head;
    while (tail < a.size() - head && tail < b.size() - head &&
           a[a.size() - 1 - tail] == b[b.size() - 1 - tail])
        ++tail;
    for (std::size_t i = 0; i < head; ++i) edits.push_back(' ' + a[i]);
    const std::vector<std::string> middleA(a.begin() + static_cast<std::ptrdiff_t>(head),
                                           a.end() - static_cast<std::ptrdiff_t>(tail)),
        middleB(b.begin() + static_cast<std::ptrdiff_t>(head), b.end() - static_cast<std::ptrdiff_t>(tail));
    if (WorstEditCost(middleA.size(), middleB.size()) <= EditScriptBudget) {
        AppendShortestEdits(edits, middleA, middleB);
    } else {
        for (const std::string &line : middleA) edits.push_back('-' + line);
        for (const std::string &line : middleB) edits.push_back('+' + line);
    }
    for (std::size_t i = a.size() - tail; i < a.size(); ++i) edits.push_back(' ' + a[i]);
    return edits;
}

} // namespace

std::vector<std::string> UnifiedDiff(const std::vector<std::string> &a, const std::vector<std::string> &b,
                                     int context) {
    const std::vector<std::string> edits = EditScript(a, b);

    std::vector<std::string> hunks;
    const int n = static_cast<int>(edits.size());
    int linesA = 0, linesB = 0; // lines of a and b before edit k
    int k = 0;
    while (true) {
        // Find the next change; a hunk starts `context` edits before it.
        int first = k;
        for (; first < n && edits[first][0] == ' '; ++first) ++linesA, ++linesB;
        if (first == n) break;
        const int start = std::max(k, first - context);
        linesA -= first - start;
        linesB -= first - start;
        // The hunk runs on while the next change is within two contexts of common lines.
        int last = first;
        for (int m = first + 1; m < n && m - last <= 2 * context + 1; ++m)
            if (edits[m][0] != ' ') last = m;
        const int stop = std::min(n, last + 1 + context);
        int countA = 0, countB = 0;
        for (int m = start; m < stop; ++m) {
            countA += edits[m][0] != '+';
            countB += edits[m][0] != '-';
        }
        hunks.push_back("@@ -" + HunkRange(linesA, countA) + " +" + HunkRange(linesB, countB) + " @@");
        hunks.insert(hunks.end(), edits.begin() + start, edits.begin() + stop);
        linesA += countA;
        linesB += countB;
        k = stop;
    }
    return hunks;
}
