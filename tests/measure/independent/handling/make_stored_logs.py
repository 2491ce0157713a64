#!/usr/bin/python3
"""Write the logs that ctest holds quillard-cli against the reference on, into logs/.

    make_stored_logs.py

The project's copy of the second implementation stores fewer logs than make_logs.py's own set (a few
hundred kB): the 100 Hz logs of the default vehicle that each evaluation and each bad log needs, made by
make_logs.py's own functions. Two differ from its set: the linear-tyre understeer run stops at 1.4 g
(a lateral acceleration above 1.5 g is no vehicle on tyres, and quillard-cli's reader says so), and a
step to the left is added. The 1 kHz step, the 60 s random steer and the continuous sine are left out:
the project's own tests make such logs with quillard-cli simulate --linear.
"""
import os
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)

import make_logs as ml  # noqa: E402
from vehicle import read_vehicle  # noqa: E402

STORED = {
    "step_100hz": lambda v: ml.step_log(v, 100),
    "step_left_100hz": lambda v: ml.step_log(v, 100, amp=-40.0, t_on=0.6, rise=0.2, t_end=4.0),
    "sine_100hz": lambda v: ml.sine_log(v, 100),
    "sweep_100hz": lambda v: ml.sweep_log(v, 100),
    "understeer_100hz": lambda v: ml.understeer_log(v, 100, top=1.4 * ml.handwheel_gradient(v)),
    "understeer_tanh_100hz": lambda v: ml.understeer_log(v, 100, tyre="tanh", extra=()),
    "fishhook_100hz": lambda v: ml.rollover_log(v, 100, "fishhook"),
    "jturn_100hz": lambda v: ml.rollover_log(v, 100, "jturn"),
    "bad_short_hold_100hz": lambda v: ml.step_log(v, 100, t_end=3.0, extra=()),
    "bad_low_coherence_100hz": lambda v: ml.sweep_log(
        v, 100, amp=1.0, T=20.0, noise={"seed": 11, "sd": {"yaw rate": 4.0, "lateral acceleration": 0.1}}),
    "bad_outside_linear_100hz": lambda v: ml.understeer_log(v, 100, tyre="tanh", start=120.0, rate=27.0,
                                                            extra=()),
}


def main():
    vfile = os.path.join(HERE, "vehicles", "default.veh")
    ml.make(STORED, read_vehicle(vfile), vfile, os.path.join(HERE, "logs"))
    return 0


if __name__ == "__main__":
    sys.exit(main())
