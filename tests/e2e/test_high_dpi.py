"""The saver on a 192-DPI screen under Wine (LogPixels 192): the picture is drawn at zoom 2,
every picture pixel a sharp 2 x 2 block, and what it shows is the scene director's trace for
the logical screen of half the size."""

import os
import subprocess
import time
import unittest

import harness
import testkit
from testkit import GrayImage, find_seed, inside_counts

DESKTOP_KEY = r"HKCU\Control Panel\Desktop"
PHYSICAL = (1920, 1080)
ZOOM = 2
LOGICAL = (PHYSICAL[0] // ZOOM, PHYSICAL[1] // ZOOM)


class HighDpiSession(harness.Session):
    """A session whose Wine reports the given DPI; the prefix gets its own setting back when
    the session closes."""

    def __init__(self, width, height, dpi):
        super().__init__(width, height)
        try:
            self._reg("add", "/v", "LogPixels", "/t", "REG_DWORD", "/d", str(dpi), "/f")
            # The DPI is read when the wineserver starts.
            harness.wineserver_kill(self.env)
        except Exception:
            super().close()
            raise

    def _reg(self, *args):
        subprocess.run(harness.wine("reg", args[0], DESKTOP_KEY, *args[1:]), env=self.env,
                       check=True, timeout=60, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL)

    def close(self):
        try:
            self._reg("delete", "/v", "LogPixels", "/f")
        finally:
            super().close()


def halve(shot):
    """The logical picture of a zoom-2 gray screenshot: its top-left pixel of each 2 x 2
    block; None when some block holds more than one value."""
    width, height = shot.width, shot.height
    rows = []
    for y in range(0, height - height % 2, 2):
        top = shot.gray[y * width:(y + 1) * width]
        bottom = shot.gray[(y + 1) * width:(y + 2) * width]
        if top != bottom or top[0::2] != top[1::2]:
            return None
        rows.append(top[0::2])
    return GrayImage(width // 2, height // 2, b"".join(rows))


def doubled_mismatch(shot, origin, dest, pixels):
    """None when the screen shows `pixels` at client position `dest` in picture pixels, each
    pixel a 2 x 2 block at twice the place; else a description."""
    bad, first = 0, None
    for j, row in enumerate(pixels):
        for i, want in enumerate(row):
            for dy in range(ZOOM):
                for dx in range(ZOOM):
                    x = origin[0] + ZOOM * (dest[0] + i) + dx
                    y = origin[1] + ZOOM * (dest[1] + j) + dy
                    got = shot.pixel(x, y)
                    if got != want:
                        bad += 1
                        first = first or (dest[0] + i, dest[1] + j, got, want)
    return None if bad == 0 else f"{bad} pixels differ, first at picture {first}"


class HighDpi(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        harness.write_settings("[QV3_02]\nWAV=0\nSPEED=5\n")

    @classmethod
    def tearDownClass(cls):
        harness.write_settings(None)

    def test_saver_draws_the_logical_screen_doubled(self):
        with HighDpiSession(*PHYSICAL, 192) as session:
            started = time.time()
            proc = session.start_saver("/s")
            window = session.find_window("QV3_02")
            self.assertIsNotNone(window, "no saver window appeared")
            self.assertEqual((window["w"], window["h"]), tuple(str(n) for n in PHYSICAL))
            shots = []
            deadline = time.time() + 12
            while time.time() < deadline:
                shot = session.screenshot_gray()
                halved = halve(shot)
                self.assertIsNotNone(halved, "a picture pixel is not a sharp 2 x 2 block")
                shots.append(halved)
            session.screenshot(os.path.join(harness.screenshot_dir(), "saver-192dpi.png"))
            session.xdotool("key", "a")
            self.assertEqual(session.wait_exit(proc, 15), 0)
        scenes, matches = find_seed(started, shots, LOGICAL, (0, 0) + LOGICAL)
        drawn = [m for m in matches if m is not None]
        self.assertTrue(drawn, "no screenshot showed a scene")
        # The scene fills its three places at the logical size.
        full = max(sum(inside_counts(s, scenes[m]["rects"]))
                   for s, m in zip(shots, matches) if m is not None)
        self.assertGreater(full, 3 * 200)

    def test_preview_keeps_its_host_client_size(self):
        with HighDpiSession(*PHYSICAL, 192) as session:
            helper = session.start([os.path.join(harness.TEST_BIN_DIR, "testhelper.exe"),
                                    "previewhost", "152", "112",
                                    os.path.join(harness.DIST_DIR, "QAVSSV3.SCR"), "2000"])
            first = helper.stdout.readline()
            preview = harness.parse_fields(first)
            self.assertEqual(preview.get("title"), "SSPREVIEW", first)
            # The host's client area, whatever the system made of the size asked for.
            self.assertEqual((preview["cw"], preview["ch"]),
                             (preview["hostcw"], preview["hostch"]))
            rest = helper.communicate(timeout=60)[0]
            fields = harness.parse_fields(rest)
            self.assertEqual(fields.get("alive_after_hold"), "1", rest)
            self.assertEqual((fields.get("ended"), fields.get("exit")), ("1", "0"), rest)

    def look(self, session, origin, expectation):
        dest, pixels = self.skin.expected(expectation)
        deadline = time.time() + testkit.LOOK_TIMEOUT
        while True:
            problem = doubled_mismatch(session.screenshot(), origin, dest, pixels)
            if problem is None:
                return
            if time.time() >= deadline:
                self.fail(f"the screen does not show {expectation} doubled: {problem}")
            time.sleep(0.3)

    def test_settings_window_at_twice_its_size(self):
        self.skin = testkit.Skin()
        harness.write_settings(testkit.START)
        plus = testkit.center("PNUM")
        ok = testkit.center("OK")
        slider_y = testkit.SLIDER_Y
        # Steps at picture points, which the test puts at twice their place on the screen,
        # plus one screen pixel in a block so that both pixels of a block are shown to count.
        steps = [
            ("look", ("digits", 3)), ("look", ("knob", 86)), ("look", ("face", "OK", 0)),
            ("click", plus), ("look", ("digits", 4)), ("look", ("knob", 129)),
            ("press", (testkit.slider_x(50), slider_y)), ("look", ("knob", 50)),
            ("release",), ("look", ("knob", 43)), ("look", ("digits", 2)),
            ("press", (75, slider_y)), ("release",), ("look", ("knob", 0)),
            ("look", ("digits", 1)),
            ("press", (274, slider_y)), ("release",), ("look", ("knob", 172)),
            ("look", ("digits", 5)),
            # OK's right and bottom edges count as inside, the pixel beyond them not.
            ("press", ok), ("look", ("face", "OK", 1)), ("move", (217, 271)),
            ("look", ("face", "OK", 0)), ("move", (216, 271)), ("look", ("face", "OK", 1)),
            ("release",),
        ]
        with HighDpiSession(*PHYSICAL, 192) as session:
            session.xdotool("mousemove", 5, 5)
            proc = session.start_saver()
            deadline = time.time() + 20
            window = {}
            while window.get("visible") != "1" and time.time() < deadline:
                code, out = session.run_helper("findclass", testkit.WINDOW_CLASS)
                window = harness.parse_fields(out) if code == 0 else {}
            self.assertEqual(window.get("visible"), "1", "no settings window appeared")
            # Centred, twice the size, the frame added once on each axis.
            self.assertEqual((int(window["x"]), int(window["y"])),
                             (PHYSICAL[0] // 2 - 344, PHYSICAL[1] // 2 - 288))
            self.assertTrue(2 * 344 - 16 < int(window["cw"]) <= 2 * 344, window)
            self.assertTrue(2 * 288 - 16 < int(window["ch"]) <= 2 * 288, window)
            origin = (int(window["clientx"]), int(window["clienty"]))
            time.sleep(0.5)

            def at(point):
                return origin[0] + ZOOM * point[0] + 1, origin[1] + ZOOM * point[1] + 1

            for step in steps:
                kind = step[0]
                if kind == "look":
                    self.look(session, origin, step[1])
                elif kind == "click":
                    session.xdotool("mousemove", *at(step[1]))
                    session.xdotool("click", 1)
                elif kind == "press":
                    session.xdotool("mousemove", *at(step[1]))
                    session.xdotool("mousedown", 1)
                elif kind == "move":
                    session.xdotool("mousemove", *at(step[1]))
                elif kind == "release":
                    session.xdotool("mouseup", 1)
                if step == ("look", ("digits", 5)):
                    session.screenshot(os.path.join(harness.screenshot_dir(),
                                                    "settings-192dpi.png"))
                time.sleep(0.2)
            self.assertEqual(session.wait_exit(proc, testkit.EXIT_TIMEOUT), 0)
        values = testkit.settings_values(harness.read_settings())
        self.assertEqual((values.get("WAV"), values.get("SPEED")), ("0", "5"))


if __name__ == "__main__":
    unittest.main(verbosity=2)
