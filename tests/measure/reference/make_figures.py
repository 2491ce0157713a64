#!/usr/bin/python3
"""The true figures of the synthetic runs of test_figures.cpp, computed once with SciPy.

Each case is a program (a template's text as quillard-cli writes it, or a few lines) and a run: the
wheel that follows the commanded steer (none, a first-order lag or a second-order system, each with a
dead time), a gain, an offset and the part of the program the log covers. The true figures are those
of that wheel: the delay, gain and offset the run was made with, each step's overshoot from the
response of the wheel to the commanded steer (signal.lsim) and a sweep's gain and phase
(signal.freqs and the dead time) with the -3 dB bandwidth.

Run from the repository with a built quillard-cli:
    /usr/bin/python3 tests/measure/reference/make_figures.py build/quillard-cli
It rewrites figures.json beside this script.
"""
import json
import math
import os
import subprocess
import sys

import numpy as np
from scipy import optimize, signal

CLI = sys.argv[1] if len(sys.argv) > 1 else "build/quillard-cli"
HERE = os.path.dirname(os.path.abspath(__file__))


def template(*arguments):
    text = subprocess.run([CLI, "template", *arguments], check=True, capture_output=True, text=True).stdout
    return text.splitlines()


def commanded(lines):
    """Times and steers of the compiled program's steps 0 to the end index."""
    path = os.path.join(HERE, "program.tmp.txt")
    with open(path, "w") as f:
        f.write("\n".join(lines) + "\n")
    try:
        out = subprocess.run([CLI, "steps", path], check=True, capture_output=True, text=True).stdout
    finally:
        os.remove(path)
    rows = out.splitlines()
    end = int(rows[0].split()[1].split("=")[1])
    table = np.array([[float(c) for c in r.split(",")[1:3]] for r in rows[2:2 + end + 1]])
    return table[:, 0], table[:, 1]


def wheel_system(wheel):
    if wheel["order"] == 1:
        wc = 2 * math.pi * wheel["corner_hz"]
        return signal.lti([wc], [1, wc])
    wn, zeta = 2 * math.pi * wheel["natural_hz"], wheel["damping"]
    return signal.lti([wn * wn], [1, 2 * zeta * wn, wn * wn])


def step_overshoots(time, steer, wheel, run):
    """Overshoot of each step that holds its angle 0.1 s or longer, on the wheel's true response: the
    level before it moves, the settled level (mean of the last fifth of the hold) and the largest
    excursion past it, in degrees of the measured steer and in percent of the measured step."""
    system = wheel_system(wheel)
    h = 1e-4
    fine = np.arange(0, time[-1] + 1, h)
    u = np.interp(fine, time, steer)
    _, y, _ = signal.lsim(system, u, fine, interp=True)
    measured = lambda t: run["gain"] * np.interp(t - wheel["dead_time_s"], fine, y) + run["offset_deg"]
    steps = []
    last = len(steer) - 1
    i = 1
    while i <= last:
        if steer[i] == steer[i - 1]:
            i += 1
            continue
        first = i  # the step starts moving at time[first - 1]
        j = i
        while j < last and steer[j + 1] != steer[j]:
            j += 1
        k = j
        while k < last and steer[k + 1] == steer[j]:
            k += 1
        start, reached, hold_end = time[first - 1], time[j], time[k]
        if hold_end - reached >= 0.1:
            before = measured(start)
            window = np.arange(hold_end - 0.2 * (hold_end - reached), hold_end, h)
            settled = float(np.mean(measured(window)))
            direction = 1 if steer[j] > steer[first - 1] else -1
            span = np.arange(start, hold_end, h)
            excursion = max(0.0, float(np.max(direction * (measured(span) - settled))))
            steps.append({"time_s": float(start), "overshoot_deg": round(excursion, 6),
                          "overshoot_percent": round(100 * excursion / abs(settled - before), 6)})
        i = k + 1
    return steps


def sweep_response(wheel, low, high):
    """Gain (dB) and phase (deg, the dead time included) every 0.05 Hz, and where the gain falls 3 dB
    below its value at the sweep's lowest frequency."""
    system = wheel_system(wheel)
    frequency = np.round(np.arange(low, high + 1e-9, 0.05), 6)
    _, h = signal.freqs(system.num, system.den, worN=2 * math.pi * frequency)
    h = h * np.exp(-2j * math.pi * frequency * wheel["dead_time_s"])
    gain = 20 * np.log10(np.abs(h))
    phase = np.unwrap(np.angle(h)) * 180 / math.pi

    def gain_at(f):
        _, hf = signal.freqs(system.num, system.den, worN=[2 * math.pi * f])
        return 20 * math.log10(abs(hf[0]))

    limit = gain_at(low) - 3
    bandwidth = optimize.brentq(lambda f: gain_at(f) - limit, low, high, xtol=1e-12)
    return {"frequency_hz": frequency.tolist(), "gain_db": [round(g, 6) for g in gain],
            "phase_deg": [round(p, 5) for p in phase], "bandwidth_3db_hz": round(bandwidth, 6)}


SWD = template("sine-with-dwell", "--amplitude", "100")
SWD_MARK = template("sine-with-dwell", "--amplitude", "100", "--mark", "3")
STEP = template("step-steer")
SWEEP = template("linear-sweep", "--end-frequency", "4")
FLAT = ["maxsteer(100 deg)", "begin", "wait(3 sec)", "end"]
FLAT_MARK = ["maxsteer(100 deg)", "begin", "wait(1 sec)", "pulseflag(3 bit, 0.05 sec)", "wait(2 sec)", "end"]
LAG = {"order": 1, "corner_hz": 1.5, "dead_time_s": 0.02}


def case(name, program, run, wheel=None):
    run = {"delay_s": 0, "gain": 1, "offset_deg": 0, "sample_rate_hz": 500, "from_s": -0.5, "to_s": None,
           "log_start_s": 0, "mark_flag": 0, **run}
    time, steer = commanded(program)
    if run["to_s"] is None:
        run["to_s"] = float(time[-1]) + 1
    flat = bool(np.all(steer == steer[0]))
    if wheel is None:  # the wheel follows the command exactly, late, scaled and offset
        truth = {"delay_s": None if flat else run["delay_s"], "gain": None if flat else run["gain"],
                 "offset_deg": run["offset_deg"]}
    else:
        truth = {"steps": step_overshoots(time, steer, wheel, run)}
    result = {"name": name, "program": program, "run": run, "wheel": wheel, "truth": truth}
    if program is SWEEP:
        truth["response"] = sweep_response(wheel, 0.2, 4.0)
    return result


cases = [
    case("whole log", SWD, {"delay_s": 0.035, "gain": 0.97}),
    case("log cut at its end", SWD, {"delay_s": 0.035, "gain": 0.97, "to_s": 2.7}),
    case("log cut at its start", SWD, {"delay_s": 0.035, "gain": 0.97, "offset_deg": 0.4, "from_s": 1.2}),
    case("1 kHz mark, log cut at its end", SWD_MARK,
         {"delay_s": 0.035, "gain": 0.97, "to_s": 2.7, "sample_rate_hz": 1000, "log_start_s": 7.5,
          "mark_flag": 3}),
    case("1 kHz mark, log started after the first mark", SWD_MARK,
         {"delay_s": 0.035, "gain": 0.97, "from_s": 1.2, "sample_rate_hz": 1000, "log_start_s": 7.5,
          "mark_flag": 3}),
    case("first-order wheel", STEP, {}, {"order": 1, "corner_hz": 1.5, "dead_time_s": 0.02}),
    case("second-order wheel", STEP, {},
         {"order": 2, "natural_hz": 3.0, "damping": 0.4, "dead_time_s": 0.02}),
    case("sweep through a lag", SWEEP, {}, LAG),
    case("steer never changes", FLAT, {"offset_deg": 0.25}),
    case("steer never changes, mark", FLAT_MARK, {"offset_deg": 0.25, "log_start_s": 3, "mark_flag": 3}),
]
with open(os.path.join(HERE, "figures.json"), "w") as f:
    json.dump({"made_by": "make_figures.py", "cases": cases}, f, indent=1)
    f.write("\n")
