#!/usr/bin/python3
"""Vehicle-response figures from measured test logs (a second implementation).

    evaluate_reference.py step|sine|response|understeer|rollover LOG...
                          [--steering-ratio R --wheelbase L] [--json]

  step        step steer (ISO 7401)
  sine        single-period sine (ISO 7401)
  response    frequency response from a sweep, continuous sine or random
              steer (ISO 7401)
  understeer  slowly increasing steer at constant speed (ISO 4138)
  rollover    fishhook or J-turn (NHTSA rollover procedures)

Logs: '#' comment lines, a header naming the columns with units in brackets,
comma-separated rows at a constant rate of 100 Hz to 1 kHz.  Columns by name
(case ignored): time, steer (handwheel), yaw rate, lateral acceleration,
speed; optional sideslip, roll, roll rate, and one whose name contains
"lift".  Exit 0 when every log gave its figures, 2 when one was bad (the
message says why), 1 on a usage error.

Choices where the standards leave one open
------------------------------------------
C1  Filter (step, sine, rollover): the response channels (yaw rate, lateral
    acceleration, sideslip, roll, roll rate) are low-passed by a 2nd-order
    Butterworth filter at 10 Hz run forward and backward (zero phase, 4th
    order in magnitude).  The steer is used as logged: a steering machine's
    angle is clean, and a low-pass would round the corners whose timing the
    rise time and time zero measure.
C2  Filter (understeer): the same filter type at 2 Hz, applied to every
    channel including the steer, so the curve's relation is undistorted.
C3  Baseline: straight running before the steer moves, i.e. the samples up
    to 0.05 s before the steer first departs from its first value by more
    than 2 % of its largest departure or 0.5 deg, whichever is less; at least
    0.1 s of it is required.  Its mean is subtracted from every channel (step,
    sine, rollover, and response, where C9 says more).  Understeer: the same,
    but only when the log begins straight (|lateral acceleration| <= 0.05 g
    over the baseline); a run that begins in a turn is taken as logged, with
    offsets assumed zero.
C4  Time zero (step): the first instant the steer reaches 50 % of its change,
    linearly interpolated between samples.  The change is the steer's mean in
    the steady-state window less the baseline.
C5  Steady state (step): the mean over the window from time zero + 2.0 s to
    time zero + 3.0 s.  The steer must hold within 5 % of its change of its
    hold level (the median of the samples beyond 90 % of the largest
    departure) from its 90 % crossing to the window's end, otherwise "no hold
    long enough for a steady state".  The yaw rate and lateral acceleration
    must be steady there: the means of the window's first and last 0.2 s
    differ by no more than 2 % of the steady value.
C6  Response time: from time zero to the first instant the response reaches
    90 % of its steady state, linearly interpolated.  Steer rise time: from
    the steer's 10 % to its 90 % crossing.
C7  Peak (step): the largest sample of the response in its steady state's
    direction between time zero and the window's end, refined by the vertex
    of the parabola through it and its two neighbours.  Overshoot =
    (peak - steady)/steady in percent.  The peak response time is given only
    when the overshoot is at least 0.25 %; below that the response has no
    peak worth timing and it is reported as "none".  TB factor = yaw-rate
    peak response time times the steady-state sideslip (deg, signed as
    logged), where sideslip is logged and the yaw rate has a peak.
C8  Peaks (single-period sine): the steer's peaks are its largest and
    smallest samples, refined by a parabola; the earlier is the first.  With
    H the time between them, the response's first peak is its extreme of the
    first steer peak's sign within [first steer peak - H/2, first steer peak
    + H], the second its extreme of the other sign within [second steer peak
    - H/2, second steer peak + H], each refined by a parabola.  Time lag =
    response peak time - steer peak time; peak gain = |response peak| /
    |steer peak| (deg/s per deg; g per 100 deg).
C9  Spectra (response): H1 = G_steer,response / G_steer,steer by Welch
    averaging: segments of 20 s (0.05 Hz resolution, 1 Hz a bin), Hann
    window, 75 % overlap (at which the squared Hann windows sum to a constant,
    so every instant of the log weighs the same), no filter (a filter common
    to steer and response cancels in H1).  The baseline (C3) is subtracted
    and the log is extended by one segment of straight running (zeros) at
    each end that is straight running, so that the start and end of a sweep
    weigh as much as its middle; no other detrending.  A log that does not
    begin straight has its means subtracted instead and is not extended.  The
    log must be at least one segment (20 s) long.
C10 Coherence and valid frequencies: coherence^2 = |G_xy|^2 / (G_xx G_yy)
    from 5 s segments (Hann, 50 % overlap, same extended signals), taken to
    the H1 frequencies by linear interpolation: with 20 s segments a 25 s
    sweep gives about one independent average and its coherence would read
    near 1 whatever the noise.  A frequency is valid where coherence^2 >=
    0.80 and the steer's auto-spectrum is at least 1 % of its maximum;
    others are marked "low coherence" or "no input" and give no figure.
    Frequencies listed: 0.05 Hz to 5 Hz.  A steer whose power lies for 90 %
    or more within +-2 bins of its peak is a continuous sine: only its peak
    bin gives a figure, labelled with the steer's frequency from its upward
    zero crossings.
C11 Steady-state gain: the gain at the lowest valid frequency (its frequency
    is stated).
C12 Resonance (yaw rate): the largest yaw-rate gain among the valid bins,
    refined by the vertex of the parabola through it and its two neighbours
    (all valid); none when the largest is at an end of the valid range or not
    above the steady-state gain.  Peak ratio = resonance gain / steady-state
    gain (C11).
C13 Phase at 1 Hz: the unwrapped phase (deg, negative = lag) interpolated
    linearly at 1 Hz between valid bins; with 20 s segments 1 Hz is a bin.
    Gain at 1 Hz likewise.  A log whose coherence at 1 Hz is below the limit
    is rejected ("sweep below the coherence limit").  Equivalent time lag =
    -phase(1 Hz)/(360 deg x 1 Hz).
C14 Understeer curve: the samples from the steer's start to its largest
    departure, all channels filtered (C2) and baseline-removed (C3), signs
    normalised so the steer is positive.  The steer and lateral-acceleration
    rates in the base range are printed, so a reviewer can judge whether the
    run was slow enough to be quasi-steady (the figures assume it was).
C15 Linear range: the base range is 0.1 g to 0.2 g, its gradient the least-
    squares slope of steer on lateral acceleration there.  Local gradients are
    least-squares slopes over +-0.025 g, at centres 0.125 g, 0.130 g, ...;
    the curve leaves linear at the first centre whose local gradient differs
    from the base gradient by more than 10 %.  The linear range runs from
    0.1 g to that centre (or to the highest centre the run covers, if it
    never leaves).  A run that does not cover the base range, or whose
    curve already departs inside it, is "outside the linear range".
C16 Understeer gradient (deg/g) = steer gradient over the linear range /
    steering ratio - (180/pi) L g / u^2, the Ackermann part taken at the mean
    speed u of the linear range.  Characteristic speed sqrt(L / K), K in rad
    per m/s^2, where K > 0.  Roll and sideslip gradients: least-squares slopes
    over the linear range.
C17 Rollover: peak roll angle and roll rate are the largest absolute samples,
    refined by a parabola.  The manoeuvre is a fishhook when the steer
    reaches the other sign by more than half its first amplitude, a J-turn
    otherwise.  Countersteer time: where the line through the steer's 90 %
    and 50 % crossings on its way back from the first amplitude meets that
    amplitude.  The roll-rate peak the machine waited for is the largest roll
    rate (in the first steer's direction) between the steer's start and the
    countersteer (J-turn: up to the steer's return below half its amplitude,
    or the log's end); the time the roll rate then falls to 1.5 deg/s (the
    procedure's roll-rate feedback condition) is given too.
C18 Two-wheel lift (NHTSA): both wheels of one side at least 2 in (50.8 mm)
    off the ground at once.  A lift column in mm, cm, m or in is held against
    that height; a column without a length unit (0 down, 1 lifted) is taken
    as the logger's own lift flag (lifted where >= 0.5), and the height
    cannot be checked.  Without a lift column lift is not assessed.
C19 Sideslip is used as logged (the simulator logs atan(v/u) in deg).
"""
import argparse
import json
import math
import re
import sys

import numpy as np
from scipy import signal

G = 9.80665
DEG = 180.0 / math.pi

FILTER_HZ, FILTER_ORDER = 10.0, 2                       # C1
US_FILTER_HZ = 2.0                                      # C2
BASE_DEPART, BASE_DEPART_DEG, BASE_MARGIN, BASE_MIN = 0.02, 0.5, 0.05, 0.1  # C3
STRAIGHT_G = 0.05                                       # C3 (understeer)
SS_FROM, SS_TO, HOLD_TOL, SS_DRIFT = 2.0, 3.0, 0.05, 0.02   # C5
PEAK_MIN_OVERSHOOT = 0.25                               # C7, percent
SEG_S, OVERLAP, COH_MIN, INPUT_MIN = 20.0, 0.75, 0.80, 0.01  # C9, C10
END_S = 0.5                                             # C9
COH_SEG_S, COH_OVERLAP = 5.0, 0.5                       # C10
F_MIN, F_MAX = 0.05, 5.0                                # C10
BASE_LO, BASE_HI, HALF_WIN, STEP_C, LIN_TOL = 0.1, 0.2, 0.025, 0.005, 0.10  # C15
ROLL_RATE_FEEDBACK = 1.5                                # C17, deg/s
LIFT_MM = 50.8                                          # C18

NAMES = ["time", "steer", "yaw rate", "lateral acceleration", "speed",
         "sideslip", "roll", "roll rate"]
REQUIRED = NAMES[:5]
UNITS = {  # accepted units -> factor to the unit used here
    "time": {"s": 1.0, "ms": 1e-3},
    "steer": {"deg": 1.0, "rad": DEG},
    "yaw rate": {"deg/s": 1.0, "rad/s": DEG},
    "lateral acceleration": {"g": 1.0, "m/s^2": 1 / G, "m/s2": 1 / G, "m/s²": 1 / G},
    "speed": {"km/h": 1.0, "m/s": 3.6, "kph": 1.0},
    "sideslip": {"deg": 1.0, "rad": DEG},
    "roll": {"deg": 1.0, "rad": DEG},
    "roll rate": {"deg/s": 1.0, "rad/s": DEG},
}
LIFT_UNITS = {"mm": LIFT_MM, "cm": LIFT_MM / 10, "m": LIFT_MM / 1000, "in": 2.0}


class BadLog(Exception):
    pass


# ---------------------------------------------------------------- reading
def read_log(path):
    try:
        with open(path, newline="") as f:
            text = f.read()
    except OSError as e:
        raise BadLog("cannot read the log: %s" % e.strerror)
    lines = [l.rstrip("\r") for l in text.split("\n")]
    lines = [l for l in lines if l.strip() and not l.lstrip().startswith("#")]
    if len(lines) < 2:
        raise BadLog("no header and data rows")
    cols = {}
    lift = None
    for i, h in enumerate(lines[0].split(",")):
        m = re.match(r"^\s*(.*?)\s*(?:\[(.*?)\])?\s*$", h)
        name, unit = m.group(1).lower(), (m.group(2) or "").strip()
        if name in UNITS:
            fac = UNITS[name].get(unit.lower())
            if fac is None:
                raise BadLog("column '%s': unit '%s' not understood" % (h.strip(), unit))
            cols[name] = (i, fac)
        elif "lift" in name:
            if lift is not None:
                raise BadLog("more than one lift column ('%s' and '%s')" % (lift[2], h.strip()))
            lift = (i, unit.lower(), h.strip())
    missing = [n for n in REQUIRED if n not in cols]
    if missing:
        raise BadLog("missing column(s): %s" % ", ".join(missing))
    try:
        rows = np.array([[float(x) for x in l.split(",")] for l in lines[1:]])
    except ValueError as e:
        raise BadLog("a data row is not numeric (%s)" % e)
    if rows.ndim != 2 or rows.shape[1] != len(lines[0].split(",")):
        raise BadLog("rows do not match the header's columns")
    d = {n: rows[:, i] * fac for n, (i, fac) in cols.items()}
    if lift is not None:
        d["lift"] = rows[:, lift[0]]
        d["lift_unit"] = lift[1]
        d["lift_name"] = lift[2]
    t = d["time"]
    dt = np.diff(t)
    if len(t) < 10 or np.any(dt <= 0):
        raise BadLog("time does not increase")
    h = float(np.median(dt))
    if np.max(abs(dt - h)) > 0.01 * h:
        raise BadLog("sample rate not constant (steps %.6g to %.6g s)" % (dt.min(), dt.max()))
    fs = 1.0 / h
    if not 99.0 <= fs <= 1001.0:
        raise BadLog("sample rate %.4g Hz outside 100 Hz to 1 kHz" % fs)
    d["fs"] = fs
    d["n"] = len(t)
    return d


def lowpass(x, fc, fs):
    b, a = signal.butter(FILTER_ORDER, fc / (fs / 2.0))
    return signal.filtfilt(b, a, x)


def baseline(d):
    """C3: index range of straight running before the steer moves."""
    st = d["steer"]
    dev = st - st[0]
    big = np.max(abs(dev))
    if big == 0:
        raise BadLog("the steer never moves")
    k = int(np.argmax(abs(dev) > min(BASE_DEPART * big, BASE_DEPART_DEG)))
    t_move = d["time"][k]
    sel = d["time"] <= t_move - BASE_MARGIN
    if d["time"][sel][-1:].size == 0 or t_move - BASE_MARGIN - d["time"][0] < BASE_MIN - 1e-9:
        raise BadLog("no straight running before the steer moves (needs %.2f s; the steer moves at %.3f s)"
                     % (BASE_MIN + BASE_MARGIN, t_move))
    return sel, t_move


def crossing(t, y, level, start=0, rising=True):
    """First time after index `start` that y crosses `level` (linear interpolation)."""
    s = 1.0 if rising else -1.0
    z = s * (y[start:] - level)
    idx = np.nonzero(z >= 0)[0]
    if not len(idx):
        return None
    i = idx[0] + start
    if i == 0 or s * (y[i - 1] - level) >= 0:
        return t[i]          # already beyond the level: no crossing to interpolate
    y0, y1 = y[i - 1], y[i]
    return t[i - 1] + (level - y0) / (y1 - y0) * (t[i] - t[i - 1])


def parabola_peak(t, y, i):
    """Vertex of the parabola through samples i-1, i, i+1."""
    if i <= 0 or i >= len(y) - 1:
        return t[i], y[i]
    y0, y1, y2 = y[i - 1], y[i], y[i + 1]
    den = y0 - 2 * y1 + y2
    if den == 0:
        return t[i], y[i]
    x = 0.5 * (y0 - y2) / den
    h = t[i + 1] - t[i]
    return t[i] + x * h, y1 - 0.25 * (y0 - y2) * x


class Report:
    def __init__(self, path, mode):
        self.path, self.mode = path, mode
        self.steps = []      # (name, text)
        self.figs = []       # (key, label, value, unit)
        self.signed = set()  # keys of figures that carry the steer's sign
        self.sign = 1.0      # the steer's sign (step and sine)

    def step(self, name, text):
        self.steps.append((name, text))

    def fig(self, key, label, value, unit, signed=False):
        self.figs.append((key, label, value, unit))
        if signed:
            self.signed.add(key)

    def as_dict(self):
        return {"log": self.path, "mode": self.mode,
                "steps": [{"name": n, "text": t} for n, t in self.steps],
                "figures": {k: {"label": l, "value": v, "unit": u} for k, l, v, u in self.figs}}


def describe(d, rep):
    extra = [n for n in ("sideslip", "roll", "roll rate") if n in d]
    if "lift" in d:
        extra.append(d["lift_name"])
    rep.step("read", "%d samples at %.6g Hz, %.3f s to %.3f s; optional columns: %s"
             % (d["n"], d["fs"], d["time"][0], d["time"][-1], ", ".join(extra) or "none"))


def filter_responses(d, rep, names=("yaw rate", "lateral acceleration", "sideslip", "roll", "roll rate")):
    have = [n for n in names if n in d]
    for n in have:
        d[n] = lowpass(d[n], FILTER_HZ, d["fs"])
    rep.step("filter", "%s: %d%s-order Butterworth low-pass at %g Hz, run forward and backward "
             "(zero phase); steer as logged" % (", ".join(have), FILTER_ORDER, "nd", FILTER_HZ))


def remove_baseline(d, rep, names):
    sel, t_move = baseline(d)
    t = d["time"]
    for n in names:
        if n in d:
            d[n] = d[n] - np.mean(d[n][sel])
    rep.step("baseline", "means over %.3f-%.3f s (straight running; the steer moves at %.3f s) "
             "subtracted from %s" % (t[sel][0], t[sel][-1], t_move, ", ".join(n for n in names if n in d)))
    return t_move


# ---------------------------------------------------------------- step
def eval_step(d, rep):
    describe(d, rep)
    filter_responses(d, rep)
    resp = [n for n in ("yaw rate", "lateral acceleration", "sideslip", "roll") if n in d]
    t_move = remove_baseline(d, rep, ["steer"] + resp + (["roll rate"] if "roll rate" in d else []))
    t, st = d["time"], d["steer"]
    k = int(np.argmax(abs(st)))
    s = 1.0 if st[k] > 0 else -1.0
    hold = float(np.median(st[s * st >= 0.9 * abs(st[k])]))
    i_move = int(np.searchsorted(t, t_move))
    t50 = crossing(t, s * st, 0.5 * abs(hold), i_move)
    t90 = crossing(t, s * st, 0.9 * abs(hold), i_move)
    i90 = int(np.searchsorted(t, t90))
    i_in = i90 + int(np.argmax(abs(st[i90:] - hold) <= HOLD_TOL * abs(hold)))
    off = np.nonzero(abs(st[i_in:] - hold) > HOLD_TOL * abs(hold))[0]
    t_hold_end = t[i_in + off[0]] if len(off) else t[-1]
    need = t50 + SS_TO
    if t_hold_end < need - 0.5 / d["fs"]:
        raise BadLog("no hold long enough for a steady state: the steer holds %.3f s after time zero "
                     "(%.3f s), the steady-state window needs %.2f s (to %.3f s)"
                     % (t_hold_end - t50, t50, SS_TO, need))
    win = (t >= t50 + SS_FROM - 1e-9) & (t <= t50 + SS_TO + 1e-9)
    change = float(np.mean(st[win]))
    # time zero from the change measured in the window (C4)
    t0 = crossing(t, s * st, 0.5 * abs(change), i_move)
    t10 = crossing(t, s * st, 0.1 * abs(change), i_move)
    t90 = crossing(t, s * st, 0.9 * abs(change), i_move)
    win = (t >= t0 + SS_FROM - 1e-9) & (t <= t0 + SS_TO + 1e-9)
    rep.step("time zero", "steer reaches 50 %% of its change (%.4g deg) at %.4f s" % (change, t0))
    rep.step("steady-state window", "mean over %.4f-%.4f s (time zero + %.1f s to + %.1f s), %d samples"
             % (t0 + SS_FROM, t0 + SS_TO, SS_FROM, SS_TO, int(win.sum())))
    rep.fig("time_zero", "time zero", t0, "s")
    rep.sign = 1.0 if change > 0 else -1.0
    rep.fig("steer_change", "steer change", change, "deg", signed=True)
    rep.fig("steer_rise_time", "steer rise time (10-90 %)", t90 - t10, "s")
    i0 = int(np.searchsorted(t, t0))
    iw = np.nonzero(win)[0]
    nd = max(2, int(round(0.2 * d["fs"])))
    ss = {}
    for n in resp:
        y = d[n]
        yss = float(np.mean(y[win]))
        ss[n] = yss
        if n in ("yaw rate", "lateral acceleration"):
            drift = np.mean(y[iw[-nd:]]) - np.mean(y[iw[:nd]])
            if abs(drift) > SS_DRIFT * abs(yss):
                raise BadLog("%s not steady in the window: it drifts %.3g %% of its steady value"
                             % (n, 100 * drift / yss))
    gain_unit = {"yaw rate": ("deg/s per deg", 1.0), "lateral acceleration": ("g per 100 deg", 100.0),
                 "sideslip": ("deg per deg", 1.0), "roll": ("deg per deg", 1.0)}
    unit = {"yaw rate": "deg/s", "lateral acceleration": "g", "sideslip": "deg", "roll": "deg"}
    for n in resp:
        key = n.replace(" ", "_")
        rep.fig(key + ".steady", "steady-state " + n, ss[n], unit[n], signed=True)
        gu, gf = gain_unit[n]
        rep.fig(key + ".gain", n + " gain", ss[n] / change * gf, gu)
    if "roll" in ss:
        rep.fig("roll.per_lateral_acceleration", "roll per lateral acceleration",
                ss["roll"] / ss["lateral acceleration"], "deg/g")
    for n in ("yaw rate", "lateral acceleration"):
        key = n.replace(" ", "_")
        y, yss = d[n], ss[n]
        sg = 1.0 if yss > 0 else -1.0
        tr = crossing(t, sg * y, 0.9 * abs(yss), i0)
        if tr is None:
            raise BadLog("%s never reaches 90 %% of its steady state after time zero" % n)
        rep.fig(key + ".response_time", n + " response time (90 %)", tr - t0, "s")
        seg = np.arange(i0, iw[-1] + 1)
        ip = seg[int(np.argmax(sg * y[seg]))]
        tp, yp = parabola_peak(t, sg * y, ip)
        over = (yp - abs(yss)) / abs(yss) * 100.0
        rep.fig(key + ".overshoot", n + " overshoot", over, "%")
        rep.fig(key + ".peak_response_time", n + " peak response time",
                tp - t0 if over >= PEAK_MIN_OVERSHOOT else None, "s")
        rep.fig(key + ".peak", n + " peak value", sg * yp, unit[n], signed=True)
    tp = dict((k, v) for k, _, v, _ in rep.figs).get("yaw_rate.peak_response_time")
    if "sideslip" in ss:
        rep.fig("tb_factor", "TB factor (yaw-rate peak response time x steady sideslip)",
                tp * ss["sideslip"] if tp is not None else None, "s deg", signed=True)
    rep.step("peaks", "largest sample from time zero to the window's end, parabola through it and its "
             "neighbours; peak response time given when the overshoot is >= %.2f %%" % PEAK_MIN_OVERSHOOT)


# ---------------------------------------------------------------- sine
def eval_sine(d, rep):
    describe(d, rep)
    filter_responses(d, rep)
    resp = ["yaw rate", "lateral acceleration"]
    remove_baseline(d, rep, ["steer"] + resp)
    t, st = d["time"], d["steer"]
    i1, i2 = int(np.argmax(st)), int(np.argmin(st))
    if i1 > i2:
        i1, i2 = i2, i1
    if not st[i1] * st[i2] < 0:
        raise BadLog("the steer has no positive and negative peak: not a single-period sine")
    s1 = 1.0 if st[i1] > 0 else -1.0
    ts1, sv1 = parabola_peak(t, s1 * st, i1)
    ts2, sv2 = parabola_peak(t, -s1 * st, i2)
    sv1, sv2 = s1 * sv1, -s1 * sv2
    H = ts2 - ts1
    rep.step("steer peaks", "%.4f s (%.4g deg) and %.4f s (%.4g deg); parabola through the extreme samples"
             % (ts1, sv1, ts2, sv2))
    rep.step("response peaks", "first: extreme of the first peak's sign in [%.3f, %.3f] s; second: of the "
             "other sign in [%.3f, %.3f] s; parabola through the extreme samples"
             % (ts1 - H / 2, ts1 + H, ts2 - H / 2, ts2 + H))
    rep.sign = s1
    rep.fig("steer.first_peak", "steer first peak", sv1, "deg", signed=True)
    rep.fig("steer.second_peak", "steer second peak", sv2, "deg", signed=True)
    rep.fig("steer.frequency", "steer frequency (1 / twice the time between its peaks)", 1.0 / (2 * H), "Hz")
    for n, gu, gf in (("yaw rate", "deg/s per deg", 1.0), ("lateral acceleration", "g per 100 deg", 100.0)):
        key = n.replace(" ", "_")
        y = d[n]
        for which, sg, tsp, svp in (("first", s1, ts1, sv1), ("second", -s1, ts2, sv2)):
            sel = np.nonzero((t >= tsp - H / 2) & (t <= tsp + H))[0]
            i = sel[int(np.argmax(sg * y[sel]))]
            if i in (sel[0], sel[-1]):
                raise BadLog("%s: no %s peak inside its search window" % (n, which))
            tp, yp = parabola_peak(t, sg * y, i)
            rep.fig("%s.%s_lag" % (key, which), "%s time lag, %s peak" % (n, which), tp - tsp, "s")
            rep.fig("%s.%s_gain" % (key, which), "%s peak gain, %s peak" % (n, which),
                    yp / abs(svp) * gf, gu)


# ---------------------------------------------------------------- response
def eval_response(d, rep):
    describe(d, rep)
    fs = d["fs"]
    nper = int(round(SEG_S * fs))
    if d["n"] < nper:
        raise BadLog("log too short for the spectra: %.1f s, a segment is %g s" % (d["n"] / fs, SEG_S))
    names = ["steer", "yaw rate", "lateral acceleration"]
    try:
        remove_baseline(d, rep, names)
        pre = True
    except BadLog:
        for n in names:
            d[n] = d[n] - np.mean(d[n])
        rep.step("baseline", "no straight running before the steer moves: the means of the whole log "
                 "subtracted; the log is not extended")
        pre = False
    x = d["steer"]
    ne = max(2, int(round(END_S * fs)))
    big = np.max(abs(x))
    post = pre and np.max(abs(x[-ne:])) <= BASE_DEPART * big
    pads = (nper if pre else 0, nper if post else 0)
    sig = {n: np.concatenate([np.zeros(pads[0]), d[n], np.zeros(pads[1])]) for n in names}
    x = sig["steer"]
    kw = dict(fs=fs, window="hann", nperseg=nper, noverlap=int(round(OVERLAP * nper)), detrend=False)
    f, pxx = signal.welch(x, **kw)
    nseg = 1 + (len(x) - nper) // (nper - kw["noverlap"])
    rep.step("extend", "straight running (zeros) for one segment added %s" % (
        {(True, True): "before and after the log", (True, False): "before the log only (it ends steering)",
         (False, False): "nowhere (the log starts steering)"}[(pre, post)]))
    rep.step("spectra", "Welch: %d-sample (%g s) segments, Hann window, %d %% overlap, %d segments, no "
             "detrending past the baseline, no filter; H1 = G_xy/G_xx"
             % (nper, SEG_S, OVERLAP * 100, nseg))
    band = (f >= F_MIN - 1e-9) & (f <= F_MAX + 1e-9)
    df = f[1] - f[0]
    # continuous sine? (C10)
    ip = int(np.argmax(pxx * (f > 0)))
    near = (np.arange(len(f)) >= ip - 2) & (np.arange(len(f)) <= ip + 2)
    csine = pxx[near].sum() >= 0.9 * pxx[f > 0].sum()
    nc = int(round(COH_SEG_S * fs))
    kwc = dict(fs=fs, window="hann", nperseg=nc, noverlap=int(round(COH_OVERLAP * nc)), detrend=False)
    out = {}
    for n, gf in (("yaw rate", 1.0), ("lateral acceleration", 100.0)):
        _, pxy = signal.csd(x, sig[n], **kw)
        _, pyy = signal.welch(sig[n], **kw)
        h = pxy / pxx
        # coherence from shorter segments (C10), taken to the H1 frequencies
        fc, cc = signal.coherence(x, sig[n], **kwc)
        coh = np.interp(f, fc, cc)
        ok = (coh >= COH_MIN) & (pxx >= INPUT_MIN * pxx[band].max()) & band
        if csine:
            ok &= near & (np.arange(len(f)) == ip)
        out[n] = (h * gf, coh, ok)
    rep.step("coherence", "coherence^2 = |G_xy|^2/(G_xx G_yy) from %g s segments (Hann, %d %% overlap), "
             "interpolated linearly to the H1 frequencies" % (COH_SEG_S, COH_OVERLAP * 100))
    rep.step("validity", "a frequency is valid where coherence^2 >= %.2f and the steer's auto-spectrum is "
             ">= %g %% of its maximum; %.2f-%.2f Hz listed" % (COH_MIN, INPUT_MIN * 100, F_MIN, F_MAX))
    rep.table = []
    hy, cy, oky = out["yaw rate"]
    ha, ca, oka = out["lateral acceleration"]
    ph_y = np.degrees(np.unwrap(np.angle(hy)))
    ph_a = np.degrees(np.unwrap(np.angle(ha)))
    # unwrap from the valid range (phases near 0 at low frequency)
    for ph, ok in ((ph_y, oky), (ph_a, oka)):
        if ok.any():
            j = np.nonzero(ok)[0][0]
            ph -= 360.0 * round(ph[j] / 360.0) if abs(ph[j]) > 180 else 0.0
    for i in np.nonzero(band)[0]:
        row = {"frequency_hz": f[i]}
        for key, hh, cc, oo, pp in (("yaw_rate", hy, cy, oky, ph_y), ("lateral_acceleration", ha, ca, oka, ph_a)):
            row[key + ".coherence"] = float(cc[i])
            if oo[i]:
                row[key + ".gain"], row[key + ".phase_deg"] = float(abs(hh[i])), float(pp[i])
            else:
                row[key + ".gain"] = row[key + ".phase_deg"] = None
                row[key + ".mark"] = "low coherence" if cc[i] < COH_MIN else "no input"
        rep.table.append(row)
    if csine:
        tz = d["time"]
        xs = d["steer"] - d["steer"].mean()
        up = np.nonzero((xs[:-1] < 0) & (xs[1:] >= 0) & (abs(xs).max() > 0))[0]
        tc = [tz[i] - xs[i] / (xs[i + 1] - xs[i]) * (tz[i + 1] - tz[i]) for i in up]
        fsine = (len(tc) - 1) / (tc[-1] - tc[0]) if len(tc) > 2 else f[ip]
        rep.step("continuous sine", "the steer is a continuous sine: %.4f Hz from its zero crossings; only "
                 "the bin at %.2f Hz gives figures" % (fsine, f[ip]))
        if not (oky[ip] and oka[ip]):
            raise BadLog("continuous sine below the coherence limit (coherence^2 %.3f, %.3f)" % (cy[ip], ca[ip]))
        rep.fig("sine_frequency", "steer frequency", fsine, "Hz")
        rep.fig("yaw_rate.gain", "yaw rate gain", abs(hy[ip]), "deg/s per deg")
        rep.fig("yaw_rate.phase", "yaw rate phase", ph_y[ip], "deg")
        rep.fig("lateral_acceleration.gain", "lateral acceleration gain", abs(ha[ip]), "g per 100 deg")
        rep.fig("lateral_acceleration.phase", "lateral acceleration phase", ph_a[ip], "deg")
        return
    jlo = int(np.floor(1.0 / df + 1e-9))
    near1 = [jlo] if abs(f[jlo] - 1.0) < 1e-9 else [jlo, jlo + 1]
    fails = []
    for n, ok, c in (("yaw rate", oky, cy), ("lateral acceleration", oka, ca)):
        if not all(ok[j] for j in near1):
            cmin = min(c[j] for j in near1)
            fails.append("%s coherence^2 at 1 Hz is %.3f%s" % (
                n, cmin, "" if cmin < COH_MIN else " but the steer has no power there"))
    if fails:
        raise BadLog("sweep below the coherence limit (%.2f): %s" % (COH_MIN, "; ".join(fails)))
    for key, n, hh, ok, ph, gu in (("yaw_rate", "yaw rate", hy, oky, ph_y, "deg/s per deg"),
                                   ("lateral_acceleration", "lateral acceleration", ha, oka, ph_a, "g per 100 deg")):
        j = np.nonzero(ok)[0][0]
        rep.fig(key + ".steady_gain_frequency", n + " steady-state gain frequency (lowest valid)", f[j], "Hz")
        rep.fig(key + ".steady_gain", n + " steady-state gain", abs(hh[j]), gu)
        gain1 = float(np.interp(1.0, f, abs(hh)))
        phase1 = float(np.interp(1.0, f, ph))
        rep.fig(key + ".gain_1hz", n + " gain at 1 Hz", gain1, gu)
        rep.fig(key + ".phase_1hz", n + " phase at 1 Hz", phase1, "deg")
        rep.fig(key + ".equivalent_time_lag", n + " equivalent time lag", -phase1 / 360.0, "s")
        if key == "yaw_rate":
            g = np.where(ok, abs(hh), -np.inf)
            k = int(np.argmax(g))
            if 0 < k < len(f) - 1 and ok[k - 1] and ok[k + 1] and g[k] > g[j]:
                fr, gr = parabola_peak(f, abs(hh), k)
                rep.fig("yaw_rate.resonance_frequency", "yaw rate resonance frequency", fr, "Hz")
                rep.fig("yaw_rate.resonance_gain", "yaw rate gain at resonance", gr, gu)
                rep.fig("yaw_rate.peak_ratio", "yaw rate peak ratio", gr / abs(hh[j]), "-")
            else:
                rep.fig("yaw_rate.resonance_frequency", "yaw rate resonance frequency (none in the valid range)",
                        None, "Hz")
                rep.fig("yaw_rate.peak_ratio", "yaw rate peak ratio", None, "-")
    nlow = int(np.sum(band & ~(oky & oka)))
    rep.step("characteristic values", "steady-state gain at the lowest valid frequency; resonance by a "
             "parabola through the largest valid yaw gain and its neighbours; phase interpolated at 1 Hz; "
             "%d of %d listed frequencies marked invalid" % (nlow, int(band.sum())))


# ---------------------------------------------------------------- understeer
def lsq_slope(x, y):
    if len(x) < 3:
        return None
    return float(np.polyfit(x, y, 1)[0])


def eval_understeer(d, rep, sr, wb):
    describe(d, rep)
    names = [n for n in ("steer", "yaw rate", "lateral acceleration", "speed", "sideslip", "roll") if n in d]
    for n in names:
        if n != "speed":
            d[n] = lowpass(d[n], US_FILTER_HZ, d["fs"])
    rep.step("filter", "%s: %d%s-order Butterworth low-pass at %g Hz, forward and backward (zero phase)"
             % (", ".join(n for n in names if n != "speed"), FILTER_ORDER, "nd", US_FILTER_HZ))
    t = d["time"]
    try:
        sel0, t_move = baseline(d)
        straight = np.max(abs(d["lateral acceleration"][sel0])) <= STRAIGHT_G
    except BadLog:
        straight = False
    if straight:
        t_move = remove_baseline(d, rep, [n for n in names if n != "speed"])
    else:
        t_move = t[0]
        rep.step("baseline", "none: the log does not begin in straight running (|lateral acceleration| "
                 "<= %.2f g); channels taken as logged" % STRAIGHT_G)
    st = d["steer"]
    k = int(np.argmax(abs(st)))
    s = 1.0 if st[k] > 0 else -1.0
    sel = (t >= t_move) & (np.arange(len(t)) <= k)
    x = s * d["lateral acceleration"][sel]
    y = s * st[sel]
    rep.step("curve", "steer against lateral acceleration from %.3f s to %.3f s (largest steer), signs "
             "normalised to a positive steer; lateral acceleration %.3f to %.3f g" % (t_move, t[k], x.min(), x.max()))
    inb0 = (x >= BASE_LO) & (x <= BASE_HI)
    if inb0.sum() >= 3:
        rate = np.polyfit(t[sel][inb0], x[inb0], 1)[0]
        rep.step("rate", "in the base range the steer rises at %.3g deg/s and the lateral acceleration at "
                 "%.3g g/s" % (np.polyfit(t[sel][inb0], y[inb0], 1)[0], rate))
    if x.max() < BASE_HI or x.min() > BASE_LO:
        raise BadLog("run outside the linear range: its lateral acceleration spans %.3f-%.3f g and does not "
                     "cover the base range %.2f-%.2f g" % (x.min(), x.max(), BASE_LO, BASE_HI))
    inb = (x >= BASE_LO) & (x <= BASE_HI)
    base = lsq_slope(x[inb], y[inb])
    end, last, grads = None, None, []
    c = BASE_LO + HALF_WIN
    while c + HALF_WIN <= x.max() + 1e-12:
        w = (x >= c - HALF_WIN) & (x <= c + HALF_WIN)
        g = lsq_slope(x[w], y[w])
        grads.append((c, g))
        last = c
        if g is None or abs(g / base - 1.0) > LIN_TOL:
            end = c
            break
        c = round(c + STEP_C, 10)
    if end is not None and end + HALF_WIN <= BASE_HI + 1e-9:
        raise BadLog("run outside the linear range: the local gradient at %.3f g is %.4g deg/g, %+.1f %% "
                     "from the base range's %.4g deg/g (limit %.0f %%)"
                     % (end, grads[-1][1], 100 * (grads[-1][1] / base - 1), base, 100 * LIN_TOL))
    hi = end if end is not None else last
    rep.step("linear range", "base range %.2f-%.2f g, gradient %.5g deg/g; local gradients over +-%.3f g "
             "every %.3f g; limit %.0f %%; %s" % (BASE_LO, BASE_HI, base, HALF_WIN, STEP_C, 100 * LIN_TOL,
             "leaves linear at %.3f g" % end if end is not None else
             "never leaves linear within the run (up to %.3f g)" % last))
    lin = (x >= BASE_LO) & (x <= hi)
    grad = lsq_slope(x[lin], y[lin])
    rep.fig("linear_range.low", "linear range from", BASE_LO, "g")
    rep.fig("linear_range.high", "linear range to", hi, "g")
    rep.fig("leaves_linear_at", "curve leaves linear at", end, "g")
    rep.fig("leaves_linear_steer", "steer where the curve leaves linear",
            float(y[int(np.argmax(x >= end))]) if end is not None else None, "deg")
    rep.fig("steer_gradient", "steer gradient over the linear range", grad, "deg/g")
    u = float(np.mean(d["speed"][sel][lin])) / 3.6
    rep.fig("speed", "mean speed over the linear range", u * 3.6, "km/h")
    if sr and wb:
        ack = wb * G / (u * u) * DEG
        K = grad / sr - ack
        rep.step("understeer gradient", "steer gradient / steering ratio %g - Ackermann gradient L g/u^2 "
                 "(L %g m, u %.4g m/s) = %.4g deg/g" % (sr, wb, u, ack))
        rep.fig("ackermann_gradient", "Ackermann gradient", ack, "deg/g")
        rep.fig("understeer_gradient", "understeer gradient", K, "deg/g")
        rep.fig("characteristic_speed", "characteristic speed",
                math.sqrt(wb / (K / DEG / G)) * 3.6 if K > 0 else None, "km/h")
    else:
        rep.step("understeer gradient", "not computed: needs --steering-ratio and --wheelbase")
    for n, key in (("roll", "roll_gradient"), ("sideslip", "sideslip_gradient")):
        if n in d:
            z = s * d[n][sel]
            rep.fig(key, n + " gradient over the linear range", lsq_slope(x[lin], z[lin]), "deg/g")


# ---------------------------------------------------------------- rollover
def eval_rollover(d, rep):
    describe(d, rep)
    if "roll" not in d and "roll rate" not in d:
        raise BadLog("no roll or roll rate column")
    filter_responses(d, rep, ("roll", "roll rate", "yaw rate", "lateral acceleration"))
    t_move = remove_baseline(d, rep, ["steer"] + [n for n in ("roll", "roll rate", "yaw rate",
                                                             "lateral acceleration") if n in d])
    t, st = d["time"], d["steer"]
    i_move = int(np.searchsorted(t, t_move))
    s = 1.0 if st[i_move] > 0 else -1.0
    a1 = float(np.max(s * st))
    fish = float(np.min(s * st)) < -0.5 * a1
    kind = "fishhook" if fish else "J-turn"
    rep.step("manoeuvre", "%s: first steer %.4g deg%s" % (kind, s * a1, ", then %.4g deg" % (
        -s * float(np.max(-s * st))) if fish else ""))
    rep.fig("first_steer_amplitude", "first steer amplitude", s * a1, "deg")
    for n, key, unit in (("roll", "roll", "deg"), ("roll rate", "roll_rate", "deg/s")):
        if n in d:
            i = int(np.argmax(abs(d[n])))
            sg = 1.0 if d[n][i] > 0 else -1.0
            tp, yp = parabola_peak(t, sg * d[n], i)
            rep.fig("peak_" + key, "peak " + n, sg * yp, unit)
            rep.fig("peak_" + key + "_time", "peak %s time" % n, tp, "s")
    tc = None
    if fish:
        k1 = int(np.argmax(s * st >= 0.99 * a1))
        t90 = crossing(t, s * st, 0.9 * a1, k1, rising=False)
        t50 = crossing(t, s * st, 0.5 * a1, k1, rising=False)
        tc = t90 - 0.25 * (t50 - t90)
        rep.step("countersteer", "line through the steer's 90 %% (%.4f s) and 50 %% (%.4f s) crossings "
                 "on its way back meets the first amplitude at %.4f s" % (t90, t50, tc))
        rep.fig("countersteer_time", "countersteer time", tc, "s")
    if "roll rate" in d:
        p = s * d["roll rate"]
        end = np.searchsorted(t, tc) if tc is not None else len(t) - 1
        if tc is None:
            # J-turn: the first peak up to the end of the first hold
            off = np.nonzero((np.arange(len(t)) > i_move) & (s * st < 0.5 * a1) &
                             (np.arange(len(t)) > int(np.argmax(s * st >= 0.99 * a1))))[0]
            end = off[0] if len(off) else len(t) - 1
        seg = np.arange(i_move, end + 1)
        ip = seg[int(np.argmax(p[seg]))]
        tp, yp = parabola_peak(t, p, ip)
        rep.fig("first_roll_rate_peak", "first roll-rate peak", s * yp, "deg/s")
        rep.fig("first_roll_rate_peak_time", "first roll-rate peak time", tp, "s")
        t15 = crossing(t, p, ROLL_RATE_FEEDBACK, ip, rising=False)
        rep.fig("roll_rate_feedback_time", "roll rate falls to %.1f deg/s" % ROLL_RATE_FEEDBACK, t15, "s")
        if tc is not None:
            rep.fig("countersteer_after_roll_rate_peak", "countersteer after the roll-rate peak", tc - tp, "s")
            rep.fig("countersteer_after_feedback", "countersteer after the roll rate fell to %.1f deg/s"
                    % ROLL_RATE_FEEDBACK, tc - t15 if t15 is not None else None, "s")
    # lift (C18)
    if "lift" not in d:
        rep.step("two-wheel lift", "not assessed: the log has no lift channel")
        rep.fig("two_wheel_lift", "two-wheel lift", None, "-")
        return
    unit = d["lift_unit"]
    z = d["lift"]
    if unit in LIFT_UNITS:
        thr = LIFT_UNITS[unit]
        how = "lift height >= 2 in (%g %s), both wheels of one side" % (thr, unit)
        rep.fig("max_lift", "largest lift", float(z.max()), unit)
    elif unit in ("", "-", "1", "0/1", "flag", "bool"):
        thr = 0.5
        how = "the logger's lift flag (>= 0.5); the 2 in height cannot be checked from a flag"
    else:
        raise BadLog("lift column '%s': unit '%s' not understood" % (d["lift_name"], unit))
    up = z >= thr
    rep.step("two-wheel lift", "criterion: " + how)
    rep.fig("two_wheel_lift", "two-wheel lift", bool(up.any()), "yes/no")
    if up.any():
        # intervals of lift, their ends interpolated at the criterion
        edges = np.diff(np.r_[0, up.astype(int), 0])
        starts, ends = np.nonzero(edges == 1)[0], np.nonzero(edges == -1)[0] - 1
        spans = []
        for i, j in zip(starts, ends):
            ton = crossing(t, z, thr, i - 1) if i > 0 else t[0]
            toff = crossing(t, z, thr, j, rising=False) if j < len(t) - 1 else t[-1]
            spans.append((ton, toff))
        rep.fig("lift_start", "two-wheel lift starts", spans[0][0], "s")
        rep.fig("lift_end", "two-wheel lift ends", spans[-1][1], "s")
        rep.fig("lift_duration", "time lifted (%d interval%s)" % (len(spans), "" if len(spans) == 1 else "s"),
                float(sum(b - a for a, b in spans)), "s")


# ---------------------------------------------------------------- main
def fmtv(v):
    if v is None:
        return "none"
    if isinstance(v, bool):
        return "yes" if v else "no"
    return "%.6g" % v


def print_report(rep):
    print("evaluate %s: %s" % (rep.mode, rep.path))
    for n, txt in rep.steps:
        print("  %-22s %s" % (n, txt))
    if getattr(rep, "table", None):
        print("  %-8s %-36s %-36s" % ("f [Hz]", "yaw rate: gain [deg/s per deg], phase [deg], coh^2",
                                       "lat. acc.: gain [g per 100 deg], phase [deg], coh^2"))
        for r in rep.table:
            cells = []
            for key in ("yaw_rate", "lateral_acceleration"):
                if r[key + ".gain"] is None:
                    cells.append("%-24s coh^2 %.3f" % ("(" + r[key + ".mark"] + ")", r[key + ".coherence"]))
                else:
                    cells.append("%9.5f %9.3f        coh^2 %.3f" % (r[key + ".gain"], r[key + ".phase_deg"],
                                                                  r[key + ".coherence"]))
            print("  %-8.2f %-36s %-36s" % (r["frequency_hz"], cells[0], cells[1]))
    print("  figures")
    for _, label, v, unit in rep.figs:
        print("    %-62s %12s  %s" % (label, fmtv(v), unit))


class Parser(argparse.ArgumentParser):
    def error(self, message):           # usage errors exit 1; 2 is kept for bad logs
        self.print_usage(sys.stderr)
        print("%s: error: %s" % (self.prog, message), file=sys.stderr)
        sys.exit(1)


def main(argv):
    ap = Parser(description=__doc__.split("\n")[0])
    ap.add_argument("mode", choices=["step", "sine", "response", "understeer", "rollover"])
    ap.add_argument("logs", nargs="+", metavar="LOG")
    ap.add_argument("--steering-ratio", type=float)
    ap.add_argument("--wheelbase", type=float)
    ap.add_argument("--json", action="store_true")
    args = ap.parse_args(argv)
    results, bad = [], False
    for path in args.logs:
        rep = Report(path, args.mode)
        try:
            d = read_log(path)
            if args.mode == "step":
                eval_step(d, rep)
            elif args.mode == "sine":
                eval_sine(d, rep)
            elif args.mode == "response":
                eval_response(d, rep)
            elif args.mode == "understeer":
                eval_understeer(d, rep, args.steering_ratio, args.wheelbase)
            else:
                eval_rollover(d, rep)
            rep.error = None
        except BadLog as e:
            rep.error = str(e)
            bad = True
        results.append(rep)
    mean = {}
    good = [r for r in results if r.error is None]
    if len(good) > 1 and args.mode != "rollover":
        for key, label, v, unit in good[0].figs:
            if key == "time_zero":
                continue
            vals = [dict((k, x) for k, _, x, _ in r.figs).get(key) for r in good]
            if all(isinstance(x, (int, float)) and not isinstance(x, bool) for x in vals):
                if key in good[0].signed:   # averaged as for a positive steer
                    vals = [x * r.sign for x, r in zip(vals, good)]
                    label += " (for a positive steer)"
                mean[key] = {"label": label, "value": float(np.mean(vals)), "unit": unit}
    if args.json:
        out = {"mode": args.mode, "runs": []}
        for r in results:
            dd = r.as_dict()
            dd["error"] = r.error
            if getattr(r, "table", None):
                dd["table"] = r.table
            out["runs"].append(dd)
        out["mean"] = mean
        json.dump(out, sys.stdout, indent=1)
        print()
    else:
        for r in results:
            if r.error is None:
                print_report(r)
            else:
                print("evaluate %s: %s" % (r.mode, r.path))
                for n, txt in r.steps:
                    print("  %-22s %s" % (n, txt))
                print("  error: %s" % r.error)
        if mean:
            print("mean over %d runs" % len(good))
            for k, m in mean.items():
                print("    %-62s %12s  %s" % (m["label"], fmtv(m["value"]), m["unit"]))
    for r in results:
        if r.error is not None:
            print("%s: %s" % (r.path, r.error), file=sys.stderr)
    return 2 if bad else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
