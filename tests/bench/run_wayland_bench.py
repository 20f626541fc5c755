"""CPU benchmark of the Wayland program qavsaver3-wayland (see scripts/bench --wayland).

At 1920x1080 and 3840x2160, qavsaver3-wayland (speed 5, music off) on one output of a headless
sway (pixman renderer) against its wake floor, which runs the same show (same seed) and wakes
at the same ticks but commits one pixel of damage where the program draws; and beside them the
X11 program qavsaver3 -root and its own wake floor on an Xvfb screen of the same size. Each runs
for a while on its own compositor or X server, alternating; the CPU time of the program's
process plus that of the compositor or X server, medians of the runs:
   run_wayland_bench.py QAVSAVER3_WAYLAND WAYLAND_WAKE_FLOOR QAVSAVER3 X11_WAKE_FLOOR"""

import os
import statistics
import subprocess
import sys
import time

import testkit
from run_bench import cpu_seconds
from test_wayland import Sway

SIZES = [(1920, 1080), (3840, 2160)]
RUNS = 3
SECONDS = 15
SETTLE_SECONDS = 2
SEED = 20261211


def measure(proc, server_pid):
    time.sleep(SETTLE_SECONDS)
    if proc.poll() is not None:
        raise RuntimeError(f"{proc.args[0]} ended early")
    p0, s0, t0 = cpu_seconds(proc.pid), cpu_seconds(server_pid), time.time()
    time.sleep(SECONDS)
    p1, s1, t1 = cpu_seconds(proc.pid), cpu_seconds(server_pid), time.time()
    return (p1 - p0) / (t1 - t0), (s1 - s0) / (t1 - t0)


def wayland_run(size, argv):
    """CPU seconds of the program and of sway per second of a run."""
    with Sway(first_size=size) as sway:
        proc = subprocess.Popen(argv, env=sway.env, start_new_session=True)
        try:
            return measure(proc, sway.proc.pid)
        finally:
            proc.kill()
            proc.wait()


def x11_run(size, argv):
    """CPU seconds of the program and of the X server per second of a run."""
    xvfb = testkit.Xvfb(*size)
    env = dict(os.environ, DISPLAY=xvfb.display, ALSA_CONFIG_PATH="/dev/null")
    env.pop("XSCREENSAVER_WINDOW", None)
    proc = subprocess.Popen(argv, env=env, start_new_session=True)
    try:
        return measure(proc, xvfb.proc.pid)
    finally:
        proc.kill()
        proc.wait()
        xvfb.stop()


def summary(runs, server):
    total = statistics.median(p + s for p, s in runs) * 1000
    process = statistics.median(p for p, _ in runs) * 1000
    other = statistics.median(s for _, s in runs) * 1000
    return total, f"{total:6.2f} ms/s (process {process:.2f}, {server} {other:.2f})"


def main(argv):
    program, floor, x11, x11_floor = argv[1:5]
    print(f"CPU time per second of a {SECONDS} s run (process + compositor or X server), "
          f"median of {RUNS} alternating runs")
    for size in SIZES:
        runs = {"wayland": [], "floor": [], "x11": [], "x11 floor": []}
        for run in range(RUNS):
            seed = str(SEED + run)
            runs["wayland"].append(wayland_run(size, [program, "-speed", "5", "-seed", seed]))
            runs["floor"].append(wayland_run(size, [floor, seed]))
            runs["x11"].append(x11_run(size, [x11, "-root", "-speed", "5", "-seed", seed]))
            runs["x11 floor"].append(x11_run(size, [x11_floor, seed]))
        wl_total, wl_text = summary(runs["wayland"], "sway")
        floor_total, floor_text = summary(runs["floor"], "sway")
        x_total, x_text = summary(runs["x11"], "X")
        xf_total, xf_text = summary(runs["x11 floor"], "X")
        print(f"{size[0]}x{size[1]}: qavsaver3-wayland {wl_text}")
        print(f"  Wayland wake floor {floor_text}")
        print(f"  qavsaver3 (X11) {x_text}")
        print(f"  X11 wake floor {xf_text}")
        print(f"  qavsaver3-wayland / Wayland wake floor {wl_total / floor_total:.2f} (goal at "
              f"most 1.5), qavsaver3 / X11 wake floor {x_total / xf_total:.2f}")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
