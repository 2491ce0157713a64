// A rehearsal vehicle: linear single-track dynamics with tyre forces that saturate at the friction
// limit, and a yaw moment that checks yaw rate beyond the driver's intent.
#include "measure/vehicle.h"

#include "compiler/format.h"
#include "files/fileio.h"
#include "measure/channels.h"
#include "measure/dropouts.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>

namespace {

struct Field {
    const char *name;
    double VehicleParameters::*value;
    double low, high; // the range admitted, exclusive below
    const char *comment;
};

// ORDER VehicleParameters: the file lists the fields in this order.
const Field Fields[] = {
    {"speed_kmh", &VehicleParameters::speed, 0, 400, "speed, held constant"},
    {"mass_kg", &VehicleParameters::mass, 0, 1e6, "mass"},
    {"yaw_inertia_kgm2", &VehicleParameters::yawInertia, 0, 1e8, "yaw moment of inertia"},
    {"cg_to_front_axle_m", &VehicleParameters::frontAxle, 0, 20, "centre of gravity to front axle"},
    {"cg_to_rear_axle_m", &VehicleParameters::rearAxle, 0, 20, "centre of gravity to rear axle"},
    {"front_cornering_stiffness_n_per_rad", &VehicleParameters::frontCornering, 0, 1e8, "both front tyres"},
    {"rear_cornering_stiffness_n_per_rad", &VehicleParameters::rearCornering, 0, 1e8, "both rear tyres"},
    {"friction", &VehicleParameters::friction, 0, 5, "tyre-road friction coefficient"},
    {"steering_ratio", &VehicleParameters::steeringRatio, 0, 100, "handwheel angle per road-wheel angle"},
    {"stability_control_nm_s_per_rad", &VehicleParameters::stabilityControl, -1e-12, 1e8,
     "yaw moment per yaw rate beyond the driver's intent; 0: none"},
    {"gvwr_kg", &VehicleParameters::gvwr, 0, 1e6, "gross vehicle weight rating, for the report"},
};

std::string Trim(std::string_view text) {
    std::size_t a = 0, b = text.size();
    while (a < b && (text[a] == ' ' || text[a] == '\t' || text[a] == '\r')) ++a;
    while (b > a && (text[b - 1] == ' ' || text[b - 1] == '\t' || text[b - 1] == '\r')) --b;
    return std::string(text.substr(a, b - a));
}

constexpr double Gravity = StandardGravity;

// The model's state and its derivative.
struct State {
    double lateralVelocity = 0; // m/s
    double yawRate = 0;         // rad/s
};

class Model {
public:
    explicit Model(const VehicleParameters &p)
        : m_p(p), m_u(p.speed / 3.6), m_wheelbase(p.frontAxle + p.rearAxle),
          m_frontLimit(p.friction * p.mass * Gravity * p.rearAxle / m_wheelbase),
          m_rearLimit(p.friction * p.mass * Gravity * p.frontAxle / m_wheelbase),
          m_understeer(p.mass / m_wheelbase *
                       (p.rearAxle / p.frontCornering - p.frontAxle / p.rearCornering)) {}

    // Derivative of the state with the road-wheel angle (rad); the lateral acceleration (m/s²) too.
    State Derivative(const State &s, double wheel, double &lateralAcceleration) const {
        const double frontSlip = wheel - (s.lateralVelocity + m_p.frontAxle * s.yawRate) / m_u;
        const double rearSlip = -(s.lateralVelocity - m_p.rearAxle * s.yawRate) / m_u;
        const double front = m_frontLimit * std::tanh(m_p.frontCornering * frontSlip / m_frontLimit);
        const double rear = m_rearLimit * std::tanh(m_p.rearCornering * rearSlip / m_rearLimit);
        lateralAcceleration = (front + rear) / m_p.mass;
        return {lateralAcceleration - m_u * s.yawRate,
                (m_p.frontAxle * front - m_p.rearAxle * rear + Control(s.yawRate, wheel)) / m_p.yawInertia};
    }

private:
    // The stability control's yaw moment: against the yaw rate by which the vehicle turns faster than
    // (or against) the steady turn the wheel asks for, itself capped where the friction ends.
    double Control(double yawRate, double wheel) const {
        if (m_p.stabilityControl <= 0) return 0;
        double intended = m_u * wheel / (m_wheelbase + m_understeer * m_u * m_u);
        const double limit = m_p.friction * Gravity / m_u;
        intended = std::clamp(intended, -limit, limit);
        const bool beyond = std::fabs(yawRate) > std::fabs(intended) || yawRate * intended < 0;
        return beyond ? -m_p.stabilityControl * (yawRate - intended) : 0;
    }

    const VehicleParameters &m_p;
    double m_u, m_wheelbase, m_frontLimit, m_rearLimit, m_understeer;
};

} // namespace

VehicleParameters ParseVehicleParameters(std::string_view text) {
    VehicleParameters p;
    std::size_t at = 0;
    int number = 0;
    while (at <= text.size()) {
        std::size_t end = text.find('\n', at);
        if (end == std::string_view::npos) end = text.size();
        std::string line(text.substr(at, end - at));
        at = end + 1;
        ++number;
        if (const std::size_t hash = line.find('#'); hash != std::string::npos) line.erase(hash);
        line = Trim(line);
        if (line.empty()) continue;
        const std::string where = "line " + std::to_string(number) + ": ";
        const std::size_t equals = line.find('=');
        if (equals == std::string::npos)
            throw FormatError(where + "expected name = value, found \"" + line + "\"");
        const std::string name = Trim(std::string_view(line).substr(0, equals));
        const std::string value = Trim(std::string_view(line).substr(equals + 1));
        if (name == "name") {
            p.name = value;
            continue;
        }
        const Field *field = nullptr;
        for (const Field &f : Fields)
            if (name == f.name) field = &f;
        if (!field) throw FormatError(where + "unknown parameter \"" + name + "\"");
        double x = 0;
        const auto [stop, error] = ReadDecimal(value.data(), value.data() + value.size(), x);
        if (error != std::errc() || stop != value.data() + value.size() || !std::isfinite(x))
            throw FormatError(where + name + ": \"" + value + "\" is not a number");
        if (!(x > field->low && x <= field->high)) {
            char range[120];
            std::snprintf(range, sizeof range, "%s: %s is out of range (more than %g and at most %g)",
                          name.c_str(), value.c_str(), field->low < 0 ? 0.0 : field->low, field->high);
            throw FormatError(where + range);
        }
        p.*(field->value) = x;
    }
    return p;
}

std::string DefaultVehicleText() {
    const VehicleParameters p;
    std::string text = "# Rehearsal vehicle of quillard-cli simulate: a single-track model for dry runs,\n"
                       "# not a prediction of record.\n"
                       "name = " +
                       p.name + "\n";
    char line[200];
    for (const Field &f : Fields) {
        std::snprintf(line, sizeof line, "%s = %g  # %s\n", f.name, p.*(f.value), f.comment);
        text += line;
    }
    return text;
}

std::vector<VehicleSample> SimulateVehicle(const VehicleParameters &vehicle,
                                           const std::function<double(double)> &steerAt, double duration,
                                           double sampleRate) {
    const Model model(vehicle);
    const double toWheel = std::numbers::pi / 180 / vehicle.steeringRatio;
    const double interval = 1 / sampleRate;
    const int substeps = std::max(1, static_cast<int>(std::ceil(interval / 0.001)));
    const double h = interval / substeps;
    std::vector<VehicleSample> samples;
    State s;
    auto add = [](const State &a, const State &d, double k) {
        return State{a.lateralVelocity + k * d.lateralVelocity, a.yawRate + k * d.yawRate};
    };
    const auto count = static_cast<long>(std::floor(duration * sampleRate + 1e-9));
    for (long k = 0; k <= count; ++k) {
        const double t = static_cast<double>(k) * interval;
        double ay = 0;
        model.Derivative(s, steerAt(t) * toWheel, ay);
        const VehicleSample sample{t, steerAt(t), s.yawRate * 180 / std::numbers::pi, ay / Gravity,
                                   vehicle.speed};
        // A stiff model (a tiny yaw inertia, a huge stability gain) diverges at the integration's step.
        if (!(std::fabs(sample.yawRate) <= ChannelPhysics::YawRate) ||
            !(std::fabs(sample.lateralAcceleration) <= ChannelPhysics::LateralAcceleration) ||
            !(std::fabs(s.lateralVelocity) <= 10 * vehicle.speed / 3.6) || !std::isfinite(sample.steer)) {
            char text[300];
            std::snprintf(
                text, sizeof text,
                "the vehicle's run leaves what a vehicle can do at %.3f s (yaw rate %.3g deg/s, lateral "
                "acceleration %.3g g): its parameters (yaw inertia %g kg m2, stability control %g) make "
                "the model diverge",
                t, sample.yawRate, sample.lateralAcceleration, vehicle.yawInertia, vehicle.stabilityControl);
            throw FormatError(text);
        }
        samples.push_back(sample);
        for (int j = 0; j < substeps; ++j) {
            const double t0 = t + j * h;
            double ignored = 0;
            const State k1 = model.Derivative(s, steerAt(t0) * toWheel, ignored);
            const State k2 = model.Derivative(add(s, k1, h / 2), steerAt(t0 + h / 2) * toWheel, ignored);
            const State k3 = model.Derivative(add(s, k2, h / 2), steerAt(t0 + h / 2) * toWheel, ignored);
            const State k4 = model.Derivative(add(s, k3, h), steerAt(t0 + h) * toWheel, ignored);
            s.lateralVelocity +=
                h / 6 *
                (k1.lateralVelocity + 2 * k2.lateralVelocity + 2 * k3.lateralVelocity + k4.lateralVelocity);
            s.yawRate += h / 6 * (k1.yawRate + 2 * k2.yawRate + 2 * k3.yawRate + k4.yawRate);
        }
    }
    return samples;
}

namespace {

// The text printf writes, however long.
std::string Formatted(const char *format, auto... values) {
    const int size = std::snprintf(nullptr, 0, format, values...);
    std::string text(static_cast<std::size_t>(std::max(size, 0)), '\0');
    std::snprintf(text.data(), text.size() + 1, format, values...);
    return text;
}

} // namespace

std::string SimulatedLogText(const VehicleParameters &vehicle, const std::vector<VehicleSample> &samples,
                             const std::string &note) {
    std::string text =
        "# Rehearsal log of quillard-cli simulate: a single-track vehicle model, not a prediction "
        "of record\n";
    text +=
        Formatted("# vehicle: %s; %g km/h, %g kg, yaw inertia %g kg m2, axles %g m and %g m from the centre "
                  "of gravity\n",
                  vehicle.name.c_str(), vehicle.speed, vehicle.mass, vehicle.yawInertia, vehicle.frontAxle,
                  vehicle.rearAxle);
    text += Formatted(
        "# cornering stiffness %g and %g N/rad, friction %g, steering ratio %g, stability control %g\n",
        vehicle.frontCornering, vehicle.rearCornering, vehicle.friction, vehicle.steeringRatio,
        vehicle.stabilityControl);
    if (!note.empty()) text += "# " + note + "\n";
    text += "time [s],steer [deg],yaw rate [deg/s],lateral acceleration [g],speed [km/h]\n";
    for (const VehicleSample &s : samples) {
        for (double v : {s.time, s.steer, s.yawRate, s.lateralAcceleration, s.speed})
            if (!std::isfinite(v))
                throw FormatError(Formatted("the vehicle's run at %.3f s holds a value that is no "
                                            "finite number",
                                            s.time));
        text += Formatted("%.4f,%.4f,%.5f,%.6f,%.2f\n", s.time, s.steer, s.yawRate, s.lateralAcceleration,
                          s.speed);
    }
    return text;
}
