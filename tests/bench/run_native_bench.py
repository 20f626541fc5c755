"""CPU benchmark of the native program qavsaver3 (see scripts/bench --native).

At 1920x1080 and 3840x2160, qavsaver3 -root (speed 5, music off) against two programs that send
the whole window every 100 ms through the same shared-memory image: the bare transfer, which
sends the unchanged image with no pixel work (the yardstick), and the whole-window present,
which converts the whole picture into it first; and against its wake floor, which runs the same
show (same seed) and wakes at the same ticks but sends one pixel where qavsaver3 draws. Each runs
for a while on its own Xvfb screen, alternating; the CPU time of the program's process plus that
of the X server, medians of the runs. Then qavsaver3 unseen: on its own window, covered by
another window (which leaves it nothing to draw), beside an idle X client (the cover window's
program on its own, waiting for events):
   run_native_bench.py QAVSAVER3 BARE_TRANSFER PRESENT_ONLY WAKE_FLOOR TEST_WINDOW"""

import os
import statistics
import subprocess
import sys
import time

import testkit
from run_bench import cpu_seconds

SIZES = [(1920, 1080), (3840, 2160)]
RUNS = 3
SECONDS = 15
SETTLE_SECONDS = 2
SEED = 20261211


def cpu_run(width, height, argv, cover=None):
    """CPU seconds of the program and of the X server per second of a run, as (program, X).
    With `cover` (the test window's program), a window over the whole screen is opened once
    the program has started, and stays."""
    xvfb = testkit.Xvfb(width, height)
    env = dict(os.environ, DISPLAY=xvfb.display, ALSA_CONFIG_PATH="/dev/null")
    env.pop("XSCREENSAVER_WINDOW", None)
    proc = subprocess.Popen(argv, env=env, start_new_session=True, stdout=subprocess.DEVNULL)
    covering = None
    try:
        time.sleep(SETTLE_SECONDS)
        if cover:
            covering = subprocess.Popen([cover, str(width), str(height), "0", "0"], env=env,
                                        start_new_session=True, stdout=subprocess.PIPE)
            covering.stdout.readline()  # mapped
            time.sleep(SETTLE_SECONDS)
        if proc.poll() is not None:
            raise RuntimeError(f"{argv[0]} ended early")
        x_pid = xvfb.proc.pid
        program0, x0, t0 = cpu_seconds(proc.pid), cpu_seconds(x_pid), time.time()
        time.sleep(SECONDS)
        program1, x1, t1 = cpu_seconds(proc.pid), cpu_seconds(x_pid), time.time()
    finally:
        for ending in (proc, covering):
            if ending:
                ending.kill()
                ending.wait()
        xvfb.stop()
    return (program1 - program0) / (t1 - t0), (x1 - x0) / (t1 - t0)


def summary(runs):
    """The median total and the medians of the parts, in ms of CPU per second."""
    total = statistics.median(p + x for p, x in runs) * 1000
    process = statistics.median(p for p, _ in runs) * 1000
    x = statistics.median(x for _, x in runs) * 1000
    return total, f"{total:6.2f} ms/s (process {process:.2f}, X {x:.2f})"


def main(argv):
    hack, bare, present_only, wake_floor, test_window = argv[1:6]
    print(f"qavsaver3: CPU time per second of a {SECONDS} s run (process + X server), median of "
          f"{RUNS} alternating runs")
    ratios = {}
    for width, height in SIZES:
        hack_runs, bare_runs, present_runs, floor_runs = [], [], [], []
        unseen_runs, idle_runs = [], []
        for run in range(RUNS):
            # A seed of each run's own, shared by qavsaver3 and its wake floor, so that both wake
            # at the same ticks.
            seed = str(SEED + run)
            hack_runs.append(cpu_run(width, height, [hack, "-root", "-speed", "5", "-seed", seed]))
            floor_runs.append(cpu_run(width, height, [wake_floor, seed]))
            bare_runs.append(cpu_run(width, height, [bare]))
            present_runs.append(cpu_run(width, height, [present_only]))
            unseen_runs.append(cpu_run(width, height, [hack, "-speed", "5", "-seed", seed],
                                       cover=test_window))
            idle_runs.append(cpu_run(width, height,
                                     [test_window, str(width), str(height), "0", "0"]))
        hack_total, hack_text = summary(hack_runs)
        bare_total, bare_text = summary(bare_runs)
        present_total, present_text = summary(present_runs)
        floor_total, floor_text = summary(floor_runs)
        unseen_total, unseen_text = summary(unseen_runs)
        idle_total, idle_text = summary(idle_runs)
        ratios[(width, height)] = hack_total / bare_total
        print(f"{width}x{height}: qavsaver3 {hack_text}")
        print(f"  bare transfer {bare_text}")
        print(f"  whole-window present {present_text}")
        print(f"  wake floor {floor_text}")
        print(f"  qavsaver3 / bare transfer {hack_total / bare_total:.3f}, "
              f"qavsaver3 / whole-window present {hack_total / present_total:.3f}, "
              f"qavsaver3 / wake floor {hack_total / floor_total:.2f}, "
              f"wake floor / bare transfer {floor_total / bare_total:.3f}")
        print(f"  qavsaver3 unseen (own window covered) {unseen_text}")
        print(f"  idle X client {idle_text}")
        # The idle client may well cost nothing at all: the difference, not a ratio.
        print(f"  unseen / wake floor {unseen_total / floor_total:.3f}, "
              f"unseen - idle X client {unseen_total - idle_total:+.3f} ms/s")
    print("goals: qavsaver3 / bare transfer at most 0.30 at 1920x1080 (%.3f), at most 0.08 at "
          "3840x2160 (%.3f)" % (ratios[SIZES[0]], ratios[SIZES[1]]))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
