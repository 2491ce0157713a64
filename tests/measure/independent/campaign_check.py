#!/usr/bin/python3
"""Holds the figures of `quillard-cli evaluate` against swd_reference.py, the second implementation.

    campaign_check.py FOLDER

FOLDER holds campaign.json (the document of `evaluate campaign --json`), sis.json (of `evaluate sis
--json`, optional) and the logs the campaign names. Each run is evaluated again by the reference with
the campaign's A and the run's commanded amplitude; a figure further off than its tolerance, or a
verdict that differs, is listed. Exit 0 when everything agrees.
"""
import json
import os
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
REFERENCE = [sys.executable, os.path.join(HERE, 'swd_reference.py')]
TOLERANCE = {'bos_s': 0.005, 'cos_s': 0.005, 'yaw_rate_ratio_1000_percent': 1.0,
             'yaw_rate_ratio_1750_percent': 1.0, 'lateral_displacement_m': 0.02,
             'peak_yaw_rate_deg_s': 0.1}


def figure_notes(ours, theirs, tolerances, worst):
    """Each figure of tolerances that is missing from one of the documents, or further apart than its
    tolerance; worst keeps the largest difference of each."""
    notes = []
    for key, tolerance in tolerances.items():
        mine, other = ours.get(key), theirs.get(key)
        if mine is None or other is None:
            notes.append('%s: %s against %s' % (key, mine, other))
            continue
        worst[key] = max(worst[key], abs(mine - other))
        if abs(mine - other) > tolerance:
            notes.append('%s: %.6f against %.6f' % (key, mine, other))
    return notes


def reference(*arguments):
    done = subprocess.run(REFERENCE + list(arguments) + ['--json'], capture_output=True, text=True)
    return json.loads(done.stdout)


def main(folder):
    campaign = json.load(open(os.path.join(folder, 'campaign.json')))
    a_deg, faults, worst = campaign['a_deg'], 0, dict.fromkeys(TOLERANCE, 0.0)
    sis_path = os.path.join(folder, 'sis.json')
    if os.path.exists(sis_path):
        sis = json.load(open(sis_path))
        logs = [os.path.join(folder, os.path.basename(run['log']['file'])) for run in sis['runs']]
        theirs = reference('sis', *logs)['a_deg']
        print('A: %.1f deg, reference %.1f deg' % (sis['a_deg'], theirs))
        faults += abs(sis['a_deg'] - theirs) > 0.1 + 1e-9
    for run in campaign['runs']:
        log = os.path.join(folder, os.path.basename(run['log']))
        theirs = reference('swd', log, '--amplitude-a', str(a_deg),
                           '--commanded-amplitude', str(run['amplitude_deg']))
        notes = figure_notes(run, theirs, TOLERANCE, worst)
        if run.get('pass') != theirs.get('pass'):
            notes.append('verdict %s against %s' % (run.get('pass'), theirs.get('pass')))
        faults += bool(notes)
        print('run %2d, %7.2f deg: %s%s' % (run['run'], run['amplitude_deg'],
                                           'pass' if run.get('pass') else 'FAIL',
                                           ('; ' + '; '.join(notes)) if notes else ''))
    print('largest differences: ' + ', '.join('%s %.2g' % item for item in worst.items()))
    return 1 if faults else 0


if __name__ == '__main__':
    sys.exit(main(sys.argv[1] if len(sys.argv) > 1 else '.'))
