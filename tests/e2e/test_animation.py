"""The saver's scenes on screen under Wine, checked against the director's own trace.

The saver seeds its generator with the clock, so the test tries the seconds around the start
and keeps the seed whose trace (tools/scenetrace) explains every screenshot: each one must show
pixels only inside the sprite rectangles of one of the traced scenes.

The preview's drawing is checked in-process (tests/wine/test_saver_window.cpp): under Wine a
child window of another process does not reach the screen."""

import os
import subprocess
import time
import unittest

import harness

SCENETRACE = os.path.join(harness.NATIVE_DIR, "tools", "scenetrace", "scenetrace")
TRACE_TICKS = 400


def traced_scenes(seed, screen):
    """The scenes of a trace: for each, the three rectangles (x0, y0, x1, y1) and the frames."""
    args = [SCENETRACE, str(seed), "%dx%d" % screen, str(TRACE_TICKS)]
    out = subprocess.run(args, check=True, stdout=subprocess.PIPE, text=True).stdout
    ticks = {}
    for line in out.splitlines():
        tick, kind, sheet, x, y, sx, sy, w, h, level = map(int, line.split())
        if kind == 1:
            ticks.setdefault(tick, []).append((sheet, x, y, sx, sy, w, h))
    scenes = []
    for tick in sorted(ticks):
        places = tuple((x, y) for _, x, y, *_ in ticks[tick])
        if not scenes or scenes[-1]["places"] != places:
            rects = [(x, y, x + w, y + h) for _, x, y, _, _, w, h in ticks[tick]]
            sheets = {sheet for sheet, *_ in ticks[tick]}
            scenes.append({"places": places, "rects": rects, "sheets": sheets,
                           "sources": set()})
        scenes[-1]["sources"].update((sheet, sx, sy) for sheet, _, _, sx, sy, _, _ in ticks[tick])
    return scenes


def inside_counts(shot, rects):
    return [shot.count(x0, y0, x1, y1) for x0, y0, x1, y1 in rects]


def explain(shots, scenes, area):
    """For each screenshot, the index of the scene that explains it (None for a dark one), or
    None when some screenshot has pixels outside every scene's rectangles."""
    matches = []
    for shot in shots:
        total = shot.count(*area)
        if total == 0:
            matches.append(None)
            continue
        found = None
        for index, scene in enumerate(scenes[:4]):
            if sum(inside_counts(shot, scene["rects"])) == total:
                found = index
                break
        if found is None:
            return None
        matches.append(found)
    return matches


class Animation(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        harness.write_settings("[QV3_02]\nWAV=0\nSPEED=5\n")

    @classmethod
    def tearDownClass(cls):
        harness.write_settings(None)

    def find_seed(self, started, shots, screen, area):
        for seed in range(int(started) - 2, int(time.time()) + 1):
            scenes = traced_scenes(seed, screen)
            matches = explain(shots, scenes, area)
            if matches is not None and any(m is not None for m in matches):
                return scenes, matches
        self.fail("no seed around the start explains the screenshots")

    def test_scenes_fade_in_three_at_a_time_and_change(self):
        with harness.Session(1024, 768) as session:
            started = time.time()
            proc = session.start_saver("/s")
            self.assertIsNotNone(session.find_window("QV3_02"))
            shots = []
            deadline = time.time() + 14
            while time.time() < deadline:
                shots.append(session.screenshot_gray())
            session.screenshot(os.path.join(self.out_dir(), "saver-late.png"))
            session.xdotool("key", "a")
            self.assertEqual(session.wait_exit(proc, 15), 0)
        scenes, matches = self.find_seed(started, shots, (1024, 768), (0, 0, 1024, 768))
        first = next(m for m in matches if m is not None)
        self.assertNotEqual(scenes[first]["sheets"], set(), "a traced scene draws nothing")
        counts = [sum(inside_counts(s, scenes[m]["rects"])) if m == first else 0
                  for s, m in zip(shots, matches)]
        full = max(counts)
        full_shot = shots[counts.index(full)]
        # Three at a time: each of the scene's three rectangles holds a character.
        self.assertTrue(all(c > 200 for c in inside_counts(full_shot, scenes[first]["rects"])))
        # Fading: some screenshot catches the scene part-way through the dither levels.
        self.assertTrue(any(0.1 * full < c < 0.85 * full for c in counts), counts)
        # A later scene shows other characters.
        later = [m for m in matches if m is not None and m > first]
        self.assertTrue(later, "no second scene within the screenshots")
        self.assertNotEqual(scenes[later[0]]["sources"], scenes[first]["sources"])

    def test_small_screens_run_and_end_normally(self):
        # Smaller than the scenes need: the saver keeps running and drawing, and ends on a key.
        for width, height in ((640, 400), (320, 240)):
            with self.subTest(screen=(width, height)), harness.Session(width, height) as session:
                proc = session.start_saver("/s")
                window = session.find_window("QV3_02")
                self.assertEqual((window["w"], window["h"]), (str(width), str(height)))
                drawn = 0
                deadline = time.time() + 5
                while time.time() < deadline:
                    drawn = max(drawn, session.screenshot_gray().count(0, 0, width, height))
                self.assertIsNone(proc.poll())
                self.assertGreater(drawn, 0)
                session.xdotool("key", "a")
                self.assertEqual(session.wait_exit(proc, 15), 0)

    def out_dir(self):
        path = os.environ.get("QV3_SCREENSHOT_DIR", os.path.join(harness.BUILD_DIR, "screenshots"))
        os.makedirs(path, exist_ok=True)
        return path


if __name__ == "__main__":
    unittest.main(verbosity=2)
