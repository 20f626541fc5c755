"""Runs the benchmarks under Wine inside Xvfb and prints their figures (see scripts/bench).

Without options: the compositor benchmark on a 1920x1080 and a 3840x2160 screen, each frame
time against the bare full-screen present in the same run, the 4K frame against the 1080p
frame, and (at 1920x1080) memory and GDI objects over 10,000 frames and more.

With --cpu: the real saver (speed 5, music off) against two programs with the same full-screen,
top-most window and 100 ms timer: one that draws nothing (the floor: what Wine and the X server
spend on such a window and its timer) and one that presents a full-screen bitmap at every tick.
Each runs for a while on its own screen, alternating; the CPU time of the program's process,
of the session's wineserver and of the X server, medians of the runs; then the saver on two
1920x1080 monitors (a show on each) against the saver on one.
"""

import os
import statistics
import sys
import time

import harness

SIZES = [(1920, 1080), (3840, 2160)]
CPU_RUNS = 3
CPU_SECONDS = 20
SETTLE_SECONDS = 3


def bench_compositor(width, height, timing_only):
    args = [os.path.join(harness.TEST_BIN_DIR, "bench_compositor.exe")]
    if timing_only:
        args.append("--timing-only")
    with harness.Session(width, height) as session:
        proc = session.start(args)
        out, _ = proc.communicate(timeout=1800)
    print(f"--- {width}x{height}")
    print(out.rstrip())
    fields = {}
    for line in out.splitlines():
        if line.startswith("RESULT "):
            fields = harness.parse_fields(line[len("RESULT "):])
    return {key: float(value) for key, value in fields.items()}


def cpu_seconds(pid):
    """CPU seconds the threads of `pid` have run, from the scheduler's nanosecond counts (the
    clock ticks of /proc/PID/stat are too coarse for a process that runs a few ms a second)."""
    total = 0
    threads = f"/proc/{pid}/task"
    for thread in os.listdir(threads):
        try:
            with open(f"{threads}/{thread}/schedstat") as f:
                total += int(f.read().split()[0])
        except OSError:
            pass  # the thread ended
    return total / 1e9


def wineserver_process(session):
    """Pid of the wineserver of the session's prefix, or None."""
    for pid in os.listdir("/proc"):
        if not pid.isdigit():
            continue
        try:
            with open(f"/proc/{pid}/comm") as f:
                if not f.read().startswith("wineserver"):
                    continue
            with open(f"/proc/{pid}/environ", "rb") as f:
                environ = f.read().decode("latin-1").split("\0")
        except OSError:
            continue
        if f"WINEPREFIX={session.env['WINEPREFIX']}" in environ:
            return int(pid)
    return None


def windows_process(session, name):
    """Pid of the Wine process running `name` on the session's screen, or None."""
    for pid in os.listdir("/proc"):
        if not pid.isdigit():
            continue
        try:
            with open(f"/proc/{pid}/cmdline", "rb") as f:
                cmdline = f.read().decode("latin-1")
            with open(f"/proc/{pid}/environ", "rb") as f:
                environ = f.read().decode("latin-1").split("\0")
        except OSError:
            continue
        if name.lower() in cmdline.lower() and f"DISPLAY={session.env['DISPLAY']}" in environ \
                and "wine" not in cmdline.split("\0")[0].rsplit("/", 1)[-1].lower():
            return int(pid)
    return None


def cpu_run(width, height, argv, name, cwd=None, monitors=None):
    """CPU seconds of the program, the wineserver and the X server per second of a run, as
    (program, wineserver, X); `monitors` splits the screen into those monitors first."""
    with harness.Session(width, height) as session:
        if monitors:
            harness.split_into_monitors(session.env, monitors)
        try:
            return measure_cpu(session, argv, name, cwd)
        finally:
            if monitors:
                harness.end_monitor_split(session.env)


def measure_cpu(session, argv, name, cwd):
    session.start(argv, cwd=cwd)
    deadline = time.time() + 30
    pid = None
    while pid is None and time.time() < deadline:
        time.sleep(0.5)
        pid = windows_process(session, name)
    if pid is None:
        raise RuntimeError(f"{name} did not start")
    time.sleep(SETTLE_SECONDS)
    server = wineserver_process(session)
    if server is None:
        raise RuntimeError("no wineserver for the prefix")
    pids = (pid, server, session.xvfb.proc.pid)
    start, t0 = [cpu_seconds(p) for p in pids], time.time()
    time.sleep(CPU_SECONDS)
    end, t1 = [cpu_seconds(p) for p in pids], time.time()
    return tuple((b - a) / (t1 - t0) for a, b in zip(start, end))


def summary(runs):
    """The median total and the medians of the parts, in ms of CPU per second."""
    total = statistics.median(sum(r) for r in runs) * 1000
    parts = [statistics.median(r[i] for r in runs) * 1000 for i in range(3)]
    return total, (f"{total:6.2f} ms/s (process {parts[0]:.2f}, wineserver {parts[1]:.2f}, "
                   f"X {parts[2]:.2f})")


def bench_cpu():
    harness.write_settings("[QV3_02]\nWAV=0\nSPEED=5\n")
    saver = [os.path.join(harness.DIST_DIR, "QAVSSV3.SCR"), "/s"]
    present = [os.path.join(harness.TEST_BIN_DIR, "bench_present_only.exe")]
    idle = [os.path.join(harness.TEST_BIN_DIR, "bench_idle_timer.exe")]
    print(f"CPU time per second of a {CPU_SECONDS} s run (process + wineserver + X server), "
          f"median of {CPU_RUNS} alternating runs")
    floor_ratios = {}
    for width, height in SIZES:
        saver_runs, present_runs, idle_runs = [], [], []
        for _ in range(CPU_RUNS):
            saver_runs.append(cpu_run(width, height, saver, "QAVSSV3.SCR", harness.DIST_DIR))
            idle_runs.append(cpu_run(width, height, idle, "bench_idle_timer.exe"))
            present_runs.append(cpu_run(width, height, present, "bench_present_only.exe"))
        saver_total, saver_text = summary(saver_runs)
        idle_total, idle_text = summary(idle_runs)
        present_total, present_text = summary(present_runs)
        floor_ratios[(width, height)] = saver_total / idle_total
        print(f"{width}x{height}: saver {saver_text}")
        print(f"  idle timer {idle_text}")
        print(f"  full present {present_text}")
        print(f"  saver / idle timer {saver_total / idle_total:.2f}, "
              f"saver / full present {saver_total / present_total:.2f}")
    print("goals: saver / idle timer at most 3 at 1920x1080 (%.2f) and at 3840x2160 (%.2f)"
          % (floor_ratios[SIZES[0]], floor_ratios[SIZES[1]]))
    if "--one-monitor" not in sys.argv:
        bench_two_monitors(saver)


def bench_two_monitors(saver):
    one_runs, two_runs = [], []
    for _ in range(CPU_RUNS):
        one_runs.append(cpu_run(1920, 1080, saver, "QAVSSV3.SCR", harness.DIST_DIR))
        two_runs.append(cpu_run(3840, 1080, saver, "QAVSSV3.SCR", harness.DIST_DIR,
                                monitors=[(0, 0, 1920, 1080), (1920, 0, 1920, 1080)]))
    one = statistics.median(sum(r) for r in one_runs)
    two = statistics.median(sum(r) for r in two_runs)
    print(f"two 1920x1080 monitors: saver {summary(two_runs)[1]}, one monitor "
          f"{summary(one_runs)[1]}, ratio {two / one:.2f} (goal: at most 2.2)")


def bench_frames(timing_only):
    results = {}
    for index, (width, height) in enumerate(SIZES):
        # The memory run is taken once, at the first size.
        results[(width, height)] = bench_compositor(width, height, timing_only or index > 0)
    print("--- summary: frame (3 restores + 3 sprites, drawn and presented) / bare present")
    for size, r in results.items():
        print(f"{size[0]}x{size[1]}: bare present {r['present']:.3f} ms, "
              f"frame {r['frame']:.3f} ms ({r['frame'] / r['present']:.3f} x), "
              f"dithered frame {r['dithered']:.3f} ms ({r['dithered'] / r['present']:.3f} x)")
    hd, uhd = results[SIZES[0]], results[SIZES[1]]
    print(f"4K frame / 1080p frame: {uhd['frame'] / hd['frame']:.2f} "
          f"(dithered {uhd['dithered'] / hd['dithered']:.2f})")
    print("goals: at most 0.6 x at 1920x1080, at most 0.2 x at 3840x2160, 4K/1080p at most 1.3")


def main(argv):
    reason = harness.skip_reason()
    if reason:
        print(f"skipped: {reason}")
        return 0
    harness.prepare_prefix()
    if "--two-monitors" in argv:
        harness.write_settings("[QV3_02]\nWAV=0\nSPEED=5\n")
        bench_two_monitors([os.path.join(harness.DIST_DIR, "QAVSSV3.SCR"), "/s"])
    elif "--cpu" in argv:
        bench_cpu()
    else:
        bench_frames("--timing-only" in argv)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
