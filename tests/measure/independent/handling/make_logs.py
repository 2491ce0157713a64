#!/usr/bin/python3
"""Make test logs by integrating the single-track model.

    make_logs.py [--out DIR] [--all] [--vehicle FILE]

Without --all it writes the small stored set (default vehicle) into logs/
together with logs/truth.json (the figures known by construction that have
no closed form: roll, fishhook timing, lift).  With --all it writes every
log for the vehicle at 100 Hz and 1 kHz into DIR (check.py uses this on
scratch directories; those logs are not stored).

The model is written here from the force equations (not from the matrices
of closed_form.py) and integrated by scipy's solve_ivp (DOP853, rtol 1e-11),
piecewise between the corners of the steer input, with the steer as a
continuous function of time.  Tyres: linear F = C alpha (the simulator's
linear mode) or, for the runs that must leave the linear range,
F = limit tanh(C alpha / limit), limit = friction m g b/L front and
friction m g a/L rear.

Roll channel: a second-order roll model driven by lateral acceleration that
does not act back on the vehicle,
    phi'' = wn^2 (R a_y[g] - phi) - 2 zeta wn phi'
with R the roll gradient (deg/g).  Lift channel (rollover logs only): the
height the lifting side's wheels rise, lift = 1000 t sin(|phi| - phi_lift)
in mm when |phi| > phi_lift, else 0 (t = track).

Noise only in the bad sweep (seeded, so every run makes the same files).
"""
import argparse
import json
import math
import os
import sys

import numpy as np
from scipy import interpolate, signal
from scipy.integrate import solve_ivp

from vehicle import G, params, read_vehicle

DEG = 180.0 / math.pi
HERE = os.path.dirname(os.path.abspath(__file__))

ROLL = {"gradient_deg_per_g": 4.5, "frequency_hz": 1.5, "damping": 0.4}
ROLL_ROLLOVER = {"gradient_deg_per_g": 7.0, "frequency_hz": 1.2, "damping": 0.3}
LIFT = {"track_m": 1.6, "roll_at_lift_deg": 7.0, "criterion_mm": 50.8}
RTOL, ATOL = 1e-11, 1e-13


class Model:
    def __init__(self, veh, tyre="linear", roll=ROLL, friction=None):
        self.p = params(veh)
        if friction is not None:
            self.p["mu"] = friction
        self.tyre = tyre
        self.roll = roll
        p = self.p
        self.lim_f = p["mu"] * p["m"] * G * p["b"] / p["L"]
        self.lim_r = p["mu"] * p["m"] * G * p["a"] / p["L"]

    def forces(self, x, steer_deg):
        p = self.p
        v, r = x[0], x[1]
        delta = steer_deg / DEG / p["SR"]
        af = delta - (v + p["a"] * r) / p["u"]
        ar = -(v - p["b"] * r) / p["u"]
        if self.tyre == "linear":
            return p["Cf"] * af, p["Cr"] * ar
        return (self.lim_f * math.tanh(p["Cf"] * af / self.lim_f),
                self.lim_r * math.tanh(p["Cr"] * ar / self.lim_r))

    def rhs(self, t, x, steer):
        p = self.p
        ff, fr = self.forces(x, steer(t))
        ay = (ff + fr) / p["m"]
        wn = 2 * math.pi * self.roll["frequency_hz"]
        z = self.roll["damping"]
        return [ay - p["u"] * x[1],
                (p["a"] * ff - p["b"] * fr) / p["Iz"],
                x[3],
                wn * wn * (self.roll["gradient_deg_per_g"] * ay / G - x[2]) - 2 * z * wn * x[3]]

    def outputs(self, x, steer_deg):
        p = self.p
        ff, fr = self.forces(x, steer_deg)
        return {"yaw rate": x[1] * DEG,
                "lateral acceleration": (ff + fr) / p["m"] / G,
                "sideslip": math.atan(x[0] / p["u"]) * DEG,
                "roll": x[2], "roll rate": x[3]}

    def run(self, steer, t_end, fs, corners=(), x0=(0, 0, 0, 0), t_start=0.0, max_step=0.01):
        """Integrate piecewise between corners; return sample times, states, dense sols."""
        n = int(round((t_end - t_start) * fs))
        ts = t_start + np.arange(n + 1) / fs
        edges = sorted({t_start, t_end, *[c for c in corners if t_start < c < t_end]})
        xs = np.zeros((len(ts), 4))
        x = np.array(x0, float)
        sols = []
        for lo, hi in zip(edges[:-1], edges[1:]):
            sol = solve_ivp(self.rhs, (lo, hi), x, method="DOP853", rtol=RTOL, atol=ATOL,
                            dense_output=True, args=(steer,), max_step=max_step)
            sel = (ts >= lo - 1e-12) & (ts <= hi + 1e-12)
            xs[sel] = sol.sol(ts[sel]).T
            x = sol.y[:, -1]
            sols.append(sol)
        return ts, xs, sols


def ramp_fn(t_on, t_rise, amp, t_off=None, t_fall=None):
    """0, then a linear rise to amp over t_rise, held, optional linear return."""
    def f(t):
        if t <= t_on:
            return 0.0
        if t < t_on + t_rise:
            return amp * (t - t_on) / t_rise
        if t_off is None or t <= t_off:
            return amp
        if t < t_off + t_fall:
            return amp * (1.0 - (t - t_off) / t_fall)
        return 0.0
    return f


# ---------------------------------------------------------------- writing
FMT = {"time": None, "steer": "%.4f", "yaw rate": "%.4f", "lateral acceleration": "%.5f",
       "speed": "%.1f", "sideslip": "%.4f", "roll": "%.4f", "roll rate": "%.3f",
       "two-wheel lift": "%.2f"}
UNITS = {"time": "s", "steer": "deg", "yaw rate": "deg/s", "lateral acceleration": "g",
         "speed": "km/h", "sideslip": "deg", "roll": "deg", "roll rate": "deg/s",
         "two-wheel lift": "mm"}


def table(model, ts, xs, steer, fs, extra=(), noise=None, lift=False):
    cols = ["time", "steer", "yaw rate", "lateral acceleration", "speed"] + list(extra)
    if lift:
        cols.append("two-wheel lift")
    rows = {c: [] for c in cols}
    for t, x in zip(ts, xs):
        o = model.outputs(x, steer(t))
        o["time"], o["steer"], o["speed"] = t, steer(t), model.p["u"] * 3.6
        if lift:
            e = abs(x[2]) - LIFT["roll_at_lift_deg"]
            o["two-wheel lift"] = 1000 * LIFT["track_m"] * math.sin(e / DEG) if e > 0 else 0.0
        for c in cols:
            rows[c].append(o[c])
    if noise:
        rng = np.random.default_rng(noise["seed"])
        for c, sd in noise["sd"].items():
            rows[c] = list(np.array(rows[c]) + rng.normal(0.0, sd, len(ts)))
    tf = "%.2f" if fs <= 100 else "%.3f"
    lines = [",".join("%s [%s]" % (c, UNITS[c]) for c in cols)]
    for i in range(len(ts)):
        lines.append(",".join((tf if c == "time" else FMT[c]) % rows[c][i] for c in cols))
    return "\n".join(lines) + "\n"


def write(path, comments, text):
    with open(path, "w", newline="\n") as f:
        for c in comments:
            f.write("# " + c + "\n")
        f.write(text)


# ---------------------------------------------------------------- logs
def step_log(veh, fs, amp=30.0, t_on=1.0, rise=0.15, t_end=5.0, extra=("sideslip", "roll", "roll rate")):
    m = Model(veh)
    st = ramp_fn(t_on, rise, amp)
    ts, xs, _ = m.run(st, t_end, fs, corners=(t_on, t_on + rise))
    truth = {"roll_gradient_deg_per_g": ROLL["gradient_deg_per_g"], "steer_start_s": t_on,
             "rise_time_s": rise, "amplitude_deg": amp}
    return ["step steer %g deg handwheel over %g s from %g s, held to %g s; linear tyres; %g Hz"
            % (amp, rise, t_on, t_end, fs)], table(m, ts, xs, st, fs, extra), truth


def sine_log(veh, fs, amp=30.0, f=0.5, t_on=1.0, t_end=5.0):
    m = Model(veh)
    T = 1.0 / f
    st = lambda t: amp * math.sin(2 * math.pi * f * (t - t_on)) if t_on < t < t_on + T else 0.0
    ts, xs, _ = m.run(st, t_end, fs, corners=(t_on, t_on + T))
    return ["single-period sine steer %g deg, %g Hz, from %g s; linear tyres; %g Hz"
            % (amp, f, t_on, fs)], table(m, ts, xs, st, fs), {}


def sweep_fn(amp, f0, f1, T, t_on):
    def st(t):
        tau = t - t_on
        if tau <= 0 or tau >= T:
            return 0.0
        return amp * math.sin(2 * math.pi * (f0 * tau + (f1 - f0) * tau * tau / (2 * T)))
    return st


def sweep_log(veh, fs, amp=30.0, f0=0.2, f1=3.0, T=25.0, t_on=1.0, noise=None):
    m = Model(veh)
    st = sweep_fn(amp, f0, f1, T, t_on)
    t_end = t_on + T + 1.0
    ts, xs, _ = m.run(st, t_end, fs, corners=(t_on, t_on + T), max_step=0.002)
    what = "sine sweep %g deg, %g to %g Hz rising linearly over %g s from %g s; linear tyres; %g Hz" % (
        amp, f0, f1, T, t_on, fs)
    if noise:
        what += "; measurement noise (sd %s)" % ", ".join("%s %g" % kv for kv in noise["sd"].items())
    return [what], table(m, ts, xs, st, fs, noise=noise), {}


def random_log(veh, fs, rms=15.0, fc=3.0, T=40.0, t_on=1.0, seed=7):
    m = Model(veh)
    rng = np.random.default_rng(seed)
    tg = np.arange(0.0, T + 1e-9, 0.001)
    w = signal.sosfiltfilt(signal.butter(4, fc, fs=1000.0, output="sos"), rng.normal(size=len(tg)))
    fade = np.clip(tg / 0.5, 0, 1) * np.clip((T - tg) / 0.5, 0, 1)
    w = w * fade
    w *= rms / np.sqrt(np.mean(w[(tg > 0.5) & (tg < T - 0.5)] ** 2))
    spl = interpolate.CubicSpline(tg + t_on, w)
    st = lambda t: float(spl(t)) if t_on < t < t_on + T else 0.0
    t_end = t_on + T + 1.0
    ts, xs, _ = m.run(st, t_end, fs, corners=(t_on, t_on + T), max_step=0.002)
    return ["random steer: white noise low-passed at %g Hz (4th-order Butterworth, zero phase), "
            "rms %g deg, %g s from %g s, seed %d; linear tyres; %g Hz" % (fc, rms, T, t_on, seed, fs)], \
        table(m, ts, xs, st, fs), {}


def csine_log(veh, fs, amp=20.0, f=1.0, T=20.0, t_on=1.0):
    m = Model(veh)
    st = lambda t: amp * math.sin(2 * math.pi * f * (t - t_on)) if t_on < t < t_on + T else 0.0
    ts, xs, _ = m.run(st, t_on + T + 1.0, fs, corners=(t_on, t_on + T), max_step=0.002)
    return ["continuous sine steer %g deg at %g Hz for %g s from %g s; linear tyres; %g Hz"
            % (amp, f, T, t_on, fs)], table(m, ts, xs, st, fs), {}


def handwheel_gradient(veh):
    """Steady-state handwheel angle per g of the linear model (deg/g)."""
    p = params(veh)
    K = p["m"] / p["L"] * (p["b"] / p["Cf"] - p["a"] / p["Cr"])
    return p["SR"] * (p["L"] / p["u"] ** 2 + K) * G * DEG


def understeer_log(veh, fs, tyre="linear", rate=None, top=None, t_on=1.0, friction=None,
                   start=0.0, extra=("sideslip", "roll")):
    """Slowly increasing steer from `start` deg (reached before t = 0) to `top`.

    Rate: 13.5 deg/s, or less for a vehicle with a low steer gradient, so that
    the lateral acceleration rises by no more than 0.165 g/s (the default car's
    rate at 13.5 deg/s).  Top: 270 deg, or less: the angle of 2 g in the linear
    model, so the linear-mode run stays where the sideslip is small.
    """
    grad = handwheel_gradient(veh)
    if rate is None:
        rate = min(13.5, 0.165 * grad)
    if top is None:
        top = min(270.0, start + 2.0 * grad)
    m = Model(veh, tyre=tyre, friction=friction)
    t_top = t_on + (top - start) / rate
    if start:
        # settle at the start angle before the log begins
        pre = ramp_fn(-6.0, 1.0, start)
        _, _, sols = m.run(pre, 0.0, fs, corners=(-6.0, -5.0), t_start=-6.0)
        x0 = sols[-1].y[:, -1]
    else:
        x0 = (0, 0, 0, 0)
    st = lambda t: start + (rate * (t - t_on) if t > t_on else 0.0)
    ts, xs, _ = m.run(st, t_top, fs, corners=(t_on,), x0=x0)
    mu = m.p["mu"]
    what = "slowly increasing steer %g deg/s from %g to %g deg at %g s; %s tyres%s; %g Hz" % (
        rate, start, top, t_on, tyre, "" if tyre == "linear" else " (friction %g)" % mu, fs)
    truth = {"roll_gradient_deg_per_g": ROLL["gradient_deg_per_g"], "friction": mu}
    return [what], table(m, ts, xs, st, fs, extra), truth


def steer_at_03g(veh):
    """Handwheel angle at 0.3 g on the quasi-steady tanh-tyre curve (deg)."""
    p = params(veh)
    K = p["m"] / p["L"] * (p["b"] / p["Cf"] - p["a"] / p["Cr"])
    ay = 0.3 * G
    return p["SR"] * DEG * (p["L"] * ay / p["u"] ** 2
                            + K * p["mu"] * G * math.atanh(ay / (p["mu"] * G)))


def rollover_log(veh, fs, kind="fishhook", lift=True):
    """NHTSA-style fishhook (roll-rate feedback) or J-turn with tanh tyres."""
    m = Model(veh, tyre="tanh", roll=ROLL_ROLLOVER)
    d03 = steer_at_03g(veh)
    t_on = 1.0
    truth = {"steer_at_0.3g_deg": d03}
    if kind == "fishhook":
        amp, rate = 6.5 * d03, 720.0
        t1 = t_on + amp / rate
        st1 = ramp_fn(t_on, amp / rate, amp)
        # first part: steer up and dwell until the roll rate falls to 1.5 deg/s
        def ev(t, x, steer):
            return x[3] - 1.5
        ev.terminal, ev.direction = True, -1
        sol = solve_ivp(m.rhs, (t1, t1 + 5.0), solve_ivp(
            m.rhs, (t_on, t1), [0, 0, 0, 0], method="DOP853", rtol=RTOL, atol=ATOL,
            args=(st1,)).y[:, -1], method="DOP853", rtol=RTOL, atol=ATOL, args=(st1,),
            events=ev)
        tc = float(sol.t_events[0][0])  # countersteer starts here
        t2 = tc + 2 * amp / rate
        t3 = t2 + 3.0
        st = lambda t: (st1(t) if t <= tc else
                        amp - rate * (t - tc) if t < t2 else
                        -amp if t <= t3 else
                        min(-amp + rate * (t - t3), 0.0))
        corners = (t_on, t1, tc, t2, t3, t3 + amp / rate)
        t_end = t3 + 1.0
        truth.update({"amplitude_deg": amp, "steer_rate_deg_s": rate, "countersteer_s": tc})
        what = ("fishhook (roll-rate feedback): %g deg (6.5 x the %g deg of 0.3 g) at %g deg/s from %g s,"
                " countersteer when the roll rate falls to 1.5 deg/s, to %g deg, held 3 s"
                % (amp, d03, rate, t_on, -amp))
    else:
        amp, rate = 8.0 * d03, 1000.0
        st = ramp_fn(t_on, amp / rate, amp, t_off=t_on + amp / rate + 3.0, t_fall=amp / rate)
        corners = (t_on, t_on + amp / rate, t_on + amp / rate + 3.0, t_on + 2 * amp / rate + 3.0)
        t_end = t_on + 2 * amp / rate + 4.0
        truth.update({"amplitude_deg": amp, "steer_rate_deg_s": rate, "countersteer_s": None})
        what = ("J-turn: %g deg (8 x the %g deg of 0.3 g) at %g deg/s from %g s, held 3 s"
                % (amp, d03, rate, t_on))
    ts, xs, sols = m.run(st, t_end, fs, corners=corners, max_step=0.002)
    # figures known by construction, from the dense solution on a 0.1 ms grid
    tf = np.arange(0.0, t_end, 1e-4)
    xf = np.zeros((len(tf), 4))
    for s in sols:
        sel = (tf >= s.t[0]) & (tf <= s.t[-1])
        xf[sel] = s.sol(tf[sel]).T
    i = int(np.argmax(abs(xf[:, 2])))
    j = int(np.argmax(abs(xf[:, 3])))
    p = xf[:, 3]
    k = int(np.nonzero((p[1:-1] > p[:-2]) & (p[1:-1] >= p[2:]) & (p[1:-1] > 1.0))[0][0]) + 1
    truth.update({"peak_roll_deg": float(xf[i, 2]), "peak_roll_time_s": float(tf[i]),
                  "peak_roll_rate_deg_s": float(xf[j, 3]), "peak_roll_rate_time_s": float(tf[j]),
                  "first_roll_rate_peak_s": float(tf[k]),
                  "first_roll_rate_peak_deg_s": float(p[k])})
    hgt = 1000 * LIFT["track_m"] * np.sin(np.clip(abs(xf[:, 2]) - LIFT["roll_at_lift_deg"], 0, None) / DEG)
    lifted = np.nonzero(hgt >= LIFT["criterion_mm"])[0]
    truth["max_lift_mm"] = float(hgt.max())
    truth["two_wheel_lift"] = bool(len(lifted))
    truth["lift_start_s"] = float(tf[lifted[0]]) if len(lifted) else None
    truth["lift_end_s"] = float(tf[lifted[-1]]) if len(lifted) else None
    truth["lift_model"] = LIFT
    truth["roll_model"] = ROLL_ROLLOVER
    return [what + "; tanh tyres (friction %g); roll model %s; %g Hz" % (m.p["mu"], ROLL_ROLLOVER, fs)], \
        table(m, ts, xs, st, fs, ("roll", "roll rate"), lift=lift), truth


def catalogue(fs):
    """Every log at one sample rate: name -> function(veh)."""
    r = "100hz" if fs == 100 else "1khz"
    return {
        "step_%s" % r: lambda v: step_log(v, fs),
        "step_left_%s" % r: lambda v: step_log(v, fs, amp=-40.0, t_on=0.6, rise=0.2, t_end=4.0),
        "sine_%s" % r: lambda v: sine_log(v, fs),
        "sweep_%s" % r: lambda v: sweep_log(v, fs),
        "random_%s" % r: lambda v: random_log(v, fs, T=120.0),
        "csine_%s" % r: lambda v: csine_log(v, fs),
        "understeer_%s" % r: lambda v: understeer_log(v, fs),
        # nearer the quasi-steady curve: lateral acceleration rising at 0.025 g/s,
        # to the angle of 1.25 g in the linear model
        "understeer_tanh_%s" % r: lambda v: understeer_log(v, fs, tyre="tanh", rate=0.025 * handwheel_gradient(v),
                                                          top=1.25 * handwheel_gradient(v)),
        "fishhook_%s" % r: lambda v: rollover_log(v, fs, "fishhook"),
        "jturn_%s" % r: lambda v: rollover_log(v, fs, "jturn"),
        "bad_short_hold_%s" % r: lambda v: step_log(v, fs, t_end=3.0),
        # the same noise density at either rate: sd grows with the square root of the rate
        "bad_low_coherence_%s" % r: lambda v: sweep_log(
            v, fs, amp=1.0, T=20.0, noise={"seed": 11, "sd": {"yaw rate": 4.0 * math.sqrt(fs / 100.0),
                                                              "lateral acceleration": 0.1 * math.sqrt(fs / 100.0)}}),
        "bad_outside_linear_%s" % r: lambda v: understeer_log(v, fs, tyre="tanh", start=120.0),
    }


STORED = {
    "step_100hz": lambda v: step_log(v, 100),
    "step_1khz": lambda v: step_log(v, 1000, t_on=0.3, t_end=3.4, extra=()),
    "sine_100hz": lambda v: sine_log(v, 100),
    "sweep_100hz": lambda v: sweep_log(v, 100),
    "random_100hz": lambda v: random_log(v, 100, T=60.0),
    "understeer_100hz": lambda v: understeer_log(v, 100),
    "understeer_tanh_100hz": lambda v: understeer_log(v, 100, tyre="tanh", extra=()),
    "fishhook_100hz": lambda v: rollover_log(v, 100, "fishhook"),
    "jturn_100hz": lambda v: rollover_log(v, 100, "jturn"),
    "bad_short_hold_100hz": lambda v: step_log(v, 100, t_end=3.0, extra=()),
    "bad_low_coherence_100hz": lambda v: sweep_log(
        v, 100, amp=1.0, T=20.0, noise={"seed": 11, "sd": {"yaw rate": 4.0, "lateral acceleration": 0.1}}),
    "bad_outside_linear_100hz": lambda v: understeer_log(v, 100, tyre="tanh", start=120.0, rate=27.0,
                                                         extra=()),
}


def make(makers, veh, vfile, out, names=None):
    os.makedirs(out, exist_ok=True)
    tpath = os.path.join(out, "truth.json")
    truth = {}
    if names and os.path.exists(tpath):
        with open(tpath) as f:
            truth = json.load(f)["logs"]
    for name, fn in makers.items():
        if names and name not in names:
            continue
        comments, text, tr = fn(veh)
        comments = ["made by make_logs.py from %s (vehicle %s, %g km/h)" % (
            os.path.basename(vfile), veh["name"], veh["speed_kmh"])] + comments
        write(os.path.join(out, name + ".csv"), comments, text)
        truth[name] = tr
    with open(tpath, "w") as f:
        json.dump({"vehicle": os.path.relpath(vfile, HERE), "logs": truth}, f, indent=1)
        f.write("\n")
    return truth


def main(argv):
    ap = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    ap.add_argument("--out", default=os.path.join(HERE, "logs"))
    ap.add_argument("--all", action="store_true", help="every log at 100 Hz and 1 kHz")
    ap.add_argument("--vehicle", default=os.path.join(HERE, "vehicles", "default.veh"))
    ap.add_argument("--only", nargs="*", help="only these log names")
    args = ap.parse_args(argv)
    veh = read_vehicle(args.vehicle)
    makers = STORED
    if args.all:
        makers = {**catalogue(100), **catalogue(1000)}
    make(makers, veh, args.vehicle, args.out, args.only)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
