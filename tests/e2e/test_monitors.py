"""The saver on two monitors under Wine: one wide Xvfb screen split into two monitors, which
Wine reads through Xinerama. The primary monitor is 1024 x 768, the second 800 x 600, beside it
on the left or on the right; the X root is painted a colour that the saver never draws, so an
uncovered pixel shows. By default each monitor shows a show of its own, the second's seeded
with the primary's seed + 1; with AllMonitors=0 the second stays black."""

import os
import shutil
import signal
import subprocess
import time
import unittest

import harness
from testkit import explain, traced_scenes, windows_path

SCREEN = (1824, 768)
PRIMARY_SIZE = (1024, 768)
SECOND_SIZE = (800, 600)
ROOT_COLOUR = (0x13, 0x57, 0x9B)
DESKTOP_KEY = r"HKCU\Control Panel\desktop"
EXIT_TIMEOUT = 15

# Each layout: where the primary and the second monitor lie on the X screen, and where Windows
# puts the second monitor (the primary is at 0, 0 there, so a monitor left of it is negative).
LAYOUTS = [
    {"name": "primary left", "primary_x": 0, "second_x": 1024, "windows_second_x": 1024},
    {"name": "primary right", "primary_x": 800, "second_x": 0, "windows_second_x": -800},
]


def count_colour(shot, x0, y0, x1, y1, colour):
    """Pixels of exactly `colour` in [x0, x1) x [y0, y1)."""
    tables = [bytes(1 if v == c else 0 for v in range(256)) for c in colour]
    total = 0
    for y in range(y0, y1):
        row = shot.rgb[(y * shot.width + x0) * 3:(y * shot.width + x1) * 3]
        masks = [int.from_bytes(row[i::3].translate(tables[i]), "big") for i in range(3)]
        total += bin(masks[0] & masks[1] & masks[2]).count("1")
    return total


class TwoMonitors:
    """A session whose screen Wine sees as two monitors in the given layout."""

    def __init__(self, layout, env_extra=None):
        self.layout = layout
        self.session = harness.Session(*SCREEN)
        try:
            self._split()
        except Exception:
            self.session.close()
            raise
        self.env = dict(self.session.env, **(env_extra or {}))

    def _run(self, *args):
        subprocess.run(list(args), env=self.session.env, check=True, timeout=120,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def _split(self):
        px, sx = self.layout["primary_x"], self.layout["second_x"]
        harness.split_into_monitors(self.session.env, [(px, 0) + PRIMARY_SIZE,
                                                       (sx, 0) + SECOND_SIZE])
        self._run("xsetroot", "-solid", "#%02x%02x%02x" % ROOT_COLOUR)

    def close(self):
        try:
            harness.end_monitor_split(self.session.env)
        finally:
            self.session.close()

    # Rectangles on the X screen, (x0, y0, x1, y1).
    def primary(self):
        x = self.layout["primary_x"]
        return (x, 0, x + PRIMARY_SIZE[0], PRIMARY_SIZE[1])

    def second(self):
        x = self.layout["second_x"]
        return (x, 0, x + SECOND_SIZE[0], SECOND_SIZE[1])

    def second_point(self, dx=0, dy=0):
        x0, y0, x1, y1 = self.second()
        return ((x0 + x1) // 2 + dx, (y0 + y1) // 2 + dy)


class ManyMonitors:
    """A session whose screen Wine sees as a grid of small monitors, the first the primary."""

    def __init__(self, columns, rows, size):
        self.size = size
        self.screen = (columns * size[0], rows * size[1])
        self.monitors = [(size[0] * (i % columns), size[1] * (i // columns)) + size
                         for i in range(columns * rows)]
        self.session = harness.Session(*self.screen)
        try:
            harness.split_into_monitors(self.session.env, self.monitors)
            subprocess.run(["xsetroot", "-solid", "#%02x%02x%02x" % ROOT_COLOUR],
                           env=self.session.env, check=True, timeout=120)
        except Exception:
            self.session.close()
            raise
        self.env = dict(self.session.env)

    def second_point(self, dx=0, dy=0):
        x, y, width, height = self.monitors[1]
        return (x + width // 2 + dx, y + height // 2 + dy)

    def close(self):
        try:
            harness.end_monitor_split(self.session.env)
        finally:
            self.session.close()


SETTINGS = "[QV3_02]\nWAV=0\nSPEED=5\n"


class Monitors(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        harness.write_settings(SETTINGS)

    @classmethod
    def tearDownClass(cls):
        harness.write_settings(None)

    def start(self, desk, dist=None):
        # Wine on a fresh wineserver (each split of the screen starts one) now and then stalls
        # in its own start-up, so that even its helper programs hang: then the saver is started
        # once more on another wineserver. A saver that never shows its window fails.
        for _ in range(2):
            desk.session.xdotool("mousemove", *desk.second_point())
            proc = desk.session.start_saver("/s", dist=dist, env=desk.env)
            try:
                found = desk.session.find_window("QV3_02", timeout=40)
            except subprocess.TimeoutExpired:
                found = None
            if found is not None:
                time.sleep(1.5)
                return proc
            try:
                os.killpg(proc.pid, signal.SIGKILL)
            except ProcessLookupError:
                pass
            proc.wait()
            harness.wineserver_kill(desk.session.env)
        self.fail("no saver window appeared")

    def assert_covered(self, desk, seconds, second_black=True, shots=None):
        """Every pixel of both monitors black or a character, and with `second_black` the second
        monitor black; returns the number of screenshots with characters on the primary and on
        the second monitor. The screenshots go to `shots` when it is a list."""
        with_characters = [0, 0]
        deadline = time.time() + seconds
        while time.time() < deadline:
            shot = desk.session.screenshot()
            for rect in (desk.primary(), desk.second()):
                self.assertEqual(count_colour(shot, *rect, ROOT_COLOUR), 0,
                                 "an uncovered pixel in %s" % (rect,))
            if second_black:
                self.assertEqual(shot.count_non_black(*desk.second()), 0,
                                 "the second monitor is not black")
            for index, rect in enumerate((desk.primary(), desk.second())):
                if shot.count_non_black(*rect, step=3) > 0:
                    with_characters[index] += 1
            if shots is not None:
                shots.append(desk.session.screenshot_gray())
        return with_characters

    def assert_second_uncovered(self, desk):
        x0, y0, x1, y1 = desk.second()
        deadline = time.time() + 10
        while True:
            shot = desk.session.screenshot()
            if count_colour(shot, x0, y0, x1, y1, ROOT_COLOUR) == (x1 - x0) * (y1 - y0):
                return
            if time.time() > deadline:
                self.fail("the second monitor does not show the root after the exit")
            time.sleep(0.5)

    def test_every_monitor_covered_and_input_on_the_second_ends_the_saver(self):
        inputs = [
            ("move in both coordinates", [("mousemove_relative", "--", 7, 0), "stays",
                                          ("mousemove_relative", "--", 0, 7), "stays",
                                          ("mousemove_relative", "--", 5, 5)]),
            ("left click", [("click", 1)]),
            ("key", [("key", "a")]),
        ]
        for layout in LAYOUTS:
            desk = TwoMonitors(layout)
            try:
                for index, (name, steps) in enumerate(inputs):
                    with self.subTest(layout=layout["name"], input=name):
                        proc = self.start(desk)
                        if index == 0:
                            self.check_cover(desk)
                        for step in steps:
                            if step == "stays":
                                time.sleep(2)
                                self.assertIsNone(proc.poll(), "a move in one coordinate ended it")
                            else:
                                desk.session.xdotool(*step)
                        self.assertEqual(desk.session.wait_exit(proc, EXIT_TIMEOUT), 0)
                        self.assert_second_uncovered(desk)
            finally:
                desk.close()

    def check_cover(self, desk):
        layout = desk.layout
        code, out = desk.session.run_helper("count", "QV3_02")
        self.assertEqual(out.strip(), "count=1")
        code, out = desk.session.run_helper("findclass", "QV3MON")
        self.assertEqual(code, 0, "no window over the second monitor")
        cover = harness.parse_fields(out)
        self.assertEqual((int(cover["x"]), int(cover["y"]), int(cover["w"]), int(cover["h"])),
                         (layout["windows_second_x"], 0) + SECOND_SIZE)
        self.assertEqual(cover["topmost"], "1")
        self.assertNotEqual(cover["title"], "QV3_02")
        self.assertGreater(self.assert_covered(desk, 6, second_black=False)[0], 0,
                           "no scene appeared on the primary")

    def test_each_monitor_shows_its_own_show_explained_by_its_trace(self):
        for layout in LAYOUTS:
            with self.subTest(layout=layout["name"]):
                desk = TwoMonitors(layout)
                try:
                    started = time.time()
                    proc = self.start(desk)
                    shots = []
                    counts = self.assert_covered(desk, 9, second_black=False, shots=shots)
                    if layout["primary_x"] == 0:
                        desk.session.screenshot(
                            os.path.join(harness.screenshot_dir(), "two-monitor-shows.png"))
                    desk.session.xdotool("key", "a")
                    self.assertEqual(desk.session.wait_exit(proc, EXIT_TIMEOUT), 0)
                finally:
                    desk.close()
                self.assertGreater(counts[0], 0, "no characters on the primary")
                self.assertGreater(counts[1], 0, "no characters on the second monitor")
                self.assertIsNotNone(self.seed_explaining(shots, desk, started),
                                     "no seed explains both monitors' screenshots, the second's "
                                     "with the primary's seed + 1")

    def seed_explaining(self, shots, desk, started):
        """The seed around the start whose trace explains the primary's screenshots and whose
        next seed's trace explains the second monitor's, each at its own size; or None."""
        areas = [(desk.primary(), PRIMARY_SIZE), (desk.second(), SECOND_SIZE)]
        for seed in range(int(started) - 2, int(time.time()) + 1):
            explained = True
            for index, ((x0, y0, x1, y1), size) in enumerate(areas):
                scenes = traced_scenes(seed + index, size)
                for scene in scenes:
                    scene["rects"] = [(a + x0, b + y0, c + x0, d + y0)
                                      for a, b, c, d in scene["rects"]]
                matches = explain(shots, scenes, (x0, y0, x1, y1))
                if matches is None or all(m is None for m in matches):
                    explained = False
                    break
            if explained:
                return seed
        return None

    def test_a_monitor_removed_and_added_back_is_followed(self):
        desk = TwoMonitors(LAYOUTS[0])
        try:
            proc = self.start(desk)
            self.assertTrue(self.characters_on_second(desk, 15), "no show on the second monitor")
            # The monitor goes: the system reads its displays afresh and tells the windows.
            desk._run("xrandr", "--delmonitor", "MONITOR1")
            self.assertEqual(desk.session.run_helper("displaychange")[0], 0)
            self.assertNotEqual(desk.session.run_helper("findclass", "QV3MON")[0], 0,
                                "a window was left over the removed monitor")
            self.assert_second_uncovered(desk)
            self.assertIsNone(proc.poll(), "the saver ended when a monitor went")
            # It comes back: a new window with a show of its own.
            desk._run("xrandr", "--setmonitor", "MONITOR1",
                      harness.monitor_geometry(*SECOND_SIZE, desk.layout["second_x"], 0), "none")
            self.assertEqual(desk.session.run_helper("displaychange")[0], 0)
            self.assertEqual(desk.session.run_helper("findclass", "QV3MON")[0], 0,
                             "no window over the monitor that came back")
            self.assertTrue(self.characters_on_second(desk, 15),
                            "no show on the monitor that came back")
            self.assertIsNone(proc.poll())
            desk.session.xdotool("key", "a")
            self.assertEqual(desk.session.wait_exit(proc, EXIT_TIMEOUT), 0)
        finally:
            desk.close()

    def characters_on_second(self, desk, seconds):
        deadline = time.time() + seconds
        while time.time() < deadline:
            if desk.session.screenshot().count_non_black(*desk.second(), step=3) > 0:
                return True
            time.sleep(0.3)
        return False

    def test_twenty_monitors_are_all_covered_until_the_saver_ends(self):
        # However many monitors there are, each has its cover; a cover asked to close (WM_CLOSE
        # from another program) stays, since a cover ends only with the saver.
        desk = ManyMonitors(5, 4, (400, 300))
        proc = None
        try:
            proc = self.start(desk)
            width, height = desk.screen

            def covers():
                out = desk.session.run_helper("countclass", "QV3MON")[1]
                return harness.parse_fields(out).get("count")

            deadline = time.time() + 20
            while covers() != "19" and time.time() < deadline:
                time.sleep(0.5)
            self.assertEqual(covers(), "19")
            shot = desk.session.screenshot(
                os.path.join(harness.screenshot_dir(), "twenty_monitors.png"))
            self.assertEqual(count_colour(shot, 0, 0, width, height, ROOT_COLOUR), 0,
                             "a monitor is not covered")
            desk.session.run_helper("closeclass", "QV3MON")
            time.sleep(2)
            self.assertIsNone(proc.poll(), "the saver ended when a cover was asked to close")
            self.assertEqual(covers(), "19", "a cover closed while the saver goes on")
            shot = desk.session.screenshot()
            self.assertEqual(count_colour(shot, 0, 0, width, height, ROOT_COLOUR), 0,
                             "a monitor was uncovered by a close request")
        finally:
            if proc is not None and proc.poll() is None:
                os.killpg(proc.pid, signal.SIGKILL)
                proc.wait()
            desk.close()

    def test_all_monitors_0_leaves_the_second_monitor_black(self):
        harness.write_settings(SETTINGS + "AllMonitors=0\n")
        desk = TwoMonitors(LAYOUTS[0])
        try:
            proc = self.start(desk)
            counts = self.assert_covered(desk, 8, second_black=True)
            self.assertGreater(counts[0], 0, "no characters on the primary")
            desk.session.xdotool("key", "a")
            self.assertEqual(desk.session.wait_exit(proc, EXIT_TIMEOUT), 0)
        finally:
            desk.close()
            harness.write_settings(SETTINGS)

    @unittest.skipIf(harness.IS_64_BIT, "the Windows 95/98 password library has no 64-bit "
                     "Windows: there the first input over any monitor ends the saver (tested "
                     "above)")
    def test_refused_password_keeps_both_monitors_covered(self):
        desk = TwoMonitors(LAYOUTS[1])
        dist = harness.copy_dist(os.path.join(desk.session.tmp, "dist"))
        shutil.copy(os.path.join(harness.TEST_BIN_DIR, "password.cpl"), dist)
        answer = os.path.join(desk.session.tmp, "answer.txt")
        log = os.path.join(desk.session.tmp, "calls.txt")
        desk.env.update(QV3_TEST_PASSWORD_FILE=windows_path(answer),
                        QV3_TEST_PASSWORD_LOG=windows_path(log))
        reg = harness.wine("reg", "add", DESKTOP_KEY, "/v", "ScreenSaveUsePassword", "/t",
                           "REG_DWORD", "/d", "1", "/f")
        try:
            subprocess.run(reg, env=desk.session.env, check=True, timeout=60,
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            with open(answer, "w") as f:
                f.write("refuse")
            proc = self.start(desk, dist=dist)
            desk.session.xdotool("key", "a")
            time.sleep(3)
            self.assertIsNone(proc.poll(), "a refused password ended the saver")
            with open(log) as f:
                self.assertEqual(f.read().splitlines(), ["verify window=1 answer=0"])
            self.assertEqual(desk.session.run_helper("findclass", "QV3MON")[0], 0)
            self.assert_covered(desk, 3, second_black=False)
            with open(answer, "w") as f:
                f.write("accept")
            desk.session.xdotool("click", 1)
            self.assertEqual(desk.session.wait_exit(proc, EXIT_TIMEOUT), 0)
            self.assert_second_uncovered(desk)
        finally:
            subprocess.run(harness.wine("reg", "delete", DESKTOP_KEY, "/v",
                                        "ScreenSaveUsePassword", "/f"), env=desk.session.env, timeout=60,
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            desk.close()


if __name__ == "__main__":
    unittest.main(verbosity=2)
