// MATLAB files (version 5) of the steps of a program and of a compared log.
#include "measure/matfile.h"

#include "files/fileio.h"
#include "files/tempfolder.h"

#include <matio.h>

#include <cmath>
#include <limits>

namespace {

constexpr double NaN = std::numeric_limits<double>::quiet_NaN();

MatVariable Column(std::string name, std::vector<double> values) {
    const std::size_t rows = values.size();
    return {std::move(name), std::move(values), rows, 1};
}

MatVariable Scalar(std::string name, double value) { return {std::move(name), {value}, 1, 1}; }

} // namespace

std::string MatFileBytes(const std::vector<MatVariable> &variables) {
    const TempFolder folder("quillard-mat"); // for the one file the library writes by name
    const std::string path = folder / "data.mat";
    auto fail = [](const std::string &what) -> void { throw FileError("write", "MATLAB file", what); };
    mat_t *mat = Mat_CreateVer(path.c_str(), "MATLAB 5.0 MAT-file, written by Quillard", MAT_FT_MAT5);
    if (!mat) fail("the MATLAB file library could not create it");
    bool written = true;
    for (const MatVariable &v : variables) {
        std::size_t dims[2] = {v.rows, v.columns};
        // The library does not change the data it is given to write.
        auto *data = const_cast<double *>(v.values.data());
        matvar_t *variable =
            Mat_VarCreate(v.name.c_str(), MAT_C_DOUBLE, MAT_T_DOUBLE, 2, dims, data, MAT_F_DONT_COPY_DATA);
        written = variable && Mat_VarWrite(mat, variable, MAT_COMPRESSION_NONE) == 0;
        Mat_VarFree(variable);
        if (!written) break;
    }
    if (Mat_Close(mat) != 0 || !written) fail("the MATLAB file library could not write it");
    return ReadFileBytes(path);
}

std::vector<MatVariable> StepsMatVariables(const StepStore &steps, int endIndex, float maxSteer) {
    std::vector<double> time(StepCount), steer(StepCount), rate(StepCount), bit15(StepCount),
        ended(StepCount);
    MatVariable flags{"flags", std::vector<double>(StepCount * 8), StepCount, 8};
    for (int i = 0; i < StepCount; ++i) {
        const StepRecord &s = steps[i];
        const auto k = static_cast<std::size_t>(i);
        time[k] = s.time;
        steer[k] = s.steer;
        rate[k] = s.rate;
        bit15[k] = s.bit15;
        ended[k] = s.ended;
        for (std::size_t f = 0; f < 8; ++f) flags.values[f * StepCount + k] = s.flags[f];
    }
    return {Column("time", std::move(time)),   Column("steer", std::move(steer)),
            Column("rate", std::move(rate)),   Column("bit15", std::move(bit15)),
            Column("ended", std::move(ended)), std::move(flags),
            Scalar("end_index", endIndex),     Scalar("maxsteer", maxSteer)};
}

std::vector<MatVariable> ComparisonMatVariables(const Comparison &c, const MeasuredLog &log) {
    std::vector<double> error(c.time.size());
    for (std::size_t i = 0; i < error.size(); ++i) error[i] = c.measured[i] - c.commanded[i];
    std::vector<MatVariable> variables{
        Column("time", c.time),
        Column("commanded", c.commanded),
        Column("measured", c.measured),
        Column("error", std::move(error)),
        Column("log_time", log.time),
        Column("log_steer", log.steer),
        Scalar("log_start_s", c.alignment.logStart),
        Scalar("lag_s", c.alignment.lag),
        Scalar("correlation", c.alignment.correlation),
        Scalar("mirrored", c.alignment.mirrored ? 1 : 0),
        Scalar("delay_s", c.delay),
        Scalar("gain", c.gain),
        Scalar("offset_deg", c.offset),
        Scalar("rms_error_deg", c.rmsError),
        Scalar("peak_error_deg", c.peakError),
        Scalar("peak_error_time_s", c.peakErrorTime),
    };
    // Each step's response, a row per step in each column (none without steps).
    const std::pair<const char *, double StepResponse::*> stepFigures[] = {
        {"step_time_s", &StepResponse::time},
        {"step_from_deg", &StepResponse::from},
        {"step_to_deg", &StepResponse::to},
        {"step_before_deg", &StepResponse::before},
        {"step_settled_deg", &StepResponse::settled},
        {"step_overshoot_deg", &StepResponse::overshoot},
        {"step_overshoot_percent", &StepResponse::overshootPercent},
        {"step_peak_time_s", &StepResponse::peakTime}};
    for (const auto &[name, figure] : stepFigures) {
        std::vector<double> values;
        for (const StepResponse &s : c.steps) values.push_back(s.*figure);
        variables.push_back(Column(name, std::move(values)));
    }
    if (c.response) {
        std::vector<double> frequency, gain, phase, coherence;
        for (const ResponsePoint &p : c.response->points) {
            frequency.push_back(p.frequency);
            gain.push_back(p.gainDb);
            phase.push_back(p.phaseDeg);
            coherence.push_back(p.coherence);
        }
        variables.push_back(Column("frequency_hz", std::move(frequency)));
        variables.push_back(Column("gain_db", std::move(gain)));
        variables.push_back(Column("phase_deg", std::move(phase)));
        variables.push_back(Column("coherence", std::move(coherence)));
        variables.push_back(Scalar("bandwidth_3db_hz", c.response->bandwidthHz.value_or(NaN)));
    }
    return variables;
}
