// MATLAB files read back by the library with the values written, byte for byte the same each time.
#include "compiler/compile.h"
#include "compiler/compile_text.h"
#include "measure/matfile.h"
#include "romfiles/fileio.h"
#include "romfiles/tempdir.h"

#include <gtest/gtest.h>
#include <matio.h>

#include <cmath>
#include <map>

namespace {

// The variables of a MATLAB file: name -> (rows, columns, values column after column).
std::map<std::string, MatVariable> ReadBack(const std::string &bytes) {
    TempDir folder;
    const std::string path = folder / "back.mat";
    WriteFileAtomically(path, bytes);
    std::map<std::string, MatVariable> variables;
    mat_t *mat = Mat_Open(path.c_str(), MAT_ACC_RDONLY);
    EXPECT_NE(mat, nullptr);
    if (!mat) return variables;
    while (matvar_t *v = Mat_VarReadNext(mat)) {
        EXPECT_EQ(v->class_type, MAT_C_DOUBLE) << v->name;
        const auto *data = static_cast<const double *>(v->data);
        const std::size_t count = v->dims[0] * v->dims[1];
        variables[v->name] = {v->name, std::vector<double>(data, data + count), v->dims[0], v->dims[1]};
        Mat_VarFree(v);
    }
    Mat_Close(mat);
    return variables;
}

TEST(MatFile, StepsReadBackAsWritten) {
    ASSERT_TRUE(CompileProgram(TestCompiler(), {"maxsteer(40 deg)", "begin", "setflag(3 bit, 50 %)",
                                                "rampto(30 deg, 1 sec)", "end"}));
    const CompilerState &state = TestCompiler();
    const std::string bytes = MatFileBytes(StepsMatVariables(state.steps, state.endIndex, state.MaxSteer));
    EXPECT_EQ(bytes, MatFileBytes(StepsMatVariables(state.steps, state.endIndex, state.MaxSteer)));
    auto v = ReadBack(bytes);
    ASSERT_EQ(v.size(), 8u);
    EXPECT_EQ(v["steer"].rows, static_cast<std::size_t>(StepCount));
    EXPECT_EQ(v["flags"].columns, 8u);
    EXPECT_EQ(v["end_index"].values, std::vector<double>{static_cast<double>(state.endIndex)});
    EXPECT_EQ(v["maxsteer"].values, std::vector<double>{40});
    for (int i : {0, 100, state.endIndex, StepCount - 1}) {
        const auto k = static_cast<std::size_t>(i);
        EXPECT_EQ(v["time"].values[k], state.steps[i].time);
        EXPECT_EQ(v["steer"].values[k], state.steps[i].steer);
        EXPECT_EQ(v["rate"].values[k], state.steps[i].rate);
        EXPECT_EQ(v["flags"].values[2 * StepCount + k], state.steps[i].flags[2]);
    }
}

TEST(MatFile, AFigureWithoutValueIsNaN) {
    Comparison c;
    c.gain = std::nan("");
    c.time = {0, 1};
    c.commanded = {0, 0};
    c.measured = {0.5, 0.25};
    MeasuredLog log;
    log.time = {0, 1};
    log.steer = {0.5, 0.25};
    auto v = ReadBack(MatFileBytes(ComparisonMatVariables(c, log)));
    EXPECT_TRUE(std::isnan(v["gain"].values.at(0)));
    EXPECT_EQ(v["error"].values, (std::vector<double>{0.5, 0.25}));
    EXPECT_EQ(v.count("frequency_hz"), 0u);
    EXPECT_EQ(v.at("step_overshoot_percent").rows, 0u); // no steps: empty columns, there all the same

    // The steps' overshoot figures, a row per step, as --json has them.
    c.steps = {{1, 0, 20, 0.1, 19.9, 2.5, 12.626, 1.25}, {4, 20, 0, 19.9, 0.2, 0, NAN, 4.5}};
    v = ReadBack(MatFileBytes(ComparisonMatVariables(c, log)));
    EXPECT_EQ(v["step_time_s"].values, (std::vector<double>{1, 4}));
    EXPECT_EQ(v["step_overshoot_deg"].values, (std::vector<double>{2.5, 0}));
    EXPECT_EQ(v["step_overshoot_percent"].values.at(0), 12.626);
    EXPECT_TRUE(std::isnan(v["step_overshoot_percent"].values.at(1)));
    EXPECT_EQ(v["step_before_deg"].values, (std::vector<double>{0.1, 19.9}));
}

} // namespace
