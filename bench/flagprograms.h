// Flag-event programs of any length: many events, each due before or together with the ones
// written above it.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

// SETFLAG lines on one flag whose delays fall from 15 s towards 0.
inline std::vector<std::string> FallingDelayProgram(int lines, int flag = 1) {
    std::vector<std::string> program{"maxsteer(100 deg)", "begin"};
    program.reserve(static_cast<std::size_t>(lines) + 3);
    char line[64];
    for (int i = 0; i < lines; ++i) {
        std::snprintf(line, sizeof line, "setflag(%d b, 50 %%, %.6f s)", flag, 15.0 * (lines - i) / lines);
        program.emplace_back(line);
    }
    program.emplace_back("end");
    return program;
}

// The same one-millisecond pulse of flag 1 on every line: two edges each, all due at 0 and 1 ms.
inline std::vector<std::string> RepeatedPulseProgram(int lines) {
    std::vector<std::string> program{"maxsteer(100 deg)", "begin"};
    program.insert(program.end(), static_cast<std::size_t>(lines), "pulseflag(1 b, 0.001 s)");
    program.emplace_back("end");
    return program;
}
