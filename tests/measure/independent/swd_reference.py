#!/usr/bin/python3
"""Reference evaluation of slowly increasing steer (SIS) and sine-with-dwell (SWD) runs.

Written from the published ESC test procedure (slowly increasing steer, sine with dwell, data
processing) as a second, independent implementation to check the figures of the main tool.

Usage
    swd_reference.py sis LOG... [--json] [LOG OPTIONS] [--lower-g 0.1] [--upper-g 0.375]
    swd_reference.py swd LOG [--amplitude-a A] [--commanded-amplitude DEG] [--gvwr KG]
                         [--json] [LOG OPTIONS]
LOG OPTIONS: --time-column, --steer-column, --yaw-column, --ay-column (name or 1-based number),
             --ay-unit g|m/s2
Exit status: 0 done (swd: every applicable criterion passed), 1 an swd run fails a criterion,
2 a log that cannot be read or evaluated (one line on stderr naming what is missing).

Choices made where the procedure leaves a detail open
 C1  Logs. CSV/text: the first non-comment line is the header (separator ',', ';', tab or
     blanks, sniffed from it); columns found by name (time*, *steer*, *yaw*, ay / lat*acc* /
     y_accel ...) or given by the options. Units come from the header ("ay [g]", "ay (m/s2)",
     suffixes _g, _mps2, _deg_s, _rad_s); an acceleration without a unit is taken as m/s^2
     when its 99th percentile of magnitude exceeds 2.5, else as g (said in the output). VBO: [column names] gives
     the data columns, [channel units] (in [header] order) their units, [data] blank-separated
     rows; `time` is hhmmss.ss UTC turned into seconds of the day, unwrapped across midnight,
     and times are reported relative to the first sample of the file.
 C2  Uneven sampling (spread of the time steps above 1 % of the median) is resampled linearly
     onto an even grid at the median step before filtering.
 C3  Dropouts: sample i (or the pair i, i+1) whose deviation from the straight line between
     its outer neighbours exceeds a threshold, and that also jumps by more than the threshold
     away from the sample before and back to the sample after (same side).
     Threshold = max(channel floor, 8 x robust spread of that deviation over the channel);
     floors: steer 5 deg, yaw rate 5 deg/s, ay 0.2 g, speed 10 km/h, roll 3 deg. A dropout is
     replaced by linear interpolation in time between its neighbours, before any filtering.
 C4  Filter: scipy butter(6, fc, fs, output='sos') run forward and backward (sosfiltfilt),
     i.e. 12 poles, zero phase, gain |H|^2; edges padded by odd reflection of 18 samples
     (3 x (filter order + 1 - 1), the customary forward-backward edge treatment).
 C5  Steer rate = central difference of the filtered steer (numpy.gradient). Zeroing end = the
     first sample at which |steer rate| > 75 deg/s and stays above it for the following 200 ms
     (later crossings tried in turn); zeroing range = the 1.000 s before it (clipped at the log
     start); every channel is zeroed by its mean over that range (samples with t0 <= t < t1).
 C6  First steer direction = sign of the steer rate at the zeroing end. BOS = first time after
     the zeroing end at which the zeroed steer reaches 5 deg in that direction, linear
     interpolation between the two samples around the crossing.
 C7  Steer reversal = first zero crossing of the steer after BOS (interpolated). COS = first
     return of the steer to zero (crossing back towards the first direction) after the steer has
     passed 5 deg beyond zero in the opposite direction (the second peak and dwell), linearly
     interpolated. If it never crosses zero, the first time |steer| <= 0.5 deg after the second
     peak is used and a note says so.
 C8  Sign conventions of the yaw rate and lateral acceleration against the steer are taken from
     the data: the sign of their integral over BOS..reversal relative to the first steer
     direction. Peak yaw rate = value of the first sample that is a local maximum of
     (expected sign) x yaw rate, with that product positive, after the steer reversal; no
     sub-sample interpolation. It is reported with the sign it has in the log.
 C9  Yaw rate at COS+1.000 s and COS+1.750 s by linear interpolation; ratio = 100 x value / peak
     (signed: negative when the yaw rate has already reversed). Criteria compare the unrounded
     ratio: <= 35 % and <= 20 %.
 C10 Lateral displacement: zeroed lateral acceleration in m/s^2 (g = 9.80665), integrated twice
     with the trapezoidal rule over BOS..BOS+1.07 s (end points interpolated linearly), velocity
     and displacement zero at BOS; reported positive in the direction of the first lateral
     acceleration. No roll or sensor-position correction (the log's acceleration is taken as
     that of the centre of gravity, in the ground plane).
 C11 Displacement criterion (>= 1.83 m, >= 1.52 m when --gvwr > 3500 kg) applies when the
     commanded amplitude >= 5 A (with a 1e-6 relative tolerance). Commanded amplitude: the
     option, else the measured first steer peak rounded to the nearest 0.5 A (said in the
     output), else unknown (criterion not judged, said in the output).
 C13 States (added for verdicts that cannot be fooled): every run is pass, fail or invalid with
     its reasons. Invalid when the log does not show a test condition: a speed column is needed and
     the speed at BOS (filtered like the yaw rate) must lie within 80 +/- 2 km/h (--accept-speed
     states it instead when the log has no speed); the larger steer peak must be the commanded
     amplitude within max(1 deg, 3 %); no second steer manoeuvre may follow COS; the lateral
     acceleration must be plausible (peak at most 1.5 g); A must be known unless a criterion
     already fails. Otherwise fail when a criterion is not met, else pass.
 C14 Spin: when the yaw rate has no local peak of the reversal's sign after the steer reversal
     (it keeps growing to the end of the log), the peak is its largest value after the reversal
     and the run fails as a spin.
 C15 Dropouts by physics: a sample beyond the channel's reach (steer 2500 deg, yaw rate 1000
     deg/s, lateral acceleration 5 g, speed 500 km/h, roll 180 deg) is a dropout in runs of up to
     five samples; so is a burst of one to five samples that leaves both neighbours faster than the
     channel can move (steer 3000 deg/s, yaw 1500 deg/s^2, ay 40 g/s, with the floors of C3) and
     comes back. This replaces the statistical threshold of C3.
 C16 Logger files: [channel units] pairs with the [header] channels in order, a blank line a
     channel without unit; blank lines at the end of the section are separators.
 C12 SIS: same reading, dropouts, filter. The steer starts where |steer rate| first exceeds
     5 deg/s and stays above it for 200 ms; channels zeroed over the second before. Run
     direction = sign of the steer at its largest magnitude. Rising part = from the steer start
     to the first time direction x ay reaches the upper bound (0.375 g; the largest direction x
     ay before the steer starts to come back when it never does, with a note). Fit: least
     squares line of steer on ay (in g) over the samples of the rising part with lower <= dir x ay
     <= upper; angle = |line at dir x 0.3 g|. A = mean of the run angles, rounded half-up to
     0.1 deg.
"""

import argparse
import json
import math
import re
import sys

import numpy as np
from scipy import signal

G = 9.80665
ZERO_RATE_DEG_S = 75.0
ZERO_HOLD_S = 0.200
ZERO_RANGE_S = 1.000
BOS_DEG = 5.0
DISPLACEMENT_WINDOW_S = 1.07


class LogError(Exception):
    """A log that cannot be read or evaluated; the text names what is missing."""


# ----------------------------------------------------------------------------- reading

def _split_name_unit(field):
    field = field.strip().strip('"').strip()
    m = re.match(r'^(.*?)\s*[\[\(]([^\]\)]*)[\]\)]\s*$', field)
    if m:
        return m.group(1).strip(), m.group(2).strip()
    return field, ''


def _sniff_sep(line):
    for sep in (',', ';', '\t'):
        if sep in line:
            return sep
    return None


def _to_float(tok):
    tok = tok.strip().strip('"')
    if tok == '':
        return math.nan
    return float(tok)


def read_csv_table(path):
    with open(path, 'r', encoding='latin-1') as f:
        lines = f.read().splitlines()
    header = None
    rows = []
    sep = None
    for line in lines:
        s = line.strip()
        if not s or s.startswith('#') or s.startswith(';'):
            continue
        if header is None:
            sep = _sniff_sep(s)
            header = [h for h in (s.split(sep) if sep else s.split())]
            try:
                [float(h) for h in header]
                raise LogError('no header line (the first line holds numbers)')
            except ValueError:
                pass
            continue
        toks = s.split(sep) if sep else s.split()
        try:
            rows.append([_to_float(t) for t in toks])
        except ValueError:
            raise LogError('unreadable number in line "%s"' % s[:60])
    if header is None or not rows:
        raise LogError('no data rows')
    width = len(header)
    rows = [r for r in rows if len(r) >= width]
    data = np.array([r[:width] for r in rows], dtype=float)
    names, units = zip(*[_split_name_unit(h) for h in header])
    return list(names), list(units), data


def hhmmss_to_seconds(v):
    v = np.asarray(v, dtype=float)
    hh = np.floor(v / 10000.0)
    mm = np.floor((v - hh * 10000.0) / 100.0)
    ss = v - hh * 10000.0 - mm * 100.0
    sec = hh * 3600.0 + mm * 60.0 + ss
    # a run past midnight: the clock restarts at 0
    jumps = np.where(np.diff(sec) < -43200.0)[0]
    for j in jumps:
        sec[j + 1:] += 86400.0
    return sec


def read_vbo(path):
    with open(path, 'r', encoding='latin-1') as f:
        lines = f.read().splitlines()
    section = None
    sections = {}
    for line in lines:
        s = line.strip()
        m = re.match(r'^\[(.+)\]$', s)
        if m:
            section = m.group(1).strip().lower()
            sections.setdefault(section, [])
            continue
        if section == 'channel units':
            sections[section].append(s)          # a blank line is a channel without unit (C16)
        elif section is not None and s:
            sections[section].append(s)
    if 'column names' not in sections or 'data' not in sections:
        raise LogError('VBO file without [column names] or [data] section')
    names = ' '.join(sections['column names']).split()
    header_names = sections.get('header', [])
    units_list = list(sections.get('channel units', []))
    while units_list and not units_list[-1]:
        units_list.pop()
    units = [''] * len(names)
    if units_list and len(units_list) != 1:
        units = (units_list + [''] * len(names))[:len(names)]   # C16: in channel order
    elif units_list:
        if len(units_list) == 1 and len(units_list[0].split()) == len(names):
            units = units_list[0].split()
        elif len(units_list) == len(names):
            units = units_list
        elif len(units_list) == len(header_names):
            # units follow the [header] order; map them through the names
            norm = lambda x: re.sub(r'[^a-z0-9]', '', x.lower())
            hmap = {norm(h): u for h, u in zip(header_names, units_list)}
            units = [hmap.get(norm(n), '') for n in names]
    rows = []
    for s in sections['data']:
        toks = s.split()
        if len(toks) < len(names):
            continue
        try:
            rows.append([float(t) for t in toks[:len(names)]])
        except ValueError:
            raise LogError('unreadable number in [data] line "%s"' % s[:60])
    if not rows:
        raise LogError('VBO file without data rows')
    data = np.array(rows, dtype=float)
    lower = [n.lower() for n in names]
    if 'time' in lower:
        i = lower.index('time')
        sec = hhmmss_to_seconds(data[:, i])
        data[:, i] = sec - sec[0]
        units[i] = 's'
    return names, units, data


def _norm(n):
    return re.sub(r'[^a-z0-9]', '', n.lower())


def _find(names, wanted, predicate, what, option):
    if wanted is not None:
        if re.fullmatch(r'\d+', str(wanted)):
            k = int(wanted) - 1
            if not 0 <= k < len(names):
                raise LogError('column %s does not exist (the log has %d)' % (wanted, len(names)))
            return k
        for k, n in enumerate(names):
            if n == wanted or _norm(n) == _norm(wanted):
                return k
        raise LogError('no column named "%s" for the %s' % (wanted, what))
    hits = [k for k, n in enumerate(names) if predicate(_norm(n), n.lower())]
    if not hits:
        raise LogError('no %s column (give %s)' % (what, option))
    return hits[0]


def _is_time(n, raw):
    return n in ('t', 'time', 'times', 'timesec', 'tsec', 'timestamp') or n.startswith('time')


def _is_steer(n, raw):
    return 'steer' in n and not any(w in n for w in ('cmd', 'command', 'program', 'rate', 'torque', 'vel'))


def _is_yaw(n, raw):
    return 'yaw' in n and not 'acc' in n and not 'angle' in n


def _is_ay(n, raw):
    if n in ('ay', 'ayg', 'aymps2', 'ays2', 'latacc', 'lateralacc', 'yaccel', 'accy', 'accely',
             'lateralacceleration', 'latacceleration', 'alat'):
        return True
    return (n.startswith('ay') and len(n) <= 6) or ('lat' in n and 'acc' in n) or n.startswith('yacc')


def _is_speed(n, raw):
    return 'speed' in n or n.startswith('velocity') or n in ('v', 'vx')


def _is_roll(n, raw):
    return 'roll' in n and 'rate' not in n and 'peak' not in n


def _unit_of(name, unit):
    u = unit.lower().replace(' ', '')
    n = name.lower()
    if u:
        return u
    m = re.search(r'_(g|mps2|ms2|m_s2|m_s\^2|deg|rad|deg_s|degs|rad_s|rads|s|kmh|km_h|mph)$', n)
    return m.group(1) if m else ''


def _accel_factor_to_g(unit, values, forced):
    """Factor turning the column into g, and a note when the unit was guessed."""
    if forced:
        u = forced.lower()
    else:
        u = unit
    u = u.replace('²', '2').replace('^', '').replace('_', '/').replace(' ', '')
    if u in ('g', 'gs'):
        return 1.0, None
    if u in ('m/s2', 'mps2', 'ms2', 'm/s/s', 'm/ss'):
        return 1.0 / G, None
    big = np.nanpercentile(np.abs(values), 99) > 2.5 if values.size else False   # robust to dropouts
    if big:
        return 1.0 / G, 'lateral acceleration unit not given: taken as m/s^2 (values above 2.5)'
    return 1.0, 'lateral acceleration unit not given: taken as g'


def _angle_factor(unit):
    u = unit.replace(' ', '')
    return 180.0 / math.pi if u.startswith('rad') else 1.0


def load_log(path, opts, need_yaw=True, need_ay=True):
    """Read a log; returns dict t, steer [deg], yaw [deg/s], ay [g], notes."""
    try:
        if path.lower().endswith('.vbo'):
            names, units, data = read_vbo(path)
        else:
            names, units, data = read_csv_table(path)
    except OSError as e:
        raise LogError('cannot read: %s' % e.strerror)
    notes = []
    out = {'notes': notes, 'columns': {}}
    it = _find(names, getattr(opts, 'time_column', None), _is_time, 'time', '--time-column')
    ist = _find(names, getattr(opts, 'steer_column', None), _is_steer, 'steer angle', '--steer-column')
    t = data[:, it]
    if _unit_of(names[it], units[it]) in ('ms',):
        t = t / 1000.0
    out['columns']['time'] = names[it]
    out['columns']['steer'] = names[ist]
    out['steer'] = data[:, ist] * _angle_factor(_unit_of(names[ist], units[ist]))
    if need_yaw:
        iy = _find(names, getattr(opts, 'yaw_column', None), _is_yaw, 'yaw rate', '--yaw-column')
        out['yaw'] = data[:, iy] * _angle_factor(_unit_of(names[iy], units[iy]))
        out['columns']['yaw'] = names[iy]
    if need_ay:
        ia = _find(names, getattr(opts, 'ay_column', None), _is_ay, 'lateral acceleration', '--ay-column')
        f, note = _accel_factor_to_g(_unit_of(names[ia], units[ia]), data[:, ia],
                                     getattr(opts, 'ay_unit', None))
        if note:
            notes.append(note)
        out['ay'] = data[:, ia] * f
        out['columns']['ay'] = names[ia]
    speed_hits = [k for k, n in enumerate(names) if _is_speed(_norm(n), n.lower())
                   and not _is_yaw(_norm(n), n.lower()) and 'steer' not in n.lower()]
    if getattr(opts, 'speed_column', None):
        speed_hits = [_find(names, opts.speed_column, _is_speed, 'speed', '--speed-column')]
    if speed_hits:
        isp = speed_hits[0]
        u = _unit_of(names[isp], units[isp]).replace(' ', '')
        factor = {'m/s': 3.6, 'mps': 3.6, 'mph': 1.609344}.get(u, 1.0)
        out['speed'] = data[:, isp] * factor
        out['columns']['speed'] = names[isp]
    good = np.isfinite(t)
    for k in ('steer', 'yaw', 'ay', 'speed'):
        if k in out:
            good &= np.isfinite(out[k])
    if not np.all(good):
        notes.append('%d rows with empty or non-numeric fields left out' % int(np.sum(~good)))
    t = t[good]
    for k in ('steer', 'yaw', 'ay', 'speed'):
        if k in out:
            out[k] = out[k][good]
    if t.size < 10:
        raise LogError('fewer than 10 samples')
    if np.any(np.diff(t) <= 0):
        order = np.argsort(t, kind='stable')
        keep = np.concatenate(([True], np.diff(t[order]) > 0))
        notes.append('time not increasing: rows sorted, repeated times dropped')
        t = t[order][keep]
        for k in ('steer', 'yaw', 'ay', 'speed'):
            if k in out:
                out[k] = out[k][order][keep]
    out['t'] = t
    return out


# ----------------------------------------------------------------------------- dropouts

FLOORS = {'steer': 5.0, 'yaw': 5.0, 'ay': 0.2, 'speed': 10.0, 'roll': 3.0}
REACH = {'steer': 2500.0, 'yaw': 1000.0, 'ay': 5.0, 'speed': 500.0, 'roll': 180.0}      # C15
FASTEST = {'steer': 3000.0, 'yaw': 1500.0, 'ay': 40.0, 'speed': 100.0, 'roll': 500.0}   # per second
LONGEST = 5


def find_dropouts(t, x, floor, channel='steer'):
    """Groups of indices of dropouts by physics (see C15)."""
    n = len(x)
    found = []
    if n < 5:
        return found
    bad = ~(np.abs(x) <= REACH[channel])
    i = 0
    while i < n:
        if not bad[i]:
            i += 1
            continue
        j = i
        while j < n and bad[j]:
            j += 1
        if j - i <= LONGEST and (i > 0 or j < n):
            found.append(list(range(i, j)))
        i = j
    beyond = set(k for g in found for k in g)
    y = np.array(x, dtype=float)
    for g in found:                                   # lines across, for the bursts below
        lo, hi = g[0] - 1, g[-1] + 1
        for k in g:
            y[k] = y[hi] if lo < 0 else y[lo] if hi >= n else \
                y[lo] + (y[hi] - y[lo]) * (t[k] - t[lo]) / (t[hi] - t[lo])

    def step(a, b):
        return max(floor, FASTEST[channel] * abs(t[b] - t[a]))

    i = 1
    while i < n:
        if abs(y[i] - y[i - 1]) <= step(i - 1, i):
            i += 1
            continue
        burst = None
        for j in range(i, min(i + LONGEST, n)):
            if j + 1 < n and not (abs(y[j + 1] - y[j]) > step(j, j + 1)
                                  and abs(y[j + 1] - y[i - 1]) <= step(i - 1, j + 1)):
                continue
            hi = j + 1
            ok = True
            for k in range(i, j + 1):
                line = y[i - 1] if hi >= n else \
                    y[i - 1] + (y[hi] - y[i - 1]) * (t[k] - t[i - 1]) / (t[hi] - t[i - 1])
                if abs(y[k] - line) <= step(k - 1, k):
                    ok = False
            if ok:
                burst = list(range(i, j + 1))
                break
        if burst:
            found.append(burst)
            for k in burst:
                y[k] = y[i - 1] if burst[-1] + 1 >= n else \
                    y[i - 1] + (y[burst[-1] + 1] - y[i - 1]) * (t[k] - t[i - 1]) / (t[burst[-1] + 1] - t[i - 1])
            i = burst[-1] + 2
        else:
            i += 1
    del beyond
    return found


def remove_dropouts(t, x, floor, channel):
    x = np.array(x, dtype=float)
    n = len(x)
    report = []
    for group in find_dropouts(t, x, floor, channel):
        lo, hi = group[0] - 1, group[-1] + 1
        for i in group:
            report.append({'channel': channel, 'time_s': float(t[i]), 'value': float(x[i])})
            if lo < 0:
                x[i] = x[hi]
            elif hi >= n:
                x[i] = x[lo]
            else:
                x[i] = x[lo] + (x[hi] - x[lo]) * (t[i] - t[lo]) / (t[hi] - t[lo])
    return x, report


# ----------------------------------------------------------------------------- filter

def lowpass(x, fs, fc):
    sos = signal.butter(6, fc, btype='low', fs=fs, output='sos')
    padlen = min(18, len(x) - 1)
    return signal.sosfiltfilt(sos, x, padtype='odd', padlen=padlen)


def even_grid(log, channels):
    t = log['t']
    dt = np.diff(t)
    med = float(np.median(dt))
    if np.max(np.abs(dt - med)) <= 0.01 * med:
        return t, {c: log[c] for c in channels}, med, False
    n = int(math.floor((t[-1] - t[0]) / med + 1e-9)) + 1
    tg = t[0] + med * np.arange(n)
    return tg, {c: np.interp(tg, t, log[c]) for c in channels}, med, True


def prepare(log, channels, cutoffs):
    """Dropouts out, resample if uneven, filter. Returns t, dict of filtered channels, info."""
    dropouts = []
    for c in channels:
        log[c], rep = remove_dropouts(log['t'], log[c], FLOORS[c], c)
        dropouts += rep
    t, raw, dt, resampled = even_grid(log, channels)
    fs = 1.0 / dt
    filt = {}
    for c in channels:
        fc = cutoffs[c]
        if fc >= 0.5 * fs:
            raise LogError('sample rate %.3g Hz too low for a %g Hz filter' % (fs, fc))
        filt[c] = lowpass(raw[c], fs, fc)
    info = {'sample_rate_hz': fs, 'resampled': resampled, 'dropouts': dropouts}
    return t, filt, info


# ----------------------------------------------------------------------------- helpers

_trapz = getattr(np, "trapezoid", None) or np.trapz

def crossing(t, x, i, level):
    """Time where x crosses `level` between samples i-1 and i (linear interpolation)."""
    x0, x1 = x[i - 1], x[i]
    if x1 == x0:
        return float(t[i])
    return float(t[i - 1] + (level - x0) * (t[i] - t[i - 1]) / (x1 - x0))


def first_sustained(t, rate_abs, threshold, hold_s):
    """First index at which rate_abs exceeds threshold and stays above it for hold_s."""
    above = np.concatenate(([False], rate_abs > threshold, [False])).astype(int)
    starts = np.where(np.diff(above) == 1)[0]
    ends = np.where(np.diff(above) == -1)[0] - 1      # last index of each run above
    for i, e in zip(starts, ends):
        if t[e] - t[i] >= hold_s:
            return int(i)
    return None


def zero_channels(t, chans, i_end):
    t1 = t[i_end]
    t0 = max(t[0], t1 - ZERO_RANGE_S)
    sel = (t >= t0) & (t < t1)
    if not np.any(sel):
        sel = np.zeros_like(t, dtype=bool)
        sel[0] = True
    means = {c: float(np.mean(v[sel])) for c, v in chans.items()}
    return {c: v - means[c] for c, v in chans.items()}, [float(t0), float(t1)], means


def integrate_twice(t, a, t0, t1):
    """Displacement at t1 from v = y = 0 at t0, trapezoidal rule (a sampled at t)."""
    inner = (t > t0) & (t < t1)
    tt = np.concatenate(([t0], t[inner], [t1]))
    aa = np.concatenate(([np.interp(t0, t, a)], a[inner], [np.interp(t1, t, a)]))
    h = np.diff(tt)
    v = np.concatenate(([0.0], np.cumsum(0.5 * h * (aa[1:] + aa[:-1]))))
    y = np.sum(0.5 * h * (v[1:] + v[:-1]))
    return float(y)


# ----------------------------------------------------------------------------- SWD

def evaluate_swd(log, amplitude_a=None, commanded=None, gvwr=None, accept_speed=False):
    """The figures and the state (C13): a run that cannot be processed is invalid, not an error."""
    try:
        return _evaluate_swd(log, amplitude_a, commanded, gvwr, accept_speed)
    except LogError as e:
        return {'state': 'invalid', 'reasons': [str(e)], 'pass': False, 'processed': False,
                'notes': list(log['notes'])}


def _evaluate_swd(log, amplitude_a=None, commanded=None, gvwr=None, accept_speed=False):
    notes = list(log['notes'])
    channels = ['steer', 'yaw', 'ay'] + (['speed'] if 'speed' in log else [])
    t, f, info = prepare(log, channels, {'steer': 10.0, 'yaw': 6.0, 'ay': 6.0, 'speed': 6.0})
    rate = np.gradient(f['steer'], t)
    i_ze = first_sustained(t, np.abs(rate), ZERO_RATE_DEG_S, ZERO_HOLD_S)
    if i_ze is None:
        raise LogError('the steer rate never exceeds %g deg/s for %g ms (no manoeuvre found)'
                       % (ZERO_RATE_DEG_S, ZERO_HOLD_S * 1000))
    if t[i_ze] - t[0] < ZERO_RANGE_S - 1e-9:
        notes.append('zeroing range shorter than 1 s: the log starts %.3f s before the manoeuvre'
                     % (t[i_ze] - t[0]))
    z, zrange, offsets = zero_channels(t, {c: f[c] for c in ('steer', 'yaw', 'ay')}, i_ze)
    st, yaw, ay = z['steer'], z['yaw'], z['ay']
    s = 1.0 if rate[i_ze] > 0 else -1.0

    idx = np.where((np.arange(len(t)) >= i_ze) & (s * st >= BOS_DEG))[0]
    if idx.size == 0:
        raise LogError('the steer never reaches %g deg after the zeroing range (no BOS)' % BOS_DEG)
    ib = int(idx[0])
    bos = crossing(t, s * st, ib, BOS_DEG) if ib > 0 else float(t[ib])

    idx = np.where((np.arange(len(t)) > ib) & (s * st < 0))[0]
    if idx.size == 0:
        raise LogError('the steer never reverses after BOS (log cut before the reversal?)')
    izc = int(idx[0])
    t_rev = crossing(t, st, izc, 0.0)
    idx = np.where((np.arange(len(t)) >= izc) & (-s * st >= BOS_DEG))[0]
    if idx.size == 0:
        raise LogError('the steer never passes 5 deg after the reversal (no second peak)')
    ineg = int(idx[0])
    idx = np.where((np.arange(len(t)) > ineg) & (s * st >= 0))[0]
    if idx.size:
        ic = int(idx[0])
        i2 = ineg + int(np.argmax(-s * st[ineg:ic]))
        cos = crossing(t, st, ic, 0.0)
    else:
        i2 = ineg + int(np.argmax(-s * st[ineg:]))
        near = np.where((np.arange(len(t)) > i2) & (np.abs(st) <= 0.5))[0]
        if near.size == 0:
            raise LogError('the steer never returns to zero after the second peak (log cut before COS?)')
        cos = float(t[near[0]])
        notes.append('steer does not cross zero after the second peak: COS at |steer| <= 0.5 deg')

    first = (t >= bos) & (t <= t_rev)
    g_yaw = 1.0 if s * _trapz(yaw[first], t[first]) >= 0 else -1.0
    g_ay = 1.0 if s * _trapz(ay[first], t[first]) >= 0 else -1.0
    if g_yaw < 0:
        notes.append('yaw rate sign opposite to the steer sign in this log')
    p = -s * g_yaw
    ipk = None
    for j in range(max(izc, 1), len(t) - 1):
        v = p * yaw[j]
        if v > 0 and v >= p * yaw[j - 1] and v > p * yaw[j + 1]:
            ipk = j
            break
    spin = False
    if ipk is None:                                   # C14: it never comes back
        after = np.arange(len(t)) >= izc
        ipk = int(np.argmax(np.where(after, p * yaw, -np.inf)))
        if not p * yaw[ipk] > 0:
            raise LogError('no yaw rate of the second steer\'s direction after the steer reversal')
        spin = True
    peak = float(yaw[ipk])

    t1000, t1750 = cos + 1.000, cos + 1.750
    if t[-1] < t1750:
        raise LogError('the log ends at %.3f s, before COS + 1.75 s = %.3f s' % (t[-1], t1750))
    if t[-1] < bos + DISPLACEMENT_WINDOW_S:
        raise LogError('the log ends before BOS + 1.07 s')
    r1000 = 100.0 * float(np.interp(t1000, t, yaw)) / peak
    r1750 = 100.0 * float(np.interp(t1750, t, yaw)) / peak
    disp = g_ay * s * integrate_twice(t, ay * G, bos, bos + DISPLACEMENT_WINDOW_S)

    first_peak = float(np.max(s * st[ib:izc])) if izc > ib else float('nan')
    source = None
    if commanded is not None:
        source = 'given'
    elif amplitude_a:
        commanded = 0.5 * amplitude_a * round(first_peak / (0.5 * amplitude_a))
        source = 'measured first steer peak %.2f deg rounded to 0.5 A' % first_peak
        notes.append('commanded amplitude taken as %.6g deg (%s)' % (commanded, source))
    limit = 1.52 if (gvwr is not None and gvwr > 3500.0) else 1.83
    applies = None
    if commanded is not None and amplitude_a:
        applies = commanded >= 5.0 * amplitude_a * (1 - 1e-6)
    ok1000 = r1000 <= 35.0
    ok1750 = r1750 <= 20.0
    okdisp = (disp >= limit) if applies else None
    verdicts = {
        'yaw_rate_ratio_1000': 'pass' if ok1000 else 'fail',
        'yaw_rate_ratio_1750': 'pass' if ok1750 else 'fail',
        'lateral_displacement': ('pass' if okdisp else 'fail') if applies else
        ('not applicable' if applies is False else 'not judged (A or commanded amplitude unknown)'),
    }
    overall = ok1000 and ok1750 and (okdisp is not False)
    verdicts['overall'] = 'pass' if overall else 'fail'

    # C13: the conditions of the test, then the criteria.
    invalid, failed = [], []
    speed_at_bos = float(np.interp(bos, t, f['speed'])) if 'speed' in f else None
    if speed_at_bos is None:
        if not accept_speed:
            invalid.append('no speed in the log: the speed at BOS is not shown')
    elif abs(speed_at_bos - 80.0) > 2.0:
        invalid.append('speed at BOS %.1f km/h outside 80 +/- 2 km/h' % speed_at_bos)
    measured = max(abs(first_peak), abs(float(st[i2])))
    if commanded is not None and source == 'given' and abs(measured - commanded) > max(1.0, 0.03 * commanded):
        invalid.append('measured amplitude %.2f deg is not the commanded %.2f deg' % (measured, commanded))
    later = (np.arange(len(t)) > ic) if idx.size else np.zeros(len(t), dtype=bool)
    if idx.size and first_sustained(t[later], np.abs(rate[later]), ZERO_RATE_DEG_S, ZERO_HOLD_S) is not None \
            and np.max(np.abs(st[later])) >= BOS_DEG:
        invalid.append('a second run follows COS in the log')
    if np.max(np.abs(log['ay'])) > 1.5:
        invalid.append('lateral acceleration peaks above 1.5 g: its unit is not plausible')
    if spin:
        failed.append('spin: the yaw rate never comes back after the steer reversal')
    if not ok1000:
        failed.append('yaw rate ratio at COS + 1.000 s above 35 %')
    if not ok1750:
        failed.append('yaw rate ratio at COS + 1.750 s above 20 %')
    if okdisp is False:
        failed.append('lateral displacement below %.2f m' % limit)
    if not amplitude_a and not failed:
        invalid.append('A is not known')
    state = 'invalid' if invalid else 'fail' if failed else 'pass'
    return {
        'state': state,
        'reasons': invalid if invalid else failed,
        'processed': True,
        'spin': spin,
        'speed_at_bos_kmh': speed_at_bos,
        'measured_amplitude_deg': measured,
        'processing': ['dropouts removed by linear interpolation',
                       'filtered: 6th-order Butterworth forward and backward, steer 10 Hz, '
                       'yaw rate and lateral acceleration 6 Hz',
                       'zeroed over the second before the steer rate exceeds 75 deg/s for 200 ms',
                       'BOS at 5 deg', 'COS at the return to zero after the second peak',
                       'peak yaw rate after the steer reversal',
                       'yaw rate ratios at COS + 1.000 s and COS + 1.750 s',
                       'lateral displacement over BOS .. BOS + 1.07 s'],
        'columns': log['columns'],
        'sample_rate_hz': info['sample_rate_hz'],
        'resampled': info['resampled'],
        'dropouts': info['dropouts'],
        'zeroing_range_s': zrange,
        'zero_offsets': offsets,
        'first_steer_direction': int(s),
        'bos_s': bos,
        'steer_reversal_s': t_rev,
        'second_peak_s': float(t[i2]),
        'second_peak_deg': float(st[i2]),
        'first_peak_deg': first_peak,
        'cos_s': cos,
        'peak_yaw_rate_deg_s': peak,
        'peak_yaw_rate_time_s': float(t[ipk]),
        'yaw_rate_at_1000_deg_s': float(np.interp(t1000, t, yaw)),
        'yaw_rate_at_1750_deg_s': float(np.interp(t1750, t, yaw)),
        'yaw_rate_ratio_1000_percent': r1000,
        'yaw_rate_ratio_1750_percent': r1750,
        'lateral_displacement_m': disp,
        'amplitude_a_deg': amplitude_a,
        'commanded_amplitude_deg': commanded,
        'commanded_amplitude_source': source,
        'displacement_applies': applies,
        'displacement_limit_m': limit,
        'verdicts': verdicts,
        'pass': state == 'pass',
        'notes': notes,
    }


# ----------------------------------------------------------------------------- SIS

def evaluate_sis_run(log, lower_g=0.1, upper_g=0.375, at_g=0.3):
    notes = list(log['notes'])
    t, f, info = prepare(log, ['steer', 'ay'], {'steer': 10.0, 'ay': 6.0})
    rate = np.gradient(f['steer'], t)
    i0 = first_sustained(t, np.abs(rate), 5.0, ZERO_HOLD_S)
    if i0 is None:
        raise LogError('the steer never starts to move (steer rate never above 5 deg/s for 200 ms)')
    z, zrange, offsets = zero_channels(t, f, i0)
    st, ay = z['steer'], z['ay']
    imax = i0 + int(np.argmax(np.abs(st[i0:])))
    d = 1.0 if st[imax] > 0 else -1.0
    seg_ay = d * ay[i0:imax + 1]
    above = np.where(seg_ay >= upper_g)[0]
    if above.size:
        iend = i0 + int(above[0])
    else:
        iend = i0 + int(np.argmax(seg_ay))
        notes.append('lateral acceleration never reaches %g g before the steer turns back: '
                     'rising part ends at its largest value %.3f g' % (upper_g, d * ay[iend]))
    sel = np.zeros(len(t), dtype=bool)
    sel[i0:iend + 1] = True
    sel &= (d * ay >= lower_g) & (d * ay <= upper_g)
    n = int(np.sum(sel))
    if n < 3:
        raise LogError('fewer than 3 samples between %g g and %g g on the rising part' % (lower_g, upper_g))
    x = d * ay[sel]
    y = d * st[sel]
    slope, intercept = np.polyfit(x, y, 1)
    yhat = slope * x + intercept
    r2 = 1.0 - np.sum((y - yhat) ** 2) / np.sum((y - np.mean(y)) ** 2)
    angle = float(slope * at_g + intercept)
    return {
        'a_deg': abs(angle),
        'direction': int(d),
        'steer_at_0_3g_deg': d * angle,
        'slope_deg_per_g': float(slope),
        'intercept_deg': float(intercept),
        'r2': float(r2),
        'fit_points': n,
        'fit_range_s': [float(t[sel][0]), float(t[sel][-1])],
        'zeroing_range_s': zrange,
        'dropouts': info['dropouts'],
        'sample_rate_hz': info['sample_rate_hz'],
        'columns': log['columns'],
        'notes': notes,
    }


def round_half_up(x, step=0.1):
    return math.floor(x / step + 0.5 + 1e-9) * step


# ----------------------------------------------------------------------------- CLI

def _fmt(v):
    if isinstance(v, float):
        return '%.6g' % v
    return str(v)


def main(argv=None):
    ap = argparse.ArgumentParser(description='Reference SIS / sine-with-dwell evaluation')
    sub = ap.add_subparsers(dest='cmd', required=True)
    for name in ('sis', 'swd'):
        p = sub.add_parser(name)
        p.add_argument('logs', nargs='+' if name == 'sis' else 1)
        p.add_argument('--json', action='store_true')
        p.add_argument('--time-column')
        p.add_argument('--steer-column')
        p.add_argument('--yaw-column')
        p.add_argument('--ay-column')
        p.add_argument('--ay-unit', choices=['g', 'm/s2'])
        if name == 'sis':
            p.add_argument('--lower-g', type=float, default=0.1)
            p.add_argument('--upper-g', type=float, default=0.375)
        else:
            p.add_argument('--amplitude-a', type=float)
            p.add_argument('--commanded-amplitude', type=float)
            p.add_argument('--gvwr', type=float)
            p.add_argument('--speed-column')
            p.add_argument('--accept-speed', action='store_true')
    a = ap.parse_args(argv)
    try:
        if a.cmd == 'sis':
            runs = []
            for path in a.logs:
                try:
                    r = evaluate_sis_run(load_log(path, a, need_yaw=False), a.lower_g, a.upper_g)
                except LogError as e:
                    raise LogError('%s: %s' % (path, e))
                r['log'] = path
                runs.append(r)
            mean = float(np.mean([r['a_deg'] for r in runs]))
            doc = {'runs': runs, 'a_deg_mean': mean, 'a_deg': round(round_half_up(mean), 1)}
            if a.json:
                print(json.dumps(doc, indent=2))
            else:
                for r in runs:
                    print('%s: steer at 0.3 g %s deg (direction %+d, slope %s deg/g, r2 %s, %d points)'
                          % (r['log'], _fmt(r['a_deg']), r['direction'], _fmt(r['slope_deg_per_g']),
                             _fmt(r['r2']), r['fit_points']))
                print('A = %.1f deg (mean %s)' % (doc['a_deg'], _fmt(mean)))
            return 0
        path = a.logs[0]
        try:
            r = evaluate_swd(load_log(path, a), a.amplitude_a, a.commanded_amplitude, a.gvwr, a.accept_speed)
        except LogError as e:
            raise LogError('%s: %s' % (path, e))
        r['log'] = path
        if a.json:
            print(json.dumps(r, indent=2))
        elif not r['processed']:
            print('state: invalid: ' + '; '.join(r['reasons']))
        else:
            for k in ('zeroing_range_s', 'bos_s', 'cos_s', 'peak_yaw_rate_deg_s',
                      'yaw_rate_ratio_1000_percent', 'yaw_rate_ratio_1750_percent',
                      'lateral_displacement_m', 'commanded_amplitude_deg'):
                v = r[k]
                print('%-30s %s' % (k, ' '.join(_fmt(x) for x in v) if isinstance(v, list) else _fmt(v)))
            for d in r['dropouts']:
                print('dropout: %s at %.4f s (value %s)' % (d['channel'], d['time_s'], _fmt(d['value'])))
            for k, v in r['verdicts'].items():
                print('%-30s %s' % (k, v))
            for n in r['notes']:
                print('note: ' + n)
            print('state: %s%s' % (r['state'], (': ' + '; '.join(r['reasons'])) if r['reasons'] else ''))
        return 0 if r['pass'] else 1
    except LogError as e:
        print('swd_reference: %s' % e, file=sys.stderr)
        return 2


if __name__ == '__main__':
    sys.exit(main())
