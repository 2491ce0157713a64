#!/usr/bin/python3
"""Self-check: evaluate_reference.py on logs from make_logs.py, held against
the exact figures of closed_form.py.

    check.py [--quick] [--keep DIR]

For every vehicle in vehicles/ it makes the full set of logs (100 Hz and
1 kHz) in a scratch directory, runs evaluate_reference.py --json on each, and
compares every figure with the closed form (or, for roll and rollover, with
the values make_logs.py knows by construction).  It also evaluates the stored
logs in logs/ for the default vehicle, and checks that closed_form.json is
current.  Prints one row per figure and exits 0 when all agree.  --quick:
the default vehicle only.

Tolerances (the issue's, plus the ones it leaves open, marked *):
  times                          5 ms  (response, peak, lag, rollover times;
                                        equivalent time lag)
  gains, steady values, ratios   1 %   (also steer gradient, roll and
                                        sideslip gradients, peak roll)
  phase                          2 deg
  understeer gradient            0.1 deg/g
  overshoot*                     0.5 percentage point
  resonance frequency*           0.05 Hz (peak ratio: 1 %, against the exact
                                 maximum over the exact gain at the frequency
                                 the log's steady-state gain was taken at)
  characteristic speed*          what 0.1 deg/g of K gives: v 0.1/(2 K)
  TB factor*                     5 ms x steady sideslip + 1 %
  linear-range end (tanh tyre)*  held through the exact curve: at the a_y
                                 where the log's curve leaves linear, the
                                 quasi-steady curve's local gradient must
                                 depart from its base gradient by 10 +- 3 %
                                 (the criterion is 10 %).  The end in g is
                                 shown beside it, not held: on a nearly
                                 neutral car the curve bends so gently that
                                 the run's small lag moves it by 0.04 g
  frequencies*                   0.005 Hz (steer frequencies)
Bad logs must exit 2 with the expected message.
"""
import argparse
import json
import math
import os
import subprocess
import sys
import tempfile

import numpy as np

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import closed_form as cf          # noqa: E402
import make_logs as ml            # noqa: E402
from vehicle import G, params, read_vehicle   # noqa: E402

PY = sys.executable
ROWS = []


def row(veh, log, fig, got, exact, tol, kind, held=True):
    """kind: 'abs' (|got-exact| <= tol), 'rel' (<= tol*|exact|), 'same' (equal)."""
    if kind == "same":
        ok = got == exact
        diff = "" if ok else "differs"
    elif got is None or exact is None:
        ok = got is None and exact is None
        diff = "" if ok else "one is none"
    else:
        d = got - exact
        lim = tol * abs(exact) if kind == "rel" else tol
        ok = abs(d) <= lim
        diff = "%+.3g%s" % (100 * d / exact if kind == "rel" and exact else d, " %" if kind == "rel" else "")
    tols = {"rel": "%g %%" % (100 * tol) if tol else "", "abs": "%g" % tol if tol is not None else "",
            "same": "equal"}[kind]
    ROWS.append((veh, log, fig, got, exact, diff, tols, "ok" if ok else ("FAIL" if held else "info"), held))


def evaluate(mode, path, extra=()):
    r = subprocess.run([PY, os.path.join(HERE, "evaluate_reference.py"), mode, path, "--json", *extra],
                       capture_output=True, text=True)
    try:
        out = json.loads(r.stdout)["runs"][0]
    except (ValueError, KeyError, IndexError):
        out = {"error": r.stderr.strip() or "no output", "figures": {}}
    return r.returncode, out


def figs(out):
    return {k: v["value"] for k, v in out.get("figures", {}).items()}


def exact_h(veh, f):
    A, B, C, D = cf.state_space(params(veh))
    return [(C[j] @ np.linalg.inv(2j * math.pi * f * np.eye(2) - A) @ B[:, 0] + D[j, 0]) * (1, 100)[j]
            for j in (0, 1)]


TIME, GAIN, PHASE, K_TOL, PP, FRES, GTOL, DEP_TOL = 0.005, 0.01, 2.0, 0.1, 0.5, 0.05, 0.05, 0.03


def check_step(vn, log, out, R, t_on, rise, amp, has_slip, has_roll):
    f = figs(out)
    rs = R["ramp_step"]
    ss = R["steady_state"]
    row(vn, log, "time zero [s]", f.get("time_zero"), t_on + rise / 2, TIME, "abs")
    row(vn, log, "steer rise time [s]", f.get("steer_rise_time"), 0.8 * rise, TIME, "abs")
    row(vn, log, "steer change [deg]", f.get("steer_change"), amp, GAIN, "rel")
    for key, name, gk, gf in (("yaw_rate", "yaw rate", "yaw_rate_gain_deg_s_per_deg", 1),
                              ("lateral_acceleration", "lat. acc.", "lateral_acceleration_gain_g_per_100deg", 100),
                              ("sideslip", "sideslip", "sideslip_gain_deg_per_deg", 1)):
        if key == "sideslip" and not has_slip:
            continue
        row(vn, log, name + " steady", f.get(key + ".steady"), ss[gk] / gf * amp, GAIN, "rel")
        row(vn, log, name + " gain", f.get(key + ".gain"), ss[gk], GAIN, "rel")
    for key, name in (("yaw_rate", "yaw rate"), ("lateral_acceleration", "lat. acc.")):
        e = rs[key]
        row(vn, log, name + " response time [s]", f.get(key + ".response_time"), e["response_time_s"], TIME, "abs")
        row(vn, log, name + " overshoot [%]", f.get(key + ".overshoot"), e["overshoot_percent"], PP, "abs")
        tp = e["peak_response_time_s"] if e["overshoot_percent"] >= 0.25 else None
        row(vn, log, name + " peak response time [s]", f.get(key + ".peak_response_time"), tp, TIME, "abs")
    if has_slip:
        tp = rs["yaw_rate"]["peak_response_time_s"]
        tb = tp * ss["sideslip_gain_deg_per_deg"] * amp
        row(vn, log, "TB factor [s deg]", f.get("tb_factor"), tb,
            TIME * abs(ss["sideslip_gain_deg_per_deg"] * amp) + GAIN * abs(tb), "abs")
    if has_roll:
        row(vn, log, "roll per lat. acc. [deg/g]", f.get("roll.per_lateral_acceleration"),
            ml.ROLL["gradient_deg_per_g"], GAIN, "rel")


def check_sine(vn, log, out, R, amp, freq):
    f = figs(out)
    sp = R["single_period_sine"]
    row(vn, log, "steer first peak [deg]", f.get("steer.first_peak"), amp, GAIN, "rel")
    row(vn, log, "steer frequency [Hz]", f.get("steer.frequency"), freq, 0.005, "abs")
    for key, name in (("yaw_rate", "yaw rate"), ("lateral_acceleration", "lat. acc.")):
        for w in ("first", "second"):
            row(vn, log, "%s time lag %s [s]" % (name, w), f.get("%s.%s_lag" % (key, w)),
                sp[key]["lag_%s_s" % w], TIME, "abs")
            row(vn, log, "%s peak gain %s" % (name, w), f.get("%s.%s_gain" % (key, w)),
                sp[key]["gain_%s" % w], GAIN, "rel")


def check_response(vn, log, out, R, veh):
    f = figs(out)
    fr = R["frequency_response"]
    for key, name in (("yaw_rate", "yaw rate"), ("lateral_acceleration", "lat. acc.")):
        flo = f.get(key + ".steady_gain_frequency")
        j = 0 if key == "yaw_rate" else 1
        ref = abs(exact_h(veh, flo)[j]) if flo is not None else None
        row(vn, log, "%s steady gain at %.3g Hz" % (name, flo or 0), f.get(key + ".steady_gain"), ref, GAIN, "rel")
        row(vn, log, name + " gain at 1 Hz", f.get(key + ".gain_1hz"), fr[key]["gain_1hz"], GAIN, "rel")
        row(vn, log, name + " phase at 1 Hz [deg]", f.get(key + ".phase_1hz"), fr[key]["phase_1hz_deg"], PHASE, "abs")
        row(vn, log, name + " equivalent time lag [s]", f.get(key + ".equivalent_time_lag"),
            fr[key]["equivalent_time_lag_s"], TIME, "abs")
    y = fr["yaw_rate"]
    pr = y["peak_ratio"]
    row(vn, log, "yaw rate resonance [Hz]", f.get("yaw_rate.resonance_frequency"), y["resonance_hz"], FRES, "abs")
    flo = f.get("yaw_rate.steady_gain_frequency")
    if y["resonance_hz"] is not None and flo is not None:
        gmax = pr * abs(y["gain_0hz"])
        ref = gmax / abs(exact_h(veh, flo)[0])
    else:
        ref = None
    row(vn, log, "yaw rate peak ratio (to steady gain)", f.get("yaw_rate.peak_ratio"), ref, GAIN, "rel")


def check_csine(vn, log, out, veh, freq):
    f = figs(out)
    h = exact_h(veh, freq)
    row(vn, log, "steer frequency [Hz]", f.get("sine_frequency"), freq, 0.005, "abs")
    for j, (key, name) in enumerate((("yaw_rate", "yaw rate"), ("lateral_acceleration", "lat. acc."))):
        row(vn, log, "%s gain at %g Hz" % (name, freq), f.get(key + ".gain"), abs(h[j]), GAIN, "rel")
        row(vn, log, "%s phase at %g Hz [deg]" % (name, freq), f.get(key + ".phase"),
            math.degrees(np.angle(h[j])), PHASE, "abs")


def check_understeer(vn, log, out, R, tanh, has_extra, veh):
    f = figs(out)
    ss = R["steady_state"]
    if tanh:
        nl = R["nonlinear_tyre_curve"]
        row(vn, log, "steer gradient [deg/g] (quasi-steady tanh curve)", f.get("steer_gradient"),
            nl["handwheel_gradient_deg_per_g"], GAIN, "rel")
        row(vn, log, "understeer gradient [deg/g] (quasi-steady tanh curve)", f.get("understeer_gradient"),
            nl["understeer_gradient_deg_per_g"], K_TOL, "abs")
        end = f.get("leaves_linear_at")
        row(vn, log, "curve leaves linear at [g]", end, nl["linear_range_end_g"], GTOL, "abs", held=False)
        row(vn, log, "exact curve's departure there [%]", 100 * cf.departure(veh, end) if end else None,
            100 * cf.LIN_DEPARTURE, 100 * DEP_TOL, "abs")
        return
    K = ss["understeer_gradient_deg_per_g"]
    row(vn, log, "steer gradient [deg/g]", f.get("steer_gradient"), ss["handwheel_gradient_deg_per_g"], GAIN, "rel")
    row(vn, log, "Ackermann gradient [deg/g]", f.get("ackermann_gradient"), ss["ackermann_gradient_deg_per_g"],
        GAIN, "rel")
    row(vn, log, "understeer gradient [deg/g]", f.get("understeer_gradient"), K, K_TOL, "abs")
    vch = ss["characteristic_speed_kmh"]
    row(vn, log, "characteristic speed [km/h]", f.get("characteristic_speed"), vch,
        vch * K_TOL / (2 * K) if vch else None, "abs")
    row(vn, log, "curve leaves linear (linear tyres: never)", f.get("leaves_linear_at"), None, None, "abs")
    if has_extra:
        row(vn, log, "roll gradient [deg/g]", f.get("roll_gradient"), ml.ROLL["gradient_deg_per_g"], GAIN, "rel")
        row(vn, log, "sideslip gradient [deg/g]", f.get("sideslip_gradient"), ss["sideslip_gradient_deg_per_g"],
            GAIN, "rel")


def check_rollover(vn, log, out, tr, fish):
    f = figs(out)
    row(vn, log, "first steer amplitude [deg]", f.get("first_steer_amplitude"), tr["amplitude_deg"], GAIN, "rel")
    row(vn, log, "peak roll [deg]", f.get("peak_roll"), tr["peak_roll_deg"], GAIN, "rel")
    row(vn, log, "peak roll time [s]", f.get("peak_roll_time"), tr["peak_roll_time_s"], TIME, "abs")
    row(vn, log, "peak roll rate [deg/s]", f.get("peak_roll_rate"), tr["peak_roll_rate_deg_s"], GAIN, "rel")
    row(vn, log, "peak roll rate time [s]", f.get("peak_roll_rate_time"), tr["peak_roll_rate_time_s"], TIME, "abs")
    row(vn, log, "first roll-rate peak [deg/s]", f.get("first_roll_rate_peak"), tr["first_roll_rate_peak_deg_s"],
        GAIN, "rel")
    row(vn, log, "first roll-rate peak time [s]", f.get("first_roll_rate_peak_time"), tr["first_roll_rate_peak_s"],
        TIME, "abs")
    if fish:
        row(vn, log, "countersteer time [s]", f.get("countersteer_time"), tr["countersteer_s"], TIME, "abs")
        row(vn, log, "roll rate at 1.5 deg/s [s] (= the machine's countersteer)", f.get("roll_rate_feedback_time"),
            tr["countersteer_s"], TIME, "abs")
    row(vn, log, "two-wheel lift", f.get("two_wheel_lift"), tr["two_wheel_lift"], None, "same")
    row(vn, log, "largest lift [mm]", f.get("max_lift"), tr["max_lift_mm"], GAIN, "rel")
    if tr["two_wheel_lift"]:
        row(vn, log, "lift starts [s]", f.get("lift_start"), tr["lift_start_s"], TIME, "abs")
        row(vn, log, "lift ends [s]", f.get("lift_end"), tr["lift_end_s"], TIME, "abs")


def check_bad(vn, log, rc, out, phrase):
    msg = out.get("error") or ""
    row(vn, log, "exit status (bad log)", rc, 2, None, "same")
    row(vn, log, "message says '%s'" % phrase, phrase in msg, True, None, "same")


def check_dir(vn, veh, d, names, truth):
    """Evaluate the logs `names` (present in directory d) of vehicle veh."""
    p = params(veh)
    R = cf.figures(veh)
    R_left = cf.figures(veh, rise_time=0.2, amplitude=-40.0)
    us = ("--steering-ratio", "%r" % p["SR"], "--wheelbase", "%r" % p["L"])
    for name in names:
        path = os.path.join(d, name + ".csv")
        if not os.path.exists(path):
            continue
        base = name.rsplit("_", 1)[0]
        header = [l for l in open(path) if not l.startswith("#")][0].lower()
        if base.startswith("bad_"):
            mode = {"bad_short_hold": "step", "bad_low_coherence": "response", "bad_outside_linear": "understeer"}[base]
            phrase = {"step": "no hold long enough", "response": "below the coherence limit",
                      "understeer": "outside the linear range"}[mode]
            rc, out = evaluate(mode, path, us if mode == "understeer" else ())
            check_bad(vn, name, rc, out, phrase)
            continue
        mode = {"step": "step", "step_left": "step", "sine": "sine", "sweep": "response", "random": "response",
                "csine": "response", "understeer": "understeer", "understeer_tanh": "understeer",
                "fishhook": "rollover", "jturn": "rollover"}[base]
        rc, out = evaluate(mode, path, us if mode == "understeer" else ())
        row(vn, name, "exit status", rc, 0, None, "same")
        if rc != 0:
            row(vn, name, "error: " + str(out.get("error")), None, None, None, "same")
            continue
        if base in ("step", "step_left"):
            tr = truth[name]
            assert (tr["rise_time_s"], tr["amplitude_deg"]) == ((0.15, 30.0) if base == "step" else (0.2, -40.0))
            check_step(vn, name, out, R if base == "step" else R_left, tr["steer_start_s"], tr["rise_time_s"],
                       tr["amplitude_deg"], "sideslip" in header, "roll [" in header)
        elif base == "sine":
            check_sine(vn, name, out, R, 30.0, 0.5)
        elif base in ("sweep", "random"):
            check_response(vn, name, out, R, veh)
        elif base == "csine":
            check_csine(vn, name, out, veh, 1.0)
        elif base in ("understeer", "understeer_tanh"):
            check_understeer(vn, name, out, R, base == "understeer_tanh", "roll [" in header, veh)
        else:
            check_rollover(vn, name, out, truth[name], base == "fishhook")


def close(a, b):
    """Equal structure, numbers equal to 1e-9 relative."""
    if isinstance(a, dict):
        return isinstance(b, dict) and a.keys() == b.keys() and all(close(a[k], b[k]) for k in a)
    if isinstance(a, list):
        return isinstance(b, list) and len(a) == len(b) and all(close(x, y) for x, y in zip(a, b))
    if isinstance(a, float) or isinstance(b, float):
        return a is not None and b is not None and abs(a - b) <= 1e-9 * max(abs(a), abs(b), 1e-300)
    return a == b


def rewrite(src, dst, fn_header, fn_row, crlf=False, drop=None):
    """Copy a log, changing its header and rows (a column may be dropped)."""
    lines = open(src).read().split("\n")
    out, head = [], None
    for l in lines:
        if not l or l.startswith("#"):
            out.append(l)
            continue
        cells = l.split(",")
        if head is None:
            head = cells
            keep = [i for i, c in enumerate(cells) if not (drop and drop in c)]
            out.append(",".join(fn_header(cells[i]) for i in keep))
        else:
            out.append(",".join(fn_row(head[i], cells[i]) for i in keep))
    with open(dst, "w", newline="") as f:
        f.write(("\r\n" if crlf else "\n").join(out))


def check_variants(ldir, truth, scratch):
    """The reader: names in other letter case, other units, CRLF; lift as a flag or absent."""
    src = os.path.join(ldir, "step_100hz.csv")
    dst = os.path.join(scratch, "step_variant.csv")
    conv = {"steer [deg]": ("STEER [rad]", 1 / cf.DEG), "yaw rate [deg/s]": ("Yaw Rate [rad/s]", 1 / cf.DEG),
            "lateral acceleration [g]": ("Lateral Acceleration [m/s^2]", G), "speed [km/h]": ("Speed [m/s]", 1 / 3.6)}
    rewrite(src, dst, lambda h: conv.get(h, (h.upper(), 1))[0],
            lambda h, c: "%.10g" % (float(c) * conv.get(h, (h, 1))[1]), crlf=True)
    a, b = figs(evaluate("step", src)[1]), figs(evaluate("step", dst)[1])
    worst = max(abs(a[k] - b[k]) / max(abs(a[k]), 1e-9) for k in a if isinstance(a[k], float))
    row("default", "step_100hz variant", "upper case, rad, m/s^2, m/s, CRLF: largest relative change",
        worst, 0.0, 1e-5, "abs")
    src = os.path.join(ldir, "fishhook_100hz.csv")
    tr = truth["fishhook_100hz"]
    dst = os.path.join(scratch, "fishhook_flag.csv")
    rewrite(src, dst, lambda h: "lift flag [-]" if "lift" in h else h,
            lambda h, c: ("1" if float(c) >= 50.8 else "0") if "lift" in h else c)
    f = figs(evaluate("rollover", dst)[1])
    row("default", "fishhook lift as a 0/1 flag", "two-wheel lift", f.get("two_wheel_lift"), True, None, "same")
    row("default", "fishhook lift as a 0/1 flag", "lift starts [s] (half a sample)", f.get("lift_start"),
        tr["lift_start_s"], 0.005 + 1e-9, "abs")
    dst = os.path.join(scratch, "fishhook_nolift.csv")
    rewrite(src, dst, lambda h: h, lambda h, c: c, drop="lift")
    f = figs(evaluate("rollover", dst)[1])
    row("default", "fishhook without a lift column", "two-wheel lift (not assessed)", f.get("two_wheel_lift"),
        None, None, "same")
    row("default", "fishhook without a lift column", "peak roll [deg]", f.get("peak_roll"), tr["peak_roll_deg"],
        GAIN, "rel")


def fmt(v):
    if v is None:
        return "none"
    if isinstance(v, bool):
        return "yes" if v else "no"
    if isinstance(v, int):
        return str(v)
    return "%.6g" % v


def main(argv):
    ap = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    ap.add_argument("--quick", action="store_true")
    ap.add_argument("--keep", help="make the scratch logs here and keep them")
    ap.add_argument("--rows", help="also write every row as JSON to this file")
    args = ap.parse_args(argv)
    vdir = os.path.join(HERE, "vehicles")
    vfiles = sorted(os.path.join(vdir, v) for v in os.listdir(vdir) if v.endswith(".veh"))
    if args.quick:
        vfiles = [os.path.join(vdir, "default.veh")]

    # closed_form.json must be what closed_form.py gives now
    with open(os.path.join(HERE, "closed_form.json")) as fh:
        stored = json.load(fh)
    fresh = {r["vehicle"]: r for r in (cf.figures(read_vehicle(os.path.join(HERE, v)))
                                        for v in stored["command"].split()[1:] if v.endswith(".veh"))}
    same = all(close(r, fresh[r["vehicle"]]) for r in stored["vehicles"])
    row("-", "closed_form.json", "stored figures equal a fresh run", same, True, None, "same")

    # stored logs (default vehicle)
    ldir = os.path.join(HERE, "logs")
    with open(os.path.join(ldir, "truth.json")) as fh:
        truth = json.load(fh)["logs"]
    check_dir("default (stored)", read_vehicle(os.path.join(vdir, "default.veh")), ldir, list(ml.STORED), truth)

    # full scratch sets
    scratch = args.keep or tempfile.mkdtemp(prefix="indep39_")
    os.makedirs(scratch, exist_ok=True)
    check_variants(ldir, truth, scratch)
    for vf in vfiles:
        veh = read_vehicle(vf)
        d = os.path.join(scratch, veh["name"])
        makers = {**ml.catalogue(100), **ml.catalogue(1000)}
        tr = ml.make(makers, veh, vf, d)
        check_dir(veh["name"], veh, d, list(makers), tr)

    w = [max(len(fmt(r[i]) if i in (3, 4) else str(r[i])) for r in ROWS) for i in range(8)]
    hdr = ("vehicle", "log", "figure", "evaluated", "exact", "difference", "tolerance", "result")
    w = [max(a, len(b)) for a, b in zip(w, hdr)]
    line = "  ".join("%-" + str(x) + "s" for x in w)
    print(line % hdr)
    for r in ROWS:
        print(line % (r[0], r[1], r[2], fmt(r[3]), fmt(r[4]), r[5], r[6], r[7]))
    if args.rows:
        with open(args.rows, "w") as fh:
            json.dump([dict(zip(("vehicle", "log", "figure", "evaluated", "exact", "difference", "tolerance",
                                 "result", "held"), r)) for r in ROWS], fh, indent=0,
                      default=lambda o: o.item() if hasattr(o, "item") else str(o))
    held = [r for r in ROWS if r[8]]
    npass = sum(1 for r in held if r[7] == "ok")
    nfail = len(held) - npass
    ninfo = len(ROWS) - len(held)
    print("shown, not held: %d (linear-range end in g of the tanh-tyre runs)" % ninfo)
    print("%d passed, %d failed" % (npass, nfail))
    if not args.keep:
        import shutil
        shutil.rmtree(scratch, ignore_errors=True)
    return 0 if nfail == 0 else 1


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
