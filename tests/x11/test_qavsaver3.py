"""The native program qavsaver3 under Xvfb.

Its scenes are checked against the director's own trace (tools/scenetrace) the way the .scr's
animation test checks them, with the seed given on the command line; then the window it is
given, its own window, resizing, the zoom, the music through an ALSA file sink, and the signals
that end it."""

import os
import re
import select
import signal
import subprocess
import tempfile
import time
import unittest

import testkit
from testkit import GrayImage, Xvfb, explain, inside_counts, traced_scenes, wave_data

NATIVE_DIR = testkit.NATIVE_DIR
HACK = os.environ.get("QV3_HACK", os.path.join(NATIVE_DIR, "x11", "qavsaver3"))
TEST_WINDOW = os.environ.get("QV3_TEST_WINDOW",
                             os.path.join(NATIVE_DIR, "tests", "x11", "test_window"))
MUSIC_FILE = os.path.join(NATIVE_DIR, "music", "BGM04.SSS")
# Seconds a stopped program may take to end: only a program that ignores the signal or hangs
# takes this long, however busy the machine is.
STOP_TIMEOUT = 20
# A stop signal ends the program by that signal once it has cleaned up, as XScreenSaver expects.
ENDED_BY_SIGTERM = -signal.SIGTERM


class Screen:
    """One Xvfb screen and the programs started on it."""

    def __init__(self, width, height, depth=24):
        self.width, self.height = width, height
        self.xvfb = Xvfb(width, height, depth)
        self.tmp = tempfile.mkdtemp(prefix="qv3x-")
        self.env = dict(os.environ, DISPLAY=self.xvfb.display)
        self.env.pop("XSCREENSAVER_WINDOW", None)
        # No sound device unless a test asks for the file sink.
        self.env["ALSA_CONFIG_PATH"] = self.alsa_config("\n")
        self.procs = []

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        for proc in self.procs:
            if proc.poll() is None:
                os.killpg(proc.pid, signal.SIGKILL)
                proc.wait()
            proc.stdout.close()
            proc.stderr.close()
        self.xvfb.stop()
        subprocess.run(["rm", "-rf", self.tmp])

    def alsa_config(self, text, name="asound.conf"):
        path = os.path.join(self.tmp, name)
        with open(path, "w") as f:
            f.write(text)
        return path

    def use_sink(self, sink):
        self.env["ALSA_CONFIG_PATH"] = self.alsa_config(testkit.alsa_sink_config(sink),
                                                        "sink.conf")

    def start_music(self):
        """The program on the root window with music, played into a file sink; returns the
        process and the sink's path."""
        sink = os.path.join(self.tmp, "sink.raw")
        self.use_sink(sink)
        return self.start("-root", "-music", "-speed", 5), sink

    def start(self, *args, env=None, program=HACK):
        proc = subprocess.Popen([program] + [str(a) for a in args], env=env or self.env,
                                stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                                start_new_session=True, text=True)
        self.procs.append(proc)
        return proc

    def test_window(self, width, height, x, y, *kind):
        proc = self.start(width, height, x, y, *kind, program=TEST_WINDOW)
        return proc, int(proc.stdout.readline(), 16)

    def run(self, *args):
        return subprocess.run([str(a) for a in args], env=self.env, check=True, timeout=60,
                              stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True).stdout

    def shot_gray(self, window="root"):
        raw = subprocess.run(["import", "-window", str(window), "-depth", "8", "-colorspace",
                              "gray", "gray:-"], env=self.env, check=True,
                             stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                             timeout=60).stdout
        size = self.window_size(window)
        return GrayImage(size[0], size[1], raw)

    def shot_png(self, path, window="root"):
        subprocess.run(["import", "-window", str(window), path], env=self.env, check=True,
                       timeout=60, stderr=subprocess.DEVNULL)

    def window_size(self, window):
        if window == "root":
            return self.width, self.height
        fields = dict(line.strip().split(": ", 1) for line in
                      self.run("xwininfo", "-id", window).splitlines() if ": " in line)
        return int(fields["Width"]), int(fields["Height"])

    def stop(self, proc, sig=signal.SIGTERM):
        """Sends the signal; returns (exit code, seconds until the exit), the code None when the
        program has not ended within STOP_TIMEOUT."""
        started = time.monotonic()
        os.kill(proc.pid, sig)
        try:
            code = proc.wait(STOP_TIMEOUT)
        except subprocess.TimeoutExpired:
            return None, time.monotonic() - started
        return code, time.monotonic() - started


def shared_memory_creators():
    """The pids that created the shared memory segments there are now."""
    lines = subprocess.run(["ipcs", "-m", "-p"], stdout=subprocess.PIPE, text=True,
                           check=True).stdout.splitlines()
    return [line.split()[2] for line in lines if line.split() and line.split()[0].isdigit()]


def out_dir():
    return testkit.screenshot_dir(NATIVE_DIR)


# Seconds of screenshots that only a program that has stopped drawing needs.
SCENES_TIMEOUT = 90


def partly_faded(counts):
    """Whether some of a scene's characters counts lies part-way through the dither levels."""
    full = max(counts, default=0)
    return any(0.1 * full < c < 0.85 * full for c in counts)


def shots_through_two_scenes(take, areas, need_fade=False, timeout=SCENES_TIMEOUT):
    """Screenshots from `take()` until every area has shown characters, gone dark and shown
    characters again (its second scene), and with `need_fade` until some scene has been caught
    part-way through its fade, however slowly the screenshots come; a program that stops drawing
    ends it at `timeout` seconds."""
    shots, phases, lit_counts = [], [0] * len(areas), [[] for _ in areas]
    fade_seen = not need_fade
    deadline = time.time() + timeout
    while (min(phases) < 3 or not fade_seen) and time.time() < deadline:
        shot = take()
        shots.append(shot)
        for index, area in enumerate(areas):
            count = shot.count(*area)
            if (count > 0) == (phases[index] % 2 == 0):
                phases[index] += 1
                if count == 0:
                    lit_counts[index] = []
            if count > 0:
                lit_counts[index].append(count)
                fade_seen = fade_seen or partly_faded(lit_counts[index])
    return shots


def drawn_within(screen, seconds, window="root"):
    """The largest count of non-black pixels of the window over a few screenshots."""
    best = 0
    deadline = time.time() + seconds
    while time.time() < deadline:
        shot = screen.shot_gray(window)
        best = max(best, shot.count(0, 0, shot.width, shot.height))
        if best:
            break
        time.sleep(0.1)
    return best


class Scenes(unittest.TestCase):
    def check_scenes(self, width, height, seed, extra_args=(), zoom=1, dpi=None, depth=24):
        with Screen(width, height, depth) as screen:
            if dpi is not None:
                subprocess.run(["xrdb", "-merge"], input="Xft.dpi: %s\n" % dpi, text=True,
                               env=screen.env, check=True, timeout=30)
            proc = screen.start("-root", "-seed", seed, "-speed", 5, *extra_args)
            shots = shots_through_two_scenes(screen.shot_gray, [(0, 0, width, height)],
                                             need_fade=True)
            screen.shot_png(os.path.join(out_dir(), "native-%dx%d.png" % (width, height)))
            code, _ = screen.stop(proc)
            self.assertEqual(code, ENDED_BY_SIGTERM, proc.stderr.read())
        scenes = traced_scenes(seed, (width // zoom, height // zoom))
        for scene in scenes:
            scene["rects"] = [tuple(v * zoom for v in r) for r in scene["rects"]]
        matches = explain(shots, scenes, (0, 0, width, height))
        self.assertIsNotNone(matches, "a screenshot shows pixels outside the traced scenes")
        self.assertEqual(matches[0:1], [None], "the first screenshot comes before any drawing")
        shown = [m for m in matches if m is not None]
        self.assertEqual(shown, sorted(shown), "the scenes come in the trace's order")
        self.assertGreaterEqual(len(set(shown)), 2, "no second scene within the screenshots")
        # Each scene's screenshots: how much of its characters each shows.
        counts = {m: [sum(inside_counts(s, scenes[m]["rects"]))
                      for s, n in zip(shots, matches) if n == m] for m in set(shown)}
        brightest = max(counts, key=lambda m: max(counts[m]))
        full_shot = max((s for s, m in zip(shots, matches) if m == brightest),
                        key=lambda s: sum(inside_counts(s, scenes[brightest]["rects"])))
        # Three at a time: each of the scene's rectangles holds a character.
        self.assertTrue(all(c > 200 for c in inside_counts(full_shot, scenes[brightest]["rects"])))
        # The dithered fade: some screenshot catches a scene part-way through.
        self.assertTrue(any(partly_faded(c) for c in counts.values()), counts)
        return shots

    def test_scenes_follow_the_trace_at_1024x768(self):
        self.check_scenes(1024, 768, 17)

    def test_scenes_follow_the_trace_at_640x480(self):
        self.check_scenes(640, 480, 4242)

    def test_scenes_follow_the_trace_on_a_16_bit_screen(self):
        # Pixels converted one by one into the visual's own format.
        self.check_scenes(640, 480, 4242, depth=16)

    def test_zoom_draws_each_pixel_as_a_block(self):
        # Xft.dpi 192 makes the zoom 2: the scenes of a 800 x 600 picture on a 1600 x 1200
        # screen, every pixel doubled; -zoom 1 overrides the resource.
        for extra, zoom in (((), 2), (("--zoom", 1), 1)):
            with self.subTest(zoom=zoom):
                shots = self.check_scenes(1600, 1200, 99, extra, zoom, dpi="192.0")
                shot = max(shots, key=lambda s: s.count(0, 0, s.width, s.height))
                rows = [shot.gray[y * 1600:(y + 1) * 1600] for y in range(1200)]
                blocky = all(rows[y] == rows[y + 1] and rows[y][0::2] == rows[y][1::2]
                             for y in range(0, 1200, 2))
                self.assertEqual(blocky, zoom == 2)


class Windows(unittest.TestCase):
    def test_draws_into_the_window_it_is_given(self):
        for how in ("-window-id", "XSCREENSAVER_WINDOW", "--window-id"):
            with self.subTest(how=how), Screen(1024, 768) as screen:
                _, window = screen.test_window(500, 400, 100, 50)
                if how == "XSCREENSAVER_WINDOW":
                    env = dict(screen.env, XSCREENSAVER_WINDOW="0x%x" % window)
                    proc = screen.start("--root", "-speed", 5, env=env)
                else:
                    proc = screen.start(how, window, "-speed", 5)
                self.assertGreater(drawn_within(screen, 8, window), 0)
                # Nothing beside the window: the rest of the root keeps the server's
                # background.
                root_before = screen.shot_gray()
                self.assertEqual(proc.poll(), None)
                code, _ = screen.stop(proc)
                self.assertEqual(code, ENDED_BY_SIGTERM, proc.stderr.read())
                # The window's own area is ours; a row above it is untouched.
                self.assertEqual(root_before.count(0, 0, 1024, 40), 0)

    def test_keeps_drawing_at_the_new_size(self):
        with Screen(1024, 768) as screen:
            _, window = screen.test_window(480, 260, 0, 0)
            proc = screen.start("-window-id", window, "-speed", 5, "-seed", 3)
            self.assertGreater(drawn_within(screen, 8, window), 0)
            screen.run("xdotool", "windowsize", window, 1000, 740)
            beyond = 0
            deadline = time.time() + 15
            while time.time() < deadline and not beyond:
                shot = screen.shot_gray(window)
                self.assertEqual((shot.width, shot.height), (1000, 740))
                # Drawn where the old size ended: right of it or below it.
                beyond = shot.count(480, 0, 1000, 740) + shot.count(0, 260, 480, 740)
            screen.shot_png(os.path.join(out_dir(), "native-resized.png"), window)
            self.assertGreater(beyond, 0)
            code, _ = screen.stop(proc)
            self.assertEqual(code, ENDED_BY_SIGTERM, proc.stderr.read())

    def test_pictures_past_the_compositors_limit_show_the_scenes_zoomed(self):
        with self.subTest("an 8K screen"), Screen(7680, 4320) as screen:
            # 33 million pixels, twice what one picture may hold.
            proc = screen.start("-root", "-speed", 5, "-seed", 3)
            self.assertGreater(drawn_within(screen, 20), 0)
            self.assertIsNone(proc.poll(), proc.stderr.read() if proc.poll() is not None else "")
            screen.shot_png(os.path.join(out_dir(), "native-8k.png"))
            self.assertEqual(screen.stop(proc)[0], ENDED_BY_SIGTERM)
        with self.subTest("a window resized past the limit"), Screen(1024, 768) as screen:
            _, window = screen.test_window(480, 260, 0, 0)
            proc = screen.start("-window-id", window, "-speed", 5)
            # Resized once it draws, so that it is watching the window's size.
            self.assertGreater(drawn_within(screen, 8, window), 0)
            screen.run("xdotool", "windowsize", window, 4097, 4096)
            time.sleep(2)
            self.assertIsNone(proc.poll(), proc.stderr.read() if proc.poll() is not None else "")
            code, _ = screen.stop(proc)
            self.assertEqual(code, ENDED_BY_SIGTERM)
            self.assertEqual(proc.stderr.read(), "")

    def test_own_window_covers_the_screen_and_ends_on_a_key_or_a_click(self):
        for action in (["key", "a"], ["click", "1"]):
            with self.subTest(action=action[0]), Screen(800, 600) as screen:
                proc = screen.start("-speed", 5)
                window = None
                deadline = time.time() + 10
                while window is None and time.time() < deadline:
                    found = subprocess.run(["xdotool", "search", "--name", "^qavsaver3$"],
                                           env=screen.env, stdout=subprocess.PIPE,
                                           stderr=subprocess.DEVNULL, text=True).stdout.split()
                    window = int(found[0]) if found else None
                    time.sleep(0.1)
                self.assertIsNotNone(window)
                self.assertEqual(screen.window_size(window), (800, 600))
                self.assertGreater(drawn_within(screen, 8), 0)
                screen.run("xdotool", "mousemove", 400, 300)
                screen.run("xdotool", *action)
                self.assertEqual(proc.wait(5), 0, proc.stderr.read())

    def test_refuses_bad_options_and_windows_it_cannot_use(self):
        # (arguments, the first line of the standard error output); the usage follows it.
        refusals = [
            (["-speed"], "qavsaver3: -speed needs a value"),
            (["-bogus"], "qavsaver3: unknown option -bogus"),
            (["-window-id", "x"], "qavsaver3: -window-id: x is not a number"),
            (["-zoom", "0"], "qavsaver3: -zoom: 0 is not in 1..64"),
            (["--speed=6"], "qavsaver3: -speed: 6 is not in 1..5"),
        ]
        with Screen(640, 480) as screen:
            for args, first_line in refusals:
                with self.subTest(args=args):
                    proc = screen.start(*args)
                    self.assertEqual(proc.wait(10), 1)
                    lines = proc.stderr.read().splitlines()
                    self.assertEqual(lines[0], first_line)
                    self.assertIn("usage", lines[1])
            # Asked for, the usage goes to the standard output and is no failure.
            for args in (["--help"], ["-h"]):
                with self.subTest(args=args):
                    proc = screen.start(*args)
                    self.assertEqual(proc.wait(10), 0)
                    self.assertIn("-display", proc.stdout.read())
                    self.assertEqual(proc.stderr.read(), "")
            # A window that does not exist, and one that has no pixels.
            _, input_only = screen.test_window(200, 100, 10, 10, "inputonly")
            for window in ("0x7fffff0", hex(input_only)):
                with self.subTest(window=window):
                    proc = screen.start("-window-id", window)
                    try:
                        code = proc.wait(10)
                    except subprocess.TimeoutExpired:
                        code = None
                    self.assertEqual(code, 1)
                    self.assertIn("cannot use the window", proc.stderr.read())

    def test_names_a_visual_it_cannot_draw_on(self):
        with Screen(640, 480, depth=8) as screen:
            proc = screen.start("-root")
            self.assertEqual(proc.wait(10), 1)
            self.assertIn("PseudoColor", proc.stderr.read())


class Ending(unittest.TestCase):
    def test_sigterm_and_sigint_end_it_by_that_signal_at_once(self):
        for sig in (signal.SIGTERM, signal.SIGINT):
            with self.subTest(signal=sig), Screen(1024, 768) as screen:
                proc = screen.start("-root", "-speed", 1)
                self.assertGreater(drawn_within(screen, 10), 0)
                # The picture goes to the server through shared memory, which goes with it.
                self.assertIn(str(proc.pid), shared_memory_creators())
                code, _ = screen.stop(proc, sig)
                self.assertEqual(code, -sig, proc.stderr.read())
                self.assertNotIn(str(proc.pid), shared_memory_creators())

    def test_music_plays_from_the_start_and_stops_with_the_signal(self):
        music = wave_data(MUSIC_FILE)
        with Screen(640, 480) as screen:
            proc, sink = screen.start_music()
            time.sleep(3)
            self.assertIsNone(proc.poll())
            code, _ = screen.stop(proc)
            self.assertEqual(code, ENDED_BY_SIGTERM, proc.stderr.read())
            with open(sink, "rb") as f:
                played = f.read()
            # Paced like a real device: about the seconds it ran, from the music's first sample.
            self.assertGreater(len(played), 2 * 22050)
            self.assertLess(len(played), 5 * 22050)
            self.assertEqual(played, music[:len(played)])

    def test_music_after_a_pause_goes_on_from_where_the_clock_stands(self):
        music = wave_data(MUSIC_FILE)
        with Screen(640, 480) as screen:
            proc, sink = screen.start_music()
            time.sleep(2)
            os.kill(proc.pid, signal.SIGSTOP)
            before = os.path.getsize(sink)
            time.sleep(4)
            os.kill(proc.pid, signal.SIGCONT)
            time.sleep(0.5)
            after = os.path.getsize(sink)
            # Not the four seconds missed, poured out at once: at most the half second since
            # and the half second the music runs ahead.
            self.assertLess(after - before, int(1.5 * 22050), "the backlog was played")
            self.assertEqual(screen.stop(proc)[0], ENDED_BY_SIGTERM, proc.stderr.read())
            with open(sink, "rb") as f:
                played = f.read()
            # The music skipped the four seconds: its last bytes stand that much further into
            # the music than the bytes played.
            last_at = music.find(played[-2048:])
            self.assertGreater(last_at, len(played) - 2048 + 3 * 22050)
            self.assertLess(last_at, len(played) - 2048 + 5 * 22050)

    def test_without_music_or_a_device_it_stays_silent(self):
        with Screen(640, 480) as screen:
            sink = os.path.join(screen.tmp, "sink.raw")
            screen.use_sink(sink)
            proc = screen.start("-root", "-speed", 5)
            self.assertGreater(drawn_within(screen, 8), 0)
            self.assertEqual(screen.stop(proc)[0], ENDED_BY_SIGTERM)
            self.assertFalse(os.path.exists(sink) and os.path.getsize(sink) > 0)
            # -music without a sound device: the show goes on silently.
            screen.env["ALSA_CONFIG_PATH"] = screen.alsa_config("\n", "none.conf")
            proc = screen.start("-root", "-music", "-speed", 5)
            time.sleep(1.5)
            self.assertIsNone(proc.poll())
            self.assertEqual(screen.stop(proc)[0], ENDED_BY_SIGTERM, proc.stderr.read())

    def test_a_stop_ends_it_even_when_the_server_does_not_answer(self):
        with Screen(1024, 768) as screen:
            proc = screen.start("-root", "-speed", 5)
            self.assertGreater(drawn_within(screen, 10), 0)
            os.kill(screen.xvfb.proc.pid, signal.SIGSTOP)
            try:
                time.sleep(1)  # the program is now inside a call that waits for the server
                code, _ = screen.stop(proc)
            finally:
                os.kill(screen.xvfb.proc.pid, signal.SIGCONT)
            self.assertEqual(code, ENDED_BY_SIGTERM)

    def test_started_without_standard_descriptors_it_draws_and_stops(self):
        # Music asked for with no sound device: the sound library's complaint has nowhere to go
        # but a closed standard error output, which must not be the X connection.
        with Screen(800, 600) as screen:
            proc = screen.start("-c", f"exec {HACK} -root -music 0<&- 1>&- 2>&-",
                                program="/bin/sh")
            self.assertGreater(drawn_within(screen, 10), 0)
            code, _ = screen.stop(proc)
            self.assertEqual(code, ENDED_BY_SIGTERM)



# Two monitors side by side on one 1824 x 768 screen, as XRandR 1.5 monitors: the primary of
# 1024 x 768 on the left, a second of 800 x 600 on the right, the strip below it covered by none.
MONITORS = [("*PRIM", (0, 0, 1024, 768), "screen"), ("SECOND", (1024, 0, 800, 600), "none")]
MONITOR_SCREEN = (1824, 768)
UNCOVERED = (1024, 600, 1824, 768)


def set_monitor(screen, name, rect, output):
    x, y, w, h = rect
    screen.run("xrandr", "--setmonitor", name, f"{w}/{w * 254 // 960}x{h}/{h * 254 // 960}+{x}+{y}",
               output)


def two_monitor_screen():
    screen = Screen(*MONITOR_SCREEN)
    for name, rect, output in MONITORS:
        set_monitor(screen, name, rect, output)
    # A root colour the program never draws: a pixel it leaves uncovered shows.
    screen.run("xsetroot", "-solid", "#13579b")
    return screen


def find_own_window(screen):
    deadline = time.time() + 10
    while time.time() < deadline:
        found = subprocess.run(["xdotool", "search", "--name", "^qavsaver3$"], env=screen.env,
                               stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                               text=True).stdout.split()
        if found:
            return int(found[0])
        time.sleep(0.1)
    return None


class Monitors(unittest.TestCase):
    def test_each_monitor_shows_its_own_show(self):
        seed = 31
        with two_monitor_screen() as screen:
            proc = screen.start("-root", "-seed", seed, "-speed", 5)

            painted = []

            def shot_once_painted():
                # From the moment the program has painted the root window black, before its
                # first frame is drawn.
                shot = screen.shot_gray()
                while not painted and shot.count(0, 0, *MONITOR_SCREEN) != 0:
                    if proc.poll() is not None:
                        self.fail(f"the program ended: {proc.stderr.read()}")
                    shot = screen.shot_gray()
                painted.append(True)
                return shot

            areas = [(x, y, x + w, y + h) for _, (x, y, w, h), _ in MONITORS]
            shots = shots_through_two_scenes(shot_once_painted, areas)
            screen.shot_png(os.path.join(out_dir(), "native-two-monitors.png"))
            code, _ = screen.stop(proc)
            self.assertEqual(code, ENDED_BY_SIGTERM, proc.stderr.read())
        self.assertTrue(all(shot.count(*UNCOVERED) == 0 for shot in shots),
                        "the part of the screen no monitor shows is not black")
        firsts = []
        for index, (name, (x, y, w, h), _) in enumerate(MONITORS):
            # Monitor i shows the scenes of seed + i, placed for its own size.
            scenes = traced_scenes(seed + index, (w, h))
            for scene in scenes:
                scene["rects"] = [(x0 + x, y0 + y, x1 + x, y1 + y)
                                  for x0, y0, x1, y1 in scene["rects"]]
            matches = explain(shots, scenes, (x, y, x + w, y + h))
            self.assertIsNotNone(matches, f"{name}: pixels outside its show's traced scenes")
            shown = [m for m in matches if m is not None]
            self.assertTrue(shown, f"{name} shows no characters")
            self.assertEqual(shown, sorted(shown), f"{name}: the scenes come out of order")
            firsts.append([tuple(v - o for v, o in zip(r, (x, y, x, y)))
                           for r in scenes[shown[0]]["rects"]])
        self.assertNotEqual(firsts[0], firsts[1], "the two monitors show the same scene")

    def test_monitors_that_come_and_go_are_followed_and_a_key_still_ends_it(self):
        second = MONITORS[1][1]
        second_area = (second[0], second[1], second[0] + second[2], second[1] + second[3])
        with two_monitor_screen() as screen:
            proc = screen.start("-speed", 5)
            window = find_own_window(screen)
            self.assertIsNotNone(window)

            def drawn_on_second(seconds):
                deadline = time.time() + seconds
                while time.time() < deadline:
                    if screen.shot_gray(window).count(*second_area):
                        return True
                    time.sleep(0.2)
                return False

            self.assertTrue(drawn_on_second(15), "no characters on the second monitor")
            screen.run("xrandr", "--delmonitor", "SECOND")
            time.sleep(1)
            # One monitor is left: its show alone draws, and nothing on the rest of the screen.
            quiet = [screen.shot_gray(window).count(*second_area) for _ in range(10)]
            self.assertEqual(quiet, [0] * 10)
            self.assertIsNone(proc.poll())
            set_monitor(screen, *MONITORS[1])
            self.assertTrue(drawn_on_second(20), "the second monitor's show did not come back")
            self.assertIsNone(proc.poll())
            screen.run("xdotool", "mousemove", 400, 300)
            screen.run("xdotool", "key", "a")
            self.assertEqual(proc.wait(5), 0, proc.stderr.read())
            self.assertEqual(proc.stderr.read(), "")


class SightReport:
    """The counts qavsaver3 prints at each change of sight with QAVSAVER3_REPORT_SIGHT set."""

    def __init__(self, proc):
        self.fd = proc.stderr.fileno()
        self.pending = b""

    def next(self, what, seconds=15):
        """(ticks, frames, wakes) of the next report of `what`, or None by the deadline."""
        deadline = time.time() + seconds
        while True:
            while b"\n" in self.pending:
                line, self.pending = self.pending.split(b"\n", 1)
                match = re.fullmatch(rb"qavsaver3: (\w+): (\d+) ticks, (\d+) frames, (\d+) wakes",
                                     line)
                if match and match.group(1).decode() == what:
                    return tuple(int(match.group(i)) for i in (2, 3, 4))
            left = deadline - time.time()
            if left <= 0 or not select.select([self.fd], [], [], left)[0]:
                return None
            read = os.read(self.fd, 4096)
            if not read:
                return None
            self.pending += read


class Sight(unittest.TestCase):
    def test_draws_nothing_while_unseen_and_a_fresh_scene_when_seen_again(self):
        # How the window is hidden and shown again; the program's own window or one it is given.
        rows = [("given", "covered"), ("given", "unmapped"), ("own", "covered")]
        for target, hidden in rows:
            with self.subTest(target=target, hidden=hidden), Screen(640, 480) as screen:
                env = dict(screen.env, QAVSAVER3_REPORT_SIGHT="1")
                if target == "own":
                    proc = screen.start("-speed", 5, "-seed", 7, env=env)
                    window = find_own_window(screen)
                    area = (640, 480, 0, 0)
                else:
                    _, window = screen.test_window(400, 300, 100, 80)
                    proc = screen.start("-window-id", window, "-speed", 5, "-seed", 7, env=env)
                    area = (400, 300, 100, 80)
                report = SightReport(proc)
                self.assertGreater(drawn_within(screen, 8, window), 0)
                if hidden == "covered":
                    cover, _ = screen.test_window(*area)
                else:
                    screen.run("xdotool", "windowunmap", window)
                unseen = report.next("unseen")
                self.assertIsNotNone(unseen, "no report of the window unseen")
                self.assertGreater(unseen[1], 0)
                # Ticks that would be due meanwhile (ten a second at speed 5).
                time.sleep(2)
                if hidden == "covered":
                    os.kill(cover.pid, signal.SIGKILL)
                    cover.wait()
                else:
                    screen.run("xdotool", "windowmap", window)
                seen = report.next("seen")
                self.assertIsNotNone(seen, "no report of the window seen again")
                # Not a tick run nor a frame sent while unseen, and no wakes but for the
                # server's events that showed the window again.
                self.assertEqual(seen[:2], unseen[:2])
                self.assertLessEqual(seen[2] - unseen[2], 3)
                self.assertGreater(drawn_within(screen, 8, window), 0)
                screen.shot_png(os.path.join(out_dir(), f"x11_seen_again_{target}_{hidden}.png"))
                self.assertIsNone(proc.poll())
                code, _ = screen.stop(proc)
                self.assertEqual(code, ENDED_BY_SIGTERM)
                end = report.next("end")
                self.assertIsNotNone(end)
                self.assertGreater(end[1], seen[1])


if __name__ == "__main__":
    unittest.main(verbosity=2)
