#!/usr/bin/python3
"""Holds `quillard-cli evaluate swd` against swd_reference.py on the stored logs (make_stored_logs.py
writes them): the state of each run, and every figure within its tolerance. Run by ctest.

    check_stored_logs.py --cli PATH

Exit 0 when they agree; the largest differences are printed either way.
"""
import argparse
import json
import os
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
STORED = os.path.join(HERE, 'stored')
REFERENCE = [sys.executable, os.path.join(HERE, 'swd_reference.py')]
sys.path.insert(0, HERE)
from campaign_check import figure_notes  # noqa: E402

# The figures and how far apart the two implementations may be: a tenth of a millisecond for the
# times, 0.01 points for the ratios, half a millimetre for the displacement, 0.01 deg/s for the peak.
TOLERANCE = {'bos_s': 1e-4, 'cos_s': 1e-4, 'peak_yaw_rate_deg_s': 0.01, 'yaw_rate_ratio_1000_percent': 0.01,
             'yaw_rate_ratio_1750_percent': 0.01, 'lateral_displacement_m': 5e-4, 'speed_at_bos_kmh': 0.01}

# log, program, commanded amplitude (deg), A (deg), the state both must give, the dropouts (count)
CASES = [
    ('logger_100hz.vbo', 'swd176.txt', 176, 27, 'pass', 3),
    ('slow_1khz.csv', 'swd176short.txt', 176, 27, 'fail', 0),
    ('spin_200hz.csv', 'swd270.txt', 270, 27, 'fail', 0),
    ('spinning_on_200hz.csv', 'swd270.txt', 270, 27, 'fail', 0),
]


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument('--cli', required=True)
    cli = ap.parse_args().cli
    faults, worst = 0, dict.fromkeys(TOLERANCE, 0.0)
    for log, program, commanded, a, state, dropouts in CASES:
        path = os.path.join(STORED, log)
        ours = json.loads(subprocess.run([cli, 'evaluate', 'swd', path, '--program-file',
                                          os.path.join(STORED, program), '--amplitude-a', str(a), '--json'],
                                         capture_output=True, text=True).stdout)
        theirs = json.loads(subprocess.run(REFERENCE + ['swd', path, '--amplitude-a', str(a), '--commanded-amplitude',
                                                        str(commanded), '--json'],
                                           capture_output=True, text=True).stdout)
        notes = []
        if ours['state'] != state or theirs['state'] != state:
            notes.append('state %s, reference %s, expected %s (%s; %s)' % (
                ours['state'], theirs['state'], state, ours.get('reason'), theirs.get('reasons')))
        if ours.get('spin') != theirs.get('spin'):
            notes.append('spin %s, reference %s' % (ours.get('spin'), theirs.get('spin')))
        if len(ours['dropouts']) != dropouts or len(theirs['dropouts']) != dropouts:
            notes.append('dropouts %d, reference %d, expected %d' % (len(ours['dropouts']),
                                                                      len(theirs['dropouts']), dropouts))
        notes += figure_notes(ours, theirs, TOLERANCE, worst)
        faults += bool(notes)
        print('%-22s %-7s%s ratios %7.3f %7.3f %%, displacement %.4f m%s' % (
            log, ours['state'], ' (a spin)' if ours.get('spin') else '', ours.get('yaw_rate_ratio_1000_percent', 0),
            ours.get('yaw_rate_ratio_1750_percent', 0), ours.get('lateral_displacement_m', 0),
            ('; ' + '; '.join(notes)) if notes else ''))
    print('largest differences: ' + ', '.join('%s %.2g' % item for item in worst.items()))
    return 1 if faults else 0


if __name__ == '__main__':
    sys.exit(main())
