#!/usr/bin/python3
"""Exact figures of the linear single-track model, for checking evaluations.

    closed_form.py VEHICLE_FILE... [--json] [--rise-time S] [--amplitude DEG]
                   [--sine-frequency HZ]

The model (speed u held constant; states lateral velocity v and yaw rate r):
    delta   = handwheel angle / steering_ratio            (road-wheel angle)
    alpha_f = delta - (v + a r)/u,   alpha_r = -(v - b r)/u
    F_f = Cf alpha_f,  F_r = Cr alpha_r,  a_y = (F_f + F_r)/m
    dv/dt = a_y - u r,  dr/dt = (a F_f - b F_r)/Iz
Outputs: yaw rate in deg/s, lateral acceleration in g (a_y/9.80665),
sideslip at the centre of gravity in deg, linearised as v/u (the logs hold
atan(v/u); the two differ by less than 1e-6 relative here).
Input: handwheel angle in deg.

Definitions used:
  steady-state gains   yaw rate per handwheel angle (deg/s per deg), lateral
                       acceleration per 100 deg of handwheel (g per 100 deg),
                       sideslip per handwheel angle (deg per deg).
  understeer gradient  K = d(handwheel)/d(a_y) / steering_ratio - L g/u^2,
                       in deg/g: the road-wheel-angle gradient less the
                       Ackermann part.  Equal to (m/L)(b/Cf - a/Cr) g.
  characteristic speed sqrt(L/K) with K in rad per m/s^2 (K > 0 only).
  response time        time from time zero until the response first reaches
                       90 % of its steady state.
  peak response time   time from time zero to the first maximum (exists only
                       when the response overshoots its steady state).
  overshoot            (peak - steady state)/steady state, in percent.
  time zero            ideal step: the step.  Ramp step (steer rising
                       linearly over the rise time, then held): the instant
                       the steer reaches 50 % of its change (ISO 7401).
  TB factor            yaw-rate peak response time times the steady-state
                       sideslip of the ramp step of the given amplitude (s deg).
  resonance            frequency of the maximum of the yaw-rate gain |H(jw)|;
                       peak ratio = that maximum / gain at 0 Hz.
  phase at 1 Hz        angle of H(j 2 pi 1 Hz) in deg (negative = lag);
                       equivalent time lag = -phase/(360 deg * 1 Hz).
  single-period sine   steer A sin(2 pi f t) for one period; time lag = time
                       of the response's peak less the time of the steer's
                       peak (first and second half-wave); peak gain = response
                       peak / steer peak.
  nonlinear tyre curve quasi-steady handwheel angle against lateral
                       acceleration with F = limit tanh(C alpha / limit),
                       limit = friction m g b/L (front), friction m g a/L
                       (rear): since both axles use the same share of their
                       limit in a steady turn,
                         delta_H = SR [L a_y/u^2 + K mu g atanh(a_y/(mu g))].
                       Its linear range and gradient follow the rule of
                       evaluate_reference.py (base range 0.1-0.2 g, local
                       gradient over +-0.025 g, end where it departs by more
                       than 10 % from the base gradient), applied here to the
                       exact curve sampled uniformly in a_y.

Step and frequency responses come from scipy.signal (lti, step, freqresp) on
the state space; each crossing and extreme found on scipy's grid is then
refined on the exact solution (matrix exponential) by root finding.
"""
import argparse
import json
import math
import sys
import warnings

import numpy as np
from scipy import linalg, optimize, signal

from vehicle import G, params, read_vehicle

# scipy converts the state space to a transfer function inside step/freqresp and
# warns about the exact zero leading numerator terms; the results are checked
# against the matrix formulas below, so the warning is silenced.
warnings.filterwarnings("ignore", message="Badly conditioned filter coefficients")

DEG = 180.0 / math.pi
OUT_NAMES = ("yaw_rate", "lateral_acceleration", "sideslip")
LIN_DEPARTURE = 0.10   # the linear-range criterion of evaluate_reference.py (C15)


def state_space(p):
    """A, B, C, D with input handwheel deg; outputs deg/s, g, deg."""
    u, m, Iz, a, b, Cf, Cr, SR = (p[k] for k in ("u", "m", "Iz", "a", "b", "Cf", "Cr", "SR"))
    A = np.array([
        [-(Cf + Cr) / (m * u), -(a * Cf - b * Cr) / (m * u) - u],
        [-(a * Cf - b * Cr) / (Iz * u), -(a * a * Cf + b * b * Cr) / (Iz * u)],
    ])
    k_in = 1.0 / (SR * DEG)  # road-wheel rad per handwheel deg
    B = np.array([[Cf / m], [a * Cf / Iz]]) * k_in
    C = np.array([
        [0.0, DEG],
        [-(Cf + Cr) / (m * u) / G, -(a * Cf - b * Cr) / (m * u) / G],
        [DEG / u, 0.0],
    ])
    D = np.array([[0.0], [Cf / m / G * k_in], [0.0]])
    return A, B, C, D


class Exact:
    """Exact responses of one output of the model to steer inputs."""

    def __init__(self, p, out):
        self.A, B, C, D = state_space(p)
        self.B = B[:, 0]
        self.C = C[out]
        self.D = D[out, 0]
        self.Ai = linalg.inv(self.A)

    def step(self, t):  # unit (1 deg) step at t = 0
        if t <= 0:
            return 0.0
        E = linalg.expm(self.A * t)
        return float(self.C @ self.Ai @ (E - np.eye(2)) @ self.B + self.D)

    def step_rate(self, t):  # derivative of the step response (impulse response)
        E = linalg.expm(self.A * t)
        return float(self.C @ E @ self.B)

    def ramp(self, t):  # response to the unit ramp t (deg) starting at 0
        if t <= 0:
            return 0.0
        E = linalg.expm(self.A * t)
        x = self.Ai @ self.Ai @ (E - np.eye(2)) @ self.B - self.Ai @ self.B * t
        return float(self.C @ x + self.D * t)

    def ramp_step(self, t, tr):  # steer rising 0..1 deg over tr, then held
        y = self.ramp(t) - (self.ramp(t - tr) if t > tr else 0.0)
        return y / tr

    def ramp_step_rate(self, t, tr):
        y = self.step(t) - (self.step(t - tr) if t > tr else 0.0)
        return y / tr

    def sine_period(self, t, w):  # steer sin(w t) for 0 <= t <= 2 pi / w
        T = 2 * math.pi / w
        M = linalg.inv(1j * w * np.eye(2) - self.A)

        def x_sine(tt):
            E = linalg.expm(self.A * tt)
            return np.imag(M @ (np.exp(1j * w * tt) * np.eye(2) - E) @ self.B)

        if t <= 0:
            return 0.0
        if t <= T:
            return float(self.C @ x_sine(t) + self.D * math.sin(w * t))
        return float(self.C @ linalg.expm(self.A * (t - T)) @ x_sine(T))


def refine_root(f, lo, hi):
    return optimize.brentq(f, lo, hi, xtol=1e-12, rtol=1e-14)


def refine_max(f, lo, hi):
    r = optimize.minimize_scalar(lambda t: -f(t), bounds=(lo, hi), method="bounded",
                                 options={"xatol": 1e-10})
    return r.x, f(r.x)


def time_figures(ts, ys, yss, f, t_zero, rate=None):
    """90 % response time, first peak, overshoot from a grid, refined exactly."""
    s = 1.0 if yss > 0 else -1.0
    out = {}
    i = int(np.argmax(s * ys >= 0.9 * s * yss))
    out["response_time_s"] = refine_root(lambda t: f(t) - 0.9 * yss, ts[i - 1], ts[i]) - t_zero
    # first local maximum of s*y after the 90 % crossing
    d = np.diff(s * ys)
    peaks = np.nonzero((d[:-1] > 0) & (d[1:] <= 0))[0] + 1
    peaks = peaks[peaks >= i]
    if len(peaks) and s * ys[peaks[0]] > s * yss:
        k = peaks[0]
        if rate is not None:
            tp = refine_root(rate, ts[k - 1], ts[k + 1])
            yp = f(tp)
        else:
            tp, yp = refine_max(lambda t: s * f(t), ts[k - 1], ts[k + 1])
            yp = s * yp
        out["peak_response_time_s"] = tp - t_zero
        out["peak_value"] = yp
        out["overshoot_percent"] = (yp - yss) / yss * 100.0
    else:
        out["peak_response_time_s"] = None
        out["peak_value"] = None
        out["overshoot_percent"] = 0.0
    return out


def figures(veh, rise_time=0.15, amplitude=30.0, sine_hz=0.5):
    p = params(veh)
    u, m, a, b, L, Cf, Cr, SR, mu = (p[k] for k in ("u", "m", "a", "b", "L", "Cf", "Cr", "SR", "mu"))
    A, B, C, D = state_space(p)
    sys_ = signal.StateSpace(A, B, C, D)
    res = {"vehicle": veh["name"], "speed_kmh": veh["speed_kmh"]}

    # --- steady state: closed-form formulas, checked against -C A^-1 B + D
    K = m / L * (b / Cf - a / Cr)                   # rad per m/s^2 (road wheel)
    r_per_delta = u / (L + K * u * u)              # 1/s per road-wheel rad
    yaw_gain = r_per_delta / SR                    # deg/s per handwheel deg
    ay_gain = u * r_per_delta / SR / DEG / G       # g per handwheel deg
    beta_gain = r_per_delta * (b / u - m * a * u / (L * Cr)) / SR
    dc = (-C @ linalg.inv(A) @ B + D)[:, 0]
    for x, y in zip((yaw_gain, ay_gain, beta_gain), dc):
        assert abs(x - y) <= 1e-9 * max(abs(x), 1e-12), (x, y)
    K_deg_g = K * G * DEG
    res["steady_state"] = {
        "yaw_rate_gain_deg_s_per_deg": yaw_gain,
        "lateral_acceleration_gain_g_per_100deg": ay_gain * 100.0,
        "sideslip_gain_deg_per_deg": beta_gain,
        "handwheel_gradient_deg_per_g": 1.0 / ay_gain,
        "ackermann_gradient_deg_per_g": L * G / (u * u) * DEG,
        "understeer_gradient_deg_per_g": K_deg_g,
        "characteristic_speed_kmh": math.sqrt(L / K) * 3.6 if K > 0 else None,
        "sideslip_gradient_deg_per_g": beta_gain / ay_gain,
    }

    # --- ideal step and ramp step
    ts = np.arange(0.0, 6.0, 1e-4)
    _, ystep = signal.step(sys_, T=ts)
    ideal, ramp = {}, {}
    t_zero = rise_time / 2.0
    for j, name in enumerate(OUT_NAMES[:2]):
        ex = Exact(p, j)
        yss = dc[j]
        ideal[name] = time_figures(ts, ystep[:, j], yss, ex.step, 0.0, rate=ex.step_rate)
        yr = np.array([ex.ramp_step(t, rise_time) for t in ts[::10]])
        ramp[name] = time_figures(ts[::10], yr, yss, lambda t: ex.ramp_step(t, rise_time), t_zero,
                                  rate=lambda t: ex.ramp_step_rate(t, rise_time))
        # the grid from scipy.signal.step must agree with the exact solution
        assert abs(ystep[5000, j] - ex.step(ts[5000])) < 1e-8 * max(1.0, abs(yss))
    res["ideal_step"] = ideal
    tb = ramp["yaw_rate"]["peak_response_time_s"]
    res["ramp_step"] = {
        "rise_time_s": rise_time,
        "amplitude_deg": amplitude,
        "time_zero_s": t_zero,
        "steer_rise_time_10_90_s": 0.8 * rise_time,
        "steady_yaw_rate_deg_s": yaw_gain * amplitude,
        "steady_lateral_acceleration_g": ay_gain * amplitude,
        "steady_sideslip_deg": beta_gain * amplitude,
        "yaw_rate": ramp["yaw_rate"],
        "lateral_acceleration": ramp["lateral_acceleration"],
        "tb_factor_s_deg": tb * beta_gain * amplitude if tb is not None else None,
    }

    # --- frequency response
    fr = {}
    for j, name in enumerate(OUT_NAMES[:2]):
        sj = signal.StateSpace(A, B, C[j:j + 1], D[j:j + 1])
        _, h1 = signal.freqresp(sj, w=[2 * math.pi * 1.0])
        h1 = h1[0]
        mine = (C[j] @ linalg.inv(2j * math.pi * np.eye(2) - A) @ B[:, 0] + D[j, 0])
        assert abs(h1 - mine) < 1e-10 * abs(h1)
        ph = math.degrees(np.angle(h1))
        fr[name] = {"gain_0hz": dc[j] * (100.0 if j == 1 else 1.0),
                    "gain_1hz": abs(h1) * (100.0 if j == 1 else 1.0),
                    "phase_1hz_deg": ph, "equivalent_time_lag_s": -ph / 360.0}
    sy = signal.StateSpace(A, B, C[0:1], D[0:1])
    fgrid = np.linspace(0.001, 10.0, 20000)
    _, hg = signal.freqresp(sy, w=2 * math.pi * fgrid)
    k = int(np.argmax(abs(hg)))
    if 0 < k < len(fgrid) - 1 and abs(hg[k]) > abs(dc[0]):
        gain = lambda f: abs(signal.freqresp(sy, w=[2 * math.pi * f])[1][0])
        fpk, gpk = refine_max(gain, fgrid[k - 1], fgrid[k + 1])
        fr["yaw_rate"]["resonance_hz"] = fpk
        fr["yaw_rate"]["peak_ratio"] = gpk / abs(dc[0])
    else:
        fr["yaw_rate"]["resonance_hz"] = None
        fr["yaw_rate"]["peak_ratio"] = None
    res["frequency_response"] = fr

    # --- single-period sine
    w = 2 * math.pi * sine_hz
    T = 1.0 / sine_hz
    sp = {"frequency_hz": sine_hz, "steer_peak_times_s": [T / 4, 3 * T / 4]}
    tg = np.arange(0.0, 1.5 * T + 1e-9, T / 2000)
    for j, name in enumerate(OUT_NAMES[:2]):
        ex = Exact(p, j)
        f = lambda t: ex.sine_period(t, w)
        yg = np.array([f(t) for t in tg])
        fig = {}
        for n, (sgn, lo, hi) in enumerate(((1, 0.0, 0.75 * T), (-1, 0.5 * T, 1.25 * T))):
            sel = np.nonzero((tg >= lo) & (tg <= hi))[0]
            i = sel[int(np.argmax(sgn * yg[sel]))]
            tp, yp = refine_max(lambda t: sgn * f(t), tg[i - 1], tg[i + 1])
            fig["lag_%s_s" % ("first", "second")[n]] = tp - sp["steer_peak_times_s"][n]
            fig["gain_%s" % ("first", "second")[n]] = yp * (100.0 if j == 1 else 1.0)
        sp[name] = fig
    res["single_period_sine"] = sp

    # --- nonlinear-tyre quasi-steady curve
    res["nonlinear_tyre_curve"] = nonlinear_curve(p, K)
    return res


def tanh_curve(p, K):
    """The quasi-steady tanh-tyre curve on a 0.0005 g grid, and its LSQ slope."""
    u, L, SR, mu = p["u"], p["L"], p["SR"], p["mu"]
    ay = np.arange(0.0, 0.97 * mu, 0.0005)                  # g
    dh = SR * DEG * (L * ay * G / u ** 2 + K * mu * G * np.arctanh(ay / mu))

    def slope(lo, hi):
        s = (ay >= lo - 1e-12) & (ay <= hi + 1e-12)
        return np.polyfit(ay[s], dh[s], 1)[0]
    return slope


def departure(veh, a):
    """Local gradient (+-0.025 g) of the quasi-steady tanh curve at a (g),
    relative to its gradient over 0.1-0.2 g, less 1."""
    p = params(veh)
    K = p["m"] / p["L"] * (p["b"] / p["Cf"] - p["a"] / p["Cr"])
    slope = tanh_curve(p, K)
    return slope(a - 0.025, a + 0.025) / slope(0.1, 0.2) - 1.0


def nonlinear_curve(p, K):
    """Linear range and gradient of the quasi-steady tanh-tyre curve."""
    u, L, SR, mu = p["u"], p["L"], p["SR"], p["mu"]
    slope = tanh_curve(p, K)
    base = slope(0.1, 0.2)
    end = None
    for c in np.arange(0.125, 0.97 * mu - 0.025, 0.005):
        if abs(slope(c - 0.025, c + 0.025) / base - 1.0) > LIN_DEPARTURE:
            end = c
            break
    grad = slope(0.1, end)
    return {"friction": mu,
            "base_gradient_deg_per_g": base,
            "linear_range_end_g": end,
            "handwheel_gradient_deg_per_g": grad,
            "understeer_gradient_deg_per_g": grad / SR - L * G / u ** 2 * DEG}


def fmt(x):
    return "-" if x is None else ("%.6g" % x)


def print_text(r):
    print("vehicle %s at %s km/h" % (r["vehicle"], fmt(r["speed_kmh"])))
    for k, v in r["steady_state"].items():
        print("  %-44s %s" % (k, fmt(v)))
    for sec in ("ideal_step", "ramp_step"):
        print("  %s" % sec)
        for k, v in r[sec].items():
            if isinstance(v, dict):
                for kk, vv in v.items():
                    print("    %-42s %s" % (k + " " + kk, fmt(vv)))
            else:
                print("    %-42s %s" % (k, fmt(v)))
    print("  frequency_response")
    for k, v in r["frequency_response"].items():
        for kk, vv in v.items():
            print("    %-42s %s" % (k + " " + kk, fmt(vv)))
    print("  single_period_sine at %s Hz" % fmt(r["single_period_sine"]["frequency_hz"]))
    for k in OUT_NAMES[:2]:
        for kk, vv in r["single_period_sine"][k].items():
            print("    %-42s %s" % (k + " " + kk, fmt(vv)))
    print("  nonlinear_tyre_curve")
    for k, v in r["nonlinear_tyre_curve"].items():
        print("    %-42s %s" % (k, fmt(v)))


def main(argv):
    ap = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    ap.add_argument("vehicles", nargs="+")
    ap.add_argument("--json", action="store_true")
    ap.add_argument("--rise-time", type=float, default=0.15)
    ap.add_argument("--amplitude", type=float, default=30.0)
    ap.add_argument("--sine-frequency", type=float, default=0.5)
    args = ap.parse_args(argv)
    results = [figures(read_vehicle(v), args.rise_time, args.amplitude, args.sine_frequency)
               for v in args.vehicles]
    if args.json:
        json.dump({"command": "closed_form.py " + " ".join(argv), "vehicles": results},
                  sys.stdout, indent=1)
        print()
    else:
        for r in results:
            print_text(r)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
