// MATLAB files as logs: vectors top-level or in a struct, of any numeric class and orientation; the file
// compare --mat writes read back as the log it compared; damaged files refused.
#include "compiler/compile_text.h"
#include "files/fileio.h"
#include "files/tempfolder.h"
#include "measure/channels.h"
#include "measure/matfile.h"
#include "measure/synthetic_log.h"

#include <gtest/gtest.h>
#include <matio.h>

#include <cstdint>

namespace {

// A file of a struct "data" whose fields are the variables, written through the library.
std::string StructFile(const std::vector<MatVariable> &fields) {
    const TempFolder folder("quillard-test-mat");
    const std::string path = folder / "s.mat";
    mat_t *mat = Mat_CreateVer(path.c_str(), nullptr, MAT_FT_MAT5);
    std::vector<const char *> names;
    for (const MatVariable &f : fields) names.push_back(f.name.c_str());
    std::size_t one[2] = {1, 1};
    matvar_t *data = Mat_VarCreateStruct("data", 2, one, names.data(), static_cast<unsigned>(names.size()));
    for (const MatVariable &f : fields) {
        std::size_t dims[2] = {f.rows, f.columns};
        Mat_VarSetStructFieldByName(data, f.name.c_str(), 0,
                                    Mat_VarCreate(nullptr, MAT_C_DOUBLE, MAT_T_DOUBLE, 2, dims,
                                                  const_cast<double *>(f.values.data()), 0));
    }
    Mat_VarWrite(mat, data, MAT_COMPRESSION_ZLIB);
    Mat_VarFree(data);
    Mat_Close(mat);
    return ReadFileBytes(path);
}

// A file whose variables are of the classes given, each written from the values.
std::string TypedFile(const std::vector<std::pair<MatVariable, matio_classes>> &variables) {
    const TempFolder folder("quillard-test-mat");
    const std::string path = folder / "t.mat";
    mat_t *mat = Mat_CreateVer(path.c_str(), nullptr, MAT_FT_MAT5);
    for (const auto &[v, type] : variables) {
        std::size_t dims[2] = {v.rows, v.columns};
        std::vector<float> singles(v.values.begin(), v.values.end());
        std::vector<std::int16_t> shorts(v.values.begin(), v.values.end());
        void *data = type == MAT_C_SINGLE  ? static_cast<void *>(singles.data())
                     : type == MAT_C_INT16 ? static_cast<void *>(shorts.data())
                                           : const_cast<double *>(v.values.data());
        const matio_types t = type == MAT_C_SINGLE  ? MAT_T_SINGLE
                              : type == MAT_C_INT16 ? MAT_T_INT16
                                                    : MAT_T_DOUBLE;
        matvar_t *variable = Mat_VarCreate(v.name.c_str(), type, t, 2, dims, data, MAT_F_DONT_COPY_DATA);
        Mat_VarWrite(mat, variable, MAT_COMPRESSION_NONE);
        Mat_VarFree(variable);
    }
    Mat_Close(mat);
    return ReadFileBytes(path);
}

MatVariable Vector(std::string name, std::vector<double> values, bool row = false) {
    const std::size_t n = values.size();
    return {std::move(name), std::move(values), row ? 1 : n, row ? n : 1};
}

TEST(MatLog, ReadsVectorsTopLevelOrInAStructOfAnyNumericClass) {
    const std::vector<double> time{0, 0.01, 0.02, 0.03}, steer{0, 10, 20, 10}, yaw{0, 1, 2, 1},
        ay{0, 0.1, 0.2, 0.1};
    const std::vector<std::pair<const char *, std::string>> files{
        {"top-level doubles, a row vector among columns, a matrix and a scalar left out",
         MatFileBytes({Vector("Time", time),
                       Vector("SteerAng", steer, true),
                       Vector("Yaw_Rate", yaw),
                       Vector("Y_Accel", ay),
                       {"image", std::vector<double>(8, 1), 4, 2},
                       {"fs", {100}, 1, 1}})},
        {"fields of a struct, compressed", StructFile({Vector("Time", time), Vector("SteerAng", steer),
                                                       Vector("Yaw_Rate", yaw), Vector("Y_Accel", ay)})},
        {"single and int16 vectors", TypedFile({{Vector("Time", time), MAT_C_DOUBLE},
                                                {Vector("SteerAng", steer), MAT_C_INT16},
                                                {Vector("Yaw_Rate", yaw), MAT_C_SINGLE},
                                                {Vector("Y_Accel", ay), MAT_C_DOUBLE}})},
    };
    for (const auto &[name, bytes] : files) {
        const LogTable table = ParseLogTable(bytes);
        EXPECT_EQ(table.format, LogFormat::Mat) << name;
        const VehicleLog log = VehicleLogOf(table, {});
        EXPECT_EQ(log.time, time) << name;
        EXPECT_EQ(log.steer, steer) << name;
        EXPECT_EQ(log.yawRate, yaw) << name;
        EXPECT_NEAR(log.lateralAcceleration[2], 0.2, 1e-7) << name;
        EXPECT_EQ(log.steerChannel.column.name, "SteerAng") << name;
    }
    EXPECT_EQ(ParseLogTable(files[1].second).source, "data");
}

// The file compare --mat writes holds the compared steps beside the log as read: the log is read back.
TEST(MatLog, AFileCompareWroteIsReadBackAsTheLogItCompared) {
    ASSERT_TRUE(
        CompileProgram(TestCompiler(), {"maxsteer(100 deg)", "begin", "setrate(1024 hz)", "wait(1 sec)",
                                        "sine(50 deg, 0.7 hz, 1 cycles)", "wait(1 sec)", "end"}));
    const CommandedProgram program = CommandedFrom(TestCompiler());
    const MeasuredLog log =
        ParseLog(SyntheticLog(program, TestCompiler(), MakeRun(0.03, 0.97, 0, 0.2, 200)), {});
    const Comparison c = CompareLog(program, log);
    const MeasuredLog back = ParseLog(MatFileBytes(ComparisonMatVariables(c, log)), {});
    EXPECT_EQ(back.timeColumn.name, "log_time");
    EXPECT_EQ(back.steerColumn.name, "log_steer");
    EXPECT_EQ(back.time, log.time);
    EXPECT_EQ(back.steer, log.steer);
    EXPECT_NEAR(CompareLog(program, back).delay, c.delay, 1e-12);
}

TEST(MatLog, DamagedFilesAndFilesWithoutVectorsAreRefused) {
    std::string damaged = MatFileBytes({Vector("time", {0, 1, 2})});
    damaged.resize(140);
    for (const auto &[bytes, message] : std::vector<std::pair<std::string, std::string>>{
             {MatFileBytes({{"fs", {100}, 1, 1}}), "the MATLAB file holds no vector of numbers"},
             {damaged, "the MATLAB file holds no vector of numbers"}}) {
        try {
            ParseLogTable(bytes);
            ADD_FAILURE() << message;
        } catch (const FormatError &e) {
            EXPECT_TRUE(std::string(e.what()).starts_with(message)) << e.what();
        }
    }
}

} // namespace
