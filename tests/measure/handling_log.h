// Logs of the linear reference vehicle driven by a template's program, as quillard-cli simulate --linear
// writes them, and the closed-form answers of tests/measure/independent/handling/closed_form.json.
#pragma once

#include "compiler/compile.h"
#include "files/fileio.h"
#include "measure/channels.h"
#include "measure/compare.h"
#include "measure/vehicle.h"
#include "romfiles/templates.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <fstream>
#include <string>
#include <vector>

inline std::string HandlingFolder() { return std::string(QUILLARD_TESTS) + "/measure/independent/handling"; }

// The four vehicles of the second implementation, by name: default, understeer_strong, near_neutral,
// sports_fast.
inline VehicleParameters ReferenceVehicle(const std::string &name) {
    return ParseVehicleParameters(ReadFileBytes(HandlingFolder() + "/vehicles/" + name + ".veh", {1 << 20}));
}

// Its closed-form figures (scipy.signal's), as closed_form.json holds them.
inline nlohmann::json ClosedForm(const std::string &name) {
    std::ifstream file(HandlingFolder() + "/closed_form.json");
    const nlohmann::json all = nlohmann::json::parse(file);
    for (const nlohmann::json &v : all["vehicles"])
        if (v["vehicle"] == name) return v;
    return {};
}

// The template's program compiled, its steer straight between steps, the roll-peak flag's edges.
struct DrivenProgram {
    CommandedProgram program;
    double At(double t) const { return CommandedSteerAt(program, t); }
};

inline DrivenProgram TemplateDrive(const std::string &name, const TemplateValues &values) {
    CompilerState state;
    CompileOptions options;
    if (!CompileProgram(state, TemplateProgram(name, values), options))
        throw FormatError("the template does not compile");
    return {CommandedFrom(state)};
}

// The log of the vehicle driven by the template (linear, or not), at the rate, 3 s logged after the end,
// read back as quillard-cli reads it; the sign mirrors the steer.
inline VehicleLog SimulatedLog(const VehicleParameters &vehicle, const std::string &name,
                               const TemplateValues &values, double rate = 100, bool linear = true,
                               double sign = 1) {
    const DrivenProgram drive = TemplateDrive(name, values);
    const auto samples =
        SimulateVehicle(vehicle, [&](double t) { return sign * drive.At(t); }, drive.program.time.back() + 3,
                        rate, {linear, drive.program.flagEdges[0]});
    return ParseVehicleLog(SimulatedLogText(vehicle, samples, "test", linear), {});
}
