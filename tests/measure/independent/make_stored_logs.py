#!/usr/bin/python3
"""Writes the stored logs that check_stored_logs.py holds quillard-cli against the reference with.

    make_stored_logs.py [--cli PATH]

Each log is a run of the rehearsal vehicle of `quillard-cli simulate`, rewritten as a logger would
write it (the runs are deterministic, so the files come out the same every time):
  stored/swd176.txt      the program: a sine with dwell of 176 deg (6.5 A for A = 27), 2 s lead
  stored/logger_100hz.vbo  the default car at 100 Hz as a sectioned logger file: UTC times from
                         10:15:58 (across a minute), [channel units] in channel order with a blank
                         line for the satellites, a lost steer frame (27899 deg) and a two-sample
                         yaw rate dropout (-27899 deg/s)
  stored/slow_1khz.csv   a car whose stability control is weak (1500 N m s/rad) at 1 kHz, 1.2 s
                         lead, the lateral acceleration in m/s2 as the header says; it fails
  stored/spin_200hz.csv  a car without stability control at 270 deg: it spins and fails
  stored/spinning_on_200hz.csv  the same run with a yaw rate that grows on from 3 s, 25 deg/s more each
                         second, to the log's end: it never comes back (no peak), a spin
"""
import argparse
import os
import subprocess

HERE = os.path.dirname(os.path.abspath(__file__))
STORED = os.path.join(HERE, 'stored')
G = 9.80665


def run(cli, *arguments, stdout=None):
    subprocess.run([cli] + list(arguments), check=True, cwd=STORED, stdout=stdout)


def rows(path):
    """The comment lines and the rows of numbers of a simulate log."""
    comments, data = [], []
    for line in open(path):
        if line.startswith('#'):
            comments.append(line.rstrip('\n'))
        elif line[0].isdigit():
            data.append([float(x) for x in line.split(',')])
    return comments, data


def vbo(data, path):
    out = ['File created on 12/08/2026 @ 10:16:05', '', '[header]', 'satellites', 'time', 'velocity kmh',
           'Steer', 'YawRate', 'LatAcc', '', '[channel units]', '', 's', 'km/h', 'deg', 'deg/s', 'g', '',
           '[comments]', 'rehearsal vehicle of quillard-cli simulate, default car', '',
           '[column names]', 'sats time velocity Steer YawRate LatAcc', '', '[data]']
    for k, (t, steer, yaw, ay, speed) in enumerate(data):
        seconds = 10 * 3600 + 15 * 60 + 58 + t
        hhmmss = (seconds // 3600) * 10000 + (seconds % 3600 // 60) * 100 + seconds % 60
        if k == 250:
            steer = 27899
        if k in (420, 421):
            yaw = -27899
        out.append('012 %09.2f %+010.3f %+09.3f %+09.4f %+08.5f' % (hhmmss, speed, steer, yaw, ay))
    with open(path, 'w', newline='\r\n') as f:
        f.write('\n'.join(out) + '\n')


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument('--cli', default=os.path.join(HERE, '../../../build/quillard-cli'))
    cli = os.path.abspath(ap.parse_args().cli)
    os.makedirs(STORED, exist_ok=True)
    with open(os.path.join(STORED, 'swd176.txt'), 'w') as f:
        run(cli, 'template', 'sine-with-dwell', '--amplitude', '176', '--maxsteer', '300', '--lead', '2', stdout=f)
    with open(os.path.join(STORED, 'swd176short.txt'), 'w') as f:
        run(cli, 'template', 'sine-with-dwell', '--amplitude', '176', '--maxsteer', '300', '--lead', '1.2', stdout=f)
    with open(os.path.join(STORED, 'swd270.txt'), 'w') as f:
        run(cli, 'template', 'sine-with-dwell', '--amplitude', '270', '--maxsteer', '300', '--lead', '2', stdout=f)
    scratch = os.path.join(STORED, 'scratch.csv')
    car = os.path.join(STORED, 'car.txt')

    run(cli, 'simulate', 'swd176.txt', '-o', 'scratch.csv', '--sample-rate', '100', '--tail', '2.5')
    vbo(rows(scratch)[1], os.path.join(STORED, 'logger_100hz.vbo'))

    with open(car, 'w') as f:
        f.write('name = weak control\nstability_control_nm_s_per_rad = 1500\n')
    run(cli, 'simulate', 'swd176short.txt', '--vehicle', 'car.txt', '-o', 'scratch.csv', '--sample-rate', '1000',
        '--tail', '2')
    comments, data = rows(scratch)
    with open(os.path.join(STORED, 'slow_1khz.csv'), 'w') as f:
        f.write('\n'.join(comments) + '\n# lateral acceleration written in m/s2\n')
        f.write('time [s],steer [deg],yaw rate [deg/s],lateral acceleration [m/s2],speed [km/h]\n')
        for t, steer, yaw, ay, speed in data:
            f.write('%.3f,%.3f,%.4f,%.5f,%.1f\n' % (t, steer, yaw, ay * G, speed))

    with open(car, 'w') as f:
        f.write('name = no control\nstability_control_nm_s_per_rad = 0\n')
    run(cli, 'simulate', 'swd270.txt', '--vehicle', 'car.txt', '-o', 'spin_200hz.csv', '--tail', '2.5')
    with open(os.path.join(STORED, 'spinning_on_200hz.csv'), 'w') as f:
        for line in open(os.path.join(STORED, 'spin_200hz.csv')):
            if line[0].isdigit():
                t, steer, yaw, ay, speed = [float(x) for x in line.split(',')]
                yaw -= 25 * max(0.0, t - 3.0)
                line = '%.4f,%.4f,%.5f,%.6f,%.2f\n' % (t, steer, yaw, ay, speed)
            f.write(line)
    for path in (scratch, car):
        os.remove(path)


if __name__ == '__main__':
    main()
