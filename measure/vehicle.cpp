// A rehearsal vehicle: single-track dynamics with tyre forces that saturate at the friction limit (or
// stay proportional to slip in the linear mode), a yaw moment that checks yaw rate beyond the driver's
// intent, and a body that rolls with the lateral acceleration.
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
    {"roll_gradient_deg_per_g", &VehicleParameters::rollGradient, -1e-12, 90, "body roll in a steady turn"},
    {"roll_frequency_hz", &VehicleParameters::rollFrequency, 0, 20, "natural frequency of the body in roll"},
    {"roll_damping", &VehicleParameters::rollDamping, -1e-12, 10, "of the critical damping in roll"},
    {"track_m", &VehicleParameters::track, 0, 10, "between the wheels of an axle"},
    {"lift_roll_deg", &VehicleParameters::liftRoll, 0, 90, "roll at which the inner wheels leave the ground"},
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
    double roll = 0;            // deg
    double rollRate = 0;        // deg/s

    State Plus(const State &d, double k) const {
        return {lateralVelocity + k * d.lateralVelocity, yawRate + k * d.yawRate, roll + k * d.roll,
                rollRate + k * d.rollRate};
    }
};

class Model {
public:
    Model(const VehicleParameters &p, bool linear)
        : m_p(p), m_linear(linear), m_u(p.speed / 3.6), m_wheelbase(p.frontAxle + p.rearAxle),
          m_frontLimit(p.friction * p.mass * Gravity * p.rearAxle / m_wheelbase),
          m_rearLimit(p.friction * p.mass * Gravity * p.frontAxle / m_wheelbase),
          m_understeer(p.mass / m_wheelbase *
                       (p.rearAxle / p.frontCornering - p.frontAxle / p.rearCornering)),
          m_rollOmega(2 * std::numbers::pi * p.rollFrequency) {}

    // Derivative of the state with the road-wheel angle (rad); the lateral acceleration (m/s²) too.
    State Derivative(const State &s, double wheel, double &lateralAcceleration) const {
        const double frontSlip = wheel - (s.lateralVelocity + m_p.frontAxle * s.yawRate) / m_u;
        const double rearSlip = -(s.lateralVelocity - m_p.rearAxle * s.yawRate) / m_u;
        double front = m_p.frontCornering * frontSlip, rear = m_p.rearCornering * rearSlip;
        if (!m_linear) {
            front = m_frontLimit * std::tanh(front / m_frontLimit);
            rear = m_rearLimit * std::tanh(rear / m_rearLimit);
        }
        lateralAcceleration = (front + rear) / m_p.mass;
        const double w = m_rollOmega;
        return {lateralAcceleration - m_u * s.yawRate,
                (m_p.frontAxle * front - m_p.rearAxle * rear + Control(s.yawRate, wheel)) / m_p.yawInertia,
                s.rollRate,
                w * w * (m_p.rollGradient * lateralAcceleration / Gravity - s.roll) -
                    2 * m_p.rollDamping * w * s.rollRate};
    }

    double Speed() const { return m_u; }
    bool Linear() const { return m_linear; }

private:
    // The stability control's yaw moment: against the yaw rate by which the vehicle turns faster than
    // (or against) the steady turn the wheel asks for, itself capped where the friction ends.
    double Control(double yawRate, double wheel) const {
        if (m_linear || m_p.stabilityControl <= 0) return 0;
        double intended = m_u * wheel / (m_wheelbase + m_understeer * m_u * m_u);
        const double limit = m_p.friction * Gravity / m_u;
        intended = std::clamp(intended, -limit, limit);
        const bool beyond = std::fabs(yawRate) > std::fabs(intended) || yawRate * intended < 0;
        return beyond ? -m_p.stabilityControl * (yawRate - intended) : 0;
    }

    const VehicleParameters &m_p;
    bool m_linear;
    double m_u, m_wheelbase, m_frontLimit, m_rearLimit, m_understeer, m_rollOmega;
};

// The machine's program clock: it runs with time except while the machine waits for the roll-rate
// feedback at one of the drive's waits.
class ProgramClock {
public:
    explicit ProgramClock(const std::vector<double> &waits) : m_waits(waits) {
        std::sort(m_waits.begin(), m_waits.end());
    }
    double Now() const { return m_now; }
    double Waited() const { return m_total; }
    // The program time a fraction x of a step h on, the clock stopping at the next wait.
    double At(double x) const {
        if (m_waiting) return m_now;
        return m_next < m_waits.size() ? std::min(m_now + x, m_waits[m_next]) : m_now + x;
    }
    // Moves the clock over a step of h seconds that ended with the roll rate given (deg/s).
    void Step(double h, double rollRate) {
        if (m_waiting) {
            m_waited += h;
            m_total += h;
            m_above = m_above || std::fabs(rollRate) > RollFeedbackRate;
            if ((m_above && std::fabs(rollRate) <= RollFeedbackRate) || m_waited >= LongestRollWait) {
                m_waiting = false;
                ++m_next;
            }
            return;
        }
        m_now = At(h);
        if (m_next < m_waits.size() && m_now >= m_waits[m_next]) {
            m_waiting = true;
            m_waited = 0;
            m_above = std::fabs(rollRate) > RollFeedbackRate;
        }
    }

private:
    std::vector<double> m_waits;
    std::size_t m_next = 0;
    double m_now = 0;
    bool m_waiting = false, m_above = false;
    double m_waited = 0, m_total = 0;
};

constexpr double Degrees = 180 / std::numbers::pi;

VehicleSample SampleOf(const VehicleParameters &p, const Model &model, const State &s, double t, double steer,
                       double ay) {
    const double excess = std::fabs(s.roll) - p.liftRoll;
    return {t,
            steer,
            s.yawRate * Degrees,
            ay / Gravity,
            p.speed,
            std::atan(s.lateralVelocity / model.Speed()) * Degrees,
            s.roll,
            s.rollRate,
            excess > 0 ? 1000 * p.track * std::sin(excess / Degrees) : 0};
}

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
                                           double sampleRate, const VehicleDrive &drive) {
    const Model model(vehicle, drive.linear);
    const double toWheel = std::numbers::pi / 180 / vehicle.steeringRatio;
    const double interval = 1 / sampleRate;
    const int substeps = std::max(1, static_cast<int>(std::ceil(interval / 0.001)));
    const double h = interval / substeps;
    std::vector<VehicleSample> samples;
    State s;
    ProgramClock clock(drive.rollPeakWaits);
    // The log runs for the duration and for as long as the machine waited.
    for (long k = 0; static_cast<double>(k) <= std::floor((duration + clock.Waited()) * sampleRate + 1e-9);
         ++k) {
        const double t = static_cast<double>(k) * interval;
        double ay = 0;
        const double steer = steerAt(clock.Now());
        model.Derivative(s, steer * toWheel, ay);
        const VehicleSample sample = SampleOf(vehicle, model, s, t, steer, ay);
        // A stiff model (a tiny yaw inertia, a huge stability gain) diverges at the integration's step; a
        // linear one steered far leaves what tyres can do.
        if (!(std::fabs(sample.yawRate) <= ChannelPhysics::YawRate) ||
            !(std::fabs(sample.lateralAcceleration) <= ChannelPhysics::LateralAcceleration) ||
            !(std::fabs(s.lateralVelocity) <= 10 * vehicle.speed / 3.6) ||
            !(std::fabs(sample.roll) <= ChannelPhysics::Roll) || !std::isfinite(sample.steer)) {
            char text[400];
            if (model.Linear())
                std::snprintf(text, sizeof text,
                              "the linear vehicle's run leaves what a vehicle can do at %.3f s (lateral "
                              "acceleration %.3g g, yaw rate %.3g deg/s at %.4g deg of steer): its tyres "
                              "have no limit, so steer it less",
                              t, sample.lateralAcceleration, sample.yawRate, steer);
            else
                std::snprintf(
                    text, sizeof text,
                    "the vehicle's run leaves what a vehicle can do at %.3f s (yaw rate %.3g deg/s, lateral "
                    "acceleration %.3g g): its parameters (yaw inertia %g kg m2, stability control %g) make "
                    "the model diverge",
                    t, sample.yawRate, sample.lateralAcceleration, vehicle.yawInertia,
                    vehicle.stabilityControl);
            throw FormatError(text);
        }
        samples.push_back(sample);
        for (int j = 0; j < substeps; ++j) {
            double ignored = 0;
            auto wheel = [&](double x) { return steerAt(clock.At(x)) * toWheel; };
            const State k1 = model.Derivative(s, wheel(0), ignored);
            const State k2 = model.Derivative(s.Plus(k1, h / 2), wheel(h / 2), ignored);
            const State k3 = model.Derivative(s.Plus(k2, h / 2), wheel(h / 2), ignored);
            const State k4 = model.Derivative(s.Plus(k3, h), wheel(h), ignored);
            auto weighted = [&](double State::*x) {
                s.*x += h / 6 * (k1.*x + 2 * k2.*x + 2 * k3.*x + k4.*x);
            };
            for (double State::*x :
                 {&State::lateralVelocity, &State::yawRate, &State::roll, &State::rollRate})
                weighted(x);
            clock.Step(h, s.rollRate);
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
                             const std::string &note, bool linear) {
    std::string text = linear ? "# Rehearsal log of quillard-cli simulate --linear: the linear single-track "
                                "vehicle model (tyre forces proportional to slip, no stability control), "
                                "not a prediction of record\n"
                              : "# Rehearsal log of quillard-cli simulate: a single-track vehicle model, "
                                "not a prediction of record\n";
    text +=
        Formatted("# vehicle: %s; %g km/h, %g kg, yaw inertia %g kg m2, axles %g m and %g m from the centre "
                  "of gravity\n",
                  vehicle.name.c_str(), vehicle.speed, vehicle.mass, vehicle.yawInertia, vehicle.frontAxle,
                  vehicle.rearAxle);
    text += Formatted("# cornering stiffness %g and %g N/rad, friction %g, steering ratio %g, stability "
                      "control %g; roll %g deg/g at %g Hz, damping %g, track %g m, inner wheels lift beyond "
                      "%g deg of roll\n",
                      vehicle.frontCornering, vehicle.rearCornering, vehicle.friction, vehicle.steeringRatio,
                      vehicle.stabilityControl, vehicle.rollGradient, vehicle.rollFrequency,
                      vehicle.rollDamping, vehicle.track, vehicle.liftRoll);
    if (!note.empty()) text += "# " + note + "\n";
    text += "time [s],steer [deg],yaw rate [deg/s],lateral acceleration [g],sideslip [deg],roll [deg],roll "
            "rate [deg/s],wheel lift [mm],speed [km/h]\n";
    for (const VehicleSample &s : samples) {
        for (double v : {s.time, s.steer, s.yawRate, s.lateralAcceleration, s.sideslip, s.roll, s.rollRate,
                         s.lift, s.speed})
            if (!std::isfinite(v))
                throw FormatError(Formatted("the vehicle's run at %.3f s holds a value that is no "
                                            "finite number",
                                            s.time));
        text += Formatted("%.4f,%.4f,%.5f,%.6f,%.5f,%.5f,%.4f,%.2f,%.2f\n", s.time, s.steer, s.yawRate,
                          s.lateralAcceleration, s.sideslip, s.roll, s.rollRate, s.lift, s.speed);
    }
    return text;
}
