#!/usr/bin/python3
# Makes lowpass_reference.csv: a test signal sampled at 200 Hz and the same signal through a 6th-order
# Butterworth low-pass at 10 Hz and at 6 Hz, run forward and backward by SciPy's sosfiltfilt with the
# edges padded by an odd reflection of 18 samples and each pass started in its steady state (SciPy's
# default edge handling, with the padding of three times the filter order).
# Run once with /usr/bin/python3 (numpy and scipy); the test reads the stored file.
import numpy as np
from scipy import signal

fs = 200.0
t = np.arange(300) / fs
# A sine with dwell's shape, a step, a fast ripple the filter takes out, and an offset.
x = 40 * np.sin(2 * np.pi * 0.7 * t) * (t < 1.07) - 40 * (t >= 1.07) * (t < 1.4) + 3.0
x += 5 * np.sin(2 * np.pi * 25 * t) + 2 * (t > 0.5)
rows = [t, x]
for cutoff in (10.0, 6.0):
    sos = signal.butter(6, cutoff / (fs / 2), output='sos')
    rows.append(signal.sosfiltfilt(sos, x, padtype='odd', padlen=18))
with open('lowpass_reference.csv', 'w') as out:
    out.write('time,input,lowpass_10hz,lowpass_6hz\n')
    for row in zip(*rows):
        out.write(','.join('%.17g' % v for v in row) + '\n')
