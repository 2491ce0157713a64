#!/usr/bin/python3
"""Reference figures of a measured steer log against the steer program it played.

Usage
    compare_reference.py STEPS.csv LOG.csv [--json] [--time-column C] [--steer-column C]
                         [--mark-column C | --no-mark] [--mark-flag N] [--delay-range MIN MAX]
                         [--band-hz 0.1] [--sweep | --no-sweep]
STEPS.csv is the step store written by `quillard-cli steps` (index,time,steer,...,f1..f8, with the
`# end_index=E` line); LOG.csv has a header and columns time [s], steer [deg] and optionally a
mark (the logged aux output that pulses at the first step of the manoeuvre).

Figures
  delay_s          lag of the measured steer behind the program: the lag d maximising the
                   normalised (time-weighted) correlation of measured(t) with program(t - d) over
                   the part of the program the log covers; coarse grid at the log step (or 1 ms),
                   then a bounded scalar search on the same criterion with the overlap held fixed.
  gain, offset_deg weighted least squares measured = gain x program(t - d) + offset over that
                   overlap, each sample weighted by the time it stands for (the same as weighting
                   each program step by its duration).
  rms_error_deg, peak_error_deg   measured - program(t - d) over the overlap (not corrected for
                   gain and offset; the corrected residual is given as rms_residual_deg).
  steps[]          each step of the program (a monotone move between two holds of >= 0.1 s, at
                   least 0.5 deg): measured level before it moves (mean over the last
                   min(0.1 s, half the hold) before the command moves), settled level (mean over
                   the last min(0.2 s, quarter of the hold) before the command moves again, or
                   before the log ends), largest excursion past the settled level in the
                   direction of the step between the two; in deg and in percent of the measured
                   step (settled - before). Read in program time with no delay shift: a response
                   cannot move before its command, so neither window takes in the next response.
  frequency_response (a sweep: the program crosses its start level >= 6 times and the
                   frequencies at its start and at its crossings, slope / (2 pi amplitude), span
                   a ratio > 1.5): H1 from one transform of the whole log (no window, no
                   cut, zero-padded to about 10 bins per band; the program and the measurement
                   both start and end at rest, so Y = H X holds at every padded bin), input = program(t) - its start level (the delay stays in the
                   phase), output = measured - its level before the manoeuvre; cross and auto
                   spectra summed over bands of band_hz from the lowest to the highest sweep
                   frequency (both rounded to band_hz); each band's frequency is the |X|^2
                   weighted mean of its bins; gain_db, phase_deg (unwrapped from the first band),
                   coherence. bandwidth_hz: where the gain first falls 3 dB below the gain of
                   the lowest band, linear in dB between bands.
Choices
  The program between step times is the straight line through the step values (the curve the
  program graph draws); a zero-order hold would move every delay by half a step (0.49 ms at
  1024 Hz). Before step 0 the program is at its first value, after its end at its end value.
  Without a mark the log time is program time. With a mark, each edge is the time the mark
  crosses half way between its low and high levels (linear interpolation: for a 0/1 mark the
  midpoint between the last low and first high sample); the log's edges are matched to the
  rising edges of the mark flag in the steps (the flag that pulses first among f2..f7 unless
  --mark-flag), choosing the clock offset that matches most edges (ties: best correlation).
"""

import argparse
import json
import math
import os
import re
import sys

import numpy as np
from scipy import fft as sp_fft
from scipy import optimize

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from swd_reference import LogError, read_csv_table, _find, _is_time, _is_steer  # noqa: E402


# ----------------------------------------------------------------------------- inputs

def read_steps(path):
    end_index = None
    rows = []
    header = None
    with open(path, 'r', encoding='latin-1') as f:
        for line in f:
            s = line.strip()
            if not s:
                continue
            if s.startswith('#'):
                m = re.search(r'end_index=(\d+)', s)
                if m:
                    end_index = int(m.group(1))
                continue
            if header is None:
                header = s.split(',')
                continue
            rows.append([float(v) for v in s.split(',')])
    if header is None or not rows:
        raise LogError('%s: not a step store' % path)
    data = np.array(rows)
    col = {h: k for k, h in enumerate(header)}
    n = (end_index + 1) if end_index is not None else len(rows)
    flags = np.column_stack([data[:n, col['f%d' % k]] for k in range(1, 9)])
    return {'t': data[:n, col['time']], 'steer': data[:n, col['steer']], 'flags': flags,
            'end_index': end_index}


def read_log(path, a):
    names, units, data = read_csv_table(path)
    it = _find(names, a.time_column, _is_time, 'time', '--time-column')
    ist = _find(names, a.steer_column, _is_steer, 'steer angle', '--steer-column')
    mark = None
    if not a.no_mark:
        try:
            im = _find(names, a.mark_column, lambda n, raw: n.startswith('mark'), 'mark', '--mark-column')
            mark = data[:, im]
        except LogError:
            if a.mark_column:
                raise
    t, m = data[:, it], data[:, ist]
    good = np.isfinite(t) & np.isfinite(m)
    if mark is not None:
        good &= np.isfinite(mark)
        mark = mark[good]
    return t[good], m[good], mark


class Program:
    def __init__(self, steps):
        self.t = steps['t']
        self.s = steps['steer']
        self.t_end = float(self.t[-1])

    def __call__(self, tau):
        return np.interp(tau, self.t, self.s)


def weights(t):
    w = np.empty_like(t)
    if t.size == 1:
        return np.ones(1)
    w[1:-1] = 0.5 * (t[2:] - t[:-2])
    w[0] = 0.5 * (t[1] - t[0])
    w[-1] = 0.5 * (t[-1] - t[-2])
    return w


# ----------------------------------------------------------------------------- mark

def rising_edges_log(t, mark):
    lo, hi = float(np.min(mark)), float(np.max(mark))
    if hi - lo <= 0:
        return []
    half = 0.5 * (lo + hi)
    up = np.where((mark[:-1] < half) & (mark[1:] >= half))[0]
    return [float(t[i] + (half - mark[i]) * (t[i + 1] - t[i]) / (mark[i + 1] - mark[i])) for i in up]


def rising_edges_program(steps, flag):
    f = steps['flags']
    cands = [flag] if flag else list(range(2, 8)) + [1, 8]
    best = None
    for k in cands:
        col = f[:, k - 1]
        up = np.where((col[:-1] <= 0) & (col[1:] > 0))[0] + 1
        if col[0] > 0:
            up = np.concatenate(([0], up))
        if up.size and (best is None or steps['t'][up[0]] < best[1][0]):
            best = (k, [float(steps['t'][i]) for i in up])
        if flag:
            break
    return best


# ----------------------------------------------------------------------------- fit

def overlap(tau, d, prog, margin=0.0):
    x = tau - d
    return (x >= margin) & (x <= prog.t_end - margin)


def corr(tau, m, w, prog, d, sel=None):
    if sel is None:
        sel = overlap(tau, d, prog)
    if np.count_nonzero(sel) < 3:
        return -2.0
    c = prog(tau[sel] - d)
    ww = w[sel]
    y = m[sel]
    cw = c - np.average(c, weights=ww)
    yw = y - np.average(y, weights=ww)
    sc = np.sum(ww * cw * cw)
    sy = np.sum(ww * yw * yw)
    if sc <= 1e-12 * max(1.0, np.sum(ww)) or sy <= 0:
        return -2.0
    return float(np.sum(ww * cw * yw) / math.sqrt(sc * sy))


def estimate_delay(tau, m, w, prog, dmin, dmax):
    h = min(float(np.median(np.diff(tau))), 0.001)
    grid = np.arange(dmin, dmax + 0.5 * h, h)
    rho = np.array([corr(tau, m, w, prog, d) for d in grid])
    k = int(np.argmax(rho))
    if rho[k] <= -1.5:
        return None, None
    d0 = grid[k]
    sel = overlap(tau, d0, prog, margin=3 * h)
    if np.count_nonzero(sel) < 3:
        sel = overlap(tau, d0, prog)
    res = optimize.minimize_scalar(lambda d: -corr(tau, m, w, prog, d, sel),
                                   bounds=(d0 - 2 * h, d0 + 2 * h), method='bounded',
                                   options={'xatol': 1e-8})
    return float(res.x), float(-res.fun)


def gain_offset(c, y, w):
    A = np.column_stack([c, np.ones_like(c)])
    sw = np.sqrt(w)
    sol, *_ = np.linalg.lstsq(A * sw[:, None], y * sw, rcond=None)
    return float(sol[0]), float(sol[1])


# ----------------------------------------------------------------------------- steps

def program_steps(steps, min_hold=0.1, min_size=0.5):
    t, s = steps['t'], steps['steer']
    n = len(s)
    holds = []     # (first index, last index) of runs of equal steer lasting >= min_hold
    i = 0
    while i < n:
        j = i
        while j + 1 < n and abs(s[j + 1] - s[i]) <= 1e-4:
            j += 1
        last = j == n - 1      # the end value is held for ever
        if last or t[j] - t[i] >= min_hold:
            holds.append((i, j, last))
        i = j + 1
    out = []
    for (a0, a1, _), (b0, b1, blast) in zip(holds[:-1], holds[1:]):
        seg = s[a1:b0 + 1]
        dif = np.diff(seg)
        size = s[b0] - s[a1]
        if abs(size) < min_size:
            continue
        if np.all(dif * np.sign(size) >= -1e-4):
            out.append({'hold_before': (float(t[a0]), float(t[a1])),
                        'start': float(t[a1]), 'end': float(t[b0]),
                        'next': math.inf if blast else float(t[b1]),
                        'from': float(s[a1]), 'to': float(s[b0])})
    return out


def overshoots(tau, m, prog_steps, warnings):
    res = []
    for st in prog_steps:
        hb0, hb1 = st['hold_before']
        w_pre = min(0.1, 0.5 * (hb1 - hb0))
        nxt = min(st['next'], float(tau[-1]))
        hold_after = nxt - st['end']
        if tau[0] > st['start'] - w_pre or hold_after <= 0.05:
            warnings.append('the step at %.4f s is not covered by the log: no overshoot' % st['start'])
            continue
        w_set = min(0.2, 0.25 * hold_after)
        pre = (tau >= st['start'] - w_pre) & (tau <= st['start'])
        post = (tau >= nxt - w_set) & (tau <= nxt)
        win = (tau >= st['start']) & (tau <= nxt)
        before = float(np.mean(m[pre]))
        settled = float(np.mean(m[post]))
        sgn = 1.0 if st['to'] > st['from'] else -1.0
        exc = sgn * (m[win] - settled)
        k = int(np.argmax(exc))
        ov = max(0.0, float(exc[k]))
        size = abs(settled - before)
        res.append({'time_s': st['start'], 'angle_deg': st['to'], 'from_deg': st['from'],
                    'measured_before_deg': before, 'measured_settled_deg': settled,
                    'overshoot_deg': ov, 'overshoot_percent': 100.0 * ov / size if size > 0 else None,
                    'peak_time_s': float(tau[win][k])})
    return res


# ----------------------------------------------------------------------------- sweep

def sweep_range(steps):
    """Lowest and highest frequency of a sweep program, or None when it is no sweep.

    For a sine of constant amplitude A the slope where it passes its centre is 2 pi f A, which
    gives the frequency exactly at the start of the sweep and at every zero crossing.
    """
    t, s = steps['t'], steps['steer'] - steps['steer'][0]
    A = float(np.max(np.abs(s)))
    if A <= 0:
        return None
    moving = np.where(np.abs(s) > 1e-4)[0]
    sg = np.sign(s)
    nz = np.where(sg != 0)[0]
    ch = nz[np.where(sg[nz][1:] != sg[nz][:-1])[0] + 1]
    if ch.size < 6:
        return None
    idx = np.concatenate(([moving[0]], ch))
    slope = np.abs((s[idx] - s[idx - 1]) / (t[idx] - t[idx - 1]))
    f = slope / (2 * math.pi * A)
    if f.max() / f.min() <= 1.5:
        return None
    return float(f.min()), float(f.max())


def frequency_response(tau, m, prog, steps, band, frange, warnings, d):
    dt = np.diff(tau)
    med = float(np.median(dt))
    if np.max(np.abs(dt - med)) > 0.01 * med:
        tg = tau[0] + med * np.arange(int((tau[-1] - tau[0]) / med) + 1)
        m = np.interp(tg, tau, m)
        tau = tg
    fs = 1.0 / med
    s0 = float(steps['steer'][0])
    moving = np.where(np.abs(steps['steer'] - s0) > 1e-4)[0]
    t_move = float(steps['t'][moving[0]]) if moving.size else 0.0
    pre = tau < t_move
    if np.count_nonzero(pre) >= 10:
        y0 = float(np.mean(m[pre]))
    else:
        y0 = None
        warnings.append('the log starts after the sweep has begun: its rest level is not known')
    if tau[0] > 0.0 + 1e-9 and not pre.any():
        warnings.append('the log starts after the program start: the response is biased')
    if tau[-1] < prog.t_end + (d or 0.0) + 0.5:
        warnings.append('the log ends before the wheel is at rest: the response is biased')
    x = prog(tau) - s0
    y = m - (y0 if y0 is not None else float(np.mean(m[-max(10, int(0.2 * fs)):])))
    # zero-padded so that each band holds about 10 bins: the padded transform samples the same
    # spectrum more finely (the record starts and ends at rest, so Y = H X holds at every bin)
    nfft = sp_fft.next_fast_len(max(len(x), int(math.ceil(10.0 * fs / band))))
    X = np.fft.rfft(x, nfft)
    Y = np.fft.rfft(y, nfft)
    fk = np.fft.rfftfreq(nfft, med)
    lo = round(frange[0] / band) * band
    hi = round(frange[1] / band) * band
    nb = int(round((hi - lo) / band))
    fr, gdb, ph, coh = [], [], [], []
    for b in range(nb):
        sel = (fk >= lo + b * band - 1e-9) & (fk < lo + (b + 1) * band - 1e-9)
        if not sel.any():
            continue
        Sxx = np.sum(np.abs(X[sel]) ** 2)
        Syy = np.sum(np.abs(Y[sel]) ** 2)
        Sxy = np.sum(Y[sel] * np.conj(X[sel]))
        if Sxx <= 0:
            continue
        H = Sxy / Sxx
        fr.append(float(np.sum(fk[sel] * np.abs(X[sel]) ** 2) / Sxx))
        gdb.append(20 * math.log10(abs(H)))
        ph.append(math.atan2(H.imag, H.real))
        coh.append(float(abs(Sxy) ** 2 / (Sxx * Syy)) if Syy > 0 else 0.0)
    ph = list(np.degrees(np.unwrap(np.array(ph)))) if ph else []
    bw = None
    if gdb:
        ref = gdb[0] - 3.0
        for j in range(1, len(gdb)):
            if gdb[j] <= ref:
                bw = fr[j - 1] + (ref - gdb[j - 1]) * (fr[j] - fr[j - 1]) / (gdb[j] - gdb[j - 1])
                break
        if bw is None:
            warnings.append('the gain stays within 3 dB of the lowest band up to %.3g Hz' % fr[-1])
    return {'frequency_hz': fr, 'gain_db': gdb, 'phase_deg': [float(p) for p in ph],
            'coherence': coh, 'band_hz': band, 'sample_rate_hz': fs}, bw


# ----------------------------------------------------------------------------- main figure

def compare(steps, t, m, mark, a):
    warnings = []
    prog = Program(steps)
    doc = {'program_duration_s': prog.t_end}
    off = 0.0
    dmin, dmax = a.delay_range
    w = weights(t)
    if mark is not None:
        le = rising_edges_log(t, mark)
        pe = rising_edges_program(steps, a.mark_flag)
        if not le or pe is None:
            warnings.append('mark column without edges or program without a mark flag: log time '
                            'taken as program time')
            doc['mark'] = None
        else:
            flag, pedges = pe
            tol = max(2.0 * float(np.median(np.diff(t))), 0.002)
            cands = []
            for l in le:
                for p in pedges:
                    o = l - p
                    inside = [q for q in pedges if t[0] <= q + o <= t[-1]]
                    hits = sum(1 for q in inside if min(abs(q + o - x) for x in le) <= tol)
                    cands.append((hits - (len(inside) - hits), o))
            top = max(c[0] for c in cands)
            tied = [o for s, o in cands if s == top]
            best = (None, tied[0])
            if len(tied) > 1:
                # several offsets explain the edges equally: the one the steer agrees with
                best = (None, max(tied, key=lambda o: estimate_delay(t - o, m, w, prog, -0.1, 0.5)[1] or -2))
            off = best[1]
            doc['mark'] = {'flag': flag, 'log_edges_s': le, 'program_edges_s': pedges,
                           'clock_offset_s': off}
            dmin, dmax = max(dmin, -0.1), dmax
    tau = t - off
    d, rho = estimate_delay(tau, m, w, prog, dmin, dmax)
    doc['delay_s'] = d
    doc['correlation'] = rho
    if d is None:
        # nothing in the covered program moves: no delay and no gain
        doc.update({'gain': None, 'offset_deg': float(np.average(m - prog(tau), weights=w)),
                    'rms_error_deg': float(math.sqrt(np.average((m - prog(tau)) ** 2, weights=w))),
                    'peak_error_deg': float(np.max(np.abs(m - prog(tau))))})
        warnings.append('the program does not move where the log covers it: no delay or gain')
        doc['steps'] = []
        doc['warnings'] = warnings
        return doc
    sel = overlap(tau, d, prog)
    c = prog(tau[sel] - d)
    y = m[sel]
    ww = w[sel]
    g, o = gain_offset(c, y, ww)
    e = y - c
    r = y - (g * c + o)
    k = int(np.argmax(np.abs(e)))
    doc.update({'gain': g, 'offset_deg': o,
                'rms_error_deg': float(math.sqrt(np.average(e ** 2, weights=ww))),
                'peak_error_deg': float(np.abs(e[k])), 'peak_error_time_s': float(tau[sel][k] - d),
                'rms_residual_deg': float(math.sqrt(np.average(r ** 2, weights=ww)))})
    cov0, cov1 = float(tau[0] - d), float(tau[-1] - d)
    doc['covered_program_s'] = [max(0.0, cov0), min(prog.t_end, cov1)]
    if cov0 > 1e-9:
        warnings.append('the log does not cover the program from 0 s to %.4f s' % cov0)
    if cov1 < prog.t_end - 1e-9:
        warnings.append('the log does not cover the program from %.4f s to %.4f s' % (cov1, prog.t_end))
    doc['steps'] = overshoots(tau, m, program_steps(steps), warnings)
    fr = None if a.no_sweep else sweep_range(steps)
    if a.sweep and fr is None:
        s = steps['steer']
        fr = (0.1, 4.0)
        warnings.append('--sweep given but no sweep found in the program: 0.1 to 4 Hz analysed')
        del s
    if fr is not None:
        resp, bw = frequency_response(tau, m, prog, steps, a.band_hz, fr, warnings, d)
        doc['frequency_response'] = resp
        doc['bandwidth_hz'] = bw
    doc['warnings'] = warnings
    return doc


def parser():
    ap = argparse.ArgumentParser(description='Reference compare of a steer log with its program')
    ap.add_argument('steps')
    ap.add_argument('log')
    ap.add_argument('--json', action='store_true')
    ap.add_argument('--time-column')
    ap.add_argument('--steer-column')
    ap.add_argument('--mark-column')
    ap.add_argument('--no-mark', action='store_true')
    ap.add_argument('--mark-flag', type=int)
    ap.add_argument('--delay-range', type=float, nargs=2, default=(-0.5, 1.0))
    ap.add_argument('--band-hz', type=float, default=0.1)
    ap.add_argument('--sweep', action='store_true')
    ap.add_argument('--no-sweep', action='store_true')
    return ap


def run(argv):
    a = parser().parse_args(argv)
    steps = read_steps(a.steps)
    t, m, mark = read_log(a.log, a)
    return compare(steps, t, m, mark, a), a


def main(argv=None):
    try:
        doc, a = run(argv if argv is not None else sys.argv[1:])
    except (LogError, OSError, ValueError, KeyError) as e:
        print('compare_reference: %s' % e, file=sys.stderr)
        return 2
    if a.json:
        print(json.dumps(doc, indent=2))
        return 0
    for k in ('delay_s', 'gain', 'offset_deg', 'rms_error_deg', 'peak_error_deg', 'rms_residual_deg',
              'bandwidth_hz'):
        if k in doc:
            v = doc[k]
            print('%-18s %s' % (k, 'null' if v is None else '%.6g' % v))
    if doc.get('mark'):
        print('%-18s %.6g (flag %d)' % ('clock_offset_s', doc['mark']['clock_offset_s'], doc['mark']['flag']))
    for s in doc.get('steps', []):
        print('step at %.4f s to %g deg: before %.4f, settled %.4f, overshoot %.4f deg = %.3f %%'
              % (s['time_s'], s['angle_deg'], s['measured_before_deg'], s['measured_settled_deg'],
                 s['overshoot_deg'], s['overshoot_percent'] if s['overshoot_percent'] is not None else float('nan')))
    if 'frequency_response' in doc:
        fr = doc['frequency_response']
        print('frequency_hz  gain_db  phase_deg  coherence')
        for f, gdb, p, c in zip(fr['frequency_hz'], fr['gain_db'], fr['phase_deg'], fr['coherence']):
            print('%8.4f  %8.4f  %9.3f  %.5f' % (f, gdb, p, c))
    for w in doc['warnings']:
        print('warning: ' + w)
    return 0


if __name__ == '__main__':
    sys.exit(main())
