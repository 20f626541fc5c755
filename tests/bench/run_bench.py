"""Runs the benchmarks under Wine inside Xvfb and prints their figures (see scripts/bench).

Without options: the compositor benchmark on a 1920x1080 and a 3840x2160 screen, each frame
time against the bare full-screen present in the same run, the 4K frame against the 1080p
frame, and (at 1920x1080) memory and GDI objects over 10,000 frames and more.

With --cpu: the real saver (speed 5, music off) against a program that only presents a
full-screen bitmap every 100 ms, each run for a while on its own screen, alternating, the
CPU time of the program's process plus that of the X server, medians of the runs; then the
saver on two 1920x1080 monitors (a show on each) against the saver on one.
"""

import os
import statistics
import sys
import time

import harness

SIZES = [(1920, 1080), (3840, 2160)]
CPU_RUNS = 3
CPU_SECONDS = 15
SETTLE_SECONDS = 3
CLOCK_TICKS = os.sysconf("SC_CLK_TCK")


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
    with open(f"/proc/{pid}/stat") as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / CLOCK_TICKS


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
    """CPU seconds of the program and of the X server per second of a run, as (program, X);
    `monitors` splits the screen into those monitors first."""
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
    x_pid = session.xvfb.proc.pid
    program0, x0, t0 = cpu_seconds(pid), cpu_seconds(x_pid), time.time()
    time.sleep(CPU_SECONDS)
    program1, x1, t1 = cpu_seconds(pid), cpu_seconds(x_pid), time.time()
    return (program1 - program0) / (t1 - t0), (x1 - x0) / (t1 - t0)


def bench_cpu():
    harness.write_settings("[QV3_02]\nWAV=0\nSPEED=5\n")
    saver = [os.path.join(harness.DIST_DIR, "QAVSSV3.SCR"), "/s"]
    yardstick = [os.path.join(harness.TEST_BIN_DIR, "bench_present_only.exe")]
    print(f"CPU per second of a {CPU_SECONDS} s run (process + X server), median of {CPU_RUNS} "
          "alternating runs")
    ratios = {}
    for width, height in SIZES:
        saver_runs, bare_runs = [], []
        for _ in range(CPU_RUNS):
            saver_runs.append(cpu_run(width, height, saver, "QAVSSV3.SCR", harness.DIST_DIR))
            bare_runs.append(cpu_run(width, height, yardstick, "bench_present_only.exe"))
        saver_total = statistics.median(p + x for p, x in saver_runs)
        bare_total = statistics.median(p + x for p, x in bare_runs)
        ratios[(width, height)] = saver_total / bare_total
        print(f"{width}x{height}: saver {saver_total * 100:5.1f} % of a core "
              f"(process {statistics.median(p for p, _ in saver_runs) * 100:.1f} %, "
              f"X {statistics.median(x for _, x in saver_runs) * 100:.1f} %), "
              f"bare present {bare_total * 100:5.1f} % "
              f"(process {statistics.median(p for p, _ in bare_runs) * 100:.1f} %, "
              f"X {statistics.median(x for _, x in bare_runs) * 100:.1f} %), "
              f"ratio {ratios[(width, height)]:.2f}")
    print("goals: at most 0.80 at 1920x1080 (%.2f), at most 0.25 at 3840x2160 (%.2f)"
          % (ratios[SIZES[0]], ratios[SIZES[1]]))
    bench_two_monitors(saver)


def bench_two_monitors(saver):
    one_runs, two_runs = [], []
    for _ in range(CPU_RUNS):
        one_runs.append(cpu_run(1920, 1080, saver, "QAVSSV3.SCR", harness.DIST_DIR))
        two_runs.append(cpu_run(3840, 1080, saver, "QAVSSV3.SCR", harness.DIST_DIR,
                                monitors=[(0, 0, 1920, 1080), (1920, 0, 1920, 1080)]))
    one = statistics.median(p + x for p, x in one_runs)
    two = statistics.median(p + x for p, x in two_runs)
    print(f"two 1920x1080 monitors: saver {two * 100:5.1f} % of a core "
          f"(process {statistics.median(p for p, _ in two_runs) * 100:.1f} %, "
          f"X {statistics.median(x for _, x in two_runs) * 100:.1f} %), one monitor "
          f"{one * 100:5.1f} %, ratio {two / one:.2f} (goal: at most 2.2)")


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
