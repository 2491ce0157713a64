#!/usr/bin/python3
"""Synthetic steer logs with known truth, and the figures compare_reference.py measures on them.

Run: /usr/bin/python3 make_logs.py [--out DIR] [--cli PATH]
Writes DIR/<case>.steps.csv (from `quillard-cli steps`), DIR/<case>.log.csv (time,steer[,mark])
and DIR/truth.json, and prints for each case the true figures next to the measured ones.

The wheel models are driven by the program as the straight line through its step values and
solved exactly (state-space with a first-order hold, matrix exponentials), then sampled at the
log times; dead time shifts the response.
"""
import argparse
import json
import math
import os
import subprocess
import sys

import numpy as np
from scipy import linalg, signal, optimize

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import compare_reference as cmp  # noqa: E402

CLI_DEFAULT = os.path.join(os.path.dirname(os.path.abspath(__file__)), '../../../build/quillard-cli')


def steps_csv(cli, text, path):
    src = path.replace('.steps.csv', '.txt')
    with open(src, 'w') as f:
        f.write(text)
    out = subprocess.run([cli, 'steps', src], capture_output=True, text=True, check=True).stdout
    with open(path, 'w') as f:
        f.write(out)
    return cmp.read_steps(path)


def template(cli, *args):
    return subprocess.run([cli, 'template'] + list(args), capture_output=True, text=True,
                          check=True).stdout


def simulate(num, den, knots_t, knots_u, query_t):
    """Output of num/den driven by the piecewise-linear input through the knots, at query_t."""
    A, B, C, D = signal.tf2ss(num, den)
    n = A.shape[0]
    M = np.zeros((n + 2, n + 2))
    M[:n, :n] = A
    M[:n, n] = B[:, 0]
    M[n, n + 1] = 1.0
    cache = {}

    def E(h):
        key = round(h, 15)
        if key not in cache:
            cache[key] = linalg.expm(M * h)
        return cache[key]

    xs = np.zeros((len(knots_t), n))
    x = np.zeros(n)   # at rest at the first value (0 in every program here)
    for k in range(len(knots_t) - 1):
        h = knots_t[k + 1] - knots_t[k]
        slope = (knots_u[k + 1] - knots_u[k]) / h
        z = E(h) @ np.concatenate((x, [knots_u[k], slope]))
        xs[k] = x
        x = z[:n]
    xs[-1] = x
    y = np.empty(len(query_t))
    for i, tq in enumerate(query_t):
        if tq <= knots_t[0]:
            y[i] = (C @ np.zeros(n) + D[0, 0] * knots_u[0]).item()
            continue
        k = min(int(np.searchsorted(knots_t, tq, side='right')) - 1, len(knots_t) - 1)
        if k == len(knots_t) - 1:
            slope = 0.0
        else:
            slope = (knots_u[k + 1] - knots_u[k]) / (knots_t[k + 1] - knots_t[k])
        z = linalg.expm(M * (tq - knots_t[k])) @ np.concatenate((xs[k], [knots_u[k], slope]))
        u = knots_u[k] + slope * (tq - knots_t[k])
        y[i] = (C @ z[:n] + D[0, 0] * u).item()
    return y


def flag_at(steps, flag, tau):
    """Aux flag level (0/1) the machine puts out at program time tau (held over each step)."""
    col = steps['flags'][:, flag - 1] > 0
    k = np.searchsorted(steps['t'], tau, side='right') - 1
    out = np.zeros(len(tau))
    inside = (k >= 0) & (k < len(col))
    out[inside] = col[k[inside]]
    return out


def write_log(path, t, steer, mark=None):
    with open(path, 'w') as f:
        f.write('time,steer' + (',mark' if mark is not None else '') + '\n')
        for i in range(len(t)):
            f.write('%.6f,%.6f' % (t[i], steer[i]) + (',%d' % mark[i] if mark is not None else '') + '\n')


def second_order(f0, zeta):
    w = 2 * math.pi * f0
    return [w * w], [1.0, 2 * zeta * w, w * w]


def first_order(tau):
    return [1.0], [tau, 1.0]


def run_compare(steps_path, log_path, extra=()):
    doc, _ = cmp.run([steps_path, log_path] + list(extra))
    return doc


def row(name, truth, got, unit='', fmt='%.5f'):
    if got is None or truth is None:
        diff = ''
    else:
        diff = fmt % (got - truth)
    t = 'null' if truth is None else (fmt % truth if not isinstance(truth, str) else truth)
    g = 'null' if got is None else fmt % got
    print('    %-28s true %-14s measured %-14s diff %s %s' % (name, t, g, diff, unit))


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument('--out', default=os.path.join(HERE, 'logs'))
    ap.add_argument('--cli', default=CLI_DEFAULT)
    a = ap.parse_args()
    os.makedirs(a.out, exist_ok=True)
    P = lambda name: os.path.join(a.out, name)
    rng = np.random.default_rng(28)
    truth = {}

    swd = steps_csv(a.cli, template(a.cli, 'sine-with-dwell', '--amplitude', '100', '--mark', '2'),
                    P('swd.steps.csv'))
    stp = steps_csv(a.cli, template(a.cli, 'step-steer', '--amplitude', '30', '--mark', '2'),
                    P('step.steps.csv'))
    swp = steps_csv(a.cli, template(a.cli, 'linear-sweep', '--amplitude', '20', '--start-frequency', '0.2',
                                    '--end-frequency', '4', '--sweep-time', '12'), P('sweep.steps.csv'))
    flat = steps_csv(a.cli, 'maxsteer(100 deg)\nbegin\nwait(3 sec)\nend\n', P('flat.steps.csv'))
    T_swd = float(swd['t'][-1])
    prog = cmp.Program(swd)

    # --- pure delay, gain and offset on the sine with dwell ---------------------------------------
    cases = [
        ('swd_whole', dict(t0=-0.5, t1=T_swd + 1.0, fs=1000.0, mark=False)),
        ('swd_cut_end', dict(t0=-0.5, t1=2.7, fs=1000.0, mark=False)),
        ('swd_cut_start', dict(t0=1.2, t1=T_swd + 1.0, fs=1000.0, mark=False)),
        ('swd_mark_cut_end', dict(t0=-0.5, t1=2.7, fs=1000.0, mark=True)),
        ('swd_mark_cut_start', dict(t0=1.2, t1=T_swd + 1.0, fs=1000.0, mark=True)),
        ('swd_200hz_noise', dict(t0=-0.5, t1=T_swd + 1.0, fs=200.0, mark=False, noise=0.1)),
    ]
    delay, gain, offset = 0.035, 0.97, 0.4
    for name, c in cases:
        # the log's own clock: program time + 7.3193 s when a mark aligns it
        clock = 7.3193 if c['mark'] else 0.0
        tau = np.arange(c['t0'], c['t1'], 1.0 / c['fs']) + 0.00037   # samples not on the step grid
        y = gain * prog(tau - delay) + offset + rng.normal(0, c.get('noise', 0.0), tau.size)
        mark = flag_at(swd, 2, tau).astype(int) if c['mark'] else None
        write_log(P(name + '.log.csv'), tau + clock, y, mark)
        truth[name] = {'steps': 'swd.steps.csv', 'delay_s': delay, 'gain': gain, 'offset_deg': offset,
                       'rms_residual_deg': c.get('noise', 0.0)}

    # --- wheels on the step steer ----------------------------------------------------------------
    T_stp = float(stp['t'][-1])
    tau = np.arange(-0.5, T_stp + 1.5, 0.001) + 0.00037
    wheels = [('step_first_order', first_order(0.04), 0.0, None),
              ('step_second_order', second_order(3.0, 0.4), 0.020, None)]
    for name, (num, den), dead, _ in wheels:
        y = simulate(num, den, stp['t'], stp['steer'], tau - dead)
        write_log(P(name + '.log.csv'), tau, y)
        # true overshoot: the continuous response on a fine grid around each step
        tr = []
        for st in cmp.program_steps(stp):
            tf = np.arange(st['start'], min(st['next'], T_stp + 1.0), 1e-4)
            yf = simulate(num, den, stp['t'], stp['steer'], tf - dead)
            sgn = 1.0 if st['to'] > st['from'] else -1.0
            ov = max(0.0, float(np.max(sgn * (yf - st['to']))))
            tr.append({'time_s': st['start'], 'overshoot_deg': ov,
                       'overshoot_percent': 100 * ov / abs(st['to'] - st['from'])})
        truth[name] = {'steps': 'step.steps.csv', 'overshoot': tr}
    z = 0.4
    truth['step_second_order']['ideal_step_overshoot_percent'] = 100 * math.exp(-math.pi * z / math.sqrt(1 - z * z))

    # --- sweep through a first-order lag with dead time ------------------------------------------
    fc, dead = 1.5, 0.020
    T_swp = float(swp['t'][-1])
    tau = np.arange(-0.5, T_swp + 1.5, 0.001) + 0.00037
    y = simulate([1.0], [1.0 / (2 * math.pi * fc), 1.0], swp['t'], swp['steer'], tau - dead)
    write_log(P('sweep_lag.log.csv'), tau, y)
    truth['sweep_lag'] = {'steps': 'sweep.steps.csv', 'corner_hz': fc, 'dead_time_s': dead}
    # the same at 200 Hz with noise
    tau2 = np.arange(-0.5, T_swp + 1.5, 0.005) + 0.0013
    y2 = simulate([1.0], [1.0 / (2 * math.pi * fc), 1.0], swp['t'], swp['steer'], tau2 - dead)
    write_log(P('sweep_lag_200hz_noise.log.csv'), tau2, y2 + rng.normal(0, 0.1, tau2.size))
    truth['sweep_lag_200hz_noise'] = dict(truth['sweep_lag'])

    # --- a program that never moves --------------------------------------------------------------
    tau = np.arange(-0.2, 3.5, 0.001)
    write_log(P('flat.log.csv'), tau, 0.3 + 0 * tau)
    truth['flat'] = {'steps': 'flat.steps.csv', 'gain': None, 'delay_s': None, 'offset_deg': 0.3}

    with open(P('truth.json'), 'w') as f:
        json.dump(truth, f, indent=2)

    # --- measure and print -----------------------------------------------------------------------
    for name, tr in truth.items():
        doc = run_compare(P(tr['steps']), P(name + '.log.csv'))
        print(name)
        if 'delay_s' in tr or name.startswith('swd'):
            row('delay [ms]', None if tr.get('delay_s') is None else 1000 * tr['delay_s'],
                None if doc['delay_s'] is None else 1000 * doc['delay_s'], 'ms', '%.4f')
            row('gain', tr.get('gain'), doc['gain'], '', '%.6f')
            row('offset [deg]', tr.get('offset_deg'), doc['offset_deg'], 'deg', '%.5f')
            if 'rms_residual_deg' in doc:
                row('rms residual [deg]', tr.get('rms_residual_deg'), doc['rms_residual_deg'], 'deg', '%.5f')
        else:
            print('    delay %.3f ms (no true value: not a pure delay), gain %.5f, offset %.5f deg, '
                  'rms error %.4f deg' % (1000 * doc['delay_s'], doc['gain'], doc['offset_deg'],
                                          doc['rms_error_deg']))
        if 'mark' in doc and doc['mark']:
            row('clock offset [s]', 7.3193, doc['mark']['clock_offset_s'], 's', '%.6f')
        if 'overshoot' in tr:
            for t_ov, m_ov in zip(tr['overshoot'], doc['steps']):
                row('overshoot at %.3f s [%%]' % t_ov['time_s'], t_ov['overshoot_percent'],
                    m_ov['overshoot_percent'], 'points', '%.3f')
                row('overshoot at %.3f s [deg]' % t_ov['time_s'], t_ov['overshoot_deg'],
                    m_ov['overshoot_deg'], 'deg', '%.4f')
            if 'ideal_step_overshoot_percent' in tr:
                print('    (an ideal step would overshoot %.3f %%; the 60 ms ramp of the program less)'
                      % tr['ideal_step_overshoot_percent'])
        if 'corner_hz' in tr:
            fr = doc['frequency_response']
            f = np.array(fr['frequency_hz'])
            num, den = [1.0], [1.0 / (2 * math.pi * tr['corner_hz']), 1.0]
            _, H = signal.freqs(num, den, worN=2 * math.pi * f)
            H = H * np.exp(-2j * math.pi * f * tr['dead_time_s'])
            g_true = 20 * np.log10(np.abs(H))
            p_true = np.degrees(np.unwrap(np.angle(H)))
            dg = np.array(fr['gain_db']) - g_true
            dp = np.array(fr['phase_deg']) - p_true
            inside = f <= (doc['bandwidth_hz'] or f[-1])
            print('    %d bands %.3f..%.3f Hz; gain error max |%.4f| dB (inside the bandwidth |%.4f|),'
                  ' phase error max |%.3f| deg (inside |%.3f|), coherence min %.5f'
                  % (len(f), f[0], f[-1], np.max(np.abs(dg)), np.max(np.abs(dg[inside])),
                     np.max(np.abs(dp)), np.max(np.abs(dp[inside])), min(fr['coherence'])))
            for k in range(4):
                print('    band %.4f Hz: gain %.4f dB (true %.4f), phase %.3f deg (true %.3f)'
                      % (f[k], fr['gain_db'][k], g_true[k], fr['phase_deg'][k], p_true[k]))
            # exact -3 dB point relative to the gain at the lowest band frequency
            target = 10 ** 0.3 * (1 + (f[0] / tr['corner_hz']) ** 2)
            bw_true = tr['corner_hz'] * math.sqrt(target - 1)
            row('bandwidth [Hz]', bw_true, doc['bandwidth_hz'], 'Hz', '%.5f')
            print('    (relative error %.3f %%)' % (100 * (doc['bandwidth_hz'] - bw_true) / bw_true))
        for w in doc['warnings']:
            print('    warning: ' + w)


if __name__ == '__main__':
    main()
