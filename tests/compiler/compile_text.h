// The compiler state the tests of one executable share, and a program body compiled from text for the
// timeline, check and waveform tests.
#pragma once

#include "compiler/compile.h"
#include "compiler/state.h"

#include <string>
#include <utility>
#include <vector>

// The state every compile of the tests goes into, as a window's or a command's goes into its own.
inline CompilerState &TestCompiler() {
    static CompilerState state;
    return state;
}

struct Compiled {
    bool ok = false;
    std::vector<std::string> notices;
    std::vector<std::pair<int, std::string>> errors; // code and text; all raised at line 0 here
};

// Compiles maxsteer, begin, the body and end, collecting the notices.
inline Compiled CompileBody(const std::vector<std::string> &body, bool corvan3Only = true,
                            const std::string &maxSteer = "100") {
    std::vector<std::string> lines{"maxsteer(" + maxSteer + " deg)", "begin"};
    lines.insert(lines.end(), body.begin(), body.end());
    lines.push_back("end");
    Compiled result;
    result.ok = CompileProgram(TestCompiler(), lines,
                               {corvan3Only, [&](const std::string &t) { result.notices.push_back(t); }});
    for (const auto &m : TestCompiler().messages)
        if (m.code < 100) result.errors.emplace_back(m.code, m.text);
    return result;
}

inline StepRecord &Step(int q) { return TestCompiler().steps[q]; }
inline int Flag(int q, int flag) { return Step(q).flags[flag - 1]; }
inline float Steer(int q) { return Step(q).steer; }

// Index of the first step whose time is at least t.
inline int StepAt(float t) {
    int q = 0;
    while (q < StepCount - 1 && Step(q).time < t) ++q;
    return q;
}
