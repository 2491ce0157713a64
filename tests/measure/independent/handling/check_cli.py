#!/usr/bin/python3
"""quillard-cli's handling evaluations held against the second implementation, on the stored logs.

    check_cli.py --cli PATH/quillard-cli [--rows]

For each stored log in logs/ (make_stored_logs.py) it runs evaluate_reference.py MODE LOG --json and
quillard-cli evaluate MODE LOG --json, and holds every figure the two share within the issue's
tolerances (times 5 ms, gains and steady values 1 %, phase 2 deg, understeer gradient 0.1 deg/g; and
where the issue names none: overshoot 0.5 points, resonance 0.02 Hz, steer frequency 0.005 Hz, the
linear range's end 0.02 g, the characteristic speed what 0.1 deg/g of K gives, the TB factor 5 ms of
the steady sideslip and 1 %). The rollover runs are held against what make_logs.py knows by
construction (logs/truth.json) as well. The TB factor is signed by the reference as logged and by
quillard-cli as for a steer to the left: the reference's is taken with the steer's sign. Each bad log must be invalid in quillard-cli (exit 1) and
refused by the reference (exit 2), both naming why. It also checks that closed_form.json is what
closed_form.py gives now. Prints one row per figure held (--rows) and "N held, N off"; exit 0 when all
agree.
"""
import argparse
import json
import math
import os
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
PY = sys.executable
LOGS = os.path.join(HERE, "logs")
VEHICLE = ["--steering-ratio", "16", "--wheelbase", "2.8"]

# (mode, log, extra arguments)
RUNS = [
    ("step", "step_100hz", []),
    ("step", "step_left_100hz", []),
    ("sine", "sine_100hz", []),
    ("response", "sweep_100hz", []),
    ("understeer", "understeer_100hz", VEHICLE),
    ("understeer", "understeer_tanh_100hz", VEHICLE),
    ("rollover", "fishhook_100hz", []),
    ("rollover", "jturn_100hz", []),
]
# (mode, log, extra arguments, words both must give)
BAD = [
    ("step", "bad_short_hold_100hz", [], "no hold long enough"),
    ("response", "bad_low_coherence_100hz", [], "below the coherence limit"),
    ("understeer", "bad_outside_linear_100hz", VEHICLE, "outside the linear range"),
]

# The reference's figure name -> quillard-cli's key.
NAMES = {
    "time_zero": "time_zero_s", "steer_rise_time": "steer_rise_time_s", "steer_change": "steer_change_deg",
    "tb_factor": "tb_factor_s_deg", "roll.per_lateral_acceleration": "roll_gradient_deg_per_g",
    "steer.frequency": "steer_frequency_hz", "steer.first_peak": "steer_first_peak_deg",
    "steer.second_peak": "steer_second_peak_deg",
    "steer_gradient": "steer_gradient_deg_per_g", "understeer_gradient": "understeer_gradient_deg_per_g",
    "ackermann_gradient": "ackermann_gradient_deg_per_g", "characteristic_speed": "characteristic_speed_kmh",
    "roll_gradient": "roll_gradient_deg_per_g", "sideslip_gradient": "sideslip_gradient_deg_per_g",
    "linear_range.high": "linear_range_to_g", "leaves_linear_at": "leaves_linear_g", "speed": "speed_kmh",
    "peak_roll": "peak_roll_deg", "peak_roll_time": "peak_roll_time_s", "peak_roll_rate": "peak_roll_rate_deg_s",
    "peak_roll_rate_time": "peak_roll_rate_time_s", "countersteer_time": "countersteer_time_s",
    "first_roll_rate_peak": "first_roll_rate_peak_deg_s", "first_roll_rate_peak_time": "first_roll_rate_peak_time_s",
    "roll_rate_feedback_time": "roll_rate_feedback_time_s",
    "countersteer_after_roll_rate_peak": "countersteer_after_roll_rate_peak_s",
    "countersteer_after_feedback": "countersteer_after_feedback_s", "max_lift": "largest_lift_mm",
    "two_wheel_lift": "two_wheel_lift", "lift_start": "lift_start_s", "lift_end": "lift_end_s",
    "first_steer_amplitude": "first_steer_deg",
}
for p, unit, gain in (("yaw_rate", "deg_s", "deg_s_per_deg"), ("lateral_acceleration", "g", "g_per_100deg"),
                      ("sideslip", "deg", "deg_per_deg"), ("roll", "deg", "deg_per_deg")):
    NAMES.update({p + ".steady": "%s_steady_%s" % (p, unit), p + ".gain": "%s_gain_%s" % (p, gain),
                  p + ".response_time": p + "_response_time_s", p + ".peak_response_time": p + "_peak_response_time_s",
                  p + ".overshoot": p + "_overshoot_percent", p + ".peak": "%s_peak_%s" % (p, unit),
                  p + ".steady_gain": "%s_steady_state_gain_%s" % (p, gain),
                  p + ".steady_gain_frequency": p + "_steady_state_gain_frequency_hz",
                  p + ".gain_1hz": "%s_gain_1hz_%s" % (p, gain), p + ".phase_1hz": p + "_phase_1hz_deg",
                  p + ".equivalent_time_lag": p + "_equivalent_time_lag_s",
                  p + ".resonance_frequency": p + "_resonance_frequency_hz",
                  p + ".resonance_gain": "%s_resonance_gain_%s" % (p, gain), p + ".peak_ratio": p + "_peak_ratio"})
    for which in ("first", "second"):
        NAMES.update({"%s.%s_lag" % (p, which): "%s_%s_lag_s" % (p, which),
                      "%s.%s_gain" % (p, which): "%s_%s_gain_%s" % (p, which, gain)})


def tolerance(key, value, figures):
    """(tolerance, how) for a figure of quillard-cli's key."""
    if key == "tb_factor_s_deg":
        return 0.005 * abs(figures.get("sideslip_steady_deg") or 0) + 0.01 * abs(value), "5 ms x sideslip + 1 %"
    if key == "characteristic_speed_kmh":
        k = figures.get("understeer_gradient_deg_per_g") or 1
        return value * 0.1 / (2 * k), "0.1 deg/g of K"
    if key == "understeer_gradient_deg_per_g":
        return 0.1, "0.1 deg/g"
    if key.endswith("_frequency_hz") and key.startswith("steer"):
        return 0.005, "0.005 Hz"
    if key.endswith("_resonance_frequency_hz") or key.endswith("_gain_frequency_hz"):
        return 0.02, "0.02 Hz"
    if key.endswith("_phase_1hz_deg"):
        return 2.0, "2 deg"
    if key.endswith("_percent"):
        return 0.5, "0.5 points"
    if key.endswith("_g") and ("linear" in key):
        return 0.02, "0.02 g"
    if key.endswith("_s") and not key.endswith("_deg_s"):
        return 0.005, "5 ms"
    if key == "two_wheel_lift":
        return 0.0, "equal"
    return 0.01 * abs(value), "1 %"


def run(command):
    r = subprocess.run(command, capture_output=True, text=True)
    return r.returncode, r.stdout, r.stderr


def mine(cli, mode, log, extra):
    status, out, err = run([cli, "evaluate", mode, os.path.join(LOGS, log + ".csv"), "--json"] + extra)
    return status, json.loads(out) if out.strip() else None, err


def reference(mode, log, extra):
    status, out, err = run([PY, os.path.join(HERE, "evaluate_reference.py"), mode, os.path.join(LOGS, log + ".csv"),
                            "--json"] + extra)
    return status, json.loads(out) if out.strip() else None, err


class Rows:
    def __init__(self, show):
        self.show, self.held, self.off = show, 0, []

    def add(self, log, key, evaluated, expected, against, tol=None, how=None, figures=None):
        if tol is None:
            tol, how = tolerance(key, expected, figures or {})
        if isinstance(expected, bool) or isinstance(evaluated, bool):
            good = bool(evaluated) == bool(expected)
            diff = 0.0 if good else 1.0
        elif evaluated is None or expected is None:
            good, diff = evaluated is None and expected is None, float("nan")
        else:
            diff = evaluated - expected
            good = abs(diff) <= tol + 1e-12
        line = "%-24s %-44s %14s %14s %12s  %-9s %-14s %s" % (
            log, key, fmt(evaluated), fmt(expected), fmt(diff), against, how, "ok" if good else "OFF")
        if self.show or not good:
            print(line)
        if good:
            self.held += 1
        else:
            self.off.append(line)


def fmt(v):
    if v is None:
        return "none"
    if isinstance(v, bool):
        return str(v)
    return "%.6g" % v


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--cli", required=True)
    ap.add_argument("--rows", action="store_true", help="print every row, not only those off")
    args = ap.parse_args()
    rows = Rows(args.rows)
    with open(os.path.join(LOGS, "truth.json")) as f:
        truth = json.load(f)["logs"]

    for mode, log, extra in RUNS:
        status, m, err = mine(args.cli, mode, log, extra)
        rstatus, ref, rerr = reference(mode, log, extra)
        if m is None or ref is None:
            rows.off.append("%s %s: no JSON (quillard-cli exit %d %s; reference exit %d %s)" % (
                mode, log, status, err.strip(), rstatus, rerr.strip()))
            continue
        figures = m["runs"][0]["figures"]
        expected_state = "fail" if log.startswith("fishhook") else "pass"
        rows.add(log, "state", m["runs"][0]["state"] == expected_state, True, "expected", 0, "equal")
        for name, entry in ref["runs"][0]["figures"].items():
            key = NAMES.get(name)
            if key is None or key not in figures or not isinstance(entry, dict):
                continue
            value = entry["value"]
            if isinstance(value, bool):
                rows.add(log, key, bool(figures[key]), value, "reference", 0, "equal")
                continue
            if value is None and figures[key] is None:
                continue
            if key == "tb_factor_s_deg" and value is not None:
                # The reference signs it as logged; quillard-cli as for a steer to the left (positive).
                value *= -1 if figures["steer_change_deg"] < 0 else 1
            rows.add(log, key, figures[key], value, "reference", figures=figures)
        for name, value in truth.get(log, {}).items():
            key = {"countersteer_s": "countersteer_time_s", "peak_roll_deg": "peak_roll_deg",
                   "peak_roll_time_s": "peak_roll_time_s", "peak_roll_rate_deg_s": "peak_roll_rate_deg_s",
                   "peak_roll_rate_time_s": "peak_roll_rate_time_s", "first_roll_rate_peak_s": "first_roll_rate_peak_time_s",
                   "first_roll_rate_peak_deg_s": "first_roll_rate_peak_deg_s", "max_lift_mm": "largest_lift_mm",
                   "two_wheel_lift": "two_wheel_lift", "lift_start_s": "lift_start_s", "lift_end_s": "lift_end_s",
                   "roll_gradient_deg_per_g": "roll_gradient_deg_per_g"}.get(name)
            if key is None or key not in figures or value is None:
                continue
            rows.add(log, key, figures[key] if not isinstance(value, bool) else bool(figures[key]), value,
                     "truth", figures=figures)

    for mode, log, extra, words in BAD:
        status, m, err = mine(args.cli, mode, log, extra)
        rstatus, ref, rerr = reference(mode, log, extra)
        run_ = m["runs"][0] if m else {}
        rows.add(log, "quillard-cli invalid", status == 1 and run_.get("state") == "invalid"
                 and words in (run_.get("reason") or ""), True, "expected", 0, words)
        rows.add(log, "reference refuses", rstatus == 2 and words in (rerr + json.dumps(ref)), True, "expected", 0,
                 words)

    status, out, err = run([PY, os.path.join(HERE, "closed_form.py")] +
                           [os.path.join(HERE, "vehicles", v + ".veh")
                            for v in ("default", "understeer_strong", "near_neutral", "sports_fast")] + ["--json"])
    with open(os.path.join(HERE, "closed_form.json")) as f:
        stored = json.load(f)

    def same(a, b):
        if isinstance(a, dict):
            return all(same(a[k], b.get(k)) for k in a if k != "command")
        if isinstance(a, list):
            return len(a) == len(b) and all(same(x, y) for x, y in zip(a, b))
        if isinstance(a, float) and isinstance(b, (int, float)):
            return abs(a - b) <= 1e-9 * max(1.0, abs(a))
        return a == b
    rows.add("closed_form.json", "equals closed_form.py now", status == 0 and same(stored, json.loads(out)), True,
             "scipy", 0, "1e-9")

    print("%d held, %d off" % (rows.held, len(rows.off)))
    return 0 if not rows.off else 1


if __name__ == "__main__":
    sys.exit(main())
